#include "AudioFixtures.h"
#include "support/TestSupport.h"

#include "platform/audio/AudioEditor.h"
#include "platform/audio/Block.h"
#include "platform/base/Error.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform::audio;
using namespace audiotest;
namespace fs = std::filesystem;

namespace {

int WorkFiles(const fs::path& dir) {
    int n = 0;
    for (auto& e : fs::directory_iterator(dir))
        if (e.path().extension() == ".work") ++n;
    return n;
}

class DocumentTest : public ::testing::Test {
protected:
    testsupport::TempDir dir{"audiodoc"};
    testsupport::TempDir work{"audiowork"};
    AudioEditor ed;
    void SetUp() override { ed.SetTemporaryFolder(work.path().string()); }
};

} // namespace

TEST_F(DocumentTest, PcmEncodingsReadBackAsTheirSamples) {
    struct Case {
        int bits;
        bool isFloat;
        double tolerance;
    } cases[] = {{8, false, 1.0 / 100}, {16, false, 1.0 / 30000}, {24, false, 1e-6}, {32, false, 1e-6}, {32, true, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bits);
        auto planes = TonePlanes(2, 3000, 8000);
        std::string path = dir / ("t" + std::to_string(c.bits) + (c.isFloat ? "f" : "") + ".wav");
        WriteBytes(path, WavBytes(planes, 8000, c.bits, c.isFloat));
        ed.OpenAudio(path);
        ASSERT_EQ(ed.Length(), 3000);
        EXPECT_EQ(ed.SampleRate(), 8000);
        EXPECT_EQ(ed.ChannelCount(), 2);
        for (int ch = 0; ch < 2; ++ch) {
            auto got = Channel(ed, ch);
            for (std::size_t i = 0; i < got.size(); i += 37) EXPECT_NEAR(got[i], planes[static_cast<std::size_t>(ch)][i], c.tolerance + 1.0 / 32768);
        }
        EXPECT_EQ(ed.AudioFormat().BitsPerSample(), c.bits);
    }
}

TEST_F(DocumentTest, OpeningPcmWavCopiesNothingAndGivesFormatAndLength) {
    std::string path = dir / "a.wav";
    WriteToneWav(path, 2, 441000); // 10 s
    int progressEvents = 0, audioChanged = 0;
    ed.Progress.Connect([&](int) { ++progressEvents; });
    ed.AudioChanged.Connect([&] { ++audioChanged; });
    ed.OpenAudio(path);
    EXPECT_TRUE(ed.HasDocument());
    EXPECT_EQ(ed.Length(), 441000);
    EXPECT_EQ(ed.LengthMs(), 10000);
    EXPECT_EQ(ed.AudioFormat().Channels(), 2);
    EXPECT_EQ(ed.AudioFormat().SampleRate(), 44100);
    EXPECT_EQ(ed.AudioFormat().Description(), "PCM, 44,100 Hz, 16 Bit, Stereo");
    EXPECT_GT(progressEvents, 0);
    EXPECT_EQ(audioChanged, 1);
    EXPECT_EQ(WorkFiles(work.path()), 0);
    // The summaries agree with the samples.
    Stats s = ed.ChannelStats(0, 0, ed.Length());
    EXPECT_NEAR(s.max, 0.5, 1e-3);
    EXPECT_NEAR(s.min, -0.5, 1e-3);
    EXPECT_NEAR(std::sqrt(s.sumSq / static_cast<double>(s.count)), 0.5 / std::sqrt(2.0), 1e-3);
}

