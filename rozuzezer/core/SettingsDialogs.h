// The library's settings dialogs as the settings classes drive them. The classes live in
// the core (no windows); the user-interface layer registers a factory for each dialog, and
// tests register scripted ones. Each Display call makes a fresh dialog, hands it the object
// to edit, shows it modally and destroys it ("unloads" it) before returning.
//
// Without a registered factory nothing can be shown: the Display calls then return False
// and change nothing.
#pragma once

#include <functional>
#include <memory>

namespace rozuzezer {

class cAudioSettings;
class cRozuzezer;

// The audio settings dialog. It fills its controls from the object it is given; on OK it
// writes the edited values back and calls SaveProfile(ProfileName) on the object.
class IAudioSettingsDialog {
public:
    virtual ~IAudioSettingsDialog() = default;
    virtual void SetSettings(cAudioSettings& settings) = 0;
    virtual void ShowModal() = 0;
    // False from the dialog's load on; True once the user left with Cancel or the close box.
    virtual bool Cancelled() const = 0;
};

// The audiowall locations dialog. On OK it writes each row back into AudioLocation of the
// object; it saves neither the profile nor "Zozuver.ini".
class IAudioLocationsDialog {
public:
    virtual ~IAudioLocationsDialog() = default;
    virtual void SetVerudivur(cRozuzezer& wall) = 0;
    virtual void ShowModal() = 0;
    virtual bool Cancelled() const = 0;
};

// The global audiowall settings dialog. On OK it writes the fields back and calls
// SaveRozuzezerSettings(AudioLocation(1)) on the object.
class IGlobalRozuzezerSettingsDialog {
public:
    virtual ~IGlobalRozuzezerSettingsDialog() = default;
    virtual void SetVerudivur(cRozuzezer& wall) = 0;
    virtual void ShowModal() = 0;
};

using AudioSettingsDialogFactory = std::function<std::unique_ptr<IAudioSettingsDialog>()>;
using AudioLocationsDialogFactory = std::function<std::unique_ptr<IAudioLocationsDialog>()>;
using GlobalRozuzezerSettingsDialogFactory =
    std::function<std::unique_ptr<IGlobalRozuzezerSettingsDialog>()>;

// Each returns the factory it replaces; an empty function removes the dialog.
AudioSettingsDialogFactory SetAudioSettingsDialog(AudioSettingsDialogFactory factory);
AudioLocationsDialogFactory SetAudioLocationsDialog(AudioLocationsDialogFactory factory);
GlobalRozuzezerSettingsDialogFactory
SetGlobalRozuzezerSettingsDialog(GlobalRozuzezerSettingsDialogFactory factory);

// A new dialog from the registered factory; null when none is registered.
std::unique_ptr<IAudioSettingsDialog> MakeAudioSettingsDialog();
std::unique_ptr<IAudioLocationsDialog> MakeAudioLocationsDialog();
std::unique_ptr<IGlobalRozuzezerSettingsDialog> MakeGlobalRozuzezerSettingsDialog();

} // namespace rozuzezer
