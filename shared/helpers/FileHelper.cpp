#include "shared/helpers/FileHelper.h"

#include "platform/base/Error.h"
#include "platform/fs/DriveMap.h"
#include "platform/fs/Files.h"

#include <cerrno>
#include <mutex>

namespace helpers {
namespace {

std::mutex& ProgressMutex() {
    static std::mutex m;
    return m;
}

cFileHelper::CopyProgress& Progress() {
    static cFileHelper::CopyProgress handler;
    return handler;
}

int ErrorNumberOf(int e) {
    switch (e) {
    case ENOENT: return platform::err::FileNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return platform::err::PermissionDenied;
    case ENOSPC:
    case EDQUOT: return platform::err::DiskFull;
    default: return platform::err::PathFileAccess;
    }
}

} // namespace

cFileHelper& cFileHelper::Instance() {
    static cFileHelper instance;
    return instance;
}

double cFileHelper::FileSize(std::string_view path) const { return platform::fs::FileSize(path); }

std::string cFileHelper::DisplayForm(std::string_view path) const {
    return platform::fs::DisplayForm(path);
}

std::string cFileHelper::FolderPart(std::string_view path, bool withTrailingSeparator) const {
    return platform::fs::FolderPart(path, withTrailingSeparator);
}

std::string cFileHelper::NamePart(std::string_view path) const { return platform::fs::NamePart(path); }

std::string cFileHelper::Extension(std::string_view path) const { return platform::fs::Extension(path); }

std::string cFileHelper::WithoutExtension(std::string_view path) const {
    return platform::fs::WithoutExtension(path);
}

std::int64_t cFileHelper::FreeSpace(std::string_view path) const { return platform::fs::FreeSpace(path); }

std::string cFileHelper::SpecialFolder(std::int32_t number) const {
    return platform::fs::SpecialFolder(number);
}

std::string cFileHelper::EnvironmentValue(std::string_view name) const {
    return platform::fs::EnvironmentValue(name);
}

std::string cFileHelper::TempFolder() const { return platform::fs::TempFolder(); }

std::string cFileHelper::TempFileName(std::string_view extension) const {
    std::string name = platform::fs::TempFileName(extension);
    if (name.empty())
        platform::Raise(platform::err::PathFileAccess,
                        "No temporary file could be made in " + platform::fs::TempFolder());
    return name;
}

std::string cFileHelper::ExternalForm(std::string_view path) const {
    return platform::fs::ToNativePath(path);
}

std::string cFileHelper::FullPath(std::string_view path) const { return platform::fs::FullPath(path); }

bool cFileHelper::FolderExists(std::string_view path) const { return platform::fs::FolderExists(path); }

bool cFileHelper::CreateFolder(std::string_view path, bool withParents) const {
    return platform::fs::CreateFolder(path, withParents);
}

std::string cFileHelper::FindNoCase(std::string_view folder, std::string_view name) const {
    return platform::fs::FindNoCase(folder, name);
}

double cFileHelper::FileDateTime(std::string_view path) const { return platform::fs::FileDateTime(path); }

void cFileHelper::DeleteFile(std::string_view path) const {
    if (!platform::fs::FileExists(path)) platform::Raise(platform::err::FileNotFound);
    if (!platform::fs::DeleteFile(path)) platform::Raise(ErrorNumberOf(errno));
}

bool cFileHelper::CopyToFolder(std::string_view source, std::string_view folder,
                               const std::string& caption) const {
    std::string target = platform::fs::ToNativePath(folder);
    if (target.empty() || target.back() != '/') target.push_back('/');
    target += platform::fs::NamePart(source);
    return CopyFile(source, target, caption);
}

bool cFileHelper::CopyFile(std::string_view source, std::string_view target,
                           const std::string& caption) const {
    if (!platform::fs::FileExists(source)) platform::Raise(platform::err::FileNotFound);
    const std::string folder = platform::fs::FolderPart(platform::fs::ToNativePath(target));
    if (!folder.empty() && !platform::fs::FolderExists(folder))
        platform::Raise(platform::err::PathNotFound);
    CopyProgress handler;
    {
        std::lock_guard lock(ProgressMutex());
        handler = Progress();
    }
    int e = 0;
    switch (platform::fs::CopyFile(source, target, caption, handler, &e)) {
    case platform::fs::CopyResult::Copied: return false;
    case platform::fs::CopyResult::Stopped: return true;
    case platform::fs::CopyResult::Failed: break;
    }
    platform::Raise(ErrorNumberOf(e));
}

cFileHelper::CopyProgress cFileHelper::SetCopyProgress(CopyProgress handler) {
    std::lock_guard lock(ProgressMutex());
    CopyProgress old = std::move(Progress());
    Progress() = std::move(handler);
    return old;
}

} // namespace helpers
