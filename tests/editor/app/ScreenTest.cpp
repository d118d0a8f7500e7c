// The program on a real X server with a window manager (Xvfb and openbox), driven through
// the X server by mouse and keys as a user drives it: what offscreen tests cannot show —
// whether the window fits the screen, where the keyboard goes, and whether the window keeps
// its size from one start to the next. The program runs as screen_agent (ScreenAgent.cpp),
// which reports what it saw; these tests start the servers, write the files, and judge.
//
// Skipped, with the reason, where Xvfb, openbox or xdotool is missing or no X server starts.
#include "platform/audio/AudioFixtures.h"
#include "rozuzezer/core/cHardDiskItem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The test's environment with these variables replaced (an empty value removes one).
std::vector<std::string> Environment(const std::map<std::string, std::string>& changes) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string v = *e;
        if (!changes.count(v.substr(0, v.find('=')))) env.push_back(v);
    }
    for (const auto& [name, value] : changes)
        if (!value.empty()) env.push_back(name + "=" + value);
    return env;
}

// Open descriptors without close-on-exec are inherited (the X server's display-number pipe).
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    std::vector<char*> a, e;
    for (const auto& s : argv) a.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    for (const auto& s : env) e.push_back(const_cast<char*>(s.c_str()));
    e.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Quiet children: what they print is of no use to the test.
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, a[0], &actions, nullptr, a.data(), e.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The exit code, or -1 when the process had not ended in time (it is then killed).
int WaitExit(pid_t pid, int milliseconds) {
    const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        if (Clock::now() > end) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void Stop(pid_t& pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    if (WaitExit(pid, 3000) < 0) ::kill(pid, SIGKILL);
    pid = -1;
}

// Xvfb on a display number it picks itself (so tests running at once never meet), with
// openbox managing it.
class XServer {
public:
    ~XServer() {
        Stop(wm_);
        Stop(x_);
    }

    // False, with the reason, when no X server can run here. Monitors (RandR monitors, as
    // "WxH+X+Y") divide the screen as a desk of several screens does; none: one screen.
    bool Start(int width, int height, const fs::path& home, std::string& why,
               const std::vector<std::string>& monitors = {}) {
        const std::string xvfb = testsupport::ToolPath("Xvfb"), openbox = testsupport::ToolPath("openbox"), xdotool = testsupport::ToolPath("xdotool");
        if (xvfb.empty() || openbox.empty() || xdotool.empty()) {
            why = "Xvfb, openbox or xdotool is not installed (scripts/setup.sh installs them)";
            return false;
        }
        const std::string xrandr = monitors.empty() ? std::string() : testsupport::ToolPath("xrandr");
        if (!monitors.empty() && xrandr.empty()) {
            why = "xrandr is not installed (scripts/setup.sh installs it)";
            return false;
        }
        int fds[2];
        if (::pipe(fds) != 0) {
            why = "no pipe for the X server's display number";
            return false;
        }
        x_ = Spawn({xvfb, "-displayfd", std::to_string(fds[1]), "-screen", "0",
                    std::to_string(width) + "x" + std::to_string(height) + "x24", "-dpi", "96", "-nolisten", "tcp",
                    "-ac", "-noreset"},
                   Environment({}));
        ::close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        const auto end = Clock::now() + std::chrono::seconds(15);
        while (x_ > 0 && number.find('\n') == std::string::npos && Clock::now() < end) {
            if (::poll(&p, 1, 100) > 0) {
                char buf[16];
                const ssize_t n = ::read(fds[0], buf, sizeof buf);
                if (n <= 0) break;
                number.append(buf, static_cast<std::size_t>(n));
            }
        }
        ::close(fds[0]);
        if (number.find('\n') == std::string::npos) {
            why = "Xvfb did not start";
            return false;
        }
        display = ":" + number.substr(0, number.find('\n'));
        // The first monitor takes the server's one output, the others none; the window manager
        // and the program see them as screens side by side.
        for (std::size_t i = 0; i < monitors.size(); ++i) {
            const std::string& m = monitors[i];
            const std::string w = m.substr(0, m.find('x')), h = m.substr(m.find('x') + 1, m.find('+') - m.find('x') - 1);
            const std::string geometry = w + "/" + std::to_string(std::stoi(w) * 254 / 960) + "x" + h + "/" +
                                         std::to_string(std::stoi(h) * 254 / 960) + m.substr(m.find('+'));
            const pid_t set = Spawn({xrandr, "--setmonitor", "monitor" + std::to_string(i), geometry, i == 0 ? "screen" : "none"},
                                    Environment({{"DISPLAY", display}}));
            if (set <= 0 || WaitExit(set, 10000) != 0) {
                why = "xrandr could not divide the screen into monitors";
                return false;
            }
        }

        const fs::path rc = home / "openbox-rc.xml";
        std::ofstream(rc) << R"(<?xml version="1.0"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <keyboard>
    <keybind key="A-F4"><action name="Close"/></keybind>
    <keybind key="W-Up"><action name="Maximize"/></keybind>
  </keyboard>
</openbox_config>
)";
        wm_ = Spawn({openbox, "--sm-disable", "--config-file", rc.string()},
                    Environment({{"DISPLAY", display}, {"HOME", home.string()},
                                 {"XDG_CONFIG_HOME", (home / "config").string()},
                                 {"XDG_CACHE_HOME", (home / "cache").string()}}));
        // The window manager runs once its own window is there.
        const auto wmEnd = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < wmEnd) {
            const pid_t probe = Spawn({xdotool, "search", "--classname", "openbox"}, Environment({{"DISPLAY", display}}));
            if (probe > 0 && WaitExit(probe, 5000) == 0) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        why = "openbox did not start on the X server";
        return false;
    }

    std::string display;

private:
    pid_t x_ = -1, wm_ = -1;
};

