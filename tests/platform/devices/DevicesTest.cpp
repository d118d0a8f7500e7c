#include "platform/devices/Devices.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <alsa/asoundlib.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>

using namespace platform::devices;
using testsupport::ScopedEnv;
using testsupport::TempDir;

namespace {

// Runs `work` with fd 2 pointing at a file and returns what reached it.
std::string CaptureStderr(const std::function<void()>& work) {
    TempDir dir("stderr");
    std::string path = dir / "stderr.txt";
    std::fflush(stderr);
    int saved = ::dup(2);
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 2);
    ::close(fd);
    work();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    return testsupport::ReadFile(path);
}

bool MachineHasSoundCard() {
    std::error_code ec;
    std::string cards = std::filesystem::exists("/proc/asound/cards", ec)
                            ? testsupport::ReadFile("/proc/asound/cards")
                            : std::string();
    return cards.find("no soundcards") == std::string::npos && cards.find('[') != std::string::npos;
}

// Every test starts from "no fake list, no variable".
class Devices_ : public ::testing::Test {
protected:
    void SetUp() override { SetFakeDevices(std::nullopt); }
    void TearDown() override { SetFakeDevices(std::nullopt); }
    ScopedEnv noVariable_{"BREVANT_FAKE_DEVICES", std::nullopt};
};

} // namespace

TEST(DeviceFormats, SixteenBitBitsByRateAndChannels) {
    const std::tuple<int, int, std::uint32_t> cases[] = {
        {11025, 1, 0x4},   {11025, 2, 0x8},   {22050, 1, 0x40}, {22050, 2, 0x80},
        {44100, 1, 0x400}, {44100, 2, 0x800}, {44100, 6, 0x800}, {44100, 0, 0x800},
        {48000, 1, 0},     {8000, 2, 0},      {0, 1, 0},
    };
    for (auto [rate, channels, bit] : cases)
        EXPECT_EQ(Format16Bit(rate, channels), bit) << rate << " Hz, " << channels << " ch";
}

TEST(DeviceListText, ReadsDevicesAndSkipsWhatItCannotRead) {
    std::vector<std::string> problems;
    DeviceList list = ParseDeviceList("# two players and a recorder\n"
                                      "out 0x0FFF Desk speakers\r\n"
                                      "  OUT 3072 mid=2  Studio card 2  \n"
                                      "in 0x400 Line in; out 0x4 Mono; side 0x4 Nope\n"
                                      "out 0xZZ Bad bits\n"
                                      "out 0x1FFFFFFFF Too big\n"
                                      "in 0x4 mid=70000 Bad id\n"
                                      "\n",
                                      &problems);
    ASSERT_EQ(list.outputs.size(), 3u);
    EXPECT_EQ(list.outputs[0], (DeviceCaps{"Desk speakers", 0xFFF, 2, 0, -1}));
    EXPECT_EQ(list.outputs[1], (DeviceCaps{"Studio card 2", 0xC00, 2, 2, -1}));
    EXPECT_EQ(list.outputs[2], (DeviceCaps{"Mono", 0x4, 1, 0, -1}));
    ASSERT_EQ(list.inputs.size(), 1u);
    EXPECT_EQ(list.inputs[0].name, "Line in");
    EXPECT_EQ(list.defaultOutput, 0);
    EXPECT_EQ(list.defaultInput, 0);
    ASSERT_EQ(problems.size(), 4u);
    EXPECT_EQ(problems[0].rfind("line 6:", 0), 0u) << problems[0];
    EXPECT_EQ(problems[3].rfind("line 9:", 0), 0u) << problems[3];

    // In a file only line breaks separate, so a name may hold ";".
    list = ParseDeviceList("out 4 A; B\n", nullptr, false);
    ASSERT_EQ(list.outputs.size(), 1u);
    EXPECT_EQ(list.outputs[0].name, "A; B");

    list = ParseDeviceList("");
    EXPECT_TRUE(list.outputs.empty());
    EXPECT_EQ(list.defaultOutput, -1);
}

TEST_F(Devices_, FakeListAnswersEveryQuery) {
    DeviceList fake;
    fake.outputs = {{"One", 0x8, 2, 0, -1}, {"Two", 0x400, 1, 0, -1}};
    fake.inputs = {{"Mic", 0x4, 1, 7, -1}};
    fake.defaultOutput = 1;
    fake.defaultInput = 0;
    ScopedFakeDevices devices(fake);
    EXPECT_EQ(DeviceCount(Direction::Output), 2);
    EXPECT_EQ(DeviceCount(Direction::Input), 1);
    EXPECT_EQ(GetDeviceCaps(Direction::Output, -1)->name, "Two");
    EXPECT_EQ(GetDeviceCaps(Direction::Output, 0)->name, "One");
    EXPECT_EQ(GetDeviceCaps(Direction::Input, 0)->manufacturerId, 7);
    EXPECT_FALSE(GetDeviceCaps(Direction::Output, 2));
    EXPECT_FALSE(GetDeviceCaps(Direction::Output, -2));
    EXPECT_FALSE(GetDeviceCaps(Direction::Input, 1));
}

