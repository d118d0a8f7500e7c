// The message-box service on Qt: QMessageBox with the buttons, icon, default button and title
// of the request. The program installs it at start-up:
//   platform::SetMessageBoxService(std::make_shared<platform::ui::QtMessageBoxes>());
#pragma once

#include "platform/base/MessageBox.h"

class QMessageBox;

namespace platform::ui {

class QtMessageBoxes : public MessageBoxService {
public:
    MsgResult Show(const MessageRequest& request) override;
};

// The box a request would show, not yet shown (for tests and screenshots).
QMessageBox* BuildMessageBox(const MessageRequest& request);

} // namespace platform::ui
