// The published class cRozuzezer: its members in slot order, as calls by name and the type
// library see them.
//
// Earlier published versions of _cRozuzezer, each answered by the same object:
//   v1  slots 1-23   the shared settings, AudioLocation, NumberAudioLocations, LoadProfile,
//                    SaveProfile, ProfileName, GetRozuzezerSettings, BackupRozuzezer,
//                    SaveRozuzezerSettings
//   v2  slots 1-26   + DisplayAudioLocations, CheckSettings, DisplaySettings
//   v3  slots 1-28   + AutoCreateLocations, UniqueAudioLocations
//   now slots 1-30   + LookForAudioLocations, AlternateAudioLocation
//
// Calls by name carry no arrays, so LookForAudioLocations hands its found locations back
// through its second argument as one text, the locations in list order joined by "|".
#include "rozuzezer/core/cRozuzezer.h"

#include "platform/component/ClassBuilder.h"
#include "rozuzezer/capi/bvrozuzezer2.h"
#include "rozuzezer/core/Library.h"

namespace rozuzezer {

using namespace platform::component;

namespace {

using C = cRozuzezer;

MemberTable<C>& Indexed(MemberTable<C>& t, std::string name, std::string (C::*get)(std::int16_t) const,
                        void (C::*set)(std::int16_t, std::string)) {
    return t.Property(
        std::move(name), tText, {{"Index", tInt16, false}},
        [get](C& o, Args a) { return Variant((o.*get)(a[0].ToInt16())); },
        [set](C& o, Args a, const Variant& v) { (o.*set)(a[0].ToInt16(), v.ToText()); });
}

Variant Void() { return Variant(); }

const InterfaceInfo& RozuzezerInterface() {
    static const InterfaceInfo itf = [] {
        MemberTable<C> t("_cRozuzezer", Guid::Of(BVR_IID__cRozuzezer));
        t.Field("NumberCarts", &C::NumberCarts, tInt32)
            .Field("UseIndividualCartListFiles", &C::UseIndividualCartListFiles, tInt16)
            .Field("NewCartBackColour", &C::NewCartBackColour, tColour)
            .Field("NewCartForeColour", &C::NewCartForeColour, tColour)
            .Field("PictureFileExtension", &C::PictureFileExtension, tText)
            .Field("AllowAudioFileLinking", &C::AllowAudioFileLinking, tInt16)
            .Field("StoreCopyrightInformationInCartChunk", &C::StoreCopyrightInformationInCartChunk, tInt16)
            .Field("RozuzezerVersion", &C::RozuzezerVersion, tSingle)
            .Field("CDRipAskBeforeProcess", &C::CDRipAskBeforeProcess, tInt16)
            .Field("CDRipNormalisePercent", &C::CDRipNormalisePercent, tInt16)
            .Field("CDRipAutoTop", &C::CDRipAutoTop, tInt16)
            .Field("CDDBEnabled", &C::CDDBEnabled, tInt16)
            .Field("CDDBServer", &C::CDDBServer, tText)
            .Field("CDDBEmailAddress", &C::CDDBEmailAddress, tText)
            .Field("CDDBAllowSubmit", &C::CDDBAllowSubmit, tInt16);
        Indexed(t, "AudioLocation", &C::AudioLocation, &C::SetAudioLocation);
        t.Property(
            "NumberAudioLocations", tInt16, {}, [](C& o, Args) { return Variant(o.NumberAudioLocations()); },
            [](C& o, Args, const Variant& v) { o.SetNumberAudioLocations(v.ToInt16()); });
        t.Method("LoadProfile", tVoid, {{"ProfileName", tText, false}}, [](C& o, Args a) {
            o.LoadProfile(a[0].ToText());
            return Void();
        });
        t.Method("SaveProfile", tVoid, {{"ProfileName", tText, false}}, [](C& o, Args a) {
            o.SaveProfile(a[0].ToText());
            return Void();
        });
        t.Property("ProfileName", tText, {}, [](C& o, Args) { return Variant(o.ProfileName()); });
        t.Method("GetRozuzezerSettings", tBoolean, {{"RozuzezerLocation", tText, false}},
                 [](C& o, Args a) { return Variant::Boolean(o.GetRozuzezerSettings(a[0].ToText())); });
        t.Method("BackupRozuzezer", tVoid, {{"bForceBackup", tBoolean, false}}, [](C& o, Args a) {
            o.BackupRozuzezer(a[0].ToBool());
            return Void();
        });
        t.Method("SaveRozuzezerSettings", tBoolean, {{"RozuzezerLocation", tText, false}},
                 [](C& o, Args a) { return Variant::Boolean(o.SaveRozuzezerSettings(a[0].ToText())); });
        t.EarlierVersion(Guid::Of(BVR_IID__cRozuzezer_v1));
        t.Method("DisplayAudioLocations", tBoolean, {},
                 [](C& o, Args) { return Variant::Boolean(o.DisplayAudioLocations()); });
        t.Method("CheckSettings", tEnum("enCheckSettings"), {},
                 [](C& o, Args) { return Variant(static_cast<std::int32_t>(o.CheckSettings())); });
        t.Method("DisplaySettings", tBoolean, {},
                 [](C& o, Args) { return Variant::Boolean(o.DisplaySettings()); });
        t.EarlierVersion(Guid::Of(BVR_IID__cRozuzezer_v2));
        t.Field("AutoCreateLocations", &C::AutoCreateLocations, tBoolean);
        t.Property("UniqueAudioLocations", tText, {},
                   [](C& o, Args) { return Variant(o.UniqueAudioLocations()); });
        t.EarlierVersion(Guid::Of(BVR_IID__cRozuzezer_v3));
        t.Method("LookForAudioLocations", tBoolean,
                 {{"IsNetwork", tBoolean, true}, {"audLocation", tVariant, true}}, [](C& o, Args a) {
                     bool isNetwork = false;
                     std::vector<std::string> found;
                     const bool any = o.LookForAudioLocations(isNetwork, found);
                     std::string joined;
                     for (std::size_t i = 0; i < found.size(); ++i) joined += (i ? "|" : "") + found[i];
                     a[0] = Variant::Boolean(isNetwork);
                     a[1] = Variant(joined);
                     return Variant::Boolean(any);
                 });
        Indexed(t, "AlternateAudioLocation", &C::AlternateAudioLocation, &C::SetAlternateAudioLocation);
        return t.Build();
    }();
    return itf;
}

ClassInfo& RozuzezerClass() {
    static ClassInfo cls{"cRozuzezer",
                         Guid::Of(BVR_CLSID_cRozuzezer),
                         ClassKind::Creatable,
                         &RozuzezerInterface(),
                         nullptr,
                         [] { return Ref<Object>(MakeRef<cRozuzezer>()); },
                         {}};
    return cls;
}

const Registration registration(Library(), RozuzezerClass());

} // namespace

const ClassInfo* cRozuzezer::Class() const noexcept { return &RozuzezerClass(); }

} // namespace rozuzezer
