// Preferences go to the registry on every call: how many reads and durable writes a
// second a user hive of 200 values allows.
#include "BenchReport.h"

#include "editor/shell/Directory.h"
#include "editor/shell/Registry.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

int main() {
    const std::string scratch = bench::ScratchFolder("prefs");
    setenv("BREVANT_REGISTRY_DIR", scratch.c_str(), 1);

    lumoedit::cBVDirectory directory;
    lumoedit::cDirectoryPrefPerms& prefs = directory.CurrentUser().Duvavizud3Preferences();
    for (int i = 0; i < 200; ++i)
        prefs.SetPreference("Value" + std::to_string(i), "/srv/audio/wall " + std::to_string(i), "");

    using clock = std::chrono::steady_clock;
    auto rate = [](auto&& fn, double minSeconds) {
        long n = 0;
        const auto start = clock::now();
        double elapsed = 0;
        do {
            for (int k = 0; k < 64; ++k) fn(n++);
            elapsed = std::chrono::duration<double>(clock::now() - start).count();
        } while (elapsed < minSeconds);
        return static_cast<double>(n) / elapsed;
    };

    std::size_t sink = 0;
    const double reads = rate(
        [&](long n) { sink += prefs.GetPreference("Value" + std::to_string(n % 200), "").size(); }, 1.0);
    bench::Report("settings_get_preference", reads, "/s");

    const double writes = rate(
        [&](long n) {
            prefs.SetPreference("Value" + std::to_string(n % 200), "/srv/audio/take " + std::to_string(n), "");
        },
        1.0);
    bench::Report("settings_set_preference_durable", writes, "/s");

    std::error_code ec;
    std::filesystem::remove_all(scratch, ec);
    return sink == 0 ? 1 : 0;
}
