// The published class cAudioSettings: its members in slot order, as calls by name and the
// type library see them.
//
// Earlier published versions of _cAudioSettings, each answered by the same object:
//   v1  slots 1-37   the fields up to AudioRecordLocal, LoadProfile, SaveProfile, MAXPLAYERS,
//                    PlayerSoundCardNumber, FindAudioEditor, AudioFormat, DebugMode
//   v2  slots 1-39   + HookPlayer, PreviewPlayer
//   v3  slots 1-41   + ProfileName, PlayerDisplayAlignment
//   now slots 1-42   + DisplaySettings
#include "rozuzezer/core/cAudioSettings.h"

#include "platform/component/ClassBuilder.h"
#include "rozuzezer/capi/bvrozuzezer2.h"
#include "rozuzezer/core/Library.h"

namespace rozuzezer {

using namespace platform::component;

namespace {

using C = cAudioSettings;

const InterfaceInfo& AudioSettingsInterface() {
    static const InterfaceInfo itf = [] {
        MemberTable<C> t("_cAudioSettings", Guid::Of(BVR_IID__cAudioSettings));
        t.Field("AutomaticPlayerAssignment", &C::AutomaticPlayerAssignment, tBoolean)
            .Field("NumberPlayers", &C::NumberPlayers, tInt32)
            .Field("ForceNumberCartPlayers", &C::ForceNumberCartPlayers, tInt32)
            .Field("RecordingSoundCardNumber", &C::RecordingSoundCardNumber, tInt16)
            .Field("EditSoundCardNumber", &C::EditSoundCardNumber, tInt16)
            .Field("InstantPlayerNumber", &C::InstantPlayerNumber, tInt16)
            .Field("EditPlayerNumber", &C::EditPlayerNumber, tInt16)
            .Field("FirstPlayer", &C::FirstPlayer, tInt16)
            .Field("LastPlayer", &C::LastPlayer, tInt16)
            .Field("FadeDuration", &C::FadeDuration, tSingle)
            .Field("FadeFirePercent", &C::FadeFirePercent, tInt16)
            .Field("AudioEditor", &C::AudioEditor, tText)
            .Field("EditorTemporaryDirectory", &C::EditorTemporaryDirectory, tText)
            .Field("LockPlayerWhenRecording", &C::LockPlayerWhenRecording, tInt16)
            .Field("LumoStreamUseLargeBuffers", &C::LumoStreamUseLargeBuffers, tInt16)
            .Field("LumoStreamDebugMode", &C::LumoStreamDebugMode, tInt16)
            .Field("AudioEditorPriority", &C::AudioEditorPriority, tInt16)
            .Field("AudioEditorRunAtIdleSpeed", &C::AudioEditorRunAtIdleSpeed, tInt16)
            .Field("UseLegacyFileCopyMode", &C::UseLegacyFileCopyMode, tInt16)
            .Field("HighlightPlayedCarts", &C::HighlightPlayedCarts, tInt16)
            .Field("HighlightPlayedCartsDuration", &C::HighlightPlayedCartsDuration, tInt32)
            .Field("UsePlayerDucking", &C::UsePlayerDucking, tInt16)
            .Field("GeneralVolume", &C::GeneralVolume, tInt16)
            .Field("SweptAudioVolume", &C::SweptAudioVolume, tInt16)
            .Field("DuckAudioVolume", &C::DuckAudioVolume, tInt16)
            .Field("CartGroupVolume", &C::CartGroupVolume, tInt16)
            .Field("AdvertVolume", &C::AdvertVolume, tInt16)
            .Field("OnlyAllowEjectStoppedCarts", &C::OnlyAllowEjectStoppedCarts,
                   tEnum("enSettingOrPreference"))
            .Field("AudioAllowOtherFormat", &C::AudioAllowOtherFormat, tInt16)
            .Field("AudioRecordLocal", &C::AudioRecordLocal, tInt16);
        t.Method("LoadProfile", tBoolean, {{"Profile", tText, false}},
                 [](C& o, Args a) { return Variant::Boolean(o.LoadProfile(a[0].ToText())); });
        t.Method("SaveProfile", tBoolean, {{"Profile", tText, false}},
                 [](C& o, Args a) { return Variant::Boolean(o.SaveProfile(a[0].ToText())); });
        t.Property(
            "MAXPLAYERS", tInt16, {}, [](C& o, Args) { return Variant(o.MAXPLAYERS()); },
            [](C& o, Args, const Variant& v) { o.SetMAXPLAYERS(v.ToInt16()); });
        t.Property(
            "PlayerSoundCardNumber", tInt16, {{"Index", tInt16, false}},
            [](C& o, Args a) { return Variant(o.PlayerSoundCardNumber(a[0].ToInt16())); },
            [](C& o, Args a, const Variant& v) {
                o.SetPlayerSoundCardNumber(a[0].ToInt16(), v.ToInt16());
            });
        t.Method("FindAudioEditor", tText, {}, [](C& o, Args) { return Variant(o.FindAudioEditor()); });
        t.Property("AudioFormat", tObject(""), {},
                   [](C& o, Args) { return Variant(Ref<Object>(o.AudioFormat())); });
        t.Property(
            "DebugMode", tInt32, {}, [](C& o, Args) { return Variant(o.DebugMode()); },
            [](C& o, Args, const Variant& v) { o.SetDebugMode(v.ToInt32()); });
        t.EarlierVersion(Guid::Of(BVR_IID__cAudioSettings_v1));
        t.Field("HookPlayer", &C::HookPlayer, tInt16).Field("PreviewPlayer", &C::PreviewPlayer, tInt16);
        t.EarlierVersion(Guid::Of(BVR_IID__cAudioSettings_v2));
        t.Field("ProfileName", &C::ProfileName, tText)
            .Field("PlayerDisplayAlignment", &C::PlayerDisplayAlignment,
                   tEnum("enPlayerDisplayAlignment"));
        t.EarlierVersion(Guid::Of(BVR_IID__cAudioSettings_v3));
        t.Method("DisplaySettings", tBoolean, {},
                 [](C& o, Args) { return Variant::Boolean(o.DisplaySettings()); });
        return t.Build();
    }();
    return itf;
}

ClassInfo& AudioSettingsClass() {
    static ClassInfo cls{"cAudioSettings",
                         Guid::Of(BVR_CLSID_cAudioSettings),
                         ClassKind::Creatable,
                         &AudioSettingsInterface(),
                         nullptr,
                         [] { return Ref<Object>(MakeRef<cAudioSettings>()); },
                         {}};
    return cls;
}

const Registration registration(Library(), AudioSettingsClass());

} // namespace

const ClassInfo* cAudioSettings::Class() const noexcept { return &AudioSettingsClass(); }

} // namespace rozuzezer
