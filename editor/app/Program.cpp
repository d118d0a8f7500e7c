#include "editor/app/Program.h"

#include "editor/app/LogoSound.h"
#include "editor/document/Pictures.h"
#include "editor/document/frmLumoEdit.h"
#include "editor/shell/ErrorReport.h"
#include "editor/shell/LumoEdit_FN.h"
#include "editor/shell/frmMain.h"
#include "platform/ui/Handlers.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/QtServices.h"
#include "shared/helpers/Utility.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool HaveDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) return true;
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

} // namespace

namespace lumoedit {

int RunLumoEdit(int argc, char** argv, std::function<void()> whenIdle) {
    if (!HaveDisplay()) {
        std::fprintf(stderr, "LumoEdit needs a graphical desktop: no display was found (DISPLAY and "
                             "WAYLAND_DISPLAY are not set). Start it from a desktop session, or set "
                             "QT_QPA_PLATFORM=offscreen to run it without showing a window.\n");
        return 1;
    }
    platform::ui::Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("LumoEdit"));
    QApplication::setOrganizationName(QStringLiteral("Brevant"));
    QApplication::setDesktopFileName(QStringLiteral("brevant-lumoedit"));
    platform::ui::UseIconTheme();
    // Our own picture: looking a name up that the theme lacks walks every icon folder.
    QApplication::setWindowIcon(lumoedit::ProgramIcon());

    std::vector<std::string> args(argv + 1, argv + argc);
    lumoedit::SetProgramCommandLine(lumoedit::JoinCommandLine(args));
    const QFileInfo self(QApplication::applicationFilePath());
    helpers::Utility().SetApplication({"LumoEdit", self.absolutePath().toStdString(), ""});

    platform::ui::InstallQtServices("LumoEdit");
    // An error raised inside any handler ends that handler and is reported here, once.
    platform::ui::SetHandlerErrorReporter([](std::exception_ptr error, const std::string& handler) {
        try {
            std::rethrow_exception(error);
        } catch (...) {
            lumoedit::ReportError(handler.empty() ? "with the last action" : "with the last action (" + handler + ")",
                                  lumoedit::CurrentErrorNumber());
        }
    });
    lumoedit::SetSoundPlayer(lumoedit::MakeAudioLayerSoundPlayer());
    lumoedit::InstallEditorWindow();
    lumoedit::frmMain::SetQuitOnUnload(true);

    int result = 0;
    {
        lumoedit::frmMain main;
        main.Load();
        if (whenIdle) QTimer::singleShot(0, &app, whenIdle);
        if (main.IsLoaded()) result = QApplication::exec();
    }
    lumoedit::SetSoundPlayer(nullptr);
    lumoedit::SetEditorWindowFactory({});
    return result;
}

} // namespace lumoedit
