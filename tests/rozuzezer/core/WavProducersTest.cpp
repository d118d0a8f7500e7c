// Files that other playout producers wrote (through libsndfile): what they stored survives
// our save, and what the user set on them reads back.
#include "rozuzezer/core/cHardDiskItem.h"

#include "rozuzezer/core/WavFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <array>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace rozuzezer;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
namespace fx = wavfixture;

namespace {

using CartInfo = SF_CART_INFO_VAR(8192);
using BextInfo = SF_BROADCAST_INFO_VAR(4096);
constexpr int kRate = 48000;

struct Timer {
    std::string usage; // four characters
    std::int32_t value;
};

// What another producer puts into its cart and bext chunks.
struct Theirs {
    std::string producer = "OtherPlayout";
    std::string version = "5.1";
    std::string userDef = "Rotation=B Colour=12";
    std::int32_t level = 0x5A5A;
    std::vector<Timer> timers;
    std::string history = "A=PCM,F=48000,W=16,M=mono,T=OtherPlayout\r\n";
    std::string tags;
    // Version 2 of the bext chunk: loudness, a UMID and a time reference.
    std::array<std::int16_t, 5> loudness{};
    std::string umid;
    std::int64_t timeReference = 0;
};

template <std::size_t N>
void Put(char (&f)[N], const std::string& s) {
    std::memset(f, 0, N);
    std::memcpy(f, s.data(), std::min(N, s.size()));
}

template <std::size_t N>
std::string Text(const char (&f)[N]) {
    std::size_t n = 0;
    while (n < N && f[n] != '\0') ++n;
    std::string s(f, n);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

void WriteTheirs(const std::string& path, const Theirs& t) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* sf = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(sf, nullptr) << sf_strerror(nullptr);
    auto cart = std::make_unique<CartInfo>();
    std::memset(cart.get(), 0, sizeof(CartInfo));
    Put(cart->version, "0101");
    Put(cart->title, "Their title");
    Put(cart->producer_app_id, t.producer);
    Put(cart->producer_app_version, t.version);
    std::memcpy(cart->user_def, t.userDef.data(), std::min(t.userDef.size(), sizeof cart->user_def));
    cart->level_reference = t.level;
    for (auto& p : cart->post_timers) {
        Put(p.usage, "");
        p.value = -1;
    }
    for (std::size_t i = 0; i < t.timers.size() && i < 8; ++i) {
        std::memcpy(cart->post_timers[i].usage, t.timers[i].usage.data(), 4);
        cart->post_timers[i].value = t.timers[i].value;
    }
    std::memcpy(cart->tag_text, t.tags.data(), t.tags.size());
    cart->tag_text_size = static_cast<std::uint32_t>(t.tags.size());
    ASSERT_EQ(sf_command(sf, SFC_SET_CART_INFO, cart.get(), sizeof(CartInfo)), SF_TRUE);
    auto bext = std::make_unique<BextInfo>();
    std::memset(bext.get(), 0, sizeof(BextInfo));
    Put(bext->description, "Their description");
    Put(bext->originator, "Their desk");
    bext->version = 2;
    bext->loudness_value = t.loudness[0];
    bext->loudness_range = t.loudness[1];
    bext->max_true_peak_level = t.loudness[2];
    bext->max_momentary_loudness = t.loudness[3];
    bext->max_shortterm_loudness = t.loudness[4];
    std::memcpy(bext->umid, t.umid.data(), std::min(t.umid.size(), sizeof bext->umid));
    bext->time_reference_low = static_cast<std::uint32_t>(t.timeReference);
    bext->time_reference_high = static_cast<std::uint32_t>(t.timeReference >> 32);
    std::memcpy(bext->coding_history, t.history.data(), t.history.size());
    bext->coding_history_size = static_cast<std::uint32_t>(t.history.size());
    ASSERT_EQ(sf_command(sf, SFC_SET_BROADCAST_INFO, bext.get(), sizeof(BextInfo)), SF_TRUE);
    std::vector<short> pcm(3 * kRate);
    for (std::size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<short>(i * 7919);
    ASSERT_EQ(sf_writef_short(sf, pcm.data(), static_cast<sf_count_t>(pcm.size())),
              static_cast<sf_count_t>(pcm.size()));
    sf_close(sf);
}

// A chunk as libsndfile reads it back (cart or bext).
template <typename Info>
std::unique_ptr<Info> TheirChunk(const std::string& path, int command) {
    SF_INFO info{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(sf, nullptr) << sf_strerror(nullptr);
    auto chunk = std::make_unique<Info>();
    std::memset(chunk.get(), 0, sizeof(Info));
    if (!sf) return chunk;
    EXPECT_EQ(sf_command(sf, command, chunk.get(), sizeof(Info)), SF_TRUE);
    sf_close(sf);
    return chunk;
}
std::unique_ptr<CartInfo> TheirRead(const std::string& path) { return TheirChunk<CartInfo>(path, SFC_GET_CART_INFO); }
std::unique_ptr<BextInfo> TheirBext(const std::string& path) {
    return TheirChunk<BextInfo>(path, SFC_GET_BROADCAST_INFO);
}

std::array<std::int16_t, 5> LoudnessOf(const BextInfo& b) {
    return {b.loudness_value, b.loudness_range, b.max_true_peak_level, b.max_momentary_loudness,
            b.max_shortterm_loudness};
}

std::vector<Timer> TimersOf(const CartInfo& c) {
    std::vector<Timer> out;
    for (const auto& p : c.post_timers) out.push_back({std::string(p.usage, 4), p.value});
    return out;
}

void ExpectTimers(const CartInfo& c, const std::vector<Timer>& want) {
    const std::vector<Timer> got = TimersOf(c);
    for (std::size_t i = 0; i < 8; ++i) {
        const Timer w = i < want.size() ? want[i] : Timer{"    ", -1};
        EXPECT_EQ(got[i].usage, w.usage) << "slot " << i + 1;
        EXPECT_EQ(got[i].value, w.value) << "slot " << i + 1 << " " << w.usage;
    }
}

TEST(WavProducersTest, TheirUserDefLevelAndTimersSurviveOurSave) {
    TempDir dir;
    const std::string path = dir / "theirs.wav";
    Theirs t;
    t.userDef = std::string(64, 'U'); // every byte used, no NUL
    // All eight slots used, with usages twice; "INT " is an intro we read, the rest we ignore
    // ("MRK1" too, from a producer that is not ours).
    t.timers = {{"AUDs", 4800},  {"INT ", 24000}, {"AUDe", 96000}, {"AUD1", 1000},
                {"AUD1", 2000}, {"TER ", 3000},  {"INT ", 48000}, {"MRK1", 500}};
    WriteTheirs(path, t);
    const std::string audio = fx::Payload(ReadFile(path), "data");

    cHardDiskItem it;
    ASSERT_TRUE(it.LoadFromWAVFile(path, 3));
    EXPECT_EQ(it.ItemTitle, "Their title");
    EXPECT_EQ(it.ProducerAppName, "OtherPlayout");
    EXPECT_FLOAT_EQ(it.IntroEx(3), 1.0f); // the later of the two
    EXPECT_EQ(it.HookStart, 0.0f);
    it.ItemTitle = "Our title";
    ASSERT_TRUE(it.SaveToWAVFile(path, 3));

    const std::vector<Timer> want = {{"INT3", 48000}, {"AUDs", 4800}, {"AUDe", 96000}, {"AUD1", 1000},
                                     {"AUD1", 2000},  {"TER ", 3000}, {"MRK1", 500}};
    auto cart = TheirRead(path);
    EXPECT_EQ(Text(cart->title), "Our title");
    EXPECT_EQ(Text(cart->producer_app_id), "OtherPlayout");
    EXPECT_EQ(Text(cart->producer_app_version), "5.1");
    EXPECT_EQ(std::string(cart->user_def, 64), t.userDef);
    EXPECT_EQ(cart->level_reference, t.level);
    ExpectTimers(*cart, want);
    EXPECT_EQ(fx::Payload(ReadFile(path), "data"), audio);

    // Loaded and saved again: the same timers, nothing doubled.
    cHardDiskItem again;
    ASSERT_TRUE(again.LoadFromWAVFile(path, 3));
    EXPECT_FLOAT_EQ(again.IntroEx(3), 1.0f);
    EXPECT_EQ(again.HookStart, 0.0f);
    ASSERT_TRUE(again.SaveToWAVFile(path, 3));
    cart = TheirRead(path);
    ExpectTimers(*cart, want);
    EXPECT_EQ(std::string(cart->user_def, 64), t.userDef);

    // Our own dialects keep their values: the playout dialect's UserDef, the broadcaster's
    // level reference.
    ASSERT_TRUE(again.SaveToWAVFile(path, llfRarovidAderu));
    cart = TheirRead(path);
    EXPECT_EQ(std::string(cart->user_def, 64), t.userDef);
    EXPECT_EQ(cart->level_reference, 10362);
    ASSERT_TRUE(again.SaveToWAVFile(path, llfOrvanta));
    cart = TheirRead(path);
    EXPECT_EQ(Text(cart->user_def), "");
    EXPECT_EQ(cart->level_reference, 10362);
}

TEST(WavProducersTest, TheirTagsFollowOursOnceAndTheirCopiesOfOursGo) {
    TempDir dir;
    const std::string path = dir / "theirs.wav";
    Theirs t;
    // Tags we do not read, free text, and tags we do (in any case) that the item now owns.
    t.tags = "<notes>their notes</notes><tag>hello</tag>\r\n<ORIGIN a=\"1\">desk 4</ORIGIN> free text"
             "<COMPOSER>Their composer</COMPOSER>";
    WriteTheirs(path, t);
    // As libsndfile stored it (it may end the text with a line break), less the tags we read.
    const std::string stored = [&] {
        auto cart = TheirRead(path);
        return std::string(cart->tag_text, strnlen(cart->tag_text, cart->tag_text_size));
    }();
    ASSERT_EQ(stored.rfind(t.tags, 0), 0u);
    const std::string theirs = "<tag>hello</tag>\r\n<ORIGIN a=\"1\">desk 4</ORIGIN> free text" + stored.substr(t.tags.size());

    cHardDiskItem it;
    ASSERT_TRUE(it.LoadFromWAVFile(path, 3));
    EXPECT_EQ(it.Notes, "their notes");
    EXPECT_EQ(it.CopyrightComposer, "Their composer");
    it.Notes = "Our notes";
    it.CopyrightComposer.clear(); // cleared by the user: their copy must not come back
    ASSERT_TRUE(it.SaveToWAVFile(path, 3));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        auto cart = TheirRead(path);
        const std::string tags(cart->tag_text, strnlen(cart->tag_text, cart->tag_text_size));
        EXPECT_EQ(tags, "<NOTES>Our notes</NOTES>" + theirs);
        cHardDiskItem back;
        ASSERT_TRUE(back.LoadFromWAVFile(path, 3));
        EXPECT_EQ(back.Notes, "Our notes");
        EXPECT_EQ(back.CopyrightComposer, "");
        // Saved again, with shorter tags of ours: theirs once, behind ours.
        back.Notes = "Ours";
        ASSERT_TRUE(back.SaveToWAVFile(path, 3));
        cart = TheirRead(path);
        EXPECT_EQ(std::string(cart->tag_text, strnlen(cart->tag_text, cart->tag_text_size)), "<NOTES>Ours</NOTES>" + theirs);
        back.Notes = "Our notes";
        ASSERT_TRUE(back.SaveToWAVFile(path, 3));
    }
}

TEST(WavProducersTest, HookAndLoopReadBackFromAnotherProducersFile) {
    TempDir dir;
    Theirs t;
    t.timers = {{"MRK1", 100}, {"AUDs", 300}, {"MRK3", 200}, {"MRK ", 400}};
    const std::string path = dir / "marked.wav";
    WriteTheirs(path, t);

    cHardDiskItem it;
    ASSERT_TRUE(it.LoadFromWAVFile(path, 3));
    it.HookStart = 0.5f;
    it.HookEnd = 1.0f;
    it.LoopStart = 1.5f;
    it.LoopEnd = 2.0f;
    ASSERT_TRUE(it.SaveToWAVFile(path, 3));
    // The chunk carries our markers, so it names us; their marker timers that would now
    // read as ours give way, the others stay behind ours.
    EXPECT_EQ(it.ProducerAppName, "Brevant CartChunk Interface");
    auto cart = TheirRead(path);
    EXPECT_EQ(Text(cart->producer_app_id), "Brevant CartChunk Interface");
    EXPECT_EQ(Text(cart->producer_app_version), it.ProducerAppVersion);
    ExpectTimers(*cart, {{"MRK1", 24000}, {"MRK2", 48000}, {"MRK3", 72000}, {"MRK4", 96000},
                         {"AUDs", 300}, {"MRK ", 400}});
    cHardDiskItem back;
    ASSERT_TRUE(back.LoadFromWAVFile(path, 3));
    EXPECT_FLOAT_EQ(back.HookStart, 0.5f);
    EXPECT_FLOAT_EQ(back.HookEnd, 1.0f);
    EXPECT_FLOAT_EQ(back.LoopStart, 1.5f);
    EXPECT_FLOAT_EQ(back.LoopEnd, 2.0f);

    // Without hook or loop the file keeps its producer and all of its timers.
    const std::string plain = dir / "plain.wav";
    WriteTheirs(plain, t);
    cHardDiskItem other;
    ASSERT_TRUE(other.LoadFromWAVFile(plain, 3));
    other.Notes = "changed";
    ASSERT_TRUE(other.SaveToWAVFile(plain, 3));
    EXPECT_EQ(other.ProducerAppName, "OtherPlayout");
    cart = TheirRead(plain);
    EXPECT_EQ(Text(cart->producer_app_id), "OtherPlayout");
    EXPECT_EQ(Text(cart->producer_app_version), "5.1");
    ExpectTimers(*cart, t.timers);
}

TEST(WavProducersTest, TheirSegAndOutTimersAreTheFirstExtroAndOutroWhateverTheSuffix) {
    TempDir dir;
    const std::string path = dir / "theirs.wav";
    Theirs t;
    t.timers = {{"SEG2", 24000}, {"OUT3", 48000}, {"AUDs", 100}};
    WriteTheirs(path, t);
    cHardDiskItem it;
    ASSERT_TRUE(it.LoadFromWAVFile(path, 3));
    EXPECT_FLOAT_EQ(it.ExtroEx(1), 0.5f);
    EXPECT_FLOAT_EQ(it.OutroEx(1), 1.0f);
    EXPECT_FLOAT_EQ(it.ExtroEx(2), 0.0f);
    EXPECT_FLOAT_EQ(it.OutroEx(3), 0.0f);
    // Saved, they are our first extro and outro; read again, the same.
    ASSERT_TRUE(it.SaveToWAVFile(path, 3));
    ExpectTimers(*TheirRead(path), {{"SEG1", 24000}, {"OUT1", 48000}, {"AUDs", 100}});
    cHardDiskItem back;
    ASSERT_TRUE(back.LoadFromWAVFile(path, 3));
    EXPECT_FLOAT_EQ(back.ExtroEx(1), 0.5f);
    EXPECT_FLOAT_EQ(back.OutroEx(1), 1.0f);

    // In our own files the digit names the point.
    Theirs ours = t;
    ours.producer = "Brevant CartChunk Interface";
    WriteTheirs(path, ours);
    cHardDiskItem own;
    ASSERT_TRUE(own.LoadFromWAVFile(path, 3));
    EXPECT_FLOAT_EQ(own.ExtroEx(2), 0.5f);
    EXPECT_FLOAT_EQ(own.OutroEx(3), 1.0f);
    EXPECT_FLOAT_EQ(own.ExtroEx(1), 3.0f) << "the end of the audio";
}

TEST(WavProducersTest, TheirUserDefAndTimersSurviveSavesInEachOfOurDialects) {
    TempDir dir;
    const std::string path = dir / "theirs.wav";
    Theirs t;
    t.timers = {{"AUDs", 4800}, {"TER ", 3000}, {"MRK1", 500}};
    WriteTheirs(path, t);
    const std::vector<Timer> theirs = t.timers;
    cHardDiskItem it;
    ASSERT_TRUE(it.LoadFromWAVFile(path, 3));
    it.EndType = cheFades;
    it.BackColour = 0x00FF00;
    it.SetExtroEx(1, 1.5f);
    // The editor's flags, the broadcaster's dialect and the editor's again: their UserDef and
    // timers stay; ours of the other dialect go.
    ASSERT_TRUE(it.SaveToWAVFile(path, 3));
    auto cart = TheirRead(path);
    EXPECT_EQ(std::string(cart->user_def, t.userDef.size()), t.userDef);
    ExpectTimers(*cart, {{"SEG1", 72000}, theirs[0], theirs[1], theirs[2]});
    ASSERT_TRUE(it.SaveToWAVFile(path, llfRarovidAderu));
    cart = TheirRead(path);
    EXPECT_EQ(std::string(cart->user_def, t.userDef.size()), t.userDef);
    std::vector<std::string> usages;
    for (const Timer& timer : TimersOf(*cart)) usages.push_back(timer.usage);
    EXPECT_EQ(usages, (std::vector<std::string>{"SEC1", "SEC2", "SEC3", "AUDs", "TER ", "MRK1", std::string(4, '\0'),
                                                std::string(4, '\0')}));
    ASSERT_TRUE(it.SaveToWAVFile(path, 3));
    cart = TheirRead(path);
    EXPECT_EQ(std::string(cart->user_def, t.userDef.size()), t.userDef);
    ExpectTimers(*cart, {{"SEG1", 72000}, theirs[0], theirs[1], theirs[2]});

    // A UserDef that holds their entries and ours: ours go, theirs stay.
    t.userDef = "Rotation=B EndingType=SlowFade Colour=12 BackColor=&H00FF0000&";
    WriteTheirs(path, t);
    cHardDiskItem mixed;
    ASSERT_TRUE(mixed.LoadFromWAVFile(path, 3));
    mixed.EndType = cheEnd;
    ASSERT_TRUE(mixed.SaveToWAVFile(path, 3));
    cart = TheirRead(path);
    EXPECT_EQ(Text(cart->user_def), "Rotation=B Colour=12");
    cHardDiskItem playout;
    ASSERT_TRUE(playout.LoadFromWAVFile(path, llfOrvanta));
    EXPECT_EQ(playout.EndType, cheNonSpecific);
    EXPECT_EQ(playout.BackColour, static_cast<std::int32_t>(0x8000000Fu));
}

TEST(WavProducersTest, LoudnessOfAudioWrittenAnewIsNotKnownAndTheUmidAndTimeReferenceStay) {
    constexpr std::array<std::int16_t, 5> kMeasured = {-2300, 520, -150, -1810, -2040};
    constexpr std::array<std::int16_t, 5> kNotKnown = {0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF};
    struct Row {
        const char* name;
        std::array<std::int16_t, 5> loudness;
        bool rewritten;
        std::array<std::int16_t, 5> want;
    };
    const Row rows[] = {
        {"details only", kMeasured, false, kMeasured},
        {"new audio", kMeasured, true, kNotKnown},
        {"new audio, no loudness in the file", {}, true, {}},
        {"new audio, loudness not known already", kNotKnown, true, kNotKnown},
    };
    TempDir dir;
    const std::string path = dir / "theirs.wav";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Theirs t;
        t.loudness = row.loudness;
        t.umid = std::string(32, '\x5A') + std::string(32, '\x17');
        t.timeReference = 0x1234567890LL;
        WriteTheirs(path, t);
        cHardDiskItem it;
        ASSERT_TRUE(it.LoadFromWAVFile(path, 3));
        it.SetDescription(1, "Ours");
        ASSERT_TRUE(it.SaveToWAVFile(path, 3, row.rewritten));
        const auto bext = TheirBext(path);
        EXPECT_EQ(Text(bext->description), "Ours");
        EXPECT_EQ(LoudnessOf(*bext), row.want);
        EXPECT_EQ(std::string(bext->umid, 64), t.umid);
        EXPECT_EQ(bext->time_reference_low, 0x34567890u);
        EXPECT_EQ(bext->time_reference_high, 0x12u);
        EXPECT_EQ(std::string(bext->reserved, sizeof bext->reserved), std::string(sizeof bext->reserved, '\0'));
    }
}

TEST(WavProducersTest, CodingHistoryEndsAtItsFirstNul) {
    TempDir dir;
    const std::string path = dir / "history.wav";
    Theirs t;
    t.history = "A=PCM,F=48000,W=16,M=mono\r\n"; // libsndfile adds its own line and pads it
    WriteTheirs(path, t);
    const std::string raw = fx::Payload(ReadFile(path), "bext").substr(602);
    ASSERT_FALSE(raw.empty());
    ASSERT_EQ(raw.back(), '\0') << "libsndfile no longer pads the coding history";
    cHardDiskItem it;
    ASSERT_TRUE(it.LoadFromWAVFile(path, 3));
    EXPECT_EQ(it.CodingHistory, raw.substr(0, raw.find('\0')));
    EXPECT_EQ(it.CodingHistory.substr(0, t.history.size()), t.history);

    // Histories of only NULs, and with NULs behind the text.
    for (const std::string& history : {std::string(16, '\0'), std::string("A=PCM\r\n\0\0\0", 10)}) {
        unsigned char fixed[602] = {};
        std::memcpy(fixed, "Description", 11);
        WriteFile(path, fx::Build({{"fmt ", fx::Fmt(1, kRate, 16)},
                                   {"data", fx::Audio(400)},
                                   {"bext", std::string(reinterpret_cast<char*>(fixed), 602) + history}}));
        cHardDiskItem h;
        ASSERT_TRUE(h.LoadFromWAVFile(path, 3));
        EXPECT_EQ(h.Description(1), "Description");
        EXPECT_EQ(h.CodingHistory, history.substr(0, history.find('\0')));
    }
}

TEST(WavProducersTest, ProducerVersionIsMajorMinorAndRevision) {
    std::vector<std::string> parts;
    std::stringstream version(BVR_TEST_PROJECT_VERSION);
    for (std::string p; std::getline(version, p, '.');) parts.push_back(p);
    ASSERT_EQ(parts.size(), 4u) << "the release carries four numbers";

    TempDir dir;
    WriteFile(dir / "a.wav", fx::Simple(4410));
    cHardDiskItem it;
    ASSERT_TRUE(it.SaveToWAVFile(dir / "a.wav", 3));
    const std::string want = "v" + parts[0] + "." + parts[1] + "." + parts[3];
    EXPECT_EQ(it.ProducerAppVersion, want);
    EXPECT_EQ(Text(TheirRead(dir / "a.wav")->producer_app_version), want);
}

} // namespace
