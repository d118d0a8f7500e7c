// Transport and view on an hour of stereo 44.1 kHz audio: repainting the waveform at every
// zoom, the time from Play to the first samples on the (fake) sound card, and recording an
// hour delivered faster than real time.
#include "bench/BenchReport.h"
#include "platform/audio/FakeAudioDevice.h"
#include "platform/audio/Transport.h"
#include "platform/audio/WaveformView.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <thread>
#include <vector>

using namespace platform::audio;

namespace {

constexpr int kRate = 44100;
constexpr std::int64_t kHour = 3600LL * kRate;

void Put32(std::ofstream& f, std::uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); }
void Put16(std::ofstream& f, std::uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); }

// An hour of stereo 16-bit audio: noise and a tone under slow swells.
void WriteHour(const std::string& path) {
    std::ofstream f(path, std::ios::binary);
    const std::uint32_t bytes = static_cast<std::uint32_t>(kHour * 4);
    f.write("RIFF", 4);
    Put32(f, 36 + bytes);
    f.write("WAVEfmt ", 8);
    Put32(f, 16);
    Put16(f, 1);
    Put16(f, 2);
    Put32(f, kRate);
    Put32(f, kRate * 4);
    Put16(f, 4);
    Put16(f, 16);
    f.write("data", 4);
    Put32(f, bytes);
    std::vector<std::int16_t> buf(2 * 65536);
    std::uint32_t seed = 1;
    for (std::int64_t i = 0; i < kHour; i += 65536) {
        const std::int64_t n = std::min<std::int64_t>(65536, kHour - i);
        for (std::int64_t k = 0; k < n; ++k) {
            const double t = static_cast<double>(i + k) / kRate;
            const double swell = 0.5 + 0.45 * std::sin(2 * M_PI * t / 240.0);
            seed = seed * 1664525u + 1013904223u;
            const double noise = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * swell;
            const double tone = 0.5 * swell * std::sin(2 * M_PI * 440.0 * t);
            buf[static_cast<std::size_t>(2 * k)] = static_cast<std::int16_t>(noise * 32767);
            buf[static_cast<std::size_t>(2 * k + 1)] = static_cast<std::int16_t>(tone * 32767);
        }
        f.write(reinterpret_cast<const char*>(buf.data()), static_cast<std::streamsize>(n * 4));
    }
}

float Pattern(std::int64_t i, int c) { return static_cast<float>((i * 7 + c * 13) % 2001 - 1000) / 1000.0f; }

// Opens the hour afresh (blocks not yet in memory) and drops its pages from the page cache,
// so the first reads of any area go to the disk.
void OpenCold(AudioEditor& e, const std::string& wav) {
    e.OpenAudio(wav);
    bench::EvictFromPageCache(wav);
}

double Ms(const std::function<void()>& fn) { return bench::Seconds(fn) * 1000.0; }

void WaitForReads(AudioEditor& e) {
    while (!e.BackgroundReads().Idle()) std::this_thread::sleep_for(std::chrono::microseconds(200));
}

