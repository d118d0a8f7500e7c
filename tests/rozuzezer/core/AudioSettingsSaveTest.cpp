// A profile is saved as one change of the machine hive: a save killed at any moment leaves it
// wholly old or wholly new, and a save that cannot be written changes nothing and says so.
#include "rozuzezer/core/cAudioSettings.h"

#include "RozuzezerSettingsEnv.h"
#include "platform/registry/DurableFile.h"
#include "platform/registry/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace rozuzezer;
using platform::component::MakeRef;
namespace reg = platform::registry;

namespace {

// Two profiles that differ in nearly every value a save writes, and in what it deletes
// (the players' cards with automatic assignment, the swept volume with ducking).
void Fill(cAudioSettings& s, bool second) {
    const auto v = [second](int a, int b) { return static_cast<std::int16_t>(second ? b : a); };
    s.AutomaticPlayerAssignment = second ? vbFalse : vbTrue;
    s.NumberPlayers = v(4, 6);
    for (std::int16_t i = 1; i <= s.MAXPLAYERS(); ++i)
        s.SetPlayerSoundCardNumber(i, static_cast<std::int16_t>(second ? 13 - i : i));
    s.InstantPlayerNumber = v(2, 3);
    s.HookPlayer = v(1, 2);
    s.PreviewPlayer = v(3, 1);
    s.RecordingSoundCardNumber = v(1, 2);
    s.EditPlayerNumber = v(2, 6);
    s.EditSoundCardNumber = v(1, 2);
    s.LockPlayerWhenRecording = v(1, 0);
    s.OnlyAllowEjectStoppedCarts = second ? sopFollowPreference : sopEnabled;
    s.FirstPlayer = v(2, 1);
    s.LastPlayer = v(4, 6);
    s.FadeDuration = second ? 0.25f : 1.5f;
    s.FadeFirePercent = v(50, 65);
    s.AudioEditor = second ? "/opt/b/editor" : "/opt/a/editor";
    s.EditorTemporaryDirectory = second ? "/srv/b/" : "/srv/a/";
    s.AudioEditorPriority = v(3, 10);
    s.AudioEditorRunAtIdleSpeed = v(0, 1);
    s.LumoStreamUseLargeBuffers = v(1, 0);
    s.LumoStreamDebugMode = v(0, 2);
    s.UseLegacyFileCopyMode = v(1, 0);
    s.HighlightPlayedCarts = v(0, 1);
    s.HighlightPlayedCartsDuration = second ? 600 : 30;
    s.UsePlayerDucking = v(1, 0);
    s.GeneralVolume = v(90, 80);
    s.SweptAudioVolume = v(90, 55);
    s.DuckAudioVolume = v(70, 60);
    s.CartGroupVolume = v(80, 100);
    s.AdvertVolume = v(75, 95);
    s.AudioFormat()->SetPCM(second ? 48000 : 44100, second ? 2 : 1, 16);
    s.AudioAllowOtherFormat = v(0, -1);
    s.AudioRecordLocal = v(1, 0);
    s.PlayerDisplayAlignment = second ? pdaBottom : pdaTop;
}

// Every value under a key and its sub-keys, as "sub\name" -> type and data.
void Collect(reg::HKEY key, const std::string& prefix, std::map<std::string, std::string>& out) {
    std::string name, data;
    reg::DWORD type = 0;
    for (reg::DWORD i = 0; reg::RegEnumValue(key, i, &name, &type, &data) == reg::ERROR_SUCCESS; ++i)
        out[prefix + name] = std::to_string(type) + ":" + data;
    for (reg::DWORD i = 0; reg::RegEnumKeyEx(key, i, &name) == reg::ERROR_SUCCESS; ++i) {
        reg::HKEY sub = 0;
        ASSERT_EQ(reg::RegOpenKeyEx(key, name, 0, reg::KEY_READ, &sub), reg::ERROR_SUCCESS);
        Collect(sub, prefix + name + "\\", out);
        reg::RegCloseKey(sub);
    }
}

using Stored = std::map<std::string, std::string>;

Stored StoredProfile(const std::string& profile) {
    Stored out;
    reg::HKEY key = 0;
    if (reg::RegOpenKeyEx(reg::HKEY_LOCAL_MACHINE, "SOFTWARE\\Brevant\\Verudivur\\Profiles\\" + profile, 0,
                          reg::KEY_READ, &key) != reg::ERROR_SUCCESS)
        return out;
    Collect(key, "", out);
    reg::RegCloseKey(key);
    return out;
}

// Exit code, or 128 + the signal that ended the child.
int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class AudioSettingsSave : public settings_test::SettingsEnv {
protected:
    void SetUp() override {
        auto s = MakeRef<cAudioSettings>();
        Fill(*s, true);
        ASSERT_TRUE(s->SaveProfile("Other studio"));
        other_ = StoredProfile("Other studio");
        ASSERT_TRUE(s->SaveProfile("Profile1"));
        new_ = StoredProfile("Profile1");
        Fill(*s, false);
        ASSERT_TRUE(s->SaveProfile("Profile1"));
        old_ = StoredProfile("Profile1");
        ASSERT_NE(old_, new_);
        oldHive_ = MachineHive();
    }

    std::string HiveFile() const { return reg::HiveFilePath(reg::HKEY_LOCAL_MACHINE); }

    // The profile as stored now: the old one, the new one, or neither ("a mix").
    std::string WhichProfile() {
        const Stored now = StoredProfile("Profile1");
        EXPECT_EQ(StoredProfile("Other studio"), other_);
        if (now == old_) return "old";
        if (now == new_) return "new";
        std::string diff;
        for (const auto& [name, value] : now)
            if (old_.count(name) == 0 || old_.at(name) != value) diff += " " + name;
        return "a mix (changed:" + diff + ")";
    }

    Stored old_, new_, other_;
    std::string oldHive_;
};

TEST_F(AudioSettingsSave, KilledAtRandomMomentsLeavesTheOldOrTheNewProfile) {
    std::mt19937 rng(19);
    int sawNew = 0, midWrite = 0;
    for (int round = 0; round < 40; ++round) {
        testsupport::WriteFile(HiveFile(), oldHive_);
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            auto s = MakeRef<cAudioSettings>();
            for (int i = 0;; ++i) {
                Fill(*s, i % 2 == 0); // new, old, new, ...
                if (!s->SaveProfile("Profile1")) ::_exit(1);
                if (::write(fds[1], "s", 1) != 1) ::_exit(2);
            }
        }
        ::close(fds[1]);
        // After a random number of saves, kill the child at a random moment of about one
        // save's time (measured here, so a busy machine does not make every kill land late).
        const int saves = std::uniform_int_distribution<int>(2, 5)(rng);
        auto last = std::chrono::steady_clock::now();
        std::chrono::steady_clock::duration gap{};
        for (int i = 0; i < saves; ++i) {
            char c = 0;
            ASSERT_EQ(::read(fds[0], &c, 1), 1);
            const auto now = std::chrono::steady_clock::now();
            gap = now - last;
            last = now;
        }
        const auto gapUs = std::chrono::duration_cast<std::chrono::microseconds>(gap).count();
        ::usleep(std::uniform_int_distribution<useconds_t>(0, static_cast<useconds_t>(std::max<long long>(1, gapUs)))(rng));
        ::kill(pid, SIGKILL);
        ::close(fds[0]);
        ASSERT_EQ(Wait(pid), 128 + SIGKILL);
        midWrite += std::filesystem::exists(HiveFile() + ".tmp");
        const std::string which = WhichProfile();
        ASSERT_TRUE(which == "old" || which == "new") << "round " << round << ": " << which;
        sawNew += which == "new";
        auto loaded = MakeRef<cAudioSettings>();
        ASSERT_TRUE(loaded->LoadProfile("Profile1"));
        EXPECT_EQ(loaded->GeneralVolume, which == "new" ? 80 : 90);
    }
    EXPECT_GT(sawNew, 0);
    EXPECT_LT(sawNew, 40);
    EXPECT_GT(midWrite, 0) << "no kill landed while the new hive was being written";
}

