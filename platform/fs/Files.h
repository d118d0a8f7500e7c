// Files and folders as the rest of the system asks about them. Every path may be native
// or carry a drive letter ("c:\Audio\x.wav"); drive-letter paths go through the drive map.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform::fs {

// Special folder numbers the system asks for.
namespace csidl {
inline constexpr int ProgramFiles = 38;       // /opt: where outside programs are installed
inline constexpr int CommonProgramFiles = 43; // /usr/local/share: files programs share
} // namespace csidl

// The folder of a special folder number, without a trailing "/"; "" for numbers we have no
// folder for. $BREVANT_PROGRAM_FILES and $BREVANT_COMMON_FILES override 38 and 43.
std::string SpecialFolder(int number);

// The temporary folder with a trailing "/": $TMPDIR when it names a folder, else /tmp.
std::string TempFolder();

// An environment value; "TMP" and "TEMP" give the temporary folder (without a trailing
// "/") when they are unset, as every program expects them to name one. Others give "".
std::string EnvironmentValue(std::string_view name);

// The size of a file in bytes; -1 when there is no file there (a folder is no file).
double FileSize(std::string_view path);
std::int64_t FileSize64(std::string_view path);

bool FileExists(std::string_view path);
bool FolderExists(std::string_view path);

// Creates a folder (with its missing parents when asked); returns whether the folder
// exists afterwards.
bool CreateFolder(std::string_view path, bool withParents = true);

// Free bytes for this user on the file system of a path (its nearest existing folder);
// -1 when it cannot be found out.
std::int64_t FreeSpace(std::string_view path);

// Parts of a path; both "/" and "\" count as separators.
// The folder part: everything before the last separator ("" when none); with the flag,
// the separator is kept at the end.
std::string FolderPart(std::string_view path, bool withTrailingSeparator = false);
// The name after the last separator.
std::string NamePart(std::string_view path);
// The text after the last point of the name ("" when the name has none).
std::string Extension(std::string_view path);
// The path without the point and extension of its name.
std::string WithoutExtension(std::string_view path);

// A path as it names the same file from any working folder: a relative one joined to the
// working folder (its "." parts and doubled separators dropped, ".." kept, as a link may stand
// before it); one that is already absolute or carries a drive letter, or an empty one, as
// given. A working folder that cannot be found leaves the path as given.
std::string FullPath(std::string_view path);

// A path as a menu or caption shows it: the path itself when it is short; otherwise its
// first folder, "...", and as many of its last parts as fit in `maxLength` characters
// (at least the name).
std::string DisplayForm(std::string_view path, std::size_t maxLength = 60);

// A new empty file in the temporary folder with a unique name ending in "." + extension
// (the extension may be given with or without its point; none when empty). The file is
// created so that no other program takes the name. Returns "" when none could be made.
std::string TempFileName(std::string_view extension, std::string_view prefix = "bvr");

// The real name in `folder` of a file or folder called `name` without regard to letter
// case: the exact name when it exists, else the first entry (in name order) that matches
// ignoring ASCII case. Returns the full path; folder + "/" + name when nothing matches.
std::string FindNoCase(std::string_view folder, std::string_view name);

// A whole path resolved part by part without regard to letter case (each part that does
// not exist as written takes a matching name). Parts that match nothing stay as written.
std::string ResolveNoCase(std::string_view path);

// Progress of a copy: the caption, bytes done and bytes in all. Return false to stop.
using CopyProgress =
    std::function<bool(const std::string& caption, std::uint64_t done, std::uint64_t total)>;

enum class CopyResult { Copied, Stopped, Failed };

// Copies a file to a target path. The data goes to a temporary file beside the target,
// is flushed and renamed over it, so a stopped or failed copy leaves any earlier target
// untouched. `error` receives the errno of a failure.
CopyResult CopyFile(std::string_view source, std::string_view target, const std::string& caption,
                    const CopyProgress& progress, int* error = nullptr);

// Deletes a file; true when it is gone afterwards.
bool DeleteFile(std::string_view path);

// Last-modified time as a date serial (local time); 0 when there is no such file.
double FileDateTime(std::string_view path);

} // namespace platform::fs
