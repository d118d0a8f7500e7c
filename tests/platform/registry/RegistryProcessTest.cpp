// Several processes on one hive: concurrent writers and writers killed half-way.
#include "platform/registry/DurableFile.h"
#include "platform/registry/RegFile.h"
#include "platform/registry/Registry.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform::registry;
using testsupport::ReadFile;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

constexpr const char* kKey = "SOFTWARE\\Brevant\\LumoEdit\\v1";

LONG Write(const std::string& name, const std::string& text) {
    HKEY k = 0;
    LONG st = RegCreateKey(HKEY_CURRENT_USER, kKey, &k);
    if (st != ERROR_SUCCESS) return st;
    st = RegSetValueEx(k, name, REG_SZ, reinterpret_cast<const std::uint8_t*>(text.data()),
                       static_cast<DWORD>(text.size()));
    RegCloseKey(k);
    return st;
}

// The hive file as a fresh reader sees it.
detail::Hive ReadHive(const std::string& file) {
    return detail::ParseRegText(ReadFile(file), "HKEY_CURRENT_USER");
}

const detail::Key* Find(const detail::Hive& h) {
    const detail::Key* k = &h.root;
    for (const char* part : {"SOFTWARE", "Brevant", "LumoEdit", "v1"})
        if (k) k = k->Child(part);
    return k;
}

// Runs fn in a child process; the child's exit code is fn's result.
pid_t Spawn(const std::function<int()>& fn) {
    pid_t pid = ::fork();
    if (pid == 0) ::_exit(fn());
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(RegistryProcessTest, TwoWritersAtOnceLoseNothing) {
    TempDir dir("reg-conc");
    ScopedEnv env("BREVANT_REGISTRY_DIR", dir.path().string());
    // A value of some other program, which both writers must keep.
    ASSERT_EQ(Write("Other", "keep me"), ERROR_SUCCESS);
    constexpr int kEach = 1000;
    auto writer = [](char tag) {
        return [tag]() {
            for (int i = 0; i < kEach; ++i)
                if (Write(std::string(1, tag) + std::to_string(i), std::to_string(i * 7)) != ERROR_SUCCESS)
                    return 1;
            return 0;
        };
    };
    pid_t a = Spawn(writer('a'));
    pid_t b = Spawn(writer('b'));
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    EXPECT_EQ(Wait(a), 0);
    EXPECT_EQ(Wait(b), 0);

    auto hive = ReadHive(dir / "user.reg");
    EXPECT_TRUE(hive.clean) << hive.problem;
    const detail::Key* k = Find(hive);
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->values.size(), 2u * kEach + 1);
    for (char tag : {'a', 'b'})
        for (int i = 0; i < kEach; ++i) {
            const detail::Value* v = k->FindValue(std::string(1, tag) + std::to_string(i));
            ASSERT_NE(v, nullptr) << tag << i;
            EXPECT_EQ(v->data, std::to_string(i * 7));
        }
    ASSERT_NE(k->FindValue("Other"), nullptr);
    EXPECT_EQ(k->FindValue("Other")->data, "keep me");
}

TEST(RegistryProcessTest, WriterKilledAtAnyMomentLeavesACompleteHive) {
    TempDir dir("reg-kill");
    ScopedEnv env("BREVANT_REGISTRY_DIR", dir.path().string());
    const std::string file = dir / "user.reg";
    // Large enough that a rewrite takes a while to be caught in the middle of.
    std::string filler(2000, 'f');
    for (int i = 0; i < 50; ++i) ASSERT_EQ(Write("Fill" + std::to_string(i), filler), ERROR_SUCCESS);

    std::mt19937 rng(1234);
    std::set<std::string> done; // values whose write returned before the kill
    int next = 0;
    for (int round = 0; round < 40; ++round) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        int first = next;
        pid_t pid = Spawn([&]() {
            ::close(fds[0]);
            for (int i = first;; ++i) {
                if (Write("K" + std::to_string(i), std::to_string(i)) != ERROR_SUCCESS) return 1;
                int n = i;
                if (::write(fds[1], &n, sizeof n) != sizeof n) return 2;
            }
        });
        ::close(fds[1]);
        // Once the child is writing, kill it at a random moment of the following writes.
        int n;
        ASSERT_EQ(::read(fds[0], &n, sizeof n), static_cast<ssize_t>(sizeof n));
        done.insert("K" + std::to_string(n));
        next = n + 1;
        ::usleep(std::uniform_int_distribution<int>(0, 10000)(rng));
        ::kill(pid, SIGKILL);
        EXPECT_EQ(Wait(pid), 128 + SIGKILL);
        while (::read(fds[0], &n, sizeof n) == sizeof n) {
            done.insert("K" + std::to_string(n));
            next = n + 1;
        }
        ::close(fds[0]);
        next += 1; // the write cut short may or may not have landed

        auto hive = ReadHive(file);
        ASSERT_TRUE(hive.clean) << "round " << round << ": " << hive.problem;
        const detail::Key* k = Find(hive);
        ASSERT_NE(k, nullptr);
        for (const std::string& name : done) ASSERT_NE(k->FindValue(name), nullptr) << name;
        for (int i = 0; i < 50; ++i) ASSERT_NE(k->FindValue("Fill" + std::to_string(i)), nullptr);
    }
    EXPECT_GE(done.size(), 40u);
    // The lock died with its holder: this process writes at once.
    EXPECT_EQ(Write("After", "1"), ERROR_SUCCESS);
}

