#include "platform/registry/DurableFile.h"
#include "platform/registry/RegFile.h"
#include "platform/registry/Registry.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

using namespace platform::registry;
using testsupport::ReadFile;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

constexpr const char* kKey = "SOFTWARE\\Brevant\\LumoEdit\\v1";

class RegistryTest : public ::testing::Test {
protected:
    TempDir dir{"reg"};
    ScopedEnv env{"BREVANT_REGISTRY_DIR", dir.path().string()};

    std::string UserFile() const { return dir / "user.reg"; }

    static LONG SetText(HKEY hive, const char* key, const char* name, std::string_view text,
                        DWORD type = REG_SZ) {
        HKEY k = 0;
        LONG st = RegCreateKey(hive, key, &k);
        if (st != ERROR_SUCCESS) return st;
        st = RegSetValueEx(k, name, type, reinterpret_cast<const std::uint8_t*>(text.data()),
                           static_cast<DWORD>(text.size()));
        RegCloseKey(k);
        return st;
    }

    static LONG SetDword(HKEY hive, const char* key, const char* name, DWORD v) {
        HKEY k = 0;
        LONG st = RegCreateKey(hive, key, &k);
        if (st != ERROR_SUCCESS) return st;
        std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                             static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
        st = RegSetValueEx(k, name, REG_DWORD, b, 4);
        RegCloseKey(k);
        return st;
    }

    // Type and data as the two-step query gives them; status in `st`.
    static std::string Get(HKEY hive, const char* key, const char* name, DWORD* type = nullptr,
                           LONG* st = nullptr) {
        HKEY k = 0;
        LONG s = RegOpenKeyEx(hive, key, 0, KEY_READ, &k);
        std::string out;
        if (s == ERROR_SUCCESS) {
            DWORD size = 0;
            s = RegQueryValueEx(k, name, type, nullptr, &size);
            if (s == ERROR_SUCCESS) {
                out.resize(size);
                s = RegQueryValueEx(k, name, type, reinterpret_cast<std::uint8_t*>(out.data()), &size);
                out.resize(size);
            }
            RegCloseKey(k);
        }
        if (st) *st = s;
        return out;
    }

    static std::string Text(HKEY hive, const char* key, const char* name) {
        std::string d = Get(hive, key, name);
        if (!d.empty() && d.back() == '\0') d.pop_back();
        return d;
    }
};

TEST_F(RegistryTest, HiveFilesFollowTheVariablesAsTheyAreNow) {
    EXPECT_EQ(HiveFilePath(HKEY_CURRENT_USER), dir / "user.reg");
    EXPECT_EQ(HiveFilePath(HKEY_LOCAL_MACHINE), dir / "machine.reg");
    EXPECT_EQ(HiveFilePath(HKEY_CLASSES_ROOT), dir / "classes.reg");
    EXPECT_EQ(HiveFilePath(0x1234), "");
    ScopedEnv noDir("BREVANT_REGISTRY_DIR", std::nullopt);
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "/srv/cfg");
        EXPECT_EQ(HiveFilePath(HKEY_CURRENT_USER), "/srv/cfg/Brevant/user.reg");
    }
    ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv home("HOME", "/home/ops");
    EXPECT_EQ(HiveFilePath(HKEY_CURRENT_USER), "/home/ops/.config/Brevant/user.reg");
    EXPECT_EQ(HiveFilePath(HKEY_LOCAL_MACHINE), "/etc/Brevant/machine.reg");
    EXPECT_EQ(HiveFilePath(HKEY_CLASSES_ROOT), "/etc/Brevant/classes.reg");
}

