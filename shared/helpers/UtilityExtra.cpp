// The utility object's text, time, log and program operations.
#include "shared/helpers/Utility.h"

#include "platform/base/DateTime.h"
#include "platform/base/Numeric.h"
#include "platform/fs/DriveMap.h"
#include "platform/fs/Files.h"
#include "platform/fs/Process.h"

#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace helpers {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::size_t FindNoCase(std::string_view text, std::string_view what, std::size_t from) {
    if (what.empty()) return from <= text.size() ? from : std::string_view::npos;
    if (what.size() > text.size()) return std::string_view::npos;
    for (std::size_t i = from; i + what.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < what.size() && Lower(text[i + k]) == Lower(what[k])) ++k;
        if (k == what.size()) return i;
    }
    return std::string_view::npos;
}

std::string ExecutablePath() {
    std::vector<char> buf(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return {};
    return std::string(buf.data(), static_cast<std::size_t>(n));
}

} // namespace

void cUtility::SetApplication(Application app) {
    app_ = std::move(app);
    appSet_ = true;
}

const cUtility::Application& cUtility::App() const {
    if (!appSet_) {
        const std::string exe = ExecutablePath();
        app_.folder = platform::fs::FolderPart(exe);
        app_.name = platform::fs::WithoutExtension(platform::fs::NamePart(exe));
        if (app_.name.empty()) app_.name = "LumoEdit";
        app_.helpFile = app_.folder + "/" + app_.name + ".chm";
        appSet_ = true;
    }
    return app_;
}

std::string cUtility::TagValue(std::string_view text, std::string_view openMarker,
                               std::string_view markerEnd, std::string_view closeMarker) {
    if (openMarker.empty()) return {};
    const std::size_t open = FindNoCase(text, openMarker, 0);
    if (open == std::string_view::npos) return {};
    std::size_t valueStart = open + openMarker.size();
    if (!markerEnd.empty()) {
        // Search from the marker's last character, so a marker that already ends in
        // `markerEnd` finds its own end.
        const std::size_t from = valueStart - 1;
        const std::size_t end = text.find(markerEnd, from);
        if (end == std::string_view::npos) return {};
        valueStart = end + markerEnd.size();
    }
    if (closeMarker.empty()) return std::string(text.substr(valueStart));
    const std::size_t close = FindNoCase(text, closeMarker, valueStart);
    if (close == std::string_view::npos) return {};
    return std::string(text.substr(valueStart, close - valueStart));
}

double cUtility::TimeTextToSeconds(std::string_view text, std::int32_t /*form*/) {
    // Fields from the right: seconds (with fraction), minutes, hours; further fields to the
    // left are days.
    double fields[4] = {0, 0, 0, 0};
    int count = 0;
    std::size_t end = text.size();
    while (count < 4) {
        const std::size_t colon = end == 0 ? std::string_view::npos : text.rfind(':', end - 1);
        const std::size_t start = colon == std::string_view::npos ? 0 : colon + 1;
        std::string field(text.substr(start, end - start));
        for (char& c : field)
            if (c == '_') c = '0';
        double v = 0;
        try {
            v = platform::Val(field);
        } catch (...) {
            v = 0; // a number too large for any time
        }
        if (!std::isfinite(v) || v < 0) v = 0;
        fields[count++] = v;
        if (colon == std::string_view::npos) break;
        end = colon;
    }
    const double seconds = fields[0] + fields[1] * 60.0 + fields[2] * 3600.0 + fields[3] * 86400.0;
    return std::isfinite(seconds) ? seconds : 0.0;
}

std::string cUtility::EightHex(std::uint32_t value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", value);
    return buf;
}

std::string cUtility::PadBlanks(std::string_view text, std::size_t width) {
    std::string out(text);
    if (out.size() < width) out.append(width - out.size(), ' ');
    return out;
}

std::string cUtility::DebugLogPath(double serial) const {
    std::string root = platform::fs::DriveCFolder();
    if (root.empty() || root.back() != '/') root.push_back('/');
    return root + App().name + "." + platform::FormatDate(serial, "yyyymmdd") + ".log";
}

void cUtility::DebugLog(std::string_view text) const {
    if (debugLevel_ == 0) return;
    AppendLogLine(platform::Now(), text);
}

void cUtility::AppendLogLine(double serial, std::string_view text) const {
    std::string line = platform::FormatDate(serial, "hh:nn:ss");
    line += ' ';
    line += text;
    line += "\r\n";
    const std::string path = DebugLogPath(serial);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    [[maybe_unused]] const ssize_t w = ::write(fd, line.data(), line.size());
    ::close(fd);
}

std::int32_t cUtility::RunAndWait(const std::string& program, const std::string& argument,
                                  std::int32_t creationFlags, std::int32_t timeoutMs,
                                  std::int32_t /*showCommand*/, bool wait,
                                  std::int16_t /*priority*/) const {
    const auto prio = (creationFlags & 64) ? platform::fs::Priority::Idle
                                           : platform::fs::Priority::Normal;
    std::vector<std::string> args;
    if (!argument.empty())
        args.push_back(platform::fs::HasDriveLetter(argument) ? platform::fs::ToNativePath(argument)
                                                              : argument);
    if (!wait) return platform::fs::StartProgram(program, args, prio) > 0 ? 0 : -1;
    return platform::fs::RunAndWait(program, args, prio, timeoutMs < 0 ? -1 : timeoutMs);
}

} // namespace helpers
