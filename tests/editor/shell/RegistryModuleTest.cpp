#include "editor/shell/Directory.h"
#include "editor/shell/Registry.h"

#include "ShellFixture.h"
#include "platform/base/MessageBox.h"
#include "platform/registry/DurableFile.h"
#include "platform/registry/Registry.h"

#include <functional>

#include <sys/stat.h>

using namespace lumoedit;
namespace reg = platform::registry;

namespace {

const std::string kKey(kSettingsKey);

void SetRaw(reg::HKEY hive, const std::string& key, const char* name, reg::DWORD type,
            const std::string& bytes) {
    reg::HKEY k = 0;
    ASSERT_EQ(reg::RegCreateKey(hive, key, &k), reg::ERROR_SUCCESS);
    ASSERT_EQ(reg::RegSetValueEx(k, name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                 static_cast<reg::DWORD>(bytes.size())),
              reg::ERROR_SUCCESS);
    reg::RegCloseKey(k);
}

bool Stored(reg::HKEY hive, const std::string& key, const char* name) {
    reg::HKEY k = 0;
    if (reg::RegOpenKey(hive, key, &k) != reg::ERROR_SUCCESS) return false;
    const bool there = reg::RegQueryValueEx(k, name, nullptr, nullptr, nullptr) == reg::ERROR_SUCCESS;
    reg::RegCloseKey(k);
    return there;
}

// A window as the position procedures see it.
class FakeWindow : public iPositionedWindow {
public:
    std::int32_t l = 100, t = 200, w = 9000, h = 7000, state = 0;
    std::vector<std::string> calls;
    std::int32_t Left() const override { return l; }
    std::int32_t Top() const override { return t; }
    std::int32_t Width() const override { return w; }
    std::int32_t Height() const override { return h; }
    std::int32_t WindowState() const override { return state; }
    void SetWindowState(std::int32_t s) override {
        state = s;
        calls.push_back("state " + std::to_string(s));
    }
    void Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override {
        l = left, t = top, w = width, h = height;
        calls.push_back("move in state " + std::to_string(state));
    }
};

// How many durable replaces of a hive file a call made.
int ReplacesBy(const std::function<void()>& fn) {
    const auto before = platform::detail::DurableStepsSoFar();
    fn();
    return static_cast<int>((platform::detail::DurableStepsSoFar() - before) / 5);
}

} // namespace

TEST_F(ShellTest, NamedPreferencesAndTheirDefaults) {
    auto directory = platform::component::MakeRef<cBVDirectory>();
    cDirectoryPrefPerms& prefs = directory->CurrentUser().Duvavizud3Preferences();
    EXPECT_FALSE(prefs.EditorDisplayDescriptions());
    EXPECT_TRUE(prefs.EditorOpenAudioOnLoad());
    EXPECT_EQ(prefs.EditorScaleMode(), 1);

    prefs.SetEditorOpenAudioOnLoad(false);
    EXPECT_EQ(Registry::GetDWORDSetting(HKEY_CURRENT_USER, kKey, "EditorOpenAudioOnLoad", 99), 0);
    EXPECT_FALSE(prefs.EditorOpenAudioOnLoad());
    prefs.SetEditorOpenAudioOnLoad(true);
    EXPECT_FALSE(Stored(HKEY_CURRENT_USER, kKey, "EditorOpenAudioOnLoad"));
    EXPECT_TRUE(prefs.EditorOpenAudioOnLoad());

    prefs.SetEditorDisplayDescriptions(true);
    EXPECT_EQ(Registry::GetDWORDSetting(HKEY_CURRENT_USER, kKey, "EditorDisplayDescriptions", 99), 1);
    EXPECT_TRUE(prefs.EditorDisplayDescriptions());
    prefs.SetEditorDisplayDescriptions(false);
    EXPECT_FALSE(Stored(HKEY_CURRENT_USER, kKey, "EditorDisplayDescriptions"));

    prefs.SetEditorScaleMode(-3);
    EXPECT_EQ(prefs.EditorScaleMode(), -3);
    prefs.SetEditorScaleMode(1);
    EXPECT_FALSE(Stored(HKEY_CURRENT_USER, kKey, "EditorScaleMode"));
    // Out of the 16-bit range (another program wrote it): the default, not a failure.
    Registry::SaveDWORDSetting(HKEY_CURRENT_USER, kKey, "EditorScaleMode", 70000, 1);
    EXPECT_EQ(prefs.EditorScaleMode(), 1);

    // The hive belongs to the operation: the permissions object reads the same preferences.
    prefs.SetEditorDisplayDescriptions(true);
    EXPECT_TRUE(directory->CurrentUser().Duvavizud3Permissions().EditorDisplayDescriptions());
    EXPECT_EQ(prefs.CartFont().Name, "Arial");
    EXPECT_EQ(directory->Logging().get(), nullptr);
    directory->SaveContactPermissions(directory->CurrentUser().UserNumber(), directory->CurrentUser());
}

