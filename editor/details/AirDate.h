// Reading an air date as the editor window shows it.
#pragma once

#include <string>

namespace lumoedit {

// "dd mmmm yyyy" (month names in English, at least three letters), "dd/mm/yyyy" or
// "yyyy-mm-dd"; false for anything that is no real date.
bool ParseAirDate(const std::string& text, double& serial);

} // namespace lumoedit
