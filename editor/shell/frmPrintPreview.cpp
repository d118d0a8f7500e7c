#include "editor/shell/frmPrintPreview.h"

#include "editor/shell/ClientSize.h"
#include "editor/shell/ErrorReport.h"
#include "platform/base/Error.h"
#include "platform/ui/QtCommonDialogs.h"
#include "platform/ui/Twips.h"
#include "shared/helpers/FileHelper.h"

#include <QGuiApplication>
#include <QPrinter>
#include <QScreen>
#include <QStyle>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>
#include <cctype>

namespace lumoedit {

using namespace platform::ui;

frmPrintPreview::frmPrintPreview(QWidget* owner) : Form("frmPrintPreview", owner) {
    SetCaption("Print Preview");
    toolButtons = new Toolbar(this, "toolButtons");
    toolButtons->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolButtons->setIconSize(QSize(20, 20));
    addToolBar(Qt::TopToolBarArea, toolButtons);
    QStyle* st = style();
    toolButtons->AddButton("save", "Save this information", st->standardIcon(QStyle::SP_DialogSaveButton), "Save");
    toolButtons->AddSeparator();
    toolButtons->AddButton("refresh", "Refresh this Information", st->standardIcon(QStyle::SP_BrowserReload), "Refresh");
    toolButtons->AddSeparator();
    toolButtons->AddButton("print", "Print this information",
                           QIcon::fromTheme(QStringLiteral("document-print"), st->standardIcon(QStyle::SP_FileDialogContentsView)),
                           "Print");
    toolButtons->AddSeparator();
    toolButtons->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(toolButtons, &Toolbar::ButtonClick, this, &frmPrintPreview::toolButtons_ButtonClick);

    rtfFile = new RichTextBox(Client(), "rtfFile");
    rtfFile->SetLocked(true);
    cmdOK = new CommandButton(Client(), "cmdOK", "OK");
    cmdOK->SetDefault(true);
    cmdOK->SetCancel(true);
    connect(cmdOK, &CommandButton::Click, this, [this] { Unload(); });
    SetClientSize(this, 9600, 7800);
}

void frmPrintPreview::Form_Load() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        const double sw = PixelsToTwipsX(avail.width()), sh = PixelsToTwipsY(avail.height());
        Move(PixelsToTwipsX(avail.x()) + (sw - Width()) / 2, PixelsToTwipsY(avail.y()) + (sh - Height()) / 3, Width(), Height());
    }
    toolButtons->SetButtonEnabled("print", PrinterInstalled());
    Form_Resize();
}

void frmPrintPreview::Form_Resize() {
    const double margin = 120, buttonW = 1215, buttonH = 375;
    const double w = std::max(ScaleWidth(), 2 * margin + buttonW), h = std::max(ScaleHeight(), 3 * margin + buttonH + 600);
    Move(rtfFile, margin, margin, w - 2 * margin, h - 3 * margin - buttonH);
    Move(cmdOK, w - margin - buttonW, h - margin - buttonH, buttonW, buttonH);
}

void frmPrintPreview::DisplayFile(const std::string& Filename, const std::string& Caption, int Modal, bool& Floating) {
    if (helpers::FileHelper().FileSize(Filename) < 0) return;
    if (Floating) SetTopmost(true);
    filename_ = Filename;
    Load();
    SetCaption(Caption.empty() ? "Print Preview - " + Filename : Caption);
    LoadDocument();
    Show(Modal);
    if (Modal == platform::ui::Modal) Unload();
}

void frmPrintPreview::LoadDocument() {
    try {
        rtfFile->SetText("");
        if (helpers::FileHelper().FileSize(filename_) > 0) {
            try {
                rtfFile->LoadFile(filename_, RichTextBox::rtfRTF);
            } catch (const platform::RuntimeError&) {
                rtfFile->LoadFile(filename_, RichTextBox::rtfText);
            }
        }
        rtfFile->SetSelStart(0);
        rtfFile->SetSelLength(0);
    } catch (...) {
        // a document that cannot be read at all leaves the viewer empty
    }
}

void frmPrintPreview::toolButtons_ButtonClick(const std::string& key) {
    std::string k = key;
    std::transform(k.begin(), k.end(), k.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (k == "refresh") LoadDocument();
    else if (k == "print") PrintDocument();
    else if (k == "save") SaveDocument();
}

void frmPrintPreview::PrintDocument() {
    Selector = CommonDialog{};
    Selector.Owner = this;
    Selector.DialogTitle = "Print Document";
    Selector.Flags = cdl::PDDisablePrintToFile | cdl::PDUseDevModeCopies | cdl::PDReturnDC | cdl::PDNoPageNums;
    if (rtfFile->SelLength() > 0) Selector.Flags |= cdl::PDSelection;
    Selector.CancelError = true;
    try {
        Selector.ShowPrinter();
    } catch (const platform::RuntimeError& e) {
        if (e.Number() == platform::err::Cancelled) return;
        ReportError("while printing.", e.Number());
        return;
    }
    try {
        if ((Selector.Flags & cdl::PDSelection) == 0) rtfFile->SetSelLength(0);
        PrintAnswer answer;
        answer.ok = true;
        answer.copies = Selector.Copies;
        answer.printerName = Selector.PrinterName;
        answer.outputFile = Selector.PrintFileName;
        std::unique_ptr<QPrinter> printer = MakePrinter(answer);
        printer->setDocName(windowTitle());
        Printout()->print(printer.get());
        if (printer->printerState() == QPrinter::Error) platform::Raise(482, "Printer error");
    } catch (...) {
        ReportError("while printing.", CurrentErrorNumber());
    }
}

std::unique_ptr<QTextDocument> frmPrintPreview::Printout() const {
    auto doc = std::make_unique<QTextDocument>();
    QTextCursor c(doc.get());
    // The printer's font is Courier, and an empty line in it comes before the text.
    QTextCharFormat courier;
    courier.setFontFamilies({QStringLiteral("Courier")});
    c.setBlockCharFormat(courier);
    c.setCharFormat(courier);
    c.insertBlock();
    const QTextCursor shown = rtfFile->textCursor();
    if (shown.hasSelection()) {
        c.insertFragment(shown.selection());
    } else {
        QTextCursor all(rtfFile->document());
        all.select(QTextCursor::Document);
        c.insertFragment(all.selection());
    }
    return doc;
}

void frmPrintPreview::SaveDocument() {
    Selector = CommonDialog{};
    Selector.Owner = this;
    Selector.Filter = "Rich Text Files (*.rtf)|*.rtf|Text files (*.txt)|*.txt|All Files|*.*";
    Selector.FilterIndex = 1;
    Selector.DialogTitle = "Select File to Save to";
    Selector.Flags = cdl::HideReadOnly;
    Selector.CancelError = false;
    Selector.FileName = helpers::FileHelper().NamePart(filename_);
    Selector.ShowSave();
    if (Selector.FileName.empty()) return;
    std::string ext = helpers::FileHelper().Extension(Selector.FileName);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    try {
        rtfFile->SaveFile(Selector.FileName, ext == "rtf" ? RichTextBox::rtfRTF : RichTextBox::rtfText);
    } catch (...) {
        ReportError("while saving the document to \"" + Selector.FileName + "\".", CurrentErrorNumber());
    }
}

void frmPrintPreview::Form_QueryUnload(int&, int) {
    SetTopmost(false);
    filename_.clear();
    rtfFile->SetText("");
}

} // namespace lumoedit
