// Arbitrary bytes as a WAV file: open, read, edit and save must never crash.
#include "fuzz/FuzzScratch.h"
#include "platform/audio/AudioEditor.h"
#include "platform/base/Error.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& dir = fuzzscratch::Folder();
    static const std::string path = fuzzscratch::File("in.wav");
    fuzzscratch::Write(path, data, size);
    try {
        platform::audio::AudioEditor ed;
        ed.SetTemporaryFolder(dir + "/tmp");
        ed.OpenAudio(path, 0, 1);
        std::vector<float> buf(4096);
        for (int c = 0; c < ed.ChannelCount(); ++c) ed.ReadSamples(c, 0, 4096, buf.data());
        if (ed.Length() > 0 && ed.Length() < 10'000'000) {
            ed.View().SetSelectionShown(true);
            ed.View().SetSelectionEnd(ed.Length() / 2);
            ed.Processing().Normalise(100, true);
            ed.Cut();
            ed.Undo();
            ed.SaveAudio(path, false); // over the open file, keeping its other chunks
        }
    } catch (const platform::RuntimeError&) {
    }
    return 0;
}
