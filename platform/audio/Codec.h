// Decoding and encoding through FFmpeg, for every format that is not PCM WAV.
#pragma once

#include "platform/audio/Block.h"
#include "platform/audio/Track.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform::audio {

// Headerless inputs, known by the file's extension.
enum class RawKind { None, Pcm16, Vox, G721, G723, G726 };
RawKind RawKindOfPath(const std::string& path);

struct DecodeOptions {
    std::shared_ptr<WorkFile> work;          // null: only count the frames
    std::function<void(int)> progress;       // percent
    RawKind raw = RawKind::None;
    int rawBits = 0;                         // code size of headerless G.72x (0: the name's)
    std::int64_t maxFrames = -1;             // stop after this many frames (-1: no limit)
};

struct DecodedAudio {
    int rate = 0;
    int channels = 0;
    std::int64_t frames = 0;
    std::vector<std::vector<BlockPtr>> blocks; // per channel
    std::string codec;                         // FFmpeg's codec name
    std::string codecLongName;
    std::int64_t bitRate = 0;
    int bitsPerCodedSample = 0;
    std::uint16_t wavTag = 0;                  // the WAV format tag when the file is a WAV file
    std::string container;                     // FFmpeg's name of the file format ("wav", "au" ...)
};

// Bits per code word a headerless G.72x file of this kind is read with: G.721 and G.726 4,
// G.723 3. The codes are packed from the least significant bit of each byte up (the
// "right-justified" packing); files packed the other way are not recognised.
int RawCodeBits(RawKind kind);

// Raises an error when the file cannot be decoded at all. A file that breaks off gives the
// audio up to the break.
DecodedAudio DecodeFile(const std::string& path, const DecodeOptions& options);

enum class Container { Mp2, Mp3, Ogg, Asf, Wav, Raw };

struct EncodeSettings {
    Container container = Container::Wav;
    std::string encoder;   // FFmpeg encoder name
    int rate = 44100;
    int channels = 2;
    std::int64_t bitRate = 0;
    int codeSize = 0;      // bits per sample of the G.72x coders
    std::uint16_t wavTag = 0;
    int blockAlign = 0;    // block size of the ADPCM coders (0: their own)
    std::uint32_t factSamples = 0; // MPEG in WAV: the sample count its record announces
    bool variable = false; // MPEG layer 3: LAME's variable rate, at the quality that gives about bitRate
};

// Gives up to maxFrames frames of planar float audio at the source rate and channel count;
// returns how many it gave (0 at the end).
using FrameSource = std::function<std::int64_t(std::vector<std::vector<float>>& planes, std::int64_t maxFrames)>;

// Encodes into the file at path (a temporary file that the caller renames). For the WAV
// container it writes the data chunk's bytes through writeBytes and hands back the format
// record and the sample count for the fact chunk.
struct EncodeResult {
    std::vector<std::uint8_t> wavFormat;
    std::int64_t frames = 0;
    // What the coder was opened with (a rate or bit rate it cannot take becomes the nearest
    // one it can).
    int rate = 0, channels = 0, bits = 0;
    std::int64_t bitRate = 0;
};

// Whether the MPEG audio file at path says it has a variable bit rate (a Xing or VBRI frame).
bool MpegFileIsVariable(const std::string& path);

// MPEG audio: the bit rate nearest to bitRate that layer 2 or 3 allows at this sample rate.
std::int64_t NearestMpegBitRate(int layer, int rate, std::int64_t bitRate);
EncodeResult Encode(const EncodeSettings& settings, int srcRate, int srcChannels, std::int64_t totalFrames,
                    const FrameSource& source, const std::string& path,
                    const std::function<void(const std::uint8_t*, std::size_t)>& writeBytes,
                    const std::function<void(int)>& progress);

// The same audio at another sample rate, in new blocks of the work file.
std::vector<TrackPtr> Resample(const std::vector<TrackPtr>& in, int inRate, int outRate, const std::shared_ptr<WorkFile>& work);

} // namespace platform::audio
