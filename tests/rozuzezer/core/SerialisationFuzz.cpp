// Any text assigned to the record's text form gives a record or the overflow error, and
// what the record then writes reads back without error.
#include "platform/base/Error.h"
#include "rozuzezer/core/cHardDiskItem.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    rozuzezer::cHardDiskItem item;
    try {
        item.SetSerialisation(text);
    } catch (const platform::RuntimeError& e) {
        if (e.Number() != platform::err::Overflow) std::abort();
        return 0;
    }
    std::string once = item.Serialisation();
    rozuzezer::cHardDiskItem again;
    again.SetSerialisation(once); // throws (and so fails the run) on an overflow
    if (again.ItemTitle != item.ItemTitle || again.Reference != item.Reference ||
        again.AudioFileName != item.AudioFileName || again.NotesFileName != item.NotesFileName ||
        again.Year != (item.Year > 0 ? item.Year : 0) || again.BackColour != item.BackColour)
        std::abort();
    return 0;
}
