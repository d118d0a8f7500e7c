// bench lumoedit_start: from process start until LumoEdit's main window shows the editor
// with its empty new document and the event loop is idle, against a bare Qt Widgets program
// showing one empty window; both offscreen, alternating, in the same run. Also the resident
// memory of each at that moment.
#include "BenchReport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Start {
    double seconds = -1;
    long rssKiB = -1;
};

// Runs a child until it reports idle; the time is from the spawn to its idle line.
Start RunChild(const std::string& program) {
    Start s;
    const auto t0 = std::chrono::steady_clock::now();
    FILE* p = ::popen(("exec " + program + " 2>/dev/null").c_str(), "r");
    if (!p) return s;
    char line[256];
    while (std::fgets(line, sizeof line, p)) {
        long kib = 0;
        if (std::sscanf(line, "idle rss_kib=%ld", &kib) == 1) {
            s.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            s.rssKiB = kib;
        }
    }
    if (::pclose(p) != 0) s.seconds = -1;
    return s;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

} // namespace

int main() {
    const fs::path here = fs::read_symlink("/proc/self/exe").parent_path();
    const std::string scratch = bench::ScratchFolder("lumoedit_start");
    fs::create_directories(scratch + "/registry");
    fs::create_directories(scratch + "/c");
    {
        FILE* map = std::fopen((scratch + "/drives.map").c_str(), "w");
        if (map) {
            std::fprintf(map, "C: fixed %s/c\n", scratch.c_str());
            std::fclose(map);
        }
    }
    setenv("BREVANT_REGISTRY_DIR", (scratch + "/registry").c_str(), 1);
    setenv("BREVANT_DRIVE_MAP", (scratch + "/drives.map").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string runtime = scratch + "/xdg";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);

    const std::string ours = (here / "../editor/lumoedit_start_ours").lexically_normal().string();
    const std::string bare = (here / "../editor/lumoedit_start_bare").lexically_normal().string();
    const std::string oursPath = fs::exists(ours) ? ours : (here / "lumoedit_start_ours").string();
    const std::string barePath = fs::exists(bare) ? bare : (here / "lumoedit_start_bare").string();

    // One warm-up of each (the page cache), then alternating runs.
    RunChild(oursPath);
    RunChild(barePath);
    std::vector<double> oursTimes, bareTimes;
    long oursRss = 0, bareRss = 0;
    for (int i = 0; i < 9; ++i) {
        const Start o = RunChild(oursPath);
        const Start b = RunChild(barePath);
        if (o.seconds < 0 || b.seconds < 0) {
            std::fprintf(stderr, "a start-up child failed (%s, %s)\n", oursPath.c_str(), barePath.c_str());
            fs::remove_all(scratch);
            return 1;
        }
        oursTimes.push_back(o.seconds);
        bareTimes.push_back(b.seconds);
        oursRss = std::max(oursRss, o.rssKiB);
        bareRss = std::max(bareRss, b.rssKiB);
    }
    const double o = Median(oursTimes), b = Median(bareTimes);
    bench::Report("lumoedit_start", o * 1000, "ms", "qt-bare-window", b * 1000);
    bench::Report("lumoedit_start_memory", oursRss / 1024.0, "MB", "qt-bare-window", bareRss / 1024.0);
    std::printf("bench lumoedit_start_memory_above ours=%.1fMB\n", (oursRss - bareRss) / 1024.0);
    fs::remove_all(scratch);
    return 0;
}
