#include "shared/helpers/TimeFormat.h"
#include "shared/helpers/Utility.h"

#include "rozuzezer/core/Records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using helpers::cTimeFormat;
using helpers::cUtility;

TEST(TimeFormatTest, MarkerAndTimeOfDayTexts) {
    const auto& tf = helpers::TimeFormat();
    const struct {
        double seconds;
        int style;
        const char* text;
    } cases[] = {
        {0, 1, "00:00:00.00"},
        {205.47, 1, "00:03:25.47"},
        {3725.005, 1, "01:02:05.01"},
        {59.999, 1, "00:01:00.00"},
        {-1, 1, "00:00:00.00"},
        {std::numeric_limits<double>::quiet_NaN(), 1, "00:00:00.00"},
        {360000, 1, "100:00:00.00"},
        {12.5, 7, "00:00:12.50"}, // unknown styles give the marker text
        {0, 2, "00:00:00"},
        {52200, 2, "14:30:00"},
        {52199.6, 2, "14:30:00"},
        {86399.7, 2, "23:59:59"},
        {86400 + 3600, 2, "01:00:00"},
        {-5, 2, "00:00:00"},
        {65.44, 201, "1:05.4"},
        {3725, 202, "1:02:05"},
        {65.5, 202, "1:06"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tf.SecondsToText(c.seconds, c.style), c.text) << c.seconds << " style " << c.style;
}

TEST(TimeFormatTest, TimeTextsReadBackLeniently) {
    const struct {
        const char* text;
        int form;
        double seconds;
    } cases[] = {
        {"00:03:25.47", 1, 205.47},
        {"00:03:25.47", 11, 205.47},
        {"14:30:00", 2, 52200},
        {"1:05.5", 1, 65.5},
        {"65.5", 1, 65.5},
        {"  00:01:00.00  ", 11, 60},
        {"__:__:12.__", 11, 12},
        {"", 1, 0},
        {"abc", 2, 0},
        {"-5:00", 1, 0},          // a negative field counts as 0
        {"1:00:00:00", 1, 86400}, // a fourth field counts days
        {"99:59:59.99", 11, 359999.99},
        {":::", 2, 0},
        {"00:00:1e400", 1, 0}, // too large for any number: 0, not a failure
    };
    for (const auto& c : cases)
        EXPECT_NEAR(cUtility::TimeTextToSeconds(c.text, c.form), c.seconds, 1e-9) << c.text;
}

// What the writer writes, the reader reads back: the cart chunk's dates, times and
// durations depend on it.
TEST(TimeFormatTest, StylesOneAndTwoRoundTrip) {
    const auto& tf = helpers::TimeFormat();
    for (int i = 0; i < 20000; ++i) {
        const float single = static_cast<float>(i) * 0.37f + static_cast<float>(i % 7) * 0.001f;
        const std::string text = tf.SecondsToText(single, 1);
        const auto back = static_cast<float>(cUtility::TimeTextToSeconds(text, 1));
        ASSERT_EQ(tf.SecondsToText(back, 1), text) << single;
        // A value that came from a text reads back as the same Single.
        ASSERT_EQ(static_cast<float>(cUtility::TimeTextToSeconds(tf.SecondsToText(back, 1), 1)), back);
        ASSERT_NEAR(back, single, 0.005 + single * 1e-6);
    }
    for (int s = 0; s < 86400; s += 7) {
        const std::string text = tf.SecondsToText(s, 2);
        ASSERT_EQ(text.size(), 8u);
        ASSERT_EQ(cUtility::TimeTextToSeconds(text, 2), s) << text;
    }
}

TEST(TimeFormatTest, DateRecordsAsTextAndInOrder) {
    const auto& tf = helpers::TimeFormat();
    // 1 March 2006 is day 38777.
    rozuzezer::SDateRecord origination{38777, 14 * 3600 + 5 * 60};
    EXPECT_EQ(tf.DateRecordToText(origination), "01 Mar 2006 14:05:00");
    EXPECT_EQ(tf.DateRecordToText(rozuzezer::SDateRecord{0, 100}), "");
    EXPECT_EQ(tf.DateRecordToText(helpers::DateTimeRecord{-700000, 0}), ""); // outside the calendar

    const struct {
        rozuzezer::SDateRecord a, b;
        bool before;
    } cases[] = {
        {{38777, 10}, {38777, 11}, true},
        {{38777, 11}, {38777, 10}, false},
        {{38777, 10}, {38777, 10}, false},
        {{38776, 86000}, {38777, 0}, true},
        {{38778, 0}, {38777, 86000}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cTimeFormat::IsBefore(c.a, c.b), c.before) << c.a.Date << " " << c.a.Time;
}

TEST(TimeFormatTest, PauseGoesThroughTheWindowLayersHandler) {
    std::vector<double> waits;
    auto old = cTimeFormat::SetPauseHandler([&](double s) { waits.push_back(s); });
    helpers::TimeFormat().Pause(0.5);
    helpers::TimeFormat().Pause(0);
    helpers::TimeFormat().Pause(-3);
    cTimeFormat::SetPauseHandler(old);
    EXPECT_EQ(waits, std::vector<double>{0.5});
    const double stamp = helpers::TimeFormat().Stamp();
    helpers::TimeFormat().Pause(0.01);
    EXPECT_GE(helpers::TimeFormat().ElapsedSince(stamp), 0.01);
}
