#include "platform/base/Error.h"
#include "rozuzezer/core/cHardDiskItem.h"

#include <gtest/gtest.h>

using namespace rozuzezer;

TEST(HardDiskItem, NewRecordDefaults) {
    cHardDiskItem i;
    EXPECT_EQ(i.AudioLength(), 0);
    EXPECT_EQ(i.IntroLength(), 0);
    EXPECT_EQ(i.HookLength(), 0);
    EXPECT_EQ(i.LoopStart, -1);
    EXPECT_EQ(i.LoopEnd, -1);
    EXPECT_EQ(i.FullDescription(), "");
    EXPECT_EQ(i.EndTypeDescription(false), "");
    EXPECT_EQ(i.BackColour, static_cast<std::int32_t>(0x8000000F));
    EXPECT_EQ(i.TextColour, static_cast<std::int32_t>(0x80000012));
    EXPECT_EQ(i.ItemType, 0);
    EXPECT_EQ(i.WaveFormat(), WaveFormatRecord{});
}

TEST(HardDiskItem, IndexesOutsideTheArraysAreIgnored) {
    cHardDiskItem i;
    for (std::int16_t bad : {0, 4, -1, 32767}) {
        i.SetArtistName(bad, "x");
        EXPECT_EQ(i.ArtistName(bad), "");
    }
    i.SetDescription(5, "x");
    EXPECT_EQ(i.Description(5), "");
    EXPECT_EQ(i.Description(0), "");
    i.SetLastPlay(6, 45000);
    EXPECT_EQ(i.LastPlay(6), 0);
    i.SetLastPlayLocation(0, 3);
    EXPECT_EQ(i.LastPlayLocation(0), 0);
    i.SetIntroEx(4, 1);
    EXPECT_EQ(i.IntroEx(4), 0);
    for (std::int16_t k = 1; k <= 3; ++k) EXPECT_EQ(i.ArtistName(k), "");
    i.SetDescription(4, "four");
    EXPECT_EQ(i.Description(4), "four");
    i.SetLastPlay(5, 45000.5);
    EXPECT_EQ(i.LastPlay(5), 45000.5);
}

TEST(HardDiskItem, PlainMarkersShareTheIndexedStorage) {
    cHardDiskItem i;
    i.SetExtro(12.5f);
    EXPECT_EQ(i.ExtroEx(1), 12.5f);
    i.SetIntroEx(3, 4);
    EXPECT_EQ(i.IntroEnd(), 4);
    i.SetIntroEx(2, 9);
    EXPECT_EQ(i.IntroStart(), 0);
    EXPECT_EQ(i.IntroEnd(), 4);
    i.SetIntroStart(1);
    EXPECT_EQ(i.IntroEx(2), 9);
    EXPECT_EQ(i.IntroLength(), 3);
    i.SetAudioStartEx(1, 2);
    EXPECT_EQ(i.AudioStart(), 2);
    i.SetOutro(7);
    EXPECT_EQ(i.OutroEx(1), 7);
    i.HookStart = 10;
    i.HookEnd = 8;
    EXPECT_EQ(i.HookLength(), -2);
    i.AudioEnd = 1;
    EXPECT_EQ(i.AudioLength(), -1); // against AudioStart 2, not clamped
}

TEST(HardDiskItem, FullDescriptionJoinsTheNonEmptyParts) {
    cHardDiskItem i;
    i.ItemTitle = "  Title  ";
    i.SetArtistName(2, "Artist");
    i.SetDescription(4, "Desc");
    i.SetDescription(1, "   ");
    EXPECT_EQ(i.FullDescription(), "Title Artist Desc");
    i.SetArtistName(1, "a  b");
    EXPECT_EQ(i.FullDescription(), "Title a  b Artist Desc");
}

TEST(HardDiskItem, EndTypeTexts) {
    const std::tuple<std::int32_t, const char*, const char*> cases[] = {
        {cheEnd, "Ends", "E"}, {cheFades, "Fades", "F"}, {cheSustain, "Sustain", "S"},
        {cheSlowFade, "Slow fade", "SF"}, {0, "", ""}, {3, "", ""}, {-1, "", ""}};
    cHardDiskItem i;
    for (auto [type, longText, shortText] : cases) {
        i.EndType = type;
        EXPECT_EQ(i.EndTypeDescription(false), longText);
        EXPECT_EQ(i.EndTypeDescription(true), shortText);
    }
}

TEST(HardDiskItem, Counters) {
    cHardDiskItem i;
    i.Version = 32000;
    EXPECT_TRUE(i.IncrementVersion());
    EXPECT_EQ(i.Version, 32001);
    EXPECT_FALSE(i.IncrementVersion());
    EXPECT_EQ(i.Version, 32001);
    i.Version = -5;
    EXPECT_TRUE(i.IncrementVersion());
    EXPECT_EQ(i.Version, -4);

    i.ChangeCount = 30;
    i.IncrementChangeCount();
    EXPECT_EQ(i.ChangeCount, 31);
    i.IncrementChangeCount();
    EXPECT_EQ(i.ChangeCount, 33);
    i.IncrementChangeCount();
    EXPECT_EQ(i.ChangeCount, 34);
    i.ChangeCount = 32;
    i.IncrementChangeCount();
    EXPECT_EQ(i.ChangeCount, 33);
    i.ChangeCount = 32767;
    try {
        i.IncrementChangeCount();
        FAIL();
    } catch (const platform::RuntimeError& e) {
        EXPECT_EQ(e.Number(), platform::err::Overflow);
    }
    EXPECT_EQ(i.ChangeCount, 32767);
}

TEST(HardDiskItem, FormatSettersTouchOnlyTheirField) {
    cHardDiskItem i;
    i.SetWaveFormat({1, 2, 22050, 88200, 4, 16, 0});
    i.SetAudioKHZ(44100);
    EXPECT_EQ(i.WaveFormat().nAvgBytesPerSec, 88200u);
    EXPECT_EQ(i.AudioKHZ(), 44100);
    i.SetAudioChannels(1);
    i.SetAudioBitRate(8);
    i.SetAudioFormat(2);
    WaveFormatRecord f = i.WaveFormat();
    EXPECT_EQ(f.nChannels, 1);
    EXPECT_EQ(f.wBitsPerSample, 8);
    EXPECT_EQ(f.wFormatTag, 2);
    EXPECT_EQ(f.nBlockAlign, 4);
}

TEST(HardDiskItem, DateRecordsCopyBothParts) {
    cHardDiskItem i;
    i.SetAirStartSDate({45000, 3600.5f});
    EXPECT_EQ(i.AirStartDate, 45000);
    EXPECT_EQ(i.AirStartTime, 3600.5f);
    i.AirEndDate = 45010;
    i.AirEndTime = 60;
    EXPECT_EQ(i.AirEndSDate(), (SDateRecord{45010, 60}));
    i.SetOriginationSDate({1, 2});
    EXPECT_EQ(i.OriginationDate, 1);
    EXPECT_EQ(i.OriginationTime, 2);
}
