// The common dialogs: open, save, colour, folder and print. Windows hold a CommonDialog (the
// control they call CommonDialog1 or Selector), set its properties and call ShowOpen,
// ShowSave, ShowColor, ShowPrinter or BrowseForFolder. Every show goes through one service:
// the Qt layer installs QtCommonDialogs, tests install ScriptedCommonDialogs, and without
// either every dialog answers as cancelled and no printer exists.
//
// A cancelled dialog empties FileName and, when CancelError is set, raises error 32755
// (platform::err::Cancelled).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace platform::ui {

// Flags as the platform numbers them.
namespace cdl {
// open and save
inline constexpr long ReadOnly = 0x1, OverwritePrompt = 0x2, HideReadOnly = 0x4,
                      NoChangeDir = 0x8, AllowMultiselect = 0x200, PathMustExist = 0x800,
                      FileMustExist = 0x1000, CreatePrompt = 0x2000, Explorer = 0x80000;
// colour
inline constexpr long RGBInit = 0x1, FullOpen = 0x2, PreventFullOpen = 0x4;
// print
inline constexpr long PDSelection = 0x1, PDPageNums = 0x2, PDNoSelection = 0x4,
                      PDNoPageNums = 0x8, PDCollate = 0x10, PDPrintToFile = 0x20,
                      PDPrintSetup = 0x40, PDReturnDC = 0x100, PDUseDevModeCopies = 0x40000,
                      PDDisablePrintToFile = 0x80000, PDHidePrintToFile = 0x100000;
} // namespace cdl

struct FileRequest {
    bool save = false;
    std::string title;
    std::string initDir;
    std::string fileName;
    std::string filter;     // "description|pattern|description|pattern", patterns split by ";"
    int filterIndex = 1;    // counted from 1
    std::string defaultExt; // without the point
    long flags = 0;
    QWidget* owner = nullptr;
};

struct FileAnswer {
    bool ok = false;                // false: cancelled
    std::vector<std::string> files; // one unless multiple selection was allowed
    int filterIndex = 1;
    bool readOnly = false;
};

struct ColourRequest {
    std::string title;
    std::uint32_t colour = 0; // OLE colour, preselected with cdl::RGBInit
    long flags = 0;
    QWidget* owner = nullptr;
};

struct ColourAnswer {
    bool ok = false;
    std::uint32_t colour = 0; // 0x00BBGGRR
};

struct FolderRequest {
    std::string title;
    std::string startFolder;
    QWidget* owner = nullptr;
};

struct PrintRequest {
    std::string title;
    long flags = 0;
    int copies = 1;
    QWidget* owner = nullptr;
};

struct PrintAnswer {
    bool ok = false;
    long flags = 0;          // cdl::PDSelection set when the user chose the selection
    int copies = 1;
    std::string printerName; // empty: the default printer
    std::string outputFile;  // not empty: print into this PDF file instead
};

class CommonDialogService {
public:
    virtual ~CommonDialogService() = default;
    virtual FileAnswer ShowFile(const FileRequest& r) = 0;
    virtual ColourAnswer ShowColour(const ColourRequest& r) = 0;
    virtual std::string BrowseForFolder(const FolderRequest& r) = 0; // "" when cancelled
    virtual PrintAnswer ShowPrinter(const PrintRequest& r) = 0;
    virtual bool HasPrinter() = 0;
};

// Installs a service (nullptr: the default that cancels); returns the previous one.
std::shared_ptr<CommonDialogService> SetCommonDialogService(std::shared_ptr<CommonDialogService> s);
CommonDialogService& CommonDialogs();

// Whether at least one printer is installed.
bool PrinterInstalled();

// The dialog control of a window.
class CommonDialog {
public:
    std::string DialogTitle;
    std::string InitDir;
    std::string FileName;   // the chosen path (the first one with multiple selection)
    std::string Filter;
    int FilterIndex = 1;
    std::string DefaultExt;
    long Flags = 0;
    bool CancelError = false;
    std::uint32_t Color = 0;
    int Copies = 1;
    std::string PrinterName;
    std::string PrintFileName;
    QWidget* Owner = nullptr;

    void ShowOpen();
    void ShowSave();
    void ShowColor();
    void ShowPrinter();
    // The folder chosen, or "" when cancelled (never raises).
    std::string BrowseForFolder(const std::string& title, const std::string& startFolder);

    // Every chosen path of the last open or save.
    const std::vector<std::string>& FileNames() const { return files_; }
    // The file name of FileName without its folder.
    std::string FileTitle() const;

private:
    void File(bool save);
    void Cancelled();
    std::vector<std::string> files_;
};

// Records every request and answers from queues; an empty queue answers as cancelled.
class ScriptedCommonDialogs : public CommonDialogService {
public:
    FileAnswer ShowFile(const FileRequest& r) override;
    ColourAnswer ShowColour(const ColourRequest& r) override;
    std::string BrowseForFolder(const FolderRequest& r) override;
    PrintAnswer ShowPrinter(const PrintRequest& r) override;
    bool HasPrinter() override { return hasPrinter_; }

    void AnswerFile(std::vector<std::string> files, int filterIndex = 1);
    void AnswerFile(const std::string& file, int filterIndex = 1) { AnswerFile(std::vector<std::string>{file}, filterIndex); }
    void CancelFile() { files_.push_back(FileAnswer{}); }
    void AnswerColour(std::uint32_t c) { colours_.push_back(ColourAnswer{true, c}); }
    void AnswerFolder(std::string folder) { folders_.push_back(std::move(folder)); }
    void AnswerPrint(PrintAnswer a) { a.ok = true; prints_.push_back(std::move(a)); }
    void SetHasPrinter(bool on) { hasPrinter_ = on; }

    std::vector<FileRequest> fileRequests;
    std::vector<ColourRequest> colourRequests;
    std::vector<FolderRequest> folderRequests;
    std::vector<PrintRequest> printRequests;

private:
    std::deque<FileAnswer> files_;
    std::deque<ColourAnswer> colours_;
    std::deque<std::string> folders_;
    std::deque<PrintAnswer> prints_;
    bool hasPrinter_ = false;
};

// Installs a ScriptedCommonDialogs for the lifetime of the guard.
class ScopedScriptedCommonDialogs {
public:
    ScopedScriptedCommonDialogs();
    ~ScopedScriptedCommonDialogs();
    ScopedScriptedCommonDialogs(const ScopedScriptedCommonDialogs&) = delete;
    ScopedScriptedCommonDialogs& operator=(const ScopedScriptedCommonDialogs&) = delete;
    ScriptedCommonDialogs& operator*() { return *dialogs_; }
    ScriptedCommonDialogs* operator->() { return dialogs_.get(); }

private:
    std::shared_ptr<ScriptedCommonDialogs> dialogs_;
    std::shared_ptr<CommonDialogService> previous_;
};

} // namespace platform::ui
