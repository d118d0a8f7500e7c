// A playout host's audiowall: 48 item tiles (8 x 6, normal layout) filling a 1920 x 1080
// window, repainted whole, offscreen. A playout program repaints its wall every second while
// it plays audio, so the figure that matters is the one taken beside other work: the same
// repaints are timed on the machine as it is, then beside four threads of busy work that
// this benchmark starts itself. Each line gives the median over 60 repaints (ours=) and the
// worst, with the load average the machine had.
#include "BenchReport.h"
#include "rozuzezer/core/Enums.h"
#include "rozuzezer/ui/uHardDiskItem.h"

#include <QApplication>
#include <QImage>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using namespace rozuzezer;
using platform::component::MakeRef;

namespace {

constexpr int kRepaints = 60;
constexpr int kBusyThreads = 4;

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one;
    in >> one;
    return one.empty() ? "?" : one;
}

// Busy work that the optimiser cannot drop, until told to stop.
class BusyThreads {
public:
    explicit BusyThreads(int n) {
        for (int i = 0; i < n; ++i)
            threads_.emplace_back([this, i] {
                double x = 1.0 + i;
                while (!stop_.load(std::memory_order_relaxed))
                    for (int k = 0; k < 10000; ++k) x = std::sqrt(x * x + 1.0) - 0.5;
                sink_.fetch_add(static_cast<long>(x), std::memory_order_relaxed);
            });
        // Let every thread reach its loop before anything is timed.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ~BusyThreads() {
        stop_ = true;
        for (auto& t : threads_) t.join();
    }

private:
    std::vector<std::thread> threads_;
    std::atomic<bool> stop_{false};
    std::atomic<long> sink_{0};
};

void ReportRepaints(const std::string& name, std::vector<double> ms, const std::string& load) {
    std::sort(ms.begin(), ms.end());
    std::printf("bench %s ours=%.3gms worst=%.3gms best=%.3gms runs=%zu load=%s loadavg=%s\n",
                name.c_str(), bench::Median(ms), ms.back(), ms.front(), ms.size(), load.c_str(),
                LoadAverage().c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    QWidget wall;
    wall.resize(1920, 1080);
    const int columns = 8, rows = 6;
    const std::int32_t endings[] = {cheEnd, cheFades, cheSustain, cheNonSpecific};
    for (int i = 0; i < columns * rows; ++i) {
        auto* tile = new ui::uHardDiskItem(&wall, "uHardDiskItem" + std::to_string(i + 1));
        tile->setGeometry((i % columns) * 240, (i / columns) * 180, 240, 180);
        auto item = MakeRef<cHardDiskItem>();
        item->Reference = "CART " + std::to_string(1000 + i);
        item->SetDescription(1, "Item number " + std::to_string(i + 1) +
                                    " with a title long enough to be cut");
        item->SetDescription(2, "Artist of the item");
        item->SetDescription(3, i % 3 ? "Third line" : std::string(10000, 'x'));
        item->TotalLength = 200;
        item->AudioEnd = 200;
        item->SetExtro(12.5f * i);
        item->EndType = endings[i % 4];
        item->BackColour = static_cast<std::int32_t>(0x00C0FFC0 + i * 0x010203);
        item->Notes = i % 2 ? "notes" : "";
        tile->SetHardDiskItem(item);
        tile->SetCanPlay(true);
        tile->SetCanEdit(true);
    }
    wall.show();
    QApplication::processEvents();
    // Every tile paints itself whole into the window's raster surface, as the backing store
    // has it do on an expose; the first paint warms the font and picture caches.
    QImage surface(wall.size(), QImage::Format_ARGB32_Premultiplied);
    wall.render(&surface);

    auto repaints = [&] {
        std::vector<double> ms;
        for (int run = 0; run < kRepaints; ++run)
            ms.push_back(bench::Seconds([&] { wall.render(&surface); }) * 1000.0);
        return ms;
    };
    ReportRepaints("tile_wall_48_repaint", repaints(), "none");
    std::vector<double> busy;
    {
        BusyThreads load(kBusyThreads);
        busy = repaints();
    }
    ReportRepaints("tile_wall_48_repaint_busy", busy, std::to_string(kBusyThreads) + "-busy-threads");
    return 0;
}
