#include "editor/shell/ErrorReport.h"

#include "ShellFixture.h"
#include "platform/base/DateTime.h"
#include "platform/base/Error.h"
#include "platform/base/MessageBox.h"

#include <array>
#include <filesystem>

using namespace lumoedit;
namespace sfs = std::filesystem;

namespace {

class ErrorLogTest : public ShellTest {
protected:
    double now = platform::DateSerial(2026, 12, 10) + platform::TimeSerial(8, 7, 27);
    LogClock oldClock;
    void SetUp() override {
        ShellTest::SetUp();
        oldClock = SetLogClock([this] { return now; });
        WriteLog("reset", -1, logResetLevel); // nesting is program-wide: start from none
        ClearLogs();
    }
    void TearDown() override {
        SetLogClock(oldClock);
        ShellTest::TearDown();
    }
    std::string LogOf(int y, int m, int d) {
        return testsupport::ReadFile(LogFilePath(platform::DateSerial(y, m, d)));
    }
    void ClearLogs() {
        for (auto& e : sfs::directory_iterator(dir / "c")) sfs::remove(e.path());
    }
    int LogFiles() {
        int n = 0;
        for ([[maybe_unused]] auto& e : sfs::directory_iterator(dir / "c")) ++n;
        return n;
    }
};

} // namespace

TEST_F(ErrorLogTest, TheDailyFileSitsInTheRootOfDriveC) {
    helpers::Utility().SetDebugLevel(-1);
    EXPECT_EQ(LogFilePath(now), dir / "c/LumoEdit.20261210.log");
    WriteLog("Form_Load", -1, logOpenLevel);
    WriteLog("LoadSettings");
    WriteLog("Form_Load (End)", -1, logCloseLevel);
    EXPECT_EQ(LogOf(2026, 12, 10), "08:07:27 Form_Load\r\n08:07:27     LoadSettings\r\n"
                                   "08:07:27 Form_Load (End)\r\n");
    // The first line after midnight goes to the new day's file.
    now = platform::DateSerial(2026, 12, 11) + platform::TimeSerial(0, 0, 1);
    WriteLog("after midnight");
    EXPECT_EQ(LogOf(2026, 12, 11), "00:00:01 after midnight\r\n");
    EXPECT_EQ(LogFiles(), 2);
}

TEST_F(ErrorLogTest, LevelsDecideWhatIsWritten) {
    const struct {
        std::int32_t debugLevel;
        std::int32_t lineLevel;
        bool written;
    } cases[] = {
        {0, -1, false}, {0, 1, false}, {-1, -1, true}, {-1, 99, true},
        {3, -1, false}, {3, 5, false}, {3, 2, true},  {3, 3, true},
        {5, -1, true},
    };
    for (const auto& c : cases) {
        ClearLogs();
        helpers::Utility().SetDebugLevel(c.debugLevel);
        WriteLog("line", c.lineLevel, logPlain);
        EXPECT_EQ(LogFiles(), c.written ? 1 : 0) << c.debugLevel << " / " << c.lineLevel;
    }
}

TEST_F(ErrorLogTest, NestingOpensClosesAndResets) {
    helpers::Utility().SetDebugLevel(-1);
    WriteLog("a", -1, logCloseLevel); // never below 0
    EXPECT_EQ(LogNestingLevel(), 0);
    WriteLog("b", -1, logOpenLevel);
    WriteLog("c", -1, logOpenLevel);
    WriteLog("d", -1, 42); // unknown kinds are plain lines
    EXPECT_EQ(LogNestingLevel(), 2);
    // Level 0 writes nothing and leaves the nesting alone.
    helpers::Utility().SetDebugLevel(0);
    WriteLog("e", -1, logResetLevel);
    EXPECT_EQ(LogNestingLevel(), 2);
    helpers::Utility().SetDebugLevel(-1);
    WriteLog("f", -1, logResetLevel);
    EXPECT_EQ(LogNestingLevel(), 0);
    EXPECT_EQ(LogOf(2026, 12, 10), "08:07:27 a\r\n08:07:27 b\r\n08:07:27     c\r\n"
                                   "08:07:27         d\r\n08:07:27 f\r\n");
}

TEST_F(ErrorLogTest, ALogThatCannotBeWrittenIsIgnored) {
    helpers::Utility().SetDebugLevel(-1);
    testsupport::WriteFile(dir / "drives.map", "C: fixed " + (dir / "missing") + "\n");
    WriteLog("lost", -1, logOpenLevel);
    EXPECT_FALSE(sfs::exists(dir / "missing"));
    EXPECT_EQ(LogNestingLevel(), 1); // the line is lost, not the bookkeeping
}

