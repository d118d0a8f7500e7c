// The registry: hives of keys and typed values, kept as ".reg" text files.
//
// HKEY_CURRENT_USER   $XDG_CONFIG_HOME/Brevant/user.reg   (XDG_CONFIG_HOME defaults to ~/.config)
// HKEY_LOCAL_MACHINE  /etc/Brevant/machine.reg
// HKEY_CLASSES_ROOT   /etc/Brevant/classes.reg
// BREVANT_REGISTRY_DIR, when set and not empty, holds all three instead (user.reg,
// machine.reg, classes.reg in that folder).
//
// Every call re-reads the hive file when it changed (a parsed copy is kept only while the
// file's inode, size and times are unchanged), so a value written by another program is seen
// at the next call. Every write is a locked read-modify-write: an exclusive flock on
// "<hive>.lock" beside the hive, a fresh read, the change, a temporary file in the same folder,
// fsync, rename over the hive, fsync of the folder. Two programs writing at once lose nothing
// and a crash leaves either the old or the new file.
//
// A hive that cannot be parsed completely (damaged, truncated, binary, wrong encoding) reads
// as far as it can; writes to it are refused with ERROR_REGISTRY_CORRUPT and one message on
// stderr, so settings that other programs stored there are never lost by a rewrite.
//
// A hive may be written when its file (or, while it does not exist, its folder) is writable
// by this process (access(2)) AND carries a write bit in its mode. The mode rule holds for
// root too, so "chmod a-w machine.reg" makes a hive read-only for everyone, as it would be
// for an ordinary user on /etc/Brevant.
//
// Text is UTF-8 in memory and in files written here. Names of keys and values compare
// without regard to ASCII letter case and keep the case they were created with.
//
// The calls follow the platform's registry calls (status results, ERROR_MORE_DATA when a
// buffer is too small, handles closed by RegCloseKey). All calls are thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::registry {

using DWORD = std::uint32_t;
using LONG = std::int32_t;
using REGSAM = std::uint32_t;

// A predefined hive or a key opened by RegOpenKeyEx/RegCreateKeyEx. 0 is never valid.
using HKEY = std::uintptr_t;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;

// Value types.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;

// Access rights.
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM DELETE = 0x00010000;
inline constexpr REGSAM READ_CONTROL = 0x00020000;
inline constexpr REGSAM WRITE_DAC = 0x00040000;
inline constexpr REGSAM WRITE_OWNER = 0x00080000;
inline constexpr REGSAM KEY_READ = 0x00020019;  // READ_CONTROL | query | enumerate | notify
inline constexpr REGSAM KEY_WRITE = 0x00020006; // READ_CONTROL | set value | create sub-key
inline constexpr REGSAM KEY_EXECUTE = KEY_READ;
inline constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;
// Whatever the hive allows: full access when it is writable, read access otherwise.
inline constexpr REGSAM MAXIMUM_ALLOWED = 0x02000000;

// Dispositions reported by RegCreateKeyEx.
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Status results.
inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;       // key or value does not exist
inline constexpr LONG ERROR_ACCESS_DENIED = 5;        // hive not writable, or handle lacks the right
inline constexpr LONG ERROR_INVALID_HANDLE = 6;       // not an open key or a known hive
inline constexpr LONG ERROR_OUTOFMEMORY = 14;
inline constexpr LONG ERROR_WRITE_FAULT = 29;         // the hive file could not be written
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_MORE_DATA = 234;          // buffer too small; *size holds the need
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;      // enumeration index past the end
inline constexpr LONG ERROR_REGISTRY_CORRUPT = 1015;  // hive file damaged; write refused
inline constexpr LONG ERROR_KEY_DELETED = 1018;       // the open key was deleted meanwhile

// Opens an existing key below `key` (a hive or an open key). `subKey` is a path of names
// separated by "\" (empty names, as from a doubled or trailing "\", are skipped); empty opens
// `key` itself again. Names holding a line break or NUL cannot exist. Asking for any write right
// (KEY_SET_VALUE, KEY_CREATE_SUB_KEY, DELETE, KEY_WRITE, KEY_ALL_ACCESS ...) on a hive that
// may not be written gives ERROR_ACCESS_DENIED. *result is 0 on failure.
LONG RegOpenKeyEx(HKEY key, std::string_view subKey, DWORD options, REGSAM access, HKEY* result);

// RegOpenKeyEx with MAXIMUM_ALLOWED: a read-only hive still opens, for reading.
LONG RegOpenKey(HKEY key, std::string_view subKey, HKEY* result);

// Opens the key, creating it and any missing parents first. Creating needs a writable hive
// (ERROR_ACCESS_DENIED otherwise); opening an existing key follows RegOpenKeyEx's rules.
// `disposition` may be null.
LONG RegCreateKeyEx(HKEY key, std::string_view subKey, REGSAM access, HKEY* result,
                    DWORD* disposition);

