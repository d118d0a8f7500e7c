// Settings stores: reading one value of a 200-value user hive, and durable writes to it, the
// way the preference calls use the registry (open, size, data, close); the same for INI files.
#include "BenchReport.h"
#include "platform/profile/Profile.h"
#include "platform/registry/Registry.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace platform::registry;

namespace {

constexpr const char* kKey = "SOFTWARE\\Brevant\\LumoEdit\\v1";

void Set(const std::string& name, const std::string& text) {
    HKEY k = 0;
    if (RegCreateKey(HKEY_CURRENT_USER, kKey, &k) != ERROR_SUCCESS) std::abort();
    if (RegSetValueEx(k, name, REG_SZ, reinterpret_cast<const std::uint8_t*>(text.data()),
                      static_cast<DWORD>(text.size())) != ERROR_SUCCESS)
        std::abort();
    RegCloseKey(k);
}

std::string Get(const std::string& name) {
    HKEY k = 0;
    std::string out;
    if (RegOpenKey(HKEY_CURRENT_USER, kKey, &k) != ERROR_SUCCESS) return out;
    DWORD type = 0, size = 0;
    if (RegQueryValueEx(k, name, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
        out.assign(size, ' ');
        if (RegQueryValueEx(k, name, nullptr, reinterpret_cast<std::uint8_t*>(out.data()), &size) == ERROR_SUCCESS)
            out.resize(out.find('\0') == std::string::npos ? out.size() : out.find('\0'));
    }
    RegCloseKey(k);
    return out;
}

} // namespace

int main() {
    std::string dir = bench::ScratchFolder("settings");
    setenv("BREVANT_REGISTRY_DIR", dir.c_str(), 1);
    for (int i = 0; i < 200; ++i) Set("Preference" + std::to_string(i), "value of preference " + std::to_string(i));

    constexpr int kReads = 200000;
    std::size_t sink = 0;
    double readSec = bench::BestSeconds(3, [&] {
        for (int i = 0; i < kReads; ++i) sink += Get("Preference" + std::to_string(i % 200)).size();
    });
    bench::Report("registry_read", kReads / readSec, "reads/s");

    constexpr int kWrites = 1000;
    double writeSec = bench::Seconds([&] {
        for (int i = 0; i < kWrites; ++i) Set("Preference" + std::to_string(i % 200), "new value " + std::to_string(i));
    });
    bench::Report("registry_durable_write", kWrites / writeSec, "writes/s");
    if (Get("Preference199") != "new value 999") std::abort();

    const std::string ini = dir + "/Zozuver.ini";
    for (int i = 0; i < 50; ++i)
        platform::profile::WritePrivateProfileString("Verudivur", "Key" + std::to_string(i), std::to_string(i), ini);
    double iniRead = bench::BestSeconds(3, [&] {
        for (int i = 0; i < kReads; ++i)
            sink += static_cast<std::size_t>(platform::profile::GetPrivateProfileInt("verudivur", "Key" + std::to_string(i % 50), 0, ini));
    });
    bench::Report("profile_read", kReads / iniRead, "reads/s");
    double iniWrite = bench::Seconds([&] {
        for (int i = 0; i < kWrites; ++i)
            platform::profile::WritePrivateProfileString("Verudivur", "Key" + std::to_string(i % 50), std::to_string(i + 1000), ini);
    });
    bench::Report("profile_durable_write", kWrites / iniWrite, "writes/s");

    std::filesystem::remove_all(dir);
    return sink == 0 ? 1 : 0;
}
