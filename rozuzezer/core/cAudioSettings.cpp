#include "rozuzezer/core/cAudioSettings.h"

#include "platform/base/Numeric.h"
#include "platform/devices/Devices.h"
#include "platform/fs/DriveMap.h"
#include "rozuzezer/core/SettingsDialogs.h"
#include "rozuzezer/core/WaveDevices.h"
#include "shared/helpers/FileHelper.h"
#include "shared/helpers/RegistryHelper.h"
#include "shared/helpers/SystemHelper.h"
#include "shared/helpers/Utility.h"

#include <string_view>

namespace rozuzezer {

namespace {

using helpers::HKEY_LOCAL_MACHINE;

constexpr std::string_view kProfilesKey = "SOFTWARE\\Brevant\\Verudivur\\Profiles\\";

// Every device question of the profile is about 44.1 kHz mono.
constexpr std::int32_t kRate = 44100;
constexpr std::int16_t kChannels = 1;

std::string Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return std::string(s);
}

bool EndsInSeparator(std::string_view s) {
    return !s.empty() && (s.back() == '/' || s.back() == '\\');
}

// The three subkeys of one profile.
struct ProfileKeys {
    explicit ProfileKeys(const std::string& profile)
        : base(std::string(kProfilesKey) + profile), players(base + "\\Players"),
          audioEditor(base + "\\AudioEditor"), verudivur(base + "\\Verudivur") {}
    std::string base, players, audioEditor, verudivur;
};

std::int32_t ReadLong(const std::string& key, std::string_view name, std::int32_t def) {
    return helpers::RegistryHelper().ReadNumber(HKEY_LOCAL_MACHINE, key, name, def);
}
// 16-bit fields take only what fits (error 6 otherwise).
std::int16_t ReadInt(const std::string& key, std::string_view name, std::int32_t def) {
    return platform::CheckInt16(ReadLong(key, name, def));
}
std::string ReadText(const std::string& key, std::string_view name, std::string_view def) {
    return helpers::RegistryHelper().ReadText(HKEY_LOCAL_MACHINE, key, name, def);
}

std::string PlayerValueName(int i) { return "PlayerSoundCardNumber" + std::to_string(i); }

// 99 and 255 stand for the last player.
std::int16_t LastPlayerMeans(std::int16_t value, std::int32_t numberPlayers) {
    return (value == 99 || value == 255) ? platform::CheckInt16(numberPlayers) : value;
}
// ... and the last player is stored as 255, so it follows later changes of the count.
std::int32_t AsStoredPlayer(std::int16_t value, std::int32_t numberPlayers) {
    return value == numberPlayers ? 255 : value;
}

// "1.23456" -> 1.23456; reads up to the first character that is not part of the number.
float ReadFade(const std::string& text) { return platform::ToSingle(platform::Val(text)); }

std::string FadeText(float value) {
    double rounded = platform::RoundHalfEven(static_cast<double>(value) * 1000.0) / 1000.0;
    return platform::FormatDouble(rounded);
}

// `name` in the folder of a stored path (a native folder or one with a drive letter),
// found without regard to letter case; "" when the folder is empty.
std::string InFolder(std::string_view folder, std::string_view name) {
    std::string f = Trim(folder);
    if (f.empty()) return {};
    std::string native = platform::fs::ToNativePath(f);
    while (native.size() > 1 && EndsInSeparator(native)) native.pop_back();
    return helpers::FileHelper().FindNoCase(native, name);
}

bool Present(const std::string& path) {
    return !path.empty() && helpers::FileHelper().FileSize(path) > 0;
}

} // namespace

cAudioSettings::cAudioSettings() {
    EditorTemporaryDirectory = Trim(helpers::FileHelper().TempFolder());
    AudioEditor = FindAudioEditor();
    audioFormat_ = platform::component::MakeRef<helpers::cAudioFormat>();
    SetMAXPLAYERS(12);
    LoadProfile(".default");
    ProfileName.clear();
}

cAudioSettings::~cAudioSettings() = default;

void cAudioSettings::SetMAXPLAYERS(std::int16_t value) {
    maxPlayers_ = static_cast<std::int16_t>(helpers::cUtility::ClampLong(value, 1, 99));
    if (NumberPlayers > maxPlayers_) NumberPlayers = maxPlayers_;
    soundCards_.assign(static_cast<std::size_t>(maxPlayers_), 0);
}

std::int16_t cAudioSettings::PlayerSoundCardNumber(std::int16_t Index) const {
    if (Index < 1 || Index > maxPlayers_) return 0;
    return platform::CheckInt16(soundCards_[static_cast<std::size_t>(Index) - 1]);
}

