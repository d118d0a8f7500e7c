// Renders the library's settings dialogs to PNG files for review: dialog_screenshots <folder>.
// Runs on a real display (scripts/screenshots.sh starts one under Xvfb) with a private
// registry, a fake device list and an audiowall in a temporary folder.
#include "platform/devices/Devices.h"
#include "rozuzezer/ui/frmAudioLocations.h"
#include "rozuzezer/ui/frmAudioSettings.h"
#include "rozuzezer/ui/frmGlobalRozuzezerSettings.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <cstdlib>

using namespace rozuzezer;
using namespace rozuzezer::ui;
using platform::component::MakeRef;

namespace {

QString g_out;

void Settle() {
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(15);
    }
}

void Save(const QPixmap& shot, const char* name) {
    const QString path = g_out + "/" + name + ".png";
    if (!shot.save(path)) std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    else std::printf("%s\n", qPrintable(path));
}

void Save(QWidget* w, const char* name) {
    Settle();
    Save(w->grab(), name);
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
    platform::devices::SetFakeDevices(platform::devices::ParseDeviceList(
        "out 0x0FFF Built-in Audio Analog Stereo;out 0x0FFF Studio Monitors (USB);"
        "out 0x0FFF Playout Card 1-2;out 0x0FFF Playout Card 3-4;"
        "in 0x0FFF Built-in Audio Line In;in 0x0FFF Studio Microphone (USB)"));

    {
        auto settings = MakeRef<cAudioSettings>();
        settings->AutomaticPlayerAssignment = vbFalse;
        settings->NumberPlayers = 12;
        for (int i = 1; i <= 12; ++i) settings->SetPlayerSoundCardNumber(static_cast<std::int16_t>(i), static_cast<std::int16_t>(1 + (i - 1) % 4));
        settings->HookPlayer = 0;
        settings->InstantPlayerNumber = 12;
        settings->PreviewPlayer = 255;
        settings->RecordingSoundCardNumber = 2;
        settings->EditSoundCardNumber = 2;
        settings->AudioEditor = "/usr/bin/audacity";
        settings->AudioFormat()->SetPCM(44100, 2, 16);
        settings->SaveProfile("Studio 1");
        settings->LoadProfile("Studio 1");
        settings->LastPlayer = 255;
        settings->FirstPlayer = 1;
        frmAudioSettings dialog;
        dialog.SetSettings(settings.get());
        dialog.Show(platform::ui::Modeless);
        const char* tabs[] = {"frmAudioSettings_CartPlayers", "frmAudioSettings_PlaybackSettings",
                              "frmAudioSettings_RecEditSettings", "frmAudioSettings_Advanced"};
        for (int i = 0; i < 4; ++i) {
            dialog.tbsView->SetTab(i);
            Save(&dialog, tabs[i]);
        }
        // The player list opened over a cell, painted where it drops down.
        dialog.tbsView->SetTab(0);
        Settle();
        auto* g = dialog.grdPlayers;
        g->SetRow(3);
        g->SetCol(1);
        dialog.grdPlayers_MouseUp(1, 0, g->ColWidth(0) + 200, g->CellTop() + 50);
        Settle();
        QPixmap shot = dialog.grab();
        if (QWidget* popup = dialog.cboPlayer->view()->window(); popup && popup->isVisible()) {
            QPainter p(&shot);
            p.drawPixmap(dialog.mapFromGlobal(popup->mapToGlobal(QPoint(0, 0))), popup->grab());
        }
        Save(shot, "frmAudioSettings_PlayerList");
        dialog.HidePlayerList();
        dialog.SetLimitedMode(true);
        dialog.tbsView->SetTab(1);
        Save(&dialog, "frmAudioSettings_PlaybackLimited");
        dialog.Unload();
    }

    const std::string wall = folder + "/Verudivur";
    for (const char* sub : {"", "/Music", "/Adverts"}) QDir().mkpath(QString::fromStdString(wall + sub));
    {
        auto locations = MakeRef<cRozuzezer>();
        for (int i = 1; i <= 11; ++i)
            locations->SetAudioLocation(static_cast<std::int16_t>(i), wall + (i <= 5 ? "" : i <= 9 ? "/Music" : "/Adverts"));
        frmAudioLocations dialog;
        dialog.SetVerudivur(locations.get());
        dialog.Show(platform::ui::Modeless);
        Save(&dialog, "frmAudioLocations");
        dialog.Unload();
    }
    {
        auto global = MakeRef<cRozuzezer>();
        global->SetAudioLocation(1, wall);
        global->PictureFileExtension = "jpg";
        global->CDDBEnabled = 1;
        global->CDDBServer = "gnudb.gnudb.org";
        global->CDDBEmailAddress = "engineering@radio.example";
        global->CDRipNormalisePercent = 90;
        global->CDRipAutoTop = 1;
        global->UseIndividualCartListFiles = vbTrue;
        frmGlobalRozuzezerSettings dialog;
        dialog.SetVerudivur(global.get());
        dialog.Show(platform::ui::Modeless);
        const char* tabs[] = {"frmGlobalRozuzezerSettings_General", "frmGlobalRozuzezerSettings_ImportingAudio",
                              "frmGlobalRozuzezerSettings_Advanced"};
        for (int i = 0; i < 3; ++i) {
            dialog.tbsSettings->SetTab(i);
            Save(&dialog, tabs[i]);
        }
        dialog.Unload();
    }
    return 0;
}
