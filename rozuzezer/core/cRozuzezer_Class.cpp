#include "rozuzezer/core/cRozuzezer.h"

namespace rozuzezer {

const platform::component::ClassInfo* cRozuzezer::Class() const noexcept { return nullptr; }

} // namespace rozuzezer
