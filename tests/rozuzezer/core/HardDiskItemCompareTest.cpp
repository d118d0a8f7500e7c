#include "rozuzezer/core/cHardDiskItem.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace rozuzezer;

TEST(HardDiskItemCompare, SameRecords) {
    cHardDiskItem a, b;
    EXPECT_TRUE(a.IsSame(a, true));
    EXPECT_TRUE(a.IsSame(a, false));
    EXPECT_TRUE(a.IsSame(b, true));
}

// Each change is applied to one of two equal records; `same` is the expected result.
struct Change {
    const char* what;
    std::function<void(cHardDiskItem&)> apply;
    bool same;
};

TEST(HardDiskItemCompare, FieldByField) {
    const Change changes[] = {
        {"title case", [](auto& i) { i.ItemTitle = "Song"; }, false},
        {"reference", [](auto& i) { i.Reference = "R1"; }, false},
        {"scheduler ref", [](auto& i) { i.SchedulerReference = "S"; }, false},
        {"full info 1 vs 0", [](auto& i) { i.FullInfo = 1; }, false},
        {"artist 3", [](auto& i) { i.SetArtistName(3, "x"); }, false},
        {"description 4", [](auto& i) { i.SetDescription(4, "x"); }, false},
        {"notes rtf", [](auto& i) { i.NotesRTF = "{\\rtf1}"; }, false},
        {"copyright code", [](auto& i) { i.CopyrightCode = "c"; }, false},
        {"music duration", [](auto& i) { i.CopyrightMusicDuration = 1; }, false},
        {"air end time", [](auto& i) { i.AirEndTime = 1; }, false},
        {"origination date", [](auto& i) { i.OriginationDate = 1; }, false},
        {"producer version", [](auto& i) { i.ProducerAppVersion = "2"; }, false},
        {"file name", [](auto& i) { i.AudioFileName = "a.wav"; }, false},
        {"picture count", [](auto& i) { i.PictureCount = 1; }, false},
        {"rate", [](auto& i) { i.SetAudioKHZ(44100); }, false},
        {"bits", [](auto& i) { i.SetAudioBitRate(16); }, false},
        {"bytes per second only", [](auto& i) { i.SetWaveFormat({0, 0, 0, 176400, 0, 0, 0}); }, true},
        {"block align only", [](auto& i) { i.SetWaveFormat({0, 0, 0, 0, 4, 0, 7}); }, true},
        {"coding history", [](auto& i) { i.CodingHistory = "A=PCM"; }, false},
        {"version", [](auto& i) { i.Version = 2; }, false},
        {"total length", [](auto& i) { i.TotalLength = 3; }, false},
        {"extro 3", [](auto& i) { i.SetExtroEx(3, 1); }, false},
        {"audio start 2", [](auto& i) { i.SetAudioStartEx(2, 1); }, false},
        {"outro 1", [](auto& i) { i.SetOutro(1); }, false},
        {"audio end", [](auto& i) { i.AudioEnd = 5; }, false},
        {"intro end", [](auto& i) { i.SetIntroEnd(5); }, false},
        {"intro point 2", [](auto& i) { i.SetIntroEx(2, 5); }, true},
        {"hook start by one ulp", [](auto& i) { i.HookStart = std::nextafter(1.5f, 2.0f); }, false},
        {"loop end", [](auto& i) { i.LoopEnd = 3; }, false},
        {"loop count", [](auto& i) { i.LoopNumberLoops = 3; }, false},
        {"loop to end", [](auto& i) { i.LoopPlayToEnd = vbTrue; }, false},
        {"hook end line", [](auto& i) { i.HookEndHW = 2; }, false},
        {"text colour", [](auto& i) { i.TextColour = 0; }, false},
        {"file length", [](auto& i) { i.AudioFileLength = 99; }, true},
        {"change count", [](auto& i) { i.ChangeCount = 5; }, true},
    };
    for (const auto& c : changes) {
        cHardDiskItem a, b;
        a.HookStart = b.HookStart = 1.5f;
        c.apply(b);
        EXPECT_EQ(a.IsSame(b, true), c.same) << c.what;
        EXPECT_EQ(b.IsSame(a, false), c.same) << c.what;
    }
}

TEST(HardDiskItemCompare, LastPlaysCountOnlyWhenAsked) {
    cHardDiskItem a, b;
    b.SetLastPlay(3, 45000.5);
    EXPECT_TRUE(a.IsSame(b, false));
    EXPECT_FALSE(a.IsSame(b, true));
    cHardDiskItem c;
    c.SetLastPlayLocation(5, 2);
    EXPECT_TRUE(a.IsSame(c, false));
    EXPECT_FALSE(a.IsSame(c, true));
}
