#include "rozuzezer/core/cHardDiskItem.h"

#include "platform/base/Error.h"
#include "platform/component/ClassBuilder.h"
#include "platform/component/Dispatch.h"
#include "rozuzezer/core/Library.h"

#include <span>
#include <type_traits>

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

namespace {

using C = cHardDiskItem;

// The other record read from its own fields.
struct FieldsOf {
    const C& o;
    template <typename M> M operator()(M C::*field, const char*) const { return o.*field; }
    template <typename M> M operator()(M (C::*get)() const, const char*) const { return (o.*get)(); }
    template <typename M> M operator()(M (C::*get)(std::int16_t) const, const char*, std::int16_t i) const {
        return (o.*get)(i);
    }
};

// The other record read through its public members by name, each value converted as the
// item's own member of that name travels; a read that fails raises its error.
struct MembersOf {
    platform::component::Object& o;
    const platform::component::InterfaceInfo& item;

    template <typename M> M Read(const char* name, std::span<platform::component::Variant> args) const {
        const platform::component::Variant v = platform::component::Get(o, name, args);
        if constexpr (std::is_same_v<M, WaveFormatRecord>) {
            return WaveFormatFromVariant(v);
        } else {
            const platform::component::MemberInfo* m = item.Find(name);
            return platform::component::FromVariant<M>(v, m ? m->type : platform::component::tVariant);
        }
    }
    template <typename M> M operator()(M C::*, const char* name) const { return Read<M>(name, {}); }
    template <typename M> M operator()(M (C::*)() const, const char* name) const { return Read<M>(name, {}); }
    template <typename M> M operator()(M (C::*)(std::int16_t) const, const char* name, std::int16_t i) const {
        platform::component::Variant index(i);
        return Read<M>(name, std::span<platform::component::Variant>(&index, 1));
    }
};

// The comparison, in its order: false at the first piece that differs.
template <typename Other>
bool Same(const C& a, const Other& o, bool TestLastPlays) {
    auto text = [&](const std::string& mine, auto member, const char* name) { return mine == o(member, name); };
    if (!text(a.Reference, &C::Reference, "Reference")) return false;
    if (!text(a.SchedulerReference, &C::SchedulerReference, "SchedulerReference")) return false;
    if (a.ItemType != o(&C::ItemType, "ItemType")) return false;
    if (a.FullInfo != o(&C::FullInfo, "FullInfo")) return false;
    if (!text(a.ItemTitle, &C::ItemTitle, "ItemTitle")) return false;
    if (!text(a.OtherInformation, &C::OtherInformation, "OtherInformation")) return false;
    for (std::int16_t i = 1; i <= 3; ++i)
        if (a.ArtistName(i) != o(&C::ArtistName, "ArtistName", i)) return false;
    if (TestLastPlays) {
        for (std::int16_t i = 1; i <= 5; ++i) {
            if (Differ(a.LastPlay(i), o(&C::LastPlay, "LastPlay", i))) return false;
            if (a.LastPlayLocation(i) != o(&C::LastPlayLocation, "LastPlayLocation", i)) return false;
        }
    }
    for (std::int16_t i = 1; i <= 4; ++i)
        if (a.Description(i) != o(&C::Description, "Description", i)) return false;
    if (a.Year != o(&C::Year, "Year")) return false;
    if (!text(a.Notes, &C::Notes, "Notes") || !text(a.NotesRTF, &C::NotesRTF, "NotesRTF") ||
        !text(a.NotesFileName, &C::NotesFileName, "NotesFileName") || !text(a.WebNotes, &C::WebNotes, "WebNotes") ||
        !text(a.DABNotes, &C::DABNotes, "DABNotes") || !text(a.DABNotesRTF, &C::DABNotesRTF, "DABNotesRTF") ||
        !text(a.URL, &C::URL, "URL") || !text(a.ArtistURL, &C::ArtistURL, "ArtistURL") ||
        !text(a.OnlineStoreReference, &C::OnlineStoreReference, "OnlineStoreReference"))
        return false;
    if (a.EndType != o(&C::EndType, "EndType")) return false;
    if (!text(a.CopyrightProductTitle, &C::CopyrightProductTitle, "CopyrightProductTitle") ||
        !text(a.CopyrightMusicTitle, &C::CopyrightMusicTitle, "CopyrightMusicTitle") ||
        !text(a.CopyrightRecordLabel, &C::CopyrightRecordLabel, "CopyrightRecordLabel") ||
        !text(a.CopyrightRecordNumber, &C::CopyrightRecordNumber, "CopyrightRecordNumber") ||
        !text(a.CopyrightComposer, &C::CopyrightComposer, "CopyrightComposer") ||
        !text(a.CopyrightPerformer, &C::CopyrightPerformer, "CopyrightPerformer") ||
        !text(a.CopyrightPublisher, &C::CopyrightPublisher, "CopyrightPublisher") ||
        !text(a.CopyrightCode, &C::CopyrightCode, "CopyrightCode") ||
        !text(a.RightsManagementReference, &C::RightsManagementReference, "RightsManagementReference"))
        return false;
    if (Differ(a.CopyrightTotalDuration, o(&C::CopyrightTotalDuration, "CopyrightTotalDuration")) ||
        Differ(a.CopyrightMusicDuration, o(&C::CopyrightMusicDuration, "CopyrightMusicDuration")))
        return false;
    if (a.CreatedDate != o(&C::CreatedDate, "CreatedDate") || Differ(a.CreatedTime, o(&C::CreatedTime, "CreatedTime")) ||
        a.AirStartDate != o(&C::AirStartDate, "AirStartDate") ||
        Differ(a.AirStartTime, o(&C::AirStartTime, "AirStartTime")) ||
        a.AirEndDate != o(&C::AirEndDate, "AirEndDate") || Differ(a.AirEndTime, o(&C::AirEndTime, "AirEndTime")))
        return false;
    if (a.OriginationDate != o(&C::OriginationDate, "OriginationDate") ||
        Differ(a.OriginationTime, o(&C::OriginationTime, "OriginationTime")))
        return false;
    if (!text(a.ProducerAppName, &C::ProducerAppName, "ProducerAppName") ||
        !text(a.ProducerAppVersion, &C::ProducerAppVersion, "ProducerAppVersion"))
        return false;
    if (!text(a.AudioFileName, &C::AudioFileName, "AudioFileName")) return false;
    if (a.PictureCount != o(&C::PictureCount, "PictureCount")) return false;
    if (FormatsDiffer(a.WaveFormat(), o(&C::WaveFormat, "WaveFormat"))) return false;
    if (!text(a.Category, &C::Category, "Category") || !text(a.CodingHistory, &C::CodingHistory, "CodingHistory") ||
        !text(a.Client, &C::Client, "Client") || !text(a.OutCue, &C::OutCue, "OutCue"))
        return false;
    if (a.Version != o(&C::Version, "Version")) return false;
    if (!text(a.Originator, &C::Originator, "Originator") ||
        !text(a.OriginatorReference, &C::OriginatorReference, "OriginatorReference"))
        return false;
    if (Differ(a.TotalLength, o(&C::TotalLength, "TotalLength"))) return false;
    for (std::int16_t i = 1; i <= 3; ++i) {
        if (Differ(a.AudioStartEx(i), o(&C::AudioStartEx, "AudioStartEx", i)) ||
            Differ(a.ExtroEx(i), o(&C::ExtroEx, "ExtroEx", i)) || Differ(a.OutroEx(i), o(&C::OutroEx, "OutroEx", i)))
            return false;
    }
    if (Differ(a.AudioEnd, o(&C::AudioEnd, "AudioEnd"))) return false;
    if (Differ(a.IntroStart(), o(&C::IntroStart, "IntroStart")) || Differ(a.IntroEnd(), o(&C::IntroEnd, "IntroEnd")))
        return false;
    if (Differ(a.HookStart, o(&C::HookStart, "HookStart")) || Differ(a.HookEnd, o(&C::HookEnd, "HookEnd")) ||
        Differ(a.LoopStart, o(&C::LoopStart, "LoopStart")) || Differ(a.LoopEnd, o(&C::LoopEnd, "LoopEnd")))
        return false;
    if (a.LoopNumberLoops != o(&C::LoopNumberLoops, "LoopNumberLoops") ||
        a.LoopPlayToEnd != o(&C::LoopPlayToEnd, "LoopPlayToEnd"))
        return false;
    if (a.IntroStartHW != o(&C::IntroStartHW, "IntroStartHW") || a.IntroEndHW != o(&C::IntroEndHW, "IntroEndHW") ||
        a.ExtroHW != o(&C::ExtroHW, "ExtroHW") || a.HookStartHW != o(&C::HookStartHW, "HookStartHW") ||
        a.HookEndHW != o(&C::HookEndHW, "HookEndHW"))
        return false;
    if (a.BackColour != o(&C::BackColour, "BackColour") || a.TextColour != o(&C::TextColour, "TextColour"))
        return false;
    return true;
}

} // namespace

bool cHardDiskItem::IsSame(const cHardDiskItem& cHDItem, bool TestLastPlays) const {
    return Same(*this, FieldsOf{cHDItem}, TestLastPlays);
}

bool cHardDiskItem::IsSame(platform::component::Object& cHDItem, bool TestLastPlays) const {
    if (const auto* item = dynamic_cast<const cHardDiskItem*>(&cHDItem)) return IsSame(*item, TestLastPlays);
    return Same(*this, MembersOf{cHDItem, platform::component::InterfaceOf(*this)}, TestLastPlays);
}

} // namespace rozuzezer
