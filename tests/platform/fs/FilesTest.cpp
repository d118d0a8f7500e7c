#include "platform/fs/Files.h"
#include "platform/fs/DriveMap.h"
#include "platform/fs/Process.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>
#include <sys/stat.h>

using namespace platform::fs;
namespace sfs = std::filesystem;

namespace {

class FilesTest : public ::testing::Test {
protected:
    testsupport::TempDir dir{"files"};
    testsupport::ScopedEnv map{"BREVANT_DRIVE_MAP", dir / "drives.map"};
    void SetUp() override { testsupport::WriteFile(dir / "drives.map", "C: fixed " + dir.path().string() + "\n"); }
};

} // namespace

TEST_F(FilesTest, SizeTellsMissingEmptyAndPresentApart) {
    testsupport::WriteFile(dir / "empty.wav", "");
    testsupport::WriteFile(dir / "five.wav", "12345");
    sfs::create_directory(dir / "folder");
    EXPECT_EQ(FileSize(dir / "missing.wav"), -1);
    EXPECT_EQ(FileSize(dir / "empty.wav"), 0);
    EXPECT_EQ(FileSize(dir / "five.wav"), 5);
    EXPECT_EQ(FileSize(dir / "folder"), -1);
    EXPECT_EQ(FileSize("c:\\five.wav"), 5);
    EXPECT_EQ(FileSize(""), -1);
}

TEST_F(FilesTest, FoldersAreCreatedWithTheirParents) {
    const std::string deep = dir / "a/b/c";
    EXPECT_FALSE(FolderExists(deep));
    EXPECT_FALSE(CreateFolder(deep, false));
    EXPECT_TRUE(CreateFolder(deep + "/", true));
    EXPECT_TRUE(FolderExists(deep));
    EXPECT_TRUE(CreateFolder(deep, true)); // already there
    EXPECT_TRUE(CreateFolder("c:\\Backups\\2006-03-01 14-05"));
    EXPECT_TRUE(FolderExists(dir / "Backups/2006-03-01 14-05"));
    // A file in the way: no folder.
    testsupport::WriteFile(dir / "file", "x");
    EXPECT_FALSE(CreateFolder(dir / "file/sub"));
}

TEST_F(FilesTest, FreeSpaceOfAPathsDrive) {
    EXPECT_GT(FreeSpace(dir.path().string()), 0);
    // A folder still to be made counts on the drive of its nearest existing parent.
    EXPECT_EQ(FreeSpace(dir / "not/yet/made.wav") > 0, true);
    EXPECT_GT(FreeSpace("c:\\"), 0);
}

