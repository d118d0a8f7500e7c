// The air window: the date reader and writer, the limits' enabling, colours and clamps, what
// they store, the save check, and the cart's end date and time in the file.
#include "editor/support/EditorWindowFixture.h"

#include "editor/details/AirDate.h"
#include "platform/base/DateTime.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QProcess>
#include <QTest>

#include <sndfile.h>

#include <string>
#include <utility>
#include <vector>

using namespace lumoedit;
using editortest::DetailsTest;
using platform::ui::BackColor;
using platform::ui::syscolour::ButtonFace;
using platform::ui::syscolour::Window;

namespace {

using CartInfo = SF_CART_INFO_VAR(16384);

std::int32_t Day(int y, int m, int d) { return static_cast<std::int32_t>(platform::DateSerial(y, m, d)); }

} // namespace

const QLocale kUk(QLocale::English, QLocale::UnitedKingdom);

TEST(AirDateTest, ReadsTheWrittenFormAndTheUsualOnes) {
    struct Case {
        const char* text;
        std::int32_t day; // 0: not a date
    };
    const Case cases[] = {
        {"31 December 2030", Day(2030, 12, 31)},
        {"31 dec 2030", Day(2030, 12, 31)},
        {"  31   DECEMBER   2030 ", Day(2030, 12, 31)},
        {"1 Sept 2030", Day(2030, 9, 1)},
        {"31/12/2030", Day(2030, 12, 31)},
        {"31-12-2030", Day(2030, 12, 31)},
        {"31.12.29", Day(2029, 12, 31)},
        {"31.12.30", Day(1930, 12, 31)},
        {"1/2/07", Day(2007, 2, 1)},
        {"2030-12-31", Day(2030, 12, 31)},
        {"1/2/2007 13:00", Day(2007, 2, 1)}, // the day, not the next one
        {"1/2/2007 23:59:59", Day(2007, 2, 1)},
        {"29/02/2096", Day(2096, 2, 29)},
        {"31 December 1899", 1},
        {"31/12/9999", 2958465},
        {"31/02/2026", 0},
        {"0/0/0", 0},
        {"29/02/2100", 0},
        {"30 December 1899", 0}, // day 0 means no limit
        {"1/1/1800", 0},
        {"31 Dezember 2030", 0},
        {"31 Ma 2030", 0},
        {"December 2030", 0},
        {"", 0},
        {"31/12/20300", 0},
        {"12/31/2030", 0}, // a British user writes the day first
        {"1/2/2007 13", 0},
        {"1/2/2007 xx:00", 0},
        {"99999999999/1/2000", 0},
    };
    for (const Case& c : cases) {
        std::int32_t day = -1;
        const bool ok = ReadAirDate(c.text, day, kUk);
        EXPECT_EQ(ok, c.day != 0) << c.text;
        EXPECT_EQ(ok ? day : -1, c.day ? c.day : -1) << c.text;
    }
    EXPECT_EQ(AirDateText(Day(2030, 12, 31), kUk), "31 December 2030");
    EXPECT_EQ(AirWeekdayText(Day(2030, 12, 31), kUk), "Tuesday");
    EXPECT_EQ(AirDateText(0, kUk), "");
    editortest::ScopedUserLocale uk(kUk);
    double serial = 0;
    EXPECT_TRUE(ParseAirDate("1/2/2007 13:00", serial));
    EXPECT_EQ(serial, Day(2007, 2, 1));
    EXPECT_FALSE(ParseAirDate("31/02/2026", serial));
}

