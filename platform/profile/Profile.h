// Private profile (INI) files, read and written as the platform's profile calls do.
//
// A file is lines of "[section]" headers and "key=value" entries; lines starting with ";"
// are comments. Section and key names compare without regard to ASCII letter case; the first
// matching section and the first matching key in it count. Values are trimmed of blanks and
// tabs, and one pair of surrounding double quotes is removed.
//
// On disk the text is Windows-1252 (a file starting with a UTF-8 byte-order mark is read and
// written as UTF-8; one starting with a UTF-16LE mark is read, never rewritten); in memory
// it is UTF-8.
//
// Writes change only the line concerned: every other line — keys, sections, comments, blank
// lines, their order and their line endings (CRLF or LF) — stays byte for byte. New lines take
// the file's line ending (CRLF for a new file). A write is a locked read-modify-write: an
// exclusive flock on ".<name>.lock" beside the file, a fresh read, a temporary file in the
// same folder, fsync, rename over the file, fsync of the folder. A file that cannot be read
// completely (too large, unreadable, UTF-16) is never rewritten: the write fails and says why
// on stderr once.
//
// File names are used as given (relative ones from the current folder). Reads keep a parsed
// copy only while the file's inode, size and times are unchanged. All calls are thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::profile {

// The value of `key` in `section`, or `defaultValue` (without its trailing blanks) when the
// file, the section or the key is missing.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& fileName);

// The whole number at the start of the value of `key`: blanks, an optional sign, decimal
// digits (wrapping modulo 2^32 like the platform's); 0 when the value does not start with a
// number (also when it is empty). `defaultValue` only when the file, section or key is missing.
std::int32_t GetPrivateProfileInt(std::string_view section, std::string_view key,
                                  std::int32_t defaultValue, const std::string& fileName);

// Sets `key` in `section` to `value`, creating the file, the section (at the end of the file)
// or the key (after the section's last entry) as needed. A missing `value` (std::nullopt)
// removes the key; a missing `key` removes the whole section, its header and every line up to
// the next section. Removing what is not there succeeds without touching the file.
// Section and key names are used trimmed. Returns false when the file or its folder could not
// be written, when the file was refused (see above), or when a name or the value holds what a
// line of the file cannot (a line break; "=" or a leading "[" or ";" in a key; "]" in a
// section) — written as given, it would damage the lines around it.
bool WritePrivateProfileString(std::string_view section, std::optional<std::string_view> key,
                               std::optional<std::string_view> value,
                               const std::string& fileName);

// One change of WritePrivateProfileString: a key's new value, a key to remove (no value) or
// a section to remove (no key).
struct ProfileEntry {
    std::string_view section;
    std::optional<std::string_view> key;
    std::optional<std::string_view> value;
};

// Several changes, in order, in one locked read-modify-write and one durable replace: a
// reader (on this computer or another) sees either none of them or all. False, and nothing
// written, when any of them could not be written.
bool WritePrivateProfileStrings(const std::vector<ProfileEntry>& entries, const std::string& fileName);

} // namespace platform::profile