TEST_F(RegistryTest, FileHasThePlatformExportForm) {
    ASSERT_EQ(SetText(HKEY_CURRENT_USER, kKey, "Path", "C:\\Audio \"Main\""), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(HKEY_CURRENT_USER, kKey, "EditorScaleMode", 42), ERROR_SUCCESS);
    ASSERT_EQ(SetText(HKEY_CURRENT_USER, kKey, "", "default"), ERROR_SUCCESS);
    ASSERT_EQ(SetText(HKEY_CURRENT_USER, kKey, "Temp", "%T%", REG_EXPAND_SZ), ERROR_SUCCESS);
    std::string bin(40, '\x5a');
    ASSERT_EQ(SetText(HKEY_CURRENT_USER, kKey, "Blob", bin, REG_BINARY), ERROR_SUCCESS);

    std::string f = ReadFile(UserFile());
    EXPECT_EQ(f.rfind("Windows Registry Editor Version 5.00\r\n\r\n", 0), 0u) << f;
    // Every ancestor key has its own section, as an export of the hive has.
    for (const char* line : {
             "[HKEY_CURRENT_USER\\SOFTWARE]\r\n\r\n",
             "[HKEY_CURRENT_USER\\SOFTWARE\\Brevant\\LumoEdit\\v1]\r\n",
             "\"Path\"=\"C:\\\\Audio \\\"Main\\\"\"\r\n",
             "\"EditorScaleMode\"=dword:0000002a\r\n",
             "@=\"default\"\r\n",
             "\"Temp\"=hex(2):25,00,54,00,25,00,00,00\r\n",
             "\"Blob\"=hex:5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,\\\r\n"
             "  5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a\r\n"})
        EXPECT_NE(f.find(line), std::string::npos) << line << "\n---\n" << f;
}

TEST_F(RegistryTest, ValuesReadBackWithTheirTypes) {
    struct Case {
        const char* name;
        DWORD type;
        std::string set;
        std::string got; // as the query gives it
    };
    const Case cases[] = {
        {"Plain", REG_SZ, "abc", std::string("abc\0", 4)},
        {"WithNul", REG_SZ, std::string("abc\0", 4), std::string("abc\0", 4)},
        {"Cut", REG_SZ, std::string("ab\0cd", 5), std::string("ab\0", 3)},
        {"Empty", REG_SZ, "", std::string("\0", 1)},
        {"Utf8", REG_SZ, "Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC", "Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC" + std::string(1, '\0')},
        {"Ansi", REG_SZ, "caf\xE9", "caf\xC3\xA9" + std::string(1, '\0')},
        {"Lines", REG_SZ, "one\r\ntwo", "one\r\ntwo" + std::string(1, '\0')},
        {"Quotes", REG_SZ, "\\\"\\\\\"", "\\\"\\\\\"" + std::string(1, '\0')},
        {"Expand", REG_EXPAND_SZ, "%TEMP%\\x", "%TEMP%\\x" + std::string(1, '\0')},
        {"Bytes", REG_BINARY, std::string("\0\x01\xff", 3), std::string("\0\x01\xff", 3)},
        {"NoBytes", REG_BINARY, "", ""},
        {"Multi", REG_MULTI_SZ, std::string("a\0\0b\0", 5), std::string("a\0\0b\0", 5)},
    };
    for (const Case& c : cases)
        ASSERT_EQ(SetText(HKEY_CURRENT_USER, kKey, c.name, c.set, c.type), ERROR_SUCCESS) << c.name;
    ASSERT_EQ(SetDword(HKEY_CURRENT_USER, kKey, "Number", 0xFFFFFFFEu), ERROR_SUCCESS);

    // Read from the file as another program would: parse it afresh.
    auto hive = detail::ParseRegText(ReadFile(UserFile()), "HKEY_CURRENT_USER");
    EXPECT_TRUE(hive.clean) << hive.problem;
    for (const Case& c : cases) {
        DWORD type = 99;
        LONG st;
        EXPECT_EQ(Get(HKEY_CURRENT_USER, kKey, c.name, &type, &st), c.got) << c.name;
        EXPECT_EQ(st, ERROR_SUCCESS);
        EXPECT_EQ(type, c.type) << c.name;
    }
    DWORD type = 0;
    EXPECT_EQ(Get(HKEY_CURRENT_USER, kKey, "Number", &type), std::string("\xfe\xff\xff\xff", 4));
    EXPECT_EQ(type, REG_DWORD);
}