// What the program reported: each line's first word, and the rest.
struct Report {
    std::multimap<std::string, std::string> facts;
    int exit = -1;
    std::string Text(const std::string& key) const {
        auto it = facts.find(key);
        return it == facts.end() ? std::string() : it->second;
    }
    std::vector<long long> Numbers(const std::string& key) const {
        std::vector<long long> v;
        std::stringstream s(Text(key));
        for (long long n; s >> n;) v.push_back(n);
        return v;
    }
    std::string Errors() const {
        std::string e;
        for (auto [it, end] = facts.equal_range("error"); it != end; ++it) e += it->second + "; ";
        return e;
    }
};

class ScreenTest : public ::testing::Test {
protected:
    testsupport::TempDir home{"screen"};
    std::unique_ptr<XServer> x;

    void StartX(int width, int height, const std::vector<std::string>& monitors = {}) {
        x.reset(); // one server at a time
        x = std::make_unique<XServer>();
        std::string why;
        if (!x->Start(width, height, home.path(), why, monitors)) GTEST_SKIP() << "No X server can start here: " << why;
    }

    Report RunProgram(const std::string& scenario, const std::vector<std::string>& args = {}) {
        const std::string report = home / "report.txt";
        fs::remove(report);
        for (const char* d : {"registry", "tmp", "config", "run"}) fs::create_directories(home.path() / d);
        fs::permissions(home.path() / "run", fs::perms::owner_all);
        std::vector<std::string> argv{BVR_SCREEN_AGENT, report, scenario};
        argv.insert(argv.end(), args.begin(), args.end());
        const pid_t pid = Spawn(argv, Environment({{"DISPLAY", x->display},
                                                   {"QT_QPA_PLATFORM", "xcb"},
                                                   {"WAYLAND_DISPLAY", ""},
                                                   {"HOME", home.path().string()},
                                                   {"TMPDIR", (home.path() / "tmp").string()},
                                                   {"XDG_CONFIG_HOME", (home.path() / "config").string()},
                                                   {"XDG_RUNTIME_DIR", (home.path() / "run").string()},
                                                   {"BREVANT_REGISTRY_DIR", (home.path() / "registry").string()},
                                                   {"BREVANT_DRIVE_MAP", (home.path() / "drives.map").string()},
                                                   {"BREVANT_FAKE_DEVICES", "out 0x0FFF Desk speakers;in 0x0FFF Line in"},
                                                   {"ASAN_OPTIONS", "detect_leaks=0:abort_on_error=1"}}));
        Report r;
        EXPECT_GT(pid, 0) << "the program did not start";
        if (pid <= 0) return r;
        r.exit = WaitExit(pid, 60000);
        std::ifstream in(report);
        for (std::string line; std::getline(in, line);) {
            const auto space = line.find(' ');
            r.facts.emplace(line.substr(0, space), space == std::string::npos ? "" : line.substr(space + 1));
        }
        return r;
    }

