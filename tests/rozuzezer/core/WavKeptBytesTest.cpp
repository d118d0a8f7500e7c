// What other programs put into a file and the save does not own stays as it was: bytes
// behind the RIFF chunk (an ID3v1 tag, padding) stay behind it, after our chunks, and the
// tags of other producers in the tag text stay once, however long the tag text is.
#include "rozuzezer/core/cHardDiskItem.h"

#include "rozuzezer/core/MultimediaAPI.h"
#include "rozuzezer/core/WavFixture.h"
#include "rozuzezer/core/WavPeers.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

using namespace rozuzezer;
using testsupport::HaveTool;
using testsupport::ReadFile;
using testsupport::RunTool;
using testsupport::TempDir;
using testsupport::WriteFile;
namespace fx = wavfixture;
using wavpeers::Ffmpeg;
using wavpeers::Libsndfile;

namespace {

// What mediainfo says of the audio; "-" without the tool.
std::string MediainfoAudio(const std::string& path) {
    if (!HaveTool("mediainfo")) return "-";
    return RunTool("mediainfo --Inform='Audio;%Format% %Duration% %SamplingRate% %Channels% %StreamSize%' '" + path + "'");
}

// An ID3v1 tag as a tag writer appends it to the file; made by hand where none is installed.
std::string AddId3v1(const std::string& path) {
    const std::string before = ReadFile(path);
    if (HaveTool("id3tool")) {
        EXPECT_EQ(std::system(("id3tool -t 'Tag title' -r 'Tag artist' -y 2021 '" + path + "'").c_str()), 0);
    } else {
        std::string tag = "TAG" + std::string("Tag title").append(21, '\0') + std::string("Tag artist").append(20, '\0');
        tag += std::string(30, '\0') + "2021" + std::string(30, '\0') + '\xFF';
        WriteFile(path, before + tag);
    }
    const std::string after = ReadFile(path);
    EXPECT_EQ(after.size(), before.size() + 128);
    EXPECT_EQ(after.compare(0, before.size(), before), 0);
    return after.substr(before.size());
}

// Chunks of the RIFF chunk only, walked by their declared sizes.
std::vector<fx::Found> RiffChunks(const std::string& file) {
    return fx::Chunks(file.substr(0, std::min<std::size_t>(file.size(), 8 + fx::Get32(file, 4))));
}

struct Behind {
    const char* name;
    std::vector<fx::Chunk> chunks;
    std::string rest;      // behind the RIFF chunk; empty: an ID3v1 tag from a tag writer
    bool riffLeavesOutPad; // the RIFF size does not count the last chunk's pad byte
};

void PrintTo(const Behind& b, std::ostream* os) { *os << b.name; }

std::string TheirCart() {
    std::string c(2048, ' ');
    c.replace(0, 4, "0101");
    c.replace(4, 5, "Their");
    return c + "<NOTES>theirs, with room to spare for ours</NOTES>";
}

class WavBehindRiff : public ::testing::TestWithParam<Behind> {};

TEST_P(WavBehindRiff, StayBehindOurChunksAndTheAudioReadsTheSame) {
    const Behind& b = GetParam();
    TempDir dir;
    const std::string path = dir / "a.wav";
    std::string file = fx::Build(b.chunks);
    if (b.riffLeavesOutPad) {
        std::string size;
        fx::Le32(size, fx::Get32(file, 4) - 1);
        file.replace(4, 4, size);
    }
    WriteFile(path, file + b.rest);
    const std::string rest = b.rest.empty() ? AddId3v1(path) : b.rest;
    const std::string original = ReadFile(path);
    const wavpeers::Heard heard = Libsndfile(path);
    ASSERT_TRUE(heard.opens);
    const std::string ffmpeg = Ffmpeg(path), mediainfo = MediainfoAudio(path);
    const std::string id3 = HaveTool("id3tool") ? RunTool("id3tool '" + path + "'") : "";

    for (int save = 0; save < 2; ++save) {
        SCOPED_TRACE(save == 0 ? "first save" : "second save");
        cHardDiskItem it;
        it.ItemTitle = "Our title " + std::to_string(save);
        it.Notes = "Our notes";
        it.SetDescription(1, "Our description");
        ASSERT_TRUE(it.SaveToWAVFile(path, 3)) << LastChunkWriteError();
        const std::string after = ReadFile(path);
        ASSERT_GE(after.size(), original.size());
        EXPECT_EQ(after.substr(after.size() - rest.size()), rest) << "the bytes behind the RIFF chunk moved or changed";
        EXPECT_EQ(fx::Get32(after, 4), after.size() - rest.size() - 8) << "the RIFF size does not end at them";
        std::size_t carts = 0, bexts = 0;
        for (const fx::Found& c : RiffChunks(after)) {
            carts += c.id == "cart";
            bexts += c.id == "bext";
        }
        EXPECT_EQ(carts, 1u);
        EXPECT_EQ(bexts, 1u);

        cHardDiskItem back;
        ASSERT_TRUE(back.LoadFromWAVFile(path, 3));
        EXPECT_EQ(back.ItemTitle, it.ItemTitle);
        EXPECT_EQ(back.Notes, "Our notes");
        EXPECT_EQ(back.Description(1), "Our description");
        EXPECT_TRUE(Libsndfile(path) == heard) << "libsndfile hears other audio";
        EXPECT_EQ(Ffmpeg(path), ffmpeg) << "FFmpeg decodes other audio";
        EXPECT_EQ(MediainfoAudio(path), mediainfo);
        if (!id3.empty()) {
            EXPECT_EQ(RunTool("id3tool '" + path + "'"), id3) << "the ID3v1 tag is no longer found";
        }
    }
}

const std::string kFmt = fx::Fmt(2, 44100, 16);
const std::string kAudio = fx::Audio(44100 * 4 / 10);

INSTANTIATE_TEST_SUITE_P(
    Cases, WavBehindRiff,
    ::testing::Values(
        Behind{"Id3v1Tag", {{"fmt ", kFmt}, {"data", kAudio}}, "", false},
        Behind{"Id3v1TagBehindACartRewrittenInPlace",
               {{"fmt ", kFmt}, {"cart", TheirCart()}, {"data", kAudio}, {"bext", std::string(602, ' ')}}, "", false},
        Behind{"Id3v1TagBehindAJunkChunkAtTheEnd", {{"fmt ", kFmt}, {"data", kAudio}, {"JUNK", std::string(100, '\0')}}, "",
               false},
        Behind{"PaddingToAWholeBlock", {{"fmt ", kFmt}, {"data", kAudio}}, std::string(4096 - (44 + kAudio.size()) % 4096, '\0'),
               false},
        Behind{"HeaderCutOffBehindTheRiffChunk", {{"fmt ", kFmt}, {"data", kAudio}}, std::string("data\x00", 5), false},
        Behind{"RiffSizeWithoutTheLastPadByte", {{"fmt ", kFmt}, {"data", kAudio}, {"odd ", "abc"}}, "", true},
        Behind{"Id3v1TagBehindAnEmptyDataChunk", {{"fmt ", kFmt}, {"LIST", "INFOIART"}, {"data", ""}}, "", false}),
    [](const auto& i) { return std::string(i.param.name); });

// The tag text the file's cart chunk holds, up to its first NUL.
std::string TagText(const std::string& path) {
    const std::string cart = fx::Payload(ReadFile(path), "cart");
    const std::string tags = cart.size() > 2048 ? cart.substr(2048) : std::string();
    return tags.substr(0, tags.find('\0'));
}

std::string FileWithTags(const std::string& tags) {
    std::string c(2048, ' ');
    c.replace(0, 4, "0101");
    return fx::Build({{"fmt ", kFmt}, {"data", kAudio}, {"cart", c + tags}});
}

TEST(WavTagText, TheTagsWeReadGoAndEveryOtherStaysOnce) {
    const struct {
        const char* what;
        std::string standing;
        std::string kept;
    } cases[] = {
        {"known tags around a foreign one", "<NOTES>a</NOTES><ORIGIN>desk 4</ORIGIN><COMPOSER>c</COMPOSER>", "<ORIGIN>desk 4</ORIGIN>"},
        {"in any letter case", "<notes>a</Notes>free text<Ending>F</ENDING>", "free text"},
        {"taking one out joins another", "<NO<TEXT>t</TEXT>TES>n</NOTES>rest", "rest"},
        {"from the first opening tag to the first closing one", "<NOTES>a<NOTES>b</NOTES>c</NOTES>d", "c</NOTES>d"},
        {"unclosed and unopened tags are no tags", "</NOTES>x<NOTES>never closed", "</NOTES>x<NOTES>never closed"},
        {"nothing but blanks left", "<NOTES>a</NOTES> \r\n", ""},
        {"up to the first NUL", std::string("<TAG>b</TAG>\0<X>y</X>", 21), "<TAG>b</TAG>"},
    };
    TempDir dir;
    const std::string path = dir / "a.wav";
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        WriteFile(path, FileWithTags(k.standing));
        cHardDiskItem it;
        it.Notes = "ours";
        ASSERT_TRUE(it.SaveToWAVFile(path, 3)) << LastChunkWriteError();
        EXPECT_EQ(TagText(path), "<NOTES>ours</NOTES>" + k.kept);
    }
}

