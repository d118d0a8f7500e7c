// The utility object: one per process, created on first use and shared by every user,
// so state set through one user (command line, debug level) is seen by all.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

namespace helpers {

// Name=value lists. Items are separated by `separator`; an item is name, sign, value.
// A text value is written in double quotes with backslash escapes for \ " and control
// characters (\n \r \t \xHH), so blanks, signs, quotes, "|" and line breaks survive and
// the list stays on one line; other bytes (UTF-8 included) stand as they are. A value
// written without the text flag stands bare, unless bare it would not read back (it is
// then quoted as if the flag were set). Look-up reads both forms whatever its flag.
class ItemList {
public:
    static std::string Append(std::string_view list, std::string_view name, std::string_view value,
                              std::string_view sign, bool isText, std::string_view separator);
    // The same, appending to `list` where it stands (no copy of what is already there).
    static void AppendTo(std::string& list, std::string_view name, std::string_view value,
                         std::string_view sign, bool isText, std::string_view separator);
    // The value of the first item called `name` (names compare without regard to ASCII
    // case), or "" when there is none.
    static std::string Lookup(std::string_view list, std::string_view name, std::string_view sign,
                              bool isText, std::string_view separator);
    // The list without its items called one of `names` (ASCII case ignored), each taken out
    // with its separator; everything else stays as it stood.
    static std::string Remove(std::string_view list, std::span<const std::string_view> names,
                              std::string_view sign, std::string_view separator);
    // Every item of the list in one pass; the first of several equal names wins. Names are
    // folded to lower case.
    static std::unordered_map<std::string, std::string> Parse(std::string_view list,
                                                              std::string_view sign,
                                                              std::string_view separator);
    static std::string FoldName(std::string_view name);
};

class cUtility {
public:
    static cUtility& Instance();

    const std::string& CommandLine() const { return commandLine_; }
    void SetCommandLine(std::string line) { commandLine_ = std::move(line); }

    // 0: the debug log is off; -1: every level; n > 0: levels up to n.
    std::int32_t DebugLevel() const { return debugLevel_; }
    void SetDebugLevel(std::int32_t level) { debugLevel_ = level; }

    static std::int32_t ClampLong(std::int32_t value, std::int32_t lowest, std::int32_t highest);
    static double ClampDouble(double value, double lowest, double highest);
    static double Larger(double a, double b) { return a > b ? a : b; }
    static double Smaller(double a, double b) { return a < b ? a : b; }

    std::string AppendItem(std::string_view list, std::string_view name, std::string_view value,
                           std::string_view sign, bool isText, std::string_view separator) const {
        return ItemList::Append(list, name, value, sign, isText, separator);
    }
    std::string LookupItem(std::string_view list, std::string_view name, std::string_view sign,
                           bool isText, std::string_view separator) const {
        return ItemList::Lookup(list, name, sign, isText, separator);
    }

    // The application object: the program's name (its file name without extension), its
    // folder and its help file. Until a host hands one over, the name and folder are those
    // of the running executable and the help file is the name + ".chm" in that folder.
    struct Application {
        std::string name;
        std::string folder;
        std::string helpFile;
    };
    void SetApplication(Application app);
    const Application& App() const;

    // The text between a tag and its closing tag: finds `openMarker` (ASCII case ignored),
    // then the first `markerEnd` from the marker's last character on (so "<PRS>" with ">"
    // and "<PRS" with ">" both work, the latter allowing attributes), and takes everything
    // up to the next `closeMarker` (case ignored). The first occurrence counts; "" when the
    // marker, its end or the closing marker is missing.
    static std::string TagValue(std::string_view text, std::string_view openMarker,
                                std::string_view markerEnd, std::string_view closeMarker);

    // Time text to seconds. Forms 1 and 11 read the duration / marker text
    // "hh:nn:ss.hh"; form 2 the time of day "hh:nn:ss". Every form reads leniently: the
    // fields are taken from the right (seconds with any fraction, minutes, hours), each by
    // its leading number, so "1:05.5", "00:01:05.50" and "65.5" all give 65.5. Blanks,
    // mask place-holders and anything unreadable count as 0; the result is never negative.
    // What cTimeFormat::SecondsToText writes in its styles 1 and 2 reads back here to the
    // same seconds (to the hundredth, resp. the whole second).
    static double TimeTextToSeconds(std::string_view text, std::int32_t form);

    // A number as eight upper-case hexadecimal digits, zero-padded ("8000000F").
    static std::string EightHex(std::uint32_t value);
    static std::string EightHex(std::int32_t value) { return EightHex(static_cast<std::uint32_t>(value)); }

    // `text` followed by blanks up to `width` characters (bytes); a longer text is kept
    // whole.
    static std::string PadBlanks(std::string_view text, std::size_t width);

    // Appends "hh:nn:ss <text>" to the debug log while the debug level is not 0. The log
    // is DebugLogPath(now); failures to write it are ignored.
    void DebugLog(std::string_view text) const;

    // Appends "hh:nn:ss <text>" and CR LF to the log file of `serial`'s day, whatever the
    // debug level (callers filter); the file is opened and closed for the line, and a line
    // that cannot be written is lost.
    void AppendLogLine(double serial, std::string_view text) const;

    // The daily log file: the root of drive C: (the drive map), the program's name, ".",
    // the date as yyyymmdd and ".log". `serial` is a date serial (platform/base/DateTime.h).
    std::string DebugLogPath(double serial) const;

    // Starts a program with one argument (none when empty) and, with `wait`, waits until it
    // ends. creationFlags 64 runs it at idle priority (nice 19), anything else at normal
    // priority. timeoutMs -1 waits for ever. showCommand and priority are accepted for
    // callers that pass them and have no effect here. Returns the program's exit code, 0
    // when not waiting, -1 when it could not be started (-2: timed out, still running).
    std::int32_t RunAndWait(const std::string& program, const std::string& argument,
                            std::int32_t creationFlags, std::int32_t timeoutMs = -1,
                            std::int32_t showCommand = 3, bool wait = true,
                            std::int16_t priority = 0) const;

private:
    cUtility() = default;
    std::string commandLine_;
    std::int32_t debugLevel_ = 0;
    mutable Application app_;
    mutable bool appSet_ = false;
};

inline cUtility& Utility() { return cUtility::Instance(); }

} // namespace helpers