    // The main window's stored place, in twips (15 a pixel on these screens), as an earlier
    // run left it in the registry; nothing else is stored.
    void StorePosition(int left, int top, int width, int height) {
        fs::remove_all(home.path() / "registry");
        fs::create_directories(home.path() / "registry");
        auto dword = [](int pixels) {
            char text[16];
            std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(pixels * 15));
            return std::string("dword:") + text;
        };
        std::ofstream(home.path() / "registry" / "user.reg", std::ios::binary)
            << "Windows Registry Editor Version 5.00\r\n\r\n"
               "[HKEY_CURRENT_USER\\SOFTWARE\\Brevant\\LumoEdit\\v1\\Position]\r\n"
            << "\"Left\"=" << dword(left) << "\r\n\"Top\"=" << dword(top) << "\r\n\"Width\"=" << dword(width)
            << "\r\n\"Height\"=" << dword(height) << "\r\n\r\n";
    }

    // Thirty seconds of tone with a title.
    std::string Item() {
        const std::string path = home / "Morning Jingle.wav";
        audiotest::WriteToneWav(path, 2, 30 * 44100, 44100);
        rozuzezer::cHardDiskItem item;
        item.LoadFromWAVFile(path, 3);
        item.ItemTitle = "Morning Jingle";
        EXPECT_TRUE(item.SaveToWAVFile(path, 3));
        return path;
    }
};

// Left, top, width, height: `inner` lies within `outer`.
::testing::AssertionResult Inside(const std::vector<long long>& inner, const std::vector<long long>& outer) {
    if (inner.size() != 4 || outer.size() != 4) return ::testing::AssertionFailure() << "not reported";
    if (inner[0] >= outer[0] && inner[1] >= outer[1] && inner[0] + inner[2] <= outer[0] + outer[2] &&
        inner[1] + inner[3] <= outer[1] + outer[3])
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << inner[0] << "," << inner[1] << " " << inner[2] << "x" << inner[3]
                                         << " is not inside " << outer[0] << "," << outer[1] << " " << outer[2]
                                         << "x" << outer[3];
}

TEST_F(ScreenTest, OnEachStudioScreenTheWindowFitsAndTheWaveformTakesTheKeys) {
    struct Screen {
        int width, height;
    };
    for (const Screen screen : {Screen{1366, 768}, Screen{1920, 1080}}) {
        SCOPED_TRACE(std::to_string(screen.width) + "x" + std::to_string(screen.height));
        StartX(screen.width, screen.height);
        if (IsSkipped()) return;
        fs::remove_all(home.path() / "registry");
        const Report r = RunProgram("edit", {Item()});
        EXPECT_EQ(r.exit, 0) << r.Errors();
        EXPECT_EQ(r.Errors(), "");
        const auto screenRect = r.Numbers("screen");
        ASSERT_EQ(screenRect, (std::vector<long long>{0, 0, screen.width, screen.height}));
        EXPECT_TRUE(Inside(r.Numbers("normal"), screenRect)) << "the window as it first opens";
        EXPECT_TRUE(Inside(r.Numbers("maximised"), screenRect)) << "the inside of the maximised window";
        for (const char* bar : {"picControls", "StatusBar1"}) {
            EXPECT_TRUE(Inside(r.Numbers(bar), screenRect)) << bar;
            EXPECT_TRUE(Inside(r.Numbers(bar), r.Numbers("viewport"))) << bar << " is hidden in the main window";
        }
        // The click gave the waveform the keys: Ctrl+X cut the audio, not the title.
        EXPECT_EQ(r.Text("focus"), "waveform");
        const auto selected = r.Numbers("selected");
        ASSERT_EQ(selected.size(), 1u);
        EXPECT_GT(selected[0], 44100) << "a quarter of the waveform is several seconds";
        const auto length = r.Numbers("length");
        ASSERT_EQ(length.size(), 2u);
        EXPECT_EQ(length[0], 30 * 44100);
        EXPECT_EQ(length[1], length[0] - selected[0]);
        EXPECT_EQ(r.Text("title-before"), "Morning Jingle");
        EXPECT_EQ(r.Text("title-after"), "Morning Jingle");
        // End and "." moved the cursor in the audio.
        EXPECT_EQ(r.Numbers("end"), (std::vector<long long>{length[1]}));
        const auto jog = r.Numbers("jog");
        ASSERT_EQ(jog.size(), 2u);
        EXPECT_EQ(jog[0], jog[1]) << "Home, then \".\" jogs one second on";
    }
}

