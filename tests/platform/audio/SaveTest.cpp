#include "AudioFixtures.h"
#include "support/TestSupport.h"

#include "platform/audio/AudioEditor.h"
#include "platform/audio/WavTemplate.h"
#include "platform/base/Error.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>

#include <sys/resource.h>

using namespace platform::audio;
using namespace audiotest;
namespace fs = std::filesystem;

namespace {

class SaveTest : public ::testing::Test {
protected:
    testsupport::TempDir dir{"audiosave"};
    AudioEditor ed;
    void SetUp() override { ed.SetTemporaryFolder((dir.path() / "tmp").string()); }
    void OpenTone(int channels, std::int64_t frames, int rate = 44100) {
        WriteToneWav(dir / "src.wav", channels, frames, rate);
        ed.OpenAudio(dir / "src.wav");
    }
};

} // namespace

TEST_F(SaveTest, EveryFormatRoundTrips) {
    OpenTone(2, 44100 * 2);
    const auto source = Channel(ed, 0);
    struct Case {
        const char* name;
        const char* file;
        int code;
        std::function<void(AudioEditor&)> setup;
        int rate, channels;
        double minCorrelation;
    } cases[] = {
        {"linear wav", "a.wav", filetype::Wav, [](AudioEditor& e) { e.SaveFormat().SetPcm(44100, 2, 16); }, 44100, 2, 0.9999},
        {"raw pcm", "a.pcm", filetype::RawPcm, [](AudioEditor& e) { e.SaveFormat().SetRawPcm(1, 44100, 2, 16); }, 44100, 2, 0.9999},
        {"g721", "a.g721", filetype::G721, [](AudioEditor& e) { e.SaveFormat().SetG721(8000); }, 8000, 1, 0.9},
        {"g723", "a.g723", filetype::G723, [](AudioEditor& e) { e.SaveFormat().SetG723(8000, 3); }, 8000, 1, 0.8},
        {"g726", "a.g726", filetype::G726, [](AudioEditor& e) { e.SaveFormat().SetG726(8000, 4); }, 8000, 1, 0.9},
        {"mp2", "a.mp2", filetype::Mp2, [](AudioEditor& e) { e.SaveFormat().SetMpegLayer2(44100, 192000, 2); }, 44100, 2, 0.95},
        {"mp3", "a.mp3", filetype::Mp3,
         [](AudioEditor& e) {
             MP3Settings s = e.CreateMP3Settings();
             s.BitRate = 128000;
             s.Channels = 2;
             s.SampleRate = 44100;
             e.SaveFormat().SetMpegLayer3(s);
         },
         44100, 2, 0.95},
        {"ogg", "a.ogg", filetype::OggVorbis, [](AudioEditor& e) { e.SaveFormat().SetOggVorbis(44100, 2, 128000, 0, 0, true); }, 44100, 2, 0.95},
        {"wma", "a.wma", filetype::WindowsMedia, [](AudioEditor& e) { e.SaveFormat().SetWindowsMedia(128000); }, 44100, 2, 0.9},
        {"ima adpcm", "ima.wav", 0,
         [this](AudioEditor& e) {
             ASSERT_TRUE(CreateWAVFile(dir / "template.wav", 44100, 2, 17));
             e.SaveFormat().SetFromTemplate(dir / "template.wav");
         },
         44100, 2, 0.98},
        {"ms adpcm", "ms.wav", 0,
         [this](AudioEditor& e) {
             ASSERT_TRUE(CreateWAVFile(dir / "ms-template.wav", 44100, 2, 2));
             e.SaveFormat().SetFromTemplate(dir / "ms-template.wav");
         },
         44100, 2, 0.98},
        {"a-law", "alaw.wav", 0,
         [this](AudioEditor& e) {
             ASSERT_TRUE(CreateWAVFile(dir / "alaw-template.wav", 44100, 2, 6));
             e.SaveFormat().SetFromTemplate(dir / "alaw-template.wav");
         },
         44100, 2, 0.999},
        {"u-law", "ulaw.wav", 0,
         [this](AudioEditor& e) {
             ASSERT_TRUE(CreateWAVFile(dir / "ulaw-template.wav", 44100, 2, 7));
             e.SaveFormat().SetFromTemplate(dir / "ulaw-template.wav");
         },
         44100, 2, 0.999},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.setup(ed);
        const SaveSetup setup = ed.SaveFormat().Setup();
        const std::string out = dir / c.file;
        ed.AudioFormat().SetSaveOption(0);
        if (c.code)
            ed.SaveAudio(out, false, c.code);
        else
            ed.SaveAudio(out, false);
        AudioEditor back;
        back.SetTemporaryFolder((dir.path() / "tmp").string());
        back.SetRawFormat(44100, 2);
        back.OpenAudio(out);
        if (setup.kind == SaveSetup::Kind::Template) {
            // The file carries the template's block size.
            const std::string bytes = testsupport::ReadFile(out);
            ASSERT_GT(bytes.size(), 40u);
            EXPECT_EQ(static_cast<unsigned char>(bytes[32]) | static_cast<unsigned char>(bytes[33]) << 8, setup.blockAlign);
            if (setup.tag == 0x11 || setup.tag == 2) {
                EXPECT_EQ(setup.blockAlign, 2048);
            }
        }
        EXPECT_EQ(back.SampleRate(), c.rate);
        EXPECT_EQ(back.ChannelCount(), c.channels);
        const double seconds = back.LengthMs() / 1000.0;
        EXPECT_NEAR(seconds, 2.0, 0.06);
        if (c.rate == 44100) {
            auto got = Channel(back, 0, 0, std::min<std::int64_t>(back.Length(), 44100));
            auto [r, lag] = BestCorrelation(std::vector<float>(source.begin(), source.begin() + 44100), got, 2400);
            EXPECT_GT(r, c.minCorrelation) << "lag " << lag;
        } else {
            // The coders at 8 kHz keep the tone (the average of 440 and 880 Hz).
            AudioEditor ref;
            ref.NewDocument(8000, 1);
            auto got = Channel(back, 0);
            std::vector<float> expect(got.size());
            for (std::size_t i = 0; i < got.size(); ++i) expect[i] = 0.5f * (Tone(0, static_cast<std::int64_t>(i), 8000) + Tone(1, static_cast<std::int64_t>(i), 8000));
            auto [r, lag] = BestCorrelation(expect, got, 40);
            EXPECT_GT(r, c.minCorrelation) << "lag " << lag;
        }
    }
}

