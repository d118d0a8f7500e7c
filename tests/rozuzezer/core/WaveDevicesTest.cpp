#include "rozuzezer/core/WaveDevices.h"

#include "platform/devices/Devices.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

using namespace rozuzezer::MultimediaAPI;
using platform::devices::DeviceList;
using platform::devices::ScopedFakeDevices;

namespace {

DeviceList Outputs(std::initializer_list<std::uint32_t> formats,
                   std::initializer_list<std::uint32_t> inputs = {}) {
    DeviceList list;
    for (auto f : formats) list.outputs.push_back({"out", f, 2, 0, -1});
    for (auto f : inputs) list.inputs.push_back({"in", f, 2, 0, -1});
    list.defaultOutput = list.outputs.empty() ? -1 : 0;
    list.defaultInput = list.inputs.empty() ? -1 : 0;
    return list;
}

} // namespace

TEST(WaveDevices, OnlyTheSecondOfTwoPlays44kMono) {
    ScopedFakeDevices devices(Outputs({0x800, 0x400}));
    EXPECT_EQ(FindSuitableWaveOutDevice(0, 44100, 1), 1);
    EXPECT_EQ(FindSuitableWaveOutDevice(1, 44100, 1), 1);
    EXPECT_EQ(FindSuitableWaveOutDevice(2, 44100, 1), -1);
    EXPECT_EQ(FindSuitableWaveOutDevice(-3, 44100, 1), 1);
    EXPECT_EQ(CountSuitableWaveOutDevices(44100, 1), 1);
    EXPECT_EQ(LastSuitableWaveOutDevice(44100, 1), 1);
    // Device 0 is stereo only: suitable for two channels, and for "any other" count.
    EXPECT_EQ(FindSuitableWaveOutDevice(0, 44100, 2), 0);
    EXPECT_EQ(FindSuitableWaveOutDevice(0, 44100, 6), 0);
    EXPECT_EQ(CountSuitableWaveOutDevices(44100, 2), 1);
    EXPECT_EQ(LastSuitableWaveOutDevice(44100, 2), 0);
}

TEST(WaveDevices, RatesWithoutA16BitBitFindNothing) {
    ScopedFakeDevices devices(Outputs({0xFFF, 0xFFF}, {0xFFF}));
    for (int rate : {48000, 8000, 0}) {
        EXPECT_EQ(FindSuitableWaveOutDevice(0, rate, 1), -1);
        EXPECT_EQ(CountSuitableWaveOutDevices(rate, 1), 0);
        EXPECT_EQ(LastSuitableWaveOutDevice(rate, 1), 0);
        EXPECT_EQ(LastSuitableWaveInDevice(rate, 1), 0);
    }
    // 8-bit bits alone do not make a device suitable.
    ScopedFakeDevices eightBit(Outputs({0x100 | 0x200}, {0x111}));
    EXPECT_EQ(CountSuitableWaveOutDevices(44100, 1), 0);
    EXPECT_EQ(FindSuitableWaveOutDevice(0, 11025, 1), -1);
}

TEST(WaveDevices, EachRateAndChannelCountHasItsBit) {
    ScopedFakeDevices devices(Outputs({0x4, 0x8, 0x40, 0x80, 0x400, 0x800},
                                      {0x800, 0x400, 0x400, 0x4}));
    const std::tuple<int, int, int> cases[] = {
        {11025, 1, 0}, {11025, 2, 1}, {22050, 1, 2}, {22050, 2, 3}, {44100, 1, 4}, {44100, 2, 5},
    };
    for (auto [rate, channels, device] : cases) {
        EXPECT_EQ(FindSuitableWaveOutDevice(0, rate, static_cast<std::int16_t>(channels)), device);
        EXPECT_EQ(CountSuitableWaveOutDevices(rate, static_cast<std::int16_t>(channels)), 1);
    }
    EXPECT_EQ(LastSuitableWaveInDevice(44100, 1), 2);
    EXPECT_EQ(LastSuitableWaveInDevice(44100, 2), 0);
    EXPECT_EQ(LastSuitableWaveInDevice(11025, 1), 3);
}

TEST(WaveDevices, NoDevicesAtAll) {
    ScopedFakeDevices devices(Outputs({}));
    EXPECT_EQ(FindSuitableWaveOutDevice(0, 44100, 1), -1);
    EXPECT_EQ(CountSuitableWaveOutDevices(44100, 1), 0);
    EXPECT_EQ(LastSuitableWaveOutDevice(44100, 1), 0);
    EXPECT_EQ(LastSuitableWaveInDevice(44100, 1), 0);
}

TEST(WaveDevices, ThisMachineAnswersQuietly) {
    // No fake list and no variable: the real sound system is asked.
    platform::devices::SetFakeDevices(std::nullopt);
    testsupport::ScopedEnv noVariable("BREVANT_FAKE_DEVICES", std::nullopt);
    testsupport::TempDir dir("stderr");
    std::string path = dir / "stderr.txt";
    std::fflush(stderr);
    int saved = ::dup(2);
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 2);
    ::close(fd);
    std::int16_t find = FindSuitableWaveOutDevice(0, 44100, 1);
    std::int16_t count = CountSuitableWaveOutDevices(44100, 1);
    std::int16_t lastOut = LastSuitableWaveOutDevice(44100, 1);
    std::int16_t lastIn = LastSuitableWaveInDevice(44100, 1);
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    EXPECT_EQ(testsupport::ReadFile(path), "");
    if (count == 0) {
        EXPECT_EQ(find, -1);
        EXPECT_EQ(lastOut, 0);
    } else {
        EXPECT_GE(find, 0);
        EXPECT_GE(lastOut, find);
    }
    EXPECT_GE(lastIn, 0);
}
