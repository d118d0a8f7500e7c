// Saving: the save-format set-ups, the file-type codes and the writers behind them.
#include "platform/audio/EditorImpl.h"
#include "platform/audio/WavFile.h"

#include <algorithm>
#include <cmath>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <future>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::audio {

using K = SaveSetup::Kind;

void AudioEditor::SaveFormatObject::SetPcm(int rate, int channels, int bits) {
    setup_ = SaveSetup{K::Pcm, rate, channels, bits, 0, kTagPcm, false};
}
void AudioEditor::SaveFormatObject::SetG721(int rate) { setup_ = SaveSetup{K::G721, rate, 1, 4, 0, 0, false}; }
void AudioEditor::SaveFormatObject::SetG723(int rate, int bits) { setup_ = SaveSetup{K::G723, rate, 1, bits, 0, 0, false}; }
void AudioEditor::SaveFormatObject::SetG726(int rate, int bits) { setup_ = SaveSetup{K::G726, rate, 1, bits, 0, 0, false}; }
void AudioEditor::SaveFormatObject::SetMpegLayer2(int rate, std::int64_t bitRate, int channels) {
    setup_ = SaveSetup{K::Mp2, rate, channels, 0, bitRate, 0, false};
}
void AudioEditor::SaveFormatObject::SetMpegLayer3(const MP3Settings& s) {
    setup_ = SaveSetup{K::Mp3, s.SampleRate, s.Channels, 0, s.BitRate, 0, false};
}
void AudioEditor::SaveFormatObject::SetOggVorbis(int rate, int channels, std::int64_t bitRate, std::int64_t,
                                                 std::int64_t, bool variable) {
    setup_ = SaveSetup{K::OggVorbis, rate, channels, 0, bitRate, 0, variable};
}
void AudioEditor::SaveFormatObject::SetRawPcm(int formatTag, int rate, int channels, int bits) {
    setup_ = SaveSetup{K::RawPcm, rate, channels, bits, 0, static_cast<std::uint16_t>(formatTag), false};
}
void AudioEditor::SaveFormatObject::SetWindowsMedia(std::int64_t formatValue) {
    setup_ = SaveSetup{K::WindowsMedia, 0, 0, 0, formatValue, 0, false};
}