void cAudioSettings::SetPlayerSoundCardNumber(std::int16_t Index, std::int16_t value) {
    if (Index < 1 || Index > maxPlayers_) return;
    soundCards_[static_cast<std::size_t>(Index) - 1] = value;
}

std::int32_t cAudioSettings::DebugMode() const { return helpers::Utility().DebugLevel(); }

void cAudioSettings::SetDebugMode(std::int32_t value) { helpers::Utility().SetDebugLevel(value); }

bool cAudioSettings::LoadProfile(const std::string& Profile) {
    using namespace MultimediaAPI;
    if (Profile.empty()) return false;
    // One reading of the device lists serves every question below.
    platform::devices::ScopedSnapshot snapshot;

    ProfileName = Profile;
    const ProfileKeys key(Profile);
    const std::string& players = key.players;

    std::int32_t recordingDefault = LastSuitableWaveInDevice(kRate, kChannels) + 1;

    AutomaticPlayerAssignment = ToVBool(ReadLong(players, "AutomaticPlayerAssignment", 1) != 0);

    NumberPlayers = ReadLong(players, "NumberPlayers", -1);
    const bool allSuitable = NumberPlayers == -1;
    if (ForceNumberCartPlayers > 0) NumberPlayers = ForceNumberCartPlayers;
    if (NumberPlayers > maxPlayers_) NumberPlayers = maxPlayers_;

    if (!allSuitable) {
        // d is the last device handed out; once none is left, every further player shares
        // the highest suitable one.
        std::int16_t d = -1;
        bool noneLeft = false;
        for (int i = 1; i <= maxPlayers_; ++i) {
            std::int32_t card;
            if (i > NumberPlayers) {
                card = 0;
            } else if (AutomaticPlayerAssignment) {
                std::int16_t next =
                    noneLeft ? -1
                             : FindSuitableWaveOutDevice(static_cast<std::int16_t>(d + 1), kRate,
                                                         kChannels);
                if (next >= 0) {
                    d = next;
                    card = d + 1;
                } else {
                    noneLeft = true;
                    card = LastSuitableWaveOutDevice(kRate, kChannels) + 1;
                }
            } else {
                card = ReadInt(players, PlayerValueName(i), i);
            }
            soundCards_[static_cast<std::size_t>(i) - 1] = card;
        }
    } else {
        if (NumberPlayers == -1) {
            NumberPlayers = CountSuitableWaveOutDevices(kRate, kChannels);
            helpers::Utility().DebugLog("Number Suitable Wave Out Devices=" +
                                        std::to_string(NumberPlayers));
            if (NumberPlayers > maxPlayers_) NumberPlayers = maxPlayers_;
            helpers::Utility().DebugLog("Checked Number Suitable Wave Out Devices=" +
                                        std::to_string(NumberPlayers));
        }
        const std::int32_t ourMaker = helpers::MultimediaHelper().ManufacturerID();
        bool recorderChosen = false;
        std::int16_t d = -1;
        bool noneLeft = false;
        for (int i = 1; i <= NumberPlayers && i <= maxPlayers_; ++i) {
            std::int16_t next =
                noneLeft ? -1
                         : FindSuitableWaveOutDevice(static_cast<std::int16_t>(d + 1), kRate,
                                                     kChannels);
            if (next < 0) {
                noneLeft = true;
                soundCards_[static_cast<std::size_t>(i) - 1] = 0;
                continue;
            }
            d = next;
            soundCards_[static_cast<std::size_t>(i) - 1] = d + 1;
            if (!recorderChosen) {
                // A card of our own make that also records is the natural recorder.
                auto input = platform::devices::GetDeviceCaps(platform::devices::Direction::Input, d);
                if (input && input->manufacturerId == ourMaker) {
                    recordingDefault = d + 1;
                    recorderChosen = true;
                }
            }
        }
    }

    InstantPlayerNumber = LastPlayerMeans(ReadInt(players, "InstantPlayerNumber", 0), NumberPlayers);
    HookPlayer = LastPlayerMeans(ReadInt(players, "HookPlayerNumber", 0), NumberPlayers);
    PreviewPlayer = LastPlayerMeans(ReadInt(players, "PreviewPlayerNumber", 0), NumberPlayers);

    RecordingSoundCardNumber = ReadInt(players, "RecordingSoundCardNumber", recordingDefault);
    const std::int32_t lastRecorder = LastSuitableWaveInDevice(kRate, kChannels) + 1;
    if (RecordingSoundCardNumber > lastRecorder)
        RecordingSoundCardNumber = platform::CheckInt16(lastRecorder);

    EditPlayerNumber = LastPlayerMeans(ReadInt(players, "EditPlayerNumber", 255), NumberPlayers);
    const std::int32_t editDefault = EditPlayerNumber < 1
                                         ? LastSuitableWaveOutDevice(kRate, kChannels) + 1
                                         : PlayerSoundCardNumber(EditPlayerNumber);
    EditSoundCardNumber = ReadInt(players, "EditSoundCardNumber", editDefault);

    LockPlayerWhenRecording = ReadInt(players, "LockPlayerWhenRecording", 0);
    OnlyAllowEjectStoppedCarts = ReadLong(players, "OnlyAllowEjectStoppedCarts", 0);
    FirstPlayer = ReadInt(players, "FirstPlayer", 1);
    LastPlayer = ReadInt(players, "LastPlayer", 255);
    FadeDuration = ReadFade(ReadText(players, "FadeDuration", "2"));
    FadeFirePercent = ReadInt(players, "FadeFirePercent", 65);

    AudioEditor = ReadText(key.audioEditor, "ExternalFilename", AudioEditor);
    EditorTemporaryDirectory =
        ReadText(key.audioEditor, "TemporaryDirectory", EditorTemporaryDirectory);
    // An empty folder would put the editor's files in the root folder: keep the system's.
    if (Trim(EditorTemporaryDirectory).empty())
        EditorTemporaryDirectory = helpers::FileHelper().TempFolder();
    if (!EndsInSeparator(EditorTemporaryDirectory)) EditorTemporaryDirectory += '/';

    AudioEditorPriority = ReadInt(players, "AudioEditorPriority", 10);
    AudioEditorRunAtIdleSpeed = ReadInt(players, "AudioEditorRunAtIdleSpeed", 0);
    LumoStreamUseLargeBuffers = ReadInt(players, "LumoStreamUseLargeBuffers", 0);
    LumoStreamDebugMode = ReadInt(players, "LSDebugMode", 0);
    UseLegacyFileCopyMode = ReadInt(players, "UseLegacyFileCopyMode", 0);
    HighlightPlayedCarts = ReadInt(key.verudivur, "HighlightPlayedCarts", 0);
    HighlightPlayedCartsDuration = ReadLong(key.verudivur, "HighlightPlayedCartsDuration", 0);

    UsePlayerDucking = ReadInt(players, "UsePlayerDucking", 1);
    GeneralVolume = ReadInt(players, "GeneralVolume", 100);
    SweptAudioVolume = UsePlayerDucking == 0 ? ReadInt(players, "SweptVolume", 100) : GeneralVolume;
    DuckAudioVolume = ReadInt(players, "DuckAudioVolume", GeneralVolume - 10);
    CartGroupVolume = ReadInt(players, "CartGroupVolume", 100);
    AdvertVolume = ReadInt(players, "AdvertVolume", 100);

    const std::string format = ReadText(players, "AudioFormat", "");
    if (!format.empty()) audioFormat_->SetFormatText(format);

    AudioAllowOtherFormat = ReadInt(players, "AudioAllowOtherFormat", 0);
    AudioRecordLocal = ReadInt(players, "AudioRecordLocal", 0);
    PlayerDisplayAlignment = ReadLong(players, "DisplayAlignment", 0);
    return true;
}

