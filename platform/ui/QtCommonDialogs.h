// The common dialogs on Qt: QFileDialog, QColorDialog and QPrintDialog. The program installs
// them at start-up:
//   platform::ui::SetCommonDialogService(std::make_shared<platform::ui::QtCommonDialogs>());
#pragma once

#include "platform/ui/CommonDialog.h"

#include <QStringList>

#include <memory>

class QPrinter;

namespace platform::ui {

class QtCommonDialogs : public CommonDialogService {
public:
    FileAnswer ShowFile(const FileRequest& r) override;
    ColourAnswer ShowColour(const ColourRequest& r) override;
    std::string BrowseForFolder(const FolderRequest& r) override;
    PrintAnswer ShowPrinter(const PrintRequest& r) override;
    bool HasPrinter() override;
};

// "Text (*.txt)|*.txt;*.text|All|*.*" as Qt name filters: "Text (*.txt) (*.txt *.text)", ...
QStringList QtNameFilters(const std::string& filter);

// A printer for what ShowPrinter answered: the chosen printer and copies, or a PDF file.
std::unique_ptr<QPrinter> MakePrinter(const PrintAnswer& a);

} // namespace platform::ui