void AudioEditor::SaveFormatObject::SetFromTemplate(const std::string& wavPath) {
    int fd = ::open(wavPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Raise(err::FileNotFound, "The format template " + wavPath + " cannot be opened");
    struct stat st {};
    ::fstat(fd, &st);
    std::optional<WavInfo> info;
    try {
        info = ReadWavInfo(fd, st.st_size);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    if (!info) Raise(err::InvalidPropertyValue, wavPath + " is not a WAV file");
    switch (info->tag) {
    case kTagPcm:
    case kTagFloat:
    case kTagMsAdpcm:
    case kTagALaw:
    case kTagMuLaw:
    case kTagImaAdpcm: break;
    default: Raise(err::InvalidPropertyValue, "The template's audio format cannot be written");
    }
    setup_ = SaveSetup{K::Template, static_cast<int>(info->rate), info->channels, info->bits, 0, info->tag, false,
                       info->blockAlign};
}

namespace {

using W = SaveSetup::Wrap;

// AU encodings.
constexpr std::uint32_t kAuMuLaw = 1, kAuPcm8 = 2, kAuPcm16 = 3, kAuPcm24 = 4, kAuPcm32 = 5, kAuFloat = 6,
                        kAuDouble = 7, kAuG721 = 23, kAuALaw = 27;

struct Plan {
    enum class How { PcmWav, RawPcm, Coded } how = How::PcmWav;
    W wrap = W::Wav;
    EncodeSettings enc;
    int rate = 0, channels = 0, bits = 16;
    std::uint16_t tag = kTagPcm;
    SaveSetup asSetup;
    int asType = filetype::Wav;
    std::uint32_t auEncoding = 0;
    std::string coding;       // for the description
    std::uint16_t fileTag = kTagPcm;
    int fileBits = 16;
};

int Or(int v, int dflt) { return v > 0 ? v : dflt; }

std::string LowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

[[noreturn]] void CannotWrite(const std::string& why) { Raise(err::InvalidPropertyValue, "The audio cannot be saved: " + why); }

// The file the audio goes in: the one the set-up names, else the target's name decides
// between the containers that can hold the coding.
W ResolveWrap(const SaveSetup& s, const std::string& path) {
    if (s.wrap == W::Unwritable)
        CannotWrite("its own file format cannot be written here; save it in another format");
    if (s.wrap != W::ByName) return s.wrap;
    const std::string ext = LowerExtension(path);
    const bool wavName = ext == ".wav", auName = ext == ".au" || ext == ".snd";
    switch (s.kind) {
    case K::None:
    case K::Pcm:
    case K::Template: return auName ? W::Au : W::Wav;
    case K::Mp2:
    case K::Mp3: return wavName ? W::Wav : W::Native;
    case K::G721:
    case K::G723:
    case K::G726: return wavName ? W::Wav : auName ? W::Au : W::Native;
    default: return W::Native;
    }
}

const char* PcmEncoder(int bits, bool isFloat, bool bigEndian) {
    if (isFloat) return bits == 64 ? (bigEndian ? "pcm_f64be" : "pcm_f64le") : (bigEndian ? "pcm_f32be" : "pcm_f32le");
    switch (bits) {
    case 8: return bigEndian ? "pcm_s8" : "pcm_u8";
    case 24: return bigEndian ? "pcm_s24be" : "pcm_s24le";
    case 32: return bigEndian ? "pcm_s32be" : "pcm_s32le";
    default: return bigEndian ? "pcm_s16be" : "pcm_s16le";
    }
}

Plan PlanFor(const SaveSetup& s, int docRate, int docCh, const std::string& path) {
    Plan p;
    p.wrap = ResolveWrap(s, path);
    p.asSetup = s;
    auto coded = [&](Container c, const char* encoder, int rate, int ch, std::int64_t bitRate) {
        p.how = Plan::How::Coded;
        p.enc.container = c;
        p.enc.encoder = encoder;
        p.enc.rate = rate;
        p.enc.channels = ch;
        p.enc.bitRate = bitRate;
        p.rate = rate;
        p.channels = ch;
    };
    switch (s.kind) {
    case K::None:
    case K::Pcm: {
        p.rate = Or(s.rate, docRate);
        p.channels = Or(s.channels, docCh);
        p.bits = Or(s.bits, 16);
        p.tag = s.tag == kTagFloat ? kTagFloat : kTagPcm;
        if (p.tag == kTagFloat && p.bits != 64) p.bits = 32;
        if (p.tag == kTagPcm && p.bits != 8 && p.bits != 24 && p.bits != 32) p.bits = 16;
        p.asType = filetype::Wav;
        p.coding = p.tag == kTagFloat ? "IEEE Float" : "PCM";
        p.fileTag = p.tag;
        p.fileBits = p.bits;
        if (p.wrap == W::Au) {
            coded(Container::Raw, PcmEncoder(p.bits, p.tag == kTagFloat, true), p.rate, p.channels, 0);
            p.auEncoding = p.tag == kTagFloat ? (p.bits == 64 ? kAuDouble : kAuFloat)
                           : p.bits == 8      ? kAuPcm8
                           : p.bits == 24     ? kAuPcm24
                           : p.bits == 32     ? kAuPcm32
                                              : kAuPcm16;
        } else if (p.rate != docRate || p.channels != docCh) {
            // Another rate or channel count goes through the converter, at the same depth.
            coded(Container::Wav, PcmEncoder(p.bits, p.tag == kTagFloat, false), p.rate, p.channels, 0);
            p.enc.wavTag = p.tag;
        }
        p.asSetup = SaveSetup{K::Pcm, p.rate, p.channels, p.bits, 0, p.tag, false, 0, s.wrap};
        break;
    }
    case K::RawPcm:
        p.how = Plan::How::RawPcm;
        p.wrap = W::Native;
        p.rate = docRate;
        p.channels = docCh;
        p.bits = 16;
        p.asType = filetype::RawPcm;
        p.coding = "Raw PCM";
        if (Or(s.rate, docRate) != docRate || Or(s.channels, docCh) != docCh) {
            coded(Container::Raw, "pcm_s16le", Or(s.rate, docRate), Or(s.channels, docCh), 0);
        }
        break;
    case K::G721:
    case K::G723:
    case K::G726: {
        const int bits = s.kind == K::G721 ? 4
                         : s.kind == K::G723 ? (Or(s.bits, 3) >= 4 ? 5 : 3)
                                             : std::clamp(Or(s.bits, 4), 2, 5);
        const std::string word = s.kind == K::G721 ? "G.721" : s.kind == K::G723 ? "G.723" : "G.726";
        if (p.wrap == W::Wav) {
            // FFmpeg and the WAV readers take G.726 in WAV packed from the top bit down.
            coded(Container::Wav, "g726", 8000, 1, 0);
            p.enc.wavTag = kTagG726;
        } else if (p.wrap == W::Au) {
            if (bits != 4) CannotWrite("an AU file holds G.72x audio at 4 bits only (G.721), not at " + std::to_string(bits));
            coded(Container::Raw, "g726le", 8000, 1, 0);
            p.auEncoding = kAuG721;
        } else {
            const RawKind named = RawKindOfPath(path);
            if ((named == RawKind::G721 || named == RawKind::G723 || named == RawKind::G726) && RawCodeBits(named) != bits)
                CannotWrite("a headerless " + LowerExtension(path) + " file is read as " + std::to_string(RawCodeBits(named)) +
                            "-bit audio, so " + std::to_string(bits) + "-bit " + word +
                            " would read back as noise; save it as .wav, whose format record holds the code size");
            coded(Container::Raw, "g726le", 8000, 1, 0);
        }
        p.enc.codeSize = bits;
        p.asType = s.kind == K::G721 ? filetype::G721 : s.kind == K::G723 ? filetype::G723 : filetype::G726;
        p.asSetup.bits = bits;
        p.coding = word;
        p.fileTag = kTagG726;
        p.fileBits = bits;
        break;
    }
    case K::Mp2:
    case K::Mp3: {
        const bool two = s.kind == K::Mp2;
        const int rate = Or(s.rate, docRate), ch = std::clamp(Or(s.channels, docCh), 1, 2);
        const std::int64_t bitRate = s.bitRate > 0 ? s.bitRate : two ? 192000 : 128000;
        if (p.wrap == W::Wav) {
            coded(Container::Wav, two ? "mp2" : "libmp3lame", rate, ch, bitRate);
            p.enc.wavTag = two ? kTagMpeg : kTagMp3;
        } else {
            coded(two ? Container::Mp2 : Container::Mp3, two ? "mp2" : "libmp3lame", rate, ch, bitRate);
            p.enc.variable = !two && s.variable;
        }
        p.asType = two ? filetype::Mp2 : filetype::Mp3;
        p.coding = two ? "MPEG Layer-2" : "MPEG Layer-3";
        p.fileTag = two ? kTagMpeg : kTagMp3;
        p.fileBits = 0;
        break;
    }
    case K::OggVorbis:
        coded(Container::Ogg, "libvorbis", Or(s.rate, docRate), std::clamp(Or(s.channels, docCh), 1, 8),
              s.bitRate > 0 ? s.bitRate : 128000);
        p.wrap = W::Native;
        p.asType = filetype::OggVorbis;
        p.coding = "Ogg Vorbis";
        p.fileTag = kTagOggVorbis;
        p.fileBits = 0;
        break;
    case K::WindowsMedia:
        coded(Container::Asf, s.tag == kTagWmaV1 ? "wmav1" : "wmav2", std::min(Or(s.rate, docRate), 48000),
              std::clamp(Or(s.channels, docCh), 1, 2), s.bitRate > 0 ? s.bitRate : 128000);
        p.wrap = W::Native;
        p.asType = filetype::WindowsMedia;
        p.coding = "Windows Media Audio";
        p.fileTag = s.tag == kTagWmaV1 ? kTagWmaV1 : kTagWmaV2;
        p.fileBits = 0;
        break;
    case K::Template:
        p.asType = 0;
        if (s.tag == kTagPcm || s.tag == kTagFloat) {
            SaveSetup pcm = s;
            pcm.kind = K::Pcm;
            return PlanFor(pcm, docRate, docCh, path);
        }
        {
            const bool law = s.tag == kTagALaw || s.tag == kTagMuLaw;
            const char* e = s.tag == kTagImaAdpcm ? "adpcm_ima_wav"
                            : s.tag == kTagMsAdpcm ? "adpcm_ms"
                            : s.tag == kTagALaw    ? "pcm_alaw"
                                                   : "pcm_mulaw";
            p.coding = s.tag == kTagImaAdpcm ? "IMA ADPCM" : s.tag == kTagMsAdpcm ? "Microsoft ADPCM"
                       : s.tag == kTagALaw   ? "A-Law"
                                             : "u-Law";
            if (p.wrap == W::Au) {
                if (!law) CannotWrite("an AU file cannot hold " + p.coding);
                coded(Container::Raw, e, Or(s.rate, docRate), Or(s.channels, docCh), 0);
                p.auEncoding = s.tag == kTagALaw ? kAuALaw : kAuMuLaw;
            } else {
                coded(Container::Wav, e, Or(s.rate, docRate), Or(s.channels, docCh), 0);
                p.enc.wavTag = s.tag;
                if (s.tag == kTagImaAdpcm || s.tag == kTagMsAdpcm) p.enc.blockAlign = s.blockAlign;
            }
            p.fileTag = s.tag;
            p.fileBits = law ? 8 : 4;
        }
        break;
    }
    p.asSetup.wrap = s.wrap == W::ByName ? p.wrap : s.wrap;
    return p;
}

SaveSetup SetupForCode(int code, const SaveSetup& pending, const SaveSetup& own) {
    auto is = [&](K k) { return pending.kind == k; };
    auto orOwn = [&](K k) {
        if (is(k)) return pending;
        if (own.kind == k) return own;
        SaveSetup s;
        s.kind = k;
        return s;
    };
    SaveSetup s;
    switch (code) {
    case filetype::Wav: s = is(K::Pcm) ? pending : (own.kind == K::Pcm ? own : SaveSetup{K::Pcm, 0, 0, 16, 0, kTagPcm, false}); break;
    case filetype::Mp3: s = orOwn(K::Mp3); break;
    case filetype::RawPcm: s = orOwn(K::RawPcm); break;
    case filetype::G726: s = orOwn(K::G726); break;
    case filetype::OggVorbis: s = orOwn(K::OggVorbis); break;
    case filetype::G721: s = orOwn(K::G721); break;
    case filetype::G723: s = orOwn(K::G723); break;
    case filetype::WindowsMedia: s = orOwn(K::WindowsMedia); break;
    case filetype::Mp2: s = orOwn(K::Mp2); break;
    default: Raise(err::InvalidPropertyValue, "Unknown file type " + std::to_string(code));
    }
    s.wrap = W::ByName; // a chosen type goes in the file its name asks for
    return s;
}

void PutBE32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// The annotation of the AU file at path, or eight zero bytes when there is no readable AU
// file there.
std::vector<std::uint8_t> AuAnnotationOf(const std::string& path) {
    std::vector<std::uint8_t> note(8, 0);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return note;
    std::uint8_t h[8];
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::pread(fd, h, 8, 0) == 8 && std::memcmp(h, ".snd", 4) == 0) {
        const std::uint32_t offset = static_cast<std::uint32_t>(h[4]) << 24 | h[5] << 16 | h[6] << 8 | h[7];
        if (offset > 24 && offset <= (1u << 20) && offset <= st.st_size) {
            std::vector<std::uint8_t> text(offset - 24);
            if (::pread(fd, text.data(), text.size(), 24) == static_cast<ssize_t>(text.size())) note = std::move(text);
        }
    }
    ::close(fd);
    return note;
}

// Round to the nearest integer (half to even) without a library call, for |v| < 2^22.
inline std::int32_t RoundSmall(float v) {
    const float magic = 12582912.0f; // 1.5 * 2^23
    float t = v + magic;
    std::int32_t bits;
    std::memcpy(&bits, &t, 4);
    return bits - 0x4B400000;
}

void ToPcmBytes(const std::vector<std::vector<float>>& planes, std::int64_t n, int bits, std::uint16_t tag,
                std::vector<std::uint8_t>& out) {
    const int ch = static_cast<int>(planes.size());
    const int bps = bits / 8;
    out.resize(static_cast<std::size_t>(n * ch * bps));
#if defined(__SSE2__)
    if (ch == 2 && bits == 16 && tag != kTagFloat) {
        // Stereo 16-bit, four frames at a time; the pack saturates, the conversion rounds
        // half to even.
        const float* l = planes[0].data();
        const float* r = planes[1].data();
        auto* d = reinterpret_cast<__m128i*>(out.data());
        const __m128 scale = _mm_set1_ps(32768.0f), lo = _mm_set1_ps(-32768.0f), hi = _mm_set1_ps(32767.0f);
        std::int64_t i = 0;
        for (; i + 4 <= n; i += 4) {
            __m128 a = _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(l + i), scale), lo), hi);
            __m128 b = _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(r + i), scale), lo), hi);
            __m128i pa = _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_setzero_si128());
            __m128i pb = _mm_packs_epi32(_mm_cvtps_epi32(b), _mm_setzero_si128());
            _mm_storeu_si128(d + i / 4, _mm_unpacklo_epi16(pa, pb));
        }
        auto* o = reinterpret_cast<std::int16_t*>(out.data());
        for (; i < n; ++i) {
            o[2 * i] = static_cast<std::int16_t>(RoundSmall(std::clamp(l[i] * 32768.0f, -32768.0f, 32767.0f)));
            o[2 * i + 1] = static_cast<std::int16_t>(RoundSmall(std::clamp(r[i] * 32768.0f, -32768.0f, 32767.0f)));
        }
        return;
    }