TEST(AirDateTest, ReadsAndWritesInTheUsersLocale) {
    struct Case {
        const char* locale;
        const char* text;
        std::int32_t day; // 0: not a date
    };
    const Case cases[] = {
        {"en_US", "12/31/2030", Day(2030, 12, 31)},
        {"en_US", "1/2/2007", Day(2007, 1, 2)},
        {"en_US", "31/12/2030", Day(2030, 12, 31)}, // no date month first: read day first
        {"en_US", "December 31, 2030", Day(2030, 12, 31)},
        {"en_US", "31 December 2030", Day(2030, 12, 31)},
        {"en_US", "2030-12-31", Day(2030, 12, 31)},
        {"en_US", "13/13/2030", 0},
        {"de_DE", "31.12.2030", Day(2030, 12, 31)},
        {"de_DE", "1.2.07", Day(2007, 2, 1)},
        {"de_DE", "31. Dezember 2030", Day(2030, 12, 31)},
        {"de_DE", "31 Dez. 2030", Day(2030, 12, 31)},
        {"de_DE", "3 März 2031", Day(2031, 3, 3)},
        {"de_DE", "31 December 2030", Day(2030, 12, 31)}, // what earlier versions wrote
        {"de_DE", "31 Dezembre 2030", 0},
        {"fr_FR", "31 décembre 2030", Day(2030, 12, 31)},
        {"fr_FR", "31 DÉCEMBRE 2030", Day(2030, 12, 31)},
        {"fr_FR", "1 févr. 2031", Day(2031, 2, 1)},
        {"fr_FR", "31/12/2030", Day(2030, 12, 31)},
        {"ru_RU", "31 декабря 2030", Day(2030, 12, 31)},
        {"ru_RU", "31 декабрь 2030", Day(2030, 12, 31)},
        {"ar_EG", "\u0663\u0661 \u062F\u064A\u0633\u0645\u0628\u0631 \u0662\u0660\u0663\u0660", Day(2030, 12, 31)},
        {"vi_VN", "31 tháng 12 2030", Day(2030, 12, 31)},
        {"vi_VN", "31 tháng 1 2030", Day(2030, 1, 31)},
        {"ja_JP", "2030/12/31", Day(2030, 12, 31)},
        {"ja_JP", "29/12/31", Day(2029, 12, 31)},
    };
    for (const Case& c : cases) {
        const QLocale locale{QString::fromLatin1(c.locale)};
        std::int32_t day = -1;
        const bool ok = ReadAirDate(c.text, day, locale);
        EXPECT_EQ(ok, c.day != 0) << c.locale << " " << c.text;
        EXPECT_EQ(ok ? day : -1, c.day ? c.day : -1) << c.locale << " " << c.text;
    }
    const std::int32_t newYearsEve = Day(2030, 12, 31);
    EXPECT_EQ(AirDateText(newYearsEve, QLocale("en_US")), "31 December 2030");
    EXPECT_EQ(AirDateText(newYearsEve, QLocale("de_DE")), "31 Dezember 2030");
    EXPECT_EQ(AirWeekdayText(newYearsEve, QLocale("de_DE")), "Dienstag");
    EXPECT_EQ(AirDateText(newYearsEve, QLocale("fr_FR")), "31 décembre 2030");
    EXPECT_EQ(AirWeekdayText(newYearsEve, QLocale("fr_FR")), "mardi");
}

TEST(AirDateTest, WhatIsWrittenReadsBackUnderAnyLocale) {
    const auto locales = QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    ASSERT_GT(locales.size(), 100);
    for (const QLocale& locale : locales) {
        for (std::int32_t day : {1, Day(2007, 2, 1), Day(2030, 9, 30), Day(2030, 12, 31), Day(2096, 2, 29), 2958465}) {
            SCOPED_TRACE(locale.name().toStdString() + " " + AirDateText(day, locale));
            std::int32_t back = 0;
            ASSERT_TRUE(ReadAirDate(AirDateText(day, locale), back, locale));
            EXPECT_EQ(back, day);
            EXPECT_FALSE(AirWeekdayText(day, locale).empty());
            // What earlier versions wrote, in English, still reads.
            back = 0;
            ASSERT_TRUE(ReadAirDate(AirDateText(day, QLocale::c()), back, locale));
            EXPECT_EQ(back, day);
        }
    }
}

