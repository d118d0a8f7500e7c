// The item's detail fields: the text boxes and what each stores, the end-type buttons, the
// custom colours, the category and copyright-code lists, the Copy buttons and the copyright
// panel's layout.
//
// What a box stores must come back from the file as it was typed. So every change, typed,
// pasted or dropped, first cleans the text where the file could not hold it: fields kept as
// tags in the cart's tag text lose "<" and ">" (a pasted "<NOTES>" would otherwise end or
// start a tag), one-line fields turn tabs and line breaks into blanks, and no field keeps
// NULs or other control characters.
#include "editor/document/frmLumoEdit.h"

#include "platform/base/Error.h"
#include "platform/base/Numeric.h"
#include "editor/details/DetailText.h"
#include "platform/ui/Handlers.h"
#include "platform/ui/Twips.h"

#include <QEvent>

#include <algorithm>
#include <cmath>

namespace lumoedit {

using namespace platform::ui;
using Item = rozuzezer::cHardDiskItem;
using namespace details;

namespace {

enum Store { Trimmed, Duration, PassCount };

struct Field {
    const char* name; // the box's object name
    void (*store)(Item&, const std::string&);
    Store kind;
    bool tag;        // kept in the cart's tag text
    bool selectAll;  // select the whole text on focus
    bool refuseTags; // "<" and ">" refused as typed
};

const Field kFields[] = {
    {"txtDescription_1", [](Item& i, const std::string& v) { i.ItemTitle = v; }, Trimmed, false, true, false},
    {"txtDescription_2", [](Item& i, const std::string& v) { i.SetArtistName(1, v); }, Trimmed, false, true, false},
    {"txtDescription_3", [](Item& i, const std::string& v) { i.SetDescription(1, v); }, Trimmed, false, true, false},
    {"txtOutCue", [](Item& i, const std::string& v) { i.OutCue = v; }, Trimmed, false, true, false},
    {"txtClient", [](Item& i, const std::string& v) { i.Client = v; }, Trimmed, false, true, false},
    {"txtOriginator", [](Item& i, const std::string& v) { i.Originator = v; }, Trimmed, false, true, false},
    {"txtSchedulerID", [](Item& i, const std::string& v) { i.SchedulerReference = v; }, Trimmed, false, true, false},
    {"txtProductTitle", [](Item& i, const std::string& v) { i.CopyrightProductTitle = v; }, Trimmed, true, true, true},
    {"txtMusicTitle", [](Item& i, const std::string& v) { i.CopyrightMusicTitle = v; }, Trimmed, true, true, true},
    {"txtComposer", [](Item& i, const std::string& v) { i.CopyrightComposer = v; }, Trimmed, true, true, true},
    {"txtPublisher", [](Item& i, const std::string& v) { i.CopyrightPublisher = v; }, Trimmed, true, true, true},
    {"txtRecordNumber", [](Item& i, const std::string& v) { i.CopyrightRecordNumber = v; }, Trimmed, true, true, true},
    {"txtPerformer", [](Item& i, const std::string& v) { i.CopyrightPerformer = v; }, Trimmed, true, true, true},
    {"txtRecordLabel", [](Item& i, const std::string& v) { i.CopyrightRecordLabel = v; }, Trimmed, true, true, true},
    {"txtRightsManagementRef", [](Item& i, const std::string& v) { i.RightsManagementReference = v; }, Trimmed, true,
     true, true},
    {"txtMusicDuration", nullptr, Duration, false, true, false},
    {"txtTotalDuration", nullptr, Duration, false, true, false},
    {"txtArtistWebLink", [](Item& i, const std::string& v) { i.ArtistURL = v; }, Trimmed, false, true, true},
    {"txtOnlineStoreRef", [](Item& i, const std::string& v) { i.OnlineStoreReference = v; }, Trimmed, true, true, true},
    {"txtWebNotes", [](Item& i, const std::string& v) { i.WebNotes = v; }, Trimmed, true, true, true},
    {"txtDAB", [](Item& i, const std::string& v) { i.DABNotes = v; }, Trimmed, true, false, true},
    {"txtNotes", [](Item& i, const std::string& v) { i.Notes = v; }, Trimmed, true, false, true},
    {"txtMaxLoop", nullptr, PassCount, false, true, false},
};

const Field* FieldOf(const QWidget* box) {
    const QString name = box->objectName();
    for (const Field& f : kFields)
        if (name == QLatin1String(f.name)) return &f;
    return nullptr;
}

QString BoxText(const QWidget* box) {
    if (auto* t = qobject_cast<const QLineEdit*>(box)) return t->text();
    if (auto* a = qobject_cast<const QPlainTextEdit*>(box)) return a->toPlainText();
    return {};
}

// The text as the file can hold it; the same text when nothing needs to go.
QString Cleaned(const QString& text, bool multiLine, bool tag, int& removedBefore, int cursor) {
    QString out;
    bool changed = false;
    for (int i = 0; i < text.size(); ++i) {
        const ushort u = text.at(i).unicode();
        if (u == '\n' || u == '\r' || u == '\t') {
            if (multiLine) {
                out += text.at(i);
            } else {
                out += QLatin1Char(' ');
                changed = true;
            }
            continue;
        }
        if ((tag && (u == '<' || u == '>')) || u < 0x20 || u == 0x7F) {
            changed = true;
            if (i < cursor) ++removedBefore;
            continue;
        }
        out += text.at(i);
    }
    return changed ? out : text;
}

// While the window fills its controls from an item, keys, pastes and drops into the details
// would show in the boxes but never reach the item: they are not let in.
class LoadingInputBlock : public QObject {
public:
    LoadingInputBlock(frmLumoEdit& w, QWidget* area) : QObject(&w), w_(w), area_(area) {}
    bool eventFilter(QObject* o, QEvent* e) override {
        if (!w_.bLoadingInfo) return false;
        switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::InputMethod:
        case QEvent::Drop:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel: break;
        default: return false;
        }
        auto* widget = qobject_cast<QWidget*>(o);
        return widget && (widget == area_ || area_->isAncestorOf(widget));
    }

private:
    frmLumoEdit& w_;
    QWidget* area_;
};

} // namespace

