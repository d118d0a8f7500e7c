#include "BenchReport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <fcntl.h>
#include <unistd.h>

namespace bench {

void Report(const std::string& name, double ours, const std::string& unit,
            const std::string& peerTool, double peer) {
    std::printf("bench %s ours=%.6g%s", name.c_str(), ours, unit.c_str());
    if (!peerTool.empty() && peer > 0)
        std::printf(" peer=%s:%.6g%s ratio=%.3f", peerTool.c_str(), peer, unit.c_str(),
                    ours / peer);
    std::printf("\n");
    std::fflush(stdout);
}

double Median(std::vector<double> v) {
    if (v.empty()) return -1.0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void ReportRuns(const std::string& name, const std::vector<double>& ours, const std::string& unit,
                const std::string& peerTool, const std::vector<double>& peer) {
    if (ours.empty()) return;
    const auto [lo, hi] = std::minmax_element(ours.begin(), ours.end());
    const double med = Median(ours);
    std::printf("bench %s ours=%.6g%s", name.c_str(), med, unit.c_str());
    std::vector<double> ratios;
    for (std::size_t i = 0; i < ours.size() && i < peer.size(); ++i)
        if (peer[i] > 0) ratios.push_back(ours[i] / peer[i]);
    if (!peerTool.empty() && !ratios.empty())
        std::printf(" peer=%s:%.6g%s ratio=%.3f", peerTool.c_str(), Median(peer), unit.c_str(), Median(ratios));
    std::printf(" runs=%zu spread=%.6g..%.6g%s", ours.size(), *lo, *hi, unit.c_str());
    if (!ratios.empty()) {
        const auto [rlo, rhi] = std::minmax_element(ratios.begin(), ratios.end());
        std::printf(" ratio_spread=%.3f..%.3f", *rlo, *rhi);
    }
    std::printf("\n");
    std::fflush(stdout);
}

void EvictFromPageCache(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

double Seconds(const std::function<void()>& fn) {
    auto t0 = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double BestSeconds(int runs, const std::function<void()>& fn) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        double s = Seconds(fn);
        if (s < best) best = s;
    }
    return best;
}

double RunPeer(const std::string& shellCommand) {
    std::string cmd = shellCommand + " >/dev/null 2>&1";
    int rc = 0;
    double s = Seconds([&] { rc = std::system(cmd.c_str()); });
    return rc == 0 ? s : -1.0;
}

bool HavePeer(const std::string& program) {
    std::string cmd = "command -v " + program + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

static std::int64_t ReadField(const char* path, const std::string& key, std::int64_t scale) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) == 0) {
            std::istringstream is(line.substr(key.size()));
            std::int64_t v = 0;
            is >> v;
            return v * scale;
        }
    }
    return -1;
}

std::int64_t ResidentBytes() { return ReadField("/proc/self/status", "VmRSS:", 1024); }

std::int64_t BytesWritten() {
    std::int64_t v = ReadField("/proc/self/io", "write_bytes:", 1);
    return v >= 0 ? v : CharsWritten();
}

std::int64_t CharsWritten() { return ReadField("/proc/self/io", "wchar:", 1); }

std::string ScratchFolder(const std::string& tag) {
    const char* base = std::getenv("BVR_BENCH_TMP");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/bvr-bench-" + tag + "-XXXXXX";
    if (!mkdtemp(tmpl.data())) return {};
    return tmpl;
}

} // namespace bench