// The user's locale is the environment's: LC_ALL, then LC_TIME, then LANG.
TEST(AirDateTest, TheLocaleComesFromTheEnvironment) {
    struct Case {
        std::vector<std::pair<const char*, const char*>> env;
        const char* written;
        bool monthFirst;
    };
    const Case cases[] = {
        {{{"LANG", "de_DE.UTF-8"}}, "31 Dezember 2030", false},
        {{{"LANG", "de_DE.UTF-8"}, {"LC_TIME", "en_US.UTF-8"}}, "31 December 2030", true},
        {{{"LANG", "en_US.UTF-8"}, {"LC_TIME", "fr_FR.UTF-8"}}, "31 décembre 2030", false},
        {{{"LC_ALL", "de_DE.UTF-8"}, {"LC_TIME", "en_US.UTF-8"}}, "31 Dezember 2030", false},
    };
    for (const Case& c : cases) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* v : {"LC_ALL", "LC_TIME", "LC_NUMERIC", "LC_MESSAGES", "LANG", "LANGUAGE"}) env.remove(QString::fromLatin1(v));
        for (const auto& [name, value] : c.env) env.insert(QString::fromLatin1(name), QString::fromLatin1(value));
        QProcess probe;
        probe.setProcessEnvironment(env);
        probe.start(QStringLiteral(AIR_DATE_PROBE), {QStringLiteral("12/31/2030")});
        ASSERT_TRUE(probe.waitForFinished(20000));
        const QStringList lines = QString::fromUtf8(probe.readAllStandardOutput()).split(u'\n');
        ASSERT_GE(lines.size(), 2) << c.written;
        EXPECT_EQ(lines[0].toStdString(), c.written);
        EXPECT_EQ(lines[1].toStdString(), c.monthFirst ? std::to_string(Day(2030, 12, 31)) : "no date") << c.written;
    }
}

TEST_F(DetailsTest, TickingALimitEnablesItAndStoresTheDayAndTime) {
    editor->ClearDetails(2);
    auto& item = *editor->cAudioInformation;
    EXPECT_FALSE(editor->txtAirEndDate->isEnabled());
    EXPECT_EQ(BackColor(editor->txtAirEndHour), ButtonFace);
    EXPECT_EQ(editor->txtAirEndHour->Text(), "23");
    EXPECT_EQ(editor->txtAirEndMinutes->Text(), "59");
    EXPECT_EQ(editor->txtAirStartHour->Text(), "00");
    std::int32_t shown = 0;
    EXPECT_TRUE(ReadAirDate(editor->txtAirEndDate->Text(), shown)) << "a new item shows a readable date";
    EXPECT_FALSE(editor->lblAirEndDay->Caption().empty());

    editor->txtAirEndDate->SetText("31 December 2030");
    editor->chkAirEnd->SetValue(1);
    EXPECT_TRUE(editor->fraAirEnd->isEnabled());
    EXPECT_EQ(BackColor(editor->txtAirEndDate), Window);
    EXPECT_EQ(item.AirEndDate, Day(2030, 12, 31));
    EXPECT_EQ(item.AirEndTime, 23 * 3600 + 59 * 60);
    EXPECT_TRUE(editor->bEdited());

    editor->chkAirEnd->SetValue(0);
    EXPECT_FALSE(editor->txtAirEndMinutes->isEnabled());
    EXPECT_EQ(BackColor(editor->txtAirEndDate), ButtonFace);
    EXPECT_EQ(item.AirEndDate, 0);
    EXPECT_EQ(item.AirEndTime, 0);

    // While the window fills its controls nothing is stored or marked.
    editor->bEdited_ = false;
    {
        platform::ui::ScopedFlag loading(editor->bLoadingInfo);
        editor->chkAirEnd->SetValue(1);
        editor->txtAirEndDate->SetText("01 January 2031");
    }
    EXPECT_EQ(item.AirEndDate, 0);
    EXPECT_FALSE(editor->bEdited());
    EXPECT_TRUE(editor->txtAirEndDate->isEnabled());
}

