#include "platform/fs/DriveMap.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace platform::fs;

namespace {

struct MapCase {
    const char* name;
    std::string text;
    std::vector<Drive> expected; // C: defaults to the home folder, filled in below
};

class DriveMapTest : public ::testing::Test {
protected:
    testsupport::TempDir dir{"drives"};
    testsupport::ScopedEnv home{"HOME", dir.path().string() + "/home"};
    testsupport::ScopedEnv map{"BREVANT_DRIVE_MAP", dir / "drives.map"};
    std::string Home() const { return dir.path().string() + "/home"; }
};

} // namespace

TEST_F(DriveMapTest, ParsesLinesAndSkipsWhatDoesNotRead) {
    const std::string h = Home();
    const MapCase cases[] = {
        {"empty gives C: at home", "", {{'C', DriveType::Fixed, h}}},
        {"types and blanks in folders",
         "C: fixed /srv/c\nd: CDROM /media/cd rom\r\n  N:\tnetwork   /mnt/station audio/  \n",
         {{'C', DriveType::Fixed, "/srv/c"},
          {'D', DriveType::CDRom, "/media/cd rom"},
          {'N', DriveType::Network, "/mnt/station audio"}}},
        {"comments, unknown types, relative folders and bad letters are skipped",
         "# a comment\n; another\nE: floppy /x\nF: fixed relative/path\n1: fixed /y\nG: fixed\n"
         "H fixed /h\nIJ: fixed /ij\n",
         {{'C', DriveType::Fixed, h}, {'H', DriveType::Fixed, "/h"}}},
        {"first line of a letter wins; sorted by letter",
         "Z: fixed /z\nz: network /other\nA: removable /a\n",
         {{'A', DriveType::Removable, "/a"},
          {'C', DriveType::Fixed, h},
          {'Z', DriveType::Fixed, "/z"}}},
        {"binary junk", std::string("\x01\xff\0C: fixed /c\n", 15), {{'C', DriveType::Fixed, h}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ParseDriveMap(c.text), c.expected);
    }
}

TEST_F(DriveMapTest, FileIsFollowedAndMissingFileGivesHome) {
    EXPECT_EQ(DriveCFolder(), Home());
    EXPECT_EQ(GetDriveType('q'), DriveType::NoRootDir);

    testsupport::WriteFile(dir / "drives.map", "C: fixed /srv/c\nQ: cdrom /media/q\n");
    EXPECT_EQ(DriveCFolder(), "/srv/c");
    EXPECT_EQ(GetDriveType('q'), DriveType::CDRom);

    // Rewritten by another program: seen at the next call.
    testsupport::WriteFile(dir / "drives.map", "Q: network /mnt/q2\n");
    EXPECT_EQ(DriveCFolder(), Home());
    Drive q;
    ASSERT_TRUE(FindDrive('Q', q));
    EXPECT_EQ(q.folder, "/mnt/q2");
    EXPECT_EQ(q.type, DriveType::Network);
}

TEST_F(DriveMapTest, DefaultLocationFollowsXdgConfigHome) {
    testsupport::ScopedEnv noMap("BREVANT_DRIVE_MAP", std::nullopt);
    testsupport::ScopedEnv xdg("XDG_CONFIG_HOME", dir / "cfg");
    EXPECT_EQ(DriveMapPath(), dir / "cfg" + "/Brevant/drives.map");
    testsupport::ScopedEnv noXdg("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(DriveMapPath(), Home() + "/.config/Brevant/drives.map");
}

TEST_F(DriveMapTest, DriveLetterPathsMapToFolders) {
    testsupport::WriteFile(dir / "drives.map", "C: fixed /srv/c\nR: fixed /\n");
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"c:\\Audio\\Carts1.LST", "/srv/c/Audio/Carts1.LST"},
        {"C:/Audio/x.wav", "/srv/c/Audio/x.wav"},
        {"c:", "/srv/c"},
        {"c:\\", "/srv/c/"},
        {"c:Audio", "/srv/c/Audio"},
        {"r:\\etc", "/etc"},
        {"x:\\Data", "/nonexistent-drive-X/Data"},
        {"/native/with\\backslash", "/native/with\\backslash"},
        {"Audio\\Carts1.LST", "Audio/Carts1.LST"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ToNativePath(c.in), c.out) << c.in;
    EXPECT_TRUE(HasDriveLetter("d:"));
    EXPECT_FALSE(HasDriveLetter("/d:"));
    EXPECT_FALSE(HasDriveLetter("1:"));
}
