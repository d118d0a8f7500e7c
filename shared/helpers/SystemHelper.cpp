#include "shared/helpers/SystemHelper.h"

#include "platform/fs/DriveMap.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace helpers {

cSystemHelper& cSystemHelper::Instance() {
    static cSystemHelper instance;
    return instance;
}

std::string cSystemHelper::UserName() const {
    for (const char* var : {"USER", "LOGNAME"})
        if (const char* v = std::getenv(var); v && *v) return v;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name) return pw->pw_name;
    return "user";
}

std::string cSystemHelper::ComputerName() const {
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0 || !buf[0]) return "localhost";
    std::string name(buf);
    if (const auto dot = name.find('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

std::string cSystemHelper::DriveLetters(std::int32_t driveType) const {
    std::string letters;
    for (const auto& d : platform::fs::Drives())
        if (static_cast<std::int32_t>(d.type) == driveType) letters.push_back(d.letter);
    return letters;
}

cMultimediaHelper& cMultimediaHelper::Instance() {
    static cMultimediaHelper instance;
    return instance;
}

} // namespace helpers