TEST_F(ErrorLogTest, ProblemMessagesAreShownAndLogged) {
    platform::ScopedScriptedMessageBoxes boxes;
    helpers::Utility().SetDebugLevel(-1);
    const std::string m = ShowError("  while printing. ", " Printer not ready ", false);
    EXPECT_EQ(m, "There was a problem while printing. and the error's description was reported as : "
                 "\n\n\"Printer not ready\"");
    ASSERT_EQ(boxes->Shown().size(), 1u);
    EXPECT_EQ(boxes->Shown()[0].text, m);
    EXPECT_EQ(boxes->Shown()[0].icon, platform::MsgIcon::Exclamation);
    EXPECT_EQ(boxes->Shown()[0].buttons, platform::MsgButtons::OK);
    EXPECT_EQ(boxes->Shown()[0].title, platform::ApplicationTitle());

    EXPECT_EQ(ShowError("deleting the picture", "", false), "There was a problem deleting the picture");
    EXPECT_EQ(ShowError("silently", "x", true), "There was a problem silently and the error's description "
                                                "was reported as : \n\n\"x\"");
    EXPECT_EQ(boxes->Shown().size(), 2u); // the silent one showed nothing
    const std::string log = LogOf(2026, 12, 10);
    EXPECT_NE(log.find("08:07:27 There was a problem while printing."), std::string::npos);
    EXPECT_NE(log.find("08:07:27 There was a problem silently"), std::string::npos);

    // Messages are logged at level 5: a debug level of 3 drops them.
    ClearLogs();
    helpers::Utility().SetDebugLevel(3);
    ShowError("x", "y", true);
    EXPECT_EQ(LogFiles(), 0);
}

TEST_F(ErrorLogTest, ReportErrorDescribesTheErrorBeingHandled) {
    platform::ScopedScriptedMessageBoxes boxes;
    // A number with a standard text shows that text, not the error's own description.
    try {
        platform::Raise(53, "/srv/audio/x.wav is gone");
    } catch (...) {
        EXPECT_EQ(CurrentErrorNumber(), 53);
        EXPECT_EQ(ReportError("displaying the picture", CurrentErrorNumber(), false),
                  "There was a problem displaying the picture and the error's description was "
                  "reported as : \n\n\"File not found\"");
    }
    // A number of our own: the error's description and its number.
    try {
        platform::Raise(31001, "The cart host went away");
    } catch (const platform::RuntimeError& e) {
        EXPECT_EQ(ReportError("moving the other pictures up", e.Number(), false),
                  "There was a problem moving the other pictures up and the error's description "
                  "was reported as : \n\n\"The cart host went away (31001)\"");
        // Another number than the one being handled: no description to give.
        EXPECT_EQ(ReportError("x", 31002, true), "There was a problem x");
    }
    try {
        throw std::runtime_error("disk on fire");
    } catch (...) {
        EXPECT_EQ(ReportError("saving", CurrentErrorNumber(), true),
                  "There was a problem saving and the error's description was reported as : "
                  "\n\n\"disk on fire (1)\"");
    }
    EXPECT_EQ(ReportError("removing the file template from File : /tmp/x.wav", 0, false),
              "There was a problem removing the file template from File : /tmp/x.wav");
    EXPECT_EQ(CurrentErrorNumber(), 0);
    EXPECT_EQ(boxes->Shown().size(), 3u);
}

TEST_F(ErrorLogTest, TheMousePointerIsAnArrowWhileTheBoxIsUp) {
    platform::ScopedScriptedMessageBoxes boxes;
    std::vector<std::int32_t> set;
    auto old = SetMousePointerHooks({[] { return 11; }, [&](std::int32_t p) { set.push_back(p); }});
    ShowError("x", "", false);
    SetMousePointerHooks(old);
    EXPECT_EQ(set, (std::vector<std::int32_t>{0, 11}));
}

TEST(StringToBytesTest, FillsTheWholeArray) {
    const struct {
        const char* text;
        std::size_t size;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"cart", 4, {'c', 'a', 'r', 't'}},
        {"cart", 6, {'c', 'a', 'r', 't', 0, 0}},
        {"cart", 2, {'c', 'a'}},
        {"", 3, {0, 0, 0}},
        {"\xc3\xa9t\xc3\xa9", 4, {0xE9, 't', 0xE9, 0}}, // ANSI codes, not UTF-8 bytes
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> bytes(c.size, 0xAA);
        StringToBytes(bytes, c.text);
        EXPECT_EQ(bytes, c.bytes) << c.text;
    }
    std::array<std::uint8_t, 4> fourcc{};
    StringToBytes(fourcc, "fmt ");
    EXPECT_EQ(fourcc[3], ' ');
}
