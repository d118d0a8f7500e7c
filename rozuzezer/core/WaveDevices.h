// Which wave devices can play or record 16-bit audio at a given rate and channel count.
// Device numbers are zero-based; the lists are read afresh on every call (or from the
// snapshot a caller holds, see platform/devices/Devices.h).
#pragma once

#include <cstdint>

namespace rozuzezer::MultimediaAPI {

// The lowest suitable output device at or after StartIndex; -1 when there is none. A
// negative StartIndex counts from device 0.
std::int16_t FindSuitableWaveOutDevice(std::int16_t StartIndex, std::int32_t SampleRate,
                                       std::int16_t Channels);
// How many output devices are suitable.
std::int16_t CountSuitableWaveOutDevices(std::int32_t SampleRate, std::int16_t Channels);
// The highest suitable output / input device; 0 when there is none, so callers that must
// tell "device 0" from "none" ask Count or Find instead.
std::int16_t LastSuitableWaveOutDevice(std::int32_t SampleRate, std::int16_t Channels);
std::int16_t LastSuitableWaveInDevice(std::int32_t SampleRate, std::int16_t Channels);

} // namespace rozuzezer::MultimediaAPI
