// Saving an audio settings profile: how many complete SaveProfile calls a second the machine
// hive takes, each one really changing the stored profile (two sets of values in turn), on
// a hive that also holds three other profiles.
#include "BenchReport.h"

#include "platform/component/Object.h"
#include "rozuzezer/core/cAudioSettings.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

void Fill(rozuzezer::cAudioSettings& s, int variant) {
    s.AutomaticPlayerAssignment = 0;
    s.NumberPlayers = 8;
    for (std::int16_t i = 1; i <= s.MAXPLAYERS(); ++i)
        s.SetPlayerSoundCardNumber(i, static_cast<std::int16_t>(i <= 8 ? 1 + (i + variant) % 4 : 0));
    s.RecordingSoundCardNumber = static_cast<std::int16_t>(1 + variant);
    s.EditSoundCardNumber = static_cast<std::int16_t>(2 + variant);
    s.InstantPlayerNumber = static_cast<std::int16_t>(2 + variant);
    s.EditPlayerNumber = 8;
    s.FadeDuration = variant ? 1.5f : 0.75f;
    s.AudioEditor = variant ? "/opt/audacity/bin/audacity" : "/usr/bin/sweep";
    s.EditorTemporaryDirectory = variant ? "/srv/edit/tmp/" : "/var/tmp/edit/";
    s.UsePlayerDucking = static_cast<std::int16_t>(variant);
    s.GeneralVolume = static_cast<std::int16_t>(90 - variant);
    s.SweptAudioVolume = 55;
    s.AdvertVolume = static_cast<std::int16_t>(70 + variant);
    s.HighlightPlayedCarts = static_cast<std::int16_t>(1 - variant);
    s.HighlightPlayedCartsDuration = 3600 + variant;
    s.AudioFormat()->SetPCM(variant ? 48000 : 44100, 2, 16);
}

} // namespace

int main() {
    const std::string scratch = bench::ScratchFolder("profile");
    setenv("BREVANT_REGISTRY_DIR", scratch.c_str(), 1);
    setenv("BREVANT_FAKE_DEVICES", "out 0x0FFF Desk;out 0x0FFF Studio;in 0x0FFF Line in", 1);

    auto s = platform::component::MakeRef<rozuzezer::cAudioSettings>();
    for (const char* other : {"Studio A", "Studio B", "Production"}) {
        Fill(*s, 0);
        if (!s->SaveProfile(other)) std::abort();
    }

    constexpr int kSaves = 200;
    const double seconds = bench::Seconds([&] {
        for (int i = 0; i < kSaves; ++i) {
            Fill(*s, i % 2);
            if (!s->SaveProfile("Profile1")) std::abort();
        }
    });
    bench::Report("audio_settings_save_profile", kSaves / seconds, "saves/s");

    auto check = platform::component::MakeRef<rozuzezer::cAudioSettings>();
    if (!check->LoadProfile("Profile1") || check->AdvertVolume != 71) std::abort();

    std::error_code ec;
    std::filesystem::remove_all(scratch, ec);
    return 0;
}
