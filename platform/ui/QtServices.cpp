#include "platform/ui/QtServices.h"

#include "platform/base/MessageBox.h"
#include "platform/ui/QtCommonDialogs.h"
#include "platform/ui/QtMessageBoxes.h"

#include <memory>

namespace platform::ui {

void InstallQtServices(const std::string& applicationTitle) {
    platform::SetApplicationTitle(applicationTitle);
    platform::SetMessageBoxService(std::make_shared<QtMessageBoxes>());
    SetCommonDialogService(std::make_shared<QtCommonDialogs>());
}

} // namespace platform::ui
