// Damaged files through an item's save: the save either refuses, leaving the file byte for
// byte as it was and saying which chunk is damaged, or writes its chunks keeping every byte
// of the others; libsndfile and FFmpeg read every file as they read it before.
#include "rozuzezer/core/cHardDiskItem.h"

#include "rozuzezer/core/MultimediaAPI.h"
#include "rozuzezer/core/WavFixture.h"
#include "rozuzezer/core/WavPeers.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdio>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

using namespace rozuzezer;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
namespace fx = wavfixture;
using wavpeers::Ffmpeg;
using wavpeers::Heard;
using wavpeers::Libsndfile;

namespace {

std::string Le32(std::uint32_t v) {
    std::string s;
    fx::Le32(s, v);
    return s;
}

// A cart chunk another program wrote, `title` in its Title field.
std::string TheirCart(const std::string& title) {
    std::string c(2048, ' ');
    c.replace(0, 4, "0101");
    c.replace(4, title.size(), title);
    return c + "<NOTES>theirs, with room to spare</NOTES>";
}

const std::string kList = std::string("INFOINAM\x06\0\0\0Title\0", 18);
const std::string kCue = Le32(1) + Le32(1) + Le32(0) + "data" + Le32(0) + Le32(0) + Le32(44);

struct Damage {
    const char* name;
    std::string file;
    // The chunk a refusal names; empty when the save is to succeed.
    const char* refusedFor;
    // Byte ranges [from, to) of other chunks that a successful save keeps where they are.
    std::vector<std::pair<std::size_t, std::size_t>> kept;
    // A file without audio: FFmpeg must find none after the save, whatever it found before.
    bool noAudio = false;
};

std::vector<Damage> Cases() {
    const std::string fmt = fx::Fmt(2, 44100, 16);
    const std::string audio = fx::Audio(44100 * 4 / 10);
    std::vector<Damage> v;
    auto at = [](const std::string& file, const std::string& what) { return file.find(what); };
    {
        // The cart's size is wrong, the audio behind it whole: nothing may be cut.
        std::string f = fx::Build({{"fmt ", fmt}, {"cart", TheirCart("Over"), true, 1 << 20}, {"data", audio}});
        v.push_back({"OverlongCartBeforeData", f, "\"cart\"", {}});
        f = fx::Build({{"fmt ", fmt}, {"cart", TheirCart("Over"), true, 0xFFFFFFFF}, {"data", audio}});
        v.push_back({"CartOfSizeFFFFFFFFBeforeData", f, "\"cart\"", {}});
        f = fx::Build({{"fmt ", fmt}, {"data", audio}, {"cart", TheirCart("Over"), true, 100000}, {"LIST", kList},
                       {"cue ", kCue}});
        v.push_back({"OverlongCartBeforeListAndCue", f, "\"cart\"", {}});
        f = fx::Build({{"fmt ", fmt}, {"LIST", kList, true, 1 << 20}, {"data", audio}});
        v.push_back({"OverlongListBeforeData", f, "\"LIST\"", {}});
        f = fx::Build({{"fmt ", fmt}, {"data", audio}, {"bext", std::string(602, 'b'), true, 0xFFFFFFFF},
                       {"LIST", kList}});
        v.push_back({"BextOfSizeFFFFFFFFBeforeList", f, "\"bext\"", {}});
    }
    {
        // The first 5 bytes of a data header at the end, which the RIFF size counts: nothing
        // can be added behind them, and they must stay. (Bytes it does not count stay behind
        // what is added.)
        const std::string cut("data\x00", 5);
        std::string f = fx::WithRest({{"fmt ", fmt}}, cut, true);
        v.push_back({"PartialHeaderAtTheEnd", f, "cut-off chunk header", {}});
        f = fx::WithRest({{"fmt ", fmt}, {"cart", TheirCart("Old")}, {"bext", std::string(602, ' ')}}, cut, true);
        v.push_back({"PartialHeaderBehindChunksRewrittenInPlace", f, "", {{f.size() - 5, f.size()}}});
        // A cart too small for the new tags, which cannot move: refused, no tag is cut.
        f = fx::WithRest({{"fmt ", fmt}, {"cart", std::string(2048, ' ')}, {"bext", std::string(602, ' ')}}, cut, true);
        v.push_back({"PartialHeaderBehindACartTooSmallForTheTags", f, "cut-off chunk header", {}});
    }
    {
        // A data chunk of size 0 at the end: what is added must not become its audio.
        std::string f = fx::Build({{"fmt ", fmt}, {"LIST", kList}, {"data", ""}});
        v.push_back({"ZeroSizeDataAtTheEnd", f, "", {{12, at(f, "data")}}, true});
        // FFmpeg plays everything behind a data chunk of size 0: the save puts one at the end.
        f = fx::Build({{"fmt ", fmt}, {"data", ""}, {"cart", TheirCart("Old")}});
        v.push_back({"ZeroSizeDataBeforeACart", f, "", {{12, at(f, "data")}}, true});
    }
    {
        // Audio cut off at the end (a recorder that was stopped): an existing cart is
        // rewritten in place, nothing is added behind the audio.
        std::string f = fx::Build({{"fmt ", fmt}, {"data", audio, true, 0xFFFFFFFF}});
        v.push_back({"AudioOfSizeFFFFFFFFWithoutCart", f, "\"data\"", {}});
        f = fx::Build({{"fmt ", fmt}, {"cart", TheirCart("Old")}, {"bext", std::string(602, ' ')},
                       {"data", audio, true, 0xFFFFFFFF}});
        v.push_back({"AudioOfSizeFFFFFFFFBehindChunksRewrittenInPlace", f, "", {{at(f, "data"), f.size()}}});
    }
    {
        // A cart cut off by a copy that stopped (the RIFF size still counts all of it): taken
        // as cut off, and written whole where it stands.
        std::string f = fx::Build({{"fmt ", fmt}, {"LIST", kList}, {"data", audio}, {"cart", TheirCart("Cut")}});
        const std::size_t cartAt = at(f, "cart");
        f.resize(cartAt + 8 + 900);
        v.push_back({"CartCutOffAtTheEnd", f, "", {{12, cartAt}}});
        // A bext cut off inside its fixed part, with nothing behind it: the same.
        f = fx::Build({{"fmt ", fmt}, {"data", audio}, {"bext", std::string(300, '\0'), true, 642}});
        v.push_back({"BextCutOffAtTheEnd", f, "", {{12, at(f, "bext")}}});
        // One cut off behind its fixed part keeps the coding history it still has.
        f = fx::Build({{"fmt ", fmt}, {"data", audio}, {"bext", std::string(602, ' ') + "A=PCM,F=44100", true, 700}});
        v.push_back({"BextCutOffInItsCodingHistory", f, "", {{12, at(f, "bext") + 4}, {f.size() - 13, f.size()}}});
    }
    return v;
}

void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }

