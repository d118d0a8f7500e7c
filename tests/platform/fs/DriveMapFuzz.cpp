// The drive map is a file anyone may edit: every text must read without harm.
#include "platform/fs/DriveMap.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto drives = platform::fs::ParseDriveMap(text);
    bool haveC = false;
    char last = 0;
    for (const auto& d : drives) {
        if (d.letter < 'A' || d.letter > 'Z' || d.letter <= last) std::abort();
        if (d.folder.empty() || d.folder.front() != '/') std::abort();
        haveC |= d.letter == 'C';
        last = d.letter;
    }
    if (!haveC) std::abort();
    return 0;
}
