#include "platform/fs/Process.h"

#include "platform/fs/DriveMap.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace platform::fs {
namespace {

std::mutex& HookMutex() {
    static std::mutex m;
    return m;
}

ShellOpenHook& Hook() {
    static ShellOpenHook hook;
    return hook;
}

// Forks and execs; the child reports a failed exec through a close-on-exec pipe, so the
// parent knows whether the program really started.
pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments,
            Priority priority, bool detachSession) {
    std::vector<std::string> args;
    args.push_back(program);
    for (const auto& a : arguments) args.push_back(a);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int nice = static_cast<int>(priority);

    int pipefd[2];
    if (::pipe2(pipefd, O_CLOEXEC) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipefd[0]);
        ::close(pipefd[1]);
        return -1;
    }
    if (pid == 0) {
        // Only async-signal-safe calls from here on.
        ::close(pipefd[0]);
        if (detachSession) ::setsid();
        if (nice != 0) ::setpriority(PRIO_PROCESS, 0, nice);
        ::execvp(argv[0], argv.data());
        const int e = errno;
        [[maybe_unused]] ssize_t w = ::write(pipefd[1], &e, sizeof e);
        ::_exit(127);
    }
    ::close(pipefd[1]);
    int childErr = 0;
    ssize_t n;
    do {
        n = ::read(pipefd[0], &childErr, sizeof childErr);
    } while (n < 0 && errno == EINTR);
    ::close(pipefd[0]);
    if (n > 0) {
        int status;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return -1;
    }
    return pid;
}

int ExitCode(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

} // namespace

ShellOpenHook SetShellOpenHook(ShellOpenHook hook) {
    std::lock_guard lock(HookMutex());
    ShellOpenHook old = std::move(Hook());
    Hook() = std::move(hook);
    return old;
}

bool ShellOpen(const std::string& target, std::function<void()> failed) {
    ShellOpenHook hook;
    {
        std::lock_guard lock(HookMutex());
        hook = Hook();
    }
    if (hook) return hook(target);
    if (const char* t = std::getenv("BVR_TEST_TMP"); t && *t) return false;
    if (target.empty()) return false;
    const std::string what = HasDriveLetter(target) ? ToNativePath(target) : target;
    const pid_t pid = Spawn("xdg-open", {what}, Priority::Normal, true);
    if (pid < 0) return false;
    // Reaped here rather than by StartProgram: its exit says whether a program was found. An
    // opener that runs the program itself ends only with it, long after the verdict.
    std::thread([pid, failed = std::move(failed)] {
        const auto started = std::chrono::steady_clock::now();
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        const auto took = std::chrono::steady_clock::now() - started;
        if (failed && ExitCode(status) != 0 && took < std::chrono::milliseconds(kShellOpenVerdictMs)) failed();
    }).detach();
    return true;
}

int StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                 Priority priority) {
    if (program.empty()) return -1;
    const std::string path = HasDriveLetter(program) ? ToNativePath(program) : program;
    const pid_t pid = Spawn(path, arguments, priority, true);
    if (pid < 0) return -1;
    // Reap it when it ends so no zombie is left; the caller never waits for it.
    std::thread([pid] {
        int status;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return pid;
}

int RunAndWait(const std::string& program, const std::vector<std::string>& arguments,
               Priority priority, int timeoutMs) {
    if (program.empty()) return -1;
    const std::string path = HasDriveLetter(program) ? ToNativePath(program) : program;
    const pid_t pid = Spawn(path, arguments, priority, false);
    if (pid < 0) return -1;
    int status = 0;
    if (timeoutMs < 0) {
        while (::waitpid(pid, &status, 0) < 0) {
            if (errno != EINTR) return -1;
        }
        return ExitCode(status);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return ExitCode(status);
        if (r < 0 && errno != EINTR) return -1;
        if (std::chrono::steady_clock::now() >= deadline) {
            std::thread([pid] {
                int st;
                while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {
                }
            }).detach();
            return -2;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace platform::fs
