// Procedures of the document side that are still to be built: open, show, save. They do
// nothing yet (a save reports failure, so nothing is lost), and no control is connected to them.
#include "editor/document/frmLumoEdit.h"

namespace lumoedit {

void frmLumoEdit::ConnectDocumentHandlers() {}

bool frmLumoEdit::OpenFile(const std::string&) { return false; }
bool frmLumoEdit::SaveSelection() { return false; }
bool frmLumoEdit::SaveFile() { return false; }
bool frmLumoEdit::SaveAsFile(const std::string&, bool) { return false; }
bool frmLumoEdit::SaveItem() { return SaveFile(); }
void frmLumoEdit::DisplayDetails(int) {}

} // namespace lumoedit