TEST_F(ShellTest, PreferencesAndPermissionsAsTexts) {
    cBVDirectory directory;
    cDirectoryPrefPerms& prefs = directory.CurrentUser().Duvavizud3Preferences();
    cDirectoryPrefPerms& perms = directory.CurrentUser().Duvavizud3Permissions();

    EXPECT_EQ(prefs.GetPreference("EditorAmplifyPercentage", 100), "100");
    EXPECT_EQ(prefs.GetPreference("EditorTimeStretchPreservePitch", true), "True");
    EXPECT_EQ(prefs.GetPreference("EditorDeleteSilenceThreshold", 0.5), "0.5");
    prefs.SetPreference("EditorAmplifyPercentage", 150, 100);
    EXPECT_EQ(prefs.GetPreference("EditorAmplifyPercentage", 100), "150");
    prefs.SetPreference("EditorAmplifyPercentage", 100, 100);
    EXPECT_FALSE(Stored(HKEY_CURRENT_USER, kKey, "EditorAmplifyPercentage"));
    EXPECT_EQ(prefs.GetPreference("EditorAmplifyPercentage", "100"), "100");

    // A text equal to the default except in letter case is stored.
    perms.SetPermission("LoadFormats", "|mp2|MP3|OGG|WAV|", "|MP2|MP3|OGG|WAV|");
    EXPECT_EQ(perms.GetPermission("LoadFormats", "|MP2|MP3|OGG|WAV|"), "|mp2|MP3|OGG|WAV|");
    EXPECT_TRUE(Stored(HKEY_LOCAL_MACHINE, kKey, "LoadFormats"));
    EXPECT_FALSE(Stored(HKEY_CURRENT_USER, kKey, "LoadFormats")); // permissions are per machine
    // Called on the preferences object, a permission still goes to the machine.
    EXPECT_EQ(prefs.GetPermission("LoadFormats", ""), "|mp2|MP3|OGG|WAV|");

    // Values of another type read as empty text, not as the default.
    SetRaw(HKEY_CURRENT_USER, kKey, "EditorLastOpenPath", reg::REG_EXPAND_SZ, "%HOME%/audio");
    SetRaw(HKEY_CURRENT_USER, kKey, "EditorLastSavePath", reg::REG_DWORD, std::string("\x05\0\0\0", 4));
    EXPECT_EQ(prefs.GetPreference("EditorLastOpenPath", "dflt"), "");
    EXPECT_EQ(prefs.GetPreference("EditorLastSavePath", "dflt"), "");

    // A value changed by another program is seen at the next read.
    SetRaw(HKEY_CURRENT_USER, kKey, "MRUAudio", reg::REG_SZ, std::string("/a.wav\0junk", 11));
    EXPECT_EQ(prefs.GetPreference("MRUAudio", ""), "/a.wav");
}

TEST_F(ShellTest, AMachineThisUserMayNotChangeChangesNothingAndSaysNothing) {
    platform::ScopedScriptedMessageBoxes boxes;
    cBVDirectory directory;
    cDirectoryPrefPerms& perms = directory.CurrentUser().Duvavizud3Permissions();
    perms.SetPermission("SAVEMP3", "Family=4", "");
    const std::string file = reg::HiveFilePath(HKEY_LOCAL_MACHINE);
    const std::string before = testsupport::ReadFile(file);
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);

    EXPECT_FALSE(Registry::KeyExists(HKEY_LOCAL_MACHINE, kKey)); // readable, not changeable
    perms.SetPermission("SaveFormats", "|WAV|", "|MP2|MP3|OGG|IMA|WAV|");
    perms.SetPermission("SAVEMP3", "", ""); // equal to the default: would delete, may not
    perms.SetPermissions({{"LoadFormats", "|WAV|", ""}, {"SAVEMP3", "", ""}});
    EXPECT_EQ(perms.GetPermission("SAVEMP3", ""), "Family=4");
    EXPECT_EQ(perms.GetPermission("SaveFormats", "|MP2|MP3|OGG|IMA|WAV|"), "|MP2|MP3|OGG|IMA|WAV|");
    EXPECT_EQ(testsupport::ReadFile(file), before);
    EXPECT_TRUE(boxes->Shown().empty());
}