TEST_F(RegistryTest, QueryGivesSizeFirstAndMoreDataWhenTheBufferIsSmall) {
    ASSERT_EQ(SetText(HKEY_CURRENT_USER, kKey, "Name", "hello"), ERROR_SUCCESS);
    HKEY k = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &k), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueEx(k, "Name", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6u);
    std::uint8_t buf[8];
    std::memset(buf, '#', sizeof buf);
    size = 3;
    EXPECT_EQ(RegQueryValueEx(k, "Name", &type, buf, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(buf[0], '#'); // nothing copied
    size = 8;
    EXPECT_EQ(RegQueryValueEx(k, "Name", nullptr, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_STREQ(reinterpret_cast<char*>(buf), "hello");
    EXPECT_EQ(RegQueryValueEx(k, "Missing", &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueEx(k, "Name", nullptr, buf, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(k), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueEx(k, "Name", &type, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\Nobody", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(k, 0u);
    EXPECT_EQ(RegOpenKeyEx(0x42, "", 0, KEY_READ, &k), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
    ASSERT_EQ(SetText(HKEY_CURRENT_USER, "Software\\Brevant\\Mixed", "MyValue", "one"), ERROR_SUCCESS);
    ASSERT_EQ(SetText(HKEY_CURRENT_USER, "SOFTWARE\\BREVANT\\mixed", "MYVALUE", "two"), ERROR_SUCCESS);
    EXPECT_EQ(Text(HKEY_CURRENT_USER, "software\\brevant\\MIXED", "myvalue"), "two");
    std::string f = ReadFile(UserFile());
    EXPECT_NE(f.find("[HKEY_CURRENT_USER\\Software\\Brevant\\Mixed]\r\n\"MyValue\"=\"two\""), std::string::npos) << f;
    EXPECT_EQ(f.find("MYVALUE"), std::string::npos);

    HKEY k = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\brevant", 0, KEY_READ, &k), ERROR_SUCCESS);
    std::string name;
    EXPECT_EQ(RegEnumKeyEx(k, 0, &name), ERROR_SUCCESS);
    EXPECT_EQ(name, "Mixed");
    EXPECT_EQ(RegEnumKeyEx(k, 1, &name), ERROR_NO_MORE_ITEMS);
    RegCloseKey(k);
}

TEST_F(RegistryTest, CreateMakesParentsAndDeleteRemovesWhatWasAsked) {
    HKEY k = 0;
    DWORD disp = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "A\\B\\C", KEY_ALL_ACCESS, &k, &disp), ERROR_SUCCESS);
    EXPECT_EQ(disp, REG_CREATED_NEW_KEY);
    RegCloseKey(k);
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "a\\b\\c\\", KEY_ALL_ACCESS, &k, &disp), ERROR_SUCCESS);
    EXPECT_EQ(disp, REG_OPENED_EXISTING_KEY);
    RegCloseKey(k);
    // An empty key survives a rewrite of the file.
    ASSERT_EQ(SetText(HKEY_CURRENT_USER, "A", "V", "x"), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "A\\B\\C", 0, KEY_READ, &k), ERROR_SUCCESS);
    RegCloseKey(k);

    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "A", 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(k, "V"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(k, "V"), ERROR_FILE_NOT_FOUND);
    std::string name;
    DWORD type;
    EXPECT_EQ(RegEnumValue(k, 0, &name, &type, nullptr), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegDeleteKey(k, "B"), ERROR_ACCESS_DENIED); // it has a sub-key
    EXPECT_EQ(RegDeleteKey(k, "B\\C"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(k, "B\\C"), ERROR_FILE_NOT_FOUND);
    HKEY b = 0;
    ASSERT_EQ(RegOpenKeyEx(k, "B", 0, KEY_ALL_ACCESS, &b), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "A"), ERROR_SUCCESS);
    // Handles to a deleted key say so rather than acting on a new key of the same name.
    EXPECT_EQ(RegSetValueEx(b, "X", REG_BINARY, nullptr, 0), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCreateKeyEx(k, "Z", KEY_ALL_ACCESS, &b, nullptr), ERROR_KEY_DELETED);
    RegCloseKey(b);
    RegCloseKey(k);
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "A", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, EnumeratesValuesInTheOrderTheyWereCreated) {
    for (const char* n : {"Zulu", "alpha", "Mike"}) ASSERT_EQ(SetText(HKEY_CURRENT_USER, kKey, n, n), ERROR_SUCCESS);
    HKEY k = 0;
    ASSERT_EQ(RegOpenKey(HKEY_CURRENT_USER, kKey, &k), ERROR_SUCCESS);
    std::string name, data;
    DWORD type = 0;
    std::vector<std::string> names;
    for (DWORD i = 0; RegEnumValue(k, i, &name, &type, &data) == ERROR_SUCCESS; ++i) {
        names.push_back(name);
        EXPECT_EQ(data, name + '\0');
        EXPECT_EQ(type, REG_SZ);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Zulu", "alpha", "Mike"}));
    RegCloseKey(k);
}

TEST_F(RegistryTest, ReadOnlyHiveOpensForReadingOnlyAndChangesNothing) {
    ASSERT_EQ(SetText(HKEY_LOCAL_MACHINE, kKey, "LoadFormats", "|WAV|"), ERROR_SUCCESS);
    std::string machine = dir / "machine.reg";
    std::string before = ReadFile(machine);
    ::chmod(machine.c_str(), 0444); // not writable, even for root
    EXPECT_FALSE(HiveWritable(HKEY_LOCAL_MACHINE));
    EXPECT_TRUE(HiveWritable(HKEY_CURRENT_USER));

    HKEY k = 0;
    for (REGSAM access : {KEY_ALL_ACCESS, KEY_WRITE, KEY_SET_VALUE, KEY_READ | KEY_CREATE_SUB_KEY}) {
        EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kKey, 0, access, &k), ERROR_ACCESS_DENIED) << access;
        EXPECT_EQ(k, 0u);
    }
    EXPECT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, kKey, &k), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\New", &k), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kKey, "LoadFormats"), "|WAV|");

    // A key opened for whatever is allowed reads, and its writes are refused.
    ASSERT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, kKey, &k), ERROR_SUCCESS);
    const std::uint8_t data[] = {'x'};
    EXPECT_EQ(RegSetValueEx(k, "LoadFormats", REG_SZ, data, 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValue(k, "LoadFormats"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteTree(k, ""), ERROR_ACCESS_DENIED);
    RegCloseKey(k);
    // A key opened for reading may not write even on a writable hive.
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "", 0, KEY_READ, &k), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueEx(k, "V", REG_SZ, data, 1), ERROR_ACCESS_DENIED);
    RegCloseKey(k);
    EXPECT_EQ(ReadFile(machine), before);
}

