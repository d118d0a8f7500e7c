// The sound server's side of the device lists (not installed): its sinks and sources, asked of
// it through PulseAudio's client library. PipeWire answers the same through its PulseAudio
// service.
#pragma once

#include "platform/devices/Devices.h"

#include <optional>
#include <string>
#include <vector>

namespace platform::devices::server {

struct Devices {
    // The server's sinks as outputs and its sources as inputs (monitors included), in the
    // server's order, each under the description the server gives it, and its default sink
    // and source.
    DeviceList list;
    // The server's own names of the outputs and of the inputs, in the same order.
    std::vector<std::string> sinks, sources;

    const std::vector<std::string>& NamesOf(Direction d) const { return d == Direction::Output ? sinks : sources; }
};

// Nullopt when no server answers.
std::optional<Devices> ReadDevices();

} // namespace platform::devices::server
