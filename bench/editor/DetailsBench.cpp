// The editor window's details side on an hour-long document, offscreen: a keystroke in a
// detail field (the key event through the box and the window's handlers) against the same
// key in a bare Qt box, and a Set press (the box writes and the one region update of the
// marker regions, then the repaint it causes) against the region update alone. Figures are
// the median and the worst of many.
#include "BenchReport.h"
#include "editor/document/frmLumoEdit.h"
#include "editor/shell/LumoEdit_FN.h"
#include "editor/shell/frmMain.h"
#include "platform/devices/Devices.h"
#include "shared/helpers/Utility.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace lumoedit;

namespace {

void Put32(std::string& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// An hour of 44.1 kHz 16-bit stereo silence; the data is a hole in the file.
void WriteHour(const std::string& path) {
    const std::uint32_t data = 3600u * 44100u * 4u;
    std::string h = "RIFF";
    Put32(h, 36 + data);
    h += "WAVEfmt ";
    Put32(h, 16);
    h += std::string("\x01\x00\x02\x00", 4);
    Put32(h, 44100);
    Put32(h, 44100 * 4);
    h += std::string("\x04\x00\x10\x00", 4);
    h += "data";
    Put32(h, data);
    std::ofstream(path, std::ios::binary).write(h.data(), static_cast<std::streamsize>(h.size()));
    if (::truncate(path.c_str(), static_cast<off_t>(h.size() + data)) != 0) std::perror("truncate");
}

struct Figures {
    double median, worst;
};

Figures Summary(std::vector<double> t) {
    std::sort(t.begin(), t.end());
    return {t[t.size() / 2] * 1000.0, t.back() * 1000.0};
}

// One typed character: press and release, as the keyboard delivers them.
void Type(QWidget* box, QChar c) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString(c));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QString(c));
    QApplication::sendEvent(box, &press);
    QApplication::sendEvent(box, &release);
}

Figures Keys(QWidget* box, int n) {
    std::vector<double> t;
    for (int i = 0; i < n; ++i) {
        const QChar c(static_cast<char16_t>('a' + i % 26));
        t.push_back(bench::Seconds([&] { Type(box, c); }));
        if (i % 200 == 199) QApplication::processEvents();
    }
    return Summary(t);
}

// The window's own share of a keystroke: the handlers a changed text runs (cleaning, storing,
// marking the edit), raised as the box raises them.
template <typename Box>
Figures Handlers(Box* box, int n) {
    std::vector<double> t;
    for (int i = 0; i < n; ++i) t.push_back(bench::Seconds([&] { emit box->Change(); }));
    return Summary(t);
}

