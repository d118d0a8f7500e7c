// The program itself, run on a real X server by ScreenTest, with a script that acts once the
// main window shows: it reads where the windows and bars are, drives the mouse and keys
// through the X server (xdotool), and writes what it saw to a report, one fact a line.
//
//   screen_agent <report> edit|keys|return|restart [program arguments...]
//   screen_agent <report> move <left> <top> [program arguments...]
//
//   edit     maximises the main window with the window manager's key, then clicks the
//            waveform, drags a selection, presses Ctrl+X, End, Home and "." there
//   keys     presses Esc in the Open and Save As dialogs, the colour dialog, the open Category
//            list and the copy key's menu, then Ctrl+Tab and Ctrl+Shift+Tab in the title box
//   return   clicks the title box, types a title, moves the caret, activates another window
//            and then the program's again, reports the box, and types one more character
//   restart  reports the window's place and size and the number of screens, then closes it
//            from the window manager
//   move     moves the window with the window manager to the place given (its frame's top
//            left, in pixels), reports where it went, then closes it as restart does
#include "editor/app/Program.h"
#include "editor/document/frmLumoEdit.h"
#include "editor/shell/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QProcess>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include <cstdlib>
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

// A key for the window manager to act on the window: typed once the window is active, since a
// busy window manager may still be handing the focus over when the activation returns.
void KeyToWindow(QWidget* window, const char* key) {
    Xdo({"windowactivate", "--sync", Num(static_cast<int>(window->winId()))});
    WaitFor([&] { return window->isActiveWindow(); }, 5000);
    Xdo({"key", "--clearmodifiers", key});
}

void Close(QWidget* main) {
    // As a user closes it: the window manager's close key on the active window.
    KeyToWindow(main, "alt+F4");
}

void Restart(lumoedit::frmMain& main, const QPoint* moveTo = nullptr) {
    if (!WaitFor([&] { return main.isVisible() && Framed(&main); }, 10000)) Say("error the window was never framed");
    WaitSteady([&] { return main.frameGeometry(); }, 300, 5000);
    if (moveTo) {
        // The window manager takes a move request as the place of the window inside its frame:
        // ask for that, and again by what the last request missed by.
        QPoint ask = *moveTo + (main.geometry().topLeft() - main.frameGeometry().topLeft());
        for (int i = 0; i < 3 && main.frameGeometry().topLeft() != *moveTo; ++i) {
            const QRect before = main.frameGeometry();
            Xdo({"windowmove", Num(static_cast<int>(main.winId())), Num(ask.x()), Num(ask.y())});
            WaitFor([&] { return main.frameGeometry() != before; }, 3000);
            WaitSteady([&] { return main.frameGeometry(); }, 300, 5000);
            ask += *moveTo - main.frameGeometry().topLeft();
        }
    }
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

    // Maximise is no toggle: a key the window manager missed may be typed again.
    bool maximised = false;
    for (int i = 0; i < 3 && !maximised; ++i) {
        KeyToWindow(&main, "super+Up");
        maximised = WaitFor([&] { return main.isMaximized(); }, 5000);
    }
    if (!maximised) Say("error the window manager did not maximise it");
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

// Opens a window through the X server (`open`: an xdotool command), presses Esc in it once it
// shows, and reports whether it showed, whether Esc closed it, and whether the program still
// runs with the item unedited. A window that runs its own event loop (a dialog, a menu) opens
// inside `open`: the Esc goes from a timer inside that loop.
void EscapeFrom(const std::string& name, lumoedit::frmMain& main, lumoedit::frmLumoEdit& editor,
                const QStringList& open, const std::function<QWidget*()>& window) {
    bool shown = false, closed = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* w = window();
        if (!w || !w->isVisible()) return;
        poll.stop();
        shown = true;
        WaitSteady([&] { return w->frameGeometry(); }, 200, 3000);
        Xdo({"key", "--clearmodifiers", "Escape"});
        closed = WaitFor([&] { QWidget* now = window(); return !now || !now->isVisible(); }, 5000);
    });
    poll.start();
    Xdo(open);
    WaitFor([&] { return shown && closed; }, 10000);
    poll.stop();
    // An Esc that reached the editor unloads it, and the main window follows half a second later.
    WaitFor([&] { return !main.IsLoaded(); }, 1500);
    const bool running = main.IsLoaded() && editor.IsLoaded() && !QApplication::activeModalWidget();
    Say("escape " + name + " " + (shown ? "shown" : "never-shown") + " " + (closed ? "closed" : "still-open") + " " +
        (running ? "running" : "ended") + " " + (editor.bEdited() ? "edited" : "unedited"));
}

