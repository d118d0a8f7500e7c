#include "platform/ui/CommonDialog.h"

#include "platform/base/Error.h"

#include <filesystem>

namespace platform::ui {
namespace {

class CancellingDialogs : public CommonDialogService {
public:
    FileAnswer ShowFile(const FileRequest&) override { return {}; }
    ColourAnswer ShowColour(const ColourRequest&) override { return {}; }
    std::string BrowseForFolder(const FolderRequest&) override { return {}; }
    PrintAnswer ShowPrinter(const PrintRequest&) override { return {}; }
    bool HasPrinter() override { return false; }
};

std::shared_ptr<CommonDialogService>& Current() {
    static std::shared_ptr<CommonDialogService> s = std::make_shared<CancellingDialogs>();
    return s;
}

} // namespace

std::shared_ptr<CommonDialogService> SetCommonDialogService(std::shared_ptr<CommonDialogService> s) {
    auto previous = Current();
    Current() = s ? std::move(s) : std::make_shared<CancellingDialogs>();
    return previous;
}

CommonDialogService& CommonDialogs() { return *Current(); }
bool PrinterInstalled() { return CommonDialogs().HasPrinter(); }

void CommonDialog::Cancelled() {
    FileName.clear();
    files_.clear();
    if (CancelError) Raise(err::Cancelled);
}

void CommonDialog::File(bool save) {
    FileRequest r{save, DialogTitle, InitDir, FileName, Filter, FilterIndex < 1 ? 1 : FilterIndex,
                  DefaultExt, Flags, Owner};
    FileAnswer a = CommonDialogs().ShowFile(r);
    if (!a.ok || a.files.empty() || a.files.front().empty()) {
        Cancelled();
        return;
    }
    files_ = a.files;
    // A name typed without an extension gets the default one.
    if (!DefaultExt.empty() && !(Flags & cdl::AllowMultiselect)) {
        std::filesystem::path p(files_.front());
        if (!p.has_extension()) files_.front() += "." + DefaultExt;
    }
    FileName = files_.front();
    FilterIndex = a.filterIndex;
    if (a.readOnly) Flags |= cdl::ReadOnly;
    else Flags &= ~cdl::ReadOnly;
}

void CommonDialog::ShowOpen() { File(false); }
void CommonDialog::ShowSave() { File(true); }

void CommonDialog::ShowColor() {
    ColourAnswer a = CommonDialogs().ShowColour(ColourRequest{DialogTitle, Color, Flags, Owner});
    if (!a.ok) {
        if (CancelError) Raise(err::Cancelled);
        return;
    }
    Color = a.colour & 0xFFFFFF;
}

void CommonDialog::ShowPrinter() {
    PrintAnswer a = CommonDialogs().ShowPrinter(PrintRequest{DialogTitle, Flags, Copies, Owner});
    if (!a.ok) {
        if (CancelError) Raise(err::Cancelled);
        return;
    }
    Flags = (Flags & ~cdl::PDSelection) | (a.flags & cdl::PDSelection);
    Copies = a.copies;
    PrinterName = a.printerName;
    PrintFileName = a.outputFile;
}

std::string CommonDialog::BrowseForFolder(const std::string& title, const std::string& startFolder) {
    return CommonDialogs().BrowseForFolder(FolderRequest{title, startFolder, Owner});
}

std::string CommonDialog::FileTitle() const {
    return std::filesystem::path(FileName).filename().string();
}

// ---- scripted ----------------------------------------------------------------------------

FileAnswer ScriptedCommonDialogs::ShowFile(const FileRequest& r) {
    fileRequests.push_back(r);
    if (files_.empty()) return {};
    FileAnswer a = files_.front();
    files_.pop_front();
    return a;
}

ColourAnswer ScriptedCommonDialogs::ShowColour(const ColourRequest& r) {
    colourRequests.push_back(r);
    if (colours_.empty()) return {};
    ColourAnswer a = colours_.front();
    colours_.pop_front();
    return a;
}

std::string ScriptedCommonDialogs::BrowseForFolder(const FolderRequest& r) {
    folderRequests.push_back(r);
    if (folders_.empty()) return {};
    std::string f = folders_.front();
    folders_.pop_front();
    return f;
}

PrintAnswer ScriptedCommonDialogs::ShowPrinter(const PrintRequest& r) {
    printRequests.push_back(r);
    if (prints_.empty()) return {};
    PrintAnswer a = prints_.front();
    prints_.pop_front();
    return a;
}

void ScriptedCommonDialogs::AnswerFile(std::vector<std::string> files, int filterIndex) {
    FileAnswer a;
    a.ok = true;
    a.files = std::move(files);
    a.filterIndex = filterIndex;
    files_.push_back(std::move(a));
}

ScopedScriptedCommonDialogs::ScopedScriptedCommonDialogs()
    : dialogs_(std::make_shared<ScriptedCommonDialogs>()), previous_(SetCommonDialogService(dialogs_)) {}

ScopedScriptedCommonDialogs::~ScopedScriptedCommonDialogs() { SetCommonDialogService(previous_); }

} // namespace platform::ui
