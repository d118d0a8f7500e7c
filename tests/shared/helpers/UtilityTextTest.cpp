#include "shared/helpers/Utility.h"

#include "platform/base/DateTime.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using helpers::cUtility;

TEST(UtilityTextTest, TaggedValues) {
    const std::string tags =
        "<STOREREF>abc</STOREREF><prs>123</PRS><NOTES> two  words </NOTES><EMPTY></EMPTY>"
        "<ATTR kind=\"x\">v</ATTR><OPEN>never closed";
    const struct {
        const char* open;
        const char* end;
        const char* close;
        const char* value;
    } cases[] = {
        {"<STOREREF>", ">", "</STOREREF>", "abc"},
        {"<PRS>", ">", "</PRS>", "123"}, // case does not matter
        {"<NOTES>", ">", "</NOTES>", " two  words "},
        {"<EMPTY>", ">", "</EMPTY>", ""},
        {"<ATTR", ">", "</ATTR>", "v"},
        {"<OPEN>", ">", "</OPEN>", ""},
        {"<MISSING>", ">", "</MISSING>", ""},
        {"", ">", "</X>", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(cUtility::TagValue(tags, c.open, c.end, c.close), c.value) << c.open;
    EXPECT_EQ(cUtility::TagValue("<A>1</A><A>2</A>", "<A>", ">", "</A>"), "1");
}

TEST(UtilityTextTest, HexDigitsAndPadding) {
    EXPECT_EQ(cUtility::EightHex(0x8000000Fu), "8000000F");
    EXPECT_EQ(cUtility::EightHex(std::int32_t{255}), "000000FF");
    EXPECT_EQ(cUtility::EightHex(std::int32_t{-1}), "FFFFFFFF");
    EXPECT_EQ(cUtility::PadBlanks("F", 3), "F  ");
    EXPECT_EQ(cUtility::PadBlanks("", 2), "  ");
    EXPECT_EQ(cUtility::PadBlanks("longer", 3), "longer");
}

TEST(UtilityTextTest, DebugLogGoesToTheRootOfDriveC) {
    testsupport::TempDir dir("ulog");
    testsupport::ScopedEnv map("BREVANT_DRIVE_MAP", dir / "drives.map");
    testsupport::WriteFile(dir / "drives.map", "C: fixed " + dir.path().string() + "\n");
    auto& u = helpers::Utility();
    const auto oldApp = u.App();
    const auto oldLevel = u.DebugLevel();
    u.SetApplication({"LumoEdit", dir.path().string(), ""});

    u.SetDebugLevel(0);
    u.DebugLog("not written");
    const std::string path = u.DebugLogPath(platform::Now());
    EXPECT_EQ(path, dir / ("LumoEdit." + platform::FormatDate(platform::Now(), "yyyymmdd") + ".log"));
    EXPECT_FALSE(std::filesystem::exists(path));

    u.SetDebugLevel(-1);
    u.DebugLog("Number Suitable Wave Out Devices=2");
    u.SetDebugLevel(oldLevel);
    u.SetApplication(oldApp);
    const std::string text = testsupport::ReadFile(path);
    ASSERT_EQ(text.size(), 9 + 34 + 2u);
    EXPECT_EQ(text.substr(8), " Number Suitable Wave Out Devices=2\r\n");
}

TEST(UtilityTextTest, RunAndWaitPassesOneArgumentAndReturnsTheExitCode) {
    testsupport::TempDir dir("urun");
    const std::string script = dir / "editor.sh";
    testsupport::WriteFile(script, "#!/bin/sh\ntest \"$1\" = \"$EXPECTED\" && test $# -eq 1 && exit 7\nexit 1\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    testsupport::ScopedEnv expected("EXPECTED", dir / "take one.wav");
    auto& u = helpers::Utility();
    bool wait = true;
    EXPECT_EQ(u.RunAndWait(script, dir / "take one.wav", 64, -1, 3, wait, 1000), 7);
    EXPECT_EQ(u.RunAndWait(script, dir / "take one.wav", 0), 7);
    EXPECT_EQ(u.RunAndWait(dir / "missing.sh", "", 0), -1);
}
