#include "rozuzezer/core/cHardDiskItem.h"

namespace rozuzezer {

bool cHardDiskItem::LoadFromWAVFile(const std::string&, std::int32_t) { return false; }
bool cHardDiskItem::SaveToWAVFile(const std::string&, std::int32_t) { return false; }

} // namespace rozuzezer
