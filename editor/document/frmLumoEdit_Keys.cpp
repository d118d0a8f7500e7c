// The window's own keys (seen before the focused control), the click on the audio cover, and
// the library's item-editing interface: each picks an existing operation of the window.
#include "editor/document/frmLumoEdit.h"

#include "platform/base/MessageBox.h"
#include "platform/ui/Handlers.h"
#include "shared/helpers/FileHelper.h"
#include "shared/helpers/Utility.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>

#include <cmath>

namespace lumoedit {

using namespace platform::ui;
namespace audio = platform::audio;

namespace {

// The item-editing interface object a host holds: it forwards to the window while the
// window lives.
class EditItemForWindow : public rozuzezer::iEditHardDiskItem {
public:
    explicit EditItemForWindow(frmLumoEdit* w) : window_(w) {}
    // A host may hold the object longer than the window lives: it then does nothing.
    bool EditInformation(std::int32_t InfoType) override {
        return window_ && window_->iEditHardDiskItem_EditInformation(InfoType);
    }
    bool PlayAudio(std::int32_t AudioType) override { return window_ && window_->iEditHardDiskItem_PlayAudio(AudioType); }

private:
    QPointer<frmLumoEdit> window_;
};

bool EditorHasFocus(const frmLumoEdit& w) {
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == w.ctlEditor || w.ctlEditor->isAncestorOf(focus));
}

bool TextHasFocus() {
    QWidget* focus = QApplication::focusWidget();
    return qobject_cast<QLineEdit*>(focus) || qobject_cast<QTextEdit*>(focus) ||
           qobject_cast<QPlainTextEdit*>(focus);
}

} // namespace

platform::component::Ref<rozuzezer::iEditHardDiskItem> frmLumoEdit::ItemEditing() {
    if (!itemEditing_) itemEditing_ = platform::component::MakeRef<EditItemForWindow>(this);
    return itemEditing_;
}

void frmLumoEdit::Form_KeyDown(int& KeyCode, int Shift) {
    if (KeyCode == 0) return;
    if (pnlAudioEditorRunning->isVisible()) return;
    const bool editor = EditorHasFocus(*this);
    switch (KeyCode) {
    case 'C':
    case 'X':
    case 'V':
        if (Shift != 0 && editor) {
            const char* key = KeyCode == 'C' ? "copy" : KeyCode == 'X' ? "cut" : "paste";
            KeyCode = 0;
            ProcessAudioButton(key);
        }
        break;
    case vk::Tab:
        if ((Shift & CtrlMask) && tbsCartDetails->isVisible()) {
            const int n = tbsCartDetails->TabCount();
            if (n > 0) {
                const int t = tbsCartDetails->Tab();
                tbsCartDetails->SetTab((Shift & ShiftMask) ? (t + n - 1) % n : (t + n + 1) % n);
                tbsCartDetails->setFocus();
            }
        }
        break;
    case vk::OemComma:
    case vk::OemPeriod: {
        if (TextHasFocus()) break;
        const double step = Shift == ShiftMask ? 5.0 : Shift == CtrlMask ? 0.25 : 1.0;
        const double sign = KeyCode == vk::OemComma ? -1.0 : 1.0;
        if (bAudioOpen_) {
            const int state = ctlEditor->State();
            if (state != audio::kStateIdle && state != audio::kStatePlaying) break;
            auto& view = ctlEditor->View();
            const double p = static_cast<double>(view.Position());
            const double s = static_cast<double>(view.MsToSamples(step * 1000.0));
            const double l = static_cast<double>(view.Length());
            const double target = helpers::cUtility::ClampDouble(p + sign * s, 0, l);
            view.SetPosition(static_cast<std::int64_t>(std::nearbyint(target)));
            if (state == audio::kStatePlaying) {
                ctlEditor->Play();
                UpdateButtons();
            }
        } else if (LumoPlayer1->State() != audio::kPlayerEmpty) {
            // The player's own length: an item without metadata has no end of audio.
            const double p = LumoPlayer1->Position();
            const double e = LumoPlayer1->Length();
            LumoPlayer1->Seek(static_cast<float>(helpers::cUtility::ClampDouble(p + sign * step, 0, e)));
        }
        break;
    }
    case vk::Insert:
        if (Shift == 0) EditInAudioEditor();
        break;
    case vk::Return:
        if (Shift == CtrlMask) {
            const bool saved = SaveItem();
            KeyCode = 0;
            if (saved) Unload();
        }
        break;
    case vk::Delete:
        if (editor) {
            AudioDeleteSelection();
            KeyCode = 0;
        }
        break;
    default: break;
    }
}

