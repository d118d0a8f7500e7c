#include "rozuzezer/core/cHardDiskItem.h"

#include "platform/base/Error.h"

namespace rozuzezer {
namespace {

std::string_view Trimmed(std::string_view s) {
    std::size_t b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    std::size_t e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

// Audio formats differ when any field that changes how the samples sound differs.
bool FormatsDiffer(const WaveFormatRecord& a, const WaveFormatRecord& b) {
    return a.wBitsPerSample != b.wBitsPerSample || a.nChannels != b.nChannels ||
           a.wFormatTag != b.wFormatTag || a.nSamplesPerSec != b.nSamplesPerSec;
}

// Single and date values compare exactly: equal unless one is below or above the other.
template <typename T>
bool Differ(T a, T b) {
    return a < b || a > b;
}

} // namespace

std::string cHardDiskItem::ArtistName(std::int16_t index) const { return Get(artist_, index); }
void cHardDiskItem::SetArtistName(std::int16_t index, std::string value) {
    Set(artist_, index, std::move(value));
}
std::string cHardDiskItem::Description(std::int16_t index) const { return Get(description_, index); }
void cHardDiskItem::SetDescription(std::int16_t index, std::string value) {
    Set(description_, index, std::move(value));
}

std::string cHardDiskItem::FullDescription() const {
    std::string out;
    auto add = [&](std::string_view part) {
        std::string_view t = Trimmed(part);
        if (t.empty()) return;
        out.append(t);
        out.push_back(' ');
    };
    add(ItemTitle);
    for (const auto& a : artist_) add(a);
    for (const auto& d : description_) add(d);
    return std::string(Trimmed(out));
}

std::string cHardDiskItem::EndTypeDescription(bool ShortVersion) const {
    switch (EndType) {
    case cheEnd: return ShortVersion ? "E" : "Ends";
    case cheFades: return ShortVersion ? "F" : "Fades";
    case cheSustain: return ShortVersion ? "S" : "Sustain";
    case cheSlowFade: return ShortVersion ? "SF" : "Slow fade";
    default: return "";
    }
}

bool cHardDiskItem::IncrementVersion() {
    if (Version > 32000) return false;
    ++Version;
    return true;
}

void cHardDiskItem::IncrementChangeCount() {
    if (ChangeCount == 32767) platform::Raise(platform::err::Overflow);
    ChangeCount = ChangeCount == 31 ? 33 : static_cast<std::int16_t>(ChangeCount + 1);
}

bool cHardDiskItem::IsSame(const cHardDiskItem& o, bool TestLastPlays) const {
    if (Reference != o.Reference || SchedulerReference != o.SchedulerReference) return false;
    if (ItemType != o.ItemType || FullInfo != o.FullInfo) return false;
    if (ItemTitle != o.ItemTitle || OtherInformation != o.OtherInformation) return false;
    for (std::int16_t i = 1; i <= 3; ++i)
        if (ArtistName(i) != o.ArtistName(i)) return false;
    if (TestLastPlays) {
        for (std::int16_t i = 1; i <= 5; ++i) {
            if (Differ(LastPlay(i), o.LastPlay(i))) return false;
            if (LastPlayLocation(i) != o.LastPlayLocation(i)) return false;
        }
    }
    for (std::int16_t i = 1; i <= 4; ++i)
        if (Description(i) != o.Description(i)) return false;
    if (Year != o.Year) return false;
    if (Notes != o.Notes || NotesRTF != o.NotesRTF || NotesFileName != o.NotesFileName ||
        WebNotes != o.WebNotes || DABNotes != o.DABNotes || DABNotesRTF != o.DABNotesRTF ||
        URL != o.URL || ArtistURL != o.ArtistURL || OnlineStoreReference != o.OnlineStoreReference)
        return false;
    if (EndType != o.EndType) return false;
    if (CopyrightProductTitle != o.CopyrightProductTitle ||
        CopyrightMusicTitle != o.CopyrightMusicTitle ||
        CopyrightRecordLabel != o.CopyrightRecordLabel ||
        CopyrightRecordNumber != o.CopyrightRecordNumber ||
        CopyrightComposer != o.CopyrightComposer || CopyrightPerformer != o.CopyrightPerformer ||
        CopyrightPublisher != o.CopyrightPublisher || CopyrightCode != o.CopyrightCode ||
        RightsManagementReference != o.RightsManagementReference)
        return false;
    if (Differ(CopyrightTotalDuration, o.CopyrightTotalDuration) ||
        Differ(CopyrightMusicDuration, o.CopyrightMusicDuration))
        return false;
    if (CreatedDate != o.CreatedDate || Differ(CreatedTime, o.CreatedTime) ||
        AirStartDate != o.AirStartDate || Differ(AirStartTime, o.AirStartTime) ||
        AirEndDate != o.AirEndDate || Differ(AirEndTime, o.AirEndTime))
        return false;
    if (OriginationDate != o.OriginationDate || Differ(OriginationTime, o.OriginationTime))
        return false;
    if (ProducerAppName != o.ProducerAppName || ProducerAppVersion != o.ProducerAppVersion)
        return false;
    if (AudioFileName != o.AudioFileName) return false;
    if (PictureCount != o.PictureCount) return false;
    if (FormatsDiffer(format_, o.WaveFormat())) return false;
    if (Category != o.Category || CodingHistory != o.CodingHistory || Client != o.Client ||
        OutCue != o.OutCue)
        return false;
    if (Version != o.Version) return false;
    if (Originator != o.Originator || OriginatorReference != o.OriginatorReference) return false;
    if (Differ(TotalLength, o.TotalLength)) return false;
    for (std::int16_t i = 1; i <= 3; ++i) {
        if (Differ(AudioStartEx(i), o.AudioStartEx(i)) || Differ(ExtroEx(i), o.ExtroEx(i)) ||
            Differ(OutroEx(i), o.OutroEx(i)))
            return false;
    }
    if (Differ(AudioEnd, o.AudioEnd)) return false;
    if (Differ(IntroStart(), o.IntroStart()) || Differ(IntroEnd(), o.IntroEnd())) return false;
    if (Differ(HookStart, o.HookStart) || Differ(HookEnd, o.HookEnd) ||
        Differ(LoopStart, o.LoopStart) || Differ(LoopEnd, o.LoopEnd))
        return false;
    if (LoopNumberLoops != o.LoopNumberLoops || LoopPlayToEnd != o.LoopPlayToEnd) return false;
    if (IntroStartHW != o.IntroStartHW || IntroEndHW != o.IntroEndHW || ExtroHW != o.ExtroHW ||
        HookStartHW != o.HookStartHW || HookEndHW != o.HookEndHW)
        return false;
    if (BackColour != o.BackColour || TextColour != o.TextColour) return false;
    return true;
}

} // namespace rozuzezer
