// Renders the editor window with audio open for editing (a selection and the four marker
// regions) and each frame of the transform dialog to PNG files for review
// (scripts/screenshots.sh).
#include "editor/audio/frmLumoEditTransform.h"
#include "editor/document/frmLumoEdit.h"
#include "editor/shell/LumoEdit_FN.h"
#include "editor/shell/frmMain.h"
#include "platform/ui/Form.h"
#include "shared/helpers/Utility.h"
#include "tests/editor/support/ScreenshotHome.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

using namespace lumoedit;

namespace {

using screenshots::Save;
using screenshots::Settle;

// Thirty seconds of programme-like stereo: a tone under a swell that fades at the end.
void WriteTake(const std::string& path) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return;
    std::vector<float> buf(44100 * 2);
    for (int s = 0; s < 30; ++s) {
        for (int i = 0; i < 44100; ++i) {
            const double t = s + i / 44100.0;
            const double level = (0.35 + 0.3 * std::sin(t * 0.7)) * (t > 26 ? (30 - t) / 4 : 1);
            buf[static_cast<std::size_t>(2 * i)] = static_cast<float>(level * std::sin(2 * M_PI * 220 * t) * std::sin(t * 9));
            buf[static_cast<std::size_t>(2 * i + 1)] = static_cast<float>(level * std::sin(2 * M_PI * 330 * t) * std::cos(t * 7));
        }
        sf_writef_float(f, buf.data(), 44100);
    }
    sf_close(f);
}

// The dialog is shown by its function; the picture is taken while it is up, then it is cancelled.
void Shot(const QString& name, const std::function<void(frmLumoEditTransform&)>& fill,
          const std::function<void(frmLumoEditTransform&)>& open) {
    platform::ui::Form::ScriptModal([name, fill](platform::ui::Form& f) {
        auto& d = dynamic_cast<frmLumoEditTransform&>(f);
        if (fill) fill(d);
        Save(&d, name);
        d.cmdCancel_Click();
    });
    frmLumoEditTransform dialog;
    open(dialog);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    screenshots::OutputFolder(argc, argv);
    QTemporaryDir home;
    const std::string folder = screenshots::PrepareHome(home,
        "out 0x0FFF Built-in Audio Analog Stereo;in 0x0FFF Built-in Audio Line In");
    InitialiseApplication();
    AudioSettings().EditorTemporaryDirectory = folder + "/temp/";
    AudioSettings().SaveProfile("Profile1");
    Preferences().SetEditorDisplayDescriptions(true);
    InstallEditorWindow();
    const std::string take = folder + "/Morning Show Jingle.wav";
    WriteTake(take);
    {
        frmMain main;
        main.Load();
        main.Move(0, 0, 24000, 15000);
        Settle();
        auto* editor = dynamic_cast<frmLumoEdit*>(main.Editor());
        if (!editor) return 1;
        editor->SetDisplayDescriptions(true);
        editor->ClearDetails(0);
        auto& item = *editor->cAudioInformation;
        item.AudioFileName = take;
        item.TotalLength = item.AudioEnd = 30;
        item.SetIntroStart(1.5f);
        item.SetIntroEnd(6);
        item.SetExtro(26);
        item.HookStart = 12;
        item.HookEnd = 17.5f;
        item.LoopStart = 19;
        item.LoopEnd = 23;
        editor->chkLoop->SetValue(1);
        int flags = 0;
        editor->SetupEditor(flags);
        bool apply = true;
        editor->UpdateMarkerFields(apply);
        editor->txtDescription[1]->SetText("Morning Show Jingle");
        editor->txtDescription[2]->SetText("Brevant Radio Imaging");
        auto& view = editor->ctlEditor->View();
        view.SetSelectionShown(true);
        view.SetSelectionStart(view.MsToSamples(8000));
        view.SetSelectionEnd(view.MsToSamples(14500));
        view.SetPosition(view.MsToSamples(8000));
        editor->UpdatePlayPosition(8);
        Save(&main, "frmLumoEdit_audio_selection");
        editor->cmdZoomSelection_Click();
        editor->UpdateZoomButtons(true);
        Save(&main, "frmLumoEdit_audio_zoomed");
        editor->cmdZoomFull_Click();
        editor->ShowProgress("Normalising to 95%...");
        editor->prgProgress->SetValue(40);
        Save(&main, "frmLumoEdit_audio_progress");
        editor->HideProgress();

        Shot("frmLumoEditTransform_normalise", {}, [](frmLumoEditTransform& d) {
            std::int16_t l = 95;
            bool dc = true;
            d.Normalise(l, dc);
        });
        Shot("frmLumoEditTransform_amplify", {}, [](frmLumoEditTransform& d) {
            std::int16_t l = 120;
            d.Amplify(l);
        });
        Shot("frmLumoEditTransform_mixpaste", {}, [](frmLumoEditTransform& d) {
            std::int16_t a = 100, b = 60;
            d.MixPaste(a, b);
        });
        Shot("frmLumoEditTransform_deletesilence", {}, [](frmLumoEditTransform& d) {
            std::int16_t t = 60;
            std::int32_t a = 100, r = 25;
            d.DeleteSilence(t, a, r);
        });
        Shot(
            "frmLumoEditTransform_timestretch",
            [](frmLumoEditTransform& d) {
                d.listStretchPresets->SetListIndex(1);
                d.chkTimeStretchPreservePitch->SetValue(1);
            },
            [](frmLumoEditTransform& d) {
                float n = 6.5f;
                bool p = false;
                d.Stretch(6.5, n, p);
            });
        // The file only loaded into the player: the play-progress bar and the part of the item.
        editor->bEdited_ = false;
        editor->ClearDetails(4 | 2);
        editor->cAudioInformation->SetIntroStart(1.5f);
        editor->cAudioInformation->SetIntroEnd(6);
        editor->cAudioInformation->SetExtro(26);
        editor->LumoPlayer1->OpenFile(take);
        editor->LumoPlayer1->Seek(4);
        editor->UpdatePlayPosition(editor->LumoPlayer1->Position());
        Save(&main, "frmLumoEdit_audio_player");
        editor->bEdited_ = false;
        main.Unload();
    }
    SetEditorWindowFactory({});
    return 0;
}
