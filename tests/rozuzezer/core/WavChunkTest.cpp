#include "rozuzezer/core/MultimediaAPI.h"

#include "platform/base/MessageBox.h"
#include "rozuzezer/core/WavFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string_view>
#include <fstream>

#include <csignal>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace rozuzezer;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
namespace fx = wavfixture;

namespace {

CartChunkRecord SampleCart(const std::string& title = "Title") {
    CartChunkRecord r;
    SetField(r.Version, "0101");
    SetField(r.Title, title);
    SetField(r.Artist, "Artist");
    for (auto& t : r.PostTimer) {
        SetField(t.Usage, "");
        t.Value = 0xFFFFFFFFu;
    }
    return r;
}

TEST(WavChunkTest, RecordLayoutsPutFieldsAtTheirOffsets) {
    CartChunkRecord c;
    SetField(c.URL, "u");
    c.LevelReference = 0x01020304;
    SetField(c.PostTimer[7].Usage, "MRK4");
    c.PostTimer[7].Value = 0xA0B0C0D0;
    unsigned char img[2048];
    EncodeCart(c, img);
    EXPECT_EQ(img[1024], 'u');
    EXPECT_EQ(img[680], 4);
    EXPECT_EQ(img[684 + 7 * 8], 'M');
    EXPECT_EQ(img[684 + 7 * 8 + 4], 0xD0);
    BextChunkRecord b;
    b.TimeReferenceLow = 0x11223344;
    b.Version = 2;
    b.UMID[0] = 9;
    unsigned char bi[602];
    EncodeBext(b, bi);
    EXPECT_EQ(bi[338], 0x44);
    EXPECT_EQ(bi[346], 2);
    EXPECT_EQ(bi[348], 9);
    BextChunkRecord back;
    DecodeBext(bi, back);
    EXPECT_EQ(back.TimeReferenceLow, 0x11223344u);
}

// Every text field of both fixed parts, by offset and width.
template <typename Rec>
struct FieldAt {
    const char* name;
    std::size_t offset;
    std::size_t width;
    std::function<void(Rec&, std::string_view)> set;
};

template <typename Rec, std::size_t N>
void ExpectOffsets(const std::vector<FieldAt<Rec>>& fields, void (*encode)(const Rec&, unsigned char*)) {
    for (const auto& f : fields) {
        Rec r{};
        const std::string text(f.width, 'x');
        f.set(r, text);
        unsigned char img[N];
        encode(r, img);
        std::size_t first = N, count = 0;
        for (std::size_t i = 0; i < N; ++i) {
            if (img[i] != 'x') continue;
            first = std::min(first, i);
            ++count;
        }
        EXPECT_EQ(first, f.offset) << f.name;
        EXPECT_EQ(count, f.width) << f.name;
    }
}

TEST(WavChunkTest, EveryFieldStandsAtItsOffset) {
    using C = CartChunkRecord;
    const std::vector<FieldAt<C>> cart = {
        {"Version", 0, 4, [](C& r, std::string_view t) { SetField(r.Version, t); }},
        {"Title", 4, 64, [](C& r, std::string_view t) { SetField(r.Title, t); }},
        {"Artist", 68, 64, [](C& r, std::string_view t) { SetField(r.Artist, t); }},
        {"CutID", 132, 64, [](C& r, std::string_view t) { SetField(r.CutID, t); }},
        {"ClientID", 196, 64, [](C& r, std::string_view t) { SetField(r.ClientID, t); }},
        {"Category", 260, 64, [](C& r, std::string_view t) { SetField(r.Category, t); }},
        {"Classification", 324, 64, [](C& r, std::string_view t) { SetField(r.Classification, t); }},
        {"OutCue", 388, 64, [](C& r, std::string_view t) { SetField(r.OutCue, t); }},
        {"StartDate", 452, 10, [](C& r, std::string_view t) { SetField(r.StartDate, t); }},
        {"StartTime", 462, 8, [](C& r, std::string_view t) { SetField(r.StartTime, t); }},
        {"EndDate", 470, 10, [](C& r, std::string_view t) { SetField(r.EndDate, t); }},
        {"EndTime", 480, 8, [](C& r, std::string_view t) { SetField(r.EndTime, t); }},
        {"ProducerAppID", 488, 64, [](C& r, std::string_view t) { SetField(r.ProducerAppID, t); }},
        {"ProducerAppVersion", 552, 64, [](C& r, std::string_view t) { SetField(r.ProducerAppVersion, t); }},
        {"UserDef", 616, 64, [](C& r, std::string_view t) { SetField(r.UserDef, t); }},
        {"LevelReference", 680, 4, [](C& r, std::string_view) { r.LevelReference = 0x78787878; }},
        {"PostTimer 1 usage", 684, 4, [](C& r, std::string_view t) { SetField(r.PostTimer[0].Usage, t); }},
        {"PostTimer 1 value", 688, 4, [](C& r, std::string_view) { r.PostTimer[0].Value = 0x78787878; }},
        {"PostTimer 8 usage", 740, 4, [](C& r, std::string_view t) { SetField(r.PostTimer[7].Usage, t); }},
        {"PostTimer 8 value", 744, 4, [](C& r, std::string_view) { r.PostTimer[7].Value = 0x78787878; }},
        {"Reserved", 748, 276, [](C& r, std::string_view t) { SetField(r.Reserved, t); }},
        {"URL", 1024, 1024, [](C& r, std::string_view t) { SetField(r.URL, t); }},
    };
    ExpectOffsets<C, C::kSize>(cart, &EncodeCart);
    using B = BextChunkRecord;
    const std::vector<FieldAt<B>> bext = {
        {"Description", 0, 256, [](B& r, std::string_view t) { SetField(r.Description, t); }},
        {"Originator", 256, 32, [](B& r, std::string_view t) { SetField(r.Originator, t); }},
        {"OriginatorReference", 288, 32, [](B& r, std::string_view t) { SetField(r.OriginatorReference, t); }},
        {"OriginationDate", 320, 10, [](B& r, std::string_view t) { SetField(r.OriginationDate, t); }},
        {"OriginationTime", 330, 8, [](B& r, std::string_view t) { SetField(r.OriginationTime, t); }},
        {"TimeReferenceLow", 338, 4, [](B& r, std::string_view) { r.TimeReferenceLow = 0x78787878; }},
        {"TimeReferenceHigh", 342, 4, [](B& r, std::string_view) { r.TimeReferenceHigh = 0x78787878; }},
        {"Version", 346, 2, [](B& r, std::string_view) { r.Version = 0x7878; }},
        {"UMID", 348, 64, [](B& r, std::string_view) { r.UMID.fill('x'); }},
        {"Reserved", 412, 190, [](B& r, std::string_view t) { SetField(r.Reserved, t); }},
    };
    ExpectOffsets<B, B::kSize>(bext, &EncodeBext);
}

struct FmtCase {
    const char* name;
    int size;
    bool dataFirst;
    std::uint16_t tag;
    std::uint16_t cbSize;
};

class WavFormat : public ::testing::TestWithParam<FmtCase> {};

TEST_P(WavFormat, ReadsFormatAndDataSize) {
    const auto& c = GetParam();
    TempDir dir;
    fx::Chunk fmt{"fmt ", fx::Fmt(2, 48000, 24, c.size)};
    fx::Chunk data{"data", fx::Audio(6000)};
    WriteFile(dir / "a.wav", c.dataFirst ? fx::Build({data, fmt}) : fx::Build({fmt, data}));
    WaveFormatRecord f;
    f.cbSize = 77; // a 16-byte fmt does not reach it
    std::uint64_t size = 1;
    ASSERT_EQ(ReadWaveFormat(dir / "a.wav", f, size), 0);
    EXPECT_EQ(size, 6000u);
    EXPECT_EQ(f.wFormatTag, c.tag);
    EXPECT_EQ(f.nChannels, 2);
    EXPECT_EQ(f.nSamplesPerSec, 48000u);
    EXPECT_EQ(f.nAvgBytesPerSec, 288000u);
    EXPECT_EQ(f.nBlockAlign, 6);
    EXPECT_EQ(f.wBitsPerSample, 24);
    EXPECT_EQ(f.cbSize, c.cbSize);
    EXPECT_FLOAT_EQ(GetWaveDuration(dir / "a.wav"), 6000.0f / 288000.0f);
}

INSTANTIATE_TEST_SUITE_P(Cases, WavFormat,
                         ::testing::Values(FmtCase{"fmt16", 16, false, 1, 77}, FmtCase{"fmt18", 18, false, 1, 0},
                                           FmtCase{"extensible40", 40, false, 0xFFFE, 22},
                                           FmtCase{"data_before_fmt", 16, true, 1, 77}),
                         [](const auto& i) { return std::string(i.param.name); });

TEST(WavChunkTest, FormatFailuresAndZeroByteRate) {
    TempDir dir;
    WaveFormatRecord f;
    std::uint64_t size = 5;
    EXPECT_EQ(ReadWaveFormat(dir / "missing.wav", f, size), -1);
    EXPECT_EQ(size, 5u);
    WriteFile(dir / "empty.wav", "");
    EXPECT_EQ(ReadWaveFormat(dir / "empty.wav", f, size), -1);
    WriteFile(dir / "nofmt.wav", fx::Build({{"data", "abcd"}}));
    EXPECT_GT(ReadWaveFormat(dir / "nofmt.wav", f, size), 0);
    WriteFile(dir / "notwave.wav", "RIFF\x04\0\0\0AVI ");
    EXPECT_GT(ReadWaveFormat(dir / "notwave.wav", f, size), 0);
    // No byte rate: a duration of 0 rather than a division error.
    WriteFile(dir / "zero.wav", fx::Build({{"fmt ", ""}, {"data", "abcd"}}));
    EXPECT_EQ(ReadWaveFormat(dir / "zero.wav", f, size), 0);
    EXPECT_EQ(GetWaveDuration(dir / "zero.wav"), 0.0f);
    EXPECT_EQ(GetWaveDuration(dir / "missing.wav"), 0.0f);
}

TEST(WavChunkTest, CartAppendedThenRewrittenInPlace) {
    TempDir dir;
    const std::string original = fx::Simple();
    WriteFile(dir / "a.wav", original);
    ASSERT_TRUE(WriteCartChunk(dir / "a.wav", SampleCart(), "<NOTES>long old notes</NOTES>"));
    std::string bytes = ReadFile(dir / "a.wav");
    ASSERT_EQ(fx::Count(bytes, "cart"), 1u);
    EXPECT_EQ(fx::Payload(bytes, "cart").size(), 2048u + 29u);
    EXPECT_EQ(bytes.size() % 2, 0u);
    EXPECT_EQ(fx::Get32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(bytes.substr(0, original.size()).substr(8), original.substr(8)); // audio untouched
    const auto size1 = bytes.size();

    // Shorter tag text: in place, and the rest of the room holds no older tag.
    ASSERT_TRUE(WriteCartChunk(dir / "a.wav", SampleCart("New"), "<TEXT>x</TEXT>"));
    bytes = ReadFile(dir / "a.wav");
    EXPECT_EQ(bytes.size(), size1);
    CartChunkRecord r;
    std::string tags;
    ASSERT_TRUE(ReadCartChunk(dir / "a.wav", r, tags));
    EXPECT_EQ(FieldText(r.Title), std::string("New") + std::string(61, ' '));
    EXPECT_EQ(tags.substr(0, 14), "<TEXT>x</TEXT>");
    EXPECT_EQ(tags.find("NOTES"), std::string::npos);
    EXPECT_EQ(tags.size(), 29u);

    // Longer tag text: the cart is the last chunk, so it grows where it stands.
    ASSERT_TRUE(WriteCartChunk(dir / "a.wav", SampleCart(), std::string(101, 'z')));
    ASSERT_TRUE(ReadCartChunk(dir / "a.wav", r, tags));
    EXPECT_EQ(tags, std::string(101, 'z'));
    bytes = ReadFile(dir / "a.wav");
    EXPECT_EQ(bytes.size(), size1 - 29 - 1 + 101 + 1);
    EXPECT_EQ(fx::Get32(bytes, 4), bytes.size() - 8);

    // With a chunk behind it, a new cart at the end takes its place and the old one
    // becomes JUNK; the chunk behind stays where it was.
    ASSERT_TRUE(WriteBextChunk(dir / "a.wav", BextChunkRecord{}));
    const std::string before = ReadFile(dir / "a.wav");
    ASSERT_TRUE(WriteCartChunk(dir / "a.wav", SampleCart("Moved"), std::string(500, 'y')));
    bytes = ReadFile(dir / "a.wav");
    EXPECT_EQ(fx::Count(bytes, "cart"), 1u);
    EXPECT_EQ(fx::Count(bytes, "JUNK"), 1u);
    EXPECT_EQ(bytes.substr(before.size() - 610, 610), before.substr(before.size() - 610)); // bext untouched
    EXPECT_EQ(bytes.substr(before.size(), 4), "cart");
    ASSERT_TRUE(ReadCartChunk(dir / "a.wav", r, tags));
    EXPECT_EQ(tags, std::string(500, 'y'));
    EXPECT_EQ(FieldText(r.Title).substr(0, 5), "Moved");
}

// Runs a cart write in a child that may not make any file longer than it is; true when the
// writer reported failure.
bool WriteFailsWhenTheFileCannotGrow(const std::string& path, const std::string& tags) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit lim{static_cast<rlim_t>(std::filesystem::file_size(path)),
                         static_cast<rlim_t>(std::filesystem::file_size(path))};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        ::_exit(WriteCartChunk(path, SampleCart("Grown"), tags) ? 1 : 0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(WavChunkTest, AFailedWriteLeavesTheFileAsItWas) {
    TempDir dir;
    const std::string path = dir / "a.wav";
    // The cart last, so it grows where it stands; then with a chunk behind, so it moves.
    for (bool chunkBehind : {false, true}) {
        WriteFile(path, fx::Simple());
        ASSERT_TRUE(WriteCartChunk(path, SampleCart("Old"), "<NOTES>old</NOTES>"));
        if (chunkBehind) {
            ASSERT_TRUE(WriteBextChunk(path, BextChunkRecord{}));
        }
        const std::string before = ReadFile(path);
        EXPECT_TRUE(WriteFailsWhenTheFileCannotGrow(path, std::string(5000, 'g'))) << chunkBehind;
        const std::string after = ReadFile(path);
        EXPECT_TRUE(after == before) << "changed, " << before.size() << " bytes before, " << after.size()
                                     << " after; chunk behind " << chunkBehind;
        CartChunkRecord r;
        std::string tags;
        ASSERT_TRUE(ReadCartChunk(path, r, tags));
        EXPECT_EQ(tags, "<NOTES>old</NOTES>");
    }
}

TEST(WavChunkTest, APrintablePadByteNeverHidesTheAppendedChunk) {
    TempDir dir;
    const std::string path = dir / "a.wav";
    // An odd chunk whose pad byte is an "E": with "bext" behind it, "Ebex" would read as an
    // id whose size fits once the file has grown by a cart.
    std::string file = fx::Build({{"fmt ", fx::Fmt(1, 8000, 16)}, {"data", "abcd"}, {"odd ", "abc", false}});
    file += std::string("E") + "bext" + std::string(4, '\0') + std::string(8, '\0');
    const auto riff = static_cast<std::uint32_t>(file.size() - 8);
    for (int i = 0; i < 4; ++i) file[4 + i] = static_cast<char>((riff >> (8 * i)) & 0xFF);
    WriteFile(path, file);
    ASSERT_TRUE(WriteCartChunk(path, SampleCart("Found"), "<NOTES>x</NOTES>"));
    CartChunkRecord r;
    std::string tags;
    ASSERT_TRUE(ReadCartChunk(path, r, tags));
    EXPECT_EQ(FieldText(r.Title).substr(0, 5), "Found");
    const std::string bytes = ReadFile(path);
    EXPECT_EQ(bytes[59], '\0'); // the pad byte, now as pads are
    EXPECT_EQ(bytes.substr(60, 16), file.substr(60, 16));
}

std::size_t OpenDescriptors() {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

TEST(WavChunkTest, NoDescriptorIsLeftOpenOnAnyPath) {
    TempDir dir;
    platform::ScopedScriptedMessageBoxes boxes;
    WriteFile(dir / "ok.wav", fx::Simple());
    WriteFile(dir / "ro.wav", fx::Simple());
    ::chmod((dir / "ro.wav").c_str(), 0444);
    WriteFile(dir / "avi.wav", "RIFF\x04\0\0\0AVI ");
    WriteFile(dir / "cut.wav", fx::Build({{"fmt ", fx::Fmt(1, 8000, 16)}, {"data", fx::Audio(100), true, 5000}}));
    WriteFile(dir / "empty.wav", "");
    const std::size_t before = OpenDescriptors();
    for (const char* name : {"ok.wav", "ro.wav", "avi.wav", "cut.wav", "empty.wav", "missing.wav", "."}) {
        const std::string path = dir / name;
        WaveFormatRecord f;
        std::uint64_t size = 0;
        CartChunkRecord c;
        BextChunkRecord b;
        std::string text;
        std::vector<CuePointRecord> cues;
        ReadWaveFormat(path, f, size);
        GetWaveDuration(path);
        ReadCartChunk(path, c, text);
        ReadBextChunk(path, b, text);
        ReadCueChunk(path, cues);
        WriteCartChunk(path, SampleCart(), "<NOTES>x</NOTES>");
        WriteBextChunk(path, b);
        EXPECT_EQ(OpenDescriptors(), before) << name;
    }
}

TEST(WavChunkTest, CartOfExactly2048BytesStaysUnlessTagTextNeedsRoom) {
    TempDir dir;
    unsigned char img[2048];
    EncodeCart(SampleCart("Old"), img);
    const std::string cart(reinterpret_cast<char*>(img), 2048);
    const std::string original =
        fx::Build({{"fmt ", fx::Fmt(1, 8000, 16)}, {"cart", cart}, {"data", fx::Audio(80)}});
    WriteFile(dir / "a.wav", original);
    // Without tag text: rewritten where it stands.
    ASSERT_TRUE(WriteCartChunk(dir / "a.wav", SampleCart("New"), ""));
    std::string bytes = ReadFile(dir / "a.wav");
    EXPECT_EQ(bytes.size(), original.size());
    EXPECT_EQ(fx::Payload(bytes, "cart").size(), 2048u);
    CartChunkRecord r;
    std::string tags = "stale";
    ASSERT_TRUE(ReadCartChunk(dir / "a.wav", r, tags));
    EXPECT_EQ(tags, "");
    EXPECT_EQ(FieldText(r.Title).substr(0, 3), "New");
    // Tag text that has no room there is not dropped: the chunk moves to the end.
    ASSERT_TRUE(WriteCartChunk(dir / "a.wav", SampleCart("Tags"), "<NOTES>n</NOTES>"));
    bytes = ReadFile(dir / "a.wav");
    EXPECT_EQ(fx::Count(bytes, "cart"), 1u);
    EXPECT_EQ(bytes.substr(original.size(), 4), "cart");
    EXPECT_EQ(fx::Payload(bytes, "data"), fx::Payload(original, "data"));
    ASSERT_TRUE(ReadCartChunk(dir / "a.wav", r, tags));
    EXPECT_EQ(tags, "<NOTES>n</NOTES>");
}

TEST(WavChunkTest, CartReaderCutsFieldsAndBoundsTagText) {
    TempDir dir;
    CartChunkRecord w = SampleCart();
    SetField(w.Title, std::string("Ab\0cd", 5));
    unsigned char img[2048];
    EncodeCart(w, img);
    std::string payload(reinterpret_cast<char*>(img), 2048);
    payload += std::string(33000, 't');
    WriteFile(dir / "a.wav", fx::Build({{"fmt ", fx::Fmt(1, 8000, 16)}, {"data", "dd"}, {"cart", payload}}));
    CartChunkRecord r;
    std::string tags;
    ASSERT_TRUE(ReadCartChunk(dir / "a.wav", r, tags));
    EXPECT_EQ(FieldText(r.Title), "Ab" + std::string(62, ' '));
    EXPECT_EQ(tags.size(), 32000u);
    // A short chunk fills only the leading fields; the rest stay cleared.
    WriteFile(dir / "b.wav", fx::Build({{"fmt ", fx::Fmt(1, 8000, 16)}, {"cart", payload.substr(0, 68)}}));
    ASSERT_TRUE(ReadCartChunk(dir / "b.wav", r, tags));
    EXPECT_EQ(FieldText(r.Title).substr(0, 2), "Ab");
    EXPECT_EQ(FieldText(r.Artist), std::string(64, ' '));
    EXPECT_EQ(r.PostTimer[0].Value, 0xFFFFFFFFu);
    EXPECT_FALSE(ReadCartChunk(dir / "none.wav", r, tags));
}

TEST(WavChunkTest, TwoCartChunksTheFirstIsReadAndWrittenTheOtherRetired) {
    TempDir dir;
    unsigned char a[2048], b[2048];
    EncodeCart(SampleCart("First"), a);
    EncodeCart(SampleCart("Second"), b);
    const std::string second(reinterpret_cast<char*>(b), 2048);
    WriteFile(dir / "a.wav", fx::Build({{"fmt ", fx::Fmt(1, 8000, 16)},
                                        {"cart", std::string(reinterpret_cast<char*>(a), 2048)},
                                        {"data", fx::Audio(64)},
                                        {"cart", second}}));
    CartChunkRecord r;
    std::string tags;
    ASSERT_TRUE(ReadCartChunk(dir / "a.wav", r, tags));
    EXPECT_EQ(FieldText(r.Title).substr(0, 5), "First");
    ASSERT_TRUE(WriteCartChunk(dir / "a.wav", SampleCart("Third"), ""));
    // Readers disagree on which of two carts counts, so the other one becomes JUNK, its
    // bytes kept.
    const std::string bytes = ReadFile(dir / "a.wav");
    EXPECT_EQ(fx::Count(bytes, "cart"), 1u);
    EXPECT_EQ(fx::Count(bytes, "JUNK"), 1u);
    EXPECT_EQ(bytes.substr(bytes.size() - 2048), second);
    ASSERT_TRUE(ReadCartChunk(dir / "a.wav", r, tags));
    EXPECT_EQ(FieldText(r.Title).substr(0, 5), "Third");
}

TEST(WavChunkTest, BextKeepsCodingHistoryAndItsSize) {
    TempDir dir;
    BextChunkRecord w;
    SetField(w.Description, "Old");
    unsigned char img[602];
    EncodeBext(w, img);
    const std::string history = "A=PCM,F=48000,W=24,M=stereo\r\n";
    WriteFile(dir / "a.wav", fx::Build({{"fmt ", fx::Fmt(2, 48000, 24)},
                                        {"bext", std::string(reinterpret_cast<char*>(img), 602) + history},
                                        {"data", fx::Audio(60)}}));
    BextChunkRecord n;
    SetField(n.Description, "New");
    n.Version = 1;
    ASSERT_TRUE(WriteBextChunk(dir / "a.wav", n));
    BextChunkRecord r;
    std::string hist;
    ASSERT_TRUE(ReadBextChunk(dir / "a.wav", r, hist));
    EXPECT_EQ(hist, history);
    EXPECT_EQ(FieldText(r.Description).substr(0, 4), "New ");
    EXPECT_EQ(r.Version, 1);
    EXPECT_EQ(fx::Payload(ReadFile(dir / "a.wav"), "bext").size(), 602u + history.size());
    hist = "x";
    EXPECT_FALSE(ReadBextChunk(dir / "missing.wav", r, hist));
    EXPECT_EQ(hist, "");
}

TEST(WavChunkTest, ChunksTooSmallForTheirFixedPartMoveInsteadOfLosingFields) {
    TempDir dir;
    for (std::size_t size : {0u, 100u}) {
        const std::string original = fx::Build({{"fmt ", fx::Fmt(1, 8000, 16)},
                                                {"bext", std::string(size, 'b')},
                                                {"data", fx::Audio(80)}});
        WriteFile(dir / "a.wav", original);
        BextChunkRecord w;
        SetField(w.Description, "Whole");
        SetField(w.OriginationDate, "2020-01-02");
        ASSERT_TRUE(WriteBextChunk(dir / "a.wav", w)) << size;
        const std::string bytes = ReadFile(dir / "a.wav");
        EXPECT_EQ(fx::Count(bytes, "bext"), 1u);
        EXPECT_EQ(fx::Payload(bytes, "JUNK"), std::string(size, 'b'));
        BextChunkRecord r;
        std::string hist;
        ASSERT_TRUE(ReadBextChunk(dir / "a.wav", r, hist));
        EXPECT_EQ(FieldText(r.OriginationDate), "2020-01-02");
    }
}

TEST(WavChunkTest, UnknownChunksAndOddSizesComeThroughByteForByte) {
    TempDir dir;
    const std::string list = std::string("INFOINAM\x05\0\0\0Song\0", 17);
    const std::string ixml = "<BWFXML>odd</BWFXML>x";
    for (bool pad : {true, false}) {
        const std::string original = fx::Build({{"LIST", list, pad},
                                                {"fmt ", fx::Fmt(2, 44100, 16)},
                                                {"iXML", ixml, true},
                                                {"data", fx::Audio(4001)},
                                                {"labl", "abc", pad}});
        WriteFile(dir / "a.wav", original);
        ASSERT_TRUE(WriteCartChunk(dir / "a.wav", SampleCart(), "<NOTES>x</NOTES>"));
        BextChunkRecord b;
        ASSERT_TRUE(WriteBextChunk(dir / "a.wav", b));
        ASSERT_TRUE(WriteCartChunk(dir / "a.wav", SampleCart("Again"), ""));
        const std::string bytes = ReadFile(dir / "a.wav");
        // Everything up to the old end is unchanged except the RIFF size.
        EXPECT_EQ(bytes.substr(8, original.size() - 8), original.substr(8)) << pad;
        EXPECT_EQ(fx::Get32(bytes, 4), bytes.size() - 8);
        std::vector<std::string> ids;
        const std::size_t start = original.size() + (pad ? 0 : 1);
        EXPECT_EQ(bytes.substr(start, 4), "cart");
        CartChunkRecord r;
        std::string tags;
        ASSERT_TRUE(ReadCartChunk(dir / "a.wav", r, tags));
        EXPECT_EQ(FieldText(r.Title).substr(0, 5), "Again");
    }
}

TEST(WavChunkTest, RiffSizeSmallerAndLargerThanTheFile) {
    TempDir dir;
    const std::vector<fx::Chunk> chunks = {{"fmt ", fx::Fmt(1, 8000, 16)}, {"data", fx::Audio(800)}, {"LIST", "INFOxx"}};
    const std::string exact = fx::Build(chunks);
    for (std::int64_t delta : {-14, 4096}) {
        std::string file = fx::Build(chunks, static_cast<std::int64_t>(exact.size() - 8) + delta);
        WriteFile(dir / "a.wav", file);
        WaveFormatRecord f;
        std::uint64_t size = 0;
        ASSERT_EQ(ReadWaveFormat(dir / "a.wav", f, size), 0);
        EXPECT_EQ(size, 800u);
        ASSERT_TRUE(WriteCartChunk(dir / "a.wav", SampleCart(), "")) << delta;
        const std::string bytes = ReadFile(dir / "a.wav");
        EXPECT_EQ(fx::Get32(bytes, 4), bytes.size() - 8);
        EXPECT_EQ(bytes.substr(8, exact.size() - 8), exact.substr(8));
        CartChunkRecord r;
        std::string tags;
        EXPECT_TRUE(ReadCartChunk(dir / "a.wav", r, tags));
    }
}

TEST(WavChunkTest, WritersRefuseWhatTheyCannotWriteSafely) {
    TempDir dir;
    platform::ScopedScriptedMessageBoxes boxes;
    BextChunkRecord b;
    // Missing, read-only, not a WAVE file: False without a message.
    EXPECT_FALSE(WriteBextChunk(dir / "missing.wav", b));
    WriteFile(dir / "ro.wav", fx::Simple());
    ::chmod((dir / "ro.wav").c_str(), 0444);
    EXPECT_FALSE(WriteCartChunk(dir / "ro.wav", SampleCart(), ""));
    WriteFile(dir / "avi.wav", "RIFF\x04\0\0\0AVI ");
    EXPECT_FALSE(WriteBextChunk(dir / "avi.wav", b));
    EXPECT_TRUE(boxes->Shown().empty());
    // A cut-off data chunk at the end: an append would land inside its declared audio.
    const std::string cut = fx::Build({{"fmt ", fx::Fmt(1, 8000, 16)}, {"data", fx::Audio(100), true, 5000}});
    WriteFile(dir / "cut.wav", cut);
    EXPECT_FALSE(WriteBextChunk(dir / "cut.wav", b));
    EXPECT_EQ(ReadFile(dir / "cut.wav"), cut);
}

// Marks a file immutable (or takes the mark away); false where the file system or the
// user may not.
bool SetImmutable(const std::string& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

TEST(WavChunkTest, OpenRefusedShowsTheWritersMessage) {
    TempDir dir;
    platform::ScopedScriptedMessageBoxes boxes;
    const std::string path = dir / "a.wav";
    WriteFile(path, fx::Simple());
    // Not read-only, yet not to be opened for writing: writable by group only for a user,
    // immutable for root, who opens every other file.
    bool immutable = false;
    if (::geteuid() == 0) {
        immutable = SetImmutable(path, true);
        if (!immutable) GTEST_SKIP() << "root opens every file and may not mark one immutable here";
    } else {
        ::chmod(path.c_str(), 0464);
    }
    struct Unmark {
        std::string path;
        bool on;
        ~Unmark() {
            if (on) SetImmutable(path, false);
        }
    } unmark{path, immutable};
    EXPECT_FALSE(WriteCartChunk(dir / "a.wav", SampleCart(), ""));
    EXPECT_FALSE(WriteBextChunk(dir / "a.wav", BextChunkRecord{}));
    ASSERT_EQ(boxes->Shown().size(), 2u);
    EXPECT_EQ(boxes->Shown()[0].text,
              "The WAV audio file is not read only, but Windows would not let the CartChunk information be updated");
    EXPECT_EQ(boxes->Shown()[1].text,
              "The WAV audio file is not read only, but Windows would not let the Broadcast WAVE (BEXT) information be updated");
    EXPECT_EQ(boxes->Shown()[0].icon, platform::MsgIcon::Exclamation);
}

TEST(WavChunkTest, FilesBeyond32BitSizesAreReadButNotWritten) {
    TempDir dir;
    // A sparse RIFF of more than 4 GiB whose data size cannot describe it.
    const std::string head = fx::Build({{"fmt ", fx::Fmt(2, 44100, 16)}, {"data", "", true, 0xFFFFFFFF}}, 0xFFFFFFFF);
    {
        std::ofstream out(dir / "big.wav", std::ios::binary);
        out << head;
    }
    std::filesystem::resize_file(dir / "big.wav", (5ull << 30));
    WaveFormatRecord f;
    std::uint64_t size = 0;
    ASSERT_EQ(ReadWaveFormat(dir / "big.wav", f, size), 0);
    EXPECT_EQ(size, (5ull << 30) - head.size());
    EXPECT_FALSE(WriteBextChunk(dir / "big.wav", BextChunkRecord{}));
    EXPECT_EQ(std::filesystem::file_size(dir / "big.wav"), 5ull << 30);
    // RF64: read through ds64, never written.
    std::string ds64;
    for (std::uint32_t v : {0u, 0u, 8u, 0u, 2u, 0u, 0u}) fx::Le32(ds64, v);
    std::string rf = fx::Build({{"ds64", ds64}, {"fmt ", fx::Fmt(1, 8000, 16)}, {"data", "abcdefgh", true, 0xFFFFFFFF}});
    rf.replace(0, 4, "RF64");
    const auto riffSize = static_cast<std::uint32_t>(rf.size() - 8);
    for (int i = 0; i < 4; ++i) rf[20 + i] = static_cast<char>((riffSize >> (8 * i)) & 0xFF);
    rf.replace(4, 4, std::string(4, '\xFF'));
    WriteFile(dir / "rf.wav", rf);
    ASSERT_EQ(ReadWaveFormat(dir / "rf.wav", f, size), 0);
    EXPECT_EQ(size, 8u);
    EXPECT_FALSE(WriteCartChunk(dir / "rf.wav", SampleCart(), ""));
    EXPECT_EQ(ReadFile(dir / "rf.wav"), rf);
}

TEST(WavChunkTest, CuePointsAreBoundedByTheChunk) {
    TempDir dir;
    auto cue = [](std::uint32_t count, int points) {
        std::string s;
        fx::Le32(s, count);
        for (int i = 0; i < points; ++i)
            for (std::uint32_t v : {static_cast<std::uint32_t>(i + 1), 0u, 0x61746164u, 0u, 10u * static_cast<std::uint32_t>(i), 5u})
                fx::Le32(s, v);
        return s;
    };
    std::vector<CuePointRecord> pts(7);
    WriteFile(dir / "a.wav", fx::Build({{"fmt ", fx::Fmt(1, 8000, 16)}, {"cue ", cue(0, 0)}}));
    EXPECT_EQ(ReadCueChunk(dir / "a.wav", pts), 0);
    EXPECT_EQ(pts.size(), 7u);
    WriteFile(dir / "a.wav", fx::Build({{"fmt ", fx::Fmt(1, 8000, 16)}, {"cue ", cue(2, 2)}}));
    ASSERT_EQ(ReadCueChunk(dir / "a.wav", pts), 2);
    EXPECT_EQ(pts[1].Name, 2u);
    EXPECT_EQ(pts[1].BlockStart, 10u);
    EXPECT_EQ(pts[1].Chunk, 0x61746164u);
    // A count far beyond what the chunk holds: only the points that are there.
    WriteFile(dir / "a.wav", fx::Build({{"fmt ", fx::Fmt(1, 8000, 16)}, {"cue ", cue(0x7FFFFFFF, 3)}}));
    EXPECT_EQ(ReadCueChunk(dir / "a.wav", pts), 3);
    EXPECT_EQ(pts.size(), 3u);
    WriteFile(dir / "a.wav", fx::Build({{"fmt ", fx::Fmt(1, 8000, 16)}}));
    EXPECT_LT(ReadCueChunk(dir / "a.wav", pts), 0);
    EXPECT_EQ(ReadCueChunk(dir / "missing.wav", pts), -1);
}

} // namespace
