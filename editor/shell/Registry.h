// The editor's road to the registry: single strings and 32-bit numbers under a hive and a
// key path, and a window's position. A value equal to its default is never stored: the
// stored one is deleted instead, so the registry only holds what differs from a default.
// Nothing here reports a failure: what cannot be read gives the default, what cannot be
// written (a per-machine key this user may not change) is left as it was.
#pragma once

#include "platform/registry/Registry.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace lumoedit {

using platform::registry::HKEY;
using platform::registry::HKEY_CLASSES_ROOT;
using platform::registry::HKEY_CURRENT_USER;
using platform::registry::HKEY_LOCAL_MACHINE;

// Where the editor keeps its settings, below HKEY_CURRENT_USER (preferences, the main
// window's position) and HKEY_LOCAL_MACHINE (permissions).
inline constexpr std::string_view kSettingsKey = "SOFTWARE\\Brevant\\LumoEdit\\v1";

// What LoadFormPosition and SaveFormPosition need of a window. Positions and sizes are in
// twips; the window state is 0 normal, 1 minimised, 2 maximised. A Qt window implements it
// over its normal geometry.
class iPositionedWindow {
public:
    virtual ~iPositionedWindow() = default;
    virtual std::int32_t Left() const = 0;
    virtual std::int32_t Top() const = 0;
    virtual std::int32_t Width() const = 0;
    virtual std::int32_t Height() const = 0;
    virtual std::int32_t WindowState() const = 0;
    virtual void SetWindowState(std::int32_t state) = 0;
    virtual void Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) = 0;
};

namespace Registry {

// The REG_SZ value, cut at its first NUL; the default when the key cannot be opened or the
// value cannot be read. A value of another type (REG_EXPAND_SZ, REG_DWORD) reads as "".
std::string GetStringSetting(HKEY hive, std::string_view keyPath, std::string_view valueName,
                             std::string_view defaultValue);

// Up to four bytes of the value as a little-endian signed number, whatever its type; the
// default when the key or value is missing or the data is longer than four bytes.
std::int32_t GetDWORDSetting(HKEY hive, std::string_view keyPath, std::string_view valueName,
                             std::int32_t defaultValue);

// Stores the text as REG_SZ (without a terminating NUL), creating the key and its parents;
// a text equal to the default (letter case counts) deletes the value instead. The key
// stays, even when empty.
void SaveStringSetting(HKEY hive, std::string_view keyPath, std::string_view valueName,
                       std::string_view text, std::string_view defaultValue);

// The same for a REG_DWORD number.
void SaveDWORDSetting(HKEY hive, std::string_view keyPath, std::string_view valueName,
                      std::int32_t value, std::int32_t defaultValue);

// Several Save...Setting calls on one hive stored as one change: the hive then holds all of
// them, or none when it cannot be written (a per-machine hive this user may not change).
// The saves follow the same rules and take effect, in order, at Commit.
class Transaction {
public:
    explicit Transaction(HKEY hive) : changes_(hive) {}
    void SaveStringSetting(std::string_view keyPath, std::string_view valueName,
                           std::string_view text, std::string_view defaultValue);
    void SaveDWORDSetting(std::string_view keyPath, std::string_view valueName, std::int32_t value,
                          std::int32_t defaultValue);
    // Whether the hive now holds every save.
    bool Commit() const;

private:
    platform::registry::RegTransaction changes_;
};

// Whether the key can be opened with full access: a key the user may read but not change
// counts as absent.
bool KeyExists(HKEY hive, std::string_view keyPath);

// Reads one REG_SZ value of an open key into `text` (cut at its first NUL). Returns the
// status of the last query (0 = success); for a value of another type the status is 0 and
// `text` stays as it was.
std::int32_t QueryStringValue(HKEY key, std::string_view valueName, std::string& text);

// The text up to its first NUL, or with `fromEnd` up to its last NUL; the whole text when
// it holds none.
std::string StripNull(std::string_view text, bool fromEnd = false);

// Restores a window from `keyPath` + "\Position" in HKEY_CURRENT_USER ("Left", "Top",
// "Height", "Width", "State"), taking its current values as defaults; with a width and a
// height stored, a missing "Left" or "Top" is 0, the value a save leaves out. A maximised
// state first moves the normal window, so the stored bounds become its restore bounds.
void LoadFormPosition(std::string_view keyPath, iPositionedWindow* window);

// Stores the bounds when the window is normal (a maximised or minimised window keeps the
// bounds last stored in the normal state), and always the state, as one change.
void SaveFormPosition(std::string_view keyPath, iPositionedWindow* window);

} // namespace Registry
} // namespace lumoedit
