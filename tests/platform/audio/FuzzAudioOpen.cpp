// Arbitrary bytes under every extension the open dialog offers, through the decoders.
#include "fuzz/FuzzScratch.h"
#include "platform/audio/AudioEditor.h"
#include "platform/audio/Codec.h"
#include "platform/base/Error.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char* const kExtensions[] = {".wav", ".mp3", ".mp2", ".ogg", ".wma", ".pcm", ".vox", ".g721", ".g723", ".g726", ".bin"};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string& dir = fuzzscratch::Folder();
    const std::string path = dir + "/in" + kExtensions[data[0] % (sizeof kExtensions / sizeof *kExtensions)];
    fuzzscratch::Write(path, data + 1, size - 1);
    try {
        // The measuring open: decodes everything but keeps nothing.
        platform::audio::AudioEditor probe;
        probe.SetTemporaryFolder(dir + "/tmp");
        probe.SetReadOnly(true);
        probe.OpenAudio(path, 0, 1);
    } catch (const platform::RuntimeError&) {
    }
    try {
        // The decode into blocks, bounded so a tiny file cannot ask for hours of audio.
        platform::audio::DecodeOptions o;
        o.work = std::make_shared<platform::audio::WorkFile>(dir + "/tmp");
        o.raw = platform::audio::RawKindOfPath(path);
        o.maxFrames = 1 << 22;
        if (o.raw != platform::audio::RawKind::Pcm16) platform::audio::DecodeFile(path, o);
    } catch (const platform::RuntimeError&) {
    }
    ::unlink(path.c_str());
    return 0;
}
