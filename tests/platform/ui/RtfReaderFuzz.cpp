// The RTF reader on any bytes: it must not crash, and what it reads must survive a write and
// a second read with the same text.
#include "platform/ui/Rtf.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    auto d = platform::ui::rtf::Read(in);
    if (!d) return 0;
    auto again = platform::ui::rtf::Read(platform::ui::rtf::Write(*d));
    if (!again || again->PlainText() != d->PlainText()) std::abort();
    return 0;
}
