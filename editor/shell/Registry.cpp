#include "editor/shell/Registry.h"

#include <array>
#include <optional>
#include <string>

namespace lumoedit::Registry {
namespace reg = platform::registry;

namespace {

// Closes a key when the scope ends.
class OpenKey {
public:
    OpenKey() = default;
    ~OpenKey() {
        if (key_) reg::RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = 0;
};

std::string PositionKey(std::string_view keyPath) {
    std::string k(keyPath);
    k += "\\Position";
    return k;
}

} // namespace

std::string StripNull(std::string_view text, bool fromEnd) {
    const std::size_t nul = fromEnd ? text.rfind('\0') : text.find('\0');
    if (nul == std::string_view::npos) return std::string(text);
    return std::string(text.substr(0, nul));
}

std::int32_t QueryStringValue(HKEY key, std::string_view valueName, std::string& text) {
    reg::DWORD type = 0;
    reg::DWORD size = 0;
    reg::LONG status = reg::RegQueryValueEx(key, valueName, &type, nullptr, &size);
    if (status == reg::ERROR_SUCCESS && type == reg::REG_SZ) {
        std::string buffer(size, ' ');
        reg::DWORD got = size;
        status = reg::RegQueryValueEx(key, valueName, &type,
                                      reinterpret_cast<std::uint8_t*>(buffer.data()), &got);
        if (status == reg::ERROR_SUCCESS) {
            buffer.resize(got);
            text = StripNull(buffer);
        }
    }
    return status;
}

std::string GetStringSetting(HKEY hive, std::string_view keyPath, std::string_view valueName,
                             std::string_view defaultValue) {
    OpenKey key;
    if (reg::RegOpenKey(hive, keyPath, key.out()) != reg::ERROR_SUCCESS)
        return std::string(defaultValue);
    std::string text;
    if (QueryStringValue(key.get(), valueName, text) == reg::ERROR_SUCCESS) return text;
    return std::string(defaultValue);
}

namespace {

// The number GetDWORDSetting reads, or nothing where it would give its default.
std::optional<std::int32_t> StoredDWORD(HKEY hive, std::string_view keyPath, std::string_view valueName) {
    OpenKey key;
    if (reg::RegOpenKey(hive, keyPath, key.out()) != reg::ERROR_SUCCESS) return std::nullopt;
    std::array<std::uint8_t, 4> data{};
    reg::DWORD size = 4;
    reg::DWORD type = 0;
    if (reg::RegQueryValueEx(key.get(), valueName, &type, data.data(), &size) != reg::ERROR_SUCCESS)
        return std::nullopt;
    const std::uint32_t v = static_cast<std::uint32_t>(data[0]) |
                            static_cast<std::uint32_t>(data[1]) << 8 |
                            static_cast<std::uint32_t>(data[2]) << 16 |
                            static_cast<std::uint32_t>(data[3]) << 24;
    return static_cast<std::int32_t>(v);
}

} // namespace

std::int32_t GetDWORDSetting(HKEY hive, std::string_view keyPath, std::string_view valueName,
                             std::int32_t defaultValue) {
    return StoredDWORD(hive, keyPath, valueName).value_or(defaultValue);
}

bool KeyExists(HKEY hive, std::string_view keyPath) {
    OpenKey key;
    return reg::RegOpenKeyEx(hive, keyPath, 0, reg::KEY_ALL_ACCESS, key.out()) == reg::ERROR_SUCCESS;
}

namespace {

void DeleteIfThere(HKEY hive, std::string_view keyPath, std::string_view valueName) {
    if (!KeyExists(hive, keyPath)) return;
    OpenKey key;
    if (reg::RegOpenKeyEx(hive, keyPath, 0, reg::KEY_ALL_ACCESS, key.out()) != reg::ERROR_SUCCESS)
        return;
    reg::RegDeleteValue(key.get(), valueName);
}

std::array<std::uint8_t, 4> DwordBytes(std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
            static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
}

void SetValue(HKEY hive, std::string_view keyPath, std::string_view valueName, reg::DWORD type,
              const std::uint8_t* data, reg::DWORD size) {
    OpenKey key;
    if (reg::RegCreateKey(hive, keyPath, key.out()) != reg::ERROR_SUCCESS) return;
    reg::RegSetValueEx(key.get(), valueName, type, data, size);
}

} // namespace

void SaveStringSetting(HKEY hive, std::string_view keyPath, std::string_view valueName,
                       std::string_view text, std::string_view defaultValue) {
    if (text == defaultValue) {
        DeleteIfThere(hive, keyPath, valueName);
        return;
    }
    SetValue(hive, keyPath, valueName, reg::REG_SZ,
             reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<reg::DWORD>(text.size()));
}

void SaveDWORDSetting(HKEY hive, std::string_view keyPath, std::string_view valueName,
                      std::int32_t value, std::int32_t defaultValue) {
    if (value == defaultValue) {
        DeleteIfThere(hive, keyPath, valueName);
        return;
    }
    const auto bytes = DwordBytes(value);
    SetValue(hive, keyPath, valueName, reg::REG_DWORD, bytes.data(), 4);
}

void Transaction::SaveStringSetting(std::string_view keyPath, std::string_view valueName,
                                    std::string_view text, std::string_view defaultValue) {
    if (text == defaultValue) {
        changes_.DeleteValue(keyPath, valueName);
        return;
    }
    changes_.SetValue(keyPath, valueName, reg::REG_SZ, reinterpret_cast<const std::uint8_t*>(text.data()),
                      static_cast<reg::DWORD>(text.size()));
}

void Transaction::SaveDWORDSetting(std::string_view keyPath, std::string_view valueName, std::int32_t value,
                                   std::int32_t defaultValue) {
    if (value == defaultValue) {
        changes_.DeleteValue(keyPath, valueName);
        return;
    }
    const auto bytes = DwordBytes(value);
    changes_.SetValue(keyPath, valueName, reg::REG_DWORD, bytes.data(), 4);
}

bool Transaction::Commit() const { return changes_.Commit() == reg::ERROR_SUCCESS; }

void LoadFormPosition(std::string_view keyPath, iPositionedWindow* window) {
    if (keyPath.empty() || !window) return;
    const std::string key = PositionKey(keyPath);
    const auto storedHeight = StoredDWORD(HKEY_CURRENT_USER, key, "Height");
    const auto storedWidth = StoredDWORD(HKEY_CURRENT_USER, key, "Width");
    // A save deletes a coordinate of 0 (its default): stored bounds without one were left at
    // the screen's left or top edge, not at the window's first-start place.
    const bool sized = storedHeight && storedWidth;
    const std::int32_t left = GetDWORDSetting(HKEY_CURRENT_USER, key, "Left", sized ? 0 : window->Left());
    const std::int32_t top = GetDWORDSetting(HKEY_CURRENT_USER, key, "Top", sized ? 0 : window->Top());
    const std::int32_t height = storedHeight.value_or(window->Height());
    const std::int32_t width = storedWidth.value_or(window->Width());
    const std::int32_t state = GetDWORDSetting(HKEY_CURRENT_USER, key, "State", window->WindowState());
    switch (state) {
    case 2:
        window->SetWindowState(0);
        window->Move(left, top, width, height);
        window->SetWindowState(2);
        break;
    case 0:
        window->SetWindowState(0);
        window->Move(left, top, width, height);
        break;
    default: window->SetWindowState(state); break;
    }
}

void SaveFormPosition(std::string_view keyPath, iPositionedWindow* window) {
    if (keyPath.empty() || !window) return;
    const std::string key = PositionKey(keyPath);
    const std::int32_t state = window->WindowState();
    // Bounds and state belong together: a half-stored position would reopen the window
    // somewhere it never was.
    Transaction position(HKEY_CURRENT_USER);
    if (state == 0) {
        position.SaveDWORDSetting(key, "Left", window->Left(), 0);
        position.SaveDWORDSetting(key, "Top", window->Top(), 0);
        position.SaveDWORDSetting(key, "Width", window->Width(), 0);
        position.SaveDWORDSetting(key, "Height", window->Height(), 0);
    }
    position.SaveDWORDSetting(key, "State", state, 0);
    position.Commit();
}

} // namespace lumoedit::Registry
