// The document viewer: shows a rich-text or plain-text file read-only, with buttons to reload,
// print and save it (the update notes beside the program).
#pragma once

#include "platform/ui/CommonDialog.h"
#include "platform/ui/Containers.h"
#include "platform/ui/Form.h"
#include "platform/ui/RichTextBox.h"

#include <memory>
#include <string>

class QTextDocument;

namespace lumoedit {

class frmPrintPreview : public platform::ui::Form {
public:
    explicit frmPrintPreview(QWidget* owner = nullptr);

    // Shows the file (Modal 1: modally, then unloads). A missing file shows nothing.
    void DisplayFile(const std::string& Filename, const std::string& Caption, int Modal, bool& Floating);

    void toolButtons_ButtonClick(const std::string& key);
    void LoadDocument();
    void PrintDocument();
    // What printing puts on the page: an empty line in the printer's font "Courier", then the
    // selection, or the whole document when nothing is selected.
    std::unique_ptr<QTextDocument> Printout() const;
    void SaveDocument();

    platform::ui::RichTextBox* rtfFile = nullptr;
    platform::ui::Toolbar* toolButtons = nullptr;
    platform::ui::CommandButton* cmdOK = nullptr;
    platform::ui::CommonDialog Selector;

protected:
    void Form_Load() override;
    void Form_QueryUnload(int& Cancel, int UnloadMode) override;
    void Form_Resize() override;

private:
    std::string filename_;
};

} // namespace lumoedit
