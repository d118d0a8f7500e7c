#include "shared/helpers/RegistryHelper.h"

#include "platform/base/Numeric.h"
#include "platform/fs/DriveMap.h"
#include "platform/fs/Files.h"
#include "platform/profile/Profile.h"

#include <array>
#include <vector>

namespace helpers {
namespace reg = platform::registry;
namespace {

// Reads a value's type and bytes; false when the key or value cannot be read.
bool Query(HKEY hive, std::string_view keyPath, std::string_view name, reg::DWORD& type,
           std::vector<std::uint8_t>& data) {
    HKEY key = 0;
    if (reg::RegOpenKeyEx(hive, keyPath, 0, reg::KEY_QUERY_VALUE, &key) != reg::ERROR_SUCCESS)
        return false;
    bool ok = false;
    for (int attempt = 0; attempt < 4 && !ok; ++attempt) {
        reg::DWORD size = 0;
        if (reg::RegQueryValueEx(key, name, &type, nullptr, &size) != reg::ERROR_SUCCESS) break;
        data.assign(size, 0);
        reg::DWORD got = size;
        const reg::LONG r = reg::RegQueryValueEx(key, name, &type, data.data(), &got);
        if (r == reg::ERROR_SUCCESS) {
            data.resize(got);
            ok = true;
        } else if (r != reg::ERROR_MORE_DATA) {
            break; // another program removed it in between; try again only when it grew
        }
    }
    reg::RegCloseKey(key);
    return ok;
}

std::string TextOf(const std::vector<std::uint8_t>& data) {
    std::string s(data.begin(), data.end());
    if (const auto nul = s.find('\0'); nul != std::string::npos) s.resize(nul);
    return s;
}

bool Delete(HKEY hive, std::string_view keyPath, std::string_view name) {
    HKEY key = 0;
    const reg::LONG r = reg::RegOpenKeyEx(hive, keyPath, 0, reg::KEY_SET_VALUE, &key);
    if (r == reg::ERROR_FILE_NOT_FOUND) return true; // no key: no value
    if (r != reg::ERROR_SUCCESS) return false;
    const reg::LONG d = reg::RegDeleteValue(key, name);
    reg::RegCloseKey(key);
    return d == reg::ERROR_SUCCESS || d == reg::ERROR_FILE_NOT_FOUND;
}

std::array<std::uint8_t, 4> DwordBytes(std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
            static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
}

bool Set(HKEY hive, std::string_view keyPath, std::string_view name, reg::DWORD type,
         const std::uint8_t* data, reg::DWORD size) {
    HKEY key = 0;
    if (reg::RegCreateKeyEx(hive, keyPath, reg::KEY_SET_VALUE, &key, nullptr) != reg::ERROR_SUCCESS)
        return false;
    const reg::LONG r = reg::RegSetValueEx(key, name, type, data, size);
    reg::RegCloseKey(key);
    return r == reg::ERROR_SUCCESS;
}

} // namespace

cRegistryHelper& cRegistryHelper::Instance() {
    static cRegistryHelper instance;
    return instance;
}

std::int32_t cRegistryHelper::ReadNumber(HKEY hive, std::string_view keyPath,
                                         std::string_view valueName,
                                         std::int32_t defaultValue) const {
    reg::DWORD type = 0;
    std::vector<std::uint8_t> data;
    if (!Query(hive, keyPath, valueName, type, data)) return defaultValue;
    if (type == reg::REG_SZ || type == reg::REG_EXPAND_SZ) {
        double v = 0;
        try {
            v = platform::Val(TextOf(data));
        } catch (...) {
            return defaultValue; // too large a number
        }
        if (!(v >= -2147483648.0 && v <= 2147483647.0)) return defaultValue;
        return static_cast<std::int32_t>(platform::RoundHalfEven(v));
    }
    if (type == reg::REG_MULTI_SZ || data.size() > 4) return defaultValue;
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < data.size(); ++i) v |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    return static_cast<std::int32_t>(v);
}

std::string cRegistryHelper::ReadText(HKEY hive, std::string_view keyPath,
                                      std::string_view valueName,
                                      std::string_view defaultValue) const {
    reg::DWORD type = 0;
    std::vector<std::uint8_t> data;
    if (!Query(hive, keyPath, valueName, type, data)) return std::string(defaultValue);
    if (type == reg::REG_SZ || type == reg::REG_EXPAND_SZ) return TextOf(data);
    if (type == reg::REG_DWORD && data.size() == 4) {
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(data[i]) << (8 * i);
        return std::to_string(static_cast<std::int32_t>(v));
    }
    return std::string(defaultValue);
}

bool cRegistryHelper::WriteNumber(HKEY hive, std::string_view keyPath, std::string_view valueName,
                                  std::int32_t value, std::int32_t defaultValue) const {
    if (value == defaultValue) return Delete(hive, keyPath, valueName);
    const auto bytes = DwordBytes(value);
    return Set(hive, keyPath, valueName, reg::REG_DWORD, bytes.data(), 4);
}

bool cRegistryHelper::WriteText(HKEY hive, std::string_view keyPath, std::string_view valueName,
                                std::string_view value, std::string_view defaultValue) const {
    if (value == defaultValue) return Delete(hive, keyPath, valueName);
    return Set(hive, keyPath, valueName, reg::REG_SZ,
               reinterpret_cast<const std::uint8_t*>(value.data()),
               static_cast<reg::DWORD>(value.size()));
}

bool cRegistryHelper::DeleteValue(HKEY hive, std::string_view keyPath,
                                  std::string_view valueName) const {
    return Delete(hive, keyPath, valueName);
}

void cRegistryTransaction::WriteNumber(std::string_view keyPath, std::string_view valueName,
                                       std::int32_t value, std::int32_t defaultValue) {
    if (value == defaultValue) return DeleteValue(keyPath, valueName);
    const auto bytes = DwordBytes(value);
    changes_.SetValue(keyPath, valueName, reg::REG_DWORD, bytes.data(), 4);
}

void cRegistryTransaction::WriteText(std::string_view keyPath, std::string_view valueName,
                                     std::string_view value, std::string_view defaultValue) {
    if (value == defaultValue) return DeleteValue(keyPath, valueName);
    changes_.SetValue(keyPath, valueName, reg::REG_SZ,
                      reinterpret_cast<const std::uint8_t*>(value.data()),
                      static_cast<reg::DWORD>(value.size()));
}

void cRegistryTransaction::DeleteValue(std::string_view keyPath, std::string_view valueName) {
    changes_.DeleteValue(keyPath, valueName);
}

bool cRegistryTransaction::Commit() const { return changes_.Commit() == reg::ERROR_SUCCESS; }

std::string cRegistryHelper::ReadIniText(std::string_view section, std::string_view key,
                                         std::string_view defaultValue,
                                         std::string_view filePath) const {
    // Another computer of the wall may have written "ZOZUVER.INI": find it as it is spelt.
    return platform::profile::GetPrivateProfileString(section, key, defaultValue,
                                                      platform::fs::ResolveNoCase(filePath));
}

} // namespace helpers
