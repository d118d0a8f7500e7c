#include "shared/helpers/AudioFormat.h"

#include "platform/base/Numeric.h"
#include "shared/helpers/Utility.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace helpers {
namespace {

// 44100 -> "44,100".
std::string Grouped(std::uint64_t n) {
    std::string digits = std::to_string(n);
    std::string out;
    const std::size_t first = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
    out = digits.substr(0, first);
    for (std::size_t i = first; i < digits.size(); i += 3) out += "," + digits.substr(i, 3);
    return out;
}

std::string ChannelsText(std::uint16_t channels) {
    switch (channels) {
    case 1: return "Mono";
    case 2: return "Stereo";
    default: return std::to_string(channels) + " Channels";
    }
}

bool ReadNumber(const std::unordered_map<std::string, std::string>& items, const char* name,
                double lowest, double highest, double& out) {
    const auto it = items.find(name);
    if (it == items.end()) return false;
    const std::string& text = it->second;
    if (text.empty() || text.find_first_not_of("-0123456789") != std::string::npos) return false;
    if (text.size() > 12) return false; // no field needs more digits
    const double v = platform::Val(text);
    if (!(v >= lowest && v <= highest)) return false;
    out = v;
    return true;
}

} // namespace

void cAudioFormat::SetBitRate(std::uint32_t bitsPerSecond) {
    bitRate_ = bitsPerSecond;
    avgBytes_ = bitsPerSecond / 8;
    if (family_ == afWindowsMedia) wma_ = static_cast<std::int32_t>(std::min<std::uint32_t>(bitsPerSecond, 0x7FFFFFFF));
}

std::int32_t cAudioFormat::WindowsMediaFormat() const {
    if (wma_ == 0 && family_ == afWindowsMedia) return static_cast<std::int32_t>(std::min<std::uint32_t>(bitRate_, 0x7FFFFFFF));
    return wma_;
}

void cAudioFormat::SetFormatFamily(std::int32_t family) {
    family_ = family;
    switch (family) {
    case afMPEG3: tag_ = kTagMPEGLayer3; break;
    case afOggVorbis: tag_ = kTagOggVorbis; break;
    case afWindowsMedia: tag_ = kTagWMA; break;
    case afMPEG2: tag_ = kTagMPEG; break;
    case afWave:
        if (FamilyOfTag(tag_) != afWave) SetPCM(rate_ ? rate_ : 44100, channels_ ? channels_ : 2, 16);
        break;
    default: break;
    }
}

void cAudioFormat::SetPCM(std::uint32_t samplesPerSec, std::uint16_t channels, std::uint16_t bits) {
    tag_ = kTagPCM;
    family_ = afWave;
    rate_ = samplesPerSec;
    channels_ = channels;
    bits_ = bits;
    align_ = static_cast<std::uint16_t>(channels * ((bits + 7) / 8));
    avgBytes_ = samplesPerSec * align_;
    bitRate_ = 0;
}

platform::component::Ref<cAudioFormat> cAudioFormat::Clone() const {
    auto copy = platform::component::MakeRef<cAudioFormat>();
    copy->CopyFrom(*this);
    return copy;
}

void cAudioFormat::CopyFrom(const cAudioFormat& o) {
    if (&o == this) return;
    tag_ = o.tag_;
    channels_ = o.channels_;
    rate_ = o.rate_;
    avgBytes_ = o.avgBytes_;
    align_ = o.align_;
    bits_ = o.bits_;
    bitRate_ = o.bitRate_;
    wma_ = o.wma_;
    family_ = o.family_;
    any_ = o.any_;
}

bool cAudioFormat::SameFormat(const cAudioFormat& o) const {
    return tag_ == o.tag_ && channels_ == o.channels_ && rate_ == o.rate_ &&
           avgBytes_ == o.avgBytes_ && align_ == o.align_ && bits_ == o.bits_ &&
           bitRate_ == o.bitRate_ && wma_ == o.wma_ && family_ == o.family_;
}

std::string cAudioFormat::TagName(std::uint16_t tag) {
    switch (tag) {
    case kTagPCM: return "PCM";
    case 2: return "Microsoft ADPCM";
    case 3: return "IEEE Float";
    case 6: return "A-Law";
    case 7: return "u-Law";
    case kTagIMAADPCM: return "IMA ADPCM";
    case 0x40: return "G.721 ADPCM";
    case 0x14: return "G.723 ADPCM";
    case 0x64: return "G.726 ADPCM";
    case kTagMPEG: return "MPEG Layer 2";
    case kTagMPEGLayer3: return "MPEG Layer 3";
    case kTagWMA: return "Windows Media Audio";
    case kTagOggVorbis: return "Ogg Vorbis";
    default: {
        char buf[32];
        std::snprintf(buf, sizeof buf, "Format 0x%04X", tag);
        return buf;
    }
    }
}