TEST_F(AudioSettingsSave, KilledAtEveryStepOfItsWriteLeavesTheOldOrTheNewProfile) {
    int killed = 0;
    for (int step = 1; step < 200; ++step) {
        testsupport::WriteFile(HiveFile(), oldHive_);
        const pid_t pid = ::fork();
        if (pid == 0) {
            auto s = MakeRef<cAudioSettings>();
            Fill(*s, true);
            const std::string at = std::to_string(platform::detail::DurableStepsSoFar() + step);
            ::setenv("BVR_DURABLE_KILL_AT_STEP", at.c_str(), 1);
            ::_exit(s->SaveProfile("Profile1") ? 0 : 1);
        }
        const int rc = Wait(pid);
        const std::string which = WhichProfile();
        if (rc == 0) {
            EXPECT_EQ(which, "new") << "finished after " << killed << " kills";
            break;
        }
        ASSERT_EQ(rc, 128 + SIGKILL);
        ++killed;
        ASSERT_TRUE(which == "old" || which == "new") << "killed at step " << step << ": " << which;
    }
    EXPECT_EQ(killed, 5) << "one temporary file, written, flushed, renamed";
    // What the killed saves left behind does not stop the next one.
    auto s = MakeRef<cAudioSettings>();
    Fill(*s, true);
    EXPECT_TRUE(s->SaveProfile("Profile1"));
    EXPECT_EQ(WhichProfile(), "new");
}

TEST_F(AudioSettingsSave, SaveThatCannotBeWrittenReturnsFalseAndChangesNothing) {
    const std::string folder = Path("registry");
    struct Case {
        const char* what;
        std::function<void()> prepare, undo;
    };
    const Case cases[] = {
        {"hive file not writable", [&] { ::chmod(HiveFile().c_str(), 0444); },
         [&] { ::chmod(HiveFile().c_str(), 0644); }},
        {"hive on a read-only folder", [&] { ::chmod(folder.c_str(), 0555); },
         [&] { ::chmod(folder.c_str(), 0755); }},
        {"hive that does not parse", [&] { testsupport::WriteFile(HiveFile(), oldHive_ + "[HKEY_LOCAL_MACHINE\\Cut"); },
         [] {}},
    };
    for (const Case& c : cases) {
        testsupport::WriteFile(HiveFile(), oldHive_);
        c.prepare();
        const std::string before = MachineHive();
        auto s = MakeRef<cAudioSettings>();
        Fill(*s, true);
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(s->SaveProfile("Profile1")) << c.what;
        ::testing::internal::GetCapturedStderr();
        c.undo();
        EXPECT_EQ(MachineHive(), before) << c.what;
        EXPECT_EQ(WhichProfile(), "old") << c.what;
        auto loaded = MakeRef<cAudioSettings>();
        ASSERT_TRUE(loaded->LoadProfile("Profile1"));
        EXPECT_EQ(loaded->GeneralVolume, 90) << c.what;
    }
    // Once the hive may be written again, the same save goes through.
    testsupport::WriteFile(HiveFile(), oldHive_);
    auto s = MakeRef<cAudioSettings>();
    Fill(*s, true);
    EXPECT_TRUE(s->SaveProfile("Profile1"));
    EXPECT_EQ(WhichProfile(), "new");
}

} // namespace