TEST_F(SaveTest, WavTargetKeepsEveryOtherChunkAndSavingOverTheOpenFileWorks) {
    const std::string cart = Chunk("cart", std::string(2048, 'c'));
    const std::string bext = Chunk("bext", std::string(603, 'b')); // odd: padded
    const std::string list = Chunk("LIST", "INFOINAM\x05\0\0\0Title\0");
    const std::string cue = Chunk("cue ", std::string(28, '\x01'));
    const std::string ixml = Chunk("iXML", "<BWFXML/>");
    const std::string path = dir / "item.wav";
    WriteBytes(path, WavBytes(TonePlanes(2, 20000, 44100), 44100, 16, false, bext + cart, list + cue + ixml));
    ed.OpenAudio(path);
    ed.View().SetSelectionShown(true);
    ed.View().SetSelectionStart(0);
    ed.View().SetSelectionEnd(5000);
    ed.Delete();
    ed.SaveAudio(path, false); // the document reads from this very file
    const std::string bytes = testsupport::ReadFile(path);
    const auto at = [&](const std::string& chunk) { return bytes.find(chunk); };
    ASSERT_NE(at(bext), std::string::npos);
    ASSERT_NE(at(cart), std::string::npos);
    ASSERT_NE(at(list), std::string::npos);
    ASSERT_NE(at(cue), std::string::npos);
    ASSERT_NE(at(ixml), std::string::npos);
    EXPECT_LT(at(cart), at("data"));
    EXPECT_GT(at(list), at("data"));
    EXPECT_LT(at(list), at(cue));
    EXPECT_EQ(bytes.size() % 2, 0u);
    EXPECT_EQ(static_cast<std::size_t>(static_cast<unsigned char>(bytes[4]) | static_cast<unsigned char>(bytes[5]) << 8 |
                                       static_cast<unsigned char>(bytes[6]) << 16),
              bytes.size() - 8);
    // The open document still reads, and the file holds what it shows.
    EXPECT_EQ(ed.Length(), 15000);
    AudioEditor back;
    back.OpenAudio(path);
    EXPECT_EQ(back.Length(), 15000);
    EXPECT_EQ(Channel(back, 1), Channel(ed, 1));
    // No temporary file is left beside it.
    int files = 0;
    for (auto& e : fs::directory_iterator(dir.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST_F(SaveTest, SelectionAndOwnFormat) {
    OpenTone(1, 44100);
    ed.View().SetSelectionShown(true);
    ed.View().SetSelectionStart(100);
    ed.View().SetSelectionEnd(1100);
    ed.SaveAudio(dir / "sel.mp3", true, filetype::Mp3);
    AudioEditor back;
    back.OpenAudio(dir / "sel.mp3");
    EXPECT_NEAR(back.Length(), 1000, 1200); // the coder's delay and padding
    EXPECT_EQ(ed.FileName(), dir / "src.wav"); // a selection does not rename the document
    // A document opened from MP3 saves as MP3 when no type is given.
    back.SaveAudio(dir / "again.mp3", false);
    EXPECT_EQ(testsupport::ReadFile(dir / "again.mp3").substr(0, 3), "ID3");
    ed.View().SetSelectionShown(false);
    EXPECT_THROW(ed.SaveAudio(dir / "none.wav", true, filetype::Wav), platform::RuntimeError);
    EXPECT_THROW(ed.SaveAudio(dir / "bad.xyz", false, 99), platform::RuntimeError);
    EXPECT_FALSE(fs::exists(dir / "bad.xyz"));
}

TEST(WavTemplateTest, CreateWavFile) {
    testsupport::TempDir dir{"wavtemplate"};
    ASSERT_TRUE(CreateWAVFile(dir / "pcm.wav", 44100, 2, 1));
    const std::string pcm = testsupport::ReadFile(dir / "pcm.wav");
    std::string expect = "RIFF";
    Put32(expect, 36);
    expect += "WAVEfmt ";
    Put32(expect, 16);
    Put16(expect, 1);
    Put16(expect, 2);
    Put32(expect, 44100);
    Put32(expect, 176400);
    Put16(expect, 4);
    Put16(expect, 16);
    expect += "data";
    Put32(expect, 0);
    EXPECT_EQ(pcm, expect);

    ASSERT_TRUE(CreateWAVFile(dir / "ima.wav", 44100, 2, 17));
    const std::string ima = testsupport::ReadFile(dir / "ima.wav");
    EXPECT_EQ(ima.size(), 12u + 8 + 20 + 8);
    EXPECT_EQ(ima.substr(20, 2), std::string("\x11\0", 2));
    EXPECT_EQ(ima.substr(32, 2), std::string("\0\x08", 2)); // block align 2048
    EXPECT_EQ(ima.substr(36, 4), std::string("\x02\0\xf9\x07", 4)); // 2041 samples per block

    EXPECT_FALSE(CreateWAVFile("", 44100, 2, 1));
    EXPECT_FALSE(CreateWAVFile(dir / "nochan.wav", 44100, 0, 1));
    EXPECT_FALSE(CreateWAVFile(dir / "norate.wav", 0, 2, 1));
    EXPECT_FALSE(CreateWAVFile(dir / "unknown.wav", 44100, 2, 0x1234));
    EXPECT_FALSE(fs::exists(dir / "nochan.wav"));
    EXPECT_FALSE(fs::exists(dir / "unknown.wav"));
}

TEST(AudioFileLengthTest, MeasuresWithAFreshSilentInstance) {
    testsupport::TempDir dir{"audiolength"};
    WriteToneWav(dir / "ninety.wav", 1, 8000LL * 90, 8000);
    EXPECT_DOUBLE_EQ(GetAudioFileLength(dir / "ninety.wav"), 90.0);
    EXPECT_EQ(GetAudioFileLength(dir / "missing.wav"), -1);
    WriteBytes(dir / "empty.wav", "");
    EXPECT_EQ(GetAudioFileLength(dir / "empty.wav"), -1);
    WriteBytes(dir / "junk.mp3", std::string(3000, '\x11'));
    EXPECT_EQ(GetAudioFileLength(dir / "junk.mp3"), -1);
    // Measuring does not disturb a component that holds another document.
    AudioEditor ed;
    ed.NewDocument(44100, 2);
    ed.SaveFormat().SetMpegLayer3(MP3Settings{});
    WriteToneWav(dir / "src.wav", 2, 44100 * 3);
    AudioEditor src;
    src.OpenAudio(dir / "src.wav");
    src.SaveAudio(dir / "three.mp3", false, filetype::Mp3);
    EXPECT_NEAR(GetAudioFileLength(dir / "three.mp3"), 3.0, 0.06);
    EXPECT_TRUE(ed.HasDocument());
}

TEST_F(SaveTest, OpensFilesOtherProgramsWrote) {
    if (std::system("command -v sox >/dev/null 2>&1") != 0) GTEST_SKIP() << "sox is not installed";
    WriteToneWav(dir / "tone.wav", 1, 16000, 8000);
    struct Case {
        const char* file;
        const char* soxArgs;
        int rate;
    } cases[] = {{"a.vox", "-r 8000", 8000}, {"ima.wav", "-e ima-adpcm", 8000}, {"ms.wav", "-e ms-adpcm", 8000},
                 {"ulaw.wav", "-e u-law", 8000}, {"24.wav", "-b 24", 8000}, {"s.ogg", "", 8000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::string cmd = "sox '" + (dir / "tone.wav") + "' " + c.soxArgs + " '" + (dir / c.file) + "' 2>/dev/null";
        if (std::system(cmd.c_str()) != 0) continue; // this sox cannot write it
        ed.OpenAudio(dir / c.file);
        EXPECT_EQ(ed.SampleRate(), c.rate);
        EXPECT_NEAR(ed.LengthMs(), 2000, 60);
        auto got = Channel(ed, 0);
        std::vector<float> expect(got.size());
        for (std::size_t i = 0; i < got.size(); ++i) expect[i] = Tone(0, static_cast<std::int64_t>(i), 8000);
        EXPECT_GT(BestCorrelation(expect, got, 100).first, 0.9);
    }
}

TEST_F(SaveTest, ATruncatedCompressedFileOpensAsFarAsItHolds) {
    OpenTone(2, 44100 * 4);
    ed.SaveAudio(dir / "whole.mp3", false, filetype::Mp3);
    std::string bytes = testsupport::ReadFile(dir / "whole.mp3");
    WriteBytes(dir / "half.mp3", bytes.substr(0, bytes.size() / 2));
    AudioEditor back;
    int progress = 0;
    back.Progress.Connect([&](int) { ++progress; });
    back.OpenAudio(dir / "half.mp3");
    EXPECT_NEAR(back.LengthMs(), 2000, 150);
    EXPECT_GT(progress, 0);
}

TEST_F(SaveTest, AProgressHandlerCannotChangeTheDocumentUnderAnOperation) {
    OpenTone(2, 44100 * 30);
    int refused = 0;
    ed.Progress.Connect([&](int) {
        try {
            ed.CloseDocument();
        } catch (const platform::RuntimeError&) {
            ++refused;
        }
        try {
            ed.Processing().Reverse();
        } catch (const platform::RuntimeError&) {
            ++refused;
        }
    });
    ed.SaveAudio(dir / "out.wav", false, filetype::Wav);
    EXPECT_GT(refused, 0);
    EXPECT_TRUE(ed.HasDocument());
    EXPECT_FALSE(ed.CanUndo());
    AudioEditor back;
    back.OpenAudio(dir / "out.wav");
    EXPECT_EQ(back.Length(), 44100 * 30);
}

TEST_F(SaveTest, AnEmptyDocumentSavesInEveryFormat) {
    ed.NewDocument(44100, 2);
    const int codes[] = {filetype::Wav, filetype::Mp3, filetype::RawPcm, filetype::G726, filetype::OggVorbis,
                         filetype::G721, filetype::G723, filetype::WindowsMedia, filetype::Mp2};
    for (int code : codes) {
        SCOPED_TRACE(code);
        const std::string out = dir / ("empty" + std::to_string(code));
        ed.SaveAudio(out, false, code);
        EXPECT_TRUE(fs::exists(out));
    }
    AudioEditor back;
    back.OpenAudio(dir / ("empty" + std::to_string(filetype::Wav)));
    EXPECT_EQ(back.Length(), 0);
    // A bit rate Vorbis cannot give at 8 kHz mono still saves, at the coder's own quality.
    OpenTone(1, 8000, 8000);
    ed.SaveFormat().SetOggVorbis(8000, 1, 128000, 0, 0, true);
    ed.SaveAudio(dir / "narrow.ogg", false, filetype::OggVorbis);
    back.OpenAudio(dir / "narrow.ogg");
    EXPECT_NEAR(back.LengthMs(), 1000, 30);
}

TEST_F(SaveTest, G72xCodeSizesReadBackWhereTheFileCanSayThem) {
    OpenTone(1, 8000, 8000);
    const auto source = Channel(ed, 0);
    struct Case {
        const char* file;
        int code, bits;
        std::function<void(AudioEditor&)> setup;
    } cases[] = {
        {"g723-5.wav", filetype::G723, 5, [](AudioEditor& e) { e.SaveFormat().SetG723(8000, 5); }},
        {"g726-2.wav", filetype::G726, 2, [](AudioEditor& e) { e.SaveFormat().SetG726(8000, 2); }},
        {"g726-5.wav", filetype::G726, 5, [](AudioEditor& e) { e.SaveFormat().SetG726(8000, 5); }},
        {"g723-3.g723", filetype::G723, 3, [](AudioEditor& e) { e.SaveFormat().SetG723(8000, 3); }},
        {"g721.au", filetype::G721, 4, [](AudioEditor& e) { e.SaveFormat().SetG721(8000); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        c.setup(ed);
        ed.SaveAudio(dir / c.file, false, c.code);
        EXPECT_EQ(ed.AudioFormat().BitsPerSample(), c.bits);
        EXPECT_EQ(ed.AudioFormat().BitRate(), 8000 * c.bits);
        AudioEditor back;
        back.OpenAudio(dir / c.file);
        EXPECT_EQ(back.AudioFormat().BitsPerSample(), c.bits);
        EXPECT_EQ(back.Length(), 8000);
        // The tone, not noise (2-bit G.726 is rough, but it is the tone).
        EXPECT_GT(BestCorrelation(source, Channel(back, 0), 40).first, c.bits == 2 ? 0.6 : 0.9);
        // Saved again in its own format: the same size and length.
        back.SaveAudio(dir / c.file, false);
        AudioEditor again;
        again.OpenAudio(dir / c.file);
        EXPECT_EQ(again.Length(), 8000);
        EXPECT_EQ(again.AudioFormat().BitsPerSample(), c.bits);
    }
    // A headerless name that would read the codes at another size is refused, and so is a
    // size AU cannot name; nothing is written.
    ed.SaveFormat().SetG726(8000, 5);
    EXPECT_THROW(ed.SaveAudio(dir / "five.g726", false, filetype::G726), platform::RuntimeError);
    ed.SaveFormat().SetG723(8000, 5);
    EXPECT_THROW(ed.SaveAudio(dir / "five.g723", false, filetype::G723), platform::RuntimeError);
    ed.SaveFormat().SetG723(8000, 3);
    EXPECT_THROW(ed.SaveAudio(dir / "three.au", false, filetype::G723), platform::RuntimeError);
    EXPECT_FALSE(fs::exists(dir / "five.g726"));
    EXPECT_FALSE(fs::exists(dir / "five.g723"));
    EXPECT_FALSE(fs::exists(dir / "three.au"));
    // A headerless G.723 file whose size is no whole number of 3-byte groups is not G.723.
    WriteBytes(dir / "odd.g723", std::string(3001, '\x5a'));
    AudioEditor odd;
    EXPECT_THROW(odd.OpenAudio(dir / "odd.g723"), platform::RuntimeError);
    EXPECT_FALSE(odd.HasDocument());
}

TEST_F(SaveTest, PcmSetUpsKeepTheirBitDepthThroughAConversion) {
    OpenTone(2, 44100);
    for (int bits : {8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        ed.SaveFormat().SetPcm(8000, 1, bits);
        const std::string out = dir / ("conv" + std::to_string(bits) + ".wav");
        ed.SaveAudio(out, false, filetype::Wav);
        const std::string bytes = testsupport::ReadFile(out);
        ASSERT_GT(bytes.size(), 36u);
        EXPECT_EQ(static_cast<unsigned char>(bytes[34]), bits);                   // bits per sample
        EXPECT_EQ(static_cast<unsigned char>(bytes[22]), 1);                      // one channel
        EXPECT_EQ(static_cast<unsigned char>(bytes[24]) | static_cast<unsigned char>(bytes[25]) << 8, 8000);
        EXPECT_EQ(ed.AudioFormat().BitsPerSample(), bits);
        AudioEditor back;
        back.OpenAudio(out);
        EXPECT_EQ(back.Length(), 8000);
        EXPECT_EQ(back.AudioFormat().BitsPerSample(), bits);
    }
}

TEST_F(SaveTest, MpegLayer2AtARateItCannotTakeIsSavedAtTheNearestAndSaysSo) {
    OpenTone(1, 8000, 8000);
    ed.SaveFormat().SetMpegLayer2(8000, 192000, 1);
    ed.SaveAudio(dir / "low.mp2", false, filetype::Mp2);
    EXPECT_EQ(ed.AudioFormat().Description(), "MPEG Layer-2, 160 kbit/s, 16,000 Hz, Mono");
    EXPECT_EQ(ed.AudioFormat().BitRate(), 160000);
    AudioEditor back;
    back.OpenAudio(dir / "low.mp2");
    EXPECT_EQ(back.SampleRate(), 16000);
    EXPECT_NEAR(back.LengthMs(), 1000, 1152 / 16.0);
}

TEST_F(SaveTest, AFullDiskFailsTheSaveAndLeavesTheFileAsItWas) {
    OpenTone(2, 44100 * 2);
    const std::string path = dir / "src.wav";
    const std::string original = testsupport::ReadFile(path);
    // Files may grow to 8 KiB here: every save below needs more.
    struct Limit {
        rlimit old{};
        void (*oldHandler)(int) = nullptr;
        Limit() {
            ::getrlimit(RLIMIT_FSIZE, &old);
            oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = old;
            small.rlim_cur = 8 * 1024;
            ::setrlimit(RLIMIT_FSIZE, &small);
        }
        ~Limit() {
            ::setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, oldHandler);
        }
    };
    struct Case {
        const char* name;
        std::string target;
        int code;
    } cases[] = {{"own format over the open file", path, 0},
                 {"mp3", dir / "src.mp3", filetype::Mp3},
                 {"ogg", dir / "src.ogg", filetype::OggVorbis},
                 {"raw", dir / "src.pcm", filetype::RawPcm}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.target != path) WriteBytes(c.target, "keep me");
        const std::string before = testsupport::ReadFile(c.target);
        {
            Limit limit;
            if (c.code) {
                EXPECT_THROW(ed.SaveAudio(c.target, false, c.code), platform::RuntimeError);
            } else {
                EXPECT_THROW(ed.SaveAudio(c.target, false), platform::RuntimeError);
            }
        }
        EXPECT_EQ(testsupport::ReadFile(c.target), before);
        for (auto& e : fs::directory_iterator(dir.path()))
            EXPECT_EQ(e.path().filename().string().find(".saving"), std::string::npos) << e.path();
    }
    EXPECT_EQ(testsupport::ReadFile(path), original);
    EXPECT_EQ(ed.FileName(), path);
    // The document still reads from its file and saves when there is room again.
    ed.SaveAudio(path, false);
    AudioEditor back;
    back.OpenAudio(path);
    EXPECT_EQ(back.Length(), 44100 * 2);
}

TEST_F(SaveTest, AnAuFileStaysAuWithItsAnnotation) {
    // Big-endian 16-bit mono at 8 kHz, with a station's note between header and audio.
    const std::string note = std::string("Station jingle, take 3") + std::string(10, '\0');
    std::string au = ".snd";
    auto be32 = [&](std::uint32_t v) {
        for (int i = 3; i >= 0; --i) au += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const auto planes = TonePlanes(1, 8000, 8000);
    be32(static_cast<std::uint32_t>(24 + note.size()));
    be32(16000);
    be32(3);
    be32(8000);
    be32(1);
    au += note;
    for (float x : planes[0]) {
        const auto v = static_cast<std::int16_t>(std::lround(x * 32767.0));
        au += static_cast<char>((v >> 8) & 0xFF);
        au += static_cast<char>(v & 0xFF);
    }
    const std::string path = dir / "jingle.au";
    WriteBytes(path, au);
    ed.OpenAudio(path);
    EXPECT_EQ(ed.AudioFormat().Description(), "PCM, 8,000 Hz, 16 Bit, Mono");
    const auto before = Channel(ed, 0);
    ed.SaveAudio(path, false);
    EXPECT_EQ(testsupport::ReadFile(path), au); // the very same bytes
    AudioEditor back;
    back.OpenAudio(path);
    EXPECT_EQ(Channel(back, 0), before);
}
