// Renders the editor window inside the main window to PNG files for review
// (scripts/screenshots.sh): with and without the descriptions, and each details tab.
#include "editor/document/frmLumoEdit.h"
#include "editor/shell/LumoEdit_FN.h"
#include "editor/shell/frmMain.h"
#include "platform/devices/Devices.h"
#include "platform/ui/Form.h"
#include "shared/helpers/Utility.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <cstdlib>

using namespace lumoedit;

namespace {

QString g_out;

void Settle() {
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(15);
    }
}

void Save(QWidget* w, const QString& name) {
    Settle();
    const QString path = g_out + "/" + name + ".png";
    if (!w->grab().save(path)) std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    else std::printf("%s\n", qPrintable(path));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    g_out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(g_out);
    QTemporaryDir home;
    const std::string folder = home.path().toStdString();
    setenv("BREVANT_REGISTRY_DIR", (folder + "/registry").c_str(), 1);
    setenv("BREVANT_DRIVE_MAP", (folder + "/drives.map").c_str(), 1);
    QDir().mkpath(QString::fromStdString(folder + "/registry"));
    QDir().mkpath(QString::fromStdString(folder + "/temp"));
    platform::devices::SetFakeDevices(platform::devices::ParseDeviceList(
        "out 0x0FFF Built-in Audio Analog Stereo;in 0x0FFF Built-in Audio Line In"));
    helpers::Utility().SetApplication({"LumoEdit", folder, ""});
    InitialiseApplication();
    AudioSettings().EditorTemporaryDirectory = folder + "/temp/";
    AudioSettings().SaveProfile("Profile1");
    Preferences().SetEditorDisplayDescriptions(true);
    InstallEditorWindow();
    {
        frmMain main;
        main.Load();
        main.Move(0, 0, 24000, 15000);
        Settle();
        auto* editor = dynamic_cast<frmLumoEdit*>(main.Editor());
        if (!editor) return 1;
        editor->SetDisplayDescriptions(true);
        Save(&main, "frmLumoEdit_descriptions");
        const char* tabs[] = {"General", "Notes", "Copyright", "Other"};
        for (int i = 1; i < 4; ++i) {
            editor->tbsCartDetails->SetTab(i);
            Save(&main, QStringLiteral("frmLumoEdit_tab_") + tabs[i]);
        }
        editor->tbsCartDetails->SetTab(0);
        for (int i = 1; i < 3; ++i) {
            editor->tbsTiming->SetTab(i);
            Save(&main, QStringLiteral("frmLumoEdit_timing_") + QString::number(i));
        }
        editor->tbsTiming->SetTab(0);
        editor->SetDisplayDescriptions(false);
        Save(&main, "frmLumoEdit_nodescriptions");
        // The audio cover, as a file opened for playing only shows it.
        editor->SetDisplayDescriptions(true);
        editor->ClearDetails(4 | 2);
        Save(&main, "frmLumoEdit_cover");
        main.Move(0, 0, 12500, 9400);
        Save(&main, "frmLumoEdit_small");
        main.Unload();
    }
    SetEditorWindowFactory({});
    return 0;
}
