// Any bytes parse without harm, and what the reader kept survives a rewrite unchanged.
#include "platform/registry/RegFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

using namespace platform::registry::detail;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    Hive first = ParseRegText(in, "HKEY_CURRENT_USER");
    std::string text = WriteRegText(first.root, "HKEY_CURRENT_USER");
    Hive again = ParseRegText(text, "HKEY_CURRENT_USER");
    if (!again.clean || !again.root.SameAs(first.root)) {
        std::fprintf(stderr, "rewrite changed the hive (%s)\n", again.problem.c_str());
        std::abort();
    }
    if (WriteRegText(again.root, "HKEY_CURRENT_USER") != text) {
        std::fprintf(stderr, "rewrite is not stable\n");
        std::abort();
    }
    return 0;
}