TEST_F(DetailsTest, PassedDatesAreColouredAndInvalidOnesStoreNoLimit) {
    editor->ClearDetails(2);
    auto& item = *editor->cAudioInformation;
    const std::int32_t today = static_cast<std::int32_t>(platform::Today());
    editor->chkAirStart->SetValue(1);
    editor->chkAirEnd->SetValue(1);
    editor->txtAirEndDate->SetText(AirDateText(today - 1));
    EXPECT_EQ(BackColor(editor->txtAirEndDate), 0x0000FFu);
    editor->txtAirStartDate->SetText(AirDateText(today - 1));
    EXPECT_EQ(BackColor(editor->txtAirStartDate), 0x00FF00u);
    editor->txtAirStartDate->SetText(AirDateText(today));
    editor->txtAirEndDate->SetText(AirDateText(today));
    EXPECT_EQ(BackColor(editor->txtAirStartDate), Window);
    EXPECT_EQ(BackColor(editor->txtAirEndDate), Window);

    for (const char* bad : {"31/02/2026", "0/0/0", "29/02/2100", "30 December 1899", "tomorrow"}) {
        editor->txtAirEndDate->SetText(bad);
        EXPECT_EQ(item.AirEndDate, 0) << bad;
        EXPECT_EQ(item.AirEndTime, 0) << bad;
        EXPECT_EQ(BackColor(editor->txtAirEndDate), Window) << bad;
    }
    // A date before 31 Dec 1899 would be stored as a day number below 1, which is no limit
    // and never shown again; the earliest accepted day is 1.
    editor->txtAirEndDate->SetText("31 December 1899");
    EXPECT_EQ(item.AirEndDate, 1);
    editor->txtAirEndDate->SetText("31/12/9999");
    EXPECT_EQ(item.AirEndDate, 2958465);
}

TEST_F(DetailsTest, HoursAndMinutesAreClampedOnEveryChange) {
    editor->ClearDetails(2);
    auto& item = *editor->cAudioInformation;
    editor->chkAirStart->SetValue(1);
    editor->txtAirStartDate->SetText("1 March 2031");
    struct Case {
        const char* hour;
        const char* minute;
        float stored;
        const char* hourShown;
        const char* minuteShown;
    };
    for (const Case& c : {Case{"7", "5", 7 * 3600 + 5 * 60, "07", "05"}, Case{"30", "0", 23 * 3600, "23", "00"},
                          Case{"24", "60", 23 * 3600 + 59 * 60, "23", "59"}, Case{"99", "75", 23 * 3600 + 59 * 60, "23", "59"},
                          // a pasted fraction never stores 24:00 or 60 minutes
                          Case{"23.5", "59.5", 23 * 3600 + 59 * 60, "23", "59"}, Case{"-0.4", "-3", 0, "00", "00"},
                          Case{"", "x", 0, "00", "00"}}) {
        SCOPED_TRACE(c.hour);
        editor->txtAirStartHour->SetText(c.hour);
        editor->txtAirStartMinutes->SetText(c.minute);
        // Stored clamped before the box is left: a save from inside the box writes this.
        EXPECT_EQ(item.AirStartTime, c.stored);
        editor->txtAirStartHour_LostFocus();
        editor->txtAirStartMinutes_LostFocus();
        EXPECT_EQ(editor->txtAirStartHour->Text(), c.hourShown);
        EXPECT_EQ(editor->txtAirStartMinutes->Text(), c.minuteShown);
        EXPECT_EQ(item.AirStartTime, c.stored);
    }
    // Typed: digits only.
    editor->txtAirStartHour->SetText("");
    editor->txtAirStartHour->setFocus();
    QTest::keyClicks(editor->txtAirStartHour, "1a-2");
    EXPECT_EQ(editor->txtAirStartHour->Text(), "12");
}

