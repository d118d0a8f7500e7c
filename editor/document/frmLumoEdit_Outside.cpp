// Handing the item's audio outside the window: the outside audio editor of the audio settings
// (run on the saved file, waited for while the window keeps painting), and the exports of the
// selection and of the whole audio.
#include "editor/document/frmLumoEdit.h"

#include "editor/document/MultimediaNCTAdditions.h"
#include "editor/shell/ErrorReport.h"
#include "editor/shell/LumoEdit_FN.h"
#include "platform/base/Error.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/Handlers.h"
#include "shared/helpers/FileHelper.h"

#include <QApplication>
#include <QEventLoop>
#include <QProcess>

#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace lumoedit {

using namespace platform::ui;
namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool IdleSpeed() { return AudioSettings().AudioEditorRunAtIdleSpeed != 0; }

// Starts the program with the file as its one argument, no shell between, and lets the
// window paint while it waits. -1 when the program could not be started.
int RunOutsideEditor(const std::string& program, const std::string& argument) {
    QProcess process;
    process.setProgram(QString::fromStdString(program));
    process.setArguments({QString::fromStdString(argument)});
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    if (IdleSpeed())
        process.setChildProcessModifier([] {
            [[maybe_unused]] const int ignored = ::nice(19);
        });
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&loop](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) loop.quit();
    });
    process.start();
    if (!process.waitForStarted(10000)) return -1;
    if (process.state() != QProcess::NotRunning) loop.exec();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
}

frmLumoEdit::OutsideEditorRunner& Runner() {
    static frmLumoEdit::OutsideEditorRunner runner;
    return runner;
}

bool AskYes(const std::string& text) {
    return platform::MsgBox(text, platform::MsgButtons::YesNo, platform::MsgIcon::Question) == platform::MsgResult::Yes;
}

} // namespace

frmLumoEdit::OutsideEditorRunner frmLumoEdit::SetOutsideEditorRunner(OutsideEditorRunner runner) {
    OutsideEditorRunner old = std::move(Runner());
    Runner() = std::move(runner);
    return old;
}

