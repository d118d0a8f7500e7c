// Our chunks against a reader and writer no one here wrote: libsndfile, ffprobe, mediainfo.
#include "rozuzezer/core/cHardDiskItem.h"

#include "platform/base/DateTime.h"
#include "rozuzezer/core/MultimediaAPI.h"
#include "rozuzezer/core/WavFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

using namespace rozuzezer;
using testsupport::HaveTool;
using testsupport::ReadFile;
using testsupport::RunTool;
using testsupport::TempDir;
using testsupport::WriteFile;
namespace fx = wavfixture;

namespace {

// libsndfile takes cart records below 16 KiB.
using CartInfo = SF_CART_INFO_VAR(8192);
using BextInfo = SF_BROADCAST_INFO_VAR(4096);

template <std::size_t N>
std::string Text(const char (&f)[N]) {
    std::size_t n = 0;
    while (n < N && f[n] != '\0') ++n;
    std::string s(f, n);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

template <std::size_t N>
void Put(char (&f)[N], const std::string& s) {
    std::memset(f, 0, N);
    std::memcpy(f, s.data(), std::min(N, s.size()));
}

void FillItem(cHardDiskItem& it) {
    it.ItemTitle = "Interop title";
    it.SetArtistName(1, "Interop artist");
    it.SchedulerReference = "CUT-77";
    it.Client = "Client";
    it.Category = "JINGLE";
    it.OutCue = "fade out";
    it.URL = "http://example.org/";
    it.AirStartDate = platform::DayNumber(platform::DateSerial(2024, 1, 2));
    it.AirStartTime = 3600 + 120 + 3;
    it.AirEndDate = platform::DayNumber(platform::DateSerial(2024, 12, 31));
    it.AirEndTime = 23 * 3600;
    it.ProducerAppName = "Brevant CartChunk Interface";
    it.ProducerAppVersion = "v2.6.0";
    it.Notes = "Some notes";
    it.CopyrightComposer = "Composer";
    it.AudioEnd = 0.9f;
    it.SetIntroEx(1, 0.25f);
    it.SetExtroEx(1, 0.5f);
    it.HookStart = 0.1f;
    it.HookEnd = 0.2f;
    it.SetDescription(1, "A description");
    it.Originator = "Originator";
    it.OriginatorReference = "OREF";
    it.OriginationDate = platform::DayNumber(platform::DateSerial(2023, 5, 6));
    it.OriginationTime = 10 * 3600 + 11 * 60 + 12;
    it.Version = 1;
}

std::string Sample(TempDir& dir) {
    const std::string path = dir / "ours.wav";
    WriteFile(path, fx::Build({{"fmt ", fx::Fmt(2, 44100, 16)},
                               {"LIST", std::string("INFOICMT\x03\0\0\0ab\0\0", 16)},
                               {"data", fx::Audio(44100 * 4)},
                               {"iXML", "<BWFXML/>"}}));
    return path;
}

TEST(WavInteropTest, LibsndfileReadsWhatWeWrite) {
    TempDir dir;
    const std::string path = Sample(dir);
    const std::string audio = fx::Payload(ReadFile(path), "data");
    cHardDiskItem w;
    FillItem(w);
    ASSERT_TRUE(w.SaveToWAVFile(path, 3));

    SF_INFO info{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_NE(sf, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.frames, 44100);
    auto cart = std::make_unique<CartInfo>();
    ASSERT_EQ(sf_command(sf, SFC_GET_CART_INFO, cart.get(), sizeof(CartInfo)), SF_TRUE);
    EXPECT_EQ(Text(cart->title), "Interop title");
    EXPECT_EQ(Text(cart->artist), "Interop artist");
    EXPECT_EQ(Text(cart->cut_id), "CUT-77");
    EXPECT_EQ(Text(cart->client_id), "Client");
    EXPECT_EQ(Text(cart->category), "JINGLE");
    EXPECT_EQ(Text(cart->out_cue), "fade out");
    EXPECT_EQ(std::string(cart->start_date, 10), "2024-01-02");
    EXPECT_EQ(std::string(cart->start_time, 8), "01:02:03");
    EXPECT_EQ(std::string(cart->end_date, 10), "2024-12-31");
    EXPECT_EQ(std::string(cart->end_time, 8), "23:00:00");
    EXPECT_EQ(Text(cart->producer_app_id), "Brevant CartChunk Interface");
    EXPECT_EQ(Text(cart->producer_app_version), "v2.6.0");
    EXPECT_EQ(Text(cart->url), "http://example.org/");
    EXPECT_EQ(std::string(cart->post_timers[0].usage, 4), "INT1");
    EXPECT_EQ(cart->post_timers[0].value, 11025);
    EXPECT_EQ(std::string(cart->post_timers[1].usage, 4), "SEG1");
    EXPECT_EQ(cart->post_timers[1].value, 22050);
    EXPECT_EQ(std::string(cart->post_timers[2].usage, 4), "MRK1");
    EXPECT_EQ(std::string(cart->post_timers[3].usage, 4), "MRK2");
    EXPECT_EQ(cart->post_timers[3].value, 8820);
    const std::string tags(cart->tag_text, std::min<std::size_t>(cart->tag_text_size, sizeof cart->tag_text));
    EXPECT_NE(tags.find("<NOTES>Some notes</NOTES>"), std::string::npos) << tags;
    EXPECT_NE(tags.find("<COMPOSER>Composer</COMPOSER>"), std::string::npos);

    auto bext = std::make_unique<BextInfo>();
    ASSERT_EQ(sf_command(sf, SFC_GET_BROADCAST_INFO, bext.get(), sizeof(BextInfo)), SF_TRUE);
    EXPECT_EQ(Text(bext->description), "A description");
    EXPECT_EQ(Text(bext->originator), "Originator");
    EXPECT_EQ(Text(bext->originator_reference), "OREF");
    EXPECT_EQ(std::string(bext->origination_date, 10), "2023-05-06");
    EXPECT_EQ(std::string(bext->origination_time, 8), "10:11:12");
    EXPECT_EQ(bext->version, 1);

    std::vector<short> pcm(44100 * 2);
    EXPECT_EQ(sf_readf_short(sf, pcm.data(), 44100), 44100);
    EXPECT_EQ(std::memcmp(pcm.data(), audio.data(), audio.size()), 0);
    sf_close(sf);
}

TEST(WavInteropTest, WeReadWhatLibsndfileWrites) {
    TempDir dir;
    const std::string path = dir / "theirs.wav";
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    SNDFILE* sf = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(sf, nullptr) << sf_strerror(nullptr);
    auto cart = std::make_unique<CartInfo>();
    std::memset(cart.get(), 0, sizeof(CartInfo));
    Put(cart->version, "0101");
    Put(cart->title, "Their title");
    Put(cart->artist, "Their artist");
    Put(cart->cut_id, "C9");
    Put(cart->client_id, "Their client");
    Put(cart->category, "NEWS");
    Put(cart->out_cue, "and now");
    Put(cart->start_date, "2022-02-03");
    Put(cart->start_time, "04:05:06");
    Put(cart->end_date, "2023-03-04");
    Put(cart->end_time, "07:08:09");
    Put(cart->producer_app_id, "Brevant test");
    Put(cart->producer_app_version, "1.0");
    Put(cart->url, "http://their.example/");
    for (auto& t : cart->post_timers) {
        Put(t.usage, "");
        t.value = -1;
    }
    Put(cart->post_timers[0].usage, "INT2");
    cart->post_timers[0].value = 48000 * 2;
    Put(cart->post_timers[1].usage, "MRK2");
    cart->post_timers[1].value = 48000;
    const std::string tags = "<NOTES>Their notes</NOTES><ENDING>Fades</ENDING>";
    std::memcpy(cart->tag_text, tags.data(), tags.size());
    cart->tag_text_size = static_cast<uint32_t>(tags.size());
    ASSERT_EQ(sf_command(sf, SFC_SET_CART_INFO, cart.get(), sizeof(CartInfo)), SF_TRUE);
    auto bext = std::make_unique<BextInfo>();
    std::memset(bext.get(), 0, sizeof(BextInfo));
    Put(bext->description, "Their description");
    Put(bext->originator, "Their originator");
    Put(bext->originator_reference, "TREF");
    Put(bext->origination_date, "2021-11-12");
    Put(bext->origination_time, "13:14:15");
    bext->version = 2;
    bext->loudness_value = -2300;
    const std::string history = "A=PCM,F=48000,W=24,M=mono\r\n";
    std::memcpy(bext->coding_history, history.data(), history.size());
    bext->coding_history_size = static_cast<uint32_t>(history.size());
    ASSERT_EQ(sf_command(sf, SFC_SET_BROADCAST_INFO, bext.get(), sizeof(BextInfo)), SF_TRUE);
    std::vector<int> pcm(48001, 1 << 20);
    ASSERT_EQ(sf_writef_int(sf, pcm.data(), 48001), 48001); // odd data size
    sf_close(sf);
    const std::string original = ReadFile(path);
    const std::string audio = fx::Payload(original, "data");

    cHardDiskItem r;
    ASSERT_TRUE(r.LoadFromWAVFile(path, 3));
    EXPECT_EQ(r.ItemTitle, "Their title");
    EXPECT_EQ(r.ArtistName(1), "Their artist");
    EXPECT_EQ(r.SchedulerReference, "C9");
    EXPECT_EQ(r.Client, "Their client");
    EXPECT_EQ(r.Category, "NEWS");
    EXPECT_EQ(r.OutCue, "and now");
    EXPECT_EQ(r.AirStartDate, platform::DayNumber(platform::DateSerial(2022, 2, 3)));
    EXPECT_EQ(r.AirStartTime, 4 * 3600 + 5 * 60 + 6);
    EXPECT_EQ(r.AirEndDate, platform::DayNumber(platform::DateSerial(2023, 3, 4)));
    EXPECT_EQ(r.AirEndTime, 7 * 3600 + 8 * 60 + 9);
    EXPECT_EQ(r.ProducerAppName, "Brevant test");
    EXPECT_EQ(r.ProducerAppVersion, "1.0");
    EXPECT_EQ(r.URL, "http://their.example/");
    EXPECT_FLOAT_EQ(r.IntroEx(2), 2.0f);
    EXPECT_FLOAT_EQ(r.HookEnd, 1.0f);
    EXPECT_EQ(r.Notes, "Their notes");
    EXPECT_EQ(r.EndType, cheFades);
    EXPECT_EQ(r.Description(1), "Their description");
    EXPECT_EQ(r.Originator, "Their originator");
    EXPECT_EQ(r.OriginatorReference, "TREF");
    EXPECT_EQ(r.OriginationDate, platform::DayNumber(platform::DateSerial(2021, 11, 12)));
    EXPECT_EQ(r.OriginationTime, 13 * 3600 + 14 * 60 + 15);
    EXPECT_EQ(r.Version, 2);
    EXPECT_EQ(r.CodingHistory.substr(0, history.size()), history);
    EXPECT_NEAR(r.TotalLength, 48001.0 / 48000.0, 1e-6);

    // Saving into their file: in place, audio and coding history untouched, and libsndfile
    // still reads both chunks and the loudness it wrote.
    r.Notes = "Ours";
    r.ItemTitle = "Changed";
    ASSERT_TRUE(r.SaveToWAVFile(path, 3));
    const std::string saved = ReadFile(path);
    EXPECT_EQ(fx::Payload(saved, "data"), audio);
    EXPECT_EQ(saved.size(), original.size());
    SF_INFO again{};
    sf = sf_open(path.c_str(), SFM_READ, &again);
    ASSERT_NE(sf, nullptr);
    ASSERT_EQ(sf_command(sf, SFC_GET_CART_INFO, cart.get(), sizeof(CartInfo)), SF_TRUE);
    EXPECT_EQ(Text(cart->title), "Changed");
    const std::string back(cart->tag_text, std::min<std::size_t>(cart->tag_text_size, sizeof cart->tag_text));
    EXPECT_NE(back.find("<NOTES>Ours</NOTES>"), std::string::npos) << back;
    EXPECT_EQ(back.find("Their notes"), std::string::npos);
    ASSERT_EQ(sf_command(sf, SFC_GET_BROADCAST_INFO, bext.get(), sizeof(BextInfo)), SF_TRUE);
    EXPECT_EQ(Text(bext->description), "Their description");
    EXPECT_EQ(bext->loudness_value, -2300);
    const std::string hist(bext->coding_history, bext->coding_history_size);
    EXPECT_EQ(hist.substr(0, history.size()), history);
    sf_close(sf);
}

TEST(WavInteropTest, FfprobeShowsOurBext) {
    if (!HaveTool("ffprobe")) GTEST_SKIP() << "ffprobe not installed";
    TempDir dir;
    const std::string path = Sample(dir);
    cHardDiskItem w;
    FillItem(w);
    ASSERT_TRUE(w.SaveToWAVFile(path, 3));
    const std::string out = RunTool("ffprobe -v error -show_entries format_tags -of default=nw=1 '" + path + "'");
    // FFmpeg's names for the bext fields.
    EXPECT_NE(out.find("TAG:comment=A description"), std::string::npos) << out;
    EXPECT_NE(out.find("TAG:encoded_by=Originator"), std::string::npos) << out;
    EXPECT_NE(out.find("TAG:originator_reference=OREF"), std::string::npos) << out;
    EXPECT_NE(out.find("TAG:date=2023-05-06"), std::string::npos) << out;
    EXPECT_NE(out.find("TAG:creation_time=10:11:12"), std::string::npos) << out;
}

TEST(WavInteropTest, MediainfoShowsOurBext) {
    if (!HaveTool("mediainfo")) GTEST_SKIP() << "mediainfo not installed";
    TempDir dir;
    const std::string path = Sample(dir);
    cHardDiskItem w;
    FillItem(w);
    ASSERT_TRUE(w.SaveToWAVFile(path, 3));
    const std::string out = RunTool("mediainfo '" + path + "'");
    EXPECT_NE(out.find("A description"), std::string::npos) << out;
    EXPECT_NE(out.find("Originator"), std::string::npos) << out;
    EXPECT_NE(out.find("OREF"), std::string::npos) << out;
    EXPECT_NE(out.find("2023-05-06"), std::string::npos) << out;
}

} // namespace
