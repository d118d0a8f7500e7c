// What an audio save leaves in the folder: a save killed at any moment leaves the old file or
// the new one and nothing beside it (or, without unnamed files, only what the next open
// removes); the replaced file's permissions and owner stay; a file the user may not write is
// refused before anything is written.
#include "AudioFixtures.h"
#include "support/TestSupport.h"

#include "platform/audio/AudioEditor.h"
#include "platform/audio/WavFile.h"
#include "platform/base/Error.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <ctime>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform::audio;
using namespace audiotest;
namespace fs = std::filesystem;

namespace {

std::set<std::string> Names(const fs::path& dir) {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(dir)) out.insert(e.path().filename().string());
    return out;
}

// The chunks around the audio, which an in-place save carries over.
const std::string kAround = Chunk("LIST", std::string("INFOINAM\x06\0\0\0Title\0", 18));

// Opens the file, halves its level and saves it over itself.
void EditAndSave(const std::string& path, const std::string& work) {
    AudioEditor ed;
    ed.SetTemporaryFolder(work);
    ed.OpenAudio(path);
    ed.Processing().Amplify(50);
    ed.SaveAudio(path, false);
}

// The same in a child that kills itself before step `n` of the save; true when it died so.
bool EditAndSaveKilledAt(const std::string& path, const std::string& work, int n, bool named) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("BVR_AUDIO_KILL_AT_STEP", std::to_string(n).c_str(), 1);
        AtomicFile::UseNamedFilesOnly(named);
        try {
            EditAndSave(path, work);
        } catch (...) {
            ::_exit(2);
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

class SaveKilled : public ::testing::TestWithParam<bool> {};

// No editor exists in this process: the children fork a process without threads.
TEST_P(SaveKilled, AtEveryStepLeavesTheOldFileOrTheNewAndNothingBeside) {
    const bool named = GetParam();
    testsupport::TempDir dir{"audiokill"};
    testsupport::TempDir work{"audiokillwork"};
    const fs::path folder = dir.path() / "station";
    fs::create_directory(folder);
    const std::string path = (folder / "cart.wav").string();
    // Four seconds: the save writes it in several pieces.
    const std::string original = WavBytes(TonePlanes(2, 44100 * 4, 44100), 44100, 16, false, kAround, kAround);
    WriteBytes(path, original);
    ::chmod(path.c_str(), 0640);

    // What a save that is not stopped makes of it, in a child too.
    std::string saved;
    {
        const pid_t pid = ::fork();
        if (pid == 0) {
            AtomicFile::UseNamedFilesOnly(named);
            EditAndSave(path, work / "w");
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        saved = testsupport::ReadFile(path);
        ASSERT_NE(saved, original);
        ASSERT_EQ(Names(folder), std::set<std::string>{"cart.wav"});
    }

    int killed = 0, leftBehind = 0;
    for (int n = 1; n < 200; ++n) {
        SCOPED_TRACE("killed before step " + std::to_string(n));
        WriteBytes(path, original);
        if (!EditAndSaveKilledAt(path, work / "w", n, named)) {
            // The save got through before step n: the new file, all of it.
            EXPECT_EQ(testsupport::ReadFile(path), saved);
            break;
        }
        ++killed;
        const std::string now = testsupport::ReadFile(path);
        EXPECT_TRUE(now == original || now == saved) << "neither the old file nor the new, " << now.size() << " bytes";
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
        if (Names(folder).size() > 1) ++leftBehind;
        // What a killed save left, the next save or open of the file removes (here without
        // an editor, whose threads the next fork must not inherit).
        AtomicFile::RemoveStale(path);
        EXPECT_EQ(Names(folder), std::set<std::string>{"cart.wav"});
        if (HasFailure()) break;
    }
    EXPECT_GE(killed, 5);
    // An unnamed file is in no folder: only the moment between naming it and putting it in
    // place can leave it behind.
    if (!named) {
        EXPECT_LE(leftBehind, 1);
    } else {
        EXPECT_GE(leftBehind, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, SaveKilled, ::testing::Values(false, true),
                         [](const auto& i) { return std::string(i.param ? "Named" : "Unnamed"); });

TEST(SaveSafety, ATemporaryOfAProcessStillRunningOrOfAnotherComputerStays) {
    testsupport::TempDir dir{"audiostale"};
    const std::string path = dir / "cart.wav";
    WriteToneWav(path, 1, 4410);
    // A save of this process under way, one of a process that is gone, and one written
    // from another computer through a shared folder.
    char self[128];
    std::snprintf(self, sizeof self, ".cart.wav.saving-p%ld-t", static_cast<long>(::getpid()));
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    std::string running;
    {
        // Our own name for a temporary, as a save of ours would make it.
        AtomicFile::UseNamedFilesOnly(true);
        AtomicFile f(path);
        AtomicFile::UseNamedFilesOnly(false);
        running = fs::path(f.TempPath()).filename().string();
        ASSERT_EQ(running.rfind(self, 0), 0u) << running;
        const std::string writer = running.substr(std::string(".cart.wav.saving-").size());
        const std::string host = writer.substr(writer.find("-h") + 2, 8);
        const std::string ofGone = ".cart.wav.saving-p" + std::to_string(gone) + "-t1-h" + host + "-000001";
        const std::string ofOther = ".cart.wav.saving-p" + std::to_string(gone) + "-t1-h" +
                                    (host == "00000000" ? "00000001" : "00000000") + "-000002";
        const std::string unrelated = ".cart.wav.saving-mine";
        for (const std::string& n : {ofGone, ofOther, unrelated}) WriteBytes(dir / n, "x");
        AudioEditor ed;
        ed.OpenAudio(path);
        EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"cart.wav", running, ofOther, unrelated}));
    }
    // The save that was under way ended without a commit: its file went with it.
    EXPECT_EQ(Names(dir.path()).count(running), 0u);
}

// What earlier versions left beside a file carries no process to ask: an hour without a
// write says its save is long over.
TEST(SaveSafety, EarlierVersionsLeftoversGoOnceAnHourOld) {
    testsupport::TempDir dir{"audioearlier"};
    const std::string path = dir / "cart.wav";
    WriteToneWav(path, 1, 4410);
    struct Case {
        const char* name;
        bool old;   // last written over an hour ago
        bool stays;
    };
    const Case cases[] = {
        {".cart.wav.saving-Ab12Cd", true, false},  // the component's
        {".cart.saving-4242-0.wav", true, false},  // the window's Save As
        {".cart.wav.saving-Zz99yy", false, true},  // perhaps still being written
        {".cart.saving-4242-1.wav", false, true},
        {".cart.wav.saving-mine", true, true},     // not a name we made
        {".cart.saving-42x-0.wav", true, true},
        {".other.wav.saving-Ab12Cd", true, true},  // another file's
    };
    for (const Case& c : cases) {
        WriteBytes(dir / c.name, "x");
        if (c.old) {
            const timespec times[2] = {{::time(nullptr) - 7200, 0}, {::time(nullptr) - 7200, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, (dir / c.name).c_str(), times, 0), 0);
        }
    }
    AtomicFile::RemoveStale(path);
    for (const Case& c : cases) EXPECT_EQ(fs::exists(dir / c.name), c.stays) << c.name;
    EXPECT_TRUE(fs::exists(path));
}

TEST(SaveSafety, TheReplacedFilesPermissionsAndOwnerStay) {
    testsupport::TempDir dir{"audioperm"};
    const std::string path = dir / "cart.wav";
    WriteToneWav(path, 2, 44100);
    struct Case {
        mode_t mode;
        bool chown;
    } cases[] = {{0640, false}, {0604, false}, {0755, false}, {0600, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode));
        ::chmod(path.c_str(), c.mode);
        // Another owner and group, where this user may give them (the administrator may).
        const bool other = c.chown && ::chown(path.c_str(), 4321, 8765) == 0;
        AudioEditor ed;
        ed.OpenAudio(path);
        ed.Processing().Amplify(90);
        ed.SaveAudio(path, false);
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.mode);
        if (other) {
            EXPECT_EQ(st.st_uid, 4321u);
            EXPECT_EQ(st.st_gid, 8765u);
        }
        EXPECT_EQ(Names(dir.path()), std::set<std::string>{"cart.wav"});
    }
    // A new file gets what the umask allows.
    const mode_t mask = ::umask(027);
    AudioEditor ed;
    ed.OpenAudio(path);
    ed.SaveAudio(dir / "new.wav", false);
    ::umask(mask);
    struct stat st {};
    ASSERT_EQ(::stat((dir / "new.wav").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(SaveSafety, AReadOnlyFileIsRefusedBeforeAnythingIsWritten) {
    testsupport::TempDir dir{"audioro"};
    const std::string path = dir / "cart.wav";
    const std::string other = dir / "other.wav";
    WriteToneWav(path, 2, 44100);
    WriteToneWav(other, 1, 4410);
    ::chmod(other.c_str(), 0444);
    const std::string before = testsupport::ReadFile(other);
    AudioEditor ed;
    ed.OpenAudio(path);
    for (const int code : {0, filetype::Wav, filetype::Mp3}) {
        SCOPED_TRACE(code);
        try {
            if (code) ed.SaveAudio(other, false, code);
            else ed.SaveAudio(other, false);
            ADD_FAILURE() << "saved over a read-only file";
        } catch (const platform::RuntimeError& e) {
            EXPECT_EQ(e.Number(), platform::err::PermissionDenied);
            EXPECT_NE(e.Description().find("read-only"), std::string::npos) << e.Description();
        }
        EXPECT_EQ(testsupport::ReadFile(other), before);
        struct stat st {};
        ASSERT_EQ(::stat(other.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0444u);
        EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"cart.wav", "other.wav"}));
    }
    // The open document is still saved where it may be.
    ed.SaveAudio(path, false);
    EXPECT_EQ(ed.FileName(), path);
}

} // namespace