class WavDamage : public ::testing::TestWithParam<Damage> {};

TEST_P(WavDamage, SaveRefusesOrKeepsEveryByteOfTheOtherChunks) {
    const Damage& d = GetParam();
    TempDir dir;
    const std::string path = dir / "damaged.wav";
    WriteFile(path, d.file);
    const Heard before = Libsndfile(path);
    const std::string ffmpegBefore = Ffmpeg(path);
    // FFmpeg decodes what it did, or (where it could not open the file before) what
    // libsndfile hears; from a file without audio, nothing.
    const std::string pcm(reinterpret_cast<const char*>(before.pcm.data()), before.pcm.size() * sizeof(short));
    auto heardByFfmpeg = [&](const std::string& now) {
        if (ffmpegBefore == "-") return true;
        if (d.noAudio) return now.empty();
        return now == ffmpegBefore || (ffmpegBefore.empty() && now == pcm);
    };

    cHardDiskItem it;
    ASSERT_TRUE(it.LoadFromWAVFile(path, 3));
    it.ItemTitle = "New title";
    it.Notes = "New notes";
    const bool saved = it.SaveToWAVFile(path, 3);
    const std::string after = ReadFile(path);

    if (*d.refusedFor) {
        EXPECT_FALSE(saved);
        EXPECT_EQ(after, d.file) << "a refused save changed the file";
        EXPECT_NE(LastChunkWriteError().find(d.refusedFor), std::string::npos) << LastChunkWriteError();
    } else {
        ASSERT_TRUE(saved) << LastChunkWriteError();
        EXPECT_EQ(LastChunkWriteError(), "");
        for (const auto& [from, to] : d.kept)
            EXPECT_EQ(after.compare(from, to - from, d.file, from, to - from), 0) << "bytes " << from << " to " << to;
        cHardDiskItem back;
        ASSERT_TRUE(back.LoadFromWAVFile(path, 3));
        EXPECT_EQ(back.ItemTitle, "New title");
        EXPECT_EQ(back.Notes, "New notes");
        EXPECT_EQ(back.TotalLength, it.TotalLength);
    }
    EXPECT_TRUE(Libsndfile(path) == before) << "libsndfile reads the file otherwise now";
    const std::string heard = Ffmpeg(path);
    EXPECT_TRUE(heardByFfmpeg(heard)) << "FFmpeg decodes " << heard.size() << " bytes now, " << ffmpegBefore.size()
                                      << " before";

    // A second save finds the file as the first left it, and does the same.
    cHardDiskItem again;
    ASSERT_TRUE(again.LoadFromWAVFile(path, 3));
    again.ItemTitle = "New title";
    again.Notes = "New notes";
    EXPECT_EQ(again.SaveToWAVFile(path, 3), saved);
    EXPECT_TRUE(Libsndfile(path) == before);
    EXPECT_TRUE(heardByFfmpeg(Ffmpeg(path)));
}

INSTANTIATE_TEST_SUITE_P(Cases, WavDamage, ::testing::ValuesIn(Cases()),
                         [](const auto& i) { return std::string(i.param.name); });

} // namespace