TEST_F(FilesTest, PathParts) {
    const struct {
        const char* path;
        const char* folder;
        const char* folderWithSep;
        const char* name;
        const char* ext;
        const char* noExt;
    } cases[] = {
        {"/srv/audio/take.1.wav", "/srv/audio", "/srv/audio/", "take.1.wav", "wav", "/srv/audio/take.1"},
        {"c:\\Audio\\x.WAV", "c:\\Audio", "c:\\Audio\\", "x.WAV", "WAV", "c:\\Audio\\x"},
        {"/srv/a.b/noext", "/srv/a.b", "/srv/a.b/", "noext", "", "/srv/a.b/noext"},
        {"name.mp3", "", "", "name.mp3", "mp3", "name"},
        {"/top.ini", "/", "/", "top.ini", "ini", "/top"},
        {"", "", "", "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FolderPart(c.path), c.folder);
        EXPECT_EQ(FolderPart(c.path, true), c.folderWithSep);
        EXPECT_EQ(NamePart(c.path), c.name);
        EXPECT_EQ(Extension(c.path), c.ext);
        EXPECT_EQ(WithoutExtension(c.path), c.noExt);
    }
}

// A relative path names the same file from any working folder once made full; paths that
// already do stay exactly as given.
TEST_F(FilesTest, FullPathsNameTheSameFileFromAnyFolder) {
    sfs::create_directories(dir.path() / "work" / "files");
    testsupport::WriteFile(dir.path() / "work" / "files" / "t2.wav", "RIFF");
    const std::string work = (dir.path() / "work").string();
    testsupport::ScopedCurrentFolder here(work);
    const std::pair<const char*, std::string> cases[] = {
        {"files/t2.wav", work + "/files/t2.wav"},
        {"./files//./t2.wav", work + "/files/t2.wav"},
        {"files\\t2.wav", work + "/files/t2.wav"},
        {"../work/files/t2.wav", work + "/../work/files/t2.wav"},
        {"files/", work + "/files/"},
        {"t 2.wav", work + "/t 2.wav"},
        {"/srv/./audio//x.wav", "/srv/./audio//x.wav"},
        {"c:\\Audio\\x.wav", "c:\\Audio\\x.wav"},
        {"\\srv\\x.wav", "\\srv\\x.wav"},
        {"", ""},
    };
    for (const auto& [given, full] : cases) {
        SCOPED_TRACE(given);
        EXPECT_EQ(FullPath(given), full);
    }
    const std::string full = FullPath("files/t2.wav");
    testsupport::ScopedCurrentFolder elsewhere(dir.path());
    EXPECT_EQ(FileSize(full), 4) << "the same file from another folder";
}

TEST_F(FilesTest, DisplayFormShortensLongPathsAndKeepsTheName) {
    EXPECT_EQ(DisplayForm("/srv/audio/x.wav"), "/srv/audio/x.wav");
    const std::string longPath =
        "/srv/station/audio/archive/2006/march/morning show/jingles/station id long version.wav";
    const std::string shown = DisplayForm(longPath, 60);
    EXPECT_LE(shown.size(), 60u);
    EXPECT_NE(shown.find("..."), std::string::npos);
    EXPECT_EQ(shown.rfind("/station id long version.wav"), shown.size() - 28);
    EXPECT_EQ(shown.rfind("/srv", 0), 0u);
    // A name longer than the width is still shown whole.
    const std::string longName = "/a/b/" + std::string(80, 'n') + ".wav";
    EXPECT_NE(DisplayForm(longName, 60).find(std::string(80, 'n')), std::string::npos);
}

TEST_F(FilesTest, TemporaryNamesAreFreshFilesWithTheirExtension) {
    testsupport::ScopedEnv tmp("TMPDIR", dir.path().string());
    EXPECT_EQ(TempFolder(), dir.path().string() + "/");
    const std::string a = TempFileName("WAV");
    const std::string b = TempFileName(".WAV");
    EXPECT_NE(a, b);
    for (const auto& n : {a, b}) {
        EXPECT_EQ(Extension(n), "WAV");
        EXPECT_EQ(FolderPart(n, true), dir.path().string() + "/");
        EXPECT_EQ(FileSize(n), 0);
    }
    EXPECT_EQ(Extension(TempFileName("")), "");
}

TEST_F(FilesTest, SpecialFoldersAndTheTemporaryEnvironmentValue) {
    testsupport::ScopedEnv pf("BREVANT_PROGRAM_FILES", std::nullopt);
    EXPECT_EQ(SpecialFolder(38), "/opt");
    EXPECT_EQ(SpecialFolder(43), "/usr/local/share");
    EXPECT_EQ(SpecialFolder(5), "");
    testsupport::ScopedEnv pf2("BREVANT_PROGRAM_FILES", dir.path().string() + "/");
    EXPECT_EQ(SpecialFolder(38), dir.path().string());

    testsupport::ScopedEnv tmpdir("TMPDIR", dir.path().string());
    testsupport::ScopedEnv noTmp("TMP", std::nullopt);
    EXPECT_EQ(EnvironmentValue("TMP"), dir.path().string());
    testsupport::ScopedEnv tmp("TMP", "/var/tmp");
    EXPECT_EQ(EnvironmentValue("TMP"), "/var/tmp");
    testsupport::ScopedEnv none("BVR_SURELY_UNSET_VALUE", std::nullopt);
    EXPECT_EQ(EnvironmentValue("BVR_SURELY_UNSET_VALUE"), "");
}

TEST_F(FilesTest, FixedNamesAreFoundWithoutRegardToCase) {
    testsupport::WriteFile(dir / "ZOZUVER.INI", "[Verudivur]\n");
    sfs::create_directories(dir / "Wall/Audio");
    testsupport::WriteFile(dir / "Wall/Audio/carts1.lst", "x");
    EXPECT_EQ(FindNoCase(dir.path().string(), "Zozuver.ini"), dir / "ZOZUVER.INI");
    EXPECT_EQ(FindNoCase(dir.path().string() + "/", "zozuver.INI"), dir / "ZOZUVER.INI");
    EXPECT_EQ(FindNoCase(dir.path().string(), "UPDATES.RTF"), dir / "UPDATES.RTF");
    EXPECT_EQ(ResolveNoCase(dir / "wall/AUDIO/Carts1.LST"), dir / "Wall/Audio/carts1.lst");
    EXPECT_EQ(ResolveNoCase(dir / "wall/none/Carts1.LST"), dir / "Wall/none/Carts1.LST");
    // An exact name wins over a look-alike.
    testsupport::WriteFile(dir / "Zozuver.ini", "");
    EXPECT_EQ(FindNoCase(dir.path().string(), "Zozuver.ini"), dir / "Zozuver.ini");
}

TEST_F(FilesTest, CopyReportsProgressAndAStopLeavesTheTargetAlone) {
    const auto data = testsupport::RandomBytes(3 << 20, 7);
    testsupport::WriteFile(dir / "src.lst", std::string(data.begin(), data.end()));
    testsupport::WriteFile(dir / "old.lst", "old");

    std::vector<std::uint64_t> seen;
    auto record = [&](const std::string& caption, std::uint64_t done, std::uint64_t total) {
        EXPECT_EQ(caption, "Backing up");
        EXPECT_EQ(total, data.size());
        seen.push_back(done);
        return true;
    };
    ASSERT_EQ(CopyFile(dir / "src.lst", dir / "copy.lst", "Backing up", record), CopyResult::Copied);
    EXPECT_EQ(testsupport::ReadFile(dir / "copy.lst"), testsupport::ReadFile(dir / "src.lst"));
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen.front(), 0u);
    EXPECT_EQ(seen.back(), data.size());

    int calls = 0;
    auto stopSoon = [&](const std::string&, std::uint64_t, std::uint64_t) { return ++calls < 2; };
    EXPECT_EQ(CopyFile(dir / "src.lst", dir / "old.lst", "x", stopSoon), CopyResult::Stopped);
    EXPECT_EQ(testsupport::ReadFile(dir / "old.lst"), "old");

    int err = 0;
    EXPECT_EQ(CopyFile(dir / "none.lst", dir / "old.lst", "x", {}, &err), CopyResult::Failed);
    EXPECT_EQ(err, ENOENT);
    EXPECT_EQ(CopyFile(dir / "src.lst", dir / "no/folder/x.lst", "x", {}, &err), CopyResult::Failed);
    EXPECT_EQ(testsupport::ReadFile(dir / "old.lst"), "old");
    // Nothing half-written is left beside the targets.
    int entries = 0;
    for ([[maybe_unused]] auto& e : sfs::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 4); // drives.map, src.lst, copy.lst, old.lst
}