void frmLumoEdit::DetailField_Change(QWidget* Box) {
    const Field* f = FieldOf(Box);
    if (!f) return;
    if (!bLoadingInfo) {
        const bool multiLine = qobject_cast<QPlainTextEdit*>(Box) != nullptr;
        const QString text = BoxText(Box);
        int cursor = 0;
        if (auto* t = qobject_cast<QLineEdit*>(Box)) cursor = t->cursorPosition();
        else if (auto* a = qobject_cast<QPlainTextEdit*>(Box)) cursor = a->textCursor().position();
        int removed = 0;
        const QString clean = Cleaned(text, multiLine, f->tag, removed, cursor);
        if (clean != text) {
            // The rewrite runs this handler again, which stores the clean text.
            if (auto* t = qobject_cast<TextBox*>(Box)) {
                t->SetText(S(clean));
                t->setCursorPosition(std::clamp(cursor - removed, 0, static_cast<int>(clean.size())));
            } else if (auto* a = qobject_cast<TextArea*>(Box)) {
                a->SetText(S(clean));
                a->SetSelStart(std::clamp(cursor - removed, 0, static_cast<int>(clean.size())));
            }
            return;
        }
    }
    if (bLoadingInfo) return;
    const std::string text = S(BoxText(Box));
    Item& item = *cAudioInformation;
    switch (f->kind) {
    case Trimmed: f->store(item, TrimBlanks(text)); break;
    case Duration:
        (Box == txtMusicDuration ? item.CopyrightMusicDuration : item.CopyrightTotalDuration) = DurationValue(text);
        break;
    case PassCount: txtMaxLoop_Change(); return;
    }
    SetTextEdited();
}

void frmLumoEdit::txtMaxLoop_Change() {
    if (bLoadingInfo) return;
    SetTextEdited();
    const bool on = chkLoop->Value() != 0 && chkMaxLoop->Value() != 0;
    cAudioInformation->LoopNumberLoops = on ? LoopCount(txtMaxLoop->Text()) : 0;
}

void frmLumoEdit::txtDescription_KeyDown(int Index, int& KeyCode) {
    (void)Index;
    if (KeyCode != 27) return;
    KeyCode = 0;
    Unload();
}