TEST_F(DocumentTest, FileRewrittenWhileOpenKeepsTheDocumentsAudio) {
    // Another program rewrites the file in place while it is open; its open waits until the
    // document has what it still uses.
    struct Case {
        const char* name;
        int flags;       // how the other program opens the file
        bool truncateTo; // or truncates it by name
    } cases[] = {
        {"rewritten", O_WRONLY | O_TRUNC, false},
        {"overwritten", O_WRONLY, false},
        {"truncated", 0, true},
    };
    const std::size_t budget = BlockCache::Instance().Budget();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AudioEditor e;
        e.SetTemporaryFolder(work.path().string());
        std::string path = dir / (std::string(c.name) + ".wav");
        WriteToneWav(path, 2, 3 * (1 << 20) + 500);
        const std::string original = testsupport::ReadFile(path);
        e.OpenAudio(path);
        e.View().SetSelectionShown(true); // an edit first: the document is pieces of the file
        e.View().SetSelectionStart(1 << 20);
        e.View().SetSelectionEnd(2 << 20);
        e.Delete();
        BlockCache::Instance().SetBudget(0); // every read goes to the file
        const std::vector<std::int64_t> at = {0, 100000, (1 << 20) + 7, e.Length() - 1000};
        std::vector<std::vector<float>> before;
        for (int ch = 0; ch < 2; ++ch)
            for (auto p : at) before.push_back(Channel(e, ch, p, 1000));

        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (c.truncateTo) _exit(::truncate(path.c_str(), 44) == 0 ? 0 : 1);
            int fd = ::open(path.c_str(), c.flags);
            if (fd < 0) _exit(1);
            static char noise[1 << 16];
            for (std::size_t i = 0; i < sizeof noise; ++i) noise[i] = static_cast<char>(i * 7 + 3);
            for (int k = 0; k < 250; ++k)
                if (::write(fd, noise, sizeof noise) != static_cast<ssize_t>(sizeof noise)) _exit(1);
            _exit(::close(fd) == 0 ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_NE(testsupport::ReadFile(path), original); // the file on disk did change

        std::size_t k = 0;
        for (int ch = 0; ch < 2; ++ch)
            for (auto p : at) EXPECT_EQ(Channel(e, ch, p, 1000), before[k++]) << ch << " " << p;
        BlockCache::Instance().SetBudget(budget);
        e.CloseDocument();
        EXPECT_EQ(WorkFiles(work.path()), 0);
    }
}

