#include "rozuzezer/core/cAudioSettings.h"

#include "RozuzezerSettingsEnv.h"
#include "platform/base/Error.h"
#include "platform/component/Dispatch.h"
#include "rozuzezer/capi/bvrozuzezer2.h"
#include "rozuzezer/core/Library.h"
#include "rozuzezer/core/SettingsDialogs.h"
#include "shared/helpers/Utility.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

using namespace rozuzezer;
using platform::component::MakeRef;
using settings_test::MonoOutputs;

namespace {

class AudioSettings : public settings_test::SettingsEnv {
protected:
    std::string Players(const std::string& profile = "P") { return ProfileKey(profile, "Players"); }
};

// Restores the process-wide switches a test changes.
struct ProcessSwitches {
    std::int32_t debug = helpers::Utility().DebugLevel();
    std::int32_t maker = helpers::MultimediaHelper().ManufacturerID();
    ~ProcessSwitches() {
        helpers::Utility().SetDebugLevel(debug);
        helpers::MultimediaHelper().SetManufacturerID(maker);
    }
};

std::vector<int> Cards(const cAudioSettings& s) {
    std::vector<int> v;
    for (int i = 1; i <= s.MAXPLAYERS(); ++i)
        v.push_back(s.PlayerSoundCardNumber(static_cast<std::int16_t>(i)));
    return v;
}

} // namespace

TEST_F(AudioSettings, NewObjectCarriesTheDefaultProfileButNoName) {
    // Without any stored profile: the defaults.
    {
        auto s = MakeRef<cAudioSettings>();
        EXPECT_EQ(s->MAXPLAYERS(), 12);
        EXPECT_EQ(s->ProfileName, "");
        EXPECT_EQ(s->NumberPlayers, 0) << "no suitable device on this fake machine";
        EXPECT_EQ(s->FadeDuration, 2.0f);
        EXPECT_EQ(s->FadeFirePercent, 65);
        EXPECT_EQ(s->GeneralVolume, 100);
        EXPECT_EQ(s->DuckAudioVolume, 90);
        EXPECT_EQ(s->LastPlayer, 255);
        EXPECT_EQ(s->AudioEditorPriority, 10);
        EXPECT_EQ(s->AutomaticPlayerAssignment, vbTrue);
        EXPECT_EQ(s->EditorTemporaryDirectory, Path("tmp") + "/");
        EXPECT_EQ(s->AudioEditor, "");
        EXPECT_FALSE(s->SaveProfile(s->ProfileName));
    }
    EXPECT_EQ(MachineHive(), "") << "nothing is stored by construction";

    StoreNumber(ProfileKey(".default", "Players"), "GeneralVolume", 80);
    StoreText(ProfileKey(".default", "Players"), "FadeDuration", "1.5");
    StoreNumber(ProfileKey(".default", "Verudivur"), "HighlightPlayedCartsDuration", 30);
    StoreText(ProfileKey(".default", "AudioEditor"), "TemporaryDirectory", "/srv/edit");
    auto s = MakeRef<cAudioSettings>();
    EXPECT_EQ(s->ProfileName, "");
    EXPECT_EQ(s->GeneralVolume, 80);
    EXPECT_EQ(s->DuckAudioVolume, 70) << "the duck level follows the general volume";
    EXPECT_EQ(s->SweptAudioVolume, 80) << "ducking is on by default";
    EXPECT_EQ(s->FadeDuration, 1.5f);
    EXPECT_EQ(s->HighlightPlayedCartsDuration, 30);
    EXPECT_EQ(s->EditorTemporaryDirectory, "/srv/edit/");
}

TEST_F(AudioSettings, EmptyProfileNamesTouchNothing) {
    auto s = MakeRef<cAudioSettings>();
    s->GeneralVolume = 42;
    s->ProfileName = "Mine";
    StoreNumber(Players(""), "GeneralVolume", 7);
    const std::string before = MachineHive();
    EXPECT_FALSE(s->LoadProfile(""));
    EXPECT_EQ(s->GeneralVolume, 42);
    EXPECT_EQ(s->ProfileName, "Mine");
    EXPECT_FALSE(s->SaveProfile(""));
    EXPECT_EQ(MachineHive(), before);
}