std::string cAudioFormat::FamilyName(std::int32_t family) {
    switch (family) {
    case afWave: return "WAV";
    case afMPEG3: return "MPEG Layer 3";
    case afOggVorbis: return "Ogg Vorbis";
    case afWindowsMedia: return "Windows Media Audio";
    case afMPEG2: return "MPEG Layer 2";
    default: return "Family " + std::to_string(family);
    }
}

std::int32_t cAudioFormat::FamilyOfTag(std::uint16_t tag) {
    switch (tag) {
    case kTagMPEGLayer3: return afMPEG3;
    case kTagOggVorbis: return afOggVorbis;
    case kTagWMA: return afWindowsMedia;
    case kTagMPEG: return afMPEG2;
    default: return afWave;
    }
}

std::string cAudioFormat::Description() const {
    if (any_ == "ANY") return "Any " + FamilyName(family_) + " format";
    std::string d = TagName(tag_);
    if (bitRate_ > 0 && FamilyOfTag(tag_) != afWave)
        d += ", " + Grouped((bitRate_ + 500) / 1000) + " kBit/s";
    d += ", " + Grouped(rate_) + " Hz";
    if (bits_ > 0 && FamilyOfTag(tag_) == afWave) d += ", " + std::to_string(bits_) + " Bit";
    d += ", " + ChannelsText(channels_);
    return d;
}

std::string cAudioFormat::FormatText() const {
    const cUtility& u = Utility();
    std::string t;
    t = u.AppendItem(t, "Family", std::to_string(family_), "=", false, " ");
    t = u.AppendItem(t, "Tag", std::to_string(tag_), "=", false, " ");
    t = u.AppendItem(t, "Channels", std::to_string(channels_), "=", false, " ");
    t = u.AppendItem(t, "Rate", std::to_string(rate_), "=", false, " ");
    t = u.AppendItem(t, "AvgBytes", std::to_string(avgBytes_), "=", false, " ");
    t = u.AppendItem(t, "Align", std::to_string(align_), "=", false, " ");
    t = u.AppendItem(t, "Bits", std::to_string(bits_), "=", false, " ");
    t = u.AppendItem(t, "BitRate", std::to_string(bitRate_), "=", false, " ");
    t = u.AppendItem(t, "WMA", std::to_string(wma_), "=", false, " ");
    return t;
}

bool cAudioFormat::SetFormatText(std::string_view text) {
    const auto items = ItemList::Parse(text, "=", " ");
    cAudioFormat f;
    f.CopyFrom(*this);
    bool any = false;
    double v = 0;
    if (ReadNumber(items, "family", -2147483648.0, 2147483647.0, v)) { f.family_ = static_cast<std::int32_t>(v); any = true; }
    if (ReadNumber(items, "tag", 0, 65535, v)) { f.tag_ = static_cast<std::uint16_t>(v); any = true; }
    if (ReadNumber(items, "channels", 0, 65535, v)) { f.channels_ = static_cast<std::uint16_t>(v); any = true; }
    if (ReadNumber(items, "rate", 0, 4294967295.0, v)) { f.rate_ = static_cast<std::uint32_t>(v); any = true; }
    if (ReadNumber(items, "avgbytes", 0, 4294967295.0, v)) { f.avgBytes_ = static_cast<std::uint32_t>(v); any = true; }
    if (ReadNumber(items, "align", 0, 65535, v)) { f.align_ = static_cast<std::uint16_t>(v); any = true; }
    if (ReadNumber(items, "bits", 0, 65535, v)) { f.bits_ = static_cast<std::uint16_t>(v); any = true; }
    if (ReadNumber(items, "bitrate", 0, 4294967295.0, v)) { f.bitRate_ = static_cast<std::uint32_t>(v); any = true; }
    if (ReadNumber(items, "wma", -2147483648.0, 2147483647.0, v)) { f.wma_ = static_cast<std::int32_t>(v); any = true; }
    if (!any) return false;
    const std::string mark = any_;
    CopyFrom(f);
    any_ = mark;
    return true;
}

} // namespace helpers
