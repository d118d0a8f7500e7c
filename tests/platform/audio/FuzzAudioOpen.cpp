// Arbitrary bytes under every extension the open dialog offers, through the decoders.
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
std::string Scratch() {
    const char* t = std::getenv("BVR_TEST_TMP");
    std::string dir = (t && *t ? std::string(t) : std::string("/tmp")) + "/fuzz_audio_open." + std::to_string(::getpid());
    ::mkdir(dir.c_str(), 0700);
    return dir;
}
const char* const kExtensions[] = {".wav", ".mp3", ".mp2", ".ogg", ".wma", ".pcm", ".vox", ".g721", ".g723", ".g726", ".bin"};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const std::string dir = Scratch();
    const std::string path = dir + "/in" + kExtensions[data[0] % (sizeof kExtensions / sizeof *kExtensions)];
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data + 1, 1, size - 1, f);
        std::fclose(f);
    }
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
