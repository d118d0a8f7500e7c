#include "platform/devices/Devices.h"

#include "platform/devices/ServerDevices.h"

#include <alsa/asoundlib.h>
#include <portaudio.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

namespace platform::devices {

namespace {

// Device numbers travel as 16-bit values; a list longer than this is cut.
constexpr std::size_t kMaxDevicesPerKind = 1000;
// A device-list file larger than this is read only this far.
constexpr std::size_t kMaxListFileBytes = 1 << 20;

struct State {
    std::mutex mutex;
    std::optional<DeviceList> fake;
    int snapshotDepth = 0;
    std::optional<DeviceList> snapshot;
    bool warnedAboutEnv = false;
};

State& S() {
    static State s;
    return s;
}

extern "C" void SilentAlsaHandler(const char*, int, const char*, int, const char*, ...) {}

std::mutex& QuietMutex() {
    static std::mutex m;
    return m;
}
int quietDepth = 0;
int savedStderr = -1;
snd_lib_error_handler_t savedAlsaHandler = nullptr;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::string_view NextWord(std::string_view& rest) {
    rest = Trim(rest);
    std::size_t end = rest.find_first_of(" \t");
    std::string_view word = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end);
    return word;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// A whole number up to `highest`: decimal, or hexadecimal after "0x".
std::optional<std::uint64_t> ReadNumber(std::string_view word, std::uint64_t highest) {
    int base = 10;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        base = 16;
        word.remove_prefix(2);
    }
    if (word.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : word) {
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return std::nullopt;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (value > highest) return std::nullopt;
    }
    return value;
}

std::uint16_t ChannelsOf(std::uint32_t formats) {
    constexpr std::uint32_t stereo = WAVE_FORMAT_1S08 | WAVE_FORMAT_1S16 | WAVE_FORMAT_2S08 |
                                     WAVE_FORMAT_2S16 | WAVE_FORMAT_4S08 | WAVE_FORMAT_4S16;
    if (formats & stereo) return 2;
    return (formats & 0xFFF) ? 1 : 0;
}

bool Supports(const PaDeviceInfo& info, PaDeviceIndex index, Direction d, int channels,
              double rate) {
    int most = d == Direction::Output ? info.maxOutputChannels : info.maxInputChannels;
    if (channels > most) return false;
    PaStreamParameters p{};
    p.device = index;
    p.channelCount = channels;
    p.sampleFormat = paInt16;
    p.suggestedLatency =
        d == Direction::Output ? info.defaultLowOutputLatency : info.defaultLowInputLatency;
    p.hostApiSpecificStreamInfo = nullptr;
    PaError e = d == Direction::Output ? Pa_IsFormatSupported(nullptr, &p, rate)
                                       : Pa_IsFormatSupported(&p, nullptr, rate);
    return e == paFormatIsSupported;
}

DeviceCaps Probe(const PaDeviceInfo& info, PaDeviceIndex index, Direction d) {
    static constexpr struct {
        double rate;
        int channels;
        std::uint32_t bit;
    } kFormats[] = {
        {11025, 1, WAVE_FORMAT_1M16}, {11025, 2, WAVE_FORMAT_1S16},
        {22050, 1, WAVE_FORMAT_2M16}, {22050, 2, WAVE_FORMAT_2S16},
        {44100, 1, WAVE_FORMAT_4M16}, {44100, 2, WAVE_FORMAT_4S16},
    };
    DeviceCaps caps;
    caps.name = info.name ? info.name : "";
    caps.hostIndex = index;
    int most = d == Direction::Output ? info.maxOutputChannels : info.maxInputChannels;
    caps.channels = static_cast<std::uint16_t>(std::min(most, 0xFFFF));
    for (const auto& f : kFormats)
        if (Supports(info, index, d, f.channels, f.rate)) caps.formats |= f.bit;
    return caps;
}

// PortAudio as the streams hold it: started while `up`, `streams` of them open.
struct PortAudioSession {
    std::mutex mutex;
    bool up = false;
    int streams = 0;
    // Stops it when no stream holds it; with the lock held.
    void DropIdle() {
        if (!up || streams > 0) return;
        QuietAudioScope quiet;
        Pa_Terminate();
        up = false;
    }
    ~PortAudioSession() {
        std::lock_guard lock(mutex);
        DropIdle();
    }
};

PortAudioSession& Session() {
    static PortAudioSession s;
    return s;
}

// The devices of PortAudio's default host API in the list's order, with PortAudio started:
// each with its index, its kind, and its place among the devices of its kind.
template <typename Visit>
void ForEachDevice(Visit visit) {
    const PaHostApiIndex api = Pa_GetDefaultHostApi();
    const PaHostApiInfo* apiInfo = api >= 0 ? Pa_GetHostApiInfo(api) : nullptr;
    if (!apiInfo) return;
    std::size_t outputs = 0, inputs = 0;
    for (int j = 0; j < apiInfo->deviceCount; ++j) {
        const PaDeviceIndex index = Pa_HostApiDeviceIndexToDeviceIndex(api, j);
        const PaDeviceInfo* info = index >= 0 ? Pa_GetDeviceInfo(index) : nullptr;
        if (!info) continue;
        if (info->maxOutputChannels > 0 && outputs < kMaxDevicesPerKind)
            visit(*info, index, Direction::Output, outputs++, index == apiInfo->defaultOutputDevice);
        if (info->maxInputChannels > 0 && inputs < kMaxDevicesPerKind)
            visit(*info, index, Direction::Input, inputs++, index == apiInfo->defaultInputDevice);
    }
}

DeviceList ReadRealDevices() {
    if (auto fromServer = server::ReadDevices()) return std::move(fromServer->list);
    DeviceList list;
    QuietAudioScope quiet;
    PortAudioSession& session = Session();
    std::lock_guard lock(session.mutex);
    session.DropIdle();
    if (Pa_Initialize() != paNoError) return list;
    ForEachDevice([&](const PaDeviceInfo& info, PaDeviceIndex index, Direction d, std::size_t place, bool isDefault) {
        auto& devices = d == Direction::Output ? list.outputs : list.inputs;
        if (isDefault) (d == Direction::Output ? list.defaultOutput : list.defaultInput) = static_cast<int>(place);
        devices.push_back(Probe(info, index, d));
    });
    Pa_Terminate();
    return list;
}

std::optional<DeviceList> ListFromEnvironment(State& s) {
    const char* value = std::getenv("BREVANT_FAKE_DEVICES");
    if (!value) return std::nullopt;
    std::string text = value;
    bool fromFile = false;
    std::error_code ec;
    if (!text.empty() && std::filesystem::is_regular_file(text, ec)) {
        std::ifstream in(text, std::ios::binary);
        std::string bytes(kMaxListFileBytes, '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<std::size_t>(in.gcount()));
        text = std::move(bytes);
        fromFile = true;
    }
    std::vector<std::string> problems;
    DeviceList list = ParseDeviceList(text, &problems, !fromFile);
    if (!problems.empty() && !s.warnedAboutEnv) {
        s.warnedAboutEnv = true;
        for (const auto& p : problems)
            std::fprintf(stderr, "BREVANT_FAKE_DEVICES: %s\n", p.c_str());
    }
    return list;
}

DeviceList ReadDevices(State& s) {
    if (s.fake) return *s.fake;
    if (auto env = ListFromEnvironment(s)) return *env;
    return ReadRealDevices();
}

} // namespace

std::uint32_t Format16Bit(std::int32_t sampleRate, std::int32_t channels) {
    bool mono = channels == 1;
    switch (sampleRate) {
    case 11025: return mono ? WAVE_FORMAT_1M16 : WAVE_FORMAT_1S16;
    case 22050: return mono ? WAVE_FORMAT_2M16 : WAVE_FORMAT_2S16;
    case 44100: return mono ? WAVE_FORMAT_4M16 : WAVE_FORMAT_4S16;
    default: return 0;
    }
}

int AcquirePortAudio(bool fresh) {
    PortAudioSession& session = Session();
    std::lock_guard lock(session.mutex);
    if (fresh) session.DropIdle();
    if (!session.up) {
        QuietAudioScope quiet;
        if (const PaError e = Pa_Initialize(); e != paNoError) return e;
        session.up = true;
    }
    ++session.streams;
    return 0;
}

void ReleasePortAudio() {
    PortAudioSession& session = Session();
    std::lock_guard lock(session.mutex);
    if (session.streams > 0) --session.streams;
}

std::optional<StreamTarget> FindStreamTarget(Direction d, int index) {
    auto fromPortAudio = [&](PaDeviceIndex at) -> std::optional<StreamTarget> {
        const PaDeviceInfo* info = at >= 0 ? Pa_GetDeviceInfo(at) : nullptr;
        if (!info) return std::nullopt;
        StreamTarget t;
        t.portAudioIndex = at;
        t.name = info->name ? info->name : "";
        return t;
    };
    auto systemDefault = [&] {
        return fromPortAudio(d == Direction::Output ? Pa_GetDefaultOutputDevice() : Pa_GetDefaultInputDevice());
    };
    {
        State& s = S();
        std::lock_guard lock(s.mutex);
        if (s.fake || std::getenv("BREVANT_FAKE_DEVICES")) {
            if (index == -1) return systemDefault();
            std::optional<DeviceList> list = s.fake;
            if (!list) list = ListFromEnvironment(s);
            const auto& devices = list->Of(d);
            if (index < 0 || static_cast<std::size_t>(index) >= devices.size()) return std::nullopt;
            return fromPortAudio(devices[static_cast<std::size_t>(index)].hostIndex);
        }
    }
    if (auto fromServer = server::ReadDevices()) {
        const DeviceList& list = fromServer->list;
        const auto& devices = list.Of(d);
        const int place = index == -1 ? (d == Direction::Output ? list.defaultOutput : list.defaultInput) : index;
        if (devices.empty() || place < -1 || place >= static_cast<int>(devices.size())) return std::nullopt;
        StreamTarget t;
        if (place >= 0) t.name = devices[static_cast<std::size_t>(place)].name;
        // The default device is the server's default itself, so the stream follows it when it
        // changes; a chosen one is named.
        if (index == -1) {
            t.alsaDevice = "pulse";
            if (t.name.empty()) t.name = "the sound server's default device";
        } else {
            t.serverName = fromServer->NamesOf(d)[static_cast<std::size_t>(place)];
            t.alsaDevice = "pulse:DEVICE=\"" + t.serverName + "\"";
        }
        return t;
    }
    if (index == -1) return systemDefault();
    PaDeviceIndex found = paNoDevice;
    ForEachDevice([&](const PaDeviceInfo&, PaDeviceIndex at, Direction kind, std::size_t place, bool) {
        if (kind == d && index >= 0 && place == static_cast<std::size_t>(index)) found = at;
    });
    return fromPortAudio(found);
}

DeviceList Devices() {
    State& s = S();
    std::lock_guard lock(s.mutex);
    if (s.snapshotDepth > 0 && s.snapshot) return *s.snapshot;
    DeviceList list = ReadDevices(s);
    if (s.snapshotDepth > 0) s.snapshot = list;
    return list;
}

int DeviceCount(Direction d) { return static_cast<int>(Devices().Of(d).size()); }

std::optional<DeviceCaps> GetDeviceCaps(Direction d, int index) {
    DeviceList list = Devices();
    const auto& devices = list.Of(d);
    if (index == -1) index = d == Direction::Output ? list.defaultOutput : list.defaultInput;
    if (index < 0 || static_cast<std::size_t>(index) >= devices.size()) return std::nullopt;
    return devices[static_cast<std::size_t>(index)];
}

ScopedSnapshot::ScopedSnapshot() {
    std::lock_guard lock(S().mutex);
    ++S().snapshotDepth;
}

ScopedSnapshot::~ScopedSnapshot() {
    std::lock_guard lock(S().mutex);
    if (--S().snapshotDepth == 0) S().snapshot.reset();
}

void SetFakeDevices(std::optional<DeviceList> list) {
    std::lock_guard lock(S().mutex);
    S().fake = std::move(list);
    S().snapshot.reset();
}

ScopedFakeDevices::ScopedFakeDevices(DeviceList list) {
    {
        std::lock_guard lock(S().mutex);
        previous_ = S().fake;
    }
    SetFakeDevices(std::move(list));
}

ScopedFakeDevices::~ScopedFakeDevices() { SetFakeDevices(std::move(previous_)); }

DeviceList ParseDeviceList(std::string_view text, std::vector<std::string>* problems,
                           bool semicolonSeparates) {
    DeviceList list;
    int lineNumber = 0;
    auto complain = [&](const std::string& what) {
        if (problems) problems->push_back("line " + std::to_string(lineNumber) + ": " + what);
    };
    while (!text.empty()) {
        std::size_t end = text.find_first_of(semicolonSeparates ? "\n;" : "\n");
        std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#') continue;

        std::string_view rest = line;
        std::string_view kind = NextWord(rest);
        std::vector<DeviceCaps>* target = nullptr;
        if (EqualsNoCase(kind, "out")) target = &list.outputs;
        else if (EqualsNoCase(kind, "in")) target = &list.inputs;
        if (!target) {
            complain("the kind must be \"out\" or \"in\"");
            continue;
        }
        auto formats = ReadNumber(NextWord(rest), 0xFFFFFFFFu);
        if (!formats) {
            complain("the format bits must be a number (decimal, or hexadecimal after 0x)");
            continue;
        }
        DeviceCaps caps;
        caps.formats = static_cast<std::uint32_t>(*formats);
        caps.channels = ChannelsOf(caps.formats);
        std::string_view peek = rest;
        std::string_view word = NextWord(peek);
        if (word.size() > 4 && EqualsNoCase(word.substr(0, 4), "mid=")) {
            auto mid = ReadNumber(word.substr(4), 0xFFFF);
            if (!mid) {
                complain("mid= must be a number from 0 to 65535");
                continue;
            }
            caps.manufacturerId = static_cast<std::uint16_t>(*mid);
            rest = peek;
        }
        caps.name = std::string(Trim(rest));
        if (target->size() >= kMaxDevicesPerKind) {
            complain("too many devices");
            continue;
        }
        target->push_back(std::move(caps));
    }
    list.defaultOutput = list.outputs.empty() ? -1 : 0;
    list.defaultInput = list.inputs.empty() ? -1 : 0;
    return list;
}

QuietAudioScope::QuietAudioScope() {
    std::lock_guard lock(QuietMutex());
    if (quietDepth++ > 0) return;
    std::fflush(stderr);
    savedStderr = ::fcntl(2, F_DUPFD_CLOEXEC, 3);
    int devnull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (savedStderr >= 0 && devnull >= 0) ::dup2(devnull, 2);
    if (devnull >= 0) ::close(devnull);
    // Another part of the program may have installed its own handler: keep it for later.
    savedAlsaHandler = snd_lib_error;
    snd_lib_error_set_handler(&SilentAlsaHandler);
}

QuietAudioScope::~QuietAudioScope() {
    std::lock_guard lock(QuietMutex());
    if (--quietDepth > 0) return;
    snd_lib_error_set_handler(savedAlsaHandler);
    std::fflush(stderr);
    if (savedStderr >= 0) {
        ::dup2(savedStderr, 2);
        ::close(savedStderr);
        savedStderr = -1;
    }
}

} // namespace platform::devices