TEST_F(DetailsTest, LeavingADateBoxWritesTheFixedFormAndTheWeekday) {
    editor->ClearDetails(2);
    editor->chkAirStart->SetValue(1);
    editor->txtAirStartDate->SetText("1/2/2007 13:00");
    EXPECT_EQ(editor->cAudioInformation->AirStartDate, Day(2007, 2, 1));
    editor->txtAirStartDate_LostFocus();
    EXPECT_EQ(editor->txtAirStartDate->Text(), "01 February 2007");
    EXPECT_EQ(editor->lblAirStartDay->Caption(), "Thursday");
    EXPECT_EQ(editor->cAudioInformation->AirStartDate, Day(2007, 2, 1));
    editor->txtAirStartDate->SetText("no date");
    editor->txtAirStartDate_LostFocus();
    EXPECT_EQ(editor->txtAirStartDate->Text(), "no date");
    EXPECT_EQ(editor->lblAirStartDay->Caption(), "");
}

TEST_F(DetailsTest, DatesAreTypedAndShownInTheUsersLocale) {
    struct Case {
        const char* locale;
        const char* typed;
        std::int32_t day;
        const char* shown;
        const char* weekday;
    };
    const Case cases[] = {
        {"en_US", "12/31/2030", Day(2030, 12, 31), "31 December 2030", "Tuesday"},
        {"de_DE", "31.12.2030", Day(2030, 12, 31), "31 Dezember 2030", "Dienstag"},
        {"de_DE", "31 December 2030", Day(2030, 12, 31), "31 Dezember 2030", "Dienstag"},
        {"fr_FR", "1/2/2031", Day(2031, 2, 1), "01 février 2031", "samedi"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.locale) + " " + c.typed);
        const QLocale locale{QString::fromLatin1(c.locale)};
        editortest::ScopedUserLocale user(locale);
        editor->ClearDetails(2);
        const std::int32_t tomorrow = static_cast<std::int32_t>(platform::Today()) + 1;
        EXPECT_EQ(editor->txtAirStartDate->Text(), AirDateText(tomorrow, locale)) << "a new item's dates";
        EXPECT_EQ(editor->lblAirStartDay->Caption(), AirWeekdayText(tomorrow, locale));
        editor->chkAirEnd->SetValue(1);
        editor->txtAirEndDate->SetText(c.typed);
        EXPECT_EQ(editor->cAudioInformation->AirEndDate, c.day);
        EXPECT_TRUE(editor->AirWindowValid());
        editor->txtAirEndDate_LostFocus();
        EXPECT_EQ(editor->txtAirEndDate->Text(), c.shown);
        EXPECT_EQ(editor->lblAirEndDay->Caption(), c.weekday);
        EXPECT_EQ(editor->cAudioInformation->AirEndDate, c.day);
    }
}

TEST_F(DetailsTest, OpeningAFileShowsEachDatesOwnWeekday) {
    // Days whose weekdays differ from those a new item shows (tomorrow, a year from today).
    editor->ClearDetails(2);
    std::int32_t start = Day(2030, 3, 4), end = Day(2031, 3, 4);
    while (AirWeekdayText(start) == editor->lblAirStartDay->Caption()) ++start;
    while (AirWeekdayText(end) == editor->lblAirEndDay->Caption()) ++end;
    const std::string path = ToneFile("dated.wav", 1);
    {
        rozuzezer::cHardDiskItem item;
        ASSERT_TRUE(item.LoadFromWAVFile(path, 3));
        item.AirStartDate = start;
        item.AirStartTime = 6 * 3600;
        item.AirEndDate = end;
        item.AirEndTime = 18 * 3600;
        ASSERT_TRUE(item.SaveToWAVFile(path, 3));
    }
    OpenForEditing(path);
    EXPECT_EQ(editor->txtAirStartDate->Text(), AirDateText(start));
    EXPECT_EQ(editor->lblAirStartDay->Caption(), AirWeekdayText(start));
    EXPECT_EQ(editor->txtAirEndDate->Text(), AirDateText(end));
    EXPECT_EQ(editor->lblAirEndDay->Caption(), AirWeekdayText(end));
    EXPECT_EQ(editor->txtAirStartHour->Text(), "06");
    EXPECT_FALSE(editor->bEdited());
}

