#include "editor/shell/frmMain.h"

#include "editor/shell/LumoEdit_FN.h"
#include "editor/shell/Registry.h"
#include "editor/shell/frmAbout.h"
#include "editor/shell/frmOptions.h"
#include "editor/shell/frmPrintPreview.h"
#include "platform/base/MessageBox.h"
#include "platform/fs/Process.h"
#include "platform/ui/PositionedForm.h"
#include "shared/helpers/FileHelper.h"
#include "shared/helpers/Utility.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMenuBar>
#include <QPointer>
#include <QVBoxLayout>

#include <cmath>

namespace lumoedit {

using namespace platform::ui;

namespace {

frmMain* g_main = nullptr;
bool g_quitOnUnload = false;

EditorWindowFactory& Factory() {
    static EditorWindowFactory f;
    return f;
}

// A path in a menu caption: "&" would mark an access key.
std::string EscapeAmpersands(const std::string& s) {
    std::string out;
    for (char c : s) {
        out += c;
        if (c == '&') out += '&';
    }
    return out;
}

// A menu entry stays readable however long the path: the middle gives way to "...".
std::string MenuForm(const std::string& path) {
    constexpr qsizetype kMax = 100;
    const QString p = QString::fromStdString(helpers::FileHelper().DisplayForm(path));
    if (p.size() <= kMax) return p.toStdString();
    return (p.left(40) + QStringLiteral("...") + p.right(kMax - 43)).toStdString();
}

// The area that holds the one editor window of file mode. Qt's MDI area takes Ctrl+Tab and
// Ctrl+Shift+Tab to switch between sub windows; here there is only one, and those keys move
// between the editor's details tabs.
class FileModeMdiArea : public QMdiArea {
public:
    using QMdiArea::QMdiArea;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            const auto* key = static_cast<const QKeyEvent*>(event);
            if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && (key->modifiers() & Qt::ControlModifier))
                return QAbstractScrollArea::eventFilter(object, event);
        }
        return QMdiArea::eventFilter(object, event);
    }
};

// The notes file's last change, cut to whole seconds as the stored "General Date" text holds it.
double NotesFileDate(const std::string& path) {
    return std::floor(helpers::FileHelper().FileDateTime(path) * 86400.0 + 1e-6) / 86400.0;
}

} // namespace

EditorWindowFactory SetEditorWindowFactory(EditorWindowFactory factory) {
    EditorWindowFactory old = std::move(Factory());
    Factory() = std::move(factory);
    return old;
}

EditorWindowFactory CurrentEditorWindowFactory() { return Factory(); }

frmMain* MainWindow() { return g_main; }

void frmMain::SetQuitOnUnload(bool on) { g_quitOnUnload = on; }

frmMain::frmMain(QWidget* owner) : Form("frmMain", owner) {
    g_main = this;
    SetCaption("Brevant Lumo Edit");
    mdi_ = new FileModeMdiArea(Client());
    mdi_->setObjectName(QStringLiteral("MDIClient"));
    mdi_->setBackground(QBrush(QColor(0x80, 0x80, 0x80)));
    auto* layout = new QVBoxLayout(Client());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(mdi_);

    tmrunload = new Timer(this, "tmrunload", 500);
    tmrunload->SetEnabled(false);
    connect(tmrunload, &Timer::Tick, this, &frmMain::tmrunload_Timer);

    HWndGrab1 = new HWndGrab(this, "HWndGrab1");
    HWndGrab1->SetMinHeight(8000);
    HWndGrab1->SetMinWidth(8800);
    HWndGrab1->SetMaxHeight(90000);
    HWndGrab1->SetMaxWidth(90000);
    HWndGrab1->SetLimitSize(true);

    BuildMenus();
    // The first start, with nothing stored: 800 x 600, the size the editor's layout fits from.
    Move(1200, 900, 12000, 9000);
}

frmMain::~frmMain() {
    editor_.reset();
    if (g_main == this) g_main = nullptr;
}

