// Any file reads without harm; a write changes the one value it names and keeps the rest.
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

std::string Scratch() {
    static std::string file = [] {
        std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string dir = base + "/fuzz-ini-XXXXXX";
        if (!mkdtemp(dir.data())) std::abort();
        static std::string made = dir;
        std::atexit([] { std::filesystem::remove_all(made); });
        return dir + "/Zozuver.ini";
    }();
    return file;
}

void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file = Scratch();
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

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