// Esc typed in a dialog, an open list or a menu closes that and nothing more: the program
// still runs and the item is as it was. Ctrl+Tab and Ctrl+Shift+Tab step through the details
// tabs and back.
TEST_F(ScreenTest, EscClosesOnlyTheDialogOrListItWasTypedInAndCtrlTabStepsThroughTheTabs) {
    StartX(1366, 768);
    if (IsSkipped()) return;
    fs::remove_all(home.path() / "registry");
    const std::string path = Item();
    const std::string bytes = testsupport::ReadFile(path);
    const Report r = RunProgram("keys", {path});
    EXPECT_EQ(r.exit, 0) << r.Errors();
    EXPECT_EQ(r.Errors(), "");
    std::map<std::string, std::string> escapes;
    for (auto [it, end] = r.facts.equal_range("escape"); it != end; ++it)
        escapes[it->second.substr(0, it->second.find(' '))] = it->second.substr(it->second.find(' ') + 1);
    for (const char* window : {"open", "saveas", "colour", "category", "menu-copy", "menu-stereo"})
        EXPECT_EQ(escapes[window], "shown closed running unedited") << window;
    EXPECT_EQ(r.Numbers("tabs"), (std::vector<long long>{1, 2, 3, 0, 3, 2, 1, 0}));
    EXPECT_EQ(r.Text("title-before"), "Morning Jingle");
    EXPECT_EQ(r.Text("title-after"), "Morning Jingle");
    EXPECT_TRUE(testsupport::ReadFile(path) == bytes) << "the item's file is as it was";
}

// A title typed in part, the caret in it, and another program looked at: coming back leaves
// the text and the caret as they were, and the next key goes in at the caret.
TEST_F(ScreenTest, TextTypedInADetailBoxSurvivesTheWindowGoingAndComingBack) {
    StartX(1366, 768);
    if (IsSkipped()) return;
    fs::remove_all(home.path() / "registry");
    const Report r = RunProgram("return", {Item()});
    EXPECT_EQ(r.exit, 0) << r.Errors();
    EXPECT_EQ(r.Errors(), "");
    EXPECT_EQ(r.Text("clicked-selected"), "Morning Jingle") << "a click into the box selects its text";
    EXPECT_EQ(r.Text("typed-text"), "Morning News");
    EXPECT_EQ(r.Numbers("typed-caret"), (std::vector<long long>{7}));
    EXPECT_EQ(r.Text("away"), "inactive");
    EXPECT_EQ(r.Text("back-text"), "Morning News");
    EXPECT_EQ(r.Numbers("back-caret"), (std::vector<long long>{7}));
    EXPECT_EQ(r.Text("back-selected"), "") << "coming back selects nothing";
    EXPECT_EQ(r.Text("next-text"), "Morning, News");
}