QAction* frmMain::Item(QMenu* menu, const std::string& name, const std::string& caption,
                       void (frmMain::*handler)(), const QKeySequence& shortcut) {
    QAction* a = AddMenuItem(menu, name, caption, shortcut);
    if (handler) connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return a;
}

void frmMain::BuildMenus() {
    QMenu* file = mnuFile_ = AddMenu("mnuFile", "&File");
    connect(file, &QMenu::aboutToShow, this, &frmMain::mnuFile_Click);
    Item(file, "mnuNew", "&New", &frmMain::mnuNew_Click, QKeySequence(Qt::CTRL | Qt::Key_N));
    Item(file, "mnuOpenSep", "-", nullptr);
    Item(file, "mnuOpen", "&Open", &frmMain::mnuOpen_Click, QKeySequence(Qt::CTRL | Qt::Key_O));
    Item(file, "mnuSave", "&Save", &frmMain::mnuSave_Click, QKeySequence(Qt::CTRL | Qt::Key_S));
    Item(file, "mnuSaveAs", "S&ave As", &frmMain::mnuSaveAs_Click);
    Item(file, "mnuSaveSelection", "Save S&election", &frmMain::mnuSaveSelection_Click);
    Item(file, "mnuRecentSep", "-", nullptr);
    QAction* first = AddMenuItem(file, "mnuMRUAudio(1)", "Recent Audio");
    connect(first, &QAction::triggered, this, [this] { mnuMRUAudio_Click(1); });
    mru_.push_back(first);
    Item(file, "mnuExitSep", "-", nullptr);
    Item(file, "mnuExit", "E&xit", &frmMain::mnuExit_Click);

    QMenu* edit = AddMenu("mnuEdit", "&Edit");
    connect(edit, &QMenu::aboutToShow, this, &frmMain::mnuEdit_Click);
    Item(edit, "mnuUndo", "&Undo", &frmMain::mnuUndo_Click, QKeySequence(Qt::CTRL | Qt::Key_Z));
    Item(edit, "mnuRedo", "&Redo", &frmMain::mnuRedo_Click, QKeySequence(Qt::CTRL | Qt::Key_Y));
    Item(edit, "mnuSelectSep", "-", nullptr);
    Item(edit, "mnuSelectAll", "Select Entire Wave", &frmMain::mnuSelectAll_Click, QKeySequence(Qt::CTRL | Qt::Key_A));
    Item(edit, "mnuCopySep", "-", nullptr);
    Item(edit, "mnuCopy", "&Copy", &frmMain::mnuCopy_Click, QKeySequence(Qt::CTRL | Qt::Key_C));
    Item(edit, "mnuCut", "C&ut", &frmMain::mnuCut_Click, QKeySequence(Qt::CTRL | Qt::Key_X));
    Item(edit, "mnuPaste", "&Paste", &frmMain::mnuPaste_Click, QKeySequence(Qt::CTRL | Qt::Key_V));
    Item(edit, "mnuMixPaste", "&Mix Paste", &frmMain::mnuMixPaste_Click);
    Item(edit, "mnuInsertSep", "-", nullptr);
    Item(edit, "mnuInsertFile", "Insert Another File", &frmMain::mnuInsertFile_Click);
    Item(edit, "mnuMixInsertFile", "Mix Insert Another File", &frmMain::mnuMixInsertFile_Click);
    Item(edit, "mnuDeleteSep", "-", nullptr);
    Item(edit, "mnuDeleteSelection", "&Delete Selection", &frmMain::mnuDeleteSelection_Click);
    Item(edit, "mnuMuteSelection", "&Mute Selection", &frmMain::mnuMuteSelection_Click);

    QMenu* audio = AddMenu("mnuAudio", "&Audio");
    connect(audio, &QMenu::aboutToShow, this, &frmMain::mnuAudio_Click);
    Item(audio, "mnuAmplify", "Amplify", &frmMain::mnuAmplify_Click);
    Item(audio, "mnuNormalise", "&Normalise", &frmMain::mnuNormalise_Click);
    Item(audio, "mnuFadeIn", "Fade In", &frmMain::mnuFadeIn_Click);
    Item(audio, "mnuFadeOut", "Fade &Out", &frmMain::mnuFadeOut_Click);
    Item(audio, "mnuTimeStretchSep", "-", nullptr);
    Item(audio, "mnuTimeStretch", "&Time Stretch", &frmMain::mnuTimeStretch_Click);
    Item(audio, "mnuReverseSep", "-", nullptr);
    Item(audio, "mnuReverse", "Reverse", &frmMain::mnuReverse_Click);
    Item(audio, "mnuSilenceSep", "-", nullptr);
    Item(audio, "mnuInsertSilence", "Insert Silence", &frmMain::mnuInsertSilence_Click);
    Item(audio, "mnuDeleteSilence", "Delete Silence", &frmMain::mnuDeleteSilence_Click);

    QMenu* tools = AddMenu("mnuTools", "&Tools");
    Item(tools, "mnuWindowsMixer", "Windows Mixer", &frmMain::mnuWindowsMixer_Click);
    Item(tools, "mnuOptionsSep", "-", nullptr);
    Item(tools, "mnuOptions", "&Options", &frmMain::mnuOptions_Click);

    QMenu* help = AddMenu("mnuHelp", "&Help");
    Item(help, "mnuContents", "&Contents", &frmMain::mnuContents_Click, QKeySequence(Qt::Key_F1));
    Item(help, "mnuContentsSep", "-", nullptr);
    Item(help, "mnuManual", "LumoEdit &Manual", &frmMain::mnuManual_Click);
    Item(help, "mnuManualSep", "-", nullptr);
    Item(help, "mnuUpdateInfo", "&Update Information", &frmMain::mnuUpdateInfo_Click);
    Item(help, "mnuUpdateInfoSep", "-", nullptr);
    QMenu* web = AddSubMenu(help, "mnuBrevant", "Brevant On the Web");
    Item(web, "mnuForum", "Brevant &Forum", &frmMain::mnuForum_Click);
    Item(web, "mnuBrevantSupportWebsite", "Online Technical &Support ", &frmMain::mnuBrevantSupportWebsite_Click);
    Item(web, "mnuBrevantWebsiteSep", "-", nullptr);
    Item(web, "mnuBrevantWebsite", "Brevant &Home Page", &frmMain::mnuBrevantWebsite_Click);
    Item(help, "mnuAboutSep", "-", nullptr);
    Item(help, "mnuAbout", "&About LumoEdit(TM)", &frmMain::mnuAbout_Click);
}