TEST_F(FilesTest, DeleteAndModifiedTime) {
    testsupport::WriteFile(dir / "x.rtf", "x");
    const double when = FileDateTime(dir / "x.rtf");
    EXPECT_GT(when, 40000.0); // some day after 2009
    EXPECT_EQ(FileDateTime(dir / "none.rtf"), 0);
    EXPECT_TRUE(DeleteFile(dir / "x.rtf"));
    EXPECT_TRUE(DeleteFile(dir / "x.rtf"));
    EXPECT_EQ(FileSize(dir / "x.rtf"), -1);
}

TEST_F(FilesTest, ShellOpenGoesThroughTheHookAndNeverLaunchesUnderTests) {
    std::vector<std::string> opened;
    auto old = SetShellOpenHook([&](const std::string& t) {
        opened.push_back(t);
        return true;
    });
    EXPECT_TRUE(ShellOpen("https://example.org/forum"));
    SetShellOpenHook(old);
    EXPECT_EQ(opened, std::vector<std::string>{"https://example.org/forum"});
    // No hook, test harness: nothing is started.
    testsupport::ScopedEnv harness("BVR_TEST_TMP", dir.path().string());
    EXPECT_FALSE(ShellOpen(dir / "LumoEdit.pdf"));
}

// The opener (xdg-open) tells only by its exit whether it found a program for the target:
// missing, it is refused at once; ending with a failure, the caller hears of it later.
TEST_F(FilesTest, ShellOpenSaysWhenNoProgramOpensTheTarget) {
    testsupport::ScopedEnv realRun("BVR_TEST_TMP", std::nullopt);
    const sfs::path bin = dir.path() / "bin";
    sfs::create_directories(bin);
    testsupport::ScopedEnv path("PATH", bin.string());
    EXPECT_FALSE(ShellOpen("https://www.brevant.example/", [] { ADD_FAILURE() << "no opener, nothing to hear"; }));

    struct Case {
        int exit;
        bool failed;
    } cases[] = {{3, true}, {0, false}};
    for (const Case c : cases) {
        SCOPED_TRACE("opener exits " + std::to_string(c.exit));
        const std::string seen = dir / "seen";
        sfs::remove(seen);
        testsupport::WriteFile(bin / "xdg-open", "#!/bin/sh\necho \"$1\" > '" + seen + "'\nexit " + std::to_string(c.exit) + "\n");
        sfs::permissions(bin / "xdg-open", sfs::perms::owner_all);
        auto failed = std::make_shared<std::atomic<bool>>(false);
        EXPECT_TRUE(ShellOpen("https://www.brevant.example/", [failed] { *failed = true; }));
        // A failure is heard once the opener has ended; a success is heard as nothing.
        for (int i = 0; i < 500 && !(c.failed ? failed->load() : FileSize(seen) > 0); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!c.failed) std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(testsupport::ReadFile(seen), "https://www.brevant.example/\n");
        EXPECT_EQ(failed->load(), c.failed);
    }
}