TEST_F(ShellTest, NumbersReadWhateverTheirType) {
    const struct {
        const char* name;
        reg::DWORD type;
        std::string bytes;
        std::int32_t expected;
    } cases[] = {
        {"Dword", reg::REG_DWORD, std::string("\xfe\xff\xff\xff", 4), -2},
        {"TwoBytes", reg::REG_BINARY, std::string("\x01\x02", 2), 0x0201},
        {"Empty", reg::REG_BINARY, std::string(), 0},
        {"TooLong", reg::REG_BINARY, std::string(5, '\x01'), 77},
        {"Text", reg::REG_SZ, "5", '5'}, // the text's bytes, terminating NUL included
    };
    for (const auto& c : cases) {
        SetRaw(HKEY_CURRENT_USER, kKey, c.name, c.type, c.bytes);
        EXPECT_EQ(Registry::GetDWORDSetting(HKEY_CURRENT_USER, kKey, c.name, 77), c.expected) << c.name;
    }
    EXPECT_EQ(Registry::GetDWORDSetting(HKEY_CURRENT_USER, kKey, "Missing", 77), 77);
    EXPECT_EQ(Registry::GetDWORDSetting(HKEY_CURRENT_USER, "SOFTWARE\\Nowhere", "Dword", 77), 77);
    EXPECT_EQ(Registry::GetStringSetting(HKEY_CURRENT_USER, "SOFTWARE\\Nowhere", "Text", "d"), "d");
}

