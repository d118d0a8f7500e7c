// LoadFromWAVFile on arbitrary bytes with every kind of flags, and saves and reloads in each
// dialect (or, when a save fails, the file unchanged).
#include "platform/base/Error.h"
#include "rozuzezer/core/cHardDiskItem.h"
#include "fuzz/FuzzScratch.h"

#include <cstdlib>

using namespace rozuzezer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzzscratch::File("load.wav");
    if (!fuzzscratch::Write(path, data, size)) return 0;
    for (std::int32_t flags : {0, 3, 4, 0x1003, 0x2007}) {
        cHardDiskItem it;
        if (size > 0 && flags == 0) it.ProducerAppName = "Brevant";
        try {
            const bool ok = it.LoadFromWAVFile(path, flags);
            if (ok != (size > 0)) std::abort();
        } catch (const platform::RuntimeError&) {
            std::abort(); // bad input never ends a load with an error
        }
    }
    // Saved in each of our dialects in turn, the later ones as after new audio: each save
    // reads back, or fails and leaves the file as it was.
    for (std::int32_t flags : {3, 0x1003, 0x2003}) {
        cHardDiskItem it;
        const std::string before = fuzzscratch::Read(path);
        try {
            it.LoadFromWAVFile(path, flags);
            it.AudioFileName = path;
            if (it.SaveToWAVFile(path, flags, flags != 3)) {
                cHardDiskItem back;
                if (!back.LoadFromWAVFile(path, flags)) std::abort();
                continue;
            }
        } catch (const platform::RuntimeError&) {
            // Marker times beyond the range of a post timer end a save with Overflow.
        }
        if (fuzzscratch::Read(path) != before) std::abort();
    }
    return 0;
}