std::string Load() {
    std::ifstream in("/proc/loadavg");
    std::string a;
    in >> a;
    return a;
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QTemporaryDir home(QString::fromStdString(bench::ScratchFolder("details")) + "/XXXXXX");
    const std::string folder = home.path().toStdString();
    setenv("BREVANT_REGISTRY_DIR", (folder + "/registry").c_str(), 1);
    setenv("BREVANT_DRIVE_MAP", (folder + "/drives.map").c_str(), 1);
    QDir().mkpath(QString::fromStdString(folder + "/registry"));
    QDir().mkpath(QString::fromStdString(folder + "/temp"));
    platform::devices::SetFakeDevices(platform::devices::ParseDeviceList("out 0x0FFF Speakers;in 0x0FFF Line in"));
    helpers::Utility().SetApplication({"LumoEdit", folder, ""});
    InitialiseApplication();
    AudioSettings().EditorTemporaryDirectory = folder + "/temp/";
    InstallEditorWindow();
    std::printf("load before: %s\n", Load().c_str());
    {
        frmMain main;
        main.Load();
        main.Move(0, 0, 24000, 15000);
        QApplication::processEvents();
        auto* editor = dynamic_cast<frmLumoEdit*>(main.Editor());
        if (!editor) return 1;
        const std::string hour = folder + "/hour.wav";
        WriteHour(hour);
        if (!editor->OpenFile(hour)) {
            editor->ClearDetails(2);
            editor->cAudioInformation->LoadFromWAVFile(hour, 3);
            int flags = 0;
            if (!editor->SetupEditor(flags)) return 1;
            editor->HideProgress();
        }
        editor->chkLoop->SetValue(1);
        QApplication::processEvents();

        // Keystrokes: a one-line field, a tag field, and the notes holding 20,000 characters
        // in lines of 80.
        std::string notes;
        while (notes.size() < 20000) notes += std::string(79, 'n') + "\n";
        editor->txtNotes->SetText(notes);
        QLineEdit bareLine;
        QPlainTextEdit bareArea;
        bareArea.setPlainText(QString::fromStdString(notes));
        const int n = 3000;
        struct Field {
            const char* name;
            QWidget* ours;
            QWidget* peer;
        };
        for (const Field& f : {Field{"title", editor->txtDescription[1], &bareLine},
                               Field{"composer", editor->txtComposer, &bareLine},
                               Field{"notes_20k", editor->txtNotes, &bareArea}}) {
            if (auto* t = qobject_cast<QLineEdit*>(f.ours)) t->clear();
            editor->txtDescription[1]->SetMaxLength(0); // keep typing past the title's limit
            bareLine.clear();
            const Figures ours = Keys(f.ours, n);
            const Figures peer = Keys(f.peer, n);
            bench::Report(std::string("details_keystroke_") + f.name + "_median", ours.median, "ms", "qt-bare",
                          peer.median);
            bench::Report(std::string("details_keystroke_") + f.name + "_worst", ours.worst, "ms", "qt-bare",
                          peer.worst);
            const Figures own = qobject_cast<platform::ui::TextArea*>(f.ours)
                                    ? Handlers(static_cast<platform::ui::TextArea*>(f.ours), n)
                                    : Handlers(static_cast<platform::ui::TextBox*>(f.ours), n);
            bench::Report(std::string("details_keystroke_") + f.name + "_window_side_median", own.median, "ms");
            bench::Report(std::string("details_keystroke_") + f.name + "_window_side_worst", own.worst, "ms");
        }

        // Set presses with a selection on the hour: both boxes written, then the regions once,
        // then the repaint that follows. The peer is the repaint of the same selection change
        // without a press: what the view costs anyway.
        auto& view = editor->ctlEditor->View();
        std::vector<double> press, painted, direct;
        for (int i = 0; i < 300; ++i) {
            const double at = 60.0 + i * 11.0;
            view.SetSelectionStart(view.MsToSamples(at * 1000));
            view.SetSelectionEnd(view.MsToSamples((at + 7.5) * 1000));
            platform::ui::CommandButton* b = i % 2 ? editor->cmdSetLoopStart : editor->cmdSetIntroStart;
            press.push_back(bench::Seconds([&] { emit b->Click(); }));
            view.SetSelectionStart(view.MsToSamples((at + 3) * 1000));
            painted.push_back(bench::Seconds([&] {
                emit b->Click();
                editor->ctlEditor->repaint();
            }));
            view.SetSelectionStart(view.MsToSamples((at + 2) * 1000));
            direct.push_back(bench::Seconds([&] { editor->ctlEditor->repaint(); }));
        }
        const Figures p = Summary(press), q = Summary(painted), r = Summary(direct);
        bench::Report("details_set_press_hour_median", p.median, "ms");
        bench::Report("details_set_press_hour_worst", p.worst, "ms");
        bench::Report("details_set_press_repaint_hour_median", q.median, "ms", "repaint-without-press", r.median);
        bench::Report("details_set_press_repaint_hour_worst", q.worst, "ms", "repaint-without-press", r.worst);
        editor->bEdited_ = false;
        main.Unload();
    }
    SetEditorWindowFactory({});
    std::printf("load after: %s\n", Load().c_str());
    return 0;
}