TEST_F(DetailsTest, TheSaveCheckRefusesABadDateOrAStartNotBeforeTheEnd) {
    editor->ClearDetails(2);
    EXPECT_TRUE(editor->AirWindowValid()) << "unticked limits are not checked";
    editor->chkAirStart->SetValue(1);
    editor->chkAirEnd->SetValue(1);
    struct Case {
        const char* start;
        const char* startHour;
        const char* end;
        const char* endHour;
        const char* refusal; // "" accepted
    };
    const Case cases[] = {
        {"31/02/2026", "00", "31 December 2030", "23", "The 'Do not play before' date you have specified is not valid!"},
        {"1 January 2030", "00", "0/0/0", "23", "The 'Do not play after' date you have specified is not valid!"},
        {"31 December 2030", "23", "31 December 2030", "23",
         "The 'Do not play before' date must be earlier than the 'Do not play after' date!"},
        {"1 January 2031", "00", "31 December 2030", "23",
         "The 'Do not play before' date must be earlier than the 'Do not play after' date!"},
        {"31 December 2030", "22", "31 December 2030", "23", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        boxes->Clear();
        editor->txtAirStartDate->SetText(c.start);
        editor->txtAirStartHour->SetText(c.startHour);
        editor->txtAirStartMinutes->SetText("59");
        editor->txtAirEndDate->SetText(c.end);
        editor->txtAirEndHour->SetText(c.endHour);
        editor->txtAirEndMinutes->SetText("59");
        EXPECT_EQ(editor->AirWindowValid(), *c.refusal == 0);
        if (*c.refusal) {
            ASSERT_EQ(boxes->Shown().size(), 1u);
            EXPECT_EQ(boxes->Shown()[0].text, c.refusal);
            EXPECT_EQ(boxes->Shown()[0].icon, platform::MsgIcon::Exclamation);
        } else {
            EXPECT_TRUE(boxes->Shown().empty());
        }
    }
}

TEST_F(DetailsTest, DoNotPlayAfterIsWrittenAsTheCartsEndDateAndTimeAndReadsBack) {
    const std::string path = ToneFile("air.wav", 1);
    OpenForEditing(path);
    editor->chkAirEnd->SetValue(1);
    editor->txtAirEndDate->SetText("31 December 2030");
    editor->txtAirEndHour->SetText("23");
    editor->txtAirEndMinutes->SetText("59");
    ASSERT_TRUE(Save(path));
    SF_INFO info{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_NE(sf, nullptr);
    auto cart = std::make_unique<CartInfo>();
    ASSERT_EQ(sf_command(sf, SFC_GET_CART_INFO, cart.get(), sizeof *cart), SF_TRUE);
    EXPECT_EQ(std::string(cart->end_date, 10), "2030-12-31");
    EXPECT_EQ(std::string(cart->end_time, 8), "23:59:00");
    sf_close(sf);

    rozuzezer::cHardDiskItem back;
    ASSERT_TRUE(back.LoadFromWAVFile(path, 3));
    EXPECT_EQ(back.AirEndDate, Day(2030, 12, 31));
    EXPECT_EQ(back.AirEndTime, 23 * 3600 + 59 * 60);
    editor->bEdited_ = false;
    editor->ClearDetails(2); // a file already open is not opened again
    ASSERT_TRUE(editor->OpenFile(path));
    EXPECT_EQ(editor->chkAirEnd->Value(), 1);
    EXPECT_EQ(editor->txtAirEndDate->Text(), "31 December 2030");
    EXPECT_EQ(editor->txtAirEndHour->Text(), "23");
    EXPECT_EQ(editor->txtAirEndMinutes->Text(), "59");
}
