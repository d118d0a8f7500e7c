// Procedures of the details side that are still to be built: the air dates' normal form and
// weekday, and the copyright panel's own layout. They do nothing yet, and no control is
// connected to them.
#include "editor/document/frmLumoEdit.h"

namespace lumoedit {

void frmLumoEdit::txtAirStartDate_LostFocus() {}
void frmLumoEdit::txtAirEndDate_LostFocus() {}
void frmLumoEdit::picCopyright1_Resize() {}

} // namespace lumoedit
