// Small harness for the benchmarks: timing, peer commands, process figures, and the one
// report line per figure that scripts/bench.sh collects.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// Prints "bench <name> ours=<value><unit>" and, when a peer was measured,
// " peer=<tool>:<value><unit> ratio=<ours/peer>".
void Report(const std::string& name, double ours, const std::string& unit,
            const std::string& peerTool = {}, double peer = -1.0);

// Repeated measurements of one figure, with a peer's measured in the same runs. Prints the
// report line with the medians (the ratio is the median of the runs' own ratios, so a run
// the machine slowed for both sides counts as one) and " runs=<n> spread=<lo>..<hi><unit>",
// plus the ratios' spread when there is a peer.
void ReportRuns(const std::string& name, const std::vector<double>& ours, const std::string& unit,
                const std::string& peerTool = {}, const std::vector<double>& peer = {});
double Median(std::vector<double> v);

// How many times each figure is measured.
inline constexpr int kRuns = 5;

// Drops a file's pages from the page cache, so what reads it next goes to the disk.
void EvictFromPageCache(const std::string& path);

// Wall-clock seconds of one call of fn.
double Seconds(const std::function<void()>& fn);

// Best (smallest) wall-clock seconds of fn over `runs` calls.
double BestSeconds(int runs, const std::function<void()>& fn);

// Runs a shell command, output discarded; returns its wall-clock seconds, or -1 when it
// failed or could not be started.
double RunPeer(const std::string& shellCommand);

// Whether a program is on PATH.
bool HavePeer(const std::string& program);

// Resident set size of this process in bytes (from /proc/self/status).
std::int64_t ResidentBytes();

// Bytes this process has caused to be written (write_bytes of /proc/self/io; wchar when
// the kernel gives no write_bytes).
std::int64_t BytesWritten();
std::int64_t CharsWritten();

// A fresh scratch folder under $BVR_BENCH_TMP or /tmp, removed by the caller when done.
std::string ScratchFolder(const std::string& tag);

} // namespace bench