// One transaction of a writer: `count` values named <tag><i>.<n> and the delete of <tag><i-1>.x.
LONG WriteTogether(char tag, int i, int count) {
    RegTransaction tx(HKEY_CURRENT_USER);
    for (int n = 0; n < count; ++n) {
        const std::string text = std::to_string(i * 7 + n);
        tx.SetValue(kKey, std::string(1, tag) + std::to_string(i) + "." + std::to_string(n), REG_SZ,
                    reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<DWORD>(text.size()));
    }
    tx.SetValue(kKey, std::string(1, tag) + std::to_string(i) + ".x", REG_SZ,
                reinterpret_cast<const std::uint8_t*>("x"), 1);
    tx.DeleteValue(kKey, std::string(1, tag) + std::to_string(i - 1) + ".x");
    return tx.Commit();
}

TEST(RegistryProcessTest, TwoTransactionWritersAtOnceLoseNothing) {
    TempDir dir("reg-tx-conc");
    ScopedEnv env("BREVANT_REGISTRY_DIR", dir.path().string());
    ASSERT_EQ(Write("Other", "keep me"), ERROR_SUCCESS);
    constexpr int kEach = 300, kValues = 3;
    auto writer = [](char tag) {
        return [tag]() {
            for (int i = 0; i < kEach; ++i)
                if (WriteTogether(tag, i, kValues) != ERROR_SUCCESS) return 1;
            return 0;
        };
    };
    pid_t a = Spawn(writer('a'));
    pid_t b = Spawn(writer('b'));
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    EXPECT_EQ(Wait(a), 0);
    EXPECT_EQ(Wait(b), 0);

    auto hive = ReadHive(dir / "user.reg");
    EXPECT_TRUE(hive.clean) << hive.problem;
    const detail::Key* k = Find(hive);
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->values.size(), 2u * kEach * kValues + 2 + 1) << "each writer's last mark and Other";
    for (char tag : {'a', 'b'}) {
        for (int i = 0; i < kEach; ++i)
            for (int n = 0; n < kValues; ++n) {
                const detail::Value* v = k->FindValue(std::string(1, tag) + std::to_string(i) + "." + std::to_string(n));
                ASSERT_NE(v, nullptr) << tag << i << "." << n;
                EXPECT_EQ(v->data, std::to_string(i * 7 + n));
            }
        EXPECT_NE(k->FindValue(std::string(1, tag) + std::to_string(kEach - 1) + ".x"), nullptr);
    }
    EXPECT_EQ(k->FindValue("Other")->data, "keep me");
}

