#include "platform/mmio/Mmio.h"

#include "rozuzezer/core/WavFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform::mmio;
using testsupport::TempDir;
using testsupport::WriteFile;
namespace fx = wavfixture;

namespace {

std::unique_ptr<File> OpenBytes(TempDir& dir, const std::string& bytes, OpenMode mode = OpenMode::Read) {
    const std::string path = dir / "f.wav";
    WriteFile(path, bytes);
    return File::Open(path, mode);
}

TEST(MmioTest, DescendFindsRiffAndChildrenWithinTrustedBounds) {
    TempDir dir;
    const std::string file = fx::Build({{"fmt ", fx::Fmt(1, 8000, 8)}, {"LIST", "INFOabc", true}, {"data", "xyz"}});
    auto f = OpenBytes(dir, file);
    ASSERT_TRUE(f);
    ChunkInfo riff;
    riff.fccType = StringToFOURCC("WAVE");
    ASSERT_EQ(f->Descend(riff, nullptr, MMIO_FINDRIFF), 0);
    EXPECT_EQ(riff.dwDataOffset, 8u);
    EXPECT_EQ(f->Tell(), 12u);
    ChunkInfo data;
    data.ckid = StringToFOURCC("data");
    ASSERT_EQ(f->Descend(data, &riff, MMIO_FINDCHUNK), 0);
    EXPECT_EQ(data.cksize, 3u);
    char buf[16] = {};
    // A read stops at the chunk's end.
    EXPECT_EQ(f->Read(buf, sizeof buf), 3);
    EXPECT_EQ(std::string(buf, 3), "xyz");
    EXPECT_EQ(f->Ascend(data), 0);
    ChunkInfo missing;
    missing.ckid = StringToFOURCC("cue");
    EXPECT_EQ(missing.ckid, MakeFourCC('c', 'u', 'e', ' '));
    f->Seek(12, 0);
    EXPECT_EQ(f->Descend(missing, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
    ChunkInfo list;
    list.ckid = StringToFOURCC("LIST");
    f->Seek(12, 0);
    ASSERT_EQ(f->Descend(list, &riff, MMIO_FINDCHUNK), 0);
    EXPECT_EQ(FOURCCToString(list.fccType), "INFO");
}

struct BoundCase {
    const char* name;
    std::int64_t riffDelta; // declared RIFF size minus the true one
    bool dataFound;
    bool tailFound;
};

class MmioBounds : public ::testing::TestWithParam<BoundCase> {};

TEST_P(MmioBounds, ChunksBeyondTheTrustedEndAreNotFound) {
    const auto& c = GetParam();
    TempDir dir;
    std::string body = fx::Build({{"fmt ", fx::Fmt(1, 8000, 16)}, {"data", fx::Audio(100)}, {"tail", "1234"}});
    const auto trueSize = static_cast<std::int64_t>(body.size() - 8);
    body = fx::Build({{"fmt ", fx::Fmt(1, 8000, 16)}, {"data", fx::Audio(100)}, {"tail", "1234"}}, trueSize + c.riffDelta);
    auto f = OpenBytes(dir, body);
    ChunkInfo riff;
    riff.fccType = StringToFOURCC("WAVE");
    ASSERT_EQ(f->Descend(riff, nullptr, MMIO_FINDRIFF), 0);
    EXPECT_LE(riff.trustedEnd, f->Size());
    for (auto [id, expected] : {std::pair{"data", c.dataFound}, std::pair{"tail", c.tailFound}}) {
        ChunkInfo ck;
        ck.ckid = StringToFOURCC(id);
        f->Seek(12, 0);
        EXPECT_EQ(f->Descend(ck, &riff, MMIO_FINDCHUNK) == 0, expected) << id;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, MmioBounds,
                         ::testing::Values(BoundCase{"exact", 0, true, true},
                                           BoundCase{"larger_than_file", 5000, true, true},
                                           BoundCase{"smaller_than_file", -12, true, false},
                                           BoundCase{"cuts_into_data", -60, true, false}),
                         [](const auto& i) { return std::string(i.param.name); });

TEST(MmioTest, OddChunksWithAndWithoutPad) {
    TempDir dir;
    // Sizes with a printable low byte: behind a missing pad, "ext" and that byte look like
    // an id too, and with zero bytes in front of the payload like a size that fits.
    // An empty chunk at the end leaves no room for a header behind a pad byte.
    for (const std::string& payload : {std::string("1234"), std::string(65, 'x'), std::string(110, '\0'), std::string()}) {
        for (bool pad : {true, false}) {
            std::string file = fx::Build({{"odd ", "abc", pad}, {"next", payload}});
            auto f = OpenBytes(dir, file);
            ChunkInfo riff;
            riff.fccType = StringToFOURCC("WAVE");
            ASSERT_EQ(f->Descend(riff, nullptr, MMIO_FINDRIFF), 0);
            ChunkInfo next;
            next.ckid = StringToFOURCC("next");
            // The chunk behind is found whether or not the writer put the pad byte in.
            ASSERT_EQ(f->Descend(next, &riff, MMIO_FINDCHUNK), 0) << pad << " " << payload.size();
            EXPECT_EQ(next.dwDataOffset, pad ? 32u : 31u);
            EXPECT_EQ(next.cksize, payload.size());
        }
    }
}

TEST(MmioTest, CreateChunkAndAscendWriteSizeAndPad) {
    TempDir dir;
    auto f = OpenBytes(dir, fx::Build({{"fmt ", fx::Fmt(1, 8000, 16)}}), OpenMode::ReadWrite);
    ASSERT_TRUE(f);
    f->Seek(0, 2);
    ChunkInfo ck;
    ck.ckid = StringToFOURCC("abcd");
    ASSERT_EQ(f->CreateChunk(ck), 0);
    EXPECT_EQ(f->Write("xyz", 3), 3);
    ASSERT_EQ(f->Ascend(ck), 0);
    EXPECT_EQ(ck.cksize, 3u);
    EXPECT_EQ(f->Size() % 2, 0u);
    f->Close();
    const std::string bytes = testsupport::ReadFile(dir / "f.wav");
    EXPECT_EQ(fx::Payload(bytes, "abcd"), "xyz");
}

TEST(MmioTest, Rf64SizesComeFromDs64) {
    TempDir dir;
    std::string ds64;
    fx::Le32(ds64, 0); // riff size low/high filled below
    fx::Le32(ds64, 0);
    fx::Le32(ds64, 40); // data size
    fx::Le32(ds64, 0);
    fx::Le32(ds64, 10); // sample count
    fx::Le32(ds64, 0);
    fx::Le32(ds64, 0); // table length
    std::string file = fx::Build({{"ds64", ds64}, {"fmt ", fx::Fmt(1, 8000, 16)}, {"data", fx::Audio(40), true, 0xFFFFFFFF}});
    file.replace(0, 4, "RF64");
    const std::uint32_t riffSize = static_cast<std::uint32_t>(file.size() - 8);
    for (int i = 0; i < 4; ++i) file[20 + i] = static_cast<char>((riffSize >> (8 * i)) & 0xFF);
    file.replace(4, 4, std::string(4, '\xFF'));
    auto f = OpenBytes(dir, file);
    ChunkInfo riff;
    riff.fccType = StringToFOURCC("WAVE");
    ASSERT_EQ(f->Descend(riff, nullptr, MMIO_FINDRIFF), 0);
    EXPECT_TRUE(riff.rf64);
    EXPECT_EQ(riff.cksize, riffSize);
    ChunkInfo data;
    data.ckid = StringToFOURCC("data");
    ASSERT_EQ(f->Descend(data, &riff, MMIO_FINDCHUNK), 0);
    EXPECT_EQ(data.cksize, 40u);
}

TEST(MmioTest, OpenFailures) {
    int e = 0;
    EXPECT_EQ(File::Open("/nonexistent/x.wav", OpenMode::Read, &e), nullptr);
    EXPECT_EQ(e, MMIOERR_FILENOTFOUND);
    TempDir dir;
    EXPECT_EQ(File::Open(dir.path().string(), OpenMode::Read, &e), nullptr);
    // A FIFO without a writer is refused at once instead of blocking the open.
    const std::string fifo = dir / "pipe.wav";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    for (OpenMode mode : {OpenMode::Read, OpenMode::ReadWrite}) {
        auto opened = std::async(std::launch::async, [&] { return File::Open(fifo, mode, &e) != nullptr; });
        const bool done = opened.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
        if (!done) {
            // Let the blocked open return so the test can end.
            const int w = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (w >= 0) ::close(w);
        }
        ASSERT_TRUE(done) << "open of a FIFO blocked";
        EXPECT_FALSE(opened.get());
    }
}

} // namespace