QAction* frmMain::Menu(const std::string& name) const {
    return findChild<QAction*>(Q(ObjectName(name)));
}

iEditorWindow* frmMain::Editor() {
    if (!editor_) {
        if (!Factory()) return nullptr;
        editor_ = Factory()(*this);
        if (!editor_) return nullptr;
    }
    if (!editor_->IsLoaded()) editor_->Load();
    return editor_.get();
}

std::string frmMain::BesideProgram(const std::string& name) const {
    return helpers::FileHelper().FindNoCase(helpers::Utility().App().folder, name);
}

bool frmMain::Present(const std::string& path) { return helpers::FileHelper().FileSize(path) > 0; }

// ---- what the editor window calls --------------------------------------------------------

void frmMain::UpdateAudioEditorCaption(const std::string&, iEditorWindow*) {}
void frmMain::AudioEditorOpened(iEditorWindow*, const std::string&) {}
void frmMain::AudioEditorActivated(iEditorWindow*) {}
void frmMain::AudioEditorClosed(iEditorWindow*) { tmrunload->SetEnabled(true); }

void frmMain::UpdateMRU() {
    const std::string list = Preferences().GetPreference("MRUAudio", "");
    QAction* sep = Menu("mnuRecentSep");
    if (list.empty()) {
        for (QAction* a : mru_) {
            a->setVisible(false);
            a->setText(QString());
            SetTag(a, "");
        }
        sep->setVisible(false);
        return;
    }
    std::vector<std::string> entries = SplitBars(list);
    const int n = helpers::cUtility::ClampLong(static_cast<std::int32_t>(entries.size()) - 1, 0, 10);
    QAction* exitSep = Menu("mnuExitSep");
    for (int i = 0; i <= n; ++i) {
        const int k = i + 1;
        if (k > static_cast<int>(mru_.size())) {
            auto* a = new QAction(mnuFile_);
            SetName(a, "mnuMRUAudio(" + std::to_string(k) + ")");
            mnuFile_->insertAction(exitSep, a);
            connect(a, &QAction::triggered, this, [this, k] { mnuMRUAudio_Click(k); });
            mru_.push_back(a);
        }
        QAction* a = mru_[static_cast<std::size_t>(k - 1)];
        a->setVisible(true);
        const std::string& entry = entries[static_cast<std::size_t>(i)];
        a->setText(Q("&" + std::to_string(k % 10) + " " + EscapeAmpersands(MenuForm(entry))));
        SetTag(a, entry);
    }
    const int shown = n + 1;
    for (int k = static_cast<int>(helpers::cUtility::Larger(1, shown + 1)); k <= static_cast<int>(mru_.size()); ++k) {
        QAction* a = mru_[static_cast<std::size_t>(k - 1)];
        a->setVisible(false);
        a->setText(QString());
        SetTag(a, "");
    }
    sep->setVisible(true);
}

