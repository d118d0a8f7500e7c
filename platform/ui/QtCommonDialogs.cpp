#include "platform/ui/QtCommonDialogs.h"

#include "platform/ui/Controls.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QTreeView>

namespace platform::ui {

namespace {

// The list of files with every column readable: the name takes what the size, type and date
// leave, and the dialog is wide enough for all four (within the screen it opens on).
void ShowDetails(QFileDialog& d) {
    d.setViewMode(QFileDialog::Detail);
    const QScreen* screen = d.parentWidget() ? d.parentWidget()->screen() : QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const int em = d.fontMetrics().horizontalAdvance(QLatin1Char('M'));
    d.resize(std::min(avail.width() * 9 / 10, 64 * em), std::min(avail.height() * 9 / 10, 30 * em));
    if (auto* tree = d.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = tree->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int c = 1; c < header->count(); ++c) header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    }
}

} // namespace

QStringList QtNameFilters(const std::string& filter) {
    QStringList parts = Q(filter).split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (auto& p : patterns) p = p.trimmed();
        out << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out;
}

FileAnswer QtCommonDialogs::ShowFile(const FileRequest& r) {
    QFileDialog d(r.owner, Q(r.title));
    d.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (r.save) d.setFileMode(QFileDialog::AnyFile);
    else if (r.flags & cdl::AllowMultiselect) d.setFileMode(QFileDialog::ExistingFiles);
    else if (r.flags & cdl::FileMustExist) d.setFileMode(QFileDialog::ExistingFile);
    else d.setFileMode(QFileDialog::AnyFile);
    if (r.save && !(r.flags & cdl::OverwritePrompt)) d.setOption(QFileDialog::DontConfirmOverwrite);
    QStringList filters = QtNameFilters(r.filter);
    // The list shows each description as given; the patterns Qt needs after it stay hidden
    // ("MPEG 2 (*.mp2)", not "MPEG 2 (*.mp2) (*.mp2)").
    d.setOption(QFileDialog::HideNameFilterDetails);
    if (!filters.isEmpty()) {
        d.setNameFilters(filters);
        int i = std::clamp(r.filterIndex, 1, static_cast<int>(filters.size()));
        d.selectNameFilter(filters[i - 1]);
    }
    if (!r.initDir.empty()) d.setDirectory(Q(r.initDir));
    if (!r.fileName.empty()) d.selectFile(Q(r.fileName));
    if (!r.defaultExt.empty()) d.setDefaultSuffix(Q(r.defaultExt));
    ShowDetails(d);
    FileAnswer a;
    if (d.exec() != QDialog::Accepted) return a;
    for (const QString& f : d.selectedFiles()) a.files.push_back(S(f));
    a.ok = !a.files.empty();
    // The dialog names the chosen filter as it shows it, the description without its patterns.
    const QString chosen = d.selectedNameFilter();
    qsizetype index = filters.indexOf(chosen);
    for (qsizetype i = 0; index < 0 && i < filters.size(); ++i)
        if (filters[i].left(filters[i].lastIndexOf(QLatin1Char('('))).trimmed() == chosen) index = i;
    a.filterIndex = std::max(1, static_cast<int>(index) + 1);
    return a;
}

ColourAnswer QtCommonDialogs::ShowColour(const ColourRequest& r) {
    QColor initial = (r.flags & cdl::RGBInit) ? ToQColor(r.colour) : QColor(Qt::black);
    QColor c = QColorDialog::getColor(initial, r.owner, Q(r.title));
    if (!c.isValid()) return {};
    return ColourAnswer{true, FromQColor(c)};
}

std::string QtCommonDialogs::BrowseForFolder(const FolderRequest& r) {
    return S(QFileDialog::getExistingDirectory(r.owner, Q(r.title), Q(r.startFolder)));
}

PrintAnswer QtCommonDialogs::ShowPrinter(const PrintRequest& r) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setCopyCount(std::max(1, r.copies));
    QPrintDialog d(&printer, r.owner);
    if (!r.title.empty()) d.setWindowTitle(Q(r.title));
    QAbstractPrintDialog::PrintDialogOptions o = d.options();
    o.setFlag(QAbstractPrintDialog::PrintToFile, !(r.flags & (cdl::PDDisablePrintToFile | cdl::PDHidePrintToFile)));
    o.setFlag(QAbstractPrintDialog::PrintPageRange, !(r.flags & cdl::PDNoPageNums));
    o.setFlag(QAbstractPrintDialog::PrintSelection, !(r.flags & cdl::PDNoSelection));
    d.setOptions(o);
    if (r.flags & cdl::PDSelection) d.setPrintRange(QAbstractPrintDialog::Selection);
    PrintAnswer a;
    if (d.exec() != QDialog::Accepted) return a;
    a.ok = true;
    a.flags = d.printRange() == QAbstractPrintDialog::Selection ? cdl::PDSelection : 0;
    a.copies = printer.copyCount();
    a.printerName = S(printer.printerName());
    a.outputFile = S(printer.outputFileName());
    return a;
}

bool QtCommonDialogs::HasPrinter() { return !QPrinterInfo::availablePrinterNames().isEmpty(); }

std::unique_ptr<QPrinter> MakePrinter(const PrintAnswer& a) {
    auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (!a.outputFile.empty()) {
        p->setOutputFormat(QPrinter::PdfFormat);
        p->setOutputFileName(Q(a.outputFile));
    } else if (!a.printerName.empty()) {
        p->setPrinterName(Q(a.printerName));
    }
    p->setCopyCount(std::max(1, a.copies));
    return p;
}

} // namespace platform::ui