#endif
    for (int c = 0; c < ch; ++c) {
        const float* x = planes[static_cast<std::size_t>(c)].data();
        std::uint8_t* o = out.data() + c * bps;
        const std::size_t step = static_cast<std::size_t>(ch * bps);
        if (tag == kTagFloat && bits == 64) {
            for (std::int64_t i = 0; i < n; ++i, o += step) {
                double v = x[i];
                std::memcpy(o, &v, 8);
            }
        } else if (tag == kTagFloat) {
            for (std::int64_t i = 0; i < n; ++i, o += step) std::memcpy(o, x + i, 4);
        } else if (bits == 16) {
            if (ch == 2) {
                // The common case, kept simple enough for the compiler to vectorise.
                auto* d = reinterpret_cast<std::int16_t*>(out.data()) + c;
                for (std::int64_t i = 0; i < n; ++i) {
                    float v = std::clamp(x[i] * 32768.0f, -32768.0f, 32767.0f);
                    d[2 * i] = static_cast<std::int16_t>(RoundSmall(v));
                }
            } else {
                for (std::int64_t i = 0; i < n; ++i, o += step) {
                    auto v = static_cast<std::int16_t>(RoundSmall(std::clamp(x[i] * 32768.0f, -32768.0f, 32767.0f)));
                    std::memcpy(o, &v, 2);
                }
            }
        } else if (bits == 8) {
            for (std::int64_t i = 0; i < n; ++i, o += step)
                *o = static_cast<std::uint8_t>(RoundSmall(std::clamp(x[i] * 128.0f, -128.0f, 127.0f)) + 128);
        } else if (bits == 24) {
            for (std::int64_t i = 0; i < n; ++i, o += step) {
                double v = std::nearbyint(static_cast<double>(x[i]) * 8388608.0);
                auto s = static_cast<std::int32_t>(std::clamp(v, -8388608.0, 8388607.0));
                o[0] = static_cast<std::uint8_t>(s);
                o[1] = static_cast<std::uint8_t>(s >> 8);
                o[2] = static_cast<std::uint8_t>(s >> 16);
            }
        } else {
            for (std::int64_t i = 0; i < n; ++i, o += step) {
                double v = std::nearbyint(static_cast<double>(x[i]) * 2147483648.0);
                auto s = static_cast<std::int32_t>(std::clamp(v, -2147483648.0, 2147483647.0));
                std::memcpy(o, &s, 4);
            }
        }
    }
}

} // namespace

