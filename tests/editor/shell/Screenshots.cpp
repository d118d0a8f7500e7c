// Renders the shell's windows to PNG files for review: shell_screenshots <folder>.
// Runs on a real display (scripts/screenshots.sh starts one under Xvfb) with a private
// registry, a fake device list and sample files beside a pretend program folder.
#include "editor/shell/LumoEdit_FN.h"
#include "rozuzezer/ui/AudioFormatChooser.h"
#include "editor/shell/frmAbout.h"
#include "editor/shell/frmAudioFormatOptions.h"
#include "editor/shell/frmGoodInputBox.h"
#include "editor/shell/frmMain.h"
#include "editor/shell/frmOptions.h"
#include "editor/shell/frmPrintPreview.h"
#include "shared/helpers/Utility.h"
#include "tests/editor/support/ScreenshotHome.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <fstream>

using namespace lumoedit;
using namespace rozuzezer::ui;

namespace {

using screenshots::Save;
using screenshots::Settle;

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

const char* kNotes =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}}"
    "{\\colortbl;\\red31\\green78\\blue160;\\red90\\green90\\blue90;}"
    "\\f0\\fs32\\b\\cf1 LumoEdit 2.6 \\endash  Update Information\\b0\\cf0\\fs20\\par\\par"
    "\\b What's new\\b0\\par"
    "\\bullet  Cue markers can now be set from the selection as well as from the play position.\\par"
    "\\bullet  Saving keeps every chunk of a Broadcast WAV file that LumoEdit does not edit.\\par"
    "\\bullet  The recent-file list remembers the ten files you opened or saved last.\\par\\par"
    "\\b Fixed\\b0\\par"
    "\\bullet  Files with blanks or accented letters in their names open from the command line.\\par"
    "\\bullet  The \\i Time Stretch\\i0  presets are kept when a preset name is cancelled.\\par\\par"
    "\\cf2\\fs18 Questions? Write to \\ul support@brevant.example\\ul0 .\\cf0\\par}";

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    screenshots::OutputFolder(argc, argv);
    QTemporaryDir home;
    const std::string folder = screenshots::PrepareHome(home,
        "out 0x0FFF Built-in Audio Analog Stereo;out 0x0FFF Studio Monitors (USB);"
        "in 0x0FFF Built-in Audio Line In;in 0x0FFF Studio Microphone (USB)");
    Write(folder + "/UPDATES.RTF", kNotes);
    Write(folder + "/LumoEdit.pdf", "%PDF-1.4");
    Write(folder + "/LumoEdit.chm", "ITSF");

    InitialiseApplication();
    AudioSettings().EditorTemporaryDirectory = folder + "/temp/";
    AudioSettings().SaveProfile("Profile1");
    Preferences().SetPreference(
        "MRUAudio",
        "/srv/audio/jingles/Morning Show Open.wav|/srv/audio/adverts/Bakery Spring 30s.wav|"
        "/srv/audio/music/Ça plane pour moi.wav",
        "");

    {
        // The notes have been seen, so the main window starts without them.
        frmMain main;
        platform::ui::Form::ScriptModal([](platform::ui::Form& f) { f.Hide(); });
        main.Load();
        main.Move(0, 0, 12000, 8400);
        Save(&main, "frmMain");
        // The window with each menu dropped down under its title.
        for (const char* name : {"mnuFile", "mnuEdit", "mnuAudio", "mnuTools", "mnuHelp"}) {
            auto* menu = main.findChild<QMenu*>(name);
            const QRect title = main.menuBar()->actionGeometry(menu->menuAction());
            const QPoint at = main.menuBar()->mapTo(&main, title.bottomLeft());
            menu->popup(main.mapToGlobal(at));
            Settle();
            QPixmap shot = main.grab();
            QPainter p(&shot);
            p.drawPixmap(at, menu->grab());
            p.end();
            menu->hide();
            const QString path = screenshots::Folder() + "/frmMain_" + name + ".png";
            if (shot.save(path)) std::printf("%s\n", qPrintable(path));
        }
        main.Unload();
    }
    {
        frmOptions options;
        options.Show(platform::ui::Modeless);
        const char* tabs[] = {"frmOptions_General", "frmOptions_FileFormats", "frmOptions_AdvancedSettings"};
        for (int i = 0; i < 3; ++i) {
            options.tbsOptions->SetTab(i);
            Save(&options, tabs[i]);
        }
        options.Unload();
    }
    {
        auto format = platform::component::MakeRef<helpers::cAudioFormat>();
        format->SetFormatFamily(helpers::cAudioFormat::afMPEG3);
        format->SetBitRate(192000);
        frmAudioFormatOptions dialog;
        dialog.Load();
        dialog.optSingleFormat->SetValue(true);
        dialog.lblAudioFormatDescription->SetCaption(format->Description() + " ");
        dialog.Show(platform::ui::Modeless);
        Save(&dialog, "frmAudioFormatOptions");
        dialog.Unload();

        frmAudioFormatChooser chooser(*format, helpers::cAudioFormat::afMPEG3);
        chooser.Show(platform::ui::Modeless);
        Save(&chooser, "frmAudioFormatChooser");
        chooser.Unload();
    }
    {
        frmGoodInputBox box;
        box.Load();
        box.SetCaption("Insert Silence");
        box.Label1->SetCaption("What duration of silence (in seconds) do you want to insert?");
        box.Text1->SetText("2.5");
        box.Show(platform::ui::Modeless);
        Save(&box, "frmGoodInputBox");
        box.Unload();
    }
    {
        frmAbout about;
        about.Show(platform::ui::Modeless);
        Save(&about, "frmAbout");
        about.Unload();
    }
    {
        frmPrintPreview viewer;
        bool floating = false;
        viewer.DisplayFile(folder + "/UPDATES.RTF", "Quarn Update Information..", platform::ui::Modeless, floating);
        Save(&viewer, "frmPrintPreview");
        viewer.Unload();
    }
    ReleaseApplicationObjects();
    return 0;
}
