// Texts the shell reads from outside: the command line, the stored update-notes date and the
// stored recent-file list (first line: the new item, the rest: the list).
#include "editor/shell/LumoEdit_FN.h"
#include "platform/base/DateTime.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    using namespace lumoedit;

    const std::string rest = RemoveSwitch(RemoveSwitch(text, "/DEBUG"), "/EDITORSCALE");
    if (rest.size() > text.size()) std::abort();

    double serial = 0;
    if (ParseGeneralDate(text, serial)) {
        if (platform::SplitDate(serial).year >= 1000) {
            double again = 0;
            if (!ParseGeneralDate(GeneralDate(serial), again) || std::fabs(again - serial) > 1.5 / 86400) std::abort();
        }
    }

    const std::size_t nl = text.find('\n');
    const std::string item = nl == std::string::npos ? text : text.substr(0, nl);
    const std::string list = nl == std::string::npos ? std::string() : text.substr(nl + 1);
    const std::string result = AddToRecentList(item, list);
    const std::string head = TrimBlanks(item);
    // The item comes first, unless a one-entry list already names it (then it stays as stored).
    if (result != list && result.compare(0, head.size(), head) != 0) std::abort();
    if (head.find('|') == std::string::npos && !list.empty() && SplitBars(list).size() > 1 && SplitBars(result).size() > 10)
        std::abort();
    return 0;
}