bool cAudioSettings::SaveProfile(const std::string& Profile) const {
    if (Profile.empty()) return false;
    const ProfileKeys key(Profile);
    const std::string& players = key.players;
    // One change for every player of the station: a save cut short must not leave a profile
    // that is half new and half old.
    helpers::cRegistryTransaction tx(HKEY_LOCAL_MACHINE);
    auto WriteLong = [&tx](const std::string& k, std::string_view name, std::int32_t value,
                           std::int32_t def) { tx.WriteNumber(k, name, value, def); };
    auto WriteText = [&tx](const std::string& k, std::string_view name, std::string_view value,
                           std::string_view def) { tx.WriteText(k, name, value, def); };
    auto Delete = [&tx](const std::string& k, std::string_view name) { tx.DeleteValue(k, name); };

    WriteLong(players, "AutomaticPlayerAssignment", AutomaticPlayerAssignment ? -1 : 0, 1);
    WriteLong(players, "NumberPlayers", NumberPlayers, -1);
    for (int i = 1; i <= maxPlayers_; ++i) {
        if (AutomaticPlayerAssignment)
            Delete(players, PlayerValueName(i));
        else
            WriteLong(players, PlayerValueName(i), soundCards_[static_cast<std::size_t>(i) - 1], i);
    }
    WriteLong(players, "InstantPlayerNumber", AsStoredPlayer(InstantPlayerNumber, NumberPlayers), -1);
    WriteLong(players, "HookPlayerNumber", AsStoredPlayer(HookPlayer, NumberPlayers), -1);
    WriteLong(players, "PreviewPlayerNumber", AsStoredPlayer(PreviewPlayer, NumberPlayers), -1);

    WriteLong(players, "RecordingSoundCardNumber", RecordingSoundCardNumber, -1);
    WriteLong(players, "EditPlayerNumber", AsStoredPlayer(EditPlayerNumber, NumberPlayers), -1);
    WriteLong(players, "EditSoundCardNumber", EditSoundCardNumber, -1);

    WriteLong(players, "LockPlayerWhenRecording", LockPlayerWhenRecording, 0);
    WriteLong(players, "OnlyAllowEjectStoppedCarts", OnlyAllowEjectStoppedCarts, 0);
    WriteLong(players, "FirstPlayer", FirstPlayer, 1);
    WriteLong(players, "LastPlayer", LastPlayer, 255);

    WriteText(players, "FadeDuration", FadeText(FadeDuration), "2");
    WriteLong(players, "FadeFirePercent", FadeFirePercent, 65);

    WriteText(key.audioEditor, "ExternalFilename", AudioEditor, "");
    WriteText(key.audioEditor, "TemporaryDirectory", EditorTemporaryDirectory, "");

    WriteLong(players, "AudioEditorPriority", AudioEditorPriority, 10);
    WriteLong(players, "AudioEditorRunAtIdleSpeed", AudioEditorRunAtIdleSpeed, 0);
    WriteLong(players, "LumoStreamUseLargeBuffers", LumoStreamUseLargeBuffers, 0);
    WriteLong(players, "LSDebugMode", LumoStreamDebugMode, 0);
    WriteLong(players, "UseLegacyFileCopyMode", UseLegacyFileCopyMode, 0);
    WriteLong(key.verudivur, "HighlightPlayedCarts", HighlightPlayedCarts, 0);
    WriteLong(key.verudivur, "HighlightPlayedCartsDuration", HighlightPlayedCartsDuration, 0);

    WriteLong(players, "UsePlayerDucking", UsePlayerDucking, 1);
    WriteLong(players, "GeneralVolume", GeneralVolume, 100);
    if (UsePlayerDucking != 0)
        Delete(players, "SweptVolume");
    else
        WriteLong(players, "SweptVolume", SweptAudioVolume, 100);
    WriteLong(players, "DuckAudioVolume", DuckAudioVolume, GeneralVolume - 10);
    WriteLong(players, "CartGroupVolume", CartGroupVolume, 100);
    WriteLong(players, "AdvertVolume", AdvertVolume, 100);

    WriteText(players, "AudioFormat", audioFormat_->FormatText(), "");

    WriteLong(players, "AudioAllowOtherFormat", AudioAllowOtherFormat, 0);
    WriteLong(players, "AudioRecordLocal", AudioRecordLocal, 0);
    WriteLong(players, "DisplayAlignment", PlayerDisplayAlignment, 0);
    return tx.Commit();
}