QStringList ClickAt(const QPoint& p) { return {"mousemove", "--sync", Num(p.x()), Num(p.y()), "click", "1"}; }

QPoint Middle(const QWidget* w) { return w->mapToGlobal(QPoint(w->width() / 2, w->height() / 2)); }

// Once the file is open in the framed window: the details shown and the window active.
void ReadyWithDetails(lumoedit::frmMain& main, lumoedit::frmLumoEdit& editor) {
    if (!WaitFor([&] { return main.isVisible() && Framed(&main) && editor.AudioOpen(); }, 10000))
        Say("error the window was never framed, or the file never opened");
    WaitSteady([&] { return main.frameGeometry(); }, 300, 5000);
    editor.SetDisplayDescriptions(true);
    QCoreApplication::processEvents();
    Xdo({"windowactivate", "--sync", Num(static_cast<int>(main.winId()))});
    WaitFor([&] { return main.isActiveWindow(); }, 3000);
}

void Keys(lumoedit::frmMain& main, lumoedit::frmLumoEdit& editor) {
    ReadyWithDetails(main, editor);
    Say("title-before " + editor.txtDescription[1]->Text());

    auto modal = [] { return QApplication::activeModalWidget(); };
    auto popup = [] { return QApplication::activePopupWidget(); };
    EscapeFrom("open", main, editor, {"key", "--clearmodifiers", "ctrl+o"}, modal);
    EscapeFrom("saveas", main, editor, {"key", "--clearmodifiers", "alt+f", "a"}, modal);
    // The colour buttons work once custom colours are ticked (an edit, put aside here so that
    // an Esc reaching the editor would close the program).
    Xdo(ClickAt(Middle(editor.chkCustomColours)));
    WaitFor([&] { return editor.chkCustomColours->Value() == 1; }, 3000);
    editor.ClearEdits();
    EscapeFrom("colour", main, editor, ClickAt(Middle(editor.cmdChangeBackgroundColour)), modal);
    EscapeFrom("category", main, editor, ClickAt(Middle(editor.comboCategory)), popup);
    // The arrows of the audio toolbar's keys open their menus (copy needs a selection).
    Xdo({"key", "--clearmodifiers", "ctrl+a"});
    WaitFor([&] { return editor.toolAudioEditor->ButtonEnabled("copy"); }, 3000);
    for (const char* key : {"copy", "stereo"}) {
        auto* button = editor.toolAudioEditor->widgetForAction(editor.toolAudioEditor->Button(key));
        const QPoint arrow = button ? button->mapToGlobal(QPoint(button->width() - 4, button->height() / 2)) : QPoint();
        EscapeFrom(std::string("menu-") + key, main, editor, ClickAt(arrow), popup);
    }

    // Ctrl+Tab and Ctrl+Shift+Tab from the title box step through the details tabs.
    Xdo(ClickAt(Middle(editor.txtDescription[1])));
    WaitFor([&] { return QApplication::focusWidget() == editor.txtDescription[1]; }, 3000);
    std::string tabs = "tabs";
    for (const char* key : {"ctrl+Tab", "ctrl+Tab", "ctrl+Tab", "ctrl+Tab", "ctrl+shift+Tab", "ctrl+shift+Tab",
                            "ctrl+shift+Tab", "ctrl+shift+Tab"}) {
        const int before = editor.tbsCartDetails->Tab();
        Xdo({"key", "--clearmodifiers", key});
        WaitFor([&] { return editor.tbsCartDetails->Tab() != before; }, 2000);
        tabs += " " + std::to_string(editor.tbsCartDetails->Tab());
    }
    Say(tabs);
    Say("title-after " + editor.txtDescription[1]->Text());

    editor.ClearEdits();
    Close(&main);
}

