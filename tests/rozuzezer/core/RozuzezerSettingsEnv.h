// A private world for the settings classes: a fresh registry, drive map, program-files
// folder, temporary folder and device list, all inside one temporary folder.
#pragma once

#include "platform/devices/Devices.h"
#include "platform/registry/Registry.h"
#include "shared/helpers/RegistryHelper.h"
#include "shared/helpers/SystemHelper.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace settings_test {

namespace fs = std::filesystem;

inline platform::devices::DeviceList MonoOutputs(std::initializer_list<bool> suitable,
                                                 std::initializer_list<bool> inputs = {}) {
    platform::devices::DeviceList list;
    int n = 0;
    for (bool s : suitable)
        list.outputs.push_back({"out " + std::to_string(n++), s ? 0xFFFu : 0x888u, 2, 0, -1});
    n = 0;
    for (bool s : inputs)
        list.inputs.push_back({"in " + std::to_string(n++), s ? 0xFFFu : 0x888u, 2, 0, -1});
    list.defaultOutput = list.outputs.empty() ? -1 : 0;
    list.defaultInput = list.inputs.empty() ? -1 : 0;
    return list;
}

class SettingsEnv : public ::testing::Test {
protected:
    SettingsEnv()
        : registry_("BREVANT_REGISTRY_DIR", dir_ / "registry"),
          driveMap_("BREVANT_DRIVE_MAP", dir_ / "drives.map"),
          programs_("BREVANT_PROGRAM_FILES", dir_ / "programs"),
          tmp_("TMPDIR", dir_ / "tmp"), noDeviceVariable_("BREVANT_FAKE_DEVICES", std::nullopt) {
        fs::create_directories(dir_.path() / "registry");
        fs::create_directories(dir_.path() / "programs");
        fs::create_directories(dir_.path() / "tmp");
        fs::create_directories(dir_.path() / "c");
        MapDrives("C: fixed " + (dir_ / "c") + "\n");
        SetDevices(MonoOutputs({}));
    }

    void SetDevices(platform::devices::DeviceList list) {
        devices_.reset();
        devices_ = std::make_unique<platform::devices::ScopedFakeDevices>(std::move(list));
    }

    void MapDrives(const std::string& text) { testsupport::WriteFile(dir_ / "drives.map", text); }

    std::string Path(const std::string& name) const { return dir_ / name; }

    // Makes a folder (with parents) inside the world and returns its path.
    std::string Folder(const std::string& name) const {
        fs::create_directories(dir_.path() / name);
        return dir_ / name;
    }

    std::string MachineHive() const {
        std::string p = platform::registry::HiveFilePath(platform::registry::HKEY_LOCAL_MACHINE);
        return fs::exists(p) ? testsupport::ReadFile(p) : std::string();
    }

    static std::string ProfileKey(const std::string& profile, const std::string& sub = {}) {
        std::string k = "SOFTWARE\\Brevant\\Verudivur\\Profiles\\" + profile;
        return sub.empty() ? k : k + "\\" + sub;
    }

    // Stores a value the way another program would have (never deleted as a default).
    static void StoreNumber(const std::string& key, const std::string& name, std::int32_t v) {
        ASSERT_TRUE(helpers::RegistryHelper().WriteNumber(helpers::HKEY_LOCAL_MACHINE, key, name,
                                                          v, v == 12345 ? 0 : 12345));
    }
    static void StoreText(const std::string& key, const std::string& name, const std::string& v) {
        ASSERT_TRUE(helpers::RegistryHelper().WriteText(helpers::HKEY_LOCAL_MACHINE, key, name, v,
                                                        "\x01unlikely"));
    }
    static constexpr std::int32_t kMissing = -999999;
    static std::int32_t StoredNumber(const std::string& key, const std::string& name) {
        return helpers::RegistryHelper().ReadNumber(helpers::HKEY_LOCAL_MACHINE, key, name, kMissing);
    }
    static std::string StoredText(const std::string& key, const std::string& name) {
        return helpers::RegistryHelper().ReadText(helpers::HKEY_LOCAL_MACHINE, key, name, "<missing>");
    }

    testsupport::TempDir dir_{"settings"};

private:
    testsupport::ScopedEnv registry_, driveMap_, programs_, tmp_, noDeviceVariable_;
    std::unique_ptr<platform::devices::ScopedFakeDevices> devices_;
};

} // namespace settings_test