// ---- lifecycle -----------------------------------------------------------------------------

void frmMain::Form_Load() {
    bLoading = true;
    QCoreApplication::processEvents();
    if (!InitialiseApplication()) {
        Unload();
        return;
    }
    PositionedForm<iPositionedWindow> position(*this);
    Registry::LoadFormPosition(kSettingsKey, &position);
    UpdateMRU();

    const bool help = Present(BesideProgram("LumoEdit.chm"));
    Menu("mnuContentsSep")->setVisible(help);
    Menu("mnuContents")->setVisible(help);
    const bool manual = Present(BesideProgram("LumoEdit.pdf"));
    Menu("mnuManual")->setVisible(manual);
    Menu("mnuManualSep")->setVisible(manual);

    const std::string notes = BesideProgram("UPDATES.RTF");
    if (Present(notes)) {
        const double fileDate = NotesFileDate(notes);
        const std::string stored =
            Registry::GetStringSetting(HKEY_CURRENT_USER, kSettingsKey, "UpdateInformationFileDate", "");
        double storedDate = 0;
        if (!ParseGeneralDate(stored, storedDate) || fileDate > storedDate + 0.5 / 86400.0) mnuUpdateInfo_Click();
    }

    Show();
    iEditorWindow* editor = Editor();
    if (editor) {
        HWndGrab1->SetMinWidth(std::nearbyint(editor->MinWidthLimit() + editor->OuterWidth() - editor->InnerWidth()));
        HWndGrab1->SetMinHeight(std::nearbyint(editor->MinHeightLimit() + editor->OuterHeight() - editor->InnerHeight()));
        editor->SetAllowEditInformation(true);
        editor->SetStandaloneMode(true);
        editor->SetWindowState(Maximized);
        editor->Show();
        const std::string& line = helpers::Utility().CommandLine();
        editor->ClearDetails(line.empty() ? 1 : 2);
        editor->Refresh();
        const std::string file = TrimBlanks(RemoveSwitch(RemoveSwitch(line, "/DEBUG"), "/EDITORSCALE"));
        if (!file.empty()) editor->OpenFile(file);
    }
    bLoading = false;
}

void frmMain::Form_QueryUnload(int& Cancel, int UnloadMode) {
    if (UnloadMode == FormControlMenu && editor_ && editor_->bInhibitUnloading()) {
        Cancel = 1;
        return;
    }
    // The child window is asked next, and closes before this one.
    if (editor_ && editor_->IsLoaded() && !editor_->Unload()) Cancel = 1;
}

