// The item's pictures and its last-play summary belong to a cart that a playout host keeps.
// Every action goes through that host; this program runs in file mode and never connects
// one, so the panels stay hidden and the actions do nothing. The last-play list is still
// filled from the item, inside its hidden frame.
#include "editor/document/frmLumoEdit.h"

#include "platform/base/DateTime.h"
#include "platform/ui/Handlers.h"

namespace lumoedit {

using namespace platform::ui;

void frmLumoEdit::DisplayPictureInfo() {
    if (!ItemHost) return;
}

void frmLumoEdit::cmdNextPicture_Click() {
    if (!ItemHost) return;
}

void frmLumoEdit::cmdPreviousPicture_Click() {
    if (!ItemHost) return;
}

void frmLumoEdit::cmdClearPic_Click() {
    if (!ItemHost) return;
}

void frmLumoEdit::cmdMovePicUp_Click() {
    if (!ItemHost) return;
}

void frmLumoEdit::cmdMovePicDown_Click() {
    if (!ItemHost) return;
}

void frmLumoEdit::cmdImportPicture_Click() {
    if (!ItemHost) return;
}

void frmLumoEdit::cmdEraseLastPlays_Click() {
    if (!ItemHost) return;
}

} // namespace lumoedit
