// The program itself, run on a real X server by ScreenTest, with a script that acts once the
// main window shows: it reads where the windows and bars are, drives the mouse and keys
// through the X server (xdotool), and writes what it saw to a report, one fact a line.
//
//   screen_agent <report> edit|restart [program arguments...]
//
//   edit     maximises the main window with the window manager's key, then clicks the
//            waveform, drags a selection, presses Ctrl+X, End, Home and "." there
//   restart  reports the window's place and size and the number of screens, then closes it
//            from the window manager
#include "editor/app/Program.h"
#include "editor/document/frmLumoEdit.h"
#include "editor/shell/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QProcess>
#include <QScreen>
#include <QThread>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

std::ofstream g_report;

void Say(const std::string& line) { g_report << line << '\n' << std::flush; }

void SayRect(const std::string& name, const QRect& r) {
    Say(name + " " + std::to_string(r.x()) + " " + std::to_string(r.y()) + " " + std::to_string(r.width()) + " " +
        std::to_string(r.height()));
}

// Lets the program run until the condition holds; false after the time ran out.
bool WaitFor(const std::function<bool()>& condition, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

// Until the condition has held for a while (a window manager configures a window in steps).
bool WaitSteady(const std::function<QRect()>& value, int steadyMs, int milliseconds) {
    QElapsedTimer clock, steady;
    clock.start();
    steady.start();
    QRect last = value();
    return WaitFor(
        [&] {
            const QRect now = value();
            if (now != last) {
                last = now;
                steady.restart();
            }
            return steady.elapsed() >= steadyMs;
        },
        milliseconds);
}

// One xdotool command through the X server, the program running meanwhile.
bool Xdo(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    if (!p.waitForStarted(5000)) return false;
    const bool done = WaitFor([&] { return p.state() == QProcess::NotRunning; }, 10000);
    if (!done) p.kill();
    return done && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QRect Global(const QWidget* w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); }

bool Framed(const QWidget* w) { return w->frameGeometry() != w->geometry(); }

QString Num(int v) { return QString::number(v); }

void Close(QWidget* main) {
    // As a user closes it: the window manager's close key on the active window.
    Xdo({"windowactivate", "--sync", Num(static_cast<int>(main->winId())), "key", "--clearmodifiers", "alt+F4"});
}

void Restart(lumoedit::frmMain& main) {
    if (!WaitFor([&] { return main.isVisible() && Framed(&main); }, 10000)) Say("error the window was never framed");
    WaitSteady([&] { return main.frameGeometry(); }, 300, 5000);
    SayRect("frame", main.frameGeometry());
    SayRect("client", main.geometry());
    Say("screens " + std::to_string(QGuiApplication::screens().size()));
    Close(&main);
}

void Edit(lumoedit::frmMain& main, lumoedit::frmLumoEdit& editor) {
    if (!WaitFor([&] { return main.isVisible() && Framed(&main) && editor.AudioOpen(); }, 10000))
        Say("error the window was never framed, or the file never opened");
    WaitSteady([&] { return main.frameGeometry(); }, 300, 5000);
    SayRect("screen", main.screen()->geometry());
    SayRect("normal", main.frameGeometry());

    Xdo({"windowactivate", "--sync", Num(static_cast<int>(main.winId())), "key", "--clearmodifiers", "super+Up"});
    if (!WaitFor([&] { return main.isMaximized(); }, 5000)) Say("error the window manager did not maximise it");
    WaitSteady([&] { return main.frameGeometry(); }, 300, 5000);
    QCoreApplication::processEvents();
    // Inside its frame: a window manager may draw a maximised window's border off the screen.
    SayRect("maximised", main.geometry());
    SayRect("viewport", Global(main.MdiArea()->viewport()));
    SayRect("picControls", Global(editor.picControls));
    SayRect("StatusBar1", Global(editor.StatusBar1));

    auto& view = editor.ctlEditor->View();
    auto& wave = editor.ctlEditor->Waveform();
    const QRect w = Global(&wave);
    const int y = w.y() + w.height() / 2;
    const std::string title = editor.txtDescription[1]->Text();
    Say("title-before " + title);
    Xdo({"mousemove", "--sync", Num(w.x() + w.width() / 8), Num(y), "click", "1"});
    WaitFor([&] { return QApplication::focusWidget() == &wave; }, 3000);
    Say("focus " + (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString()
                                                : std::string("none")));

    const std::int64_t before = view.Length();
    Xdo({"mousemove", "--sync", Num(w.x() + w.width() / 4), Num(y), "mousedown", "1", "mousemove", "--sync",
         Num(w.x() + w.width() / 2), Num(y), "mouseup", "1"});
    WaitFor([&] { return editor.AudioSelected(); }, 3000);
    const std::int64_t selected = view.SelectionEnd() - view.SelectionStart();
    Say("selected " + std::to_string(selected));
    Xdo({"key", "--clearmodifiers", "ctrl+x"});
    WaitFor([&] { return view.Length() < before; }, 5000);
    Say("length " + std::to_string(before) + " " + std::to_string(view.Length()));

    Xdo({"key", "--clearmodifiers", "End"});
    WaitFor([&] { return view.Position() == view.Length(); }, 3000);
    Say("end " + std::to_string(view.Position()));
    Xdo({"key", "--clearmodifiers", "Home", "period"});
    WaitFor([&] { return view.Position() > 0; }, 3000);
    Say("jog " + std::to_string(view.Position()) + " " + std::to_string(view.MsToSamples(1000)));
    Say("title-after " + editor.txtDescription[1]->Text());

    // Nothing to save: the window closes without its question.
    editor.ClearEdits();
    Close(&main);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    g_report.open(argv[1]);
    const std::string scenario = argv[2];
    std::vector<char*> args{argv[0]};
    for (int i = 3; i < argc; ++i) args.push_back(argv[i]);
    args.push_back(nullptr);
    int n = static_cast<int>(args.size()) - 1;
    const int result = lumoedit::RunLumoEdit(n, args.data(), [scenario] {
        auto* main = lumoedit::MainWindow();
        auto* editor = main ? dynamic_cast<lumoedit::frmLumoEdit*>(main->Editor()) : nullptr;
        if (!main || !editor) {
            Say("error no main window");
            QCoreApplication::exit(3);
            return;
        }
        if (scenario == "edit") Edit(*main, *editor);
        else Restart(*main);
        // The close ends the program; one that did not close is ended here, and says so.
        if (!WaitFor([main] { return !main->IsLoaded(); }, 8000)) {
            Say("error the window did not close");
            QCoreApplication::exit(4);
        }
    });
    Say("exit " + std::to_string(result));
    return result;
}
