#include "shared/helpers/FileHelper.h"
#include "shared/helpers/RegistryHelper.h"
#include "shared/helpers/SystemHelper.h"

#include "platform/base/Error.h"
#include "platform/registry/Registry.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace reg = platform::registry;
using helpers::HKEY_CURRENT_USER;
using helpers::HKEY_LOCAL_MACHINE;

namespace {

constexpr const char* kKey = "SOFTWARE\\Brevant\\Verudivur\\Profiles\\Profile1\\Players";

// Every test gets its own registry folder and drive map.
class HelpersTest : public ::testing::Test {
protected:
    testsupport::TempDir dir{"helpers"};
    testsupport::ScopedEnv registry{"BREVANT_REGISTRY_DIR", dir / "registry"};
    testsupport::ScopedEnv map{"BREVANT_DRIVE_MAP", dir / "drives.map"};
    void SetUp() override {
        std::filesystem::create_directory(dir / "registry");
        testsupport::WriteFile(dir / "drives.map", "C: fixed " + dir.path().string() +
                                                       "\nD: cdrom /media/cd\nE: fixed /srv/e\n"
                                                       "N: network /mnt/n\n");
    }
    void SetRaw(reg::HKEY hive, const char* name, reg::DWORD type, const std::string& bytes) {
        reg::HKEY key = 0;
        ASSERT_EQ(reg::RegCreateKey(hive, kKey, &key), reg::ERROR_SUCCESS);
        ASSERT_EQ(reg::RegSetValueEx(key, name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                     static_cast<reg::DWORD>(bytes.size())),
                  reg::ERROR_SUCCESS);
        reg::RegCloseKey(key);
    }
    bool Exists(reg::HKEY hive, const char* name) {
        reg::HKEY key = 0;
        if (reg::RegOpenKey(hive, kKey, &key) != reg::ERROR_SUCCESS) return false;
        reg::DWORD size = 0;
        const bool there = reg::RegQueryValueEx(key, name, nullptr, nullptr, &size) == reg::ERROR_SUCCESS;
        reg::RegCloseKey(key);
        return there;
    }
};

} // namespace

TEST_F(HelpersTest, RegistryNumbersAndTextsWithDefaults) {
    auto& r = helpers::RegistryHelper();
    EXPECT_EQ(r.ReadNumber(HKEY_LOCAL_MACHINE, kKey, "NumberPlayers", -1), -1);
    EXPECT_EQ(r.ReadText(HKEY_LOCAL_MACHINE, kKey, "FadeDuration", "2"), "2");

    EXPECT_TRUE(r.WriteNumber(HKEY_LOCAL_MACHINE, kKey, "NumberPlayers", 4, -1));
    EXPECT_TRUE(r.WriteText(HKEY_LOCAL_MACHINE, kKey, "FadeDuration", "2.5", "2"));
    EXPECT_EQ(r.ReadNumber(HKEY_LOCAL_MACHINE, kKey, "NumberPlayers", -1), 4);
    EXPECT_EQ(r.ReadText(HKEY_LOCAL_MACHINE, kKey, "FadeDuration", "2"), "2.5");
    EXPECT_TRUE(r.WriteNumber(HKEY_LOCAL_MACHINE, kKey, "Negative", -7, 0));
    EXPECT_EQ(r.ReadNumber(HKEY_LOCAL_MACHINE, kKey, "negative", 0), -7); // names ignore case

    // The default is never stored: the value goes.
    EXPECT_TRUE(r.WriteNumber(HKEY_LOCAL_MACHINE, kKey, "NumberPlayers", -1, -1));
    EXPECT_TRUE(r.WriteText(HKEY_LOCAL_MACHINE, kKey, "FadeDuration", "2", "2"));
    EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, "NumberPlayers"));
    EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, "FadeDuration"));
    EXPECT_TRUE(r.WriteText(HKEY_LOCAL_MACHINE, kKey, "Case", "abc", "ABC")); // case counts
    EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, "Case"));
    EXPECT_TRUE(r.DeleteValue(HKEY_LOCAL_MACHINE, kKey, "Case"));
    EXPECT_TRUE(r.DeleteValue(HKEY_LOCAL_MACHINE, kKey, "Case"));
    EXPECT_TRUE(r.DeleteValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nowhere", "Case"));

    // Texts in non-ASCII letters survive.
    EXPECT_TRUE(r.WriteText(HKEY_CURRENT_USER, kKey, "Editor", "/opt/Réalisateur/edit", ""));
    EXPECT_EQ(r.ReadText(HKEY_CURRENT_USER, kKey, "Editor", ""), "/opt/Réalisateur/edit");
}

