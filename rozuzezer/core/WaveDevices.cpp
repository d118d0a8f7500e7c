#include "rozuzezer/core/WaveDevices.h"

#include "platform/devices/Devices.h"

#include <vector>

namespace rozuzezer::MultimediaAPI {

namespace {

using platform::devices::DeviceCaps;
using platform::devices::Direction;

bool Suitable(const DeviceCaps& caps, std::uint32_t bit) { return bit != 0 && (caps.formats & bit); }

// The highest suitable device number of one kind, or 0.
std::int16_t LastSuitable(Direction d, std::int32_t sampleRate, std::int16_t channels) {
    const std::uint32_t bit = platform::devices::Format16Bit(sampleRate, channels);
    const auto list = platform::devices::Devices();
    const auto& devices = list.Of(d);
    std::int16_t last = 0;
    for (std::size_t i = 0; i < devices.size(); ++i)
        if (Suitable(devices[i], bit)) last = static_cast<std::int16_t>(i);
    return last;
}

} // namespace

std::int16_t FindSuitableWaveOutDevice(std::int16_t StartIndex, std::int32_t SampleRate,
                                       std::int16_t Channels) {
    const std::uint32_t bit = platform::devices::Format16Bit(SampleRate, Channels);
    const auto list = platform::devices::Devices();
    const auto& devices = list.outputs;
    for (std::size_t i = StartIndex < 0 ? 0 : static_cast<std::size_t>(StartIndex);
         i < devices.size(); ++i)
        if (Suitable(devices[i], bit)) return static_cast<std::int16_t>(i);
    return -1;
}

std::int16_t CountSuitableWaveOutDevices(std::int32_t SampleRate, std::int16_t Channels) {
    const std::uint32_t bit = platform::devices::Format16Bit(SampleRate, Channels);
    const auto list = platform::devices::Devices();
    std::int16_t n = 0;
    for (const auto& caps : list.outputs)
        if (Suitable(caps, bit)) ++n;
    return n;
}

std::int16_t LastSuitableWaveOutDevice(std::int32_t SampleRate, std::int16_t Channels) {
    return LastSuitable(Direction::Output, SampleRate, Channels);
}

std::int16_t LastSuitableWaveInDevice(std::int32_t SampleRate, std::int16_t Channels) {
    return LastSuitable(Direction::Input, SampleRate, Channels);
}

} // namespace rozuzezer::MultimediaAPI