std::string cAudioSettings::FindAudioEditor() const {
    auto& utility = helpers::Utility();
    utility.DebugLog("Start FindAudioEditor");
    std::string result;

    // Our own editor first: "LumoEdit.exe" as other machines install it, or the program
    // as it is built here.
    const std::string folder = helpers::FileHelper().SpecialFolder(38) + "/Brevant/LumoEdit v1";
    if (!Trim(folder).empty()) {
        for (std::string_view name : {"LumoEdit.exe", "LumoEdit"}) {
            std::string candidate = InFolder(folder, name);
            if (Present(candidate)) {
                result = candidate;
                break;
            }
        }
    }

    // Then the outside editors that register their folder.
    struct Outside {
        std::string_view key, value, program;
    };
    static constexpr Outside kOutside[] = {
        {"Software\\Syntrillium\\CEPro", "MAINDIR", "COOLPRO.EXE"},
        {"Software\\Syntrillium\\CE2000", "MAINDIR", "COOL2000.EXE"},
        {"Software\\Syntrillium\\CE96\\MAINDIR", "", "COOL96.EXE"},
    };
    for (const auto& editor : kOutside) {
        if (!Trim(result).empty() && Present(result)) break;
        std::string dir = Trim(helpers::RegistryHelper().ReadText(HKEY_LOCAL_MACHINE, editor.key,
                                                                  editor.value, ""));
        if (dir.empty()) continue;
        std::string candidate = InFolder(dir, editor.program);
        if (Present(candidate)) result = candidate;
    }

    utility.DebugLog("Finish FindAudioEditor - " + result);
    return result;
}

bool cAudioSettings::DisplaySettings() {
    auto dialog = MakeAudioSettingsDialog();
    if (!dialog) return false;
    dialog->SetSettings(*this);
    dialog->ShowModal();
    const bool accepted = !dialog->Cancelled();
    dialog.reset();
    return accepted;
}

} // namespace rozuzezer