TEST_F(DocumentTest, FileReplacedWhileOpenKeepsTheDocumentsAudio) {
    std::string path = dir / "a.wav";
    WriteToneWav(path, 2, 3 * (1 << 20));
    ed.OpenAudio(path);
    const std::size_t budget = BlockCache::Instance().Budget();
    BlockCache::Instance().SetBudget(0);
    auto before = Channel(ed, 1, 100000, 1000);
    // Touched: new dates, the same bytes.
    const timespec times[2] = {{0, UTIME_OMIT}, {12345, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_EQ(Channel(ed, 1, 100000, 1000), before);
    // A new file renamed over it.
    std::string other = dir / "b.wav";
    WriteToneWav(other, 1, 100);
    fs::rename(other, path);
    EXPECT_EQ(Channel(ed, 1, 100000, 1000), before);
    BlockCache::Instance().SetBudget(budget);
}

TEST_F(DocumentTest, FileRewrittenWithoutALeaseKeepsWhatIsCachedAndReadsSilence) {
    // Open for writing elsewhere at open, so no lease can be taken: the change is noticed.
    std::string path = dir / "a.wav";
    WriteToneWav(path, 2, 3 * (1 << 20));
    int writer = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    ed.OpenAudio(path);
    auto head = Channel(ed, 0, 1000, 1000); // now cached
    EXPECT_NE(head[10], 0.0f);
    std::string noise(1 << 20, '\x5a');
    for (int k = 0; k < 12; ++k) ASSERT_EQ(::pwrite(writer, noise.data(), noise.size(), 44 + k * (1 << 20)), 1 << 20);
    const timespec times[2] = {{0, UTIME_OMIT}, {12345, 0}}; // a later write in the same clock tick
    ::futimens(writer, times);
    ::close(writer);
    EXPECT_EQ(Channel(ed, 0, 1000, 1000), head);
    for (float v : Channel(ed, 1, 2 * (1 << 20), 5000)) ASSERT_EQ(v, 0.0f);

    // A file that only grows (still being recorded) keeps being read.
    AudioEditor ed2;
    std::string p2 = dir / "c.wav";
    WriteToneWav(p2, 2, 3 * (1 << 20));
    writer = ::open(p2.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(writer, 0);
    ed2.OpenAudio(p2);
    ASSERT_EQ(::write(writer, noise.data(), noise.size()), 1 << 20);
    ::close(writer);
    const std::size_t budget = BlockCache::Instance().Budget();
    BlockCache::Instance().SetBudget(0);
    EXPECT_NE(Channel(ed2, 0, 2 * (1 << 20), 1000)[10], 0.0f);
    BlockCache::Instance().SetBudget(budget);
}

TEST_F(DocumentTest, OurOwnMetadataWriteNeitherCopiesNorSilences) {
    // The program writes the chunks around the audio (same size, new dates): with a lease and
    // without one, the document reads the file as before, and nothing is copied aside.
    for (const bool leased : {true, false}) {
        AudioEditor e;
        e.SetTemporaryFolder(work.path().string());
        std::string path = dir / (leased ? "leased.wav" : "plain.wav");
        WriteToneWav(path, 2, 3 * (1 << 20));
        const int other = leased ? -1 : ::open(path.c_str(), O_WRONLY); // no lease can be had
        e.OpenAudio(path);
        const std::size_t budget = BlockCache::Instance().Budget();
        BlockCache::Instance().SetBudget(0);
        const auto before = Channel(e, 1, 100000, 1000);
        {
            OwnMetadataWrite own(path);
            const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK);
            ASSERT_GE(fd, 0) << "no lease break for our own write";
            char head[12];
            ASSERT_EQ(::pread(fd, head, sizeof head, 0), 12);
            ASSERT_EQ(::pwrite(fd, head, sizeof head, 0), 12);
            const timespec times[2] = {{0, UTIME_OMIT}, {12345, 0}};
            ::futimens(fd, times);
            ::close(fd);
        }
        EXPECT_EQ(Channel(e, 1, 100000, 1000), before) << leased;
        EXPECT_EQ(Channel(e, 0, 2 * (1 << 20), 1000)[10] != 0.0f, true) << leased;
        BlockCache::Instance().SetBudget(budget);
        if (other >= 0) ::close(other);
    }
}

TEST_F(DocumentTest, DamagedAndUndecodableFiles) {
    // A data chunk claiming more than the file holds opens as far as it goes.
    std::string bytes = WavBytes(TonePlanes(1, 1000, 8000), 8000);
    bytes[40] = '\xff';
    bytes[41] = '\xff';
    bytes[42] = '\xff';
    WriteBytes(dir / "long.wav", bytes);
    ed.OpenAudio(dir / "long.wav");
    EXPECT_EQ(ed.Length(), 1000);

    struct Bad {
        const char* name;
        std::string bytes;
    } bad[] = {
        {"noise.mp3", std::string(5000, '\x5a')},
        {"empty.wav", ""},
        {"nofmt.wav", "RIFF\x04\0\0\0WAVE"},
        {"zero.wav", std::string("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0", 20) + std::string(16, '\0') + std::string("data\0\0\0\0", 8)},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(b.name);
        WriteBytes(dir / b.name, b.bytes);
        EXPECT_THROW(ed.OpenAudio(dir / b.name), platform::RuntimeError);
        EXPECT_FALSE(ed.HasDocument());
        EXPECT_EQ(WorkFiles(work.path()), 0);
    }
    EXPECT_THROW(ed.OpenAudio(dir / "missing.wav"), platform::RuntimeError);
}

TEST_F(DocumentTest, NewAndClosedDocuments) {
    EXPECT_FALSE(ed.HasDocument());
    ed.NewDocument(22050, 1);
    EXPECT_TRUE(ed.HasDocument());
    EXPECT_EQ(ed.Length(), 0);
    EXPECT_EQ(ed.AudioFormat().SampleRate(), 22050);
    EXPECT_EQ(ed.AudioFormat().Channels(), 1);
    EXPECT_EQ(ed.Channels().Count(), 1);
    EXPECT_THROW(ed.NewDocument(0, 2), platform::RuntimeError);
    ed.CloseDocument();
    EXPECT_FALSE(ed.HasDocument());
    EXPECT_EQ(ed.LengthMs(), 0);
    EXPECT_THROW(ed.Cut(), platform::RuntimeError);
}

TEST_F(DocumentTest, WorkFilesGoWithTheDocumentAndStaleOnesAtTheNextStart) {
    std::string path = dir / "a.wav";
    WriteToneWav(path, 2, 100000);
    ed.OpenAudio(path);
    ed.Processing().Fade(0, 100);
    EXPECT_EQ(WorkFiles(work.path()), 1);
    ed.CloseDocument();
    EXPECT_EQ(WorkFiles(work.path()), 0);

    // A crashed run's files (its process is gone) are removed; a live process's are kept.
    pid_t dead = 0;
    for (pid_t p = 4000000; p > 300000; p -= 7919)
        if (::kill(p, 0) != 0 && errno == ESRCH) {
            dead = p;
            break;
        }
    ASSERT_NE(dead, 0);
    testsupport::TempDir crashed{"audiocrashed"};
    std::string stale = crashed / ("lumoaudio-" + std::to_string(dead) + "-0.work");
    std::string staleClip = crashed / ("lumoaudio-" + std::to_string(dead) + "-clip0.wav");
    std::string live = crashed / ("lumoaudio-" + std::to_string(::getppid()) + "-0.work");
    std::string other = crashed / "notes.txt";
    for (const auto& f : {stale, staleClip, live, other}) WriteBytes(f, "x");
    AudioEditor next;
    next.SetTemporaryFolder(crashed.path().string());
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_FALSE(fs::exists(staleClip));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::exists(other));
}

TEST_F(DocumentTest, ReadOnlyOpenMeasuresWithoutEventsOrEdits) {
    std::string path = dir / "a.wav";
    WriteToneWav(path, 2, 44100 * 3);
    int events = 0;
    ed.AudioChanged.Connect([&] { ++events; });
    ed.Progress.Connect([&](int) { ++events; });
    ed.SetReadOnly(true);
    ed.OpenAudio(path, 0, 1);
    EXPECT_EQ(ed.LengthMs(), 3000);
    EXPECT_EQ(events, 0);
    EXPECT_THROW(ed.Processing().Reverse(), platform::RuntimeError);
    EXPECT_THROW(ed.SaveAudio(dir / "x.wav", false), platform::RuntimeError);
}

TEST_F(DocumentTest, LevelsFromSummariesAgreeWithTheSamples) {
    // Two file blocks and a few edited pieces (scaled, reversed, silent), read at ranges that
    // start and end anywhere.
    std::vector<std::vector<float>> planes(1, std::vector<float>((1 << 20) + 300000));
    std::uint32_t r = 7;
    for (auto& v : planes[0]) {
        r = r * 1664525u + 1013904223u;
        v = static_cast<float>(static_cast<double>(r >> 8) / 16777216.0 - 0.5);
    }
    WriteBytes(dir / "noise.wav", WavBytes(planes, 44100, 32, true));
    ed.OpenAudio(dir / "noise.wav");
    ed.View().SetSelectionShown(true);
    ed.View().SetSelectionStart(500000);
    ed.View().SetSelectionEnd(900000);
    ed.Processing().Amplify(70);
    ed.View().SetSelectionStart(700001);
    ed.View().SetSelectionEnd(1200000);
    ed.Processing().Reverse();
    ed.View().SetSelectionStart(100);
    ed.View().SetSelectionEnd(1000);
    ed.Processing().Erase();
    const auto all = Channel(ed, 0);
    std::uint32_t q = 99;
    for (int k = 0; k < 40; ++k) {
        q = q * 1664525u + 1013904223u;
        std::int64_t a = (q >> 4) % all.size();
        q = q * 1664525u + 1013904223u;
        std::int64_t n = k < 20 ? (q >> 4) % 3000 + 1 : (q >> 4) % (static_cast<std::int64_t>(all.size()) - a) + 1;
        n = std::min<std::int64_t>(n, static_cast<std::int64_t>(all.size()) - a);
        SCOPED_TRACE(std::to_string(a) + "+" + std::to_string(n));
        Stats s = ed.ChannelStats(0, a, n);
        double mn = all[static_cast<std::size_t>(a)], mx = mn, sum = 0, sq = 0;
        for (std::int64_t i = a; i < a + n; ++i) {
            double v = all[static_cast<std::size_t>(i)];
            mn = std::min(mn, v);
            mx = std::max(mx, v);
            sum += v;
            sq += v * v;
        }
        ASSERT_EQ(s.count, n);
        EXPECT_NEAR(s.min, mn, 1e-6);
        EXPECT_NEAR(s.max, mx, 1e-6);
        EXPECT_NEAR(s.sum, sum, 1e-3 + 1e-5 * static_cast<double>(n));
        EXPECT_NEAR(s.sumSq, sq, 1e-3 + 1e-5 * static_cast<double>(n));
    }
}
