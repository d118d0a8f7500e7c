// Every file format the component opens, made by ffmpeg or sox: opened, saved in its own
// format for three generations and in every save set-up, and each file read back by FFmpeg's
// own probe (libavformat, and the ffprobe program for the own-format files) and libsndfile.
#include "AudioFixtures.h"
#include "support/TestSupport.h"

#include "platform/audio/AudioEditor.h"
#include "platform/audio/WavFile.h"
#include "platform/audio/WavTemplate.h"
#include "platform/base/Error.h"

#include <gtest/gtest.h>
#include <sndfile.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform::audio;
using namespace audiotest;
namespace fs = std::filesystem;

namespace {

bool Have(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }

std::string Hz(int rate) {
    std::string s = std::to_string(rate);
    if (s.size() > 3) s.insert(s.size() - 3, ",");
    return s + " Hz";
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

bool RunShell(const std::string& cmd) { return std::system((cmd + " </dev/null >/dev/null 2>&1").c_str()) == 0; }

std::string Output(const std::string& cmd) {
    std::string out;
    if (FILE* p = ::popen((cmd + " 2>/dev/null").c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

// What FFmpeg sees in a file.
struct Probe {
    bool ok = false;
    std::string container, codec;
    int rate = 0, channels = 0;
    std::int64_t bitRate = 0;
    double seconds = 0; // ffprobe's duration
};

Probe ProbeInProcess(const std::string& path) {
    av_log_set_level(AV_LOG_QUIET);
    Probe p;
    AVFormatContext* f = nullptr;
    if (avformat_open_input(&f, path.c_str(), nullptr, nullptr) < 0) return p;
    if (avformat_find_stream_info(f, nullptr) >= 0) {
        int si = av_find_best_stream(f, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (si >= 0) {
            const AVCodecParameters* c = f->streams[si]->codecpar;
            p.ok = true;
            p.container = f->iformat->name;
            p.codec = avcodec_get_name(c->codec_id);
            p.rate = c->sample_rate;
            p.channels = c->ch_layout.nb_channels;
            p.bitRate = c->bit_rate ? c->bit_rate : f->bit_rate;
        }
    }
    avformat_close_input(&f);
    return p;
}

// The ffprobe program's view of a file.
Probe ProbeWithFfprobe(const std::string& path) {
    Probe p;
    std::istringstream in(Output("ffprobe -v error -select_streams a:0 -show_entries "
                                 "format=format_name,bit_rate,duration:stream=codec_name,sample_rate,channels,bit_rate "
                                 "-of default=nw=1 " +
                                 Quote(path)));
    std::map<std::string, std::string> kv;
    std::string line;
    while (std::getline(in, line)) {
        auto eq = line.find('=');
        if (eq != std::string::npos && !kv.count(line.substr(0, eq))) kv[line.substr(0, eq)] = line.substr(eq + 1);
    }
    auto num = [&](const char* k) { return kv.count(k) ? std::atoll(kv[k].c_str()) : 0LL; };
    p.ok = kv.count("codec_name") > 0;
    p.container = kv["format_name"];
    p.codec = kv["codec_name"];
    p.rate = static_cast<int>(num("sample_rate"));
    p.channels = static_cast<int>(num("channels"));
    p.bitRate = num("bit_rate");
    p.seconds = kv.count("duration") ? std::atof(kv["duration"].c_str()) : 0;
    return p;
}

// libsndfile counts linear and companded samples as we do; ADPCM it counts in whole blocks,
// without the fact chunk's word on the last one.
void ExpectSndfileFrames(const std::string& path, std::int64_t frames) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if ((info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_G721_32) {
        if (f) sf_close(f);
        return; // libsndfile takes G.726 in WAV packed the other way round
    }
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    sf_close(f);
    const int sub = info.format & SF_FORMAT_SUBMASK;
    if (sub == SF_FORMAT_IMA_ADPCM || sub == SF_FORMAT_MS_ADPCM) {
        EXPECT_GE(info.frames, frames);
        EXPECT_LT(info.frames, frames + 4096);
    } else {
        EXPECT_EQ(info.frames, frames);
    }
}

std::optional<WavInfo> Wav(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    ::fstat(fd, &st);
    std::optional<WavInfo> info;
    try {
        info = ReadWavInfo(fd, st.st_size);
    } catch (...) {
    }
    ::close(fd);
    return info;
}

enum class Coding { Exact, Lossy };

struct Format {
    const char* name;
    const char* file;     // the source's name
    const char* make;     // shell command from {in} (a 1 s stereo 44.1 kHz tone) to {out}
    const char* container; // as FFmpeg names it; nullptr for a headerless file
    const char* codec;
    int rate, channels;
    std::uint16_t tag;    // the format object's format tag
    std::int64_t bitRate; // of the own-format file (0: a variable one, not compared)
    Coding coding;
    int frame;            // one codec frame, the tolerance of lossy lengths
    bool ownWritable;
};

std::ostream& operator<<(std::ostream& o, const Format& f) { return o << f.name; }

#define FF "ffmpeg -v error -y -i {in} -bitexact "
const Format kFormats[] = {
    {"Pcm8Wav", "a.wav", FF "-ar 8000 -ac 1 -c:a pcm_u8 {out}", "wav", "pcm_u8", 8000, 1, 1, 64000, Coding::Exact, 0, true},
    {"Pcm16Wav", "a.wav", FF "-c:a pcm_s16le {out}", "wav", "pcm_s16le", 44100, 2, 1, 1411200, Coding::Exact, 0, true},
    {"Pcm24Wav", "a.wav", FF "-ar 48000 -c:a pcm_s24le {out}", "wav", "pcm_s24le", 48000, 2, 1, 2304000, Coding::Exact, 0, true},
    {"Pcm32Wav", "a.wav", FF "-ar 22050 -ac 1 -c:a pcm_s32le {out}", "wav", "pcm_s32le", 22050, 1, 1, 705600, Coding::Exact, 0, true},
    {"FloatWav", "a.wav", FF "-c:a pcm_f32le {out}", "wav", "pcm_f32le", 44100, 2, 3, 2822400, Coding::Exact, 0, true},
    {"ALawWav", "a.wav", FF "-ar 8000 -ac 1 -c:a pcm_alaw {out}", "wav", "pcm_alaw", 8000, 1, 6, 64000, Coding::Exact, 0, true},
    {"MuLawWav", "a.wav", FF "-ar 8000 -ac 1 -c:a pcm_mulaw {out}", "wav", "pcm_mulaw", 8000, 1, 7, 64000, Coding::Exact, 0, true},
    {"ImaAdpcmWav", "a.wav", FF "-ar 22050 -c:a adpcm_ima_wav {out}", "wav", "adpcm_ima_wav", 22050, 2, 0x11, 0, Coding::Exact, 2048, true},
    {"MsAdpcmWav", "a.wav", FF "-ac 1 -c:a adpcm_ms {out}", "wav", "adpcm_ms", 44100, 1, 2, 0, Coding::Exact, 2048, true},
    {"Mp2Wav", "a.wav", FF "-ar 48000 -c:a mp2 -b:a 192k {out}", "wav", "mp2", 48000, 2, 0x50, 192000, Coding::Lossy, 1152, true},
    {"Mp3Wav", "a.wav", FF "-c:a libmp3lame -b:a 128k {out}", "wav", "mp3", 44100, 2, 0x55, 128000, Coding::Lossy, 1152, true},
    {"Mp2", "a.mp2", FF "-ar 48000 -c:a mp2 -b:a 192k {out}", "mp3", "mp2", 48000, 2, 0x50, 192000, Coding::Lossy, 1152, true},
    {"Mp3Cbr", "a.mp3", FF "-c:a libmp3lame -b:a 128k {out}", "mp3", "mp3", 44100, 2, 0x55, 128000, Coding::Lossy, 1152, true},
    {"Mp3Vbr", "a.mp3", FF "-ar 22050 -ac 1 -c:a libmp3lame -q:a 5 {out}", "mp3", "mp3", 22050, 1, 0x55, 0, Coding::Lossy, 1152, true},
    {"OggVorbis", "a.ogg", FF "-c:a libvorbis -b:a 128k {out}", "ogg", "vorbis", 44100, 2, 0x674F, 0, Coding::Lossy, 2048, true},
    {"WindowsMedia", "a.wma", FF "-c:a wmav2 -b:a 128k {out}", "asf", "wmav2", 44100, 2, 0x161, 128000, Coding::Lossy, 2048, true},
    {"RawPcm", "a.pcm", FF "-f s16le -c:a pcm_s16le {out}", nullptr, nullptr, 44100, 2, 1, 1411200, Coding::Exact, 0, true},
    {"Vox", "a.vox", "sox {in} -r 8000 -c 1 {out}", nullptr, nullptr, 8000, 1, 0x17, 0, Coding::Exact, 0, false},
    {"G721", "a.g721", FF "-ar 8000 -ac 1 -c:a g726le -b:a 32k -f g726le {out}", nullptr, nullptr, 8000, 1, 0x45, 32000, Coding::Exact, 0, true},
    {"G723", "a.g723", FF "-ar 8000 -ac 1 -c:a g726le -b:a 24k -f g726le {out}", nullptr, nullptr, 8000, 1, 0x45, 24000, Coding::Exact, 0, true},
    {"G726", "a.g726", FF "-ar 8000 -ac 1 -c:a g726le -b:a 32k -f g726le {out}", nullptr, nullptr, 8000, 1, 0x45, 32000, Coding::Exact, 0, true},
    {"Pcm16Au", "a.au", FF "-ar 22050 -ac 1 -c:a pcm_s16be {out}", "au", "pcm_s16be", 22050, 1, 1, 352800, Coding::Exact, 0, true},
    {"Pcm24Au", "a.au", FF "-ar 48000 -c:a pcm_s24be {out}", "au", "pcm_s24be", 48000, 2, 1, 2304000, Coding::Exact, 0, true},
    {"FloatAu", "a.au", FF "-ac 1 -c:a pcm_f32be {out}", "au", "pcm_f32be", 44100, 1, 3, 1411200, Coding::Exact, 0, true},
    {"ALawAu", "a.au", FF "-ar 8000 -ac 1 -c:a pcm_alaw {out}", "au", "pcm_alaw", 8000, 1, 6, 64000, Coding::Exact, 0, true},
    {"MuLawAu", "a.au", FF "-ar 8000 -ac 1 -c:a pcm_mulaw {out}", "au", "pcm_mulaw", 8000, 1, 7, 64000, Coding::Exact, 0, true},
    {"G721Au", "a.au", FF "-ar 8000 -ac 1 -c:a g726le -b:a 32k {out}", "au", "adpcm_g726le", 8000, 1, 0x45, 32000, Coding::Exact, 0, true},
};
#undef FF

// The save set-ups of the save dialog's list, each with the file-type code it saves with.
struct SaveCase {
    const char* name;
    const char* file;
    int code; // 0: the two-argument save of a template set-up
    std::function<void(AudioEditor&, const testsupport::TempDir&)> setup;
    const char* container;
    const char* codec;
    const char* describes;        // the coding the format object names after the save
    std::function<int(int)> rate; // of the file, from the document's
    bool mono;                    // written as one channel
    std::function<std::int64_t(int rate, int channels)> bitRate; // of the file (0: not compared)
    Coding coding;
    int frame;
};

const SaveCase kSaves[] = {
    {"linear wav", "s.wav", filetype::Wav,
     [](AudioEditor& e, auto&) { e.SaveFormat().SetPcm(e.AudioFormat().SampleRate(), e.AudioFormat().Channels(), 16); },
     "wav", "pcm_s16le", "PCM", [](int r) { return r; }, false, [](int r, int c) { return 16LL * r * c; }, Coding::Exact, 0},
    {"g721", "s.g721", filetype::G721, [](AudioEditor& e, auto&) { e.SaveFormat().SetG721(8000); }, nullptr, nullptr, "G.721",
     [](int) { return 8000; }, true, [](int, int) { return 32000LL; }, Coding::Lossy, 8},
    {"g723", "s.g723", filetype::G723, [](AudioEditor& e, auto&) { e.SaveFormat().SetG723(8000, 3); }, nullptr, nullptr, "G.723",
     [](int) { return 8000; }, true, [](int, int) { return 24000LL; }, Coding::Lossy, 8},
    {"g726", "s.g726", filetype::G726, [](AudioEditor& e, auto&) { e.SaveFormat().SetG726(8000, 4); }, nullptr, nullptr, "G.726",
     [](int) { return 8000; }, true, [](int, int) { return 32000LL; }, Coding::Lossy, 8},
    {"mpeg 2", "s.mp2", filetype::Mp2,
     [](AudioEditor& e, auto&) {
         e.SaveFormat().SetMpegLayer2(e.AudioFormat().SampleRate(), 192000, e.AudioFormat().Channels());
     },
     "mp3", "mp2", "MPEG Layer-2", [](int r) { return r < 16000 ? 16000 : r; }, false, [](int r, int) { return r < 32000 ? 160000LL : 192000LL; }, Coding::Lossy, 1152},
    {"mpeg 3", "s.mp3", filetype::Mp3,
     [](AudioEditor& e, auto&) {
         MP3Settings s = e.CreateMP3Settings();
         s.BitRate = 128000;
         s.Channels = e.AudioFormat().Channels();
         s.SampleRate = e.AudioFormat().SampleRate();
         e.SaveFormat().SetMpegLayer3(s);
     },
     "mp3", "mp3", "MPEG Layer-3", [](int r) { return r; }, false, [](int r, int) { return r < 16000 ? 64000LL : 128000LL; }, Coding::Lossy, 1152},
    {"ogg vorbis", "s.ogg", filetype::OggVorbis,
     [](AudioEditor& e, auto&) {
         e.SaveFormat().SetOggVorbis(e.AudioFormat().SampleRate(), e.AudioFormat().Channels(), 128000, 0, 0, true);
     },
     "ogg", "vorbis", "Ogg Vorbis", [](int r) { return r; }, false, [](int, int) { return 0LL; }, Coding::Lossy, 2048},
    {"raw pcm", "s.pcm", filetype::RawPcm,
     [](AudioEditor& e, auto&) { e.SaveFormat().SetRawPcm(1, e.AudioFormat().SampleRate(), e.AudioFormat().Channels(), 16); },
     nullptr, nullptr, "Raw PCM", [](int r) { return r; }, false, [](int r, int c) { return 16LL * r * c; }, Coding::Exact, 0},
    {"windows media", "s.wma", filetype::WindowsMedia, [](AudioEditor& e, auto&) { e.SaveFormat().SetWindowsMedia(64000); },
     "asf", "wmav2", "Windows Media Audio, 64 kbit/s", [](int r) { return r; }, false, [](int, int) { return 64000LL; }, Coding::Lossy, 2048},
    {"adpcm wav", "s-ima.wav", 0,
     [](AudioEditor& e, const testsupport::TempDir& dir) {
         const std::string t = dir / "template.wav";
         ASSERT_TRUE(CreateWAVFile(t, e.AudioFormat().SampleRate(), static_cast<std::int16_t>(e.AudioFormat().Channels()), 17));
         e.SaveFormat().SetFromTemplate(t);
         fs::remove(t);
     },
     "wav", "adpcm_ima_wav", "IMA ADPCM", [](int r) { return r; }, false, [](int, int) { return 0LL; }, Coding::Exact, 0},
};

// Hundreds of small saves, each flushed to disk: in memory where the machine has a tmpfs.
std::optional<std::string> MemoryFolder() {
    if (::access("/dev/shm", W_OK) == 0) return std::string("/dev/shm/bvr-test-") + std::to_string(::getuid());
    if (const char* t = std::getenv("BVR_TEST_TMP")) return std::string(t);
    return std::nullopt;
}

class FormatTest : public ::testing::TestWithParam<Format> {
protected:
    testsupport::ScopedEnv tmp{"BVR_TEST_TMP", MemoryFolder()};
    testsupport::TempDir dir{"audioformats"};
    std::string tone;
    void SetUp() override {
        if (!Have("ffmpeg") || !Have("ffprobe") || !Have("sox")) GTEST_SKIP() << "ffmpeg, ffprobe and sox are needed";
        tone = dir / "tone.wav";
        WriteToneWav(tone, 2, 44100, 44100);
    }
    std::string Make(const Format& f, const std::string& out) {
        std::string cmd = f.make;
        auto put = [&](const std::string& key, const std::string& v) {
            for (auto at = cmd.find(key); at != std::string::npos; at = cmd.find(key)) cmd.replace(at, key.size(), Quote(v));
        };
        put("{in}", tone);
        put("{out}", out);
        EXPECT_TRUE(RunShell(cmd)) << cmd;
        return out;
    }
    void OpenIn(AudioEditor& e, const std::string& path) {
        e.SetTemporaryFolder(dir / "work");
        e.SetRawFormat(44100, 2);
        e.OpenAudio(path);
    }
};

void ExpectLength(Coding coding, int frame, std::int64_t got, std::int64_t want) {
    if (coding == Coding::Exact) {
        EXPECT_EQ(got, want);
    } else {
        EXPECT_LE(std::abs(got - want), frame) << got << " against " << want;
    }
}

} // namespace

TEST_P(FormatTest, OpensSavesInItsOwnFormatAndInEverySetUp) {
    const Format& f = GetParam();
    const std::string source = Make(f, dir / f.file);

    // Opened: the document is what the file is.
    AudioEditor ed;
    OpenIn(ed, source);
    EXPECT_EQ(ed.SampleRate(), f.rate);
    EXPECT_EQ(ed.ChannelCount(), f.channels);
    // A second of audio (what the making program announces: ffmpeg counts its ADPCM blocks whole).
    EXPECT_LE(std::abs(ed.Length() - f.rate), f.frame) << ed.Length();
    EXPECT_EQ(ed.AudioFormat().FormatTag(), f.tag);
    if (f.bitRate) {
        EXPECT_NEAR(static_cast<double>(ed.AudioFormat().BitRate()), static_cast<double>(f.bitRate), f.bitRate * 0.05);
    }
    const std::int64_t length = ed.Length();
    const std::optional<WavInfo> sourceWav = Wav(source);

    // Its own format, three generations over the same file.
    const std::string own = dir / (std::string("own-") + f.file);
    fs::copy_file(source, own);
    for (int generation = 1; generation <= 3; ++generation) {
        SCOPED_TRACE("generation " + std::to_string(generation));
        AudioEditor gen;
        OpenIn(gen, own);
        if (!f.ownWritable) {
            const std::string before = testsupport::ReadFile(own);
            EXPECT_THROW(gen.SaveAudio(own, false), platform::RuntimeError);
            EXPECT_EQ(testsupport::ReadFile(own), before);
            break;
        }
        const std::string description = gen.AudioFormat().Description();
        gen.SaveAudio(own, false);
        if (f.bitRate || f.coding == Coding::Exact) {
            EXPECT_EQ(gen.AudioFormat().Description(), description); // a variable rate is saved at its average
        }
        EXPECT_EQ(gen.AudioFormat().FormatTag(), f.tag);
        AudioEditor back;
        OpenIn(back, own);
        EXPECT_EQ(back.SampleRate(), f.rate);
        EXPECT_EQ(back.ChannelCount(), f.channels);
        ExpectLength(f.coding, f.frame, back.Length(), length);
        EXPECT_EQ(back.AudioFormat().FormatTag(), f.tag);
        if (f.container) {
            const Probe p = ProbeWithFfprobe(own);
            ASSERT_TRUE(p.ok);
            EXPECT_EQ(p.container, f.container);
            EXPECT_EQ(p.codec, f.codec);
            EXPECT_EQ(p.rate, f.rate);
            EXPECT_EQ(p.channels, f.channels);
            if (f.bitRate) {
                EXPECT_NEAR(static_cast<double>(p.bitRate), static_cast<double>(f.bitRate), f.bitRate * 0.05);
            }
            // ADPCM files end on a whole block and MP3 files carry the coder's delay and padding,
            // which ffprobe's duration counts.
            const int slack = f.coding == Coding::Lossy ? 2 * f.frame : std::max(f.frame, 2);
            EXPECT_NEAR(p.seconds * f.rate, static_cast<double>(length), slack + 0.002 * f.rate);
        }
        if (sourceWav) {
            const auto w = Wav(own);
            ASSERT_TRUE(w);
            EXPECT_EQ(w->tag, sourceWav->tag);
            if (f.coding == Coding::Exact) {
                EXPECT_EQ(w->blockAlign, sourceWav->blockAlign);
            }
        }
        if (f.coding == Coding::Exact && f.container) ExpectSndfileFrames(own, length);
    }

    // Every save set-up.
    for (const auto& s : kSaves) {
        SCOPED_TRACE(s.name);
        AudioEditor doc;
        OpenIn(doc, source);
        s.setup(doc, dir);
        const std::string out = dir / s.file;
        doc.AudioFormat().SetSaveOption(0);
        if (s.code) {
            doc.SaveAudio(out, false, s.code);
        } else {
            doc.SaveAudio(out, false);
        }
        const int rate = s.rate(f.rate), channels = s.mono ? 1 : f.channels;
        if (const std::int64_t bitRate = s.bitRate(rate, channels)) {
            EXPECT_EQ(doc.AudioFormat().BitRate(), bitRate);
        }
        // The format object names what was written.
        const std::string d = doc.AudioFormat().Description();
        EXPECT_EQ(d.rfind(s.describes, 0), 0u) << d;
        EXPECT_NE(d.find(Hz(rate)), std::string::npos) << d;
        if (s.container) {
            const Probe p = ProbeInProcess(out);
            ASSERT_TRUE(p.ok);
            EXPECT_EQ(p.container, s.container);
            EXPECT_EQ(p.codec, s.codec);
            EXPECT_EQ(p.rate, rate);
            EXPECT_EQ(p.channels, channels);
            if (const std::int64_t bitRate = s.bitRate(rate, channels)) {
                EXPECT_NEAR(static_cast<double>(p.bitRate), static_cast<double>(bitRate), bitRate * 0.05);
            }
        }
        AudioEditor back;
        back.SetTemporaryFolder(dir / "work");
        back.SetRawFormat(f.rate, f.channels);
        back.OpenAudio(out);
        EXPECT_EQ(back.SampleRate(), rate);
        EXPECT_EQ(back.ChannelCount(), channels);
        // A converted rate rounds its length; lossy coders add up to a frame.
        const std::int64_t want = length * rate / f.rate;
        ExpectLength(rate == f.rate ? s.coding : Coding::Lossy, s.frame + (rate == f.rate ? 0 : 2), back.Length(), want);
        if (s.container && std::string(s.container) == "wav") ExpectSndfileFrames(out, back.Length());
        fs::remove(out);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryLoadFormat, FormatTest, ::testing::ValuesIn(kFormats),
                         [](const ::testing::TestParamInfo<Format>& i) { return std::string(i.param.name); });

namespace {

// The chunks of a WAV file, by id, in their order (whole chunks with header and pad byte).
std::vector<std::pair<std::string, std::string>> Chunks(const std::string& bytes) {
    std::vector<std::pair<std::string, std::string>> out;
    for (std::size_t pos = 12; pos + 8 <= bytes.size();) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + pos + 4);
        const std::size_t size = p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::size_t>(p[3]) << 24;
        const std::size_t whole = std::min(bytes.size() - pos, 8 + size + (size & 1));
        out.emplace_back(bytes.substr(pos, 4), bytes.substr(pos, whole));
        pos += whole;
    }
    return out;
}

std::string Riff(const std::string& body) {
    std::string riff = "RIFF";
    Put32(riff, static_cast<std::uint32_t>(body.size() + 4));
    return riff + "WAVE" + body;
}

std::string Find(const std::vector<std::pair<std::string, std::string>>& chunks, const std::string& id) {
    for (const auto& c : chunks)
        if (c.first == id) return c.second;
    return {};
}

class BroadcastWavTest : public FormatTest {};
class CodecTest : public FormatTest {};

} // namespace

TEST_F(BroadcastWavTest, EveryOtherChunkOfPcmAndMpegWavSurvivesOwnFormatSavesByteForByte) {
    const std::vector<std::string> before = {Chunk("bext", std::string(603, 'b')), Chunk("cart", std::string(2048, 'c'))};
    const std::vector<std::string> after = {Chunk("LIST", std::string("INFOINAM\x05\0\0\0Title\0", 18)),
                                            Chunk("cue ", std::string(28, '\x01')), Chunk("iXML", "<BWFXML/>"),
                                            Chunk("JUNK", std::string(7, '\0'))};
    // A PCM item as our fixtures write it, and an MPEG one as ffmpeg writes its audio.
    const std::string pcm = dir / "pcm.wav";
    std::string joinedBefore, joinedAfter;
    for (auto& c : before) joinedBefore += c;
    for (auto& c : after) joinedAfter += c;
    WriteBytes(pcm, WavBytes(TonePlanes(2, 22050, 44100), 44100, 16, false, joinedBefore, joinedAfter));
    const std::string mpegAudio = dir / "mpeg-audio.wav";
    ASSERT_TRUE(RunShell("ffmpeg -v error -y -i " + Quote(tone) + " -bitexact -c:a mp2 -b:a 256k " + Quote(mpegAudio)));
    const auto ff = Chunks(testsupport::ReadFile(mpegAudio));
    const std::string mpeg = dir / "mpeg.wav";
    WriteBytes(mpeg, Riff(before[0] + Find(ff, "fmt ") + Find(ff, "fact") + before[1] + Find(ff, "data") + joinedAfter));

    for (const std::string& path : {pcm, mpeg}) {
        SCOPED_TRACE(path);
        std::int64_t length = -1;
        for (int generation = 1; generation <= 3; ++generation) {
            AudioEditor ed;
            OpenIn(ed, path);
            if (length < 0) length = ed.Length();
            ed.SaveAudio(path, false);
            const std::string bytes = testsupport::ReadFile(path);
            const auto chunks = Chunks(bytes);
            std::vector<std::string> order;
            for (const auto& c : chunks) order.push_back(c.first);
            const bool isMpeg = path == mpeg;
            const std::vector<std::string> mpegOrder = {"bext", "fmt ", "fact", "cart", "data", "LIST", "cue ", "iXML", "JUNK"};
            const std::vector<std::string> pcmOrder = {"fmt ", "bext", "cart", "data", "LIST", "cue ", "iXML", "JUNK"};
            EXPECT_EQ(order, isMpeg ? mpegOrder : pcmOrder);
            for (const auto& c : before) EXPECT_NE(bytes.find(c), std::string::npos) << c.substr(0, 4);
            for (const auto& c : after) EXPECT_NE(bytes.find(c), std::string::npos) << c.substr(0, 4);
            const Probe p = ProbeWithFfprobe(path);
            EXPECT_EQ(p.container, "wav");
            EXPECT_EQ(p.codec, isMpeg ? "mp2" : "pcm_s16le");
            EXPECT_EQ(p.rate, 44100);
            if (isMpeg) {
                EXPECT_NEAR(static_cast<double>(p.bitRate), 256000, 2000);
                // The fact chunk holds the document's length, and a reopen gives it.
                const auto w = Wav(path);
                ASSERT_TRUE(w && w->factSamples);
                EXPECT_EQ(static_cast<std::int64_t>(*w->factSamples), length);
            }
            AudioEditor back;
            OpenIn(back, path);
            EXPECT_EQ(back.Length(), length);
            EXPECT_EQ(back.AudioFormat().FormatTag(), isMpeg ? 0x50 : 1);
        }
    }
}

TEST_F(BroadcastWavTest, DamagedContainersSaveRepairedOrRefuseAndNeverLoseTheFile) {
    const std::string made = dir / "mpeg-audio.wav";
    ASSERT_TRUE(RunShell("ffmpeg -v error -y -i " + Quote(tone) + " -bitexact -c:a mp2 -b:a 192k " + Quote(made)));
    const auto ff = Chunks(testsupport::ReadFile(made));
    const std::string bext = Chunk("bext", std::string(602, 'b'));
    std::string fmt = Find(ff, "fmt "), fact = Find(ff, "fact");
    ASSERT_GE(fmt.size(), 22u);
    ASSERT_EQ(fact.size(), 12u);
    struct Case {
        const char* name;
        std::function<void(std::string& fmt, std::string& fact)> damage;
    } cases[] = {
        {"a fact chunk larger than the data", [](std::string&, std::string& f) { f.replace(8, 4, std::string("\xff\xff\xff\x0f", 4)); }},
        {"a block align of 0", [](std::string& f, std::string&) { f.replace(8 + 12, 2, std::string("\0\0", 2)); }},
        {"a block align of 1000", [](std::string& f, std::string&) { f.replace(8 + 12, 2, std::string("\xe8\x03", 2)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string f = fmt, fa = fact;
        c.damage(f, fa);
        const std::string path = dir / "damaged.wav";
        const std::string original = Riff(bext + f + fa + Find(ff, "data"));
        WriteBytes(path, original);
        AudioEditor ed;
        try {
            OpenIn(ed, path);
        } catch (const platform::RuntimeError& e) {
            EXPECT_FALSE(e.Description().empty());
            EXPECT_EQ(testsupport::ReadFile(path), original);
            continue;
        }
        EXPECT_LE(std::abs(ed.Length() - 44100), 1152 * 2);
        ed.SaveAudio(path, false);
        // Saved with a record and a fact chunk that tell the truth, the rest kept.
        const std::string bytes = testsupport::ReadFile(path);
        EXPECT_NE(bytes.find(bext), std::string::npos);
        const auto w = Wav(path);
        ASSERT_TRUE(w && w->factSamples);
        EXPECT_EQ(static_cast<std::int64_t>(*w->factSamples), ed.Length());
        EXPECT_EQ(w->blockAlign, 1);
        const Probe p = ProbeWithFfprobe(path);
        EXPECT_EQ(p.codec, "mp2");
        AudioEditor back;
        OpenIn(back, path);
        EXPECT_EQ(back.Length(), ed.Length());
    }
}

TEST_F(CodecTest, WindowsMediaKeepsItsStartOverGenerations) {
    // A click at 10,000: every generation must find it where it was.
    std::vector<float> x(44100, 0.0f);
    for (int i = 0; i < 100; ++i) x[static_cast<std::size_t>(10000 + i)] = 0.8f * static_cast<float>(std::sin(i / 5.0));
    const std::string path = dir / "click.wav";
    WriteBytes(path, WavBytes({x, x}, 44100));
    const std::string wma = dir / "click.wma";
    AudioEditor ed;
    OpenIn(ed, path);
    ed.SaveFormat().SetWindowsMedia(128000);
    ed.SaveAudio(wma, false, filetype::WindowsMedia);
    for (int generation = 1; generation <= 3; ++generation) {
        SCOPED_TRACE(generation);
        AudioEditor gen;
        OpenIn(gen, wma);
        const auto got = Channel(gen, 0);
        std::size_t first = 0;
        while (first < got.size() && std::abs(got[first]) < 0.3f) ++first;
        EXPECT_NEAR(static_cast<double>(first), 10000, 64);
        EXPECT_LE(std::abs(gen.Length() - 44100), 2048);
        EXPECT_EQ(gen.AudioFormat().BitRate(), 128000);
        gen.SaveAudio(wma, false);
    }
}

TEST_F(CodecTest, AVariableRateMp3IsSavedVariableAndSaysItsAverage) {
    const std::string path = dir / "vbr.mp3";
    ASSERT_TRUE(RunShell("ffmpeg -v error -y -i " + Quote(tone) + " -c:a libmp3lame -q:a 2 " + Quote(path)));
    for (int generation = 1; generation <= 2; ++generation) {
        SCOPED_TRACE(generation);
        AudioEditor ed;
        OpenIn(ed, path);
        ed.SaveAudio(path, false);
        EXPECT_NE(testsupport::ReadFile(path).find("Xing"), std::string::npos); // LAME's mark of a variable rate
        const Probe p = ProbeWithFfprobe(path);
        EXPECT_EQ(p.codec, "mp3");
        // What the format object says is what the file holds on average.
        const double seconds = static_cast<double>(ed.Length()) / ed.SampleRate();
        const double average = static_cast<double>(fs::file_size(path)) * 8 / seconds;
        EXPECT_NEAR(static_cast<double>(ed.AudioFormat().BitRate()), average, average * 0.1);
        EXPECT_NE(ed.AudioFormat().Description().find(std::to_string((ed.AudioFormat().BitRate() + 500) / 1000) + " kbit/s"),
                  std::string::npos);
    }
}
