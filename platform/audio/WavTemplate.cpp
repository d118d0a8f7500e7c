#include "platform/audio/WavTemplate.h"

#include "platform/audio/WavFile.h"

#include <algorithm>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace platform::audio {

namespace {

// Block size the Windows ADPCM codecs choose: 256 bytes per channel at 11,025 Hz and below,
// growing with the rate.
std::uint16_t AdpcmBlockAlign(std::uint16_t channels, std::uint32_t rate) {
    return static_cast<std::uint16_t>(256u * channels * std::max<std::uint32_t>(1, rate / 11025));
}

} // namespace

std::optional<std::size_t> MaxFormatSize(std::uint16_t tag) {
    switch (tag) {
    case kTagPcm: return 16;
    case kTagFloat:
    case kTagALaw:
    case kTagMuLaw: return 18;
    case kTagImaAdpcm: return 20;
    case kTagMsAdpcm: return 50;
    default: return std::nullopt;
    }
}

std::optional<std::vector<std::uint8_t>> SuggestFormat(std::uint16_t tag, std::uint16_t ch, std::uint32_t rate) {
    if (ch == 0 || rate == 0 || rate > 768000) return std::nullopt;
    std::vector<std::uint8_t> f;
    switch (tag) {
    case kTagPcm:
        if (ch > 32) return std::nullopt;
        return PcmFormatRecord(kTagPcm, ch, rate, 16);
    case kTagFloat:
    case kTagALaw:
    case kTagMuLaw: {
        if (ch > 32) return std::nullopt;
        const std::uint16_t bits = tag == kTagFloat ? 32 : 8;
        f = PcmFormatRecord(tag, ch, rate, bits);
        PutU16(f, 0);
        return f;
    }
    case kTagImaAdpcm: {
        if (ch > 2) return std::nullopt;
        const std::uint16_t align = AdpcmBlockAlign(ch, rate);
        const std::uint16_t spb = static_cast<std::uint16_t>((align - 4 * ch) * 8 / (4 * ch) + 1);
        PutU16(f, tag);
        PutU16(f, ch);
        PutU32(f, rate);
        PutU32(f, static_cast<std::uint32_t>(static_cast<std::uint64_t>(rate) * align / spb));
        PutU16(f, align);
        PutU16(f, 4);
        PutU16(f, 2);
        PutU16(f, spb);
        return f;
    }
    case kTagMsAdpcm: {
        if (ch > 2) return std::nullopt;
        const std::uint16_t align = AdpcmBlockAlign(ch, rate);
        const std::uint16_t spb = static_cast<std::uint16_t>((align - 7 * ch) * 8 / (4 * ch) + 2);
        PutU16(f, tag);
        PutU16(f, ch);
        PutU32(f, rate);
        PutU32(f, static_cast<std::uint32_t>(static_cast<std::uint64_t>(rate) * align / spb));
        PutU16(f, align);
        PutU16(f, 4);
        PutU16(f, 32);
        PutU16(f, spb);
        PutU16(f, 7);
        const std::int16_t coef[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
        for (auto& c : coef) {
            PutU16(f, static_cast<std::uint16_t>(c[0]));
            PutU16(f, static_cast<std::uint16_t>(c[1]));
        }
        return f;
    }
    default: return std::nullopt;
    }
}

bool CreateWAVFile(const std::string& fileName, std::int32_t sampleRate, std::int16_t channels, std::int16_t formatTag) {
    if (fileName.empty() || sampleRate == 0 || channels == 0) return false;
    if (sampleRate < 0 || channels < 0) return false;
    const auto ch = static_cast<std::uint16_t>(channels);
    const auto rate = static_cast<std::uint32_t>(sampleRate);
    // The linear source format must exist for these channels and rate.
    if (!SuggestFormat(kTagPcm, ch, rate)) return false;
    const auto tag = static_cast<std::uint16_t>(formatTag);
    auto maxSize = MaxFormatSize(tag);
    if (!maxSize) return false;
    auto suggested = SuggestFormat(tag, ch, rate);
    if (!suggested) return true; // the tag exists but cannot take this shape: no file
    std::vector<std::uint8_t> fmt = *suggested;
    fmt.resize(std::max(*maxSize, fmt.size()), 0);
    fmt.resize(*maxSize);

    std::vector<std::uint8_t> file = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    PutU32(file, static_cast<std::uint32_t>(fmt.size()));
    file.insert(file.end(), fmt.begin(), fmt.end());
    if (fmt.size() & 1) file.push_back(0);
    const char data[4] = {'d', 'a', 't', 'a'};
    file.insert(file.end(), data, data + 4);
    PutU32(file, 0);
    const auto riff = static_cast<std::uint32_t>(file.size() - 8);
    for (int i = 0; i < 4; ++i) file[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(riff >> (8 * i));

    int fd = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return true;
    std::size_t done = 0;
    while (done < file.size()) {
        ssize_t w = ::write(fd, file.data() + done, file.size() - done);
        if (w <= 0) break;
        done += static_cast<std::size_t>(w);
    }
    ::close(fd);
    return true;
}

} // namespace platform::audio
