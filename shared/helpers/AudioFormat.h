// The audio-format object: one audio format, as the audio settings hold it and the
// editor saves in. A counted object (platform::component::Ref); its chooser dialog lives
// with the Qt windows.
//
// Families (what a chooser offers):
//   2  linear and other WAV formats (PCM, IMA ADPCM ...)   16 Windows Media
//   4  MPEG layer 3                                         32 MPEG layer 2
//   8  Ogg Vorbis
//
// Stored text form, one line of name=value items (helpers::ItemList with blanks between):
//   Family=2 Tag=1 Channels=2 Rate=44100 AvgBytes=176400 Align=4 Bits=16 BitRate=0 WMA=0
// SetFormatText reads it back exactly; items it does not know are ignored, missing items
// keep their current values, and a text that holds none of the items is refused.
#pragma once

#include "platform/component/Object.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace helpers {

class cAudioFormat : public platform::component::Object {
public:
    enum Family : std::int32_t {
        afWave = 2,
        afMPEG3 = 4,
        afOggVorbis = 8,
        afWindowsMedia = 16,
        afMPEG2 = 32,
    };

    // Format tags of the families and of the WAV formats the system writes.
    static constexpr std::uint16_t kTagPCM = 1;
    static constexpr std::uint16_t kTagIMAADPCM = 0x11;
    static constexpr std::uint16_t kTagMPEG = 0x50;       // layer 2
    static constexpr std::uint16_t kTagMPEGLayer3 = 0x55;
    static constexpr std::uint16_t kTagWMA = 0x161;
    static constexpr std::uint16_t kTagOggVorbis = 0x674F;

    // A new object holds PCM, 44,100 Hz, 16 bit, stereo, family 2.
    cAudioFormat() = default;

    std::uint16_t FormatTag() const { return tag_; }
    void SetFormatTag(std::uint16_t tag) { tag_ = tag; }
    std::uint16_t Channels() const { return channels_; }
    void SetChannels(std::uint16_t channels) { channels_ = channels; }
    std::uint32_t SamplesPerSec() const { return rate_; }
    void SetSamplesPerSec(std::uint32_t rate) { rate_ = rate; }
    std::uint32_t AvgBytesPerSec() const { return avgBytes_; }
    void SetAvgBytesPerSec(std::uint32_t bytes) { avgBytes_ = bytes; }
    std::uint16_t BlockAlign() const { return align_; }
    void SetBlockAlign(std::uint16_t align) { align_ = align; }
    std::uint16_t BitsPerSample() const { return bits_; }
    void SetBitsPerSample(std::uint16_t bits) { bits_ = bits; }

    // Bits per second of a compressed format (0 for linear ones). Setting it also sets
    // AvgBytesPerSec to a eighth of it.
    std::uint32_t BitRate() const { return bitRate_; }
    void SetBitRate(std::uint32_t bitsPerSecond);

    // The Windows Media format value: what the editor's Windows Media save set-up takes,
    // its bit rate in bits per second. Setting the bit rate of a Windows Media object sets it
    // too; an object that holds none (0) gives its bit rate.
    std::int32_t WindowsMediaFormat() const;
    void SetWindowsMediaFormat(std::int32_t value) { wma_ = value; }

    // The family (2, 4, 8, 16, 32). Setting another family gives the object that family's
    // format tag; a WAV family keeps a WAV tag it already has.
    std::int32_t FormatFamily() const { return family_; }
    void SetFormatFamily(std::int32_t family);

    // The any-format mark: "ANY" allows any variant of the family, "" the one described.
    const std::string& AnyFormat() const { return any_; }
    void SetAnyFormat(std::string mark) { any_ = std::move(mark); }

    // Linear PCM: sets tag 1, the rate, channels and bits, and computes block alignment and
    // bytes per second from them.
    void SetPCM(std::uint32_t samplesPerSec, std::uint16_t channels, std::uint16_t bits);

    // A new object with the same format and mark.
    platform::component::Ref<cAudioFormat> Clone() const;
    void CopyFrom(const cAudioFormat& other);

    // For people: "PCM, 44,100 Hz, 16 Bit, Stereo", "MPEG Layer 3, 128 kBit/s, 44,100 Hz,
    // Stereo", "IMA ADPCM, 22,050 Hz, 4 Bit, Mono"; with the mark "ANY": "Any MPEG Layer 3
    // format".
    std::string Description() const;

    // The stored text form (see the top of this file) and its reading back. SetFormatText
    // returns false, and changes nothing, for a text it cannot read.
    std::string FormatText() const;
    bool SetFormatText(std::string_view text);

    // The name of a format tag ("PCM", "IMA ADPCM", "MPEG Layer 3" ...; "Format 0x1234"
    // for others) and of a family ("WAV", "MPEG Layer 3" ...).
    static std::string TagName(std::uint16_t tag);
    static std::string FamilyName(std::int32_t family);
    // The family a format tag belongs to (2 for every tag that is not one of the others).
    static std::int32_t FamilyOfTag(std::uint16_t tag);

    bool SameFormat(const cAudioFormat& other) const;

private:
    std::uint16_t tag_ = kTagPCM;
    std::uint16_t channels_ = 2;
    std::uint32_t rate_ = 44100;
    std::uint32_t avgBytes_ = 176400;
    std::uint16_t align_ = 4;
    std::uint16_t bits_ = 16;
    std::uint32_t bitRate_ = 0;
    std::int32_t wma_ = 0;
    std::int32_t family_ = afWave;
    std::string any_;
};

using AudioFormatRef = platform::component::Ref<cAudioFormat>;

} // namespace helpers
