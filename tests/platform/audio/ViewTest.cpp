// The waveform view and the level meters on an offscreen display.
#include "AudioFixtures.h"

#include "platform/audio/AudioEditorControl.h"
#include "platform/audio/FakeAudioDevice.h"
#include "platform/audio/LevelMeter.h"
#include "platform/audio/SampleLoader.h"
#include "platform/audio/Transport.h"
#include "platform/audio/WaveformView.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include <unistd.h>

using namespace platform::audio;
using testsupport::TempDir;

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "test_audio_view";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own teardown at exit must not run after the widgets' libraries.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

struct ViewFixture : ::testing::Test {
    TempDir dir{"view"};
    AudioEditor e;
    std::unique_ptr<WaveformView> view;
    std::vector<std::tuple<int, std::int64_t, std::int64_t>> changes; // index, start, length
    static constexpr int kWidth = 1000;

    void SetUp() override {
        App();
        e.SetTemporaryFolder(dir.path().string());
        audiotest::WriteToneWav(dir / "a.wav", 2, 441000); // 10 s, 441 samples a pixel
        e.OpenAudio(dir / "a.wav");
        view = std::make_unique<WaveformView>(e);
        view->resize(kWidth, 200);
        e.RegionChanged.Connect([this](int i) {
            e.Regions().SetCurrent(i);
            changes.emplace_back(i, e.Regions().Start(), e.Regions().Length());
        });
    }
    void Mouse(QEvent::Type type, int x, int y, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        const bool release = type == QEvent::MouseButtonRelease;
        QMouseEvent ev(type, QPointF(x, y), QPointF(x, y), Qt::LeftButton, release ? Qt::NoButton : Qt::LeftButton,
                       mods);
        QApplication::sendEvent(view.get(), &ev);
    }
    // Paints until the picture needs nothing more from the disk.
    void Settle(QSize size) {
        for (int i = 0; i < 50; ++i) {
            view->RenderImage(size);
            if (view->Complete()) return;
            while (!e.BackgroundReads().Idle()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    void Drag(int x0, int y, int x1) {
        Mouse(QEvent::MouseButtonPress, x0, y);
        Mouse(QEvent::MouseMove, (x0 + x1) / 2, y);
        Mouse(QEvent::MouseMove, x1, y);
        Mouse(QEvent::MouseButtonRelease, x1, y);
    }
};

TEST_F(ViewFixture, RegionDragsRaiseRegionChangedWithTheNewStartAndLength) {
    e.Regions().Add(44100, 44100, "Intro", "1", "Intro"); // x 100 .. 200
    e.Regions().Add(220500, 0, "Extro", "2", "Extro");    // a marker at x 500
    struct Case {
        const char* what;
        int x0, y, x1;
        int index;
        std::int64_t start, length;
    } cases[] = {
        {"end edge", 202, 100, 302, 1, 44100, 88200},
        {"start edge", 99, 100, 49, 1, 22050, 110250},
        {"body by its name", 150, 5, 250, 1, 66150, 110250},
        {"start past the end stops there", 150, 100, 999, 1, 176400, 0},
        {"marker", 501, 100, 601, 2, 264600, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        changes.clear();
        Drag(c.x0, c.y, c.x1);
        ASSERT_FALSE(changes.empty());
        EXPECT_EQ(changes.back(), std::make_tuple(c.index, c.start, c.length));
        for (auto& ch : changes) EXPECT_EQ(std::get<0>(ch), c.index);
    }
    // Edge grabs move the region by how far the mouse went, never by where it was grabbed.
    changes.clear();
    Mouse(QEvent::MouseButtonPress, 600, 100);
    Mouse(QEvent::MouseButtonRelease, 600, 100);
    EXPECT_TRUE(changes.empty());
}

// A hidden region follows the audio but is neither drawn nor taken by the mouse.
TEST_F(ViewFixture, AHiddenRegionIsNotDrawnNorDragged) {
    Settle(QSize(kWidth, 218));
    const QImage without = view->RenderImage(QSize(kWidth, 218));
    e.Regions().Add(220500, 44100, "Outro", "5", "Outro", 0x0000FF, kRegionHidden); // x 500 .. 600
    EXPECT_EQ(view->RenderImage(QSize(kWidth, 218)), without);
    changes.clear();
    Drag(501, 100, 701);
    Drag(550, 5, 700);
    EXPECT_TRUE(changes.empty());
    e.Regions().SetCurrent(1);
    EXPECT_EQ(e.Regions().Start(), 220500);
}

TEST_F(ViewFixture, ClickDragAndShiftClickSelect) {
    int selections = 0, downs = 0, visible = 0;
    std::tuple<int, int, int, int> lastDown;
    e.SelectionChanged.Connect([&] { ++selections; });
    view->MouseDown.Connect([&](int b, int s, int x, int y) {
        ++downs;
        lastDown = {b, s, x, y};
    });
    e.SelectVisibleRange.Connect([&] { ++visible; });

    Mouse(QEvent::MouseButtonPress, 300, 100);
    Mouse(QEvent::MouseButtonRelease, 300, 100);
    EXPECT_EQ(e.View().Position(), 132300);
    EXPECT_FALSE(e.View().SelectionShown());

    Drag(400, 100, 200);
    EXPECT_TRUE(e.View().SelectionShown());
    EXPECT_EQ(e.View().SelectionStart(), 88200);
    EXPECT_EQ(e.View().SelectionEnd(), 176400);
    EXPECT_GT(selections, 0);

    Mouse(QEvent::MouseButtonPress, 600, 100, Qt::ShiftModifier); // extends from the far end
    Mouse(QEvent::MouseButtonRelease, 600, 100, Qt::ShiftModifier);
    EXPECT_EQ(e.View().SelectionStart(), 88200);
    EXPECT_EQ(e.View().SelectionEnd(), 264600);
    EXPECT_EQ(lastDown, std::make_tuple(1, 1, 600, 100));
    EXPECT_EQ(downs, 3);

    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(10, 100), QPointF(10, 100), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(view.get(), &dbl);
    EXPECT_EQ(visible, 1);
}

TEST_F(ViewFixture, ColumnsFollowTheSamplesAtEveryZoom) {
    // Pieces of every kind: reversed, amplified, silence, and file blocks.
    e.View().SetSelectionShown(true);
    e.View().SetSelectionStart(100000);
    e.View().SetSelectionEnd(150000);
    e.Processing().Reverse();
    e.View().SetSelectionStart(200000);
    e.View().SetSelectionEnd(300000);
    e.Processing().Amplify(50);
    e.View().SetSelectionShown(false);
    e.View().SetPosition(50000);
    e.Processing().InsertSilence(100);
    const Track& t = *e.CurrentTracks()[0];
    std::vector<float> x(static_cast<std::size_t>(t.Length()));
    t.Read(0, t.Length(), x.data());
    for (double spp : {0.5, 3.0, 100.0, 441.0, 3000.0, 70000.0, 2e6}) {
        SCOPED_TRACE(spp);
        const int cols = 300;
        const double start = 1234.0;
        std::vector<float> mins(cols), maxs(cols);
        WaveformColumns(t, start, spp, cols, mins.data(), maxs.data());
        const std::int64_t slack = spp >= 16.0 * kCoarseWindow ? kCoarseWindow : kFineWindow;
        for (int c = 0; c < cols; ++c) {
            auto a = static_cast<std::int64_t>(std::floor(start + c * spp));
            auto b = static_cast<std::int64_t>(std::floor(start + (c + 1) * spp));
            if (a >= t.Length()) {
                EXPECT_GT(mins[static_cast<std::size_t>(c)], maxs[static_cast<std::size_t>(c)]);
                continue;
            }
            auto range = [&](std::int64_t from, std::int64_t to) {
                from = std::clamp<std::int64_t>(from, 0, t.Length());
                to = std::clamp<std::int64_t>(to, 0, t.Length());
                if (to <= from) return std::make_pair(1.0f, -1.0f);
                auto [lo, hi] = std::minmax_element(x.begin() + from, x.begin() + to);
                return std::make_pair(*lo, *hi);
            };
            auto outer = range(a - slack, b + slack);
            auto inner = range(a + slack, b - slack);
            const float lo = mins[static_cast<std::size_t>(c)], hi = maxs[static_cast<std::size_t>(c)];
            ASSERT_LE(lo, hi) << "column " << c;
            EXPECT_GE(lo, outer.first - 1e-5f) << c;
            EXPECT_LE(hi, outer.second + 1e-5f) << c;
            if (inner.first <= inner.second) {
                EXPECT_LE(lo, inner.first + 1e-5f) << c;
                EXPECT_GE(hi, inner.second - 1e-5f) << c;
            }
        }
    }
}

TEST_F(ViewFixture, ARangeReachingPastTheAudioDrawsNothingThere) {
    const Track& t = *e.CurrentTracks()[0];
    for (double spp : {100.0, 1000.0}) {
        std::vector<float> mins(200), maxs(200);
        const double start = -100 * spp; // half before the start
        WaveformColumns(t, start, spp, 200, mins.data(), maxs.data());
        for (int c = 0; c < 100; ++c) EXPECT_GT(mins[static_cast<std::size_t>(c)], maxs[static_cast<std::size_t>(c)]) << c;
        for (int c = 101; c < 200; ++c) EXPECT_LE(mins[static_cast<std::size_t>(c)], maxs[static_cast<std::size_t>(c)]) << c;
        WaveformColumns(t, static_cast<double>(t.Length()) - 50 * spp, spp, 200, mins.data(), maxs.data());
        for (int c = 0; c < 49; ++c) EXPECT_LE(mins[static_cast<std::size_t>(c)], maxs[static_cast<std::size_t>(c)]) << c;
        for (int c = 51; c < 200; ++c) EXPECT_GT(mins[static_cast<std::size_t>(c)], maxs[static_cast<std::size_t>(c)]) << c;
    }
    std::int64_t a = -220500, b = 220500;
    e.ZoomToRange(a, b); // as the window may ask, unclamped
    EXPECT_EQ(view->SampleAt(100, kWidth), 0);
    EXPECT_EQ(view->XOf(0, kWidth), 500);
    QImage img = view->RenderImage(QSize(kWidth, 218));
    EXPECT_NE(img.pixelColor(750, WaveformView::kRulerHeight + 50), img.pixelColor(250, WaveformView::kRulerHeight + 50));
}

TEST_F(ViewFixture, DrawsBothChannelsTheRegionsAndTheSelectedChannels) {
    e.Regions().Add(88200, 88200, "Hook", "3", "Hook", 0x0000FF); // red, as 0x00BBGGRR
    e.Channels().SetCurrent(2);
    e.Channels().SetSelected(false);
    QImage img = view->RenderImage(QSize(kWidth, 218));
    const int top0 = WaveformView::kRulerHeight, lane = (218 - top0) / 2, top1 = top0 + lane;
    auto waveInLane = [&](int top) {
        int n = 0;
        for (int y = top + 5; y < top + lane - 5; ++y) {
            QColor c = img.pixelColor(700, y);
            if (c.green() > 100) ++n;
        }
        return n;
    };
    EXPECT_GT(waveInLane(top0), 20);
    EXPECT_GT(waveInLane(top1), 20);
    // The selected channel carries its mark, the other does not.
    EXPECT_EQ(img.pixelColor(1, top0 + 10), QColor(90, 170, 255));
    EXPECT_NE(img.pixelColor(1, top1 + 10), QColor(90, 170, 255));
    // The region's edge in its colour.
    EXPECT_EQ(img.pixelColor(200, top0 + 3), QColor(255, 0, 0));
    // Zoomed in, the same region spans more pixels.
    std::int64_t a = 88200, b = 176400;
    e.ZoomToRange(a, b);
    EXPECT_EQ(view->XOf(132300, kWidth), 500);
    Settle(QSize(kWidth, 218));
    // On screen the waveform is kept between paints: a zoom, which raises no event, still
    // shows, and so does a channel chosen and a region moved from code.
    view->resize(kWidth, 218);
    auto screen = [&] { return view->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    EXPECT_EQ(screen(), view->RenderImage(QSize(kWidth, 218)));
    e.ZoomFull();
    e.Channels().SetCurrent(2);
    e.Channels().SetSelected(true);
    e.Regions().SetCurrent(1);
    e.Regions().SetStart(1000);
    const QImage after = screen();
    EXPECT_EQ(after, view->RenderImage(QSize(kWidth, 218)));
    EXPECT_NE(after, img);
    EXPECT_EQ(view->SampleAt(250, kWidth), 110250);
}

// The ruler's upper row is the time labels' alone: flags anywhere, even over a label's place,
// leave it as it is without them; a marker at the very end of the audio still shows its flag.
TEST_F(ViewFixture, MarkerFlagsLeaveTheTimeLabelsAndStayOnScreen) {
    const QSize size(kWidth, 218);
    const auto timeRow = [&] { return view->RenderImage(size).copy(0, 0, kWidth, WaveformView::kTimeRowHeight); };
    const QImage bare = timeRow();
    // Ticks of the ruler at whole seconds (100 pixels apart): labels are drawn.
    int lit = 0;
    for (int x = 0; x < kWidth; ++x) lit += bare.pixelColor(x, WaveformView::kTimeRowHeight / 2).lightness() > 120;
    EXPECT_GT(lit, 20);

    const std::int64_t end = e.Length();
    struct Flag {
        std::int64_t start, length;
        const char* name;
        std::int32_t colour; // 0x00BBGGRR
    };
    for (const Flag& f : {Flag{44100, 0, "Intro", 0x00FFFF}, Flag{88100, 44100, "Hook", 0x00FF00},
                          Flag{220500, 88200, "Loop", 0xFF0000}, Flag{end, 0, "Extro", 0x0000FF}})
        e.Regions().Add(f.start, f.length, f.name, "1", f.name, f.colour);
    EXPECT_EQ(timeRow(), bare);

    // The extro's flag, red, in the lower row at the right edge.
    const QImage img = view->RenderImage(size);
    int red = 0;
    for (int x = kWidth - 60; x < kWidth; ++x)
        for (int y = WaveformView::kTimeRowHeight + 1; y < WaveformView::kRulerHeight - 3; ++y)
            red += img.pixelColor(x, y) == QColor(255, 0, 0);
    EXPECT_GT(red, 100);
    EXPECT_EQ(img.pixelColor(kWidth - 1, WaveformView::kRulerHeight + 40), QColor(255, 0, 0)) << "its line";
}

// A new empty stereo document shows its two channels and nothing in them, as loaded stereo
// does: one parting between the lanes, no zero lines.
TEST_F(ViewFixture, AnEmptyStereoDocumentDrawsTwoChannels) {
    e.NewDocument(44100, 2);
    const QImage img = view->RenderImage(QSize(kWidth, 218));
    const QColor lane = img.pixelColor(kWidth / 2, WaveformView::kRulerHeight + 5);
    int breaks = 0;
    bool inBreak = false;
    for (int y = WaveformView::kRulerHeight; y < 218; ++y) {
        const bool other = img.pixelColor(kWidth / 2, y) != lane;
        if (other && !inBreak) ++breaks;
        inBreak = other;
    }
    EXPECT_EQ(breaks, 1);
    // Loaded, past the end of the audio a lane is as empty.
    e.OpenAudio(dir / "a.wav");
    std::int64_t a = 0, b = 2 * e.Length();
    e.ZoomToRange(a, b);
    Settle(QSize(kWidth, 218));
    const QImage loaded = view->RenderImage(QSize(kWidth, 218));
    const int mid = WaveformView::kRulerHeight + (218 - WaveformView::kRulerHeight) / 4;
    EXPECT_EQ(loaded.pixelColor(kWidth * 3 / 4, mid), loaded.pixelColor(kWidth * 3 / 4, mid + 20));
}

// Samples the tests below paint: noise, so that a picture drawn from the summaries and one
// drawn from the samples differ wherever the view is close in.
struct BackgroundReadFixture : ::testing::Test {
    TempDir dir{"viewread"};
    std::string path = dir / "noise.wav";
    AudioEditor e;
    std::unique_ptr<WaveformView> view;
    static constexpr int kWidth = 1000, kHeight = 218;
    static constexpr std::int64_t kFrames = 3 * kFileBlockFrames + 12345;

    void SetUp() override {
        App();
        e.SetTemporaryFolder((dir / "tmp"));
        std::vector<std::vector<float>> planes(2, std::vector<float>(static_cast<std::size_t>(kFrames)));
        std::uint32_t seed = 7;
        for (auto& pl : planes)
            for (auto& v : pl) {
                seed = seed * 1664525u + 1013904223u;
                v = (static_cast<float>(seed >> 8) / 16777216.0f - 0.5f) * 1.5f;
            }
        audiotest::WriteBytes(path, audiotest::WavBytes(planes, 44100));
        Open();
    }
    // Every open makes new blocks, none of them in memory yet.
    void Open() {
        e.OpenAudio(path);
        view = std::make_unique<WaveformView>(e);
        view->resize(kWidth, kHeight);
    }
    void WaitForReads() {
        for (int i = 0; i < 5000 && !e.BackgroundReads().Idle(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    QImage Paint() { return view->RenderImage(QSize(kWidth, kHeight)); }
    // Paints and waits for the samples until the picture is complete.
    QImage Refined() {
        QImage img;
        for (int i = 0; i < 20; ++i) {
            img = Paint();
            if (view->Complete()) break;
            WaitForReads();
        }
        EXPECT_TRUE(view->Complete());
        return img;
    }
    void Zoom(std::int64_t a, std::int64_t b) { e.ZoomToRange(a, b); }
    // The columns of every channel as drawn without waiting, and as drawn from the samples.
    void ExpectColumnsFromTheSamples() {
        const auto [a, b] = view->VisibleRange();
        const double spp = static_cast<double>(b - a) / kWidth;
        for (const auto& t : e.CurrentTracks()) {
            std::vector<float> mins(kWidth), maxs(kWidth), dmins(kWidth), dmaxs(kWidth);
            std::vector<SampleRequest> wanted;
            WaveformColumns(*t, static_cast<double>(a), spp, kWidth, mins.data(), maxs.data(), &wanted);
            EXPECT_TRUE(wanted.empty());
            WaveformColumns(*t, static_cast<double>(a), spp, kWidth, dmins.data(), dmaxs.data());
            EXPECT_EQ(mins, dmins);
            EXPECT_EQ(maxs, dmaxs);
        }
    }
    bool FileIsOpen() const {
        for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            auto target = std::filesystem::read_symlink(fd.path(), ec);
            if (!ec && target.string().rfind(path, 0) == 0) return true;
        }
        return false;
    }
};

// Close in (whole blocks read) and far out across the edges of edited pieces (only the
// edges' samples read): the first paint draws at once from the summaries, and the picture
// once the samples have come is the one drawn from the samples themselves.
TEST_F(BackgroundReadFixture, TheRefinedPictureIsTheOneDrawnFromTheSamples) {
    struct Case {
        const char* what;
        std::int64_t a, b;
        bool edit;
    } cases[] = {
        {"close in", 2000000, 2020000, false},
        {"close in across a block's end", kFileBlockFrames - 7000, kFileBlockFrames + 9000, false},
        {"far out over edited pieces", 0, kFrames, true},
        {"a piece's edge inside a window", 990000, 1500000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Open();
        if (c.edit) {
            e.View().SetSelectionShown(true);
            e.View().SetSelectionStart(1000003);
            e.View().SetSelectionEnd(1200077);
            e.Processing().Reverse();
            e.View().SetSelectionStart(2000013);
            e.View().SetSelectionEnd(2100031);
            e.Processing().Amplify(70);
            e.View().SetSelectionStart(1300001);
            e.View().SetSelectionEnd(1300301);
            e.Cut();
            e.View().SetSelectionShown(false);
        }
        Zoom(c.a, c.b);
        const QImage first = Paint();
        EXPECT_FALSE(view->Complete()) << "the first paint had samples it could only have waited for";
        const QImage refined = Refined();
        if (!c.edit) {
            EXPECT_NE(first, refined);
        }
        ExpectColumnsFromTheSamples();
        // A new view over the same, now read, samples draws the same picture.
        WaveformView again(e);
        again.resize(kWidth, kHeight);
        EXPECT_EQ(again.RenderImage(QSize(kWidth, kHeight)), refined);
        EXPECT_TRUE(again.Complete());
    }
}

// On screen the timer notices that the samples have come and paints the picture again.
TEST_F(BackgroundReadFixture, TheWindowShowsTheSamplesOnceTheyHaveCome) {
    Zoom(2000000, 2020000);
    const auto screen = [&] { return view->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    const QImage first = screen();
    EXPECT_FALSE(view->Complete());
    WaitForReads();
    QElapsedTimer clock;
    clock.start();
    QImage now = screen();
    while (now == first && clock.elapsed() < 2000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        now = screen();
    }
    EXPECT_TRUE(view->Complete());
    EXPECT_EQ(now, Refined());
}

// With no room in memory every block read is gone again before the next paint: the view
// gives up after a few rounds instead of reading for ever, and keeps the summaries' picture.
TEST_F(BackgroundReadFixture, WithNoRoomForSamplesTheViewStopsReading) {
    const std::size_t budget = BlockCache::Instance().Budget();
    BlockCache::Instance().SetBudget(0);
    Zoom(2000000, 2020000);
    for (int i = 0; i < 10; ++i) {
        Paint();
        WaitForReads();
    }
    const auto done = e.BackgroundReads().Completed();
    for (int i = 0; i < 5; ++i) {
        Paint();
        WaitForReads();
    }
    EXPECT_EQ(e.BackgroundReads().Completed(), done);
    EXPECT_FALSE(view->Complete());
    BlockCache::Instance().SetBudget(budget);
}

// Closing, or opening another file, while reads are under way: they end before the close
// returns, nothing is read after it, and the file is no longer open.
TEST_F(BackgroundReadFixture, ReadsInFlightEndWhenTheDocumentCloses) {
    int inFlight = 0;
    for (int delayUs : {0, 300, 1000, 3000}) {
        SCOPED_TRACE(delayUs);
        Open();
        Zoom(kFileBlockFrames + 500, kFileBlockFrames + 30000); // a block and its neighbours
        Paint();
        inFlight += !e.BackgroundReads().Idle();
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
        e.CloseDocument();
        EXPECT_TRUE(e.BackgroundReads().Idle());
        const auto done = e.BackgroundReads().Completed();
        EXPECT_FALSE(FileIsOpen());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(e.BackgroundReads().Completed(), done);
        // The view draws the empty editor; nothing stale remains.
        const QImage empty = Paint();
        EXPECT_TRUE(view->Complete());
        EXPECT_EQ(empty.pixelColor(kWidth / 2, kHeight / 2), QColor(18, 22, 28));
    }
    EXPECT_GT(inFlight, 0);
}

// 200 scroll steps a second while another program truncates the file and then removes it:
// no crash, and at the end the picture is the one drawn from the document's samples.
TEST_F(BackgroundReadFixture, ScrollingFastWhileTheFileShrinksAndVanishes) {
    const std::int64_t span = 40000;
    std::int64_t at = 100000;
    for (int i = 0; i < 200; ++i) {
        Zoom(at, at + span);
        Paint();
        at += span / 3;
        if (i == 60) {
            // By another program: ours would be our own lease's breaker.
            ASSERT_EQ(std::system(("dd if=/dev/null of='" + path + "' bs=1 seek=3000000 status=none").c_str()), 0);
        }
        if (i == 120) std::filesystem::remove(path);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    Refined();
    ExpectColumnsFromTheSamples();
    e.CloseDocument();
    EXPECT_TRUE(e.BackgroundReads().Idle());
}

// A card on its own thread, in real time: the view's timer brings the events to this thread,
// more than 20 times a second, and the stopped event at the end.
TEST_F(ViewFixture, TransportEventsArriveOnTheWindowThread) {
    auto out = std::make_shared<FakeAudioDevice>(441);
    out->SetFreeRunning(1.0);
    ScopedDeviceFactory factory([&](DeviceDirection, int) -> std::shared_ptr<AudioDevice> { return out; });
    const auto self = std::this_thread::get_id();
    int positions = 0, levels = 0, stopped = 0, elsewhere = 0;
    e.PositionChanged.Connect([&] { ++positions, elsewhere += std::this_thread::get_id() != self; });
    e.Levels.Connect([&](int, int) { ++levels, elsewhere += std::this_thread::get_id() != self; });
    e.Stopped.Connect([&] { ++stopped, elsewhere += std::this_thread::get_id() != self; });
    e.View().SetSelectionShown(true);
    e.View().SetSelectionStart(0);
    e.View().SetSelectionEnd(22050); // half a second
    e.Play(1);
    QElapsedTimer clock;
    clock.start();
    while (stopped == 0 && clock.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(stopped, 1);
    EXPECT_GE(positions, 10); // 0.5 s at 20 a second or more
    EXPECT_GE(levels, 10);
    EXPECT_EQ(elsewhere, 0);
    EXPECT_EQ(e.View().Position(), 22050);
}

// 10 s in a 1000-pixel view: a column is 441 samples.
TEST_F(ViewFixture, CursorKeysMoveTheCursorAndShiftExtendsTheSelection) {
    auto& v = e.View();
    auto press = [&](Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent ev(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(view.get(), &ev);
    };
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        std::int64_t position, selStart, selEnd; // selEnd == selStart: none shown
    };
    const Step steps[] = {
        {Qt::Key_Right, Qt::NoModifier, 441, 441, 441},
        {Qt::Key_Right, Qt::ShiftModifier, 882, 441, 882},
        {Qt::Key_Right, Qt::ShiftModifier, 1323, 441, 1323},
        {Qt::Key_Left, Qt::ShiftModifier, 882, 441, 882},
        {Qt::Key_Left, Qt::ShiftModifier, 441, 441, 441},
        {Qt::Key_Left, Qt::ShiftModifier, 0, 0, 441},
        {Qt::Key_Left, Qt::NoModifier, 0, 0, 0},
        {Qt::Key_End, Qt::ShiftModifier, 441000, 0, 441000},
        {Qt::Key_Home, Qt::NoModifier, 0, 0, 0},
        {Qt::Key_End, Qt::NoModifier, 441000, 441000, 441000},
        {Qt::Key_Right, Qt::NoModifier, 441000, 441000, 441000},
    };
    for (const Step& s : steps) {
        press(s.key, s.mods);
        EXPECT_EQ(v.Position(), s.position) << s.key;
        EXPECT_EQ(v.SelectionStart(), s.selStart) << s.key;
        EXPECT_EQ(v.SelectionEnd(), s.selEnd) << s.key;
        EXPECT_EQ(v.SelectionShown(), s.selStart != s.selEnd) << s.key;
    }
    // A zoomed view follows the cursor.
    std::int64_t a = 100000, b = 144100;
    e.ZoomToRange(a, b);
    press(Qt::Key_End);
    EXPECT_EQ(std::make_pair(v.VisibleStart(), v.VisibleEnd()), std::make_pair(std::int64_t{396900}, std::int64_t{441000}));
    press(Qt::Key_Home);
    EXPECT_EQ(std::make_pair(v.VisibleStart(), v.VisibleEnd()), std::make_pair(std::int64_t{0}, std::int64_t{44100}));
}

// The control: the waveform over a scroll bar that is there while the view is zoomed.
struct ControlFixture : ::testing::Test {
    TempDir dir{"control"};
    std::unique_ptr<AudioEditorControl> c;

    void SetUp() override {
        App();
        c = std::make_unique<AudioEditorControl>(nullptr, "ctlEditor");
        c->SetTemporaryFolder(dir.path().string());
        audiotest::WriteToneWav(dir / "a.wav", 2, 441000); // 10 s
        c->OpenAudio(dir / "a.wav");
        c->resize(1000, 200);
        c->show();
    }
    // The view tells the control of a new range on its next tick.
    bool Until(const std::function<bool()>& condition) {
        QElapsedTimer clock;
        clock.start();
        while (!condition() && clock.elapsed() < 2000) QApplication::processEvents(QEventLoop::AllEvents, 10);
        return condition();
    }
    std::pair<std::int64_t, std::int64_t> Visible() const { return {c->View().VisibleStart(), c->View().VisibleEnd()}; }
    void Wheel(int notches, bool sideways = false) {
        const QPoint delta = sideways ? QPoint(120 * notches, 0) : QPoint(0, 120 * notches);
        QWheelEvent ev(QPointF(500, 100), QPointF(500, 100), QPoint(), delta, Qt::NoButton, Qt::NoModifier,
                       Qt::NoScrollPhase, false);
        QApplication::sendEvent(&c->Waveform(), &ev);
    }
};

TEST_F(ControlFixture, AZoomedViewScrollsByItsBarAndTheWheel) {
    QScrollBar& bar = c->ScrollBar();
    using Range = std::pair<std::int64_t, std::int64_t>;
    // The whole document: no bar, and the wheel leaves the view alone.
    QElapsedTimer ticks;
    ticks.start();
    while (ticks.elapsed() < 60) QApplication::processEvents(QEventLoop::AllEvents, 10); // the view's ticks
    EXPECT_FALSE(bar.isVisible());
    EXPECT_EQ(c->Waveform().height(), 200);
    Wheel(-1);
    EXPECT_EQ(Visible(), Range(0, 441000));

    std::int64_t a = 44100, b = 88200; // one second of ten
    c->ZoomToRange(a, b);
    ASSERT_TRUE(Until([&] { return bar.isVisible(); }));
    EXPECT_EQ(c->Waveform().height() + bar.height(), 200) << "the bar takes its room under the waveform";
    EXPECT_EQ(bar.maximum(), 441000 - 44100);
    EXPECT_EQ(bar.pageStep(), 44100);
    EXPECT_EQ(bar.value(), 44100);

    // A notch moves an eighth of the view: towards the end when turned down or to the right.
    struct Turn {
        int notches;
        bool sideways;
        Range want;
    };
    for (const Turn& t : {Turn{-1, false, {49613, 93713}}, Turn{2, false, {38588, 82688}}, Turn{-1, true, {44101, 88201}},
                          Turn{-100, false, {396900, 441000}}, Turn{100, false, {0, 44100}}}) {
        Wheel(t.notches, t.sideways);
        EXPECT_EQ(Visible(), t.want) << t.notches;
        EXPECT_TRUE(Until([&] { return bar.value() == static_cast<int>(Visible().first); })) << "the bar follows";
    }
    // Dragging the bar moves the view, its width kept, the last step reaching the end.
    bar.setValue(200000);
    EXPECT_EQ(Visible(), Range(200000, 244100));
    bar.setValue(bar.maximum());
    EXPECT_EQ(Visible(), Range(396900, 441000));

    c->ZoomFull();
    EXPECT_TRUE(Until([&] { return !bar.isVisible(); }));
    EXPECT_EQ(c->Waveform().height(), 200);
}

TEST(LevelMeterTest, LevelIsClampedAndDrawn) {
    App();
    LevelMeter m;
    m.resize(10, 100);
    for (auto [in, out] : {std::pair{-5, 0}, {50, 50}, {100, 100}, {250, 100}}) {
        m.SetLevel(in);
        EXPECT_EQ(m.Level(), out);
    }
    m.SetLevel(50);
    QImage img(m.size(), QImage::Format_RGB32);
    m.render(&img);
    EXPECT_EQ(img.pixelColor(5, 95), QColor(40, 200, 60)); // lit at the bottom
    EXPECT_EQ(img.pixelColor(5, 5), QColor(24, 24, 24));   // dark above the level
}

} // namespace
