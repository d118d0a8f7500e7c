#include "platform/profile/Profile.h"

namespace platform::profile {

std::string GetPrivateProfileString(std::string_view, std::string_view, std::string_view defaultValue,
                                    const std::string&) {
    return std::string(defaultValue);
}
std::int32_t GetPrivateProfileInt(std::string_view, std::string_view, std::int32_t defaultValue,
                                  const std::string&) {
    return defaultValue;
}
bool WritePrivateProfileString(std::string_view, std::optional<std::string_view>,
                               std::optional<std::string_view>, const std::string&) {
    return false;
}

} // namespace platform::profile