void frmLumoEdit::Form_KeyPress(int& KeyAscii) {
    if (KeyAscii == 27) {
        KeyAscii = 0;
        if (ctlEditor->State() == audio::kStatePlaying) cmdStop_Click();
        else Unload();
        return;
    }
    if (KeyAscii == 32 && EditorHasFocus(*this)) {
        KeyAscii = 0;
        switch (ctlEditor->State()) {
        case audio::kStateIdle: cmdPlay_Click(); break;
        case audio::kStatePlaying: cmdStop_Click(); break;
        case audio::kStatePaused: cmdPause_Click(); break;
        default: break;
        }
    }
}

void frmLumoEdit::imgUncoverAudio_Click() { lblUncoverAudio_Click(); }

void frmLumoEdit::lblUncoverAudio_Click() {
    if (!lblUncoverAudio->isEnabled()) return;
    int flags = 0;
    if (SetupEditor(flags)) return;
    // Audio that cannot be opened for editing is said so, and the cover comes back over the
    // empty component.
    if (cAudioInformation)
        platform::MsgBox("The audio file could not be opened because it is corrupt or in an unsupported format",
                         platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
    pnlAudioEditorCover->setVisible(true);
    ZOrder(pnlAudioEditorCover, 0);
    ctlEditor->setVisible(false);
    UpdateButtons();
}

bool frmLumoEdit::iEditHardDiskItem_EditInformation(std::int32_t InfoType) {
    if (isVisible()) {
        QApplication::processEvents();
        Refresh();
        QApplication::processEvents();
    }
    SetDisplayDescriptions(true);
    auto tabs = [this](int details, int timing) {
        tbsCartDetails->SetTab(details);
        if (timing >= 0) tbsTiming->SetTab(timing);
    };
    auto focus = [](QWidget* w) {
        if (w->isVisible() && w->isEnabled()) w->setFocus();
    };
    switch (InfoType) {
    case rozuzezer::ehdDescriptions: tabs(0, -1); focus(txtDescription[1]); break;
    case rozuzezer::ehdIntroStart: tabs(0, 0); cmdSetIntroStart->SetValue(true); break;
    case rozuzezer::ehdIntroEnd: tabs(0, 0); cmdSetIntroEnd->SetValue(true); break;
    case rozuzezer::ehdExtro: tabs(0, 0); cmdSetExtro->SetValue(true); break;
    case rozuzezer::ehdHookStart:
    case rozuzezer::ehdHookEnd: tabs(0, 0); cmdSetHookStart->SetValue(true); break;
    case rozuzezer::ehdLoopStart: tabs(0, 1); chkLoop->SetValue(1); cmdSetLoopStart->SetValue(true); break;
    case rozuzezer::ehdLoopEnd: tabs(0, 1); chkLoop->SetValue(1); cmdSetLoopEnd->SetValue(true); break;
    case rozuzezer::ehdLength: tabs(0, 0); break;
    case rozuzezer::ehdNotes: tabs(1, -1); focus(txtNotes); break;
    case rozuzezer::ehdDAB: tabs(1, -1); focus(txtDAB); break;
    case rozuzezer::ehdWeb: tabs(1, -1); focus(txtWebNotes); break;
    case rozuzezer::ehdURL: tabs(1, -1); focus(txtArtistWebLink); break;
    case rozuzezer::ehdCopyright: tabs(2, -1); focus(txtProductTitle); break;
    default: break;
    }
    return false;
}

bool frmLumoEdit::iEditHardDiskItem_PlayAudio(std::int32_t) { return false; }

} // namespace lumoedit
