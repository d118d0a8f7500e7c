#include "platform/base/DateTime.h"
#include "platform/base/Error.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(DateTime, SerialsOfKnownDays) {
    struct Case { int y, m, d; double serial; };
    const Case cases[] = {
        {1899, 12, 30, 0}, {1899, 12, 31, 1}, {1900, 1, 1, 2}, {1899, 12, 29, -1},
        {2000, 1, 1, 36526}, {2024, 2, 29, 45351}, {9999, 12, 31, 2958465}, {100, 1, 1, -657434},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DateSerial(c.y, c.m, c.d), c.serial) << c.y << '-' << c.m << '-' << c.d;
        CivilDate back = SplitDate(c.serial);
        EXPECT_EQ(back.year, c.y);
        EXPECT_EQ(back.month, c.m);
        EXPECT_EQ(back.day, c.d);
    }
}

TEST(DateTime, OutOfRangeMonthsAndDaysRollOver) {
    EXPECT_EQ(DateSerial(2020, 13, 1), DateSerial(2021, 1, 1));
    EXPECT_EQ(DateSerial(2020, 0, 1), DateSerial(2019, 12, 1));
    EXPECT_EQ(DateSerial(2020, -11, 1), DateSerial(2019, 1, 1));
    EXPECT_EQ(DateSerial(2020, -12, 1), DateSerial(2018, 12, 1));
    EXPECT_EQ(DateSerial(2020, 3, 0), DateSerial(2020, 2, 29));
    EXPECT_EQ(DateSerial(2021, 2, 29), DateSerial(2021, 3, 1));
    EXPECT_EQ(DateSerial(2020, 1, 366), DateSerial(2020, 12, 31));
    EXPECT_EQ(DateSerial(2020, 1, -30), DateSerial(2019, 12, 1));
    EXPECT_THROW(DateSerial(10000, 1, 1), RuntimeError);
    EXPECT_THROW(DateSerial(2020, 2000000000, 1), RuntimeError);
}

TEST(DateTime, TimesAndNegativeSerials) {
    double s = DateSerial(2023, 6, 15) + TimeSerial(13, 45, 30);
    ClockTime t = SplitTime(s);
    EXPECT_EQ(t.hour, 13);
    EXPECT_EQ(t.minute, 45);
    EXPECT_EQ(t.second, 30);
    EXPECT_EQ(DayNumber(s), DateSerial(2023, 6, 15));
    EXPECT_NEAR(SecondsOfDay(s), 13 * 3600 + 45 * 60 + 30, 1e-6);
    // Before the epoch the fraction is still the time of day.
    EXPECT_EQ(SplitDate(-1.25).day, 29);
    EXPECT_EQ(SplitTime(-1.25).hour, 6);
    EXPECT_DOUBLE_EQ(SerialFromDayAndSeconds(-1, 21600), -1.25);
    EXPECT_EQ(TimeSerial(25, 0, 0), 25.0 / 24.0);
    // 23:59:59.9 rounds into the next day.
    EXPECT_EQ(SplitDate(DateSerial(2020, 12, 31) + 86399.9 / 86400).year, 2021);
}

TEST(DateTime, WeekdayValidityAndFormat) {
    EXPECT_EQ(Weekday(0), 7);                      // Saturday
    EXPECT_EQ(Weekday(DateSerial(2026, 12, 10)), 5); // Thursday
    EXPECT_TRUE(IsValidDate(2024, 2, 29));
    EXPECT_FALSE(IsValidDate(2023, 2, 29));
    EXPECT_FALSE(IsValidDate(2023, 13, 1));
    double s = DateSerial(2026, 3, 7) + TimeSerial(9, 5, 3);
    EXPECT_EQ(FormatDate(s, "yyyy-mm-dd"), "2026-03-07");
    EXPECT_EQ(FormatDate(s, "hh:nn:ss"), "09:05:03");
    EXPECT_EQ(FormatDate(s, "hh:mm:ss"), "09:05:03");
    EXPECT_EQ(FormatDate(s, "dd mmmm yyyy"), "07 March 2026");
    EXPECT_EQ(FormatDate(s, "dddd"), "Saturday");
    EXPECT_EQ(FormatDate(s, "yyyymmdd"), "20260307");
    EXPECT_GT(Now(), DateSerial(2020, 1, 1));
}
