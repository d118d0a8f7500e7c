// Cart mode: opening and saving a cart, importing, exporting and copying audio through an item
// host. This program never connects an item host (nor a players or rights host), so every one
// of these stops at once, as the window expects of a missing host.
#include "editor/document/frmLumoEdit.h"

#include "platform/base/Numeric.h"

#include <algorithm>

namespace lumoedit {

bool frmLumoEdit::OpenHDItem(const std::string&, std::int16_t, bool) { return false; }
bool frmLumoEdit::SaveCart() { return false; }
void frmLumoEdit::ImportIntoCart() {}
void frmLumoEdit::ExportTransportFile() {}
bool frmLumoEdit::CopySelectionToCart() { return false; }
void frmLumoEdit::LinkOrImportAudioFile(bool) {}

// The zip progress a host would report: "entry N of M" texts, and a percentage.
void frmLumoEdit::duzip_UnZipMajorStatus(const std::string& Status) {
    const auto of = Status.find(" of ");
    if (of == std::string::npos) return;
    const double total = platform::Val(Status.substr(of + 4));
    const double current = Status.size() > 5 ? platform::Val(Status.substr(5)) : 0;
    zipTotal_ = static_cast<std::int32_t>(std::clamp(total, -32768.0, 32767.0));
    zipCurrent_ = static_cast<std::int32_t>(std::clamp(current, -32768.0, 32767.0));
}
void frmLumoEdit::dzip_ZipMajorStatus(const std::string& Status) { duzip_UnZipMajorStatus(Status); }
void frmLumoEdit::duzip_UnZipMinorStatus(std::int32_t Percent) { prgProgress->SetValue(std::clamp(Percent, 0, 100)); }
void frmLumoEdit::dzip_ZipMinorStatus(std::int32_t Percent) { duzip_UnZipMinorStatus(Percent); }

} // namespace lumoedit