void AudioEditor::SaveAudio(const std::string& path, bool selectionOnly) { impl_->Save(path, selectionOnly, 0, false); }
void AudioEditor::SaveAudio(const std::string& path, bool selectionOnly, int fileType) {
    impl_->Save(path, selectionOnly, fileType, true);
}

void AudioEditor::Impl::Save(const std::string& path, bool selectionOnly, int fileType, bool haveType) {
    RequireEditable();
    if (path.empty()) Raise(err::BadFileName, "No file name to save to");
    if (selectionOnly && !HasSelection()) Raise(err::InvalidCall, "There is no selection to save");
    AtomicFile::RequireReplaceable(path); // before the set-up is spent on a save that cannot be
    BusyScope busy(self.state_);
    SaveSetup pending = self.saveFormat_.setup_;
    self.saveFormat_.Clear(); // a set-up serves one save
    SaveSetup chosen;
    if (!haveType)
        chosen = pending.kind == K::Template ? pending : ownSetup;
    else
        chosen = SetupForCode(fileType, pending, ownSetup);
    if (chosen.kind == K::None) chosen = SaveSetup{K::Pcm, rate, channels, 16, 0, kTagPcm, false};
    if (chosen.wrap == W::Unwritable)
        CannotWrite("its own format (" + (format.description.empty() ? std::string("that of its file") : format.description) +
                    ") cannot be written; save it in another format");
    Plan plan = PlanFor(chosen, rate, channels, path);

    const std::pair<std::int64_t, std::int64_t> range = selectionOnly ? Target() : std::pair<std::int64_t, std::int64_t>{0, Len()};
    const std::int64_t a = range.first, b = range.second;
    const std::int64_t n = b - a;
    const DocState state = Cur(); // the tracks stay alive while we write
    std::int64_t pos = 0;
    // Blocks ahead of the writer are read on another thread meanwhile.
    std::future<void> ahead;
    std::int64_t aheadUntil = 0;
    struct Join {
        std::future<void>& f;
        ~Join() {
            if (f.valid()) f.wait();
        }
    } join{ahead};
    FrameSource source = [&](std::vector<std::vector<float>>& planes, std::int64_t maxFrames) -> std::int64_t {
        std::int64_t k = std::min(maxFrames, n - pos);
        if (k <= 0) return 0;
        if (pos + kFileBlockFrames >= aheadUntil && aheadUntil < n) {
            if (ahead.valid()) ahead.get();
            const std::int64_t from = std::max(aheadUntil, pos + k);
            aheadUntil = from + kFileBlockFrames;
            ahead = std::async(std::launch::async, [&state, from, a] {
                for (auto& t : state.tracks) t->Prefetch(a + from, kFileBlockFrames);
            });
        }
        planes.resize(static_cast<std::size_t>(channels));
        for (int c = 0; c < channels; ++c) {
            auto& pl = planes[static_cast<std::size_t>(c)];
            pl.resize(static_cast<std::size_t>(k));
            state.tracks[static_cast<std::size_t>(c)]->Read(a + pos, k, pl.data());
        }
        pos += k;
        return k;
    };
    int lastPct = -1;
    auto progress = [&](int p) {
        if (p != lastPct) EmitProgress(lastPct = p);
    };
    auto writePcm = [&](AtomicFile& f) {
        // Parts of the audio are read and turned into bytes on a few threads while this one
        // writes them in order; half a block each, so the two halves of a block meet it in
        // the cache, and few at a time, so little memory is in flight.
        const int threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
        const std::int64_t part = kFileBlockFrames / 2;
        const int bits = plan.bits;
        const std::uint16_t tag = plan.tag;
        const auto convert = [&state, a, bits, tag](std::int64_t from, std::int64_t k) {
            std::vector<std::vector<float>> planes(state.tracks.size(), std::vector<float>(static_cast<std::size_t>(k)));
            for (std::size_t c = 0; c < planes.size(); ++c) state.tracks[c]->Read(a + from, k, planes[c].data());
            std::vector<std::uint8_t> bytes;
            ToPcmBytes(planes, k, bits, tag, bytes);
            return bytes;
        };
        if (n <= part) {
            // A short document is one part, made here: a thread would only add the hand-over.
            if (n > 0) {
                const std::vector<std::uint8_t> bytes = convert(0, n);
                f.Write(bytes.data(), bytes.size());
                pos = n;
            }
            progress(100);
            return;
        }
        std::vector<std::future<std::vector<std::uint8_t>>> parts; // oldest first
        std::int64_t queued = 0;
        struct Drain {
            std::vector<std::future<std::vector<std::uint8_t>>>& q;
            ~Drain() {
                for (auto& x : q)
                    if (x.valid()) x.wait();
            }
        } drain{parts};
        const auto fill = [&] {
            while (queued < n && parts.size() < static_cast<std::size_t>(threads + 2)) {
                const std::int64_t k = std::min(part, n - queued);
                parts.push_back(std::async(std::launch::async, convert, queued, k));
                queued += k;
            }
        };
        fill();
        while (!parts.empty()) {
            std::vector<std::uint8_t> bytes = parts.front().get();
            parts.erase(parts.begin());
            fill();
            f.Write(bytes.data(), bytes.size());
            pos += static_cast<std::int64_t>(bytes.size()) / (static_cast<std::int64_t>(channels) * (bits / 8));
            progress(static_cast<int>(pos * 100 / std::max<std::int64_t>(n, 1)));
        }
    };

    EncodeResult done;
    done.rate = plan.rate;
    done.channels = plan.channels;
    done.bits = plan.bits;
    done.bitRate = static_cast<std::int64_t>(plan.rate) * plan.channels * plan.bits;
    auto encodeTo = [&](AtomicFile& f) {
        done = Encode(plan.enc, rate, channels, n, source, {},
                      [&](const std::uint8_t* data, std::size_t size) { f.Write(data, size); }, progress);
    };
    switch (plan.how) {
    case Plan::How::PcmWav: {
        WavPayload p;
        p.fmt = PcmFormatRecord(plan.tag, static_cast<std::uint16_t>(channels), static_cast<std::uint32_t>(rate),
                                static_cast<std::uint16_t>(plan.bits));
        p.writeData = writePcm;
        WriteWavFile(path, p);
        break;
    }
    case Plan::How::RawPcm: {
        AtomicFile f(path);
        writePcm(f);
        f.Commit();
        break;
    }
    case Plan::How::Coded:
        if (plan.wrap == W::Au) {
            // An AU target's annotation (its text between header and audio) is kept.
            std::vector<std::uint8_t> head = AuAnnotationOf(path);
            head.insert(head.begin(), 24, 0);
            const std::uint8_t magic[4] = {'.', 's', 'n', 'd'};
            std::memcpy(head.data(), magic, 4);
            PutBE32(head.data() + 4, static_cast<std::uint32_t>(head.size()));
            PutBE32(head.data() + 8, 0xFFFFFFFFu);
            PutBE32(head.data() + 12, plan.auEncoding);
            AtomicFile f(path);
            f.Write(head.data(), head.size());
            encodeTo(f);
            const std::int64_t size = f.Position() - static_cast<std::int64_t>(head.size());
            if (size > 0xFFFFFFFELL) Raise(err::Overflow, "The audio is too long for an AU file");
            PutBE32(head.data() + 8, static_cast<std::uint32_t>(size));
            PutBE32(head.data() + 16, static_cast<std::uint32_t>(done.rate));
            PutBE32(head.data() + 20, static_cast<std::uint32_t>(done.channels));
            f.WriteAt(8, head.data() + 8, 16);
            f.Commit();
        } else if (plan.enc.container == Container::Wav) {
            EncodeResult probe = Encode(plan.enc, rate, channels, n, FrameSource{}, {}, {}, {});
            WavPayload p;
            p.fmt = probe.wavFormat;
            if (plan.enc.wavTag != kTagPcm && plan.enc.wavTag != kTagFloat)
                p.factSamples = static_cast<std::uint32_t>(
                    std::min<std::int64_t>(0xFFFFFFFFLL, (n * probe.rate + rate / 2) / std::max(rate, 1)));
            p.writeData = encodeTo;
            WriteWavFile(path, p);
            // What the file's record announces.
            if (p.fmt.size() >= 12)
                done.bitRate = 8LL * (p.fmt[8] | p.fmt[9] << 8 | p.fmt[10] << 16 | static_cast<std::uint32_t>(p.fmt[11]) << 24);
        } else if (plan.enc.container == Container::Raw) {
            AtomicFile f(path);
            encodeTo(f);
            f.Commit();
        } else {
            AtomicFile f(path);
            f.CloseForExternalWriter();
            done = Encode(plan.enc, rate, channels, n, source, f.TempPath(), {}, progress);
            f.Commit();
        }
        break;
    }
    if (!selectionOnly) {
        // The document's own format is now what it was saved as.
        fileName = path;
        ownSetup = plan.asSetup;
        if (plan.how == Plan::How::Coded) {
            ownSetup.rate = done.rate;
            ownSetup.channels = done.channels;
            if (ownSetup.kind == K::Mp2 || ownSetup.kind == K::Mp3 || ownSetup.kind == K::OggVorbis ||
                ownSetup.kind == K::WindowsMedia)
                ownSetup.bitRate = done.bitRate;
        }
        if (plan.asType) ownType = plan.asType;
        std::int64_t bitRate = plan.how == Plan::How::Coded ? done.bitRate
                                                            : static_cast<std::int64_t>(rate) * channels * plan.bits;
        if (plan.fileTag == kTagG726) bitRate = 8000LL * plan.fileBits;
        const int outRate = plan.how == Plan::How::Coded ? done.rate : rate;
        const int outCh = plan.how == Plan::How::Coded ? done.channels : channels;
        const bool linear = plan.fileTag == kTagPcm || plan.fileTag == kTagFloat;
        format = FileFormat{DescribeFormat(plan.coding, outRate, outCh, plan.fileBits, linear ? 0 : bitRate), plan.fileTag,
                            plan.fileBits, bitRate};
    }
}

} // namespace platform::audio
