// The registry helper: one per process, created on first use and shared. Reads and writes
// single values under a hive and a key path (platform/registry) and reads INI texts
// (platform/profile).
//
// Key paths use "\" between names ("SOFTWARE\Brevant\Verudivur\Profiles\Profile1\Players").
// Reads never fail: a key or value that is missing or cannot be read gives the default.
// Writes follow the settings rule of the system: a value equal to the write's default is
// not stored, the stored value is deleted instead, so the next read gives the read's
// default. A write that cannot be made (a per-machine hive this user may not write, a
// damaged hive file that must not be rewritten) changes nothing and returns false; it
// raises nothing, because a user without the right to change machine settings is normal.
#pragma once

#include "platform/registry/Registry.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace helpers {

using platform::registry::HKEY;
using platform::registry::HKEY_CLASSES_ROOT;
using platform::registry::HKEY_CURRENT_USER;
using platform::registry::HKEY_LOCAL_MACHINE;

class cRegistryHelper {
public:
    static cRegistryHelper& Instance();

    // A number: REG_DWORD (and up to 4 bytes of any binary type) as a little-endian signed
    // 32-bit number; a REG_SZ / REG_EXPAND_SZ text by its leading number ("12 dB" gives 12).
    // Anything else gives the default.
    std::int32_t ReadNumber(HKEY hive, std::string_view keyPath, std::string_view valueName,
                            std::int32_t defaultValue) const;

    // A text: REG_SZ / REG_EXPAND_SZ up to its first NUL; a REG_DWORD as its decimal text.
    // Anything else gives the default.
    std::string ReadText(HKEY hive, std::string_view keyPath, std::string_view valueName,
                         std::string_view defaultValue) const;

    // Stores a REG_DWORD (creating the key and its parents), or deletes the value when
    // `value` equals `defaultValue`. True when the registry now reads as asked.
    bool WriteNumber(HKEY hive, std::string_view keyPath, std::string_view valueName,
                     std::int32_t value, std::int32_t defaultValue) const;

    // Stores a REG_SZ, or deletes the value when `value` equals `defaultValue` exactly
    // (letter case counts).
    bool WriteText(HKEY hive, std::string_view keyPath, std::string_view valueName,
                   std::string_view value, std::string_view defaultValue) const;

    // Deletes a value; true when it is gone afterwards (also when it never was there).
    bool DeleteValue(HKEY hive, std::string_view keyPath, std::string_view valueName) const;

    // A text of an INI file (section and key without regard to case, value trimmed, one
    // pair of quotes removed); the default when the file, section or key is missing. The
    // file's name is matched without regard to letter case.
    std::string ReadIniText(std::string_view section, std::string_view key,
                            std::string_view defaultValue, std::string_view filePath) const;

private:
    cRegistryHelper() = default;
};

inline cRegistryHelper& RegistryHelper() { return cRegistryHelper::Instance(); }

// Several of the helper's writes to one hive stored as one change (platform/registry's
// transaction): the hive then holds all of them, or, when it cannot be written, none. The
// writes follow the same rule as the single calls (a value equal to its default is deleted)
// and take effect, in order, at Commit.
class cRegistryTransaction {
public:
    explicit cRegistryTransaction(HKEY hive) : changes_(hive) {}

    void WriteNumber(std::string_view keyPath, std::string_view valueName, std::int32_t value,
                     std::int32_t defaultValue);
    void WriteText(std::string_view keyPath, std::string_view valueName, std::string_view value,
                   std::string_view defaultValue);
    void DeleteValue(std::string_view keyPath, std::string_view valueName);

    // True when the hive now reads as every write asked; false, and the hive unchanged, when
    // it could not be written (a hive this user may not write, a damaged hive file, a full
    // disk, a name no hive can hold).
    bool Commit() const;

private:
    platform::registry::RegTransaction changes_;
};

} // namespace helpers