void frmLumoEdit::EditInAudioEditor() {
    if (!cAudioInformation) return;
    auto& settings = AudioSettings();
    auto offer = [&](const std::string& opening) {
        const std::string found = settings.FindAudioEditor();
        if (found.empty()) return;
        if (AskYes(opening + "\n\n" + found + "\n\nDo you want to use it?")) {
            settings.AudioEditor = found;
            settings.SaveProfile("Profile1");
        }
    };
    if (settings.AudioEditor.empty()) {
        offer("You have not specified an Audio Editor, however the following editor has been found on this computer:");
    } else if (helpers::FileHelper().FileSize(settings.AudioEditor) <= 0) {
        offer("The Audio Editor you have chosen could not be found, however the following editor has been found on "
              "this computer:");
    }
    if (settings.AudioEditor.empty()) return;
    if (bAudioEdited && !AskYes("Before the audio can be edited with another editor it must be saved\n\nDo you want "
                                "to save the audio and the Cart's details now?"))
        return;
    if (Trim(txtDescription[1]->Text()).empty()) {
        if (Upper(helpers::FileHelper().Extension(cAudioInformation->AudioFileName)) == "WAV") {
            txtDescription[1]->SetText("New Audio");
        } else {
            // Only a WAV file carries the title: marked as edited, it would stop the save
            // below, and with it the outside editor.
            {
                ScopedFlag loading(bLoadingInfo);
                txtDescription[1]->SetText("New Audio");
            }
            cAudioInformation->ItemTitle = "New Audio";
        }
    }
    if (!SaveItem()) return;
    SetAudioEdited();

    ctlEditor->CloseDocument();
    bAudioOpen_ = false;
    if (LumoPlayer1->Playing()) LumoPlayer1->Stop();
    // The player lets go of the file the outside editor is about to rewrite.
    LumoPlayer1->CloseFile();
    pnlAudioEditorCover->setVisible(true);
    ZOrder(pnlAudioEditorCover, 0);
    ctlEditor->setVisible(false);

    const std::string file = cAudioInformation->AudioFileName;
    if (file.empty()) return;
    std::string templateBytes;
    if (helpers::FileHelper().FileSize(file) <= 0) {
        const auto& format = settings.AudioFormat();
        const std::int32_t rate = format ? static_cast<std::int32_t>(format->SamplesPerSec()) : 44100;
        const std::int16_t channels = format ? static_cast<std::int16_t>(format->Channels()) : 2;
        const std::int16_t tag = format ? static_cast<std::int16_t>(format->FormatTag()) : 1;
        if (CreateWAVFile(file, rate, channels, tag)) templateBytes = ReadBytes(file);
    }

    // The whole program waits (its menus too), but keeps painting.
    QWidget* top = window();
    top->setEnabled(false);
    setEnabled(false);
    pnlAudioEditorRunning->setVisible(true);
    ZOrder(pnlAudioEditorRunning, 0);
    int result = -1;
    {
        ScopeExit back([this, top] {
            top->setEnabled(true);
            setEnabled(true);
            pnlAudioEditorRunning->setVisible(false);
        });
        const std::string argument = helpers::FileHelper().ExternalForm(file);
        result = Runner() ? Runner()(settings.AudioEditor, argument) : RunOutsideEditor(settings.AudioEditor, argument);
    }
    if (result == -1)
        platform::MsgBox("The Audio Editor \"" + settings.AudioEditor + "\" could not be started.",
                         platform::MsgButtons::OK, platform::MsgIcon::Exclamation);

    // Only the template made here, and only while it is still as it was made, is removed:
    // whatever else is in the file is the user's.
    if (!templateBytes.empty() && ReadBytes(file) == templateBytes) {
        std::error_code ec;
        fs::remove(file, ec);
        if (ec) ShowError("removing the file template from File : " + Trim(file), ec.message());
    }
    // The outside editor may have changed the length: the markers stay within the audio.
    const double length = GetAudioFileLength(file);
    if (length >= 0) {
        KeepMarkersWithin(static_cast<float>(length));
        if (Upper(helpers::FileHelper().Extension(file)) == "WAV") {
            try {
                LumoPlayer1->OpenFile(file);
            } catch (...) {
            }
        }
    }
    UpdateDiskSpace();
    UpdateButtons();
    setFocus();
}

bool frmLumoEdit::ExportSelectionToFile() {
    if (!standalone_) return false;
    if (!bAudioOpen_) {
        int flags = 0;
        if (!SetupEditor(flags)) return false;
    }
    std::string name;
    return SaveAs(name, true);
}

bool frmLumoEdit::ExportToAudioFile() {
    if (!cAudioInformation) return false;
    if (cAudioInformation->TotalLength <= 0) {
        platform::MsgBox("There is no Audio to export!", platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
        return false;
    }
    if (!bAudioOpen_) {
        int flags = 0;
        if (!SetupEditor(flags)) return false;
    }
    std::string name;
    for (int i = 1; i <= 3; ++i) {
        const std::string line = Trim(txtDescription[static_cast<std::size_t>(i)]->Text());
        if (line.empty()) continue;
        name += (name.empty() ? "" : " - ") + line;
    }
    std::erase_if(name, [](char c) { return c == '?' || c == '*' || c == '\\' || c == '/' || c == ':'; });
    CommonDialog1.DialogTitle = "Export to an Audio File";
    CommonDialog1.Filter = "WAV File (*.WAV)|*.WAV";
    CommonDialog1.FilterIndex = 1;
    CommonDialog1.DefaultExt = "WAV";
    CommonDialog1.FileName = name;
    CommonDialog1.CancelError = true;
    CommonDialog1.Owner = this;
    try {
        CommonDialog1.ShowSave();
    } catch (const platform::RuntimeError& e) {
        if (e.Number() == 32755) return false;
    }
    if (CommonDialog1.FileName.empty()) return false;
    std::string target = CommonDialog1.FileName;
    if (fs::path(target).extension().empty()) target += ".WAV";
    try {
        ctlEditor->SaveAudio(target, false);
    } catch (...) {
        ReportError("exporting the audio to File : " + target, CurrentErrorNumber());
        return false;
    }
    return true;
}

} // namespace lumoedit
