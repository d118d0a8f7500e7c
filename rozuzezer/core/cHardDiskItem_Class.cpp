#include "rozuzezer/core/cHardDiskItem.h"

namespace rozuzezer {

const platform::component::ClassInfo* cHardDiskItem::Class() const noexcept { return nullptr; }

} // namespace rozuzezer
