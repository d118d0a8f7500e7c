// How long the audio settings dialog takes to open on a profile of 12 players with 12
// output devices, offscreen: from cAudioSettings::DisplaySettings until the dialog is
// shown and painted (the settings loaded, every control filled, the players grid built).
#include "BenchReport.h"

#include "platform/devices/Devices.h"
#include "platform/ui/Form.h"
#include "rozuzezer/core/cAudioSettings.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const std::string scratch = bench::ScratchFolder("settings-dialog");
    setenv("BREVANT_REGISTRY_DIR", (scratch + "/registry").c_str(), 1);
    std::filesystem::create_directories(scratch + "/registry");

    std::string devices;
    for (int i = 1; i <= 12; ++i) devices += "out 0x0FFF Playout card " + std::to_string(i) + ";";
    devices += "in 0x0FFF Line in;in 0x0FFF Microphone";
    platform::devices::SetFakeDevices(platform::devices::ParseDeviceList(devices));

    auto stored = platform::component::MakeRef<rozuzezer::cAudioSettings>();
    stored->AutomaticPlayerAssignment = rozuzezer::vbFalse;
    stored->NumberPlayers = 12;
    for (int i = 1; i <= 12; ++i) stored->SetPlayerSoundCardNumber(static_cast<std::int16_t>(i), static_cast<std::int16_t>(i));
    stored->SaveProfile("Bench");

    using Clock = std::chrono::steady_clock;
    std::vector<double> ms;
    for (int run = 0; run < 21; ++run) {
        auto settings = platform::component::MakeRef<rozuzezer::cAudioSettings>();
        settings->LoadProfile("Bench");
        Clock::time_point shown;
        platform::ui::Form::ScriptModal([&shown](platform::ui::Form& f) {
            f.repaint();
            shown = Clock::now();
            f.Hide();
        });
        const auto start = Clock::now();
        settings->DisplaySettings();
        ms.push_back(std::chrono::duration<double, std::milli>(shown - start).count());
    }
    const double first = ms.front();
    std::vector<double> warm(ms.begin() + 1, ms.end());
    std::sort(warm.begin(), warm.end());
    bench::Report("audio_settings_dialog_open_12_players_first", first, "ms");
    bench::Report("audio_settings_dialog_open_12_players_median", warm[warm.size() / 2], "ms");
    bench::Report("audio_settings_dialog_open_12_players_worst", warm.back(), "ms");
    std::filesystem::remove_all(scratch);
    return 0;
}
