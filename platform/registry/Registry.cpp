#include "platform/registry/Registry.h"

namespace platform::registry {

LONG RegOpenKeyEx(HKEY, std::string_view, DWORD, REGSAM, HKEY* result) {
    if (result) *result = 0;
    return ERROR_FILE_NOT_FOUND;
}
LONG RegOpenKey(HKEY key, std::string_view subKey, HKEY* result) {
    return RegOpenKeyEx(key, subKey, 0, MAXIMUM_ALLOWED, result);
}
LONG RegCreateKeyEx(HKEY, std::string_view, REGSAM, HKEY* result, DWORD*) {
    if (result) *result = 0;
    return ERROR_ACCESS_DENIED;
}
LONG RegCreateKey(HKEY key, std::string_view subKey, HKEY* result) {
    return RegCreateKeyEx(key, subKey, KEY_ALL_ACCESS, result, nullptr);
}
LONG RegCloseKey(HKEY) { return ERROR_SUCCESS; }
LONG RegQueryValueEx(HKEY, std::string_view, DWORD*, std::uint8_t*, DWORD*) { return ERROR_FILE_NOT_FOUND; }
LONG RegSetValueEx(HKEY, std::string_view, DWORD, const std::uint8_t*, DWORD) { return ERROR_ACCESS_DENIED; }
LONG RegDeleteValue(HKEY, std::string_view) { return ERROR_FILE_NOT_FOUND; }
LONG RegDeleteKey(HKEY, std::string_view) { return ERROR_FILE_NOT_FOUND; }
LONG RegDeleteTree(HKEY, std::string_view) { return ERROR_FILE_NOT_FOUND; }
LONG RegEnumKeyEx(HKEY, DWORD, std::string*) { return ERROR_NO_MORE_ITEMS; }
LONG RegEnumValue(HKEY, DWORD, std::string*, DWORD*, std::string*) { return ERROR_NO_MORE_ITEMS; }
std::string HiveFilePath(HKEY) { return {}; }
bool HiveWritable(HKEY) { return false; }

} // namespace platform::registry
