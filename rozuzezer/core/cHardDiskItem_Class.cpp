// The published class cHardDiskItem: its members in slot order, as calls by name and the
// type library see them.
#include "rozuzezer/core/cHardDiskItem.h"

#include "platform/base/Error.h"
#include "platform/component/ClassBuilder.h"
#include "rozuzezer/capi/bvrozuzezer2.h"
#include "rozuzezer/core/Library.h"

namespace rozuzezer {

using namespace platform::component;

namespace {

using C = cHardDiskItem;

// An indexed property of the record, reached through its getter and setter.
template <typename V>
MemberTable<C>& Indexed(MemberTable<C>& t, std::string name, TypeRef type, bool indexByRef,
                        V (C::*get)(std::int16_t) const, void (C::*set)(std::int16_t, V)) {
    return t.Property(
        std::move(name), type, {{"Index", tInt16, indexByRef}},
        [get, type](C& o, Args a) { return ToVariant((o.*get)(a[0].ToInt16()), type); },
        [set, type](C& o, Args a, const Variant& v) {
            (o.*set)(a[0].ToInt16(), FromVariant<V>(v, type));
        });
}

// A property without arguments, reached through its getter and (optional) setter.
template <typename V>
MemberTable<C>& Accessor(MemberTable<C>& t, std::string name, TypeRef type, V (C::*get)() const,
                         void (C::*set)(V) = nullptr, bool putByRef = false) {
    MemberTable<C>::Putter put;
    if (set) put = [set, type](C& o, Args, const Variant& v) { (o.*set)(FromVariant<V>(v, type)); };
    return t.Property(
        std::move(name), type, {}, [get, type](C& o, Args) { return ToVariant((o.*get)(), type); },
        std::move(put), putByRef);
}

MemberTable<C>& SDate(MemberTable<C>& t, std::string name, SDateRecord (C::*get)() const,
                      void (C::*set)(const SDateRecord&)) {
    return t.Property(
        std::move(name), tRecord("SDateRecord"), {},
        [get](C& o, Args) { return ToVariant((o.*get)()); },
        [set](C& o, Args, const Variant& v) { (o.*set)(SDateFromVariant(v)); }, true);
}

Variant WAVFile(C& o, Args a, bool save) {
    std::string file = a[0].ToText();
    std::int32_t flags = a[1].ToInt32();
    return Variant::Boolean(save ? o.SaveToWAVFile(file, flags) : o.LoadFromWAVFile(file, flags));
}

const InterfaceInfo& HardDiskItemInterface() {
    static const InterfaceInfo itf = [] {
        MemberTable<C> t("_cHardDiskItem", Guid::Of(BVR_IID__cHardDiskItem));
        t.Field("Reference", &C::Reference, tText)
            .Field("ItemType", &C::ItemType, tEnum("enHDItemType"))
            .Field("FullInfo", &C::FullInfo, tBoolean)
            .Field("AudioFileName", &C::AudioFileName, tText)
            .Field("AudioFileLength", &C::AudioFileLength, tInt32)
            .Field("ItemTitle", &C::ItemTitle, tText)
            .Field("OtherInformation", &C::OtherInformation, tText)
            .Field("Year", &C::Year, tInt16)
            .Field("Notes", &C::Notes, tText)
            .Field("NotesRTF", &C::NotesRTF, tText)
            .Field("NotesFileName", &C::NotesFileName, tText)
            .Field("WebNotes", &C::WebNotes, tText)
            .Field("DABNotes", &C::DABNotes, tText)
            .Field("DABNotesRTF", &C::DABNotesRTF, tText)
            .Field("URL", &C::URL, tText)
            .Field("ArtistURL", &C::ArtistURL, tText)
            .Field("OnlineStoreReference", &C::OnlineStoreReference, tText)
            .Field("EndType", &C::EndType, tEnum("enHDEND"))
            .Field("CopyrightProductTitle", &C::CopyrightProductTitle, tText)
            .Field("CopyrightMusicTitle", &C::CopyrightMusicTitle, tText)
            .Field("CopyrightRecordLabel", &C::CopyrightRecordLabel, tText)
            .Field("CopyrightRecordNumber", &C::CopyrightRecordNumber, tText)
            .Field("CopyrightComposer", &C::CopyrightComposer, tText)
            .Field("CopyrightPerformer", &C::CopyrightPerformer, tText)
            .Field("CopyrightPublisher", &C::CopyrightPublisher, tText)
            .Field("CopyrightCode", &C::CopyrightCode, tText)
            .Field("RightsManagementReference", &C::RightsManagementReference, tText)
            .Field("CopyrightTotalDuration", &C::CopyrightTotalDuration, tSingle)
            .Field("CopyrightMusicDuration", &C::CopyrightMusicDuration, tSingle)
            .Field("CreatedDate", &C::CreatedDate, tInt32)
            .Field("CreatedTime", &C::CreatedTime, tSingle)
            .Field("AirStartDate", &C::AirStartDate, tInt32)
            .Field("AirStartTime", &C::AirStartTime, tSingle)
            .Field("AirEndDate", &C::AirEndDate, tInt32)
            .Field("AirEndTime", &C::AirEndTime, tSingle)
            .Field("PictureCount", &C::PictureCount, tInt16)
            .Field("Category", &C::Category, tText)
            .Field("CodingHistory", &C::CodingHistory, tText)
            .Field("Client", &C::Client, tText)
            .Field("OutCue", &C::OutCue, tText)
            .Field("Version", &C::Version, tInt16)
            .Field("SchedulerReference", &C::SchedulerReference, tText)
            .Field("Originator", &C::Originator, tText)
            .Field("OriginatorReference", &C::OriginatorReference, tText)
            .Field("OriginationDate", &C::OriginationDate, tInt32)
            .Field("OriginationTime", &C::OriginationTime, tSingle)
            .Field("ProducerAppName", &C::ProducerAppName, tText)
            .Field("ProducerAppVersion", &C::ProducerAppVersion, tText)
            .Field("AudioEnd", &C::AudioEnd, tSingle)
            .Field("TotalLength", &C::TotalLength, tSingle)
            .Field("HookStart", &C::HookStart, tSingle)
            .Field("HookEnd", &C::HookEnd, tSingle)
            .Field("LoopStart", &C::LoopStart, tSingle)
            .Field("LoopEnd", &C::LoopEnd, tSingle)
            .Field("LoopNumberLoops", &C::LoopNumberLoops, tInt32)
            .Field("LoopPlayToEnd", &C::LoopPlayToEnd, tBoolean)
            .Field("IntroStartHW", &C::IntroStartHW, tInt16)
            .Field("IntroEndHW", &C::IntroEndHW, tInt16)
            .Field("ExtroHW", &C::ExtroHW, tInt16)
            .Field("HookStartHW", &C::HookStartHW, tInt16)
            .Field("HookEndHW", &C::HookEndHW, tInt16)
            .Field("BackColour", &C::BackColour, tColour)
            .Field("TextColour", &C::TextColour, tColour);

        Indexed<std::string>(t, "ArtistName", tText, true, &C::ArtistName, &C::SetArtistName);
        Indexed<std::string>(t, "Description", tText, true, &C::Description, &C::SetDescription);
        Accessor<float>(t, "AudioLength", tSingle, &C::AudioLength);
        Accessor<float>(t, "IntroLength", tSingle, &C::IntroLength);
        Accessor<float>(t, "HookLength", tSingle, &C::HookLength);
        Accessor<float>(t, "AudioStart", tSingle, &C::AudioStart, &C::SetAudioStart);
        Indexed<float>(t, "AudioStartEx", tSingle, false, &C::AudioStartEx, &C::SetAudioStartEx);
        Accessor<float>(t, "IntroStart", tSingle, &C::IntroStart, &C::SetIntroStart);
        Accessor<float>(t, "IntroEnd", tSingle, &C::IntroEnd, &C::SetIntroEnd);
        Indexed<float>(t, "IntroEx", tSingle, false, &C::IntroEx, &C::SetIntroEx);
        Accessor<float>(t, "Extro", tSingle, &C::Extro, &C::SetExtro);
        Indexed<float>(t, "ExtroEx", tSingle, false, &C::ExtroEx, &C::SetExtroEx);
        Accessor<float>(t, "Outro", tSingle, &C::Outro, &C::SetOutro);
        Indexed<float>(t, "OutroEx", tSingle, false, &C::OutroEx, &C::SetOutroEx);
        t.Method("FullDescription", tText, {},
                 [](C& o, Args) { return Variant(o.FullDescription()); });
        Indexed<double>(t, "LastPlay", tDate, false, &C::LastPlay, &C::SetLastPlay);
        Indexed<std::int16_t>(t, "LastPlayLocation", tInt16, false, &C::LastPlayLocation,
                              &C::SetLastPlayLocation);
        SDate(t, "AirStartSDate", &C::AirStartSDate, &C::SetAirStartSDate);
        SDate(t, "AirEndSDate", &C::AirEndSDate, &C::SetAirEndSDate);
        SDate(t, "OriginationSDate", &C::OriginationSDate, &C::SetOriginationSDate);
        t.Property("WaveFormat", tRecord("WaveFormatRecord"), {},
                   [](C& o, Args) { return ToVariant(o.WaveFormat()); });
        Accessor<std::int16_t>(t, "AudioChannels", tInt16, &C::AudioChannels, &C::SetAudioChannels,
                               true);
        Accessor<std::int32_t>(t, "AudioKHZ", tInt32, &C::AudioKHZ, &C::SetAudioKHZ);
        Accessor<std::int16_t>(t, "AudioBitRate", tInt16, &C::AudioBitRate, &C::SetAudioBitRate);
        Accessor<std::int16_t>(t, "AudioFormat", tInt16, &C::AudioFormat, &C::SetAudioFormat);
        t.Property("EndTypeDescription", tText, {{"ShortVersion", tBoolean, false}},
                   [](C& o, Args a) { return Variant(o.EndTypeDescription(a[0].ToBool())); });
        t.Method("IncrementVersion", tBoolean, {},
                 [](C& o, Args) { return Variant::Boolean(o.IncrementVersion()); });
        t.Method("IsSame", tBoolean,
                 {{"cHDItem", tObject("cHardDiskItem"), true}, {"TestLastPlays", tBoolean, true}},
                 [](C& o, Args a) {
                     Ref<Object> other = a[0].ToObject();
                     if (!other) platform::Raise(platform::err::ObjectNotSet);
                     return Variant::Boolean(o.IsSame(*other, a[1].ToBool()));
                 });
        t.Method("LoadFromWAVFile", tBoolean,
                 {{"Filename", tText, false}, {"Flags", tEnum("enLFFlags"), false}},
                 [](C& o, Args a) { return WAVFile(o, a, false); });
        t.Method("SaveToWAVFile", tBoolean,
                 {{"Filename", tText, false}, {"Flags", tEnum("enLFFlags"), false}},
                 [](C& o, Args a) { return WAVFile(o, a, true); });
        // Everything up to here was the first published interface.
        t.EarlierVersion(Guid::Of(BVR_IID__cHardDiskItem_v1));
        t.Field("ChangeCount", &C::ChangeCount, tInt16);
        t.Method("IncrementChangeCount", tVoid, {}, [](C& o, Args) {
            o.IncrementChangeCount();
            return Variant();
        });
        t.Property(
            "Serialisation", tText, {}, [](C& o, Args) { return Variant(o.Serialisation()); },
            [](C& o, Args, const Variant& v) { o.SetSerialisation(v.ToText()); });
        return t.Build();
    }();
    return itf;
}

ClassInfo& HardDiskItemClass() {
    static ClassInfo cls{"cHardDiskItem",
                         Guid::Of(BVR_CLSID_cHardDiskItem),
                         ClassKind::Creatable,
                         &HardDiskItemInterface(),
                         nullptr,
                         [] { return Ref<Object>(MakeRef<cHardDiskItem>()); },
                         {}};
    return cls;
}

const Registration registration(Library(), HardDiskItemClass());

} // namespace

const ClassInfo* cHardDiskItem::Class() const noexcept {
    return &HardDiskItemClass();
}

} // namespace rozuzezer
