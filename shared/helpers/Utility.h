// The utility object: one per process, created on first use and shared by every user,
// so state set through one user (command line, debug level) is seen by all.
#pragma once

#include <cstdint>
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
    // The value of the first item called `name` (names compare without regard to ASCII
    // case), or "" when there is none.
    static std::string Lookup(std::string_view list, std::string_view name, std::string_view sign,
                              bool isText, std::string_view separator);
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

private:
    cUtility() = default;
    std::string commandLine_;
    std::int32_t debugLevel_ = 0;
};

inline cUtility& Utility() { return cUtility::Instance(); }

} // namespace helpers
