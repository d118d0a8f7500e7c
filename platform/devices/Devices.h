// The computer's wave-out (playback) and wave-in (recording) devices and the 16-bit formats
// each can handle, numbered as the settings store them: 0 .. count-1, and -1 for the system's
// default device.
//
// With a sound server reachable (PulseAudio, or PipeWire through its PulseAudio service) the
// devices are its sinks (outputs) and sources (inputs, monitors included), under the
// descriptions it gives them, in its order; the default device is its default sink or source.
// Otherwise they come from PortAudio's default host API (ALSA here). Asking the sound system
// is noisy (ALSA and JACK print to stderr when there is no card or no server), so every
// probe runs inside a QuietAudioScope.
//
// A fake device list replaces the real one: set by code (SetFakeDevices, ScopedFakeDevices)
// or, for a whole program, by the environment variable BREVANT_FAKE_DEVICES, which holds
// either the path of a file or the list itself:
//
//     out 0x0FFF Desk speakers          one device per line (";" also separates in the
//     out 0x0C00 mid=2 Studio card 2    inline form); kind "out" or "in", the format bits
//     in  0x0FFF Line in                (hex with 0x, or decimal), optionally mid=<n> the
//     # a comment                       manufacturer id, the rest of the line the name.
//
// The default device (-1) of a fake list is its first device of that kind. An empty value
// means a computer without devices. A line that cannot be read is skipped (one warning on
// stderr per process), so a typo never stops the program.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::devices {

// Format bits of a device's capability set, as the multimedia API numbers them.
inline constexpr std::uint32_t WAVE_FORMAT_1M08 = 0x1;
inline constexpr std::uint32_t WAVE_FORMAT_1S08 = 0x2;
inline constexpr std::uint32_t WAVE_FORMAT_1M16 = 0x4;
inline constexpr std::uint32_t WAVE_FORMAT_1S16 = 0x8;
inline constexpr std::uint32_t WAVE_FORMAT_2M08 = 0x10;
inline constexpr std::uint32_t WAVE_FORMAT_2S08 = 0x20;
inline constexpr std::uint32_t WAVE_FORMAT_2M16 = 0x40;
inline constexpr std::uint32_t WAVE_FORMAT_2S16 = 0x80;
inline constexpr std::uint32_t WAVE_FORMAT_4M08 = 0x100;
inline constexpr std::uint32_t WAVE_FORMAT_4S08 = 0x200;
inline constexpr std::uint32_t WAVE_FORMAT_4M16 = 0x400;
inline constexpr std::uint32_t WAVE_FORMAT_4S16 = 0x800;

// The 16-bit bit for a rate and channel count (1 = mono, anything else stereo); 0 for a rate
// other than 11025, 22050 or 44100.
std::uint32_t Format16Bit(std::int32_t sampleRate, std::int32_t channels);

enum class Direction { Output, Input };

struct DeviceCaps {
    std::string name;
    std::uint32_t formats = 0;        // WAVE_FORMAT_* bits
    std::uint16_t channels = 0;       // most channels the device takes
    std::uint16_t manufacturerId = 0; // 0: unknown (real devices do not report one)
    int hostIndex = -1;               // PortAudio's device index; -1 for a fake or a server device

    bool operator==(const DeviceCaps&) const = default;
};

struct DeviceList {
    std::vector<DeviceCaps> outputs;
    std::vector<DeviceCaps> inputs;
    int defaultOutput = -1; // index into outputs, -1: none
    int defaultInput = -1;

    const std::vector<DeviceCaps>& Of(Direction d) const {
        return d == Direction::Output ? outputs : inputs;
    }
};

// The devices as they are now (or the fake list). Each call reads the list afresh, unless a
// ScopedSnapshot is alive.
DeviceList Devices();

// Number of devices of one kind.
int DeviceCount(Direction d);

// Capabilities of device `index` (0 .. count-1, or -1 for the default device); nullopt when
// there is no such device.
std::optional<DeviceCaps> GetDeviceCaps(Direction d, int index);

// While one of these is alive, Devices() reads the list once and answers every later call
// from that reading, so a caller that asks many questions in a row (loading a profile) sees
// one consistent list and pays for one probe. Nests.
class ScopedSnapshot {
public:
    ScopedSnapshot();
    ~ScopedSnapshot();
    ScopedSnapshot(const ScopedSnapshot&) = delete;
    ScopedSnapshot& operator=(const ScopedSnapshot&) = delete;
};

// Replaces the real devices by `list` (nullopt: back to the environment variable, or to the
// real devices when it is not set).
void SetFakeDevices(std::optional<DeviceList> list);

class ScopedFakeDevices {
public:
    explicit ScopedFakeDevices(DeviceList list);
    ~ScopedFakeDevices();
    ScopedFakeDevices(const ScopedFakeDevices&) = delete;
    ScopedFakeDevices& operator=(const ScopedFakeDevices&) = delete;

private:
    std::optional<DeviceList> previous_;
};

// Reads a device list in the form described above. Lines that cannot be read are left out
// and described in `problems` (when given), one text per line, with its line number.
DeviceList ParseDeviceList(std::string_view text, std::vector<std::string>* problems = nullptr,
                           bool semicolonSeparates = true);

// PortAudio for the program's streams. A stream takes it with AcquirePortAudio (0, or
// PortAudio's error number) and gives it back with ReleasePortAudio; between streams it stays
// started, so the next stream need not scan the sound system again. Reading the device list
// while no stream is open starts it afresh, so the list is never an old one, and so does
// `fresh`.
int AcquirePortAudio(bool fresh = false);
void ReleasePortAudio();
// Where a stream to device `index` of the list goes (-1: the default device), with PortAudio
// acquired; nullopt when there is no such device. A fake list's devices go to their PortAudio
// index, its default device to PortAudio's.
struct StreamTarget {
    int portAudioIndex = -1; // a PortAudio device; -1: the ALSA device below
    std::string alsaDevice;  // ALSA's PulseAudio plugin, aimed at the server's sink or source
    std::string serverName;  // that sink or source; empty: the server's default, followed as it changes
    std::string name;        // the device's name in the list
};
std::optional<StreamTarget> FindStreamTarget(Direction d, int index);

// Keeps a started stream on the sound server's sink or source `serverName`: should that
// device go away, the server would move the stream to another one; it is ended there at once
// instead, and Lost() turns true.
class ServerStreamWatch {
public:
    ServerStreamWatch(Direction d, const std::string& serverName);
    ~ServerStreamWatch();
    ServerStreamWatch(const ServerStreamWatch&) = delete;
    ServerStreamWatch& operator=(const ServerStreamWatch&) = delete;
    bool Lost() const;

private:
    std::shared_ptr<void> watcher_;
    std::uint64_t id_ = 0;
    std::shared_ptr<std::atomic<bool>> lost_;
};

// Silences the sound system's diagnostics while alive: ALSA's error handler is replaced by a
// silent one and standard error (fd 2) points at /dev/null. Nests; the outermost restores.
class QuietAudioScope {
public:
    QuietAudioScope();
    ~QuietAudioScope();
    QuietAudioScope(const QuietAudioScope&) = delete;
    QuietAudioScope& operator=(const QuietAudioScope&) = delete;
};

} // namespace platform::devices
