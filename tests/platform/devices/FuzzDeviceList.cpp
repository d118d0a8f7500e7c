// The fake device list is read from a file or an environment variable that a person wrote.
#include "platform/devices/Devices.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> problems;
    for (bool semicolons : {true, false}) {
        auto list = platform::devices::ParseDeviceList(text, &problems, semicolons);
        if (list.outputs.size() > 1000 || list.inputs.size() > 1000) __builtin_trap();
        if (list.outputs.empty() != (list.defaultOutput == -1)) __builtin_trap();
    }
    return 0;
}