TEST_F(Devices_, EnvironmentVariableInlineOrFile) {
    {
        ScopedEnv env("BREVANT_FAKE_DEVICES", "out 0x400 A;out 0x800 B;in 0x4 C");
        EXPECT_EQ(DeviceCount(Direction::Output), 2);
        EXPECT_EQ(GetDeviceCaps(Direction::Output, 1)->name, "B");
        EXPECT_EQ(GetDeviceCaps(Direction::Input, -1)->name, "C");
    }
    {
        TempDir dir("devices");
        testsupport::WriteFile(dir / "devices.txt", "out 0x400 Card; with semicolon\n");
        ScopedEnv env("BREVANT_FAKE_DEVICES", dir / "devices.txt");
        ASSERT_EQ(DeviceCount(Direction::Output), 1);
        EXPECT_EQ(GetDeviceCaps(Direction::Output, 0)->name, "Card; with semicolon");
        // A list set in code wins over the variable.
        DeviceList none;
        ScopedFakeDevices devices(none);
        EXPECT_EQ(DeviceCount(Direction::Output), 0);
    }
    {
        ScopedEnv env("BREVANT_FAKE_DEVICES", "");
        EXPECT_EQ(DeviceCount(Direction::Output), 0);
        EXPECT_EQ(DeviceCount(Direction::Input), 0);
    }
}

TEST_F(Devices_, SnapshotReadsTheListOnce) {
    TempDir dir("devices");
    std::string file = dir / "devices.txt";
    testsupport::WriteFile(file, "out 4 A\n");
    ScopedEnv env("BREVANT_FAKE_DEVICES", file);
    {
        ScopedSnapshot outer;
        EXPECT_EQ(DeviceCount(Direction::Output), 1);
        testsupport::WriteFile(file, "out 4 A\nout 4 B\n");
        {
            ScopedSnapshot inner;
            EXPECT_EQ(DeviceCount(Direction::Output), 1);
        }
        EXPECT_EQ(DeviceCount(Direction::Output), 1);
    }
    // Without a snapshot every call reads afresh.
    EXPECT_EQ(DeviceCount(Direction::Output), 2);
    testsupport::WriteFile(file, "");
    EXPECT_EQ(DeviceCount(Direction::Output), 0);
}

TEST_F(Devices_, RealDevicesProbeWithoutNoise) {
    DeviceList list;
    std::string noise = CaptureStderr([&] {
        list = Devices();
        // Twice: PortAudio is initialised and terminated on every reading.
        list = Devices();
    });
    EXPECT_EQ(noise, "");
    if (!MachineHasSoundCard()) {
        EXPECT_TRUE(list.outputs.empty());
        EXPECT_TRUE(list.inputs.empty());
        EXPECT_EQ(GetDeviceCaps(Direction::Output, -1), std::nullopt);
    }
    for (const auto& caps : list.outputs) {
        EXPECT_GE(caps.hostIndex, 0);
        EXPECT_EQ(caps.formats & ~0xCCCu, 0u) << "only the 16-bit bits are probed";
    }
}

TEST(QuietAudioScope, SilencesAndRestoresStderr) {
    std::string text = CaptureStderr([] {
        {
            QuietAudioScope outer;
            {
                QuietAudioScope inner;
                std::fputs("hidden 1\n", stderr);
            }
            std::fputs("hidden 2\n", stderr);
        }
        std::fputs("shown\n", stderr);
    });
    EXPECT_EQ(text, "shown\n");
}

TEST_F(Devices_, BadVariableWarnsOnceAndKeepsTheGoodLines) {
    ScopedEnv env("BREVANT_FAKE_DEVICES", "out 0x400 Good;bogus line");
    int count = 0;
    std::string first = CaptureStderr([&] { count = DeviceCount(Direction::Output); });
    EXPECT_EQ(count, 1);
    EXPECT_NE(first.find("BREVANT_FAKE_DEVICES: line 2"), std::string::npos) << first;
    std::string second = CaptureStderr([&] { count = DeviceCount(Direction::Output); });
    EXPECT_EQ(second, "");
}

namespace {
int alsaMessages = 0;
extern "C" void CountingAlsaHandler(const char*, int, const char*, int, const char*, ...) { ++alsaMessages; }
} // namespace

TEST(QuietAudioScope, KeepsAnAlsaHandlerInstalledBeforeIt) {
    snd_lib_error_set_handler(&CountingAlsaHandler);
    {
        QuietAudioScope quiet;
        EXPECT_NE(snd_lib_error, &CountingAlsaHandler);
        snd_lib_error("x.c", 1, "f", 0, "hidden");
    }
    EXPECT_EQ(snd_lib_error, &CountingAlsaHandler);
    snd_lib_error("x.c", 1, "f", 0, "counted");
    EXPECT_EQ(alsaMessages, 1);
    snd_lib_error_set_handler(nullptr);
}
