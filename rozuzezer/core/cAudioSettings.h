// The audio settings profile of one computer: the cart players and their sound cards, the
// recording and editing cards, volumes and fades, the outside audio editor, the temporary
// folder for editing, the save format and a few switches of the playback engine.
//
// Profiles live per machine in the registry, HKEY_LOCAL_MACHINE
// "SOFTWARE\Brevant\Verudivur\Profiles\<name>", in the subkeys "Players", "AudioEditor" and
// "Verudivur". A new object holds the ".default" profile's values and no profile name.
// Nothing is stored except by SaveProfile.
//
// Plain fields are public members. Sound-card numbers are a wave device's index + 1, so 0
// stands for the system's default device; player numbers 255 (and 99) stand for the last
// player.
#pragma once

#include "platform/component/Object.h"
#include "rozuzezer/core/Enums.h"
#include "rozuzezer/core/Records.h"
#include "shared/helpers/AudioFormat.h"

#include <cstdint>
#include <string>
#include <vector>

namespace rozuzezer {

class cAudioSettings : public platform::component::Object {
public:
    cAudioSettings();
    ~cAudioSettings() override;

    const platform::component::ClassInfo* Class() const noexcept override;

    // ---- Members in interface order -----------------------------------------------------
    VBool AutomaticPlayerAssignment = vbTrue;
    // -1: as many players as there are suitable output devices.
    std::int32_t NumberPlayers = -1;
    // Above 0, LoadProfile takes it as the number of players.
    std::int32_t ForceNumberCartPlayers = 0;
    std::int16_t RecordingSoundCardNumber = 0;
    std::int16_t EditSoundCardNumber = 0;
    std::int16_t InstantPlayerNumber = 0;
    std::int16_t EditPlayerNumber = 0;
    std::int16_t FirstPlayer = 1;
    std::int16_t LastPlayer = 255;
    float FadeDuration = 2;
    std::int16_t FadeFirePercent = 65;
    std::string AudioEditor;
    // Ends in a separator after every load.
    std::string EditorTemporaryDirectory;
    std::int16_t LockPlayerWhenRecording = 0;
    std::int16_t LumoStreamUseLargeBuffers = 0;
    std::int16_t LumoStreamDebugMode = 0;
    std::int16_t AudioEditorPriority = 10;
    std::int16_t AudioEditorRunAtIdleSpeed = 0;
    std::int16_t UseLegacyFileCopyMode = 0;
    std::int16_t HighlightPlayedCarts = 0;
    std::int32_t HighlightPlayedCartsDuration = 0;
    std::int16_t UsePlayerDucking = 1;
    std::int16_t GeneralVolume = 100;
    std::int16_t SweptAudioVolume = 100;
    std::int16_t DuckAudioVolume = 90;
    std::int16_t CartGroupVolume = 100;
    std::int16_t AdvertVolume = 100;
    std::int32_t OnlyAllowEjectStoppedCarts = sopDisabled; // enSettingOrPreference
    std::int16_t AudioAllowOtherFormat = 0;
    std::int16_t AudioRecordLocal = 0;

    // False, and nothing changed or written, for an empty name.
    bool LoadProfile(const std::string& Profile);
    // Writes the whole profile as one change of the machine hive: True when it now holds
    // every value; False, and the hive unchanged, for an empty name or when the hive cannot
    // be written (a user who may not change machine settings, a damaged hive file, a full disk).
    bool SaveProfile(const std::string& Profile) const;

    // 1..99. Setting it recreates the sound-card list with every entry 0.
    std::int16_t MAXPLAYERS() const { return maxPlayers_; }
    void SetMAXPLAYERS(std::int16_t value);

    // 1-based output device of player Index; 0 (and a write that does nothing) outside
    // 1..MAXPLAYERS.
    std::int16_t PlayerSoundCardNumber(std::int16_t Index) const;
    void SetPlayerSoundCardNumber(std::int16_t Index, std::int16_t value);

    // The path of an audio editor installed on this computer, or "". Does not change
    // AudioEditor.
    std::string FindAudioEditor() const;

    // Always the same object: callers change it in place, then call SaveProfile.
    const helpers::AudioFormatRef& AudioFormat() const { return audioFormat_; }

    // The process-wide debug level of the utility object.
    std::int32_t DebugMode() const;
    void SetDebugMode(std::int32_t value);

    std::int16_t HookPlayer = 0;
    std::int16_t PreviewPlayer = 0;
    // The profile last loaded; empty after construction.
    std::string ProfileName;
    std::int32_t PlayerDisplayAlignment = pdaBottom; // enPlayerDisplayAlignment

    // Shows the audio settings dialog on this object; True when it was left without
    // cancelling. The dialog saves (under ProfileName) on OK. False when no dialog is
    // registered.
    bool DisplaySettings();

private:
    std::int16_t maxPlayers_ = 12;
    std::vector<std::int32_t> soundCards_; // players 1..MAXPLAYERS at [0..MAXPLAYERS-1]
    helpers::AudioFormatRef audioFormat_;
};

using AudioSettingsRef = platform::component::Ref<cAudioSettings>;

} // namespace rozuzezer
