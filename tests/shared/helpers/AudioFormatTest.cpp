#include "shared/helpers/AudioFormat.h"

#include <gtest/gtest.h>

using helpers::cAudioFormat;
using platform::component::MakeRef;

TEST(AudioFormatTest, NewObjectIsCdQualityPcm) {
    auto f = MakeRef<cAudioFormat>();
    EXPECT_EQ(f->FormatTag(), 1);
    EXPECT_EQ(f->Channels(), 2);
    EXPECT_EQ(f->SamplesPerSec(), 44100u);
    EXPECT_EQ(f->AvgBytesPerSec(), 176400u);
    EXPECT_EQ(f->BlockAlign(), 4);
    EXPECT_EQ(f->FormatFamily(), 2);
    EXPECT_EQ(f->AnyFormat(), "");
    EXPECT_EQ(f->Description(), "PCM, 44,100 Hz, 16 Bit, Stereo");
}

TEST(AudioFormatTest, FamiliesDescriptionsAndTheAnyMark) {
    cAudioFormat f;
    f.SetPCM(22050, 1, 8);
    EXPECT_EQ(f.AvgBytesPerSec(), 22050u);
    EXPECT_EQ(f.BlockAlign(), 1);
    EXPECT_EQ(f.Description(), "PCM, 22,050 Hz, 8 Bit, Mono");

    const struct {
        std::int32_t family;
        std::uint16_t tag;
        const char* name;
    } families[] = {
        {4, 0x55, "MPEG Layer 3"},
        {8, 0x674F, "Ogg Vorbis"},
        {16, 0x161, "Windows Media Audio"},
        {32, 0x50, "MPEG Layer 2"},
    };
    for (const auto& c : families) {
        cAudioFormat g;
        g.SetFormatFamily(c.family);
        g.SetBitRate(128000);
        EXPECT_EQ(g.FormatTag(), c.tag);
        EXPECT_EQ(g.AvgBytesPerSec(), 16000u);
        EXPECT_EQ(cAudioFormat::FamilyOfTag(c.tag), c.family);
        EXPECT_EQ(g.Description(), std::string(c.name) + ", 128 kBit/s, 44,100 Hz, Stereo");
        g.SetAnyFormat("ANY");
        EXPECT_EQ(g.Description(), std::string("Any ") + c.name + " format");
    }
    // Back to the WAV family: a linear format again.
    cAudioFormat h;
    h.SetFormatFamily(4);
    h.SetFormatFamily(2);
    EXPECT_EQ(h.FormatTag(), 1);
    EXPECT_EQ(h.AvgBytesPerSec(), 176400u);
    // A WAV tag stays when the family is set again.
    h.SetFormatTag(0x11);
    h.SetFormatFamily(2);
    EXPECT_EQ(h.FormatTag(), 0x11);
}

TEST(AudioFormatTest, StoredFormRoundTripsEveryField) {
    cAudioFormat f;
    f.SetFormatFamily(16);
    f.SetChannels(1);
    f.SetSamplesPerSec(32000);
    f.SetBitRate(64040);
    f.SetBlockAlign(2973);
    f.SetBitsPerSample(0);
    f.SetWindowsMediaFormat(-17);
    f.SetAnyFormat("ANY");
    const std::string text = f.FormatText();
    EXPECT_EQ(text, "Family=16 Tag=353 Channels=1 Rate=32000 AvgBytes=8005 Align=2973 Bits=0 BitRate=64040 WMA=-17");

    cAudioFormat g;
    ASSERT_TRUE(g.SetFormatText(text));
    EXPECT_TRUE(g.SameFormat(f));
    EXPECT_EQ(g.AnyFormat(), ""); // the mark is not part of the stored form
    EXPECT_EQ(g.FormatText(), text);
}

TEST(AudioFormatTest, UnreadableStoredFormsChangeNothing) {
    cAudioFormat f;
    f.SetPCM(48000, 2, 24);
    const std::string before = f.FormatText();
    for (const char* bad : {"", "garbage", "Rate=fast", "Channels=70000", "Tag=-1", "Rate=1e9",
                            "\"Rate=8000\"", "Family"}) {
        EXPECT_FALSE(f.SetFormatText(bad)) << bad;
        EXPECT_EQ(f.FormatText(), before) << bad;
    }
    // Known items are taken, unknown ones ignored, missing ones kept.
    EXPECT_TRUE(f.SetFormatText("Rate=8000 Colour=blue"));
    EXPECT_EQ(f.SamplesPerSec(), 8000u);
    EXPECT_EQ(f.BitsPerSample(), 24);
}

TEST(AudioFormatTest, CloneIsACopyOfItsOwn) {
    auto f = MakeRef<cAudioFormat>();
    f->SetPCM(8000, 1, 16);
    f->SetAnyFormat("ANY");
    auto copy = f->Clone();
    EXPECT_TRUE(copy->SameFormat(*f));
    EXPECT_EQ(copy->AnyFormat(), "ANY");
    copy->SetSamplesPerSec(11025);
    EXPECT_EQ(f->SamplesPerSec(), 8000u);
    EXPECT_NE(copy.get(), f.get());
}

TEST(AudioFormatTest, AWindowsMediaFormatCarriesItsBitRateToTheSave) {
    // As the chooser builds its answer: the family, then the bit rate picked in the list.
    cAudioFormat chosen;
    chosen.SetWindowsMediaFormat(128000); // what an earlier choice left
    chosen.SetFormatFamily(cAudioFormat::afWindowsMedia);
    chosen.SetBitRate(64000);
    EXPECT_EQ(chosen.WindowsMediaFormat(), 64000);
    // A stored form written before the format value was kept gives its bit rate.
    cAudioFormat stored;
    ASSERT_TRUE(stored.SetFormatText("Family=16 Tag=353 Channels=2 Rate=44100 AvgBytes=12000 Align=1 Bits=0 BitRate=96000 WMA=0"));
    EXPECT_EQ(stored.WindowsMediaFormat(), 96000);
    // Other families keep their own value.
    cAudioFormat mp3;
    mp3.SetFormatFamily(cAudioFormat::afMPEG3);
    mp3.SetBitRate(192000);
    EXPECT_EQ(mp3.WindowsMediaFormat(), 0);
}