TEST_F(AudioSettings, SaveAndLoadKeepEveryField) {
    SetDevices(MonoOutputs({true, true, true}, {true, true}));
    auto a = MakeRef<cAudioSettings>();
    a->AutomaticPlayerAssignment = vbFalse;
    a->NumberPlayers = 3;
    a->SetPlayerSoundCardNumber(1, 3);
    a->SetPlayerSoundCardNumber(2, 1);
    a->SetPlayerSoundCardNumber(3, 3);
    a->RecordingSoundCardNumber = 2;
    a->EditSoundCardNumber = 1;
    a->InstantPlayerNumber = 2;
    a->EditPlayerNumber = 1;
    a->HookPlayer = 1;
    a->PreviewPlayer = 2;
    a->FirstPlayer = 2;
    a->LastPlayer = 3;
    a->FadeDuration = 0.75f;
    a->FadeFirePercent = 40;
    a->AudioEditor = "/opt/editor/bin/edit";
    a->EditorTemporaryDirectory = "/var/tmp/edit/";
    a->LockPlayerWhenRecording = 1;
    a->LumoStreamUseLargeBuffers = 1;
    a->LumoStreamDebugMode = 2;
    a->AudioEditorPriority = 3;
    a->AudioEditorRunAtIdleSpeed = 1;
    a->UseLegacyFileCopyMode = 1;
    a->HighlightPlayedCarts = 1;
    a->HighlightPlayedCartsDuration = 3600;
    a->UsePlayerDucking = 0;
    a->GeneralVolume = 90;
    a->SweptAudioVolume = 55;
    a->DuckAudioVolume = 33;
    a->CartGroupVolume = 80;
    a->AdvertVolume = 70;
    a->OnlyAllowEjectStoppedCarts = sopFollowPreference;
    a->AudioAllowOtherFormat = 1;
    a->AudioRecordLocal = 1;
    a->PlayerDisplayAlignment = pdaTop;
    a->AudioFormat()->SetPCM(22050, 1, 16);
    ASSERT_TRUE(a->SaveProfile("P"));
    EXPECT_EQ(a->ProfileName, "") << "saving does not name the object";

    auto b = MakeRef<cAudioSettings>();
    ASSERT_TRUE(b->LoadProfile("P"));
    EXPECT_EQ(b->ProfileName, "P");
    EXPECT_EQ(b->AutomaticPlayerAssignment, vbFalse);
    EXPECT_EQ(b->NumberPlayers, 3);
    EXPECT_EQ(Cards(*b), (std::vector<int>{3, 1, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(b->RecordingSoundCardNumber, 2);
    EXPECT_EQ(b->EditSoundCardNumber, 1);
    EXPECT_EQ(b->InstantPlayerNumber, 2);
    EXPECT_EQ(b->EditPlayerNumber, 1);
    EXPECT_EQ(b->HookPlayer, 1);
    EXPECT_EQ(b->PreviewPlayer, 2);
    EXPECT_EQ(b->FirstPlayer, 2);
    EXPECT_EQ(b->LastPlayer, 3);
    EXPECT_EQ(b->FadeDuration, 0.75f);
    EXPECT_EQ(b->FadeFirePercent, 40);
    EXPECT_EQ(b->AudioEditor, "/opt/editor/bin/edit");
    EXPECT_EQ(b->EditorTemporaryDirectory, "/var/tmp/edit/");
    EXPECT_EQ(b->LockPlayerWhenRecording, 1);
    EXPECT_EQ(b->LumoStreamUseLargeBuffers, 1);
    EXPECT_EQ(b->LumoStreamDebugMode, 2);
    EXPECT_EQ(b->AudioEditorPriority, 3);
    EXPECT_EQ(b->AudioEditorRunAtIdleSpeed, 1);
    EXPECT_EQ(b->UseLegacyFileCopyMode, 1);
    EXPECT_EQ(b->HighlightPlayedCarts, 1);
    EXPECT_EQ(b->HighlightPlayedCartsDuration, 3600);
    EXPECT_EQ(b->UsePlayerDucking, 0);
    EXPECT_EQ(b->GeneralVolume, 90);
    EXPECT_EQ(b->SweptAudioVolume, 55);
    EXPECT_EQ(b->DuckAudioVolume, 33);
    EXPECT_EQ(b->CartGroupVolume, 80);
    EXPECT_EQ(b->AdvertVolume, 70);
    EXPECT_EQ(b->OnlyAllowEjectStoppedCarts, sopFollowPreference);
    EXPECT_EQ(b->AudioAllowOtherFormat, 1);
    EXPECT_EQ(b->AudioRecordLocal, 1);
    EXPECT_EQ(b->PlayerDisplayAlignment, pdaTop);
    EXPECT_TRUE(b->AudioFormat()->SameFormat(*a->AudioFormat()));

    // Where the values live.
    EXPECT_EQ(StoredNumber(Players(), "AutomaticPlayerAssignment"), 0);
    EXPECT_EQ(StoredNumber(Players(), "PlayerSoundCardNumber1"), 3);
    EXPECT_EQ(StoredNumber(Players(), "PlayerSoundCardNumber2"), 1);
    EXPECT_EQ(StoredNumber(Players(), "PlayerSoundCardNumber3"), kMissing) << "equal to its default";
    EXPECT_EQ(StoredNumber(Players(), "LSDebugMode"), 2);
    EXPECT_EQ(StoredNumber(Players(), "SweptVolume"), 55);
    EXPECT_EQ(StoredNumber(Players(), "DisplayAlignment"), 1);
    EXPECT_EQ(StoredNumber(ProfileKey("P", "Verudivur"), "HighlightPlayedCarts"), 1);
    EXPECT_EQ(StoredText(ProfileKey("P", "AudioEditor"), "ExternalFilename"), "/opt/editor/bin/edit");
    EXPECT_EQ(StoredText(Players(), "AudioFormat"), a->AudioFormat()->FormatText());
}

TEST_F(AudioSettings, AllSuitableDevicesBecomePlayersInDeviceOrder) {
    // Devices 1, 2 and 4 play 44.1 kHz mono; 0 and 3 do not.
    SetDevices(MonoOutputs({false, true, true, false, true}));
    auto s = MakeRef<cAudioSettings>();
    ASSERT_TRUE(s->LoadProfile("P"));
    EXPECT_EQ(s->NumberPlayers, 3);
    EXPECT_EQ(Cards(*s), (std::vector<int>{2, 3, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(s->EditPlayerNumber, 3) << "255 means the last player";
    EXPECT_EQ(s->EditSoundCardNumber, 5) << "the last player's card";

    // More suitable devices than MAXPLAYERS: only MAXPLAYERS players.
    SetDevices(MonoOutputs({true, true, true, true, true}));
    s->SetMAXPLAYERS(3);
    ASSERT_TRUE(s->LoadProfile("P"));
    EXPECT_EQ(s->NumberPlayers, 3);
    EXPECT_EQ(Cards(*s), (std::vector<int>{1, 2, 3}));
}

TEST_F(AudioSettings, AutomaticAssignmentWithFewerDevicesThanPlayers) {
    SetDevices(MonoOutputs({false, true, false, true}));
    StoreNumber(Players(), "NumberPlayers", 5);
    auto s = MakeRef<cAudioSettings>();
    ASSERT_TRUE(s->LoadProfile("P"));
    EXPECT_EQ(s->NumberPlayers, 5);
    // Two suitable devices (1 and 3); players 3 to 5 share the highest one.
    EXPECT_EQ(Cards(*s), (std::vector<int>{2, 4, 4, 4, 4, 0, 0, 0, 0, 0, 0, 0}));

    // Saving with automatic assignment stores no player cards.
    StoreNumber(Players(), "PlayerSoundCardNumber2", 9);
    ASSERT_TRUE(s->SaveProfile("P"));
    for (int i = 1; i <= 12; ++i)
        EXPECT_EQ(StoredNumber(Players(), "PlayerSoundCardNumber" + std::to_string(i)), kMissing);
}

TEST_F(AudioSettings, ManualAssignmentReadsEachPlayersCard) {
    SetDevices(MonoOutputs({true, true}));
    StoreNumber(Players(), "AutomaticPlayerAssignment", 0);
    StoreNumber(Players(), "NumberPlayers", 4);
    StoreNumber(Players(), "PlayerSoundCardNumber2", 7);
    StoreNumber(Players(), "PlayerSoundCardNumber6", 1); // beyond the players: ignored
    auto s = MakeRef<cAudioSettings>();
    ASSERT_TRUE(s->LoadProfile("P"));
    EXPECT_EQ(s->AutomaticPlayerAssignment, vbFalse);
    EXPECT_EQ(Cards(*s), (std::vector<int>{1, 7, 3, 4, 0, 0, 0, 0, 0, 0, 0, 0}));

    // Any non-zero number switches automatic assignment on.
    StoreNumber(Players(), "AutomaticPlayerAssignment", 5);
    ASSERT_TRUE(s->LoadProfile("P"));
    EXPECT_EQ(s->AutomaticPlayerAssignment, vbTrue);
}

TEST_F(AudioSettings, ForcedAndClampedNumberOfPlayers) {
    SetDevices(MonoOutputs({true, true, true}));
    struct Case {
        std::int32_t stored, force;
        std::int16_t maxPlayers;
        std::int32_t expected;
    };
    const Case cases[] = {
        {8, 4, 12, 4}, {20, 0, 12, 12}, {8, 30, 12, 12}, {-1, 5, 12, 5}, {2, 0, 12, 2}, {8, 0, 6, 6},
    };
    for (const auto& c : cases) {
        StoreNumber(Players(), "NumberPlayers", c.stored);
        auto s = MakeRef<cAudioSettings>();
        s->SetMAXPLAYERS(c.maxPlayers);
        s->ForceNumberCartPlayers = c.force;
        ASSERT_TRUE(s->LoadProfile("P"));
        EXPECT_EQ(s->NumberPlayers, c.expected)
            << "stored " << c.stored << ", forced " << c.force << ", max " << c.maxPlayers;
    }
    // A forced count over an "all suitable devices" profile: players beyond the devices
    // get no card.
    StoreNumber(Players(), "NumberPlayers", -1);
    auto s = MakeRef<cAudioSettings>();
    s->ForceNumberCartPlayers = 5;
    ASSERT_TRUE(s->LoadProfile("P"));
    EXPECT_EQ(Cards(*s), (std::vector<int>{1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(AudioSettings, LastPlayerIsStoredAs255AndReadFrom255Or99) {
    SetDevices(MonoOutputs({true, true, true, true}));
    StoreNumber(Players(), "NumberPlayers", 4);
    StoreNumber(Players(), "EditPlayerNumber", 99);
    StoreNumber(Players(), "InstantPlayerNumber", 255);
    StoreNumber(Players(), "HookPlayerNumber", 99);
    StoreNumber(Players(), "PreviewPlayerNumber", 2);
    auto s = MakeRef<cAudioSettings>();
    ASSERT_TRUE(s->LoadProfile("P"));
    EXPECT_EQ(s->EditPlayerNumber, 4);
    EXPECT_EQ(s->InstantPlayerNumber, 4);
    EXPECT_EQ(s->HookPlayer, 4);
    EXPECT_EQ(s->PreviewPlayer, 2);
    EXPECT_EQ(s->EditSoundCardNumber, 4);

    s->PreviewPlayer = 4;
    s->HookPlayer = 3;
    ASSERT_TRUE(s->SaveProfile("P"));
    EXPECT_EQ(StoredNumber(Players(), "EditPlayerNumber"), 255);
    EXPECT_EQ(StoredNumber(Players(), "InstantPlayerNumber"), 255);
    EXPECT_EQ(StoredNumber(Players(), "PreviewPlayerNumber"), 255);
    EXPECT_EQ(StoredNumber(Players(), "HookPlayerNumber"), 3);

    // With fewer players the stored 255 follows.
    StoreNumber(Players(), "NumberPlayers", 2);
    ASSERT_TRUE(s->LoadProfile("P"));
    EXPECT_EQ(s->EditPlayerNumber, 2);
    EXPECT_EQ(s->PreviewPlayer, 2);

    // An edit player of 0 takes the last suitable device for editing.
    StoreNumber(Players(), "EditPlayerNumber", 0);
    ASSERT_TRUE(s->LoadProfile("P"));
    EXPECT_EQ(s->EditSoundCardNumber, 4);
}

TEST_F(AudioSettings, MaxPlayersIsClampedAndClearsTheCards) {
    SetDevices(MonoOutputs({true, true}));
    auto s = MakeRef<cAudioSettings>();
    ASSERT_TRUE(s->LoadProfile("P"));
    EXPECT_EQ(s->PlayerSoundCardNumber(1), 1);
    const std::pair<std::int16_t, std::int16_t> cases[] = {{150, 99}, {0, 1}, {-5, 1}, {99, 99}, {12, 12}};
    for (auto [set, expected] : cases) {
        s->SetMAXPLAYERS(set);
        EXPECT_EQ(s->MAXPLAYERS(), expected);
        EXPECT_EQ(Cards(*s), std::vector<int>(static_cast<std::size_t>(expected), 0));
    }
    s->NumberPlayers = 10;
    s->SetMAXPLAYERS(4);
    EXPECT_EQ(s->NumberPlayers, 4);

    for (std::int16_t outside : {std::int16_t{0}, std::int16_t{5}, std::int16_t{-1}}) {
        s->SetPlayerSoundCardNumber(outside, 3);
        EXPECT_EQ(s->PlayerSoundCardNumber(outside), 0);
    }
    EXPECT_EQ(Cards(*s), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(AudioSettings, FadeDurationIsStoredToThreeDecimals) {
    const std::pair<float, const char*> cases[] = {
        {1.23456f, "1.235"}, {0.1f, "0.1"}, {-1.5f, "-1.5"}, {10.0004f, "10"}, {2.0f, "<missing>"}};
    auto s = MakeRef<cAudioSettings>();
    for (auto [value, text] : cases) {
        s->FadeDuration = value;
        ASSERT_TRUE(s->SaveProfile("P"));
        EXPECT_EQ(StoredText(Players(), "FadeDuration"), text) << value;
    }
    s->FadeDuration = 1.23456f;
    ASSERT_TRUE(s->SaveProfile("P"));
    ASSERT_TRUE(s->LoadProfile("P"));
    EXPECT_EQ(s->FadeDuration, 1.235f);

    // Stored text is read up to the first character that is not part of the number.
    const std::pair<const char*, float> reads[] = {{"2.5 s", 2.5f}, {"abc", 0.0f}, {".5", 0.5f}};
    for (auto [text, value] : reads) {
        StoreText(Players(), "FadeDuration", text);
        ASSERT_TRUE(s->LoadProfile("P"));
        EXPECT_EQ(s->FadeDuration, value) << text;
    }
}

TEST_F(AudioSettings, TemporaryFolderEndsInASeparator) {
    const std::pair<const char*, std::string> cases[] = {
        {"/data/edit", "/data/edit/"},
        {"/data/edit/", "/data/edit/"},
        {"C:\\Temp\\", "C:\\Temp\\"},
        {"", Path("tmp") + "/"},
    };
    auto s = MakeRef<cAudioSettings>();
    for (const auto& [stored, loaded] : cases) {
        StoreText(ProfileKey("P", "AudioEditor"), "TemporaryDirectory", stored);
        ASSERT_TRUE(s->LoadProfile("P"));
        EXPECT_EQ(s->EditorTemporaryDirectory, loaded) << stored;
    }
}

TEST_F(AudioSettings, DuckingTiesTheSweptVolumeToTheGeneralVolume) {
    StoreNumber(Players(), "GeneralVolume", 80);
    StoreNumber(Players(), "SweptVolume", 50);
    auto s = MakeRef<cAudioSettings>();
    ASSERT_TRUE(s->LoadProfile("P"));
    EXPECT_EQ(s->SweptAudioVolume, 80);
    ASSERT_TRUE(s->SaveProfile("P"));
    EXPECT_EQ(StoredNumber(Players(), "SweptVolume"), kMissing);

    StoreNumber(Players(), "UsePlayerDucking", 0);
    StoreNumber(Players(), "SweptVolume", 50);
    ASSERT_TRUE(s->LoadProfile("P"));
    EXPECT_EQ(s->SweptAudioVolume, 50);
}

TEST_F(AudioSettings, RecordingCardDefaultsAndLimits) {
    ProcessSwitches restore;
    SetDevices(MonoOutputs({true, true, true}, {true, false, true, true}));
    auto s = MakeRef<cAudioSettings>();
    ASSERT_TRUE(s->LoadProfile("P"));
    EXPECT_EQ(s->RecordingSoundCardNumber, 4) << "the last suitable input device";

    StoreNumber(Players(), "RecordingSoundCardNumber", 9);
    ASSERT_TRUE(s->LoadProfile("P"));
    EXPECT_EQ(s->RecordingSoundCardNumber, 4) << "limited to the last suitable input";

    // A card of our own make that plays and records is preferred for recording.
    auto devices = MonoOutputs({true, true, true}, {true, true, true, true});
    devices.inputs[1].manufacturerId = 0x4242;
    devices.inputs[2].manufacturerId = 0x4242;
    SetDevices(devices);
    helpers::MultimediaHelper().SetManufacturerID(0x4242);
    helpers::RegistryHelper().DeleteValue(helpers::HKEY_LOCAL_MACHINE, Players(),
                                          "RecordingSoundCardNumber");
    ASSERT_TRUE(s->LoadProfile("P"));
    EXPECT_EQ(s->RecordingSoundCardNumber, 2);
}

TEST_F(AudioSettings, FindAudioEditorLooksInProgramFilesThenTheRegistry) {
    auto s = MakeRef<cAudioSettings>();
    EXPECT_EQ(s->FindAudioEditor(), "");

    const std::string cool = Folder("cool");
    testsupport::WriteFile(cool + "/coolpro.exe", "MZ");
    StoreText("Software\\Syntrillium\\CEPro", "MAINDIR", " " + cool + " ");
    EXPECT_EQ(s->FindAudioEditor(), cool + "/coolpro.exe");

    // Cool Edit 96 keeps its folder in the unnamed value of a key of its own.
    StoreText("Software\\Syntrillium\\CEPro", "MAINDIR", Path("nowhere"));
    const std::string cool96 = Folder("cool96");
    testsupport::WriteFile(cool96 + "/COOL96.EXE", "MZ");
    StoreText("Software\\Syntrillium\\CE96\\MAINDIR", "", cool96);
    EXPECT_EQ(s->FindAudioEditor(), cool96 + "/COOL96.EXE");

    // Our own editor wins; an empty file is no program.
    const std::string ours = Folder("programs/Brevant/LumoEdit v1");
    testsupport::WriteFile(ours + "/LumoEdit.exe", "");
    EXPECT_EQ(s->FindAudioEditor(), cool96 + "/COOL96.EXE");
    testsupport::WriteFile(ours + "/LumoEdit.exe", "MZ");
    EXPECT_EQ(s->FindAudioEditor(), ours + "/LumoEdit.exe");
    EXPECT_EQ(s->AudioEditor, "") << "finding does not change the setting";

    // A new object starts with what it finds (unless the profile names one).
    EXPECT_EQ(MakeRef<cAudioSettings>()->AudioEditor, ours + "/LumoEdit.exe");
    StoreText(ProfileKey(".default", "AudioEditor"), "ExternalFilename", "/usr/bin/audacity");
    EXPECT_EQ(MakeRef<cAudioSettings>()->AudioEditor, "/usr/bin/audacity");
}

TEST_F(AudioSettings, AudioFormatIsOneObjectAndABadStoredFormatKeepsIt) {
    auto s = MakeRef<cAudioSettings>();
    helpers::cAudioFormat* format = s->AudioFormat().get();
    format->SetPCM(11025, 1, 16);
    StoreText(Players(), "AudioFormat", "garbage without items");
    ASSERT_TRUE(s->LoadProfile("P"));
    EXPECT_EQ(s->AudioFormat().get(), format);
    EXPECT_EQ(format->SamplesPerSec(), 11025u);
}

TEST_F(AudioSettings, DebugModeIsTheProcessWideLevel) {
    ProcessSwitches restore;
    auto a = MakeRef<cAudioSettings>();
    auto b = MakeRef<cAudioSettings>();
    a->SetDebugMode(-1);
    EXPECT_EQ(b->DebugMode(), -1);
    EXPECT_EQ(helpers::Utility().DebugLevel(), -1);
    b->SetDebugMode(0);
    EXPECT_EQ(a->DebugMode(), 0);
}

TEST_F(AudioSettings, SixteenBitValuesOutOfRangeRaiseOverflow) {
    StoreNumber(Players(), "GeneralVolume", 70000);
    auto s = MakeRef<cAudioSettings>();
    try {
        s->LoadProfile("P");
        FAIL() << "no error";
    } catch (const platform::RuntimeError& e) {
        EXPECT_EQ(e.Number(), platform::err::Overflow);
    }
}

namespace {

// A dialog that answers as scripted and, on OK, saves the way the real one does.
struct ScriptedAudioSettingsDialog : IAudioSettingsDialog {
    struct Log {
        cAudioSettings* given = nullptr;
        int shown = 0;
        bool destroyed = false;
    };
    ScriptedAudioSettingsDialog(Log& log, bool cancel, std::int16_t volume)
        : log_(log), cancel_(cancel), volume_(volume) {}
    ~ScriptedAudioSettingsDialog() override { log_.destroyed = true; }
    void SetSettings(cAudioSettings& settings) override {
        log_.given = &settings;
        settings_ = &settings;
    }
    void ShowModal() override {
        ++log_.shown;
        if (cancel_) {
            cancelled_ = true;
            return;
        }
        settings_->GeneralVolume = volume_;
        settings_->SaveProfile(settings_->ProfileName);
    }
    bool Cancelled() const override { return cancelled_; }

    Log& log_;
    bool cancel_;
    std::int16_t volume_;
    cAudioSettings* settings_ = nullptr;
    bool cancelled_ = false;
};

struct ScopedAudioSettingsDialog {
    ScopedAudioSettingsDialog(ScriptedAudioSettingsDialog::Log& log, bool cancel, std::int16_t volume)
        : previous(SetAudioSettingsDialog([&log, cancel, volume] {
              return std::make_unique<ScriptedAudioSettingsDialog>(log, cancel, volume);
          })) {}
    ~ScopedAudioSettingsDialog() { SetAudioSettingsDialog(previous); }
    AudioSettingsDialogFactory previous;
};

} // namespace

TEST_F(AudioSettings, DisplaySettingsShowsTheDialogOnThisObject) {
    auto s = MakeRef<cAudioSettings>();
    EXPECT_FALSE(s->DisplaySettings()) << "no dialog registered";

    {
        ScriptedAudioSettingsDialog::Log log;
        ScopedAudioSettingsDialog dialog(log, /*cancel=*/true, 50);
        EXPECT_FALSE(s->DisplaySettings());
        EXPECT_EQ(log.given, s.get());
        EXPECT_EQ(log.shown, 1);
        EXPECT_TRUE(log.destroyed);
    }
    {
        // OK on an object without a profile name stores nothing.
        ScriptedAudioSettingsDialog::Log log;
        ScopedAudioSettingsDialog dialog(log, false, 50);
        EXPECT_TRUE(s->DisplaySettings());
        EXPECT_EQ(s->GeneralVolume, 50);
        EXPECT_EQ(MachineHive(), "");
    }
    {
        ScriptedAudioSettingsDialog::Log log;
        ScopedAudioSettingsDialog dialog(log, false, 60);
        ASSERT_TRUE(s->LoadProfile("Profile1"));
        EXPECT_TRUE(s->DisplaySettings());
        EXPECT_TRUE(log.destroyed);
        EXPECT_EQ(StoredNumber(ProfileKey("Profile1", "Players"), "GeneralVolume"), 60);
    }
}

TEST_F(AudioSettings, PublishedUnderItsProgramIdWithThreeEarlierInterfaces) {
    using namespace platform::component;
    auto obj = rozuzezer::CreateObject("BVRozuzezer2.cAudioSettings");
    ASSERT_TRUE(obj);
    ASSERT_NE(dynamic_cast<cAudioSettings*>(obj.get()), nullptr);
    Put(*obj, "GeneralVolume", Variant(std::int16_t{77}));
    Variant index[] = {Variant(std::int16_t{2})};
    EXPECT_EQ(Get(*obj, "MAXPLAYERS").ToInt32(), 12);
    Put(*obj, "PlayerSoundCardNumber", Variant(std::int16_t{2}), Variant(std::int16_t{5}));
    EXPECT_EQ(Get(*obj, "PlayerSoundCardNumber", index).ToInt32(), 5);
    EXPECT_EQ(Get(*obj, "GeneralVolume").ToInt32(), 77);
    EXPECT_EQ(Get(*obj, "AutomaticPlayerAssignment").kind(), Variant::Kind::Boolean);

    const InterfaceInfo& itf = InterfaceOf(*obj);
    ASSERT_EQ(itf.members.size(), 42u);
    EXPECT_EQ(itf.AtSlot(31)->name, "LoadProfile");
    EXPECT_EQ(itf.AtSlot(42)->name, "DisplaySettings");
    const std::pair<const char*, std::int32_t> earlier[] = {
        {BVR_IID__cAudioSettings_v1, 37}, {BVR_IID__cAudioSettings_v2, 39}, {BVR_IID__cAudioSettings_v3, 41}};
    for (auto [iid, slots] : earlier) {
        auto same = QueryInterface(*obj, *Guid::Parse(iid));
        EXPECT_EQ(same.get(), obj.get()) << iid;
        std::int32_t n = 0;
        EXPECT_TRUE(itf.Answers(*Guid::Parse(iid), &n));
        EXPECT_EQ(n, slots) << iid;
    }
    // A host of the first version reaches DebugMode through its last slot.
    EXPECT_EQ(itf.AtSlot(37)->name, "DebugMode");
    Variant profile[] = {Variant("P")};
    EXPECT_TRUE(InvokeSlot(*obj, 32, CallKind::Method, profile).ToBool());
    EXPECT_EQ(StoredNumber(Players(), "GeneralVolume"), 77);
}

TEST_F(AudioSettings, DeviceListFromTheEnvironmentOrTheRealMachine) {
    // A whole program can be started against a list named in the environment.
    platform::devices::SetFakeDevices(std::nullopt);
    {
        testsupport::ScopedEnv list("BREVANT_FAKE_DEVICES", "out 0x400 A;out 0x800 B;out 0xC00 C;in 0x400 Mic");
        auto s = MakeRef<cAudioSettings>();
        EXPECT_EQ(s->NumberPlayers, 2);
        EXPECT_EQ(Cards(*s), (std::vector<int>{1, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        EXPECT_EQ(s->RecordingSoundCardNumber, 1);
    }
    // Without either, the sound system is asked, and says nothing on stderr.
    std::fflush(stderr);
    const std::string log = Path("stderr.txt");
    int saved = ::dup(2);
    int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 2);
    ::close(fd);
    auto s = MakeRef<cAudioSettings>();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    EXPECT_EQ(testsupport::ReadFile(log), "");
    EXPECT_GE(s->NumberPlayers, 0);
}