TEST(WavTagText, AMegabyteOfKnownTagsIsSavedWithTheForeignOneKeptOnce) {
    std::string standing;
    bool foreign = false;
    const std::string known = "<NOTES>n</NOTES><COMPOSER>c</COMPOSER><TEXT>t</TEXT><DLS>d</DLS>";
    while (standing.size() < (1u << 20)) {
        standing += known;
        if (standing.size() > (1u << 19) && !foreign) {
            standing += "<ORIGIN>desk 4</ORIGIN>";
            foreign = true;
        }
    }
    TempDir dir;
    const std::string path = dir / "a.wav";
    WriteFile(path, FileWithTags(standing));
    cHardDiskItem it;
    it.Notes = "ours";
    ASSERT_TRUE(it.SaveToWAVFile(path, 3)) << LastChunkWriteError();
    EXPECT_EQ(TagText(path), "<NOTES>ours</NOTES><ORIGIN>desk 4</ORIGIN>");
    cHardDiskItem back;
    ASSERT_TRUE(back.LoadFromWAVFile(path, 3));
    EXPECT_EQ(back.Notes, "ours");
    EXPECT_EQ(back.CopyrightComposer, "");
}

TEST(WavTagText, AChunkWithMoreRoomThanASaveRewritesIsRefusedSayingSo) {
    TempDir dir;
    const std::string path = dir / "a.wav";
    std::string c(2048, ' ');
    c.replace(0, 4, "0101");
    const std::string file = fx::Build({{"fmt ", kFmt}, {"data", kAudio}, {"cart", c + std::string(65u << 20, '\0')}});
    WriteFile(path, file);
    cHardDiskItem it;
    it.Notes = "ours";
    EXPECT_FALSE(it.SaveToWAVFile(path, 3));
    const std::string why = LastChunkWriteError();
    EXPECT_NE(why.find("\"cart\" chunk holds 65.0 MiB"), std::string::npos) << why;
    EXPECT_NE(why.find("64.0 MiB"), std::string::npos) << why;
    EXPECT_EQ(why.find("disk"), std::string::npos) << why;
    EXPECT_TRUE(ReadFile(path) == file);
}

} // namespace