// Text typed in the title box, the caret inside it, stays as the user left it while another
// window is active and when the program's window comes back; the next key goes in at the caret.
void Return(lumoedit::frmMain& main, lumoedit::frmLumoEdit& editor) {
    ReadyWithDetails(main, editor);
    auto* title = editor.txtDescription[1];
    auto box = [&](const std::string& when) {
        QCoreApplication::processEvents();
        Say(when + "-text " + title->Text());
        Say(when + "-caret " + std::to_string(title->SelStart()));
        Say(when + "-selected " + title->SelText());
    };

    Xdo(ClickAt(Middle(title)));
    WaitFor([&] { return QApplication::focusWidget() == title && title->SelLength() > 0; }, 3000);
    box("clicked");
    Xdo({"type", "--delay", "20", "Morning News"});
    WaitFor([&] { return title->Text() == "Morning News"; }, 3000);
    Xdo({"key", "--clearmodifiers", "Left", "Left", "Left", "Left", "Left"});
    WaitFor([&] { return title->SelStart() == 7; }, 3000);
    box("typed");

    QWidget other; // another program's window
    other.setWindowTitle(QStringLiteral("Running order"));
    other.resize(300, 200);
    other.show();
    WaitFor([&] { return Framed(&other); }, 5000);
    Xdo({"windowactivate", "--sync", Num(static_cast<int>(other.winId()))});
    WaitFor([&] { return other.isActiveWindow() && !main.isActiveWindow(); }, 3000);
    Say(std::string("away ") + (main.isActiveWindow() ? "still-active" : "inactive"));
    Xdo({"windowactivate", "--sync", Num(static_cast<int>(main.winId()))});
    WaitFor([&] { return main.isActiveWindow() && QApplication::focusWidget() == title; }, 3000);
    QThread::msleep(100);
    box("back");
    Xdo({"type", ","});
    WaitFor([&] { return title->Text() != "Morning News"; }, 3000);
    box("next");

    editor.ClearEdits();
    Close(&main);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    g_report.open(argv[1]);
    const std::string scenario = argv[2];
    int first = 3;
    QPoint moveTo;
    if (scenario == "move") {
        if (argc < 5) return 2;
        moveTo = QPoint(std::atoi(argv[3]), std::atoi(argv[4]));
        first = 5;
    }
    std::vector<char*> args{argv[0]};
    for (int i = first; i < argc; ++i) args.push_back(argv[i]);
    args.push_back(nullptr);
    int n = static_cast<int>(args.size()) - 1;
    const int result = lumoedit::RunLumoEdit(n, args.data(), [scenario, moveTo] {
        auto* main = lumoedit::MainWindow();
        auto* editor = main ? dynamic_cast<lumoedit::frmLumoEdit*>(main->Editor()) : nullptr;
        if (!main || !editor) {
            Say("error no main window");
            QCoreApplication::exit(3);
            return;
        }
        if (scenario == "edit") Edit(*main, *editor);
        else if (scenario == "keys") Keys(*main, *editor);
        else if (scenario == "return") Return(*main, *editor);
        else if (scenario == "move") Restart(*main, &moveTo);
        else Restart(*main);
        // The close ends the program; one that did not close is ended here, and says so.
        if (!WaitFor([main] { return !main->IsLoaded(); }, 8000)) {
            const QWidget* modal = QApplication::activeModalWidget();
            Say("error the window did not close" +
                (modal ? " (a window \"" + modal->windowTitle().toStdString() + "\" is open)" : std::string()));
            QCoreApplication::exit(4);
        }
    });
    Say("exit " + std::to_string(result));
    return result;
}
