// The file helper: one per process, created on first use and shared.
//
// Every path may be native ("/srv/audio/x.wav") or carry a drive letter ("c:\Audio\x.wav",
// mapped through the drive map of platform/fs/DriveMap.h). Fixed names that the system
// looks for ("Zozuver.ini", "UPDATES.RTF", "LumoEdit.chm") are found without regard to
// letter case with FindNoCase. Failures that the callers must hear about raise
// platform::RuntimeError; queries answer with a value that says "missing" instead.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace helpers {

class cFileHelper {
public:
    static cFileHelper& Instance();

    // Size in bytes; above 0: the file is there and holds something; 0: empty; -1: there is
    // no file (a folder counts as no file).
    double FileSize(std::string_view path) const;

    // The path as a menu or caption shows it (long paths shortened with "..." in the
    // middle, the name always kept).
    std::string DisplayForm(std::string_view path) const;

    // The folder of a path ("" when it has none); with the flag, ending in its separator.
    std::string FolderPart(std::string_view path, bool withTrailingSeparator = false) const;
    // The name after the last separator.
    std::string NamePart(std::string_view path) const;
    // The text after the last point of the name, "" when none ("WAV" of "x.WAV").
    std::string Extension(std::string_view path) const;
    // The path without the point and extension of its name.
    std::string WithoutExtension(std::string_view path) const;

    // Free bytes for this user on the drive (file system) of a path; -1 when unknown.
    std::int64_t FreeSpace(std::string_view path) const;

    // The folder of a special folder number, no trailing separator: 38 program files
    // (/opt), 43 common program files (/usr/local/share); "" for other numbers.
    std::string SpecialFolder(std::int32_t number) const;

    // An environment value; "TMP" and "TEMP" name the temporary folder when unset.
    std::string EnvironmentValue(std::string_view name) const;

    // The temporary folder, ending in "/".
    std::string TempFolder() const;

    // A new, empty file in the temporary folder whose name ends in "." + extension
    // ("WAV" and ".WAV" both work). Raises error 75 when none can be made.
    std::string TempFileName(std::string_view extension) const;

    // The form of a path handed to an outside program as its argument: the native path.
    std::string ExternalForm(std::string_view path) const;

    // The path in full, so that it names the same file from any working folder: a relative
    // one is joined to the working folder; others stay as given.
    std::string FullPath(std::string_view path) const;

    bool FolderExists(std::string_view path) const;
    // Creates a folder, with its missing parents when asked; whether it exists afterwards.
    bool CreateFolder(std::string_view path, bool withParents = true) const;

    // The full path of `name` in `folder`, matched without regard to letter case
    // (folder + "/" + name when nothing matches).
    std::string FindNoCase(std::string_view folder, std::string_view name) const;

    // Last-modified time as a date serial; 0 when there is no such file.
    double FileDateTime(std::string_view path) const;

    // Deletes a file. Raises 53 when it is not there, 70/75 when it cannot be removed.
    void DeleteFile(std::string_view path) const;

    // Copies a file into a folder under its own name, showing `caption` through the
    // progress handler. Returns true when the copy was stopped (the handler said so); the
    // target is then as it was before. Raises 53 (no source), 76 (no folder), 70
    // (permission denied), 61 (disk full) or 75 (other failures); the target then is as it
    // was before too.
    bool CopyToFolder(std::string_view source, std::string_view folder,
                      const std::string& caption) const;
    // The same to a full target path.
    bool CopyFile(std::string_view source, std::string_view target,
                  const std::string& caption) const;

    // Where copies show their progress: caption, bytes done, bytes in all; return false to
    // stop. Without a handler copies just run. A window layer installs one; returns the
    // previous handler.
    using CopyProgress =
        std::function<bool(const std::string& caption, std::uint64_t done, std::uint64_t total)>;
    static CopyProgress SetCopyProgress(CopyProgress handler);

private:
    cFileHelper() = default;
};

inline cFileHelper& FileHelper() { return cFileHelper::Instance(); }

} // namespace helpers