void BenchView(AudioEditor& e, const std::string& wav) {
    const QSize size(1920, 400);
    QImage img(size, QImage::Format_RGB32);
    struct Zoom {
        const char* name;
        std::int64_t span;
    } zooms[] = {{"hour", kHour},        {"10min", 600LL * kRate}, {"1min", 60LL * kRate}, {"10s", 10LL * kRate},
                 {"1s", kRate},          {"100ms", kRate / 10},    {"1920samples", 1920},   {"400samples", 400}};
    double worstFirst = 0, worstRepaint = 0, worstAny = 0;
    for (const auto& z : zooms) {
        std::vector<double> first, refined, repaint, ready;
        for (int run = 0; run < bench::kRuns; ++run) {
            OpenCold(e, wav);
            WaveformView view(e);
            view.resize(size);
            // Somewhere in the hour where nothing was drawn before, another place each run.
            std::int64_t a = kHour / 2 - z.span / 2 + 12345 + run * 7 * kRate * 60, b = a + z.span;
            if (z.span == kHour) a = 0, b = kHour;
            e.ZoomToRange(a, b);
            const auto paint = [&] {
                QPainter p(&img);
                view.Render(p, size);
            };
            const auto t0 = std::chrono::steady_clock::now();
            first.push_back(Ms(paint));
            // The picture once the samples it lacked have come from the disk.
            WaitForReads(e);
            ready.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
            refined.push_back(Ms(paint));
            repaint.push_back(Ms(paint));
            if (!view.Complete()) std::fprintf(stderr, "view %s: the refined picture still lacks samples\n", z.name);
            worstAny = std::max({worstAny, first.back(), refined.back(), repaint.back()});
        }
        bench::ReportRuns(std::string("view_first_paint_") + z.name, first, "ms");
        bench::ReportRuns(std::string("view_refined_paint_") + z.name, refined, "ms");
        bench::ReportRuns(std::string("view_repaint_") + z.name, repaint, "ms");
        bench::ReportRuns(std::string("view_samples_in_") + z.name, ready, "ms");
        worstFirst = std::max(worstFirst, bench::Median(first));
        worstRepaint = std::max(worstRepaint, bench::Median(repaint));
    }
    bench::Report("view_first_paint_worst_zoom", worstFirst, "ms");
    bench::Report("view_repaint_worst_zoom", worstRepaint, "ms");
    bench::Report("view_every_paint_worst", worstAny, "ms");
}

// 200 scroll steps a second through the hour, close in, from a cold cache: every paint's
// time, and how many found all their samples already read ahead.
void BenchScroll(AudioEditor& e, const std::string& wav) {
    const QSize size(1920, 400);
    QImage img(size, QImage::Format_RGB32);
    std::vector<double> worst, complete;
    for (int run = 0; run < bench::kRuns; ++run) {
        OpenCold(e, wav);
        WaveformView view(e);
        view.resize(size);
        const std::int64_t span = 10LL * kRate;
        std::int64_t at = kHour / 3 + run * 5 * 60 * kRate;
        double w = 0;
        int whole = 0;
        const int steps = 400;
        for (int i = 0; i < steps; ++i, at += span / 20) {
            std::int64_t a = at, b = at + span;
            e.ZoomToRange(a, b);
            const double ms = Ms([&] {
                QPainter p(&img);
                view.Render(p, size);
            });
            w = std::max(w, ms);
            whole += view.Complete();
            std::this_thread::sleep_for(std::chrono::microseconds(5000 - std::min(4900, static_cast<int>(ms * 1000))));
        }
        worst.push_back(w);
        complete.push_back(100.0 * whole / steps);
    }
    bench::ReportRuns("view_scroll_200_per_s_worst_paint", worst, "ms");
    bench::ReportRuns("view_scroll_200_per_s_complete_paints", complete, "%");
}

void BenchPlayStart(AudioEditor& e, const std::string& wav) {
    auto out = std::make_shared<FakeAudioDevice>(512);
    out->SetFreeRunning(1.0); // a card in real time, on its own thread
    ScopedDeviceFactory factory([&](DeviceDirection, int) -> std::shared_ptr<AudioDevice> { return out; });
    std::vector<double> worsts, means;
    const int starts = 20;
    for (int run = 0; run < bench::kRuns; ++run) {
        OpenCold(e, wav);
        double worst = 0, total = 0;
        for (int i = 0; i < starts; ++i) {
            // Spread over the hour, so no start finds its block in memory; the file's pages
            // dropped before each.
            e.View().SetSelectionShown(false);
            e.View().SetPosition(kHour / starts * i + 777 + run * 3 * kRate);
            bench::EvictFromPageCache(wav);
            const auto t0 = std::chrono::steady_clock::now();
            e.Play(1);
            while (out->FramesPulled() == 0 || out->FirstPull() < t0) std::this_thread::sleep_for(std::chrono::microseconds(50));
            const double ms = std::chrono::duration<double, std::milli>(out->FirstPull() - t0).count();
            e.Stop();
            worst = std::max(worst, ms);
            total += ms;
        }
        worsts.push_back(worst);
        means.push_back(total / starts);
    }
    bench::ReportRuns("play_to_first_samples_worst_of_20", worsts, "ms");
    bench::ReportRuns("play_to_first_samples_mean", means, "ms");
}