TEST_F(HelpersTest, RegistryValuesOfOtherTypesReadSensibly) {
    auto& r = helpers::RegistryHelper();
    SetRaw(HKEY_LOCAL_MACHINE, "TextNumber", reg::REG_SZ, "12 dB");
    SetRaw(HKEY_LOCAL_MACHINE, "Dword", reg::REG_DWORD, std::string("\xff\xff\xff\xff", 4));
    SetRaw(HKEY_LOCAL_MACHINE, "Short", reg::REG_BINARY, std::string("\x01\x02", 2));
    SetRaw(HKEY_LOCAL_MACHINE, "Long", reg::REG_BINARY, std::string(8, '\x01'));
    SetRaw(HKEY_LOCAL_MACHINE, "Expand", reg::REG_EXPAND_SZ, "%TMP%");
    SetRaw(HKEY_LOCAL_MACHINE, "Huge", reg::REG_SZ, "1e400");
    const struct {
        const char* name;
        std::int32_t number;
        const char* text;
    } cases[] = {
        {"TextNumber", 12, "12 dB"},
        {"Dword", -1, "-1"},
        {"Short", 0x0201, "default"},
        {"Long", 99, "default"},
        {"Expand", 0, "%TMP%"},
        {"Huge", 99, "1e400"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(r.ReadNumber(HKEY_LOCAL_MACHINE, kKey, c.name, 99), c.number) << c.name;
        EXPECT_EQ(r.ReadText(HKEY_LOCAL_MACHINE, kKey, c.name, "default"), c.text) << c.name;
    }
}

TEST_F(HelpersTest, AMachineHiveThisUserMayNotWriteChangesNothing) {
    auto& r = helpers::RegistryHelper();
    ASSERT_TRUE(r.WriteNumber(HKEY_LOCAL_MACHINE, kKey, "NumberPlayers", 4, -1));
    const std::string file = reg::HiveFilePath(HKEY_LOCAL_MACHINE);
    const std::string before = testsupport::ReadFile(file);
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    EXPECT_FALSE(r.WriteNumber(HKEY_LOCAL_MACHINE, kKey, "NumberPlayers", 6, -1));
    EXPECT_FALSE(r.WriteText(HKEY_LOCAL_MACHINE, kKey, "New", "x", ""));
    EXPECT_FALSE(r.WriteNumber(HKEY_LOCAL_MACHINE, kKey, "NumberPlayers", -1, -1));
    EXPECT_EQ(r.ReadNumber(HKEY_LOCAL_MACHINE, kKey, "NumberPlayers", -1), 4);
    EXPECT_EQ(testsupport::ReadFile(file), before);
}

TEST_F(HelpersTest, IniTextsAreFoundWhateverTheFileNamesCase) {
    testsupport::WriteFile(dir / "ZOZUVER.INI", "[Verudivur]\r\nPictureFileExtension = \"PNG\" \r\n");
    auto& r = helpers::RegistryHelper();
    EXPECT_EQ(r.ReadIniText("verudivur", "PICTUREFILEEXTENSION", "JPG", dir / "Zozuver.ini"), "PNG");
    EXPECT_EQ(r.ReadIniText("Verudivur", "Missing", "JPG", dir / "Zozuver.ini"), "JPG");
    EXPECT_EQ(r.ReadIniText("Verudivur", "PictureFileExtension", "JPG", "c:\\zozuver.ini"), "PNG");
    EXPECT_EQ(r.ReadIniText("Verudivur", "PictureFileExtension", "JPG", dir / "none/Zozuver.ini"), "JPG");
}

TEST_F(HelpersTest, SystemAndMultimediaHelpers) {
    auto& s = helpers::SystemHelper();
    EXPECT_EQ(s.DriveLetters(3), "CE");
    EXPECT_EQ(s.DriveLetters(5), "D");
    EXPECT_EQ(s.DriveLetters(4), "N");
    EXPECT_EQ(s.DriveLetters(2), "");
    {
        testsupport::ScopedEnv user("USER", "anna");
        EXPECT_EQ(s.UserName(), "anna");
    }
    EXPECT_FALSE(s.UserName().empty());
    EXPECT_FALSE(s.ComputerName().empty());
    EXPECT_EQ(s.ComputerName().find('.'), std::string::npos);

    auto& m = helpers::MultimediaHelper();
    EXPECT_EQ(m.ManufacturerID(), helpers::cMultimediaHelper::kNoManufacturer);
    m.SetManufacturerID(1);
    EXPECT_EQ(helpers::MultimediaHelper().ManufacturerID(), 1); // one object for everyone
    m.SetManufacturerID(helpers::cMultimediaHelper::kNoManufacturer);
}

TEST_F(HelpersTest, FileHelperCopiesIntoFoldersAndRaisesWhatFails) {
    auto& f = helpers::FileHelper();
    std::filesystem::create_directories(dir / "Wall/Backups/2006-03-01 14-05");
    testsupport::WriteFile(dir / "Wall/Carts1.LST", "list one");
    const std::string backup = dir / "Wall/Backups/2006-03-01 14-05";

    std::vector<std::string> captions;
    auto old = helpers::cFileHelper::SetCopyProgress(
        [&](const std::string& caption, std::uint64_t, std::uint64_t) {
            captions.push_back(caption);
            return true;
        });
    EXPECT_FALSE(f.CopyToFolder("c:\\Wall\\Carts1.LST", backup, "Backing up Audio Wall lists - Part 1"));
    EXPECT_EQ(testsupport::ReadFile(backup + "/Carts1.LST"), "list one");
    ASSERT_FALSE(captions.empty());
    EXPECT_EQ(captions.front(), "Backing up Audio Wall lists - Part 1");

    // The user stops it: the stop indication, and no copy.
    helpers::cFileHelper::SetCopyProgress([](const std::string&, std::uint64_t, std::uint64_t) { return false; });
    EXPECT_TRUE(f.CopyFile(dir / "Wall/Carts1.LST", dir / "Wall/stopped.LST", "x"));
    EXPECT_EQ(f.FileSize(dir / "Wall/stopped.LST"), -1);
    helpers::cFileHelper::SetCopyProgress(old);

    auto number = [](auto&& fn) {
        try {
            fn();
        } catch (const platform::RuntimeError& e) {
            return e.Number();
        }
        return 0;
    };
    EXPECT_EQ(number([&] { f.CopyToFolder(dir / "Wall/none.LST", backup, "x"); }), 53);
    EXPECT_EQ(number([&] { f.CopyToFolder(dir / "Wall/Carts1.LST", dir / "nowhere", "x"); }), 76);
    EXPECT_EQ(number([&] { f.DeleteFile(dir / "Wall/none.LST"); }), 53);
    EXPECT_EQ(number([&] { f.DeleteFile(backup + "/Carts1.LST"); }), 0);
    EXPECT_EQ(f.FileSize(backup + "/Carts1.LST"), -1);
    {
        testsupport::ScopedEnv tmp("TMPDIR", dir / "no-such-folder-for-temp");
        testsupport::ScopedEnv tmp2("TMPDIR", "/proc"); // exists, but nothing can be made there
        EXPECT_EQ(number([&] { f.TempFileName("WAV"); }), 75);
    }
    EXPECT_EQ(f.Extension(f.TempFileName("WAV")), "WAV");
    EXPECT_EQ(f.ExternalForm("c:\\Wall\\Carts1.LST"), dir / "Wall/Carts1.LST");
    EXPECT_EQ(f.FindNoCase(dir / "wall", "carts1.lst"), dir / "wall/carts1.lst"); // folder as given
    EXPECT_EQ(f.FindNoCase(dir / "Wall", "carts1.lst"), dir / "Wall/Carts1.LST");
}
