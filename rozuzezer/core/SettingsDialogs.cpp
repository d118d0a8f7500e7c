#include "rozuzezer/core/SettingsDialogs.h"

#include <mutex>
#include <utility>

namespace rozuzezer {

namespace {

struct Factories {
    std::mutex mutex;
    AudioSettingsDialogFactory audioSettings;
    AudioLocationsDialogFactory audioLocations;
    GlobalRozuzezerSettingsDialogFactory globalSettings;
};

Factories& F() {
    static Factories f;
    return f;
}

template <typename Fn>
Fn Swap(Fn& slot, Fn factory) {
    std::lock_guard lock(F().mutex);
    return std::exchange(slot, std::move(factory));
}

template <typename Fn>
auto Make(Fn& slot) -> decltype(slot()) {
    Fn factory;
    {
        std::lock_guard lock(F().mutex);
        factory = slot;
    }
    return factory ? factory() : nullptr;
}

} // namespace

AudioSettingsDialogFactory SetAudioSettingsDialog(AudioSettingsDialogFactory factory) {
    return Swap(F().audioSettings, std::move(factory));
}
AudioLocationsDialogFactory SetAudioLocationsDialog(AudioLocationsDialogFactory factory) {
    return Swap(F().audioLocations, std::move(factory));
}
GlobalRozuzezerSettingsDialogFactory
SetGlobalRozuzezerSettingsDialog(GlobalRozuzezerSettingsDialogFactory factory) {
    return Swap(F().globalSettings, std::move(factory));
}

std::unique_ptr<IAudioSettingsDialog> MakeAudioSettingsDialog() { return Make(F().audioSettings); }
std::unique_ptr<IAudioLocationsDialog> MakeAudioLocationsDialog() {
    return Make(F().audioLocations);
}
std::unique_ptr<IGlobalRozuzezerSettingsDialog> MakeGlobalRozuzezerSettingsDialog() {
    return Make(F().globalSettings);
}

} // namespace rozuzezer