TEST_F(ScreenTest, TenRestartsKeepTheWindowsPlaceAndSizeOnTheScreen) {
    StartX(1366, 768);
    if (IsSkipped()) return;
    std::vector<std::vector<long long>> frames;
    for (int run = 0; run <= 10; ++run) {
        const Report r = RunProgram("restart");
        ASSERT_EQ(r.exit, 0) << "start " << run << ": " << r.Errors();
        ASSERT_EQ(r.Errors(), "") << "start " << run;
        frames.push_back(r.Numbers("frame"));
        ASSERT_EQ(frames.back().size(), 4u) << "start " << run;
        EXPECT_EQ(frames.back(), frames.front()) << "start " << run << " against the first";
    }
    // The first start has nothing stored: the window opens at its design size, 800 x 600.
    EXPECT_EQ(frames.front()[2], 800);
    EXPECT_EQ(frames.front()[3], 600);

    // A window stored larger than this screen, its title bar on it, opens as it was stored.
    StorePosition(79, 40, 1459, 1128);
    const Report r = RunProgram("restart");
    EXPECT_EQ(r.Errors(), "");
    EXPECT_EQ(r.Numbers("frame"), (std::vector<long long>{79, 40, 1459, 1128}));
}

// A window moved to the screen's left or top edge and closed there opens there next time
// (a coordinate of 0 is what the stored place leaves out).
TEST_F(ScreenTest, AWindowClosedAtTheLeftOrTopEdgeComesBackThere) {
    StartX(1366, 768);
    if (IsSkipped()) return;
    struct Case {
        const char* what;
        int left, top;
    } cases[] = {{"the left edge", 0, 100}, {"the top edge", 200, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(home.path() / "registry");
        const Report moved = RunProgram("move", {std::to_string(c.left), std::to_string(c.top)});
        ASSERT_EQ(moved.exit, 0) << moved.Errors();
        EXPECT_EQ(moved.Errors(), "");
        const auto closed = moved.Numbers("frame");
        ASSERT_EQ(closed.size(), 4u);
        ASSERT_EQ(closed[0], c.left) << "the window manager moved the window there";
        ASSERT_EQ(closed[1], c.top);
        const Report next = RunProgram("restart");
        EXPECT_EQ(next.Errors(), "");
        EXPECT_EQ(next.Numbers("frame"), closed);
    }
}

// Two screens side by side, the right one taller: a stored place comes back as stored wherever
// its title bar is on a screen, and is brought onto a screen only where none shows it.
TEST_F(ScreenTest, StoredPlacesAcrossTwoScreensComeBackUnlessOutOfReach) {
    const std::vector<long long> left{0, 0, 1366, 768}, right{1366, 0, 1024, 1024};
    StartX(2390, 1024, {"1366x768+0+0", "1024x1024+1366+0"});
    if (IsSkipped()) return;
    struct Case {
        const char* what;
        int left, top, width, height;
        bool kept;
    } cases[] = {
        {"spread over both screens", 1000, 100, 900, 600, true},
        {"partly off the left screen", -200, 100, 800, 600, true},
        {"partly off the bottom of the right screen", 1500, 700, 850, 600, true},
        {"under the left screen, where no screen is", 100, 850, 850, 600, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StorePosition(c.left, c.top, c.width, c.height);
        const Report r = RunProgram("restart");
        ASSERT_EQ(r.exit, 0) << r.Errors();
        EXPECT_EQ(r.Errors(), "");
        ASSERT_EQ(r.Numbers("screens"), (std::vector<long long>{2})) << "the program sees both screens";
        const std::vector<long long> stored{c.left, c.top, c.width, c.height};
        const auto frame = r.Numbers("frame");
        if (c.kept) {
            EXPECT_EQ(frame, stored);
        } else {
            EXPECT_TRUE(Inside(frame, left) || Inside(frame, right)) << Inside(frame, left).message();
            ASSERT_EQ(frame.size(), 4u);
            EXPECT_EQ(frame[2], c.width) << "a window that fits keeps its size";
            EXPECT_EQ(frame[3], c.height);
        }
    }
}

} // namespace