TEST_F(FilesTest, ProgramsRunWaitedForAndAtIdlePriority) {
    EXPECT_EQ(RunAndWait("/bin/sh", {"-c", "exit 3"}), 3);
    EXPECT_EQ(RunAndWait("/bin/sh", {"-c", "test \"$(nice)\" = 19"}, Priority::Idle), 0);
    EXPECT_EQ(RunAndWait(dir / "no-such-program", {}), -1);
    EXPECT_EQ(RunAndWait("/bin/sh", {"-c", "kill -9 $$"}), 128 + 9);
    // One argument with blanks arrives as one argument.
    EXPECT_EQ(RunAndWait("/bin/sh", {"-c", "test \"$0\" = 'a b.wav'", "a b.wav"}), 0);
    EXPECT_EQ(RunAndWait("/bin/sh", {"-c", "sleep 0.5"}, Priority::Normal, 50), -2);
}

TEST_F(FilesTest, StartedProgramsRunOnTheirOwn) {
    const std::string flag = dir / "started";
    const int pid = StartProgram("/bin/sh", {"-c", "sleep 0.3; : > \"$0\"", flag});
    ASSERT_GT(pid, 0);
    EXPECT_EQ(FileSize(flag), -1); // the caller did not wait for it
    for (int i = 0; i < 500 && FileSize(flag) < 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(FileSize(flag), 0);
    EXPECT_EQ(StartProgram(dir / "no-such-program", {}), -1);
}