TEST_F(RegistryTest, ReadOnlyFolderKeepsAMissingHiveMissing) {
    TempDir locked("reg-ro");
    ScopedEnv moved("BREVANT_REGISTRY_DIR", (locked.path() / "sub").string());
    ::chmod(locked.path().c_str(), 0555);
    EXPECT_FALSE(HiveWritable(HKEY_LOCAL_MACHINE));
    HKEY k = 0;
    EXPECT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, kKey, &k), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(std::filesystem::exists(locked.path() / "sub"));
    ::chmod(locked.path().c_str(), 0755);
    EXPECT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, kKey, &k), ERROR_SUCCESS); // folder made
    RegCloseKey(k);
}

TEST_F(RegistryTest, ChangeByAnotherProgramIsSeenAtTheNextRead) {
    ASSERT_EQ(SetText(HKEY_CURRENT_USER, kKey, "Name", "aaaa"), ERROR_SUCCESS);
    EXPECT_EQ(Text(HKEY_CURRENT_USER, kKey, "Name"), "aaaa");
    // Rewritten in place, same size, same inode, at once.
    std::string f = ReadFile(UserFile());
    f.replace(f.find("aaaa"), 4, "bbbb");
    WriteFile(UserFile(), f);
    EXPECT_EQ(Text(HKEY_CURRENT_USER, kKey, "Name"), "bbbb");
    // Replaced by a rename, and later removed.
    std::string other = dir / "other.reg";
    f.replace(f.find("bbbb"), 4, "cccc");
    WriteFile(other, f);
    std::filesystem::rename(other, UserFile());
    EXPECT_EQ(Text(HKEY_CURRENT_USER, kKey, "Name"), "cccc");
    std::filesystem::remove(UserFile());
    LONG st = 0;
    Get(HKEY_CURRENT_USER, kKey, "Name", nullptr, &st);
    EXPECT_EQ(st, ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, ReadsTheFormsOtherProgramsWrite) {
    const std::string body =
        "\r\n[HKEY_CURRENT_USER\\Software\\Brevant]\r\n"
        "; a comment\r\n"
        "\"Lang\"=\"Fran\xC3\xA7" "ais\"\r\n"
        "\"Gone\"=\"x\"\r\n"
        "\"Gone\"=-\r\n"
        "\"Long\"=hex(2):25,00,\\\r\n"
        "    41,00,25,00,00,00\r\n"
        "\"Back\"=\"C:\\Lone\"\r\n"
        "\r\n[HKEY_CURRENT_USER\\Software\\Old]\r\n\r\n[-HKEY_CURRENT_USER\\Software\\Old]\r\n";
    struct Case {
        const char* what;
        std::string bytes;
    };
    std::string utf16 = "\xFF\xFE" + detail::ToUtf16("Windows Registry Editor Version 5.00\r\n" + body);
    std::string regedit4 = "REGEDIT4\r\n" + body;
    regedit4.replace(regedit4.find("Fran\xC3\xA7"), 6, "Fran\xE7");
    regedit4.replace(regedit4.find("25,00,\\\r\n    41,00,25,00,00,00"), 30, "25,41,25,00");
    const Case cases[] = {
        {"UTF-8", "Windows Registry Editor Version 5.00\r\n" + body},
        {"UTF-8 with BOM, LF", "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n" + body},
        {"UTF-16LE with BOM", utf16},
        {"REGEDIT4 ANSI", regedit4},
    };
    for (const Case& c : cases) {
        WriteFile(UserFile(), c.bytes);
        EXPECT_EQ(Text(HKEY_CURRENT_USER, "Software\\Brevant", "Lang"), "Fran\xC3\xA7" "ais") << c.what;
        EXPECT_EQ(Text(HKEY_CURRENT_USER, "Software\\Brevant", "Back"), "C:\\Lone") << c.what;
        DWORD type = 0;
        EXPECT_EQ(Get(HKEY_CURRENT_USER, "Software\\Brevant", "Long", &type), std::string("%A%\0", 4)) << c.what;
        EXPECT_EQ(type, REG_EXPAND_SZ) << c.what;
        LONG st = 0;
        Get(HKEY_CURRENT_USER, "Software\\Brevant", "Gone", nullptr, &st);
        EXPECT_EQ(st, ERROR_FILE_NOT_FOUND) << c.what;
        HKEY k = 0;
        EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Old", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND) << c.what;
        // Fully understood, so it may be rewritten (as UTF-8), keeping everything.
        EXPECT_EQ(SetText(HKEY_CURRENT_USER, "Software\\Brevant", "New", "1"), ERROR_SUCCESS) << c.what;
        auto hive = detail::ParseRegText(ReadFile(UserFile()), "HKEY_CURRENT_USER");
        EXPECT_TRUE(hive.clean) << c.what;
        EXPECT_EQ(Text(HKEY_CURRENT_USER, "Software\\Brevant", "Lang"), "Fran\xC3\xA7" "ais") << c.what;
        EXPECT_EQ(ReadFile(UserFile()).rfind("Windows Registry Editor Version 5.00\r\n", 0), 0u) << c.what;
    }
}

TEST_F(RegistryTest, DamagedHiveReadsAsFarAsItCanAndIsNeverRewritten) {
    const std::string good =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\S]\r\n\"Kept\"=\"yes\"\r\n";
    std::string binary = good;
    for (auto b : testsupport::RandomBytes(300, 7)) binary.push_back(static_cast<char>(b));
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"truncated in a value", good + "\"Other\"=\"cut"},
        {"truncated in hex", good + "\"Bin\"=hex:01,02,\\\r\n"},
        {"truncated in a key", good + "[HKEY_CURRENT_USER\\S\\T"},
        {"binary tail", binary},
        {"Latin-1 in a UTF-8 file", good + "\"Name\"=\"caf\xE9\"\r\n"},
        {"no header", good.substr(good.find("\r\n\r\n") + 4)},
        {"another hive's keys", good + "[HKEY_LOCAL_MACHINE\\S]\r\n\"X\"=\"1\"\r\n"},
        {"odd UTF-16", "\xFF\xFE" + detail::ToUtf16(good) + "x"},
        {"bad dword", good + "\"D\"=dword:xyz\r\n"},
    };
    for (const Case& c : cases) {
        WriteFile(UserFile(), c.bytes);
        EXPECT_EQ(Text(HKEY_CURRENT_USER, "S", "Kept"), "yes") << c.what;
        LONG st = 0;
        Get(HKEY_CURRENT_USER, "S", "Missing", nullptr, &st);
        EXPECT_EQ(st, ERROR_FILE_NOT_FOUND) << c.what;
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(SetText(HKEY_CURRENT_USER, "S", "New", "1"), ERROR_REGISTRY_CORRUPT) << c.what;
        EXPECT_EQ(SetText(HKEY_CURRENT_USER, "S", "New", "2"), ERROR_REGISTRY_CORRUPT) << c.what;
        HKEY k = 0;
        EXPECT_EQ(RegCreateKey(HKEY_CURRENT_USER, "S\\Sub", &k), ERROR_REGISTRY_CORRUPT) << c.what;
        std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(ReadFile(UserFile()), c.bytes) << c.what;
        EXPECT_NE(said.find(UserFile()), std::string::npos) << c.what;
        EXPECT_EQ(said.find('\n'), said.size() - 1) << c.what << ": said once\n" << said;
    }
}

