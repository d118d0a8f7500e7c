#include "rozuzezer/core/cAudioSettings.h"

namespace rozuzezer {

const platform::component::ClassInfo* cAudioSettings::Class() const noexcept { return nullptr; }

} // namespace rozuzezer