// RegCreateKeyEx with KEY_ALL_ACCESS.
LONG RegCreateKey(HKEY key, std::string_view subKey, HKEY* result);

// Closes an open key. Closing a predefined hive is a harmless success.
LONG RegCloseKey(HKEY key);

// Reads a value; an empty name is the key's default value ("@" in the file).
// type and size may each be null. With data null, only *type and *size (bytes needed) are
// set. With data given, *size is the buffer's size on entry; when it is too small the result
// is ERROR_MORE_DATA and *size the bytes needed, otherwise the data are copied and *size is
// the bytes copied. REG_SZ and REG_EXPAND_SZ data are the UTF-8 text followed by one NUL.
// Needs KEY_QUERY_VALUE.
LONG RegQueryValueEx(HKEY key, std::string_view valueName, DWORD* type, std::uint8_t* data,
                     DWORD* size);

// Writes a value, replacing any value of the same name (which keeps its original spelling).
// REG_SZ / REG_EXPAND_SZ data are text, cut at the first NUL (so a terminating NUL is
// optional); text that is not UTF-8 is taken as Windows-1252. REG_DWORD data are 4 bytes,
// little-endian. Other types are kept as raw bytes. Needs KEY_SET_VALUE.
LONG RegSetValueEx(HKEY key, std::string_view valueName, DWORD type, const std::uint8_t* data,
                   DWORD size);

// Removes a value. ERROR_FILE_NOT_FOUND when there is none. Needs KEY_SET_VALUE.
LONG RegDeleteValue(HKEY key, std::string_view valueName);

// Removes the sub-key `subKey` of `key` with its values; it must have no sub-keys of its own
// (ERROR_ACCESS_DENIED otherwise). Needs a writable hive.
LONG RegDeleteKey(HKEY key, std::string_view subKey);

// Removes `subKey` (or, when empty, everything inside `key`) with all its sub-keys.
LONG RegDeleteTree(HKEY key, std::string_view subKey);

// The index-th sub-key name of `key` (in the file's order: sorted without regard to case).
// ERROR_NO_MORE_ITEMS past the end. Needs KEY_ENUMERATE_SUB_KEYS.
LONG RegEnumKeyEx(HKEY key, DWORD index, std::string* name);

// The index-th value of `key` in the order they were created; type and data may be null.
// ERROR_NO_MORE_ITEMS past the end. Data as RegQueryValueEx gives them. Needs KEY_QUERY_VALUE.
LONG RegEnumValue(HKEY key, DWORD index, std::string* name, DWORD* type, std::string* data);

// Several sets and deletes on one hive written as one change: applied in order under one lock
// to a fresh read of the hive and written with one temporary file, one flush and one rename,
// so every reader (in this process or another) sees the hive as it was or with every change,
// never a part of them, and a process killed at any moment leaves one or the other.
//
// Changes are collected first and checked when added; Commit writes them. The single-value
// calls above stay one write each.
class RegTransaction {
public:
    // `key`: a predefined hive or an open key; sub-keys below are paths relative to it ("\"
    // between names, empty for `key` itself).
    explicit RegTransaction(HKEY key) : key_(key) {}

    // As RegSetValueEx, on the sub-key, which is created with its parents when missing.
    void SetValue(std::string_view subKey, std::string_view valueName, DWORD type,
                  const std::uint8_t* data, DWORD size);

    // Removes the value when it is there; a value or key that is missing already is no error.
    void DeleteValue(std::string_view subKey, std::string_view valueName);

    // Writes every change or none. ERROR_SUCCESS when the hive now holds all of them (nothing
    // is written when they leave it as it was); otherwise the hive is untouched and the status
    // says why: ERROR_INVALID_PARAMETER (a name or data no hive can hold was added),
    // ERROR_INVALID_HANDLE, ERROR_ACCESS_DENIED (the hive may not be written, or the open key
    // lacks KEY_SET_VALUE), ERROR_KEY_DELETED, ERROR_REGISTRY_CORRUPT (the hive file does not
    // parse), ERROR_WRITE_FAULT / ERROR_OUTOFMEMORY. Like RegSetValueEx it needs a writable
    // hive even when nothing would change. The changes stay collected: Commit may be retried.
    LONG Commit() const;

private:
    struct Change {
        std::vector<std::string> path; // below the transaction's key
        std::string valueName;
        DWORD type = REG_NONE;
        std::optional<std::string> data; // none: delete
    };
    HKEY key_;
    std::vector<Change> changes_;
    LONG status_ = ERROR_SUCCESS; // the first change that could not be taken
};

// The file a predefined hive is kept in (empty for anything else), following the variables
// above as they are now.
std::string HiveFilePath(HKEY hive);

// Whether this process may write the hive now (see the rule at the top of this file).
bool HiveWritable(HKEY hive);

} // namespace platform::registry
