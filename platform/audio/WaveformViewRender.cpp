// Renders the waveform view of an audio file to a PNG, for looking at the view without
// running the editor:
//   waveform_view_render <audio file> <out.png> [width height [start-seconds end-seconds]]
// Four regions (intro, hook, loop, extro) are laid over the audio at fixed fractions of it.
#include "platform/audio/SampleLoader.h"
#include "platform/audio/WaveformView.h"

#include <QApplication>
#include <QImage>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <thread>

using namespace platform::audio;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <audio file> <out.png> [width height [start-s end-s]]\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    const int width = argc > 4 ? std::atoi(argv[3]) : 1920, height = argc > 4 ? std::atoi(argv[4]) : 400;
    try {
        AudioEditor e;
        auto t0 = std::chrono::steady_clock::now();
        e.OpenAudio(argv[1]);
        auto t1 = std::chrono::steady_clock::now();
        const std::int64_t n = e.Length();
        struct R {
            const char* name;
            const char* tag;
            double from, to;
        } regions[] = {{"Intro", "1", 0.02, 0.10}, {"Hook", "3", 0.30, 0.38}, {"Loop", "4", 0.55, 0.70},
                       {"Extro", "2", 0.93, 0.93}};
        for (const auto& r : regions) {
            const auto a = static_cast<std::int64_t>(r.from * static_cast<double>(n));
            const auto b = static_cast<std::int64_t>(r.to * static_cast<double>(n));
            e.Regions().Add(a, b - a, r.name, r.tag, r.name);
        }
        e.View().SetSelectionShown(true);
        e.View().SetSelectionStart(n / 5);
        e.View().SetSelectionEnd(n / 4);
        e.View().SetPosition(n / 5);
        if (argc > 6) {
            std::int64_t a = e.View().MsToSamples(std::atof(argv[5]) * 1000.0);
            std::int64_t b = e.View().MsToSamples(std::atof(argv[6]) * 1000.0);
            e.ZoomToRange(a, b);
        } else {
            e.ZoomFull();
        }
        WaveformView view(e);
        view.resize(width, height);
        auto t2 = std::chrono::steady_clock::now();
        QImage img = view.RenderImage(QSize(width, height));
        auto t3 = std::chrono::steady_clock::now();
        // The first paint draws what is in memory; the picture is the one from the samples
        // once the background reads have brought them.
        for (int i = 0; i < 20 && !view.Complete(); ++i) {
            while (!e.BackgroundReads().Idle()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            img = view.RenderImage(QSize(width, height));
        }
        if (!img.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
            std::fprintf(stderr, "could not write %s\n", argv[2]);
            return 1;
        }
        std::printf("%s: %lld samples, %d channels; opened in %.0f ms, drawn in %.1f ms\n", argv[2],
                    static_cast<long long>(n), e.ChannelCount(),
                    std::chrono::duration<double, std::milli>(t1 - t0).count(),
                    std::chrono::duration<double, std::milli>(t3 - t2).count());
    } catch (const std::exception& ex) {
        std::fprintf(stderr, "%s\n", ex.what());
        return 1;
    }
    return 0;
}