void frmMain::Form_Unload(int&) {
    if (!bLoading) {
        PositionedForm<iPositionedWindow> position(*this);
        Registry::SaveFormPosition(kSettingsKey, &position);
    }
    tmrunload->SetEnabled(false);
    if (g_quitOnUnload) QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void frmMain::tmrunload_Timer() {
    tmrunload->SetEnabled(false);
    Unload();
}

// ---- menu enabling -------------------------------------------------------------------------

void frmMain::CopyEnabled(const std::string& menu, const std::string& key) {
    Menu(menu)->setEnabled(editor_->AudioButtonEnabled(key));
}

void frmMain::mnuFile_Click() {
    if (!Editor()) return;
    Menu("mnuSave")->setEnabled(editor_->bEdited());
    Menu("mnuSaveAs")->setEnabled(editor_->DocumentHasAudio());
    Menu("mnuSaveSelection")->setEnabled(editor_->AudioSelected());
}

void frmMain::mnuEdit_Click() {
    if (!Editor()) return;
    Menu("mnuUndo")->setEnabled(editor_->CanUndo());
    Menu("mnuRedo")->setEnabled(editor_->CanRedo());
    Menu("mnuSelectAll")->setEnabled(editor_->DocumentHasAudio());
    CopyEnabled("mnuCut", "cut");
    CopyEnabled("mnuCopy", "copy");
    CopyEnabled("mnuPaste", "paste");
    CopyEnabled("mnuDeleteSelection", "delete");
    CopyEnabled("mnuMuteSelection", "erase");
    Menu("mnuMixPaste")->setEnabled(editor_->PasteMixEnabled());
}

void frmMain::mnuAudio_Click() {
    if (!Editor()) return;
    CopyEnabled("mnuAmplify", "amplify");
    CopyEnabled("mnuNormalise", "normalise");
    CopyEnabled("mnuFadeIn", "fadein");
    CopyEnabled("mnuFadeOut", "fadeout");
    CopyEnabled("mnuTimeStretch", "timestretch");
    CopyEnabled("mnuReverse", "reverse");
    CopyEnabled("mnuInsertSilence", "silence");
    CopyEnabled("mnuDeleteSilence", "deletesilence");
}

// ---- forwarded commands --------------------------------------------------------------------

void frmMain::mnuNew_Click() { if (auto* e = Editor()) e->ProcessButton("new"); }
void frmMain::mnuOpen_Click() { if (auto* e = Editor()) e->OpenFile(""); }
void frmMain::mnuSave_Click() { if (auto* e = Editor()) e->SaveFile(); }
void frmMain::mnuSaveAs_Click() { if (auto* e = Editor()) e->SaveAsFile("", false); }
void frmMain::mnuSaveSelection_Click() { if (auto* e = Editor()) e->SaveSelection(); }

void frmMain::mnuMRUAudio_Click(int Index) {
    if (Index < 1 || Index > static_cast<int>(mru_.size())) return;
    const std::string path = Tag(mru_[static_cast<std::size_t>(Index - 1)]);
    if (auto* e = Editor()) e->OpenFile(path);
}

void frmMain::mnuExit_Click() { Unload(); }
void frmMain::mnuUndo_Click() { if (auto* e = Editor()) e->AudioUndo(); }
void frmMain::mnuRedo_Click() { if (auto* e = Editor()) e->AudioRedo(); }
void frmMain::mnuSelectAll_Click() { if (auto* e = Editor()) e->AudioSelectAll(); }
void frmMain::mnuCopy_Click() { if (auto* e = Editor()) e->AudioCopy(); }
void frmMain::mnuCut_Click() { if (auto* e = Editor()) e->AudioCut(); }
void frmMain::mnuPaste_Click() { if (auto* e = Editor()) e->AudioPaste(); }
void frmMain::mnuMixPaste_Click() { if (auto* e = Editor()) e->AudioMixPaste(); }
void frmMain::mnuInsertFile_Click() { if (auto* e = Editor()) e->AudioInsertFile(false); }
void frmMain::mnuMixInsertFile_Click() { if (auto* e = Editor()) e->AudioInsertFile(true); }
void frmMain::mnuDeleteSelection_Click() { if (auto* e = Editor()) e->AudioDeleteSelection(); }
void frmMain::mnuMuteSelection_Click() { if (auto* e = Editor()) e->ProcessAudioButton("erase"); }
void frmMain::mnuAmplify_Click() { if (auto* e = Editor()) e->ProcessAudioButton("amplify"); }
void frmMain::mnuNormalise_Click() { if (auto* e = Editor()) e->ProcessAudioButton("normalise"); }
void frmMain::mnuFadeIn_Click() { if (auto* e = Editor()) e->ProcessAudioButton("fadein"); }
void frmMain::mnuFadeOut_Click() { if (auto* e = Editor()) e->ProcessAudioButton("fadeout"); }
void frmMain::mnuTimeStretch_Click() { if (auto* e = Editor()) e->ProcessAudioButton("timestretch"); }
void frmMain::mnuReverse_Click() { if (auto* e = Editor()) e->ProcessAudioButton("reverse"); }
void frmMain::mnuInsertSilence_Click() { if (auto* e = Editor()) e->ProcessAudioButton("silence"); }
void frmMain::mnuDeleteSilence_Click() { if (auto* e = Editor()) e->ProcessAudioButton("deletesilence"); }

// ---- the main window's own commands --------------------------------------------------------

void frmMain::mnuWindowsMixer_Click() {
    for (const auto& program : MixerPrograms())
        if (StartNamedProgram(program)) return;
    platform::MsgBox("The volume mixer could not be started." "\n\n"
                     "Install the PulseAudio Volume Control (pavucontrol) to adjust the sound card levels.",
                     platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
}

void frmMain::mnuOptions_Click() {
    {
        frmOptions options;
        options.Show(Modal, this);
        options.Unload();
    }
    if (auto* e = Editor()) e->LoadSettings();
}

void frmMain::mnuContents_Click() {
    const std::string help = BesideProgram("LumoEdit.chm");
    if (Present(help)) platform::fs::ShellOpen(help);
}

void frmMain::mnuManual_Click() { platform::fs::ShellOpen(BesideProgram("LumoEdit.pdf")); }

void frmMain::mnuUpdateInfo_Click() {
    const std::string notes = BesideProgram("UPDATES.RTF");
    if (!Present(notes)) return;
    {
        frmPrintPreview viewer;
        bool floating = false;
        viewer.DisplayFile(notes, "Quarn Update Information..", Modal, floating);
    }
    const double fileDate = NotesFileDate(notes);
    Registry::SaveStringSetting(HKEY_CURRENT_USER, kSettingsKey, "UpdateInformationFileDate", GeneralDate(fileDate), "");
}

// One of the maker's web pages. Without a browser to show it the user is told why, at once
// when no opener could start, or once the opener has found no browser.
void frmMain::OpenWebPage(const std::string& address) {
    const auto tell = [address] {
        platform::MsgBox("The web page " + address + " could not be opened: no web browser was found." "\n\n"
                         "Install a web browser (and xdg-utils, which starts it) to open the program's web pages.",
                         platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
    };
    QPointer<frmMain> alive(this);
    const bool started = platform::fs::ShellOpen(address, [alive, tell] {
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, [alive, tell] { if (alive) tell(); }, Qt::QueuedConnection);
    });
    if (!started) tell();
}

void frmMain::mnuForum_Click() { OpenWebPage(kForumAddress); }
void frmMain::mnuBrevantSupportWebsite_Click() { OpenWebPage(kSupportAddress); }
void frmMain::mnuBrevantWebsite_Click() { OpenWebPage(kHomeAddress); }

void frmMain::mnuAbout_Click() {
    frmAbout about;
    about.Show(Modal, this);
    about.Unload();
}

} // namespace lumoedit