TEST_F(RegistryTest, HugeFileReadsAndIsKept) {
    std::string big = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\S]\r\n\"Kept\"=\"yes\"\r\n";
    std::string junk(100u << 20, 'j');
    for (std::size_t i = 99; i < junk.size(); i += 100) junk[i] = '\n';
    WriteFile(UserFile(), big + junk);
    EXPECT_EQ(Text(HKEY_CURRENT_USER, "S", "Kept"), "yes");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(SetText(HKEY_CURRENT_USER, "S", "New", "1"), ERROR_REGISTRY_CORRUPT);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::filesystem::file_size(UserFile()), big.size() + junk.size());
}

TEST_F(RegistryTest, EmptyFileIsAnEmptyHive) {
    WriteFile(UserFile(), "");
    EXPECT_EQ(SetText(HKEY_CURRENT_USER, kKey, "V", "1"), ERROR_SUCCESS);
    EXPECT_EQ(Text(HKEY_CURRENT_USER, kKey, "V"), "1");
}

TEST_F(RegistryTest, BadNamesAreRefused) {
    HKEY k = 0;
    EXPECT_EQ(RegCreateKey(HKEY_CURRENT_USER, "A\nB", &k), ERROR_INVALID_PARAMETER);
    ASSERT_EQ(RegCreateKey(HKEY_CURRENT_USER, "A", &k), ERROR_SUCCESS);
    const std::uint8_t d[] = {'1'};
    EXPECT_EQ(RegSetValueEx(k, "x\r\ny", REG_SZ, d, 1), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueEx(k, "x", REG_SZ, nullptr, 3), ERROR_INVALID_PARAMETER);
    RegCloseKey(k);
    auto hive = detail::ParseRegText(ReadFile(UserFile()), "HKEY_CURRENT_USER");
    EXPECT_TRUE(hive.clean);
}