void frmLumoEdit::optAudioEnd_Click(OptionButton* Button) {
    if (!bLoadingInfo) SetTextEdited();
    if (!Button->Value()) return;
    const std::pair<OptionButton*, std::int32_t> codes[] = {{optAudioEndNotSpecified, rozuzezer::cheNonSpecific},
                                                            {optAudioEnds, rozuzezer::cheEnd},
                                                            {optAudioFades, rozuzezer::cheFades},
                                                            {optAudioSustain, rozuzezer::cheSustain},
                                                            {optAudioSlowFade, rozuzezer::cheSlowFade}};
    for (const auto& [b, code] : codes)
        if (b == Button) cAudioInformation->EndType = code;
}

namespace {

// The colour dialog with the first description box's colour preselected; false on Cancel.
bool ChooseColour(CommonDialog& selector, QWidget* owner, OleColour current, OleColour& chosen) {
    selector.Owner = owner;
    selector.Color = current;
    selector.Flags = 1;
    selector.CancelError = true;
    try {
        selector.ShowColor();
    } catch (const platform::RuntimeError& e) {
        if (e.Number() == platform::err::Cancelled) return false;
        throw;
    }
    chosen = selector.Color & 0xFFFFFF;
    return true;
}

} // namespace

void frmLumoEdit::cmdChangeBackgroundColour_Click() {
    OleColour c = 0;
    if (!ChooseColour(Selector, this, BackColor(txtDescription[1]), c)) return;
    cAudioInformation->BackColour = static_cast<std::int32_t>(c);
    for (int i = 1; i <= 3; ++i) SetBackColor(txtDescription[i], c);
    SetTextEdited();
}

void frmLumoEdit::cmdChangeForegroundColour_Click() {
    OleColour c = 0;
    if (!ChooseColour(Selector, this, ForeColor(txtDescription[1]), c)) return;
    cAudioInformation->TextColour = static_cast<std::int32_t>(c);
    for (int i = 1; i <= 3; ++i) SetForeColor(txtDescription[i], c);
    SetTextEdited();
}

void frmLumoEdit::comboCategory_Click() {
    if (bLoadingInfo) return;
    SetTextEdited();
    const int row = comboCategory->ListIndex();
    if (row < 0) return;
    const std::string text = comboCategory->List(row);
    const auto bar = text.find('|');
    if (bar == std::string::npos) {
        cAudioInformation->Category.clear();
        return;
    }
    const auto next = text.find('|', bar + 1);
    cAudioInformation->Category = text.substr(bar + 1, next == std::string::npos ? std::string::npos : next - bar - 1);
}

void frmLumoEdit::listCopyrightCode_Click() { listCopyrightCode_Change(); }

void frmLumoEdit::listCopyrightCode_Change() {
    if (bLoadingInfo) return;
    const int row = listCopyrightCode->ListIndex();
    if (row < 0) return;
    cAudioInformation->CopyrightCode = listCopyrightCode->List(row).substr(0, 1);
    SetTextEdited();
}

void frmLumoEdit::cmdCopyProductTitle_Click() { txtProductTitle->SetText(TrimBlanks(txtDescription[1]->Text())); }
void frmLumoEdit::cmdCopyMusicTitle_Click() { txtMusicTitle->SetText(TrimBlanks(txtDescription[1]->Text())); }

void frmLumoEdit::cmdCopyPerformer_Click() {
    const std::string artist = TrimBlanks(txtDescription[2]->Text());
    const std::string description = TrimBlanks(txtDescription[3]->Text());
    if (!artist.empty()) {
        txtPerformer->SetText(artist);
        if (!description.empty()) txtPerformer->SetText(txtPerformer->Text() + " / " + description);
    } else if (!description.empty()) {
        txtPerformer->SetText(description);
    }
}

void frmLumoEdit::cmdCopyTotalDuration_Click() {
    const double whole = std::floor(static_cast<double>(cAudioInformation->TotalLength));
    txtTotalDuration->SetText(platform::FormatDouble(std::max(0.0, whole)));
}

