// The editor window's audio side on an hour of stereo 44.1 kHz audio, offscreen with the
// fake sound card: effects through the window against the component alone, undo and redo of
// a cut with the marker update, memory over 50 edits, the window's share of each position
// event while playing, a region and a selection drag, and painted zoom steps at 1920 px.
#include "BenchReport.h"

#include "editor/audio/frmLumoEditTransform.h"
#include "editor/document/frmLumoEdit.h"
#include "editor/shell/LumoEdit_FN.h"
#include "editor/shell/frmMain.h"
#include "platform/audio/FakeAudioDevice.h"
#include "platform/audio/Transport.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/CommonDialog.h"
#include "platform/ui/Handlers.h"
#include "shared/helpers/TimeFormat.h"

#include <QApplication>
#include <QMouseEvent>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace platform::audio;
using lumoedit::frmLumoEdit;
using lumoedit::frmLumoEditTransform;
using Clock = std::chrono::steady_clock;
using platform::ui::ScopedFlag;

namespace {

constexpr int kRate = 44100;
constexpr std::int64_t kHour = 3600LL * kRate;

void Put(std::ofstream& f, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) f.put(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// An hour of stereo 16-bit audio: two tones under a slow swell.
void WriteHour(const std::string& path) {
    std::ofstream f(path, std::ios::binary);
    const auto bytes = static_cast<std::uint32_t>(kHour * 4);
    f.write("RIFF", 4);
    Put(f, 36 + bytes, 4);
    f.write("WAVEfmt ", 8);
    Put(f, 16, 4);
    Put(f, 1, 2);
    Put(f, 2, 2);
    Put(f, kRate, 4);
    Put(f, kRate * 4, 4);
    Put(f, 4, 2);
    Put(f, 16, 2);
    f.write("data", 4);
    Put(f, bytes, 4);
    std::vector<std::int16_t> buf(static_cast<std::size_t>(kRate) * 2);
    for (std::int64_t s = 0; s < 3600; ++s) {
        const double level = 0.3 + 0.2 * std::sin(static_cast<double>(s) * 0.01);
        for (int i = 0; i < kRate; ++i) {
            const double t = static_cast<double>(s * kRate + i) / kRate;
            buf[static_cast<std::size_t>(2 * i)] = static_cast<std::int16_t>(32767 * level * std::sin(2 * M_PI * 440 * t));
            buf[static_cast<std::size_t>(2 * i + 1)] =
                static_cast<std::int16_t>(32767 * level * std::sin(2 * M_PI * 554 * t));
        }
        f.write(reinterpret_cast<const char*>(buf.data()), static_cast<std::streamsize>(buf.size() * 2));
    }
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(std::ceil(p * static_cast<double>(v.size()))) - 1;
    return v[std::min(i, v.size() - 1)];
}

double Mean(const std::vector<double>& v) {
    double s = 0;
    for (double x : v) s += x;
    return v.empty() ? 0 : s / static_cast<double>(v.size());
}

void SelectAll(AudioEditor& e) {
    e.View().SetSelectionShown(true);
    e.View().SetSelectionStart(0);
    e.View().SetSelectionEnd(e.Length());
}

// The next transform dialog is confirmed as shown.
void ConfirmNextDialog() {
    platform::ui::Form::ScriptModal([](platform::ui::Form& f) { dynamic_cast<frmLumoEditTransform&>(f).cmdOK_Click(); });
}

void Mouse(QWidget* w, QEvent::Type type, int x, int y, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent ev(type, QPointF(x, y), w->mapToGlobal(QPointF(x, y)), button, buttons, {});
    QApplication::sendEvent(w, &ev);
}

// Resident memory that is really held: the window painted as it stands, and what the heap
// has freed handed back first (freed blocks otherwise stay counted for a while).
std::int64_t Retained(frmLumoEdit* editor) {
    QApplication::processEvents();
    editor->ctlEditor->Waveform().repaint();
    ::malloc_trim(0);
    return bench::ResidentBytes();
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = bench::ScratchFolder("editor_audio");
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::filesystem::create_directories(dir + "/xdg");
    std::filesystem::permissions(dir + "/xdg", std::filesystem::perms::owner_all);
    ::setenv("XDG_RUNTIME_DIR", (dir + "/xdg").c_str(), 1);
    std::filesystem::create_directories(dir + "/registry");
    std::filesystem::create_directories(dir + "/c");
    ::setenv("BREVANT_REGISTRY_DIR", (dir + "/registry").c_str(), 1);
    {
        std::ofstream map(dir + "/drives.map");
        map << "C: fixed " << dir << "/c\n";
    }
    ::setenv("BREVANT_DRIVE_MAP", (dir + "/drives.map").c_str(), 1);
    QApplication app(argc, argv);

    const std::string hour = dir + "/hour.wav";
    WriteHour(hour);
    bench::RunPeer("cat '" + hour + "' > /dev/null");

    platform::ScopedScriptedMessageBoxes boxes;
    platform::ui::ScopedScriptedCommonDialogs dialogs;
    auto card = std::make_shared<FakeAudioDevice>(512);
    ScopedDeviceFactory factory([card](DeviceDirection, int) -> std::shared_ptr<AudioDevice> { return card; });
    helpers::cTimeFormat::SetPauseHandler([](double) {});
    lumoedit::InstallEditorWindow();
    lumoedit::AudioSettings().EditorTemporaryDirectory = dir + "/work/";
    auto main = std::make_unique<lumoedit::frmMain>();
    main->Load();
    main->Move(0, 0, 30000, 15000);
    QApplication::processEvents();
    auto* editor = dynamic_cast<frmLumoEdit*>(main->Editor());
    if (!editor) return 1;
    auto open = [&] {
        editor->bEdited_ = false;
        editor->ClearDetails(0);
        auto& item = *editor->cAudioInformation;
        item.AudioFileName = hour;
        item.TotalLength = item.AudioEnd = 3600;
        item.SetIntroStart(60);
        item.SetIntroEnd(120);
        item.SetExtro(3500);
        item.HookStart = 600;
        item.HookEnd = 630;
        int flags = 0;
        editor->SetupEditor(flags);
    };
    open();
    AudioEditor& ed = *editor->ctlEditor;

    // ---- effects: through the window (dialog, events, markers) against the component alone
    AudioEditor alone;
    alone.SetTemporaryFolder(dir + "/work-alone/");
    alone.OpenAudio(hour);
    struct Effect {
        const char* name;
        std::function<void()> window;
        std::function<void()> component;
    };
    const Effect effects[] = {
        {"normalise", [&] { ConfirmNextDialog(); editor->ProcessAudioButton("normalise"); },
         [&] { alone.Processing().Normalise(100, false); }},
        {"amplify", [&] { ConfirmNextDialog(); editor->ProcessAudioButton("amplify"); },
         [&] {
             alone.Processing().SetTransformOption(false);
             alone.Processing().Amplify(100);
             alone.Processing().SetTransformOption(true);
         }},
        {"reverse", [&] { editor->ProcessAudioButton("reverse"); }, [&] { alone.Processing().Reverse(); }},
    };
    // The component renders an effect's samples when they are read (a save, playing, the view),
    // so each side is timed for the effect and one read of every sample it gave; the window's own
    // share (dialog, events, marker update) is reported on its own as well.
    auto readAll = [](AudioEditor& e) {
        std::vector<float> buf(1 << 20);
        double sum = 0;
        for (int c = 0; c < e.ChannelCount(); ++c)
            for (std::int64_t at = 0; at < e.Length(); at += static_cast<std::int64_t>(buf.size())) {
                const std::int64_t n = std::min<std::int64_t>(static_cast<std::int64_t>(buf.size()), e.Length() - at);
                e.ReadSamples(c, at, n, buf.data());
                sum += buf[0];
            }
        return sum;
    };
    for (const Effect& e : effects) {
        double ours = 1e9, peer = 1e9, oursCall = 1e9, peerCall = 1e9;
        for (int run = 0; run < 2; ++run) {
            SelectAll(alone);
            peer = std::min(peer, bench::Seconds([&] {
                peerCall = std::min(peerCall, bench::Seconds(e.component));
                readAll(alone);
            }));
            alone.Undo();
            SelectAll(ed);
            ours = std::min(ours, bench::Seconds([&] {
                oursCall = std::min(oursCall, bench::Seconds(e.window));
                readAll(ed);
            }));
            editor->AudioUndo();
        }
        bench::Report(std::string("window_") + e.name + "_hour", ours, "s", std::string("component:") + e.name, peer);
        bench::Report(std::string("window_") + e.name + "_call_overhead", (oursCall - peerCall) * 1000, "ms");
    }

    // ---- undo and redo of a cut of 10 s, with the marker update
    {
        std::vector<double> undo, redo;
        for (int i = 0; i < 10; ++i) {
            ed.View().SetSelectionShown(true);
            ed.View().SetSelectionStart(kHour / 2 + i * kRate);
            ed.View().SetSelectionEnd(kHour / 2 + i * kRate + 10 * kRate);
            editor->AudioCut();
            auto t0 = Clock::now();
            editor->AudioUndo();
            undo.push_back(Ms(Clock::now() - t0));
            t0 = Clock::now();
            editor->AudioRedo();
            redo.push_back(Ms(Clock::now() - t0));
            editor->AudioUndo();
        }
        bench::Report("window_undo_cut_hour_worst", *std::max_element(undo.begin(), undo.end()), "ms");
        bench::Report("window_redo_cut_hour_worst", *std::max_element(redo.begin(), redo.end()), "ms");
    }

    // ---- a cut of 10 s before all seven markers (the loop on), so every region moves: the
    // window's side of it, its region events and marker update included, against the same cut
    // on the component alone with the same four regions; undo and redo the same
    {
        open();
        {
            ScopedFlag loading(editor->bLoadingInfo);
            editor->chkLoop->SetValue(1);
        }
        auto& item = *editor->cAudioInformation;
        item.LoopStart = 1800;
        item.LoopEnd = 1830;
        int flags = 0;
        editor->SetupEditor(flags);
        bool apply = true;
        editor->UpdateMarkerFields(apply);
        AudioEditor bare;
        bare.SetTemporaryFolder(dir + "/work-markers/");
        bare.OpenAudio(hour);
        for (int i = 1; i <= ed.Regions().Count(); ++i) {
            const Region& r = ed.Regions().At(i);
            bare.Regions().Add(r.start, r.length, r.name, r.tag, r.caption);
        }
        std::vector<double> cut, undo, redo, cutAlone, undoAlone, redoAlone;
        auto select = [](AudioEditor& e, int i) {
            e.View().SetSelectionShown(true);
            e.View().SetSelectionStart((10 + i) * kRate);
            e.View().SetSelectionEnd((20 + i) * kRate);
        };
        auto time = [](const std::function<void()>& f) {
            const auto t0 = Clock::now();
            f();
            return Ms(Clock::now() - t0);
        };
        // The window's handling of the cut's own events: from its first event (the selection it
        // leaves) to the end of the audio-changed event, the region events between.
        Clock::time_point first{}, last{};
        bool timing = false;
        ed.SelectionChanged.Connect([&] {
            if (timing && first == Clock::time_point{}) first = Clock::now();
        });
        ed.AudioChanged.Connect([&] {
            if (timing) last = Clock::now();
        });
        std::vector<double> events;
        for (int i = 0; i < 30; ++i) {
            select(ed, i);
            // The selection is drawn first: the panel's refresh then paints the panel, not it.
            QApplication::processEvents();
            editor->ctlEditor->Waveform().repaint();
            first = last = {};
            timing = true;
            cut.push_back(time([&] { editor->AudioCut(); }));
            timing = false;
            events.push_back(Ms(last - first));
            undo.push_back(time([&] { editor->AudioUndo(); }));
            redo.push_back(time([&] { editor->AudioRedo(); }));
            editor->AudioUndo();
            select(bare, i);
            cutAlone.push_back(time([&] { bare.Cut(); }));
            undoAlone.push_back(time([&] { bare.Undo(); }));
            redoAlone.push_back(time([&] { bare.Redo(); }));
            bare.Undo();
        }
        if (std::abs(item.IntroStart() - 60) > 0.01 || std::abs(item.Extro() - 3500) > 0.01 ||
            std::abs(item.LoopStart - 1800) > 0.01)
            std::fprintf(stderr, "the markers did not come back\n");
        auto share = [](const std::vector<double>& ours, const std::vector<double>& component) {
            std::vector<double> d;
            for (std::size_t i = 0; i < ours.size(); ++i) d.push_back(std::max(0.0, ours[i] - component[i]));
            return d;
        };
        bench::ReportRuns("window_cut_hour_seven_markers", cut, "ms", "component:cut", cutAlone);
        bench::ReportRuns("window_cut_hour_seven_markers_window_share", share(cut, cutAlone), "ms");
        bench::ReportRuns("window_cut_hour_seven_markers_region_events_and_marker_update", events, "ms");
        bench::ReportRuns("window_undo_cut_hour_seven_markers_window_share", share(undo, undoAlone), "ms");
        bench::ReportRuns("window_redo_cut_hour_seven_markers_window_share", share(redo, redoAlone), "ms");
    }

    // ---- memory over 50 edits (cuts, fades, copies and pastes of a few seconds here and there),
    // the same edits on the component alone beside it
    {
        open();
        AudioEditor bare;
        bare.SetTemporaryFolder(dir + "/work-bare/");
        bare.OpenAudio(hour);
        auto edit = [&](int i, bool window) {
            AudioEditor& target = window ? ed : bare;
            const std::int64_t at = (kHour / 60) * (i + 1);
            target.View().SetSelectionShown(true);
            target.View().SetSelectionStart(at);
            target.View().SetSelectionEnd(at + 2 * kRate);
            switch (i % 3) {
            case 0: window ? editor->AudioCut() : target.Cut(); break;
            case 1: window ? editor->ProcessAudioButton("fadein") : target.Processing().Fade(0, 100); break;
            default:
                if (window) {
                    editor->AudioCopy();
                    editor->AudioPaste();
                } else {
                    target.Copy();
                    target.Paste();
                }
                break;
            }
            QApplication::processEvents();
        };
        // Loaded samples are cached within a fixed budget for the whole process; the cache is
        // filled first, so what grows is what the edits keep.
        std::vector<float> warm(1 << 20);
        for (int i = 0; i < 200; ++i) {
            ed.ReadSamples(i % 2, kHour / 200 * i, static_cast<std::int64_t>(warm.size()), warm.data());
            bare.ReadSamples(i % 2, kHour / 200 * i, static_cast<std::int64_t>(warm.size()), warm.data());
        }
        for (bool window : {true, false}) {
            edit(0, window);
            const std::int64_t first = Retained(editor);
            for (int i = 1; i < 50; ++i) edit(i, window);
            const double grown = static_cast<double>(Retained(editor) - first) / 1048576.0;
            bench::Report(window ? "window_memory_after_50_edits" : "component_memory_after_50_edits", grown,
                          "MB_above_first");
        }
    }

    // ---- the window's share of each position event during an hour of fake-clock playback
    {
        open();
        ed.View().SetSelectionShown(false);
        ed.View().SetPosition(0);
        editor->cmdPlay_Click();
        std::vector<double> cost, whole;
        cost.reserve(40000);
        whole.reserve(40000);
        static int events = 0;
        ed.PositionChanged.Connect([] { ++events; });
        int step = 0;
        while (ed.State() == kStatePlaying) {
            card->AdvanceMs(100);
            // The whole event round (the component's pump, the view, the window, the meters) ...
            auto t0 = Clock::now();
            ed.Pump();
            whole.push_back(Ms(Clock::now() - t0));
            // ... and the window's handler alone, at a position whose text it has not shown yet.
            const double seconds = editor->SamplesToSeconds(ed.View().Position()) + 0.01 * (++step % 2 ? 1 : -1);
            t0 = Clock::now();
            editor->UpdatePlayPosition(static_cast<float>(seconds));
            cost.push_back(Ms(Clock::now() - t0));
        }
        bench::Report("window_position_event_mean", Mean(cost), "ms");
        bench::Report("window_position_event_p99", Percentile(cost, 0.99), "ms");
        bench::Report("position_event_round_with_component_p99", Percentile(whole, 0.99), "ms");
        bench::Report("window_position_events", events, "events");
    }

    // ---- drags on the hour: a region edge and a selection, one mouse move at a time
    {
        open();
        ed.ZoomFull();
        QWidget* view = &editor->ctlEditor->Waveform();
        view->resize(1920, 400);
        auto& wv = editor->ctlEditor->Waveform();
        const int x0 = wv.XOf(ed.Regions().At(1).start + ed.Regions().At(1).length, view->width());
        std::vector<double> region, select;
        Mouse(view, QEvent::MouseButtonPress, x0, 100, Qt::LeftButton);
        for (int i = 1; i <= 400; ++i) {
            const auto t0 = Clock::now();
            Mouse(view, QEvent::MouseMove, x0 + i, 100, Qt::LeftButton);
            region.push_back(Ms(Clock::now() - t0));
        }
        Mouse(view, QEvent::MouseButtonRelease, x0 + 400, 100, Qt::NoButton);
        Mouse(view, QEvent::MouseButtonPress, 900, 200, Qt::LeftButton);
        for (int i = 1; i <= 400; ++i) {
            const auto t0 = Clock::now();
            Mouse(view, QEvent::MouseMove, 900 + i * 2, 200, Qt::LeftButton);
            select.push_back(Ms(Clock::now() - t0));
        }
        Mouse(view, QEvent::MouseButtonRelease, 1700, 200, Qt::NoButton);
        bench::Report("window_region_drag_per_move_p95", Percentile(region, 0.95), "ms");
        bench::Report("window_region_drag_per_move_worst", *std::max_element(region.begin(), region.end()), "ms");
        bench::Report("window_selection_drag_per_move_p95", Percentile(select, 0.95), "ms");
        bench::Report("window_selection_drag_per_move_worst", *std::max_element(select.begin(), select.end()), "ms");
    }

    // ---- zoom steps, each painted at 1920 px: in 20 times, to the selection's start and end, out
    {
        open();
        ed.ZoomFull();
        ed.View().SetSelectionShown(true);
        ed.View().SetSelectionStart(kHour / 2 + 12345);
        ed.View().SetSelectionEnd(kHour / 2 + 60 * kRate);
        auto& wv = editor->ctlEditor->Waveform();
        std::vector<double> steps;
        auto step = [&](void (frmLumoEdit::*button)()) {
            const auto t0 = Clock::now();
            (editor->*button)();
            const QImage painted = wv.RenderImage(QSize(1920, 400));
            steps.push_back(Ms(Clock::now() - t0));
            if (painted.isNull()) std::fprintf(stderr, "no picture\n");
        };
        for (int i = 0; i < 20; ++i) step(&frmLumoEdit::cmdZoomIn_Click);
        step(&frmLumoEdit::cmdZoomSelectionStart_Click);
        step(&frmLumoEdit::cmdZoomSelectionEnd_Click);
        for (int i = 0; i < 20; ++i) step(&frmLumoEdit::cmdZoomOut_Click);
        step(&frmLumoEdit::cmdZoomFull_Click);
        bench::Report("window_zoom_step_painted_p95", Percentile(steps, 0.95), "ms");
        bench::Report("window_zoom_step_painted_worst", *std::max_element(steps.begin(), steps.end()), "ms");
    }

    editor->bEdited_ = false;
    main->Unload();
    main.reset();
    std::filesystem::remove_all(dir);
    return 0;
}