TEST_F(ShellTest, KeysStayWhenTheirLastValueGoesAndStripNull) {
    Registry::SaveStringSetting(HKEY_CURRENT_USER, kKey + "\\Sub", "Only", "x", "");
    EXPECT_TRUE(Registry::KeyExists(HKEY_CURRENT_USER, kKey + "\\Sub"));
    Registry::SaveStringSetting(HKEY_CURRENT_USER, kKey + "\\Sub", "Only", "", "");
    EXPECT_TRUE(Registry::KeyExists(HKEY_CURRENT_USER, kKey + "\\Sub"));
    EXPECT_FALSE(Stored(HKEY_CURRENT_USER, kKey + "\\Sub", "Only"));
    // Writing the default where there is no key creates nothing.
    Registry::SaveDWORDSetting(HKEY_CURRENT_USER, kKey + "\\Other", "V", 0, 0);
    EXPECT_FALSE(Registry::KeyExists(HKEY_CURRENT_USER, kKey + "\\Other"));

    using namespace std::string_literals;
    EXPECT_EQ(Registry::StripNull("ab\0cd\0"s), "ab");
    EXPECT_EQ(Registry::StripNull("ab\0cd\0ef"s, true), "ab\0cd"s);
    EXPECT_EQ(Registry::StripNull("abc"), "abc");

    reg::HKEY key = 0;
    ASSERT_EQ(reg::RegOpenKey(HKEY_CURRENT_USER, kKey + "\\Sub", &key), reg::ERROR_SUCCESS);
    std::string text = "kept";
    EXPECT_EQ(Registry::QueryStringValue(key, "Only", text), reg::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(text, "kept");
    reg::RegCloseKey(key);
}

TEST_F(ShellTest, WindowPositionsSurviveMaximisingAndZeroes) {
    FakeWindow main;
    main.l = 300, main.t = 400, main.w = 9500, main.h = 7200;
    Registry::SaveFormPosition(kKey, &main);
    for (const char* v : {"Left", "Top", "Width", "Height"})
        EXPECT_TRUE(Stored(HKEY_CURRENT_USER, kKey + "\\Position", v)) << v;
    EXPECT_FALSE(Stored(HKEY_CURRENT_USER, kKey + "\\Position", "State")); // 0 is the default

    // Maximised: only the state is stored; the normal bounds stay.
    main.state = 2;
    main.l = 0, main.t = 0, main.w = 20000, main.h = 15000;
    Registry::SaveFormPosition(kKey, &main);
    EXPECT_EQ(Registry::GetDWORDSetting(HKEY_CURRENT_USER, kKey + "\\Position", "State", -1), 2);
    EXPECT_EQ(Registry::GetDWORDSetting(HKEY_CURRENT_USER, kKey + "\\Position", "Width", -1), 9500);

    FakeWindow next;
    Registry::LoadFormPosition(kKey, &next);
    EXPECT_EQ(next.l, 300);
    EXPECT_EQ(next.t, 400);
    EXPECT_EQ(next.w, 9500);
    EXPECT_EQ(next.h, 7200);
    EXPECT_EQ(next.state, 2);
    EXPECT_EQ(next.calls, (std::vector<std::string>{"state 0", "move in state 0", "state 2"}));

    // A coordinate of 0 is deleted on save; with the size stored it comes back as 0, so a
    // window closed at the screen's edge opens there. Without a stored size the window keeps
    // its own place.
    struct Edge {
        const char* what;
        std::int32_t left, top;
        bool sized; // width and height stay stored
        std::int32_t wantLeft, wantTop, wantWidth;
    } edges[] = {
        {"at the left edge", 0, 400, true, 0, 400, 9500},
        {"at the top edge", 300, 0, true, 300, 0, 9500},
        {"in the corner", 0, 0, true, 0, 0, 9500},
        {"no size stored", 0, 400, false, 555, 400, 9000},
    };
    for (const Edge& e : edges) {
        SCOPED_TRACE(e.what);
        FakeWindow closed;
        closed.l = e.left, closed.t = e.top, closed.w = 9500, closed.h = 7200;
        Registry::SaveFormPosition(kKey, &closed);
        EXPECT_EQ(Stored(HKEY_CURRENT_USER, kKey + "\\Position", "Left"), e.left != 0);
        EXPECT_EQ(Stored(HKEY_CURRENT_USER, kKey + "\\Position", "Top"), e.top != 0);
        if (!e.sized)
            for (const char* v : {"Width", "Height"})
                Registry::SaveDWORDSetting(HKEY_CURRENT_USER, kKey + "\\Position", v, 0, 0);
        FakeWindow other;
        other.l = 555;
        Registry::LoadFormPosition(kKey, &other);
        EXPECT_EQ(other.l, e.wantLeft);
        EXPECT_EQ(other.t, e.wantTop);
        EXPECT_EQ(other.w, e.wantWidth);
    }

    // Minimised: the state only, no move.
    Registry::SaveDWORDSetting(HKEY_CURRENT_USER, kKey + "\\Position", "State", 1, 0);
    FakeWindow mini;
    Registry::LoadFormPosition(kKey, &mini);
    EXPECT_EQ(mini.calls, std::vector<std::string>{"state 1"});

    // No key path or no window: nothing.
    Registry::LoadFormPosition("", &mini);
    Registry::SaveFormPosition(kKey, nullptr);
    EXPECT_EQ(mini.calls.size(), 1u);
}

TEST_F(ShellTest, PositionAndPermissionsAreEachStoredAsOneChange) {
    FakeWindow main;
    main.l = 300, main.t = 0, main.w = 9500, main.h = 7200;
    EXPECT_EQ(ReplacesBy([&] { Registry::SaveFormPosition(kKey, &main); }), 1);
    EXPECT_EQ(Registry::GetDWORDSetting(HKEY_CURRENT_USER, kKey + "\\Position", "Left", -1), 300);
    EXPECT_FALSE(Stored(HKEY_CURRENT_USER, kKey + "\\Position", "Top")) << "0 is the default";
    EXPECT_EQ(Registry::GetDWORDSetting(HKEY_CURRENT_USER, kKey + "\\Position", "Height", -1), 7200);
    EXPECT_EQ(ReplacesBy([&] { Registry::SaveFormPosition(kKey, &main); }), 0) << "nothing changed";

    cBVDirectory directory;
    cDirectoryPrefPerms& perms = directory.CurrentUser().Duvavizud3Permissions();
    perms.SetPermission("SAVEOGG", "Family=8", "");
    EXPECT_EQ(ReplacesBy([&] {
                  perms.SetPermissions({{"LoadFormats", "|WAV|", ""},
                                        {"SAVEMP3", "Family=4", ""},
                                        {"SAVEOGG", "", ""}, // equal to its default: deleted
                                        {"SaveFormats", "|MP3|WAV|", ""}});
              }),
              1);
    EXPECT_EQ(perms.GetPermission("LoadFormats", ""), "|WAV|");
    EXPECT_EQ(perms.GetPermission("SAVEMP3", ""), "Family=4");
    EXPECT_FALSE(Stored(HKEY_LOCAL_MACHINE, kKey, "SAVEOGG"));
    EXPECT_EQ(perms.GetPermission("SaveFormats", ""), "|MP3|WAV|");
    EXPECT_FALSE(Stored(HKEY_CURRENT_USER, kKey, "LoadFormats")) << "permissions are the machine's";
}
