#include "platform/base/Error.h"
#include "rozuzezer/core/cHardDiskItem.h"
#include "shared/helpers/Utility.h"

#include <gtest/gtest.h>

using namespace rozuzezer;
using helpers::ItemList;

namespace {

std::string Value(const std::string& text, const char* key) {
    return ItemList::Lookup(text, key, "=", true, " ");
}

// A record with every field of the text form set to something that is not its default.
void Fill(cHardDiskItem& i) {
    i.Reference = "REF 1";
    i.ItemType = hitAdvert;
    i.AudioFileName = "/audio/My Song \"live\".wav";
    i.AudioFileLength = 1234567;
    i.ItemTitle = "Title = \"quoted\" | piped";
    i.OtherInformation = "line one\r\nline two";
    for (std::int16_t k = 1; k <= 3; ++k) i.SetArtistName(k, "Artist " + std::to_string(k));
    for (std::int16_t k = 1; k <= 5; ++k) {
        i.SetLastPlay(k, 45000.25 + k);
        i.SetLastPlayLocation(k, static_cast<std::int16_t>(-k));
    }
    for (std::int16_t k = 1; k <= 4; ++k) i.SetDescription(k, "D\xC3\xA9sc " + std::to_string(k));
    i.Year = 1999;
    i.Notes = "notes\twith tab";
    i.NotesRTF = "{\\rtf1\\ansi x}";
    i.NotesFileName = "/notes/with blank.rtf";
    i.URL = "http://brevant.example/a?b=c d";
    i.WebNotes = "web";
    i.DABNotes = "dab";
    i.DABNotesRTF = "{\\rtf1 dab}";
    i.ArtistURL = "http://brevant.example/artist";
    i.OnlineStoreReference = "store";
    i.EndType = cheSlowFade;
    i.CopyrightProductTitle = "pt";
    i.CopyrightMusicTitle = "mt";
    i.CopyrightRecordLabel = "rl";
    i.CopyrightRecordNumber = "rn";
    i.CopyrightComposer = "co";
    i.CopyrightPerformer = "pe";
    i.CopyrightPublisher = "pu";
    i.CopyrightCode = "cc";
    i.RightsManagementReference = "rm";
    i.CopyrightTotalDuration = 180.5f;
    i.CopyrightMusicDuration = 170.25f;
    i.CreatedDate = 45001;
    i.CreatedTime = 3600.5f;
    i.AirStartDate = 45002;
    i.AirStartTime = 7200;
    i.AirEndDate = 45003;
    i.AirEndTime = 86399;
    i.PictureCount = 3;
    i.Category = "MUS|POP";
    i.CodingHistory = "A=PCM,F=44100";
    i.Client = "client";
    i.OutCue = "...and fade";
    i.Version = 7;
    i.SchedulerReference = "sched";
    i.Originator = "orig";
    i.OriginatorReference = "oref";
    i.OriginationDate = 45004;
    i.OriginationTime = 60;
    i.ProducerAppName = "LumoEdit";
    i.ProducerAppVersion = "2.6";
    for (std::int16_t k = 1; k <= 3; ++k) {
        i.SetAudioStartEx(k, 0.5f * k);
        i.SetIntroEx(k, 1.5f * k);
        i.SetExtroEx(k, 100.25f + k);
        i.SetOutroEx(k, 150.125f + k);
    }
    i.AudioEnd = 200.5f;
    i.TotalLength = 201;
    i.HookStart = 12.5f;
    i.HookEnd = 20;
    i.LoopStart = 30;
    i.LoopEnd = 40;
    i.LoopNumberLoops = 4;
    i.LoopPlayToEnd = vbTrue;
    i.IntroStartHW = 1;
    i.IntroEndHW = 2;
    i.ExtroHW = 3;
    i.HookStartHW = 4;
    i.HookEndHW = 5;
    i.BackColour = 0x00FF00;
    i.TextColour = 0x0000FF;
}

} // namespace

TEST(HardDiskItemText, NewRecordWritesFourItems) {
    cHardDiskItem i;
    EXPECT_EQ(i.Serialisation(),
              "Reference=\"\" ItemType=0 BackColour=-2147483633 TextColour=-2147483630");
}

TEST(HardDiskItemText, EveryFieldRoundTrips) {
    cHardDiskItem a;
    Fill(a);
    std::string text = a.Serialisation();
    EXPECT_EQ(text.find('\n'), std::string::npos);
    cHardDiskItem b;
    b.ChangeCount = 9;
    b.SetSerialisation(text);
    EXPECT_TRUE(a.IsSame(b, true)) << text;
    EXPECT_EQ(b.AudioFileLength, a.AudioFileLength);
    EXPECT_EQ(b.AudioFileName, a.AudioFileName);
    EXPECT_EQ(b.NotesFileName, a.NotesFileName);
    EXPECT_EQ(b.IntroEx(2), a.IntroEx(2));
    EXPECT_EQ(b.ChangeCount, 9);
    EXPECT_EQ(b.Serialisation(), text);
}

