// Any file reads without harm; a write changes the one value it names and keeps the rest.
#include "fuzz/FuzzScratch.h"
#include "platform/profile/Profile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace platform::profile;

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string file = fuzzscratch::File("Zozuver.ini");
    fuzzscratch::Write(file, data, size);

    const char* probes[][2] = {{"Verudivur", "NoCarts"}, {"Verudivur", "Version"}, {"CDDB", "ServerAddress"}, {"A", "x"}};
    std::string before[4];
    for (int i = 0; i < 4; ++i) {
        before[i] = GetPrivateProfileString(probes[i][0], probes[i][1], "<none>", file);
        (void)GetPrivateProfileInt(probes[i][0], probes[i][1], -7, file);
    }
    bool utf16 = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
    bool wrote = WritePrivateProfileString("Verudivur", "NoCarts", "1234", file);
    if (wrote == utf16) Fail("write refused or accepted wrongly");
    if (!wrote) return 0;
    if (GetPrivateProfileString("Verudivur", "NoCarts", "<none>", file) != "1234") Fail("written value not read back");
    for (int i = 1; i < 4; ++i)
        if (GetPrivateProfileString(probes[i][0], probes[i][1], "<none>", file) != before[i]) Fail("another value changed");
    return 0;
}