TEST_F(RegistryTest, AnsiNamesAreTakenAsWindows1252AndKeepTheHiveReadable) {
    // Bytes that are not UTF-8 in a key or value name must not make the file unreadable
    // (which would refuse every later write to the hive).
    ASSERT_EQ(SetText(HKEY_CURRENT_USER, "Software\\Caf\xE9", "Na\xEFve", "1"), ERROR_SUCCESS);
    EXPECT_EQ(Text(HKEY_CURRENT_USER, "Software\\Caf\xC3\xA9", "Na\xC3\xAFve"), "1");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, "Software\\Caf\xE9", "Na\xEFve"), "1");
    auto hive = detail::ParseRegText(ReadFile(UserFile()), "HKEY_CURRENT_USER");
    EXPECT_TRUE(hive.clean) << hive.problem;
    EXPECT_EQ(SetText(HKEY_CURRENT_USER, kKey, "Later", "2"), ERROR_SUCCESS);
    HKEY k = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Caf\xE9", 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(k, "Na\xEFve"), ERROR_SUCCESS);
    RegCloseKey(k);
}

TEST_F(RegistryTest, SymlinkedHiveStaysALink) {
    std::string real = dir / "real.reg";
    std::filesystem::create_symlink(real, UserFile());
    ASSERT_EQ(SetText(HKEY_CURRENT_USER, kKey, "V", "1"), ERROR_SUCCESS);
    EXPECT_TRUE(std::filesystem::is_symlink(UserFile()));
    EXPECT_NE(ReadFile(real).find("\"V\"=\"1\""), std::string::npos);
}

} // namespace

