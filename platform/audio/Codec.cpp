#include "platform/audio/Codec.h"

#include "platform/audio/Track.h"
#include "platform/audio/WavFile.h"
#include "platform/base/Error.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <numeric>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include "platform/audio/FfmpegApi.h"

namespace platform::audio {

namespace {

void QuietFfmpeg() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

[[noreturn]] void Unsupported(const std::string& path, const std::string& why) {
    Raise(err::InvalidPropertyValue, "The audio file " + path + " cannot be decoded: " + why);
}

std::string AvError(int e) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(e, buf, sizeof buf);
    return buf;
}

struct FormatCtx {
    AVFormatContext* p = nullptr;
    bool output = false;
    ~FormatCtx() {
        if (!p) return;
        if (output) {
            if (p->pb && !(p->oformat->flags & AVFMT_NOFILE)) avio_closep(&p->pb);
            avformat_free_context(p);
        } else {
            avformat_close_input(&p);
        }
    }
};
struct CodecCtx {
    AVCodecContext* p = nullptr;
    ~CodecCtx() { avcodec_free_context(&p); }
};
struct Frame {
    AVFrame* p = av_frame_alloc();
    ~Frame() { av_frame_free(&p); }
};
struct Packet {
    AVPacket* p = av_packet_alloc();
    ~Packet() { av_packet_free(&p); }
};
struct Swr {
    SwrContext* p = nullptr;
    ~Swr() { swr_free(&p); }
};
struct Fifo {
    AVAudioFifo* p = nullptr;
    ~Fifo() {
        if (p) av_audio_fifo_free(p);
    }
};

constexpr int kMaxChannels = 32;

// Collects decoded planar float audio into blocks per channel.
class Sink {
public:
    Sink(int channels, std::shared_ptr<WorkFile> work, std::int64_t maxFrames) : work_(std::move(work)), max_(maxFrames) {
        if (work_)
            for (int c = 0; c < channels; ++c) writers_.emplace_back(work_);
    }
    // Returns false once the frame limit is reached.
    bool Add(float* const* planes, std::int64_t n) {
        if (max_ >= 0) n = std::min(n, max_ - frames_);
        if (n <= 0) return false;
        for (std::size_t c = 0; c < writers_.size(); ++c) writers_[c].Write(planes[c], n);
        frames_ += n;
        return max_ < 0 || frames_ < max_;
    }
    std::int64_t Frames() const { return frames_; }
    std::vector<std::vector<BlockPtr>> Finish() {
        std::vector<std::vector<BlockPtr>> out;
        for (auto& w : writers_) out.push_back(w.Finish());
        return out;
    }

private:
    std::shared_ptr<WorkFile> work_;
    std::vector<BlockWriter> writers_;
    std::int64_t frames_ = 0, max_;
};

// Converts decoded frames of any sample format to planar float at the same rate.
class ToFloat {
public:
    ToFloat(const AVChannelLayout& layout, AVSampleFormat fmt, int rate) : channels_(layout.nb_channels) {
        AVChannelLayout out{};
        av_channel_layout_default(&out, channels_);
        AVChannelLayout in{};
        if (av_channel_layout_check(&layout) && layout.order != AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_copy(&in, &layout);
        else
            av_channel_layout_default(&in, channels_);
        int e = swr_alloc_set_opts2(&swr_.p, &out, AV_SAMPLE_FMT_FLTP, rate, &in, fmt, rate, 0, nullptr);
        if (e >= 0) e = swr_init(swr_.p);
        av_channel_layout_uninit(&in);
        av_channel_layout_uninit(&out);
        if (e < 0) Raise(err::InvalidPropertyValue, "The audio's sample format cannot be converted: " + AvError(e));
        planes_.resize(static_cast<std::size_t>(channels_));
    }
    bool Push(const AVFrame* f, Sink& sink) {
        int room = swr_get_out_samples(swr_.p, f->nb_samples);
        if (room <= 0) return true;
        Reserve(room);
        int n = swr_convert(swr_.p, Outs(), room, const_cast<const std::uint8_t**>(f->extended_data), f->nb_samples);
        if (n <= 0) return true;
        return sink.Add(Planes(), n);
    }

private:
    void Reserve(int n) {
        for (auto& p : planes_)
            if (static_cast<int>(p.size()) < n) p.resize(static_cast<std::size_t>(n));
    }
    std::uint8_t** Outs() {
        outs_.resize(planes_.size());
        for (std::size_t c = 0; c < planes_.size(); ++c) outs_[c] = reinterpret_cast<std::uint8_t*>(planes_[c].data());
        return outs_.data();
    }
    float* const* Planes() {
        ptrs_.resize(planes_.size());
        for (std::size_t c = 0; c < planes_.size(); ++c) ptrs_[c] = planes_[c].data();
        return ptrs_.data();
    }
    int channels_;
    Swr swr_;
    std::vector<std::vector<float>> planes_;
    std::vector<std::uint8_t*> outs_;
    std::vector<float*> ptrs_;
};

std::string Lower(std::string s) {
    for (auto& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
}

DecodedAudio DecodeRaw(const std::string& path, const DecodeOptions& o) {
    DecodedAudio out;
    AVCodecID id = AV_CODEC_ID_ADPCM_G726LE;
    int bits = o.rawBits > 0 ? o.rawBits : RawCodeBits(o.raw);
    if (o.raw == RawKind::Vox) {
        id = AV_CODEC_ID_ADPCM_IMA_OKI;
        bits = 4;
    }
    const AVCodec* codec = avcodec_find_decoder(id);
    if (!codec) Unsupported(path, "no decoder");
    CodecCtx ctx;
    ctx.p = avcodec_alloc_context3(codec);
    ctx.p->sample_rate = 8000;
    av_channel_layout_default(&ctx.p->ch_layout, 1);
    ctx.p->bits_per_coded_sample = bits;
    ctx.p->bit_rate = 8000LL * bits;
    if (avcodec_open2(ctx.p, codec, nullptr) < 0) Unsupported(path, "the decoder refused it");
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Raise(err::FileNotFound, "The audio file " + path + " cannot be opened");
    struct stat st {};
    ::fstat(fd, &st);
    // Odd code sizes fill whole bytes only in groups of eight codes: a file that does not end
    // on a group was not written with this code size, and would decode as noise.
    if ((bits & 1) && st.st_size % bits != 0) {
        ::close(fd);
        Raise(err::InvalidPropertyValue, "The audio file " + path + " is not " + std::to_string(bits) +
                                             "-bit G.72x audio: its size (" + std::to_string(st.st_size) +
                                             " bytes) is not a whole number of " + std::to_string(bits) +
                                             "-byte groups");
    }
    Sink sink(1, o.work, o.maxFrames);
    ToFloat conv(ctx.p->ch_layout, ctx.p->sample_fmt, 8000);
    Frame frame;
    Packet pkt;
    // Whole groups of code words per packet: 4095 bytes hold whole 3- and 5-bit codes.
    constexpr int kChunk = 4095;
    std::vector<std::uint8_t> buf(kChunk + AV_INPUT_BUFFER_PADDING_SIZE);
    std::int64_t pos = 0;
    bool more = true;
    int lastPct = -1;
    while (more) {
        ssize_t r = ::read(fd, buf.data(), kChunk);
        if (r <= 0) break;
        pos += r;
        std::memset(buf.data() + r, 0, AV_INPUT_BUFFER_PADDING_SIZE);
        av_packet_unref(pkt.p);
        if (av_new_packet(pkt.p, static_cast<int>(r)) < 0) break;
        std::memcpy(pkt.p->data, buf.data(), static_cast<std::size_t>(r));
        if (avcodec_send_packet(ctx.p, pkt.p) < 0) continue;
        while (more && avcodec_receive_frame(ctx.p, frame.p) == 0) more = conv.Push(frame.p, sink);
        int pct = st.st_size > 0 ? static_cast<int>(pos * 100 / st.st_size) : 0;
        if (o.progress && pct != lastPct) o.progress(lastPct = pct);
    }
    ::close(fd);
    out.rate = 8000;
    out.channels = 1;
    out.frames = sink.Frames();
    out.blocks = sink.Finish();
    out.codec = codec->name;
    out.codecLongName = codec->long_name ? codec->long_name : codec->name;
    out.bitRate = 8000LL * bits;
    out.bitsPerCodedSample = bits;
    return out;
}

} // namespace

int RawCodeBits(RawKind kind) { return kind == RawKind::G723 ? 3 : 4; }

RawKind RawKindOfPath(const std::string& path) {
    std::string ext = Lower(std::filesystem::path(path).extension().string());
    if (ext == ".pcm" || ext == ".raw") return RawKind::Pcm16;
    if (ext == ".vox") return RawKind::Vox;
    if (ext == ".g721") return RawKind::G721;
    if (ext == ".g723") return RawKind::G723;
    if (ext == ".g726") return RawKind::G726;
    return RawKind::None;
}

DecodedAudio DecodeFile(const std::string& path, const DecodeOptions& o) {
    QuietFfmpeg();
    if (o.raw != RawKind::None && o.raw != RawKind::Pcm16) return DecodeRaw(path, o);
    FormatCtx fmt;
    int e = avformat_open_input(&fmt.p, path.c_str(), nullptr, nullptr);
    if (e < 0) Unsupported(path, AvError(e));
    fmt.p->max_analyze_duration = 5 * AV_TIME_BASE;
    if ((e = avformat_find_stream_info(fmt.p, nullptr)) < 0) Unsupported(path, AvError(e));
    int si = av_find_best_stream(fmt.p, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (si < 0) Unsupported(path, "it holds no audio");
    AVStream* stream = fmt.p->streams[si];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) Unsupported(path, "its audio coding is not supported");
    CodecCtx ctx;
    ctx.p = avcodec_alloc_context3(codec);
    if (avcodec_parameters_to_context(ctx.p, stream->codecpar) < 0) Unsupported(path, "bad stream parameters");
    if ((e = avcodec_open2(ctx.p, codec, nullptr)) < 0) Unsupported(path, AvError(e));
    const int channels = ctx.p->ch_layout.nb_channels;
    if (channels <= 0 || channels > kMaxChannels) Unsupported(path, "unsupported channel count");
    if (ctx.p->sample_rate <= 0 || ctx.p->sample_rate > 768000) Unsupported(path, "unsupported sample rate");
    for (unsigned i = 0; i < fmt.p->nb_streams; ++i)
        if (static_cast<int>(i) != si) fmt.p->streams[i]->discard = AVDISCARD_ALL;

    DecodedAudio out;
    out.rate = ctx.p->sample_rate;
    out.channels = channels;
    out.codec = codec->name;
    out.codecLongName = codec->long_name ? codec->long_name : codec->name;
    out.bitRate = ctx.p->bit_rate ? ctx.p->bit_rate : fmt.p->bit_rate;
    out.bitsPerCodedSample = ctx.p->bits_per_coded_sample;
    out.wavTag = static_cast<std::uint16_t>(stream->codecpar->codec_tag);
    out.container = fmt.p->iformat && fmt.p->iformat->name ? fmt.p->iformat->name : "";

    Sink sink(channels, o.work, o.maxFrames);
    std::unique_ptr<ToFloat> conv;
    AVSampleFormat convFmt = AV_SAMPLE_FMT_NONE;
    int convCh = 0;
    Frame frame;
    Packet pkt;
    const std::int64_t size = fmt.p->pb ? avio_size(fmt.p->pb) : -1;
    int lastPct = -1, decodeErrors = 0;
    bool more = true;
    auto drain = [&] {
        int r;
        while (more && (r = avcodec_receive_frame(ctx.p, frame.p)) == 0) {
            // A stream may change its layout or format part-way; convert each as it comes.
            if (frame.p->ch_layout.nb_channels != channels) {
                more = false;
                break;
            }
            if (!conv || convFmt != frame.p->format || convCh != frame.p->ch_layout.nb_channels) {
                convFmt = static_cast<AVSampleFormat>(frame.p->format);
                convCh = frame.p->ch_layout.nb_channels;
                conv = std::make_unique<ToFloat>(frame.p->ch_layout, convFmt, out.rate);
            }
            more = conv->Push(frame.p, sink);
        }
    };
    while (more) {
        e = av_read_frame(fmt.p, pkt.p);
        if (e < 0) break; // end of file, or a file that breaks off: keep what we have
        if (pkt.p->stream_index == si) {
            if (avcodec_send_packet(ctx.p, pkt.p) < 0) ++decodeErrors;
            drain();
        }
        av_packet_unref(pkt.p);
        if (o.progress && size > 0) {
            int pct = static_cast<int>(std::clamp<std::int64_t>(avio_tell(fmt.p->pb) * 100 / size, 0, 100));
            if (pct != lastPct) o.progress(lastPct = pct);
        }
    }
    if (more) {
        avcodec_send_packet(ctx.p, nullptr);
        drain();
    }
    out.frames = sink.Frames();
    out.blocks = sink.Finish();
    if (out.frames == 0 && decodeErrors > 0) Unsupported(path, "its audio is corrupt");
    return out;
}

// ---- Encoding

namespace {

const char* MuxerName(Container c) {
    switch (c) {
    case Container::Mp2: return "mp2";
    case Container::Mp3: return "mp3";
    case Container::Ogg: return "ogg";
    case Container::Asf: return "asf";
    default: return nullptr;
    }
}

int ClosestRate(const AVCodec* codec, int want) {
    if (!codec->supported_samplerates) return want;
    int best = 0;
    for (const int* r = codec->supported_samplerates; *r; ++r)
        if (best == 0 || std::abs(*r - want) < std::abs(best - want)) best = *r;
    return best ? best : want;
}

} // namespace

EncodeResult Encode(const EncodeSettings& s, int srcRate, int srcChannels, std::int64_t totalFrames,
                    const FrameSource& source, const std::string& path,
                    const std::function<void(const std::uint8_t*, std::size_t)>& writeBytes,
                    const std::function<void(int)>& progress) {
    QuietFfmpeg();
    EncodeResult result;
    const AVCodec* codec = avcodec_find_encoder_by_name(s.encoder.c_str());
    if (!codec) Raise(err::InvalidPropertyValue, "No encoder for this save format (" + s.encoder + ")");
    CodecCtx ctx;
    ctx.p = avcodec_alloc_context3(codec);
    ctx.p->sample_rate = ClosestRate(codec, s.rate);
    av_channel_layout_default(&ctx.p->ch_layout, std::clamp(s.channels, 1, kMaxChannels));
    ctx.p->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    if (s.bitRate > 0) ctx.p->bit_rate = s.bitRate;
    // MPEG coders take a few bit rates only (LAME would pick one without saying which).
    if (codec->id == AV_CODEC_ID_MP2) ctx.p->bit_rate = NearestMpegBitRate(2, ctx.p->sample_rate, ctx.p->bit_rate);
    if (codec->id == AV_CODEC_ID_MP3 && s.variable) {
        // LAME's V0 to V9 give about 245 to 65 kbit/s for stereo at 44.1 kHz, less for less.
        static const int kbits[] = {245, 225, 190, 175, 165, 130, 115, 100, 85, 65};
        const double asStereo44 = static_cast<double>(ctx.p->bit_rate) / 1000.0 * (2.0 / std::clamp(s.channels, 1, 2)) *
                                  (44100.0 / std::max(ctx.p->sample_rate, 8000));
        int q = 0;
        for (int i = 1; i < 10; ++i)
            if (std::abs(kbits[i] - asStereo44) < std::abs(kbits[q] - asStereo44)) q = i;
        ctx.p->flags |= AV_CODEC_FLAG_QSCALE;
        ctx.p->global_quality = q * FF_QP2LAMBDA;
    } else if (codec->id == AV_CODEC_ID_MP3) {
        ctx.p->bit_rate = NearestMpegBitRate(3, ctx.p->sample_rate, ctx.p->bit_rate);
    }
    if (s.codeSize > 0) ctx.p->bit_rate = static_cast<std::int64_t>(s.codeSize) * ctx.p->sample_rate;
    ctx.p->time_base = AVRational{1, ctx.p->sample_rate};

    FormatCtx fmt;
    AVStream* stream = nullptr;
    if (const char* mux = MuxerName(s.container)) {
        if (avformat_alloc_output_context2(&fmt.p, nullptr, mux, path.c_str()) < 0 || !fmt.p)
            Raise(err::InvalidPropertyValue, std::string("No writer for ") + mux);
        fmt.output = true;
        if (fmt.p->oformat->flags & AVFMT_GLOBALHEADER) ctx.p->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    if (s.blockAlign >= 32 && s.blockAlign <= 8192) av_opt_set_int(ctx.p->priv_data, "block_size", s.blockAlign, 0);
    int e = avcodec_open2(ctx.p, codec, nullptr);
    if (e < 0 && s.encoder == "libvorbis" && ctx.p->bit_rate > 0) {
        // A bit rate the coder cannot reach at this rate and channel count: its quality mode.
        // (A failed open clears the context, so it is set up again from the settings.)
        const int flags = ctx.p->flags;
        AVCodecContext* again = avcodec_alloc_context3(codec);
        again->sample_rate = ClosestRate(codec, s.rate);
        av_channel_layout_default(&again->ch_layout, std::clamp(s.channels, 1, kMaxChannels));
        again->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
        again->time_base = AVRational{1, again->sample_rate};
        again->flags = flags | AV_CODEC_FLAG_QSCALE;
        again->global_quality = 4 * FF_QP2LAMBDA;
        avcodec_free_context(&ctx.p);
        ctx.p = again;
        e = avcodec_open2(ctx.p, codec, nullptr);
    }
    if (e < 0) Raise(err::InvalidPropertyValue, "The save format cannot be used for this audio: " + AvError(e));
    result.rate = ctx.p->sample_rate;
    result.channels = ctx.p->ch_layout.nb_channels;
    result.bits = ctx.p->bits_per_coded_sample;
    result.bitRate = ctx.p->bit_rate;
    if (fmt.p) {
        stream = avformat_new_stream(fmt.p, nullptr);
        avcodec_parameters_from_context(stream->codecpar, ctx.p);
        stream->time_base = ctx.p->time_base;
        if ((e = avio_open(&fmt.p->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0)
            Raise(err::PathFileAccess, "Cannot write " + path + ": " + AvError(e));
        if ((e = avformat_write_header(fmt.p, nullptr)) < 0)
            Raise(err::InvalidPropertyValue, "Cannot write the file header: " + AvError(e));
    }
    if (s.container == Container::Wav) {
        // The format record as the WAV readers expect it for this coder.
        const int ch = ctx.p->ch_layout.nb_channels;
        std::vector<std::uint8_t>& f = result.wavFormat;
        PutU16(f, s.wavTag);
        PutU16(f, static_cast<std::uint16_t>(ch));
        PutU32(f, static_cast<std::uint32_t>(ctx.p->sample_rate));
        std::uint32_t avg = ctx.p->frame_size > 0 && ctx.p->block_align > 0
                                ? static_cast<std::uint32_t>(static_cast<std::int64_t>(ctx.p->sample_rate) *
                                                             ctx.p->block_align / ctx.p->frame_size)
                                : static_cast<std::uint32_t>(ctx.p->bit_rate / 8);
        PutU32(f, avg);
        // G.726's odd code sizes fill whole bytes in groups of eight codes: one group is the block.
        const int align = s.wavTag == kTagG726 ? ((s.codeSize & 1) ? s.codeSize : 1)
                          : ctx.p->block_align > 0 ? ctx.p->block_align
                                                   : ch;
        PutU16(f, static_cast<std::uint16_t>(align));
        PutU16(f, static_cast<std::uint16_t>(ctx.p->bits_per_coded_sample > 0 ? ctx.p->bits_per_coded_sample : 8));
        if (s.wavTag == kTagImaAdpcm) {
            PutU16(f, 2);
            PutU16(f, static_cast<std::uint16_t>(ctx.p->frame_size));
        } else if (s.wavTag == kTagMpeg || s.wavTag == kTagMp3) {
            // MPEG frames: the record names the stream, and the block is one byte.
            f.resize(8);
            PutU32(f, static_cast<std::uint32_t>(ctx.p->bit_rate / 8));
            PutU16(f, 1);
            PutU16(f, 0);
            if (s.wavTag == kTagMpeg) {
                PutU16(f, 22);
                PutU16(f, 2);                                                  // layer 2
                PutU32(f, static_cast<std::uint32_t>(ctx.p->bit_rate));
                PutU16(f, static_cast<std::uint16_t>(ch == 1 ? 8 : 1));        // single channel or stereo
                PutU16(f, 0);                                                  // mode extension
                PutU16(f, 1);                                                  // no emphasis
                PutU16(f, static_cast<std::uint16_t>(ctx.p->sample_rate >= 32000 ? 0x10 : 0)); // MPEG-1
                PutU32(f, 0);
                PutU32(f, 0);
            } else {
                PutU16(f, 12);
                PutU16(f, 1);                                                  // MPEG
                PutU32(f, 2);                                                  // no padding flag
                PutU16(f, static_cast<std::uint16_t>(ctx.p->sample_rate >= 32000 ? 144 * ctx.p->bit_rate / ctx.p->sample_rate
                                                                                  : 72 * ctx.p->bit_rate / ctx.p->sample_rate));
                PutU16(f, 1);
                PutU16(f, static_cast<std::uint16_t>(std::max(0, ctx.p->initial_padding)));
            }
        } else if (ctx.p->extradata_size > 0) {
            PutU16(f, static_cast<std::uint16_t>(ctx.p->extradata_size));
            f.insert(f.end(), ctx.p->extradata, ctx.p->extradata + ctx.p->extradata_size);
        } else {
            PutU16(f, 0);
        }
        if (!source) return result; // only the format record was asked for
    }

    // Source planar float -> the coder's rate, layout and sample format.
    Swr swr;
    {
        AVChannelLayout in{};
        av_channel_layout_default(&in, srcChannels);
        e = swr_alloc_set_opts2(&swr.p, &ctx.p->ch_layout, ctx.p->sample_fmt, ctx.p->sample_rate, &in,
                                AV_SAMPLE_FMT_FLTP, srcRate, 0, nullptr);
        if (e >= 0 && srcChannels == 1 && ctx.p->ch_layout.nb_channels == 2) {
            // A mono source plays at the same level on both sides.
            std::vector<double> matrix = {1.0, 1.0};
            swr_set_matrix(swr.p, matrix.data(), 1);
        }
        if (e >= 0) e = swr_init(swr.p);
        av_channel_layout_uninit(&in);
        if (e < 0) Raise(err::InvalidPropertyValue, "The audio cannot be converted for this format: " + AvError(e));
    }
    Fifo fifo;
    fifo.p = av_audio_fifo_alloc(ctx.p->sample_fmt, ctx.p->ch_layout.nb_channels, 1 << 16);
    const int frameSize = (codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) || ctx.p->frame_size <= 0
                              ? 4096
                              : ctx.p->frame_size;
    auto queueSilence = [&](std::int64_t count) {
        constexpr int kStep = 4096;
        std::uint8_t** silence = nullptr;
        if (count <= 0 ||
            av_samples_alloc_array_and_samples(&silence, nullptr, ctx.p->ch_layout.nb_channels, kStep, ctx.p->sample_fmt, 0) < 0)
            return;
        av_samples_set_silence(silence, 0, kStep, ctx.p->ch_layout.nb_channels, ctx.p->sample_fmt);
        while (count > 0) {
            const int k = static_cast<int>(std::min<std::int64_t>(count, kStep));
            av_audio_fifo_write(fifo.p, reinterpret_cast<void**>(silence), k);
            count -= k;
        }
        av_freep(&silence[0]);
        av_freep(&silence);
    };
    if (codec->id == AV_CODEC_ID_WMAV1 || codec->id == AV_CODEC_ID_WMAV2) {
        // The WMA decoders drop the coder's first frame: lead in with that much silence so
        // the audio does not lose its start.
        queueSilence(ctx.p->initial_padding > 0 ? ctx.p->initial_padding : ctx.p->frame_size);
    }
    // Exactly the source's length at the coder's rate (the converter's tail is not audio);
    // coders whose codes share bytes get whole bytes, padded with silence.
    const std::int64_t outTotal = totalFrames >= 0 ? (totalFrames * ctx.p->sample_rate + srcRate / 2) / srcRate : -1;
    std::int64_t padTo = outTotal;
    if (s.codeSize > 0 && outTotal > 0) {
        const int group = 8 / std::gcd(s.codeSize, 8);
        padTo = (outTotal + group - 1) / group * group;
    }
    std::int64_t queued = 0;
    Frame frame;
    Packet pkt;
    std::int64_t pts = 0, codedBytes = 0;
    auto receive = [&] {
        while ((e = avcodec_receive_packet(ctx.p, pkt.p)) == 0) {
            codedBytes += pkt.p->size;
            if (fmt.p) {
                av_packet_rescale_ts(pkt.p, ctx.p->time_base, stream->time_base);
                pkt.p->stream_index = stream->index;
                if ((e = av_interleaved_write_frame(fmt.p, pkt.p)) < 0)
                    Raise(err::DiskFull, "Cannot write " + path + ": " + AvError(e));
            } else {
                writeBytes(pkt.p->data, static_cast<std::size_t>(pkt.p->size));
            }
            av_packet_unref(pkt.p);
        }
    };
    auto sendFrames = [&](bool final) {
        while (av_audio_fifo_size(fifo.p) >= frameSize || (final && av_audio_fifo_size(fifo.p) > 0)) {
            int n = std::min(frameSize, av_audio_fifo_size(fifo.p));
            av_frame_unref(frame.p);
            frame.p->nb_samples = (ctx.p->frame_size > 0 && !(codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) &&
                                   !(codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME))
                                      ? frameSize
                                      : n;
            frame.p->format = ctx.p->sample_fmt;
            av_channel_layout_copy(&frame.p->ch_layout, &ctx.p->ch_layout);
            frame.p->sample_rate = ctx.p->sample_rate;
            if (av_frame_get_buffer(frame.p, 0) < 0) Raise(err::OutOfMemory);
            av_samples_set_silence(frame.p->extended_data, 0, frame.p->nb_samples, ctx.p->ch_layout.nb_channels,
                                   ctx.p->sample_fmt);
            av_audio_fifo_read(fifo.p, reinterpret_cast<void**>(frame.p->extended_data), n);
            frame.p->pts = pts;
            pts += frame.p->nb_samples;
            result.frames += n;
            if (avcodec_send_frame(ctx.p, frame.p) < 0) Raise(err::InvalidPropertyValue, "The encoder failed");
            receive();
        }
    };
    std::vector<std::vector<float>> planes;
    std::vector<const std::uint8_t*> ins(static_cast<std::size_t>(srcChannels));
    std::vector<std::uint8_t*> outs(static_cast<std::size_t>(ctx.p->ch_layout.nb_channels));
    std::int64_t done = 0;
    int lastPct = -1;
    std::vector<std::uint8_t*> convBuf;
    int convRoom = 0;
    std::uint8_t** conv = nullptr;
    auto convert = [&](const std::uint8_t** in, int n) {
        int room = swr_get_out_samples(swr.p, n);
        if (room > convRoom) {
            if (conv) {
                av_freep(&conv[0]);
                av_freep(&conv);
            }
            av_samples_alloc_array_and_samples(&conv, nullptr, ctx.p->ch_layout.nb_channels, room, ctx.p->sample_fmt, 0);
            convRoom = room;
        }
        int got = swr_convert(swr.p, conv, room, in, n);
        if (outTotal >= 0) got = static_cast<int>(std::min<std::int64_t>(got, outTotal - queued));
        if (got > 0) {
            av_audio_fifo_write(fifo.p, reinterpret_cast<void**>(conv), got);
            queued += got;
        }
    };
    struct ConvFree {
        std::uint8_t*** c;
        ~ConvFree() {
            if (*c) {
                av_freep(&(*c)[0]);
                av_freep(c);
            }
        }
    } convFree{&conv};
    for (;;) {
        std::int64_t n = source(planes, 1 << 16);
        if (n <= 0) break;
        for (int c = 0; c < srcChannels; ++c)
            ins[static_cast<std::size_t>(c)] = reinterpret_cast<const std::uint8_t*>(planes[static_cast<std::size_t>(c)].data());
        convert(ins.data(), static_cast<int>(n));
        sendFrames(false);
        done += n;
        if (progress && totalFrames > 0) {
            int pct = static_cast<int>(std::min<std::int64_t>(100, done * 100 / totalFrames));
            if (pct != lastPct) progress(lastPct = pct);
        }
    }
    convert(nullptr, 0);
    if (padTo > queued) queueSilence(padTo - queued);
    sendFrames(true);
    avcodec_send_frame(ctx.p, nullptr);
    receive();
    if (fmt.p) {
        if ((e = av_write_trailer(fmt.p)) < 0) Raise(err::DiskFull, "Cannot finish " + path + ": " + AvError(e));
        // Buffered bytes reach the file only here: a full disk shows now or never.
        avio_flush(fmt.p->pb);
        const int ioError = fmt.p->pb->error;
        if ((e = avio_closep(&fmt.p->pb)) < 0 || ioError < 0)
            Raise(err::DiskFull, "Cannot write " + path + ": " + AvError(ioError < 0 ? ioError : e));
    }
    (void)outs;
    (void)convBuf;
    if (s.variable && result.frames > 0) result.bitRate = codedBytes * 8 * ctx.p->sample_rate / result.frames;
    return result;
}

bool MpegFileIsVariable(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::vector<char> head(128 * 1024);
    const ssize_t n = ::pread(fd, head.data(), head.size(), 0);
    ::close(fd);
    if (n <= 0) return false;
    const std::string_view text(head.data(), static_cast<std::size_t>(n));
    return text.find("Xing") != std::string_view::npos || text.find("VBRI") != std::string_view::npos;
}

std::int64_t NearestMpegBitRate(int layer, int rate, std::int64_t bitRate) {
    // kbit/s of MPEG-1 (32 kHz and up) and of MPEG-2's lower rates.
    static const int l2[] = {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
    static const int l3[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int lsf[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    const int* t = rate < 32000 ? lsf : layer == 2 ? l2 : l3;
    // MPEG 2.5 (below 16 kHz) goes up to 64 kbit/s.
    const int n = layer == 3 && rate < 16000 ? 8 : 14;
    std::int64_t best = t[0];
    for (int i = 0; i < n; ++i)
        if (std::abs(t[i] * 1000LL - bitRate) < std::abs(best * 1000 - bitRate)) best = t[i];
    return best * 1000;
}

std::vector<TrackPtr> Resample(const std::vector<TrackPtr>& in, int inRate, int outRate, const std::shared_ptr<WorkFile>& work) {
    const int ch = static_cast<int>(in.size());
    if (ch == 0 || inRate == outRate) return in;
    const std::int64_t n = in[0]->Length();
    Swr swr;
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, ch);
    int e = swr_alloc_set_opts2(&swr.p, &layout, AV_SAMPLE_FMT_FLTP, outRate, &layout, AV_SAMPLE_FMT_FLTP, inRate, 0, nullptr);
    if (e >= 0) e = swr_init(swr.p);
    av_channel_layout_uninit(&layout);
    if (e < 0) Raise(err::InvalidPropertyValue, "The audio cannot be converted: " + AvError(e));
    const std::int64_t want = av_rescale_rnd(n, outRate, inRate, AV_ROUND_NEAR_INF);
    constexpr std::int64_t kStep = 1 << 16;
    std::vector<std::vector<float>> inBuf(static_cast<std::size_t>(ch), std::vector<float>(kStep));
    const int room = static_cast<int>(av_rescale_rnd(kStep, outRate, inRate, AV_ROUND_UP) + 256);
    std::vector<std::vector<float>> outBuf(static_cast<std::size_t>(ch), std::vector<float>(static_cast<std::size_t>(room)));
    std::vector<const std::uint8_t*> ins(static_cast<std::size_t>(ch));
    std::vector<std::uint8_t*> outs(static_cast<std::size_t>(ch));
    for (int c = 0; c < ch; ++c) {
        ins[static_cast<std::size_t>(c)] = reinterpret_cast<const std::uint8_t*>(inBuf[static_cast<std::size_t>(c)].data());
        outs[static_cast<std::size_t>(c)] = reinterpret_cast<std::uint8_t*>(outBuf[static_cast<std::size_t>(c)].data());
    }
    std::vector<BlockWriter> writers;
    for (int c = 0; c < ch; ++c) writers.emplace_back(work);
    std::int64_t got = 0;
    auto emit = [&](int r) {
        std::int64_t take = std::min<std::int64_t>(r, want - got);
        if (take <= 0) return;
        for (int c = 0; c < ch; ++c) writers[static_cast<std::size_t>(c)].Write(outBuf[static_cast<std::size_t>(c)].data(), take);
        got += take;
    };
    for (std::int64_t pos = 0; pos < n; pos += kStep) {
        const std::int64_t k = std::min(kStep, n - pos);
        for (int c = 0; c < ch; ++c) in[static_cast<std::size_t>(c)]->Read(pos, k, inBuf[static_cast<std::size_t>(c)].data());
        int r = swr_convert(swr.p, outs.data(), room, ins.data(), static_cast<int>(k));
        if (r > 0) emit(r);
    }
    for (;;) {
        int r = swr_convert(swr.p, outs.data(), room, nullptr, 0);
        if (r <= 0) break;
        emit(r);
    }
    if (got < want) {
        // What the converter holds back at the very end is made up with silence.
        std::vector<float> zeros(static_cast<std::size_t>(want - got), 0.0f);
        for (auto& w : writers) w.Write(zeros.data(), want - got);
    }
    std::vector<TrackPtr> out;
    for (auto& w : writers) out.push_back(Track::FromBlocks(w.Finish()));
    return out;
}

} // namespace platform::audio
