// LoadFromWAVFile on arbitrary bytes with every kind of flags, and a save and reload (or,
// when the save fails, the file unchanged).
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
    cHardDiskItem it;
    const std::string before = fuzzscratch::Read(path);
    try {
        it.LoadFromWAVFile(path, 3);
        it.AudioFileName = path;
        if (it.SaveToWAVFile(path, 3)) {
            cHardDiskItem back;
            if (!back.LoadFromWAVFile(path, 3)) std::abort();
            return 0;
        }
    } catch (const platform::RuntimeError&) {
        // Marker times beyond the range of a post timer end a save with Overflow.
    }
    // A save that fails leaves the file as it was.
    if (fuzzscratch::Read(path) != before) std::abort();
    return 0;
}