void frmLumoEdit::picCopyright1_Resize() {
    if (Width(picCopyright1) < 4000) return;
    const double W = PixelsToTwipsX(picCopyright1->contentsRect().width());
    auto atRight = [&](CommandButton* b, TextBox* box) {
        SetLeft(b, W - Width(b));
        SetWidth(box, Left(b) - 60 - Left(box));
    };
    atRight(cmdCopyProductTitle, txtProductTitle);
    atRight(cmdCopyMusicTitle, txtMusicTitle);
    for (TextBox* box : {txtRecordNumber, txtComposer}) SetWidth(box, W - Left(box));
    atRight(cmdCopyPerformer, txtPerformer);
    for (TextBox* box : {txtPublisher, txtRecordLabel, txtRightsManagementRef}) SetWidth(box, W - Left(box));
}

void frmLumoEdit::ConnectDetailFields() {
    for (const Field& f : kFields) {
        auto* box = findChild<QWidget*>(QLatin1String(f.name));
        if (!box) continue;
        if (auto* t = qobject_cast<TextBox*>(box)) {
            OnCall(t, &TextBox::Change, this, [this, box] { DetailField_Change(box); }, f.name);
            if (f.selectAll) OnCall(t, &TextBox::GotFocus, this, [t] { SelectAllOnFocusMove(t); }, f.name);
            if (f.refuseTags)
                OnCall(t, &TextBox::KeyPress, this, [](int& k) { if (k == '<' || k == '>') k = 0; }, f.name);
        } else if (auto* a = qobject_cast<TextArea*>(box)) {
            OnCall(a, &TextArea::Change, this, [this, box] { DetailField_Change(box); }, f.name);
            if (f.selectAll) OnCall(a, &TextArea::GotFocus, this, [a] { SelectAllOnFocusMove(a); }, f.name);
            if (f.refuseTags)
                OnCall(a, &TextArea::KeyPress, this, [](int& k) { if (k == '<' || k == '>') k = 0; }, f.name);
        }
    }
    OnCall(txtMaxLoop, &TextBox::KeyPress, this, [](int& k) { k = NumericKey(k); }, "txtMaxLoop_KeyPress");
    // The web link lands in the cart's URL field, which holds 1024 characters.
    txtArtistWebLink->SetMaxLength(1024);
    for (int i = 1; i <= 3; ++i)
        OnCall(txtDescription[i], &TextBox::KeyDown, this,
               [this, i](int& code, int) { txtDescription_KeyDown(i, code); }, "txtDescription_KeyDown");
    for (OptionButton* b : {optAudioEndNotSpecified, optAudioEnds, optAudioFades, optAudioSustain, optAudioSlowFade})
        OnCall(b, &OptionButton::Click, this, [this, b] { optAudioEnd_Click(b); }, "optAudioEnd_Click");
    On(cmdChangeBackgroundColour, &CommandButton::Click, this, &frmLumoEdit::cmdChangeBackgroundColour_Click,
       "cmdChangeBackgroundColour_Click");
    On(cmdChangeForegroundColour, &CommandButton::Click, this, &frmLumoEdit::cmdChangeForegroundColour_Click,
       "cmdChangeForegroundColour_Click");
    On(comboCategory, &ComboBox::Click, this, &frmLumoEdit::comboCategory_Click, "comboCategory_Click");
    On(listCopyrightCode, &ComboBox::Click, this, &frmLumoEdit::listCopyrightCode_Click, "listCopyrightCode_Click");
    On(cmdCopyProductTitle, &CommandButton::Click, this, &frmLumoEdit::cmdCopyProductTitle_Click, "cmdCopyProductTitle");
    On(cmdCopyMusicTitle, &CommandButton::Click, this, &frmLumoEdit::cmdCopyMusicTitle_Click, "cmdCopyMusicTitle");
    On(cmdCopyPerformer, &CommandButton::Click, this, &frmLumoEdit::cmdCopyPerformer_Click, "cmdCopyPerformer");
    On(cmdCopyTotalDuration, &CommandButton::Click, this, &frmLumoEdit::cmdCopyTotalDuration_Click,
       "cmdCopyTotalDuration");
    if (!loadingInputBlock_) {
        loadingInputBlock_ = new LoadingInputBlock(*this, tbsCartDetails);
        qApp->installEventFilter(loadingInputBlock_);
    }
}

} // namespace lumoedit