namespace {

const std::uint8_t* Bytes(std::string_view s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }

// How many durable replaces (temporary file, flush, rename) a call made.
int ReplacesBy(const std::function<void()>& fn) {
    const auto before = platform::detail::DurableStepsSoFar();
    fn();
    return static_cast<int>((platform::detail::DurableStepsSoFar() - before) / 5);
}

} // namespace

TEST_F(RegistryTest, TransactionWritesEverythingInOneReplace) {
    ASSERT_EQ(SetText(HKEY_CURRENT_USER, "P\\Players", "Old", "gone soon"), ERROR_SUCCESS);
    ASSERT_EQ(SetText(HKEY_CURRENT_USER, "P\\Players", "Kept", "as it was"), ERROR_SUCCESS);
    RegTransaction tx(HKEY_CURRENT_USER);
    const std::uint8_t four[] = {4, 0, 0, 0};
    tx.SetValue("P\\Players", "Count", REG_DWORD, four, 4);
    tx.SetValue("P\\Editor\\Paths", "Temp", REG_SZ, Bytes("/srv/tmp"), 8); // keys created
    tx.DeleteValue("P\\Players", "Old");
    tx.DeleteValue("P\\Players", "NeverThere");
    tx.DeleteValue("P\\NoSuchKey", "Value");
    const std::uint8_t nine[] = {9, 0, 0, 0};
    tx.SetValue("P\\Players", "count", REG_DWORD, nine, 4); // the later change wins
    EXPECT_EQ(ReplacesBy([&] { EXPECT_EQ(tx.Commit(), ERROR_SUCCESS); }), 1);

    DWORD type = 0;
    EXPECT_EQ(Get(HKEY_CURRENT_USER, "P\\Players", "Count", &type), std::string("\x09\0\0\0", 4));
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(Text(HKEY_CURRENT_USER, "P\\Editor\\Paths", "Temp"), "/srv/tmp");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, "P\\Players", "Kept"), "as it was");
    LONG st = 0;
    Get(HKEY_CURRENT_USER, "P\\Players", "Old", nullptr, &st);
    EXPECT_EQ(st, ERROR_FILE_NOT_FOUND);
    HKEY k = 0;
    EXPECT_EQ(RegOpenKey(HKEY_CURRENT_USER, "P\\NoSuchKey", &k), ERROR_FILE_NOT_FOUND) << "a delete creates nothing";

    // The same changes again leave the hive as it is: nothing is written.
    const std::string before = ReadFile(UserFile());
    EXPECT_EQ(ReplacesBy([&] { EXPECT_EQ(tx.Commit(), ERROR_SUCCESS); }), 0);
    EXPECT_EQ(ReadFile(UserFile()), before);
    EXPECT_EQ(ReplacesBy([] { EXPECT_EQ(RegTransaction(HKEY_CURRENT_USER).Commit(), ERROR_SUCCESS); }), 0);

    // Relative to an open key.
    ASSERT_EQ(RegOpenKey(HKEY_CURRENT_USER, "P", &k), ERROR_SUCCESS);
    RegTransaction below(k);
    below.SetValue("", "Here", REG_SZ, Bytes("1"), 1);
    below.SetValue("Players", "There", REG_SZ, Bytes("2"), 1);
    EXPECT_EQ(below.Commit(), ERROR_SUCCESS);
    RegCloseKey(k);
    EXPECT_EQ(Text(HKEY_CURRENT_USER, "P", "Here"), "1");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, "P\\Players", "There"), "2");
}