void BenchRecord(const std::string& folder) {
    const double speed = std::getenv("BVR_RECORD_SPEED") ? std::atof(std::getenv("BVR_RECORD_SPEED")) : 100.0;
    std::vector<double> speeds, secondsRuns, lost, wrongRuns, growth;
    for (int run = 0; run < bench::kRuns; ++run) {
        auto in = std::make_shared<FakeAudioDevice>(1024);
        in->SetFreeRunning(speed);
        in->SetSource([](std::int64_t first, std::int64_t frames, int ch, float* x) {
            for (std::int64_t i = 0; i < frames; ++i)
                for (int c = 0; c < ch; ++c) x[i * ch + c] = Pattern(first + i, c);
        });
        ScopedDeviceFactory factory([&](DeviceDirection, int) -> std::shared_ptr<AudioDevice> { return in; });
        AudioEditor e;
        e.SetTemporaryFolder(folder);
        e.NewDocument(kRate, 2);
        const std::int64_t rss0 = bench::ResidentBytes();
        std::int64_t rssMax = rss0;
        const auto t0 = std::chrono::steady_clock::now();
        e.Record(2);
        while (in->FramesPushed() < kHour) {
            e.Pump();
            rssMax = std::max(rssMax, bench::ResidentBytes());
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        e.Stop();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        rssMax = std::max(rssMax, bench::ResidentBytes());
        const std::int64_t pushed = in->FramesPushed(), got = e.Length();
        // Every sample back, in order.
        std::int64_t wrong = 0;
        std::vector<float> buf(1 << 20);
        for (int c = 0; c < 2; ++c)
            for (std::int64_t i = 0; i < got; i += static_cast<std::int64_t>(buf.size())) {
                const std::int64_t n = std::min<std::int64_t>(static_cast<std::int64_t>(buf.size()), got - i);
                e.ReadSamples(c, i, n, buf.data());
                for (std::int64_t k = 0; k < n; ++k) wrong += buf[static_cast<std::size_t>(k)] != Pattern(i + k, c);
            }
        speeds.push_back(static_cast<double>(pushed) / kRate / seconds);
        secondsRuns.push_back(seconds);
        lost.push_back(static_cast<double>(pushed - got) * 2);
        wrongRuns.push_back(static_cast<double>(wrong));
        growth.push_back(static_cast<double>(rssMax - rss0) / (1 << 20));
    }
    bench::ReportRuns("record_hour_speed", speeds, "x_real_time");
    bench::ReportRuns("record_hour_seconds", secondsRuns, "s");
    bench::ReportRuns("record_hour_lost_samples", lost, "samples");
    bench::ReportRuns("record_hour_wrong_samples", wrongRuns, "samples");
    bench::ReportRuns("record_hour_memory_growth", growth, "MB");
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const std::string dir = bench::ScratchFolder("transport");
    const std::string wav = dir + "/hour.wav";
    WriteHour(wav);
    {
        AudioEditor e;
        e.SetTemporaryFolder(dir);
        // BVR_BENCH_VIEW_ROUNDS repeats the view's figures alone, for a profiler.
        const int rounds = std::getenv("BVR_BENCH_VIEW_ROUNDS") ? std::atoi(std::getenv("BVR_BENCH_VIEW_ROUNDS")) : 0;
        for (int i = 0; i < rounds; ++i) {
            BenchView(e, wav);
            BenchScroll(e, wav);
        }
        if (rounds == 0) {
            BenchView(e, wav);
            BenchScroll(e, wav);
            BenchPlayStart(e, wav);
        }
    }
    std::filesystem::remove(wav);
    if (!std::getenv("BVR_BENCH_VIEW_ROUNDS")) BenchRecord(dir);
    std::filesystem::remove_all(dir);
    return 0;
}
