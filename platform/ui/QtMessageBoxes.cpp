#include "platform/ui/QtMessageBoxes.h"

#include "platform/ui/Controls.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <memory>
#include <vector>

namespace platform::ui {

QMessageBox* BuildMessageBox(const MessageRequest& r) {
    auto* box = new QMessageBox(QApplication::activeWindow());
    box->setWindowTitle(Q(r.title.empty() ? ApplicationTitle() : r.title));
    box->setText(Q(r.text));
    switch (r.icon) {
    case MsgIcon::Critical: box->setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box->setIcon(QMessageBox::Question); break;
    case MsgIcon::Exclamation: box->setIcon(QMessageBox::Warning); break;
    case MsgIcon::Information: box->setIcon(QMessageBox::Information); break;
    case MsgIcon::None: box->setIcon(QMessageBox::NoIcon); break;
    }
    std::vector<QMessageBox::StandardButton> order;
    switch (r.buttons) {
    case MsgButtons::OK: order = {QMessageBox::Ok}; break;
    case MsgButtons::OKCancel: order = {QMessageBox::Ok, QMessageBox::Cancel}; break;
    case MsgButtons::YesNo: order = {QMessageBox::Yes, QMessageBox::No}; break;
    case MsgButtons::YesNoCancel: order = {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}; break;
    }
    QMessageBox::StandardButtons all;
    for (auto b : order) all |= b;
    box->setStandardButtons(all);
    std::size_t d = r.defaultButton < 1 ? 0 : static_cast<std::size_t>(r.defaultButton - 1);
    if (d >= order.size()) d = 0;
    box->setDefaultButton(order[d]);
    // Esc answers Cancel where there is one, else the last button (No or OK).
    box->setEscapeButton(order.back());
    return box;
}

MsgResult QtMessageBoxes::Show(const MessageRequest& r) {
    std::unique_ptr<QMessageBox> box(BuildMessageBox(r));
    switch (box->exec()) {
    case QMessageBox::Ok: return MsgResult::OK;
    case QMessageBox::Cancel: return MsgResult::Cancel;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    default: return r.buttons == MsgButtons::OK ? MsgResult::OK : MsgResult::Cancel;
    }
}

} // namespace platform::ui