TEST(RegistryProcessTest, TransactionKilledAtEveryStepOfItsWriteLeavesOldOrNew) {
    TempDir dir("reg-tx-kill");
    ScopedEnv env("BREVANT_REGISTRY_DIR", dir.path().string());
    const std::string file = dir / "user.reg";
    std::string filler(3000, 'f');
    for (int i = 0; i < 20; ++i) ASSERT_EQ(Write("Fill" + std::to_string(i), filler), ERROR_SUCCESS);
    ASSERT_EQ(WriteTogether('k', 0, 10), ERROR_SUCCESS);
    const std::string old = ReadFile(file);

    int killed = 0;
    for (int step = 1;; ++step) {
        WriteFile(file, old);
        pid_t pid = Spawn([step]() {
            const std::string at = std::to_string(platform::detail::DurableStepsSoFar() + step);
            ::setenv("BVR_DURABLE_KILL_AT_STEP", at.c_str(), 1);
            return WriteTogether('k', 1, 10) == ERROR_SUCCESS ? 0 : 1;
        });
        const int rc = Wait(pid);
        SCOPED_TRACE("killed at step " + std::to_string(step));
        auto hive = ReadHive(file);
        ASSERT_TRUE(hive.clean) << hive.problem;
        const detail::Key* k = Find(hive);
        ASSERT_NE(k, nullptr);
        int fresh = 0;
        for (int n = 0; n < 10; ++n) fresh += k->FindValue("k1." + std::to_string(n)) != nullptr;
        const bool oldMark = k->FindValue("k0.x") != nullptr, newMark = k->FindValue("k1.x") != nullptr;
        EXPECT_TRUE((fresh == 0 && oldMark && !newMark) || (fresh == 10 && !oldMark && newMark))
            << fresh << " of 10 new values, old mark " << oldMark << ", new mark " << newMark;
        for (int i = 0; i < 20; ++i) ASSERT_NE(k->FindValue("Fill" + std::to_string(i)), nullptr);
        if (rc == 0) {
            EXPECT_EQ(fresh, 10) << "finished";
            break;
        }
        ASSERT_EQ(rc, 128 + SIGKILL);
        ++killed;
        // Only the rename makes the change: before it the old hive stands, after it the new.
        EXPECT_EQ(fresh == 10, step == 5);
        // A later writer is not held up by what the dead one left behind.
        EXPECT_EQ(Write("After", std::to_string(step)), ERROR_SUCCESS);
        EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));
    }
    EXPECT_EQ(killed, 5);
}

TEST(RegistryProcessTest, UserWhoMayNotWriteTheMachineHiveChangesNothing) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
    TempDir dir("reg-user");
    ScopedEnv env("BREVANT_REGISTRY_DIR", dir.path().string());
    HKEY k = 0;
    ASSERT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, kKey, &k), ERROR_SUCCESS);
    const std::string formats = "|WAV|";
    ASSERT_EQ(RegSetValueEx(k, "LoadFormats", REG_SZ, reinterpret_cast<const std::uint8_t*>(formats.data()),
                            static_cast<DWORD>(formats.size())),
              ERROR_SUCCESS);
    RegCloseKey(k);
    ::chmod(dir.path().c_str(), 0755); // readable by everyone, writable by root only
    const std::string machine = dir / "machine.reg";
    const std::string before = ReadFile(machine);

    // As an ordinary user: 0 all as expected, 1 setuid failed, 10+ the step that went wrong.
    pid_t pid = Spawn([]() {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) return 1;
        if (HiveWritable(HKEY_LOCAL_MACHINE)) return 10;
        HKEY key = 0;
        if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS, &key) != ERROR_ACCESS_DENIED) return 11;
        if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 12;
        char buf[16] = {};
        DWORD size = sizeof buf;
        if (RegQueryValueEx(key, "LoadFormats", nullptr, reinterpret_cast<std::uint8_t*>(buf), &size) != ERROR_SUCCESS ||
            std::string(buf) != "|WAV|")
            return 13;
        RegCloseKey(key);
        if (RegCreateKey(HKEY_LOCAL_MACHINE, kKey, &key) != ERROR_ACCESS_DENIED) return 14;
        if (RegOpenKey(HKEY_LOCAL_MACHINE, kKey, &key) != ERROR_SUCCESS) return 15;
        const std::uint8_t mp3[] = {'|', 'M', 'P', '3', '|'};
        if (RegSetValueEx(key, "LoadFormats", REG_SZ, mp3, 5) != ERROR_ACCESS_DENIED) return 16;
        if (RegDeleteValue(key, "LoadFormats") != ERROR_ACCESS_DENIED) return 17;
        return 0;
    });
    int rc = Wait(pid);
    if (rc == 1) GTEST_SKIP() << "cannot become nobody here";
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(ReadFile(machine), before);
    EXPECT_FALSE(std::filesystem::exists(dir / "machine.reg.tmp"));
}

} // namespace