TEST_F(RegistryTest, TransactionThatCannotBeWrittenChangesNothing) {
    const std::string machine = dir / "machine.reg";
    struct Case {
        const char* what;
        LONG status;
        // Prepares the hive (or the transaction's key) and returns the key to use.
        std::function<HKEY()> prepare;
        std::function<void(RegTransaction&)> add = nullptr;
        std::function<void()> undo = nullptr;
    };
    HKEY readOnly = 0, deleted = 0;
    const Case cases[] = {
        {"hive file not writable", ERROR_ACCESS_DENIED,
         [&] {
             ::chmod(machine.c_str(), 0444);
             return HKEY_LOCAL_MACHINE;
         },
         {}, [&] { ::chmod(machine.c_str(), 0644); }},
        {"hive on a read-only folder", ERROR_ACCESS_DENIED,
         [&] {
             ::chmod(dir.path().c_str(), 0555);
             return HKEY_LOCAL_MACHINE;
         },
         {}, [&] { ::chmod(dir.path().c_str(), 0755); }},
        {"hive that does not parse", ERROR_REGISTRY_CORRUPT,
         [&] {
             WriteFile(machine, ReadFile(machine) + "\"Cut\"=\"no end");
             return HKEY_LOCAL_MACHINE;
         }},
        {"key opened for reading", ERROR_ACCESS_DENIED,
         [&] {
             EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "", 0, KEY_READ, &readOnly), ERROR_SUCCESS);
             return readOnly;
         }},
        {"key deleted meanwhile", ERROR_KEY_DELETED,
         [&] {
             EXPECT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, "Doomed", &deleted), ERROR_SUCCESS);
             EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, "Doomed"), ERROR_SUCCESS);
             return deleted;
         }},
        {"not a key", ERROR_INVALID_HANDLE, [] { return HKEY{0x4242}; }},
        {"value name with a line break", ERROR_INVALID_PARAMETER, [] { return HKEY_LOCAL_MACHINE; },
         [](RegTransaction& tx) { tx.SetValue("A", "two\nlines", REG_SZ, Bytes("x"), 1); }},
        {"key name with a line break", ERROR_INVALID_PARAMETER, [] { return HKEY_LOCAL_MACHINE; },
         [](RegTransaction& tx) { tx.SetValue("A\\b\rc", "V", REG_SZ, Bytes("x"), 1); }},
        {"data missing", ERROR_INVALID_PARAMETER, [] { return HKEY_LOCAL_MACHINE; },
         [](RegTransaction& tx) { tx.SetValue("A", "V", REG_BINARY, nullptr, 3); }},
    };
    for (const Case& c : cases) {
        WriteFile(machine, "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n"
                           "\"Old\"=\"1\"\r\n\"Gone\"=\"2\"\r\n");
        HKEY key = c.prepare();
        const std::string before = ReadFile(machine);
        RegTransaction tx(key);
        tx.SetValue("A", "Old", REG_SZ, Bytes("new"), 3);
        tx.SetValue("A\\New", "V", REG_SZ, Bytes("new"), 3);
        if (c.add) c.add(tx);
        tx.DeleteValue("A", "Gone");
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(tx.Commit(), c.status) << c.what;
        ::testing::internal::GetCapturedStderr();
        if (c.undo) c.undo();
        EXPECT_EQ(ReadFile(machine), before) << c.what;
        EXPECT_FALSE(std::filesystem::exists(machine + ".tmp")) << c.what;
        // Nothing of it lingers in this process either.
        EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, "A", "Old"), "1") << c.what;
        EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, "A", "Gone"), "2") << c.what;
    }
    RegCloseKey(readOnly);
    RegCloseKey(deleted);
}