TEST(HardDiskItemText, KeysAndForms) {
    cHardDiskItem i;
    Fill(i);
    std::string t = i.Serialisation();
    EXPECT_EQ(Value(t, "StudioNotes"), i.Notes);
    EXPECT_EQ(Value(t, "ItemURL"), i.URL);
    EXPECT_EQ(Value(t, "HookStart"), "12.5");
    EXPECT_EQ(Value(t, "LoopPlayToEnd"), "1");
    EXPECT_EQ(Value(t, "LastPlay1"), "45001.25");
    EXPECT_EQ(Value(t, "IntroEx3"), "4.5");
    EXPECT_EQ(Value(t, "LastPlayLocation2"), "-2");
    // Written in the table's order.
    EXPECT_LT(t.find("ItemTitle="), t.find("ArtistName1="));
    EXPECT_LT(t.find("LastPlay1="), t.find("LastPlayLocation1="));
    EXPECT_LT(t.find("LastPlayLocation1="), t.find("LastPlay2="));
    EXPECT_LT(t.find("ProducerAppVersion="), t.find("AudioStartEx1="));
    EXPECT_LT(t.find("OutroEx3="), t.find("AudioEnd="));
    EXPECT_EQ(t.find("ChangeCount"), std::string::npos);
    EXPECT_EQ(t.find("FullInfo"), std::string::npos);
}

TEST(HardDiskItemText, NoLoopIsLeftOutAndReadsBackAsZero) {
    cHardDiskItem i;
    std::string t = i.Serialisation();
    EXPECT_EQ(t.find("LoopStart"), std::string::npos);
    cHardDiskItem j;
    j.SetSerialisation(t);
    EXPECT_EQ(j.LoopStart, 0);
    EXPECT_EQ(j.LoopEnd, 0);
}

TEST(HardDiskItemText, ReadingOverwritesEveryRowButNotTheRest) {
    cHardDiskItem i;
    Fill(i);
    i.FullInfo = vbTrue;
    i.ChangeCount = 12;
    i.SetSerialisation("Year=1999");
    EXPECT_EQ(i.Year, 1999);
    EXPECT_EQ(i.ItemTitle, "");
    EXPECT_EQ(i.ArtistName(2), "");
    EXPECT_EQ(i.LastPlay(1), 0);
    EXPECT_EQ(i.BackColour, 0);
    EXPECT_EQ(i.HookStart, 0);
    EXPECT_EQ(i.LoopPlayToEnd, vbFalse);
    EXPECT_EQ(i.ChangeCount, 12);
    EXPECT_EQ(i.FullInfo, vbTrue);
    EXPECT_EQ(i.AudioKHZ(), 0); // the format is not part of the text and was never set
}

TEST(HardDiskItemText, NumericReading) {
    const std::tuple<const char*, std::int32_t> cases[] = {
        {"LoopNumberLoops=2.5", 2}, {"LoopNumberLoops=3.5", 4}, {"LoopNumberLoops=-1.5", -2},
        {"LoopNumberLoops=abc", 0}, {"LoopNumberLoops=12abc", 12}, {"LoopNumberLoops=&H10", 16},
        {"LoopNumberLoops= 1 2", 0}, // a blank after the sign ends the item
        {"LoopNumberLoops=\"1 2\"", 12},
    };
    for (auto [text, want] : cases) {
        cHardDiskItem i;
        i.SetSerialisation(text);
        EXPECT_EQ(i.LoopNumberLoops, want) << text;
    }
    cHardDiskItem i;
    i.SetSerialisation("BackColour=&H8000000F LoopPlayToEnd=-1 HookStart=1e1");
    EXPECT_EQ(i.BackColour, static_cast<std::int32_t>(0x8000000F));
    EXPECT_EQ(i.LoopPlayToEnd, vbTrue);
    EXPECT_EQ(i.HookStart, 10);
}

TEST(HardDiskItemText, OverflowStopsAtTheFailingRow) {
    const std::tuple<const char*, const char*> cases[] = {
        {"ItemTitle=\"new\" Year=40000 Category=\"new\"", "Year"},
        {"ItemTitle=\"new\" BackColour=2147483648 Category=\"new\"", "BackColour"},
        {"ItemTitle=\"new\" LastPlay1=1e300 Category=\"new\"", "LastPlay1"},
        {"ItemTitle=\"new\" HookStart=1e39 Category=\"new\"", "HookStart"},
        {"ItemTitle=\"new\" Version=1e999 Category=\"new\"", "Version"},
    };
    for (auto [text, field] : cases) {
        cHardDiskItem i;
    Fill(i);
        try {
            i.SetSerialisation(text);
            FAIL() << text;
        } catch (const platform::RuntimeError& e) {
            EXPECT_EQ(e.Number(), platform::err::Overflow) << field;
        }
        EXPECT_EQ(i.ItemTitle, "new") << field;           // before the failing row
        EXPECT_EQ(i.TextColour, 0x0000FF) << field;       // after it: unchanged
    }
}
