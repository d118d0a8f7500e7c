#include "platform/base/MessageBox.h"

#include <cstdio>

namespace platform {
namespace {

class QuietMessageBoxes : public MessageBoxService {
public:
    MsgResult Show(const MessageRequest& r) override {
        std::fprintf(stderr, "%s: %s\n", r.title.c_str(), r.text.c_str());
        return DefaultAnswer(r);
    }
};

std::shared_ptr<MessageBoxService>& Current() {
    static std::shared_ptr<MessageBoxService> s = std::make_shared<QuietMessageBoxes>();
    return s;
}

std::string& Title() {
    static std::string t = "LumoEdit";
    return t;
}

} // namespace

MsgResult DefaultAnswer(const MessageRequest& r) {
    int d = r.defaultButton < 1 ? 1 : r.defaultButton;
    switch (r.buttons) {
    case MsgButtons::OK: return MsgResult::OK;
    case MsgButtons::OKCancel: return d == 2 ? MsgResult::Cancel : MsgResult::OK;
    case MsgButtons::YesNo: return d == 2 ? MsgResult::No : MsgResult::Yes;
    case MsgButtons::YesNoCancel:
        return d == 3 ? MsgResult::Cancel : d == 2 ? MsgResult::No : MsgResult::Yes;
    }
    return MsgResult::OK;
}

std::shared_ptr<MessageBoxService> SetMessageBoxService(std::shared_ptr<MessageBoxService> s) {
    auto previous = Current();
    Current() = s ? std::move(s) : std::make_shared<QuietMessageBoxes>();
    return previous;
}

MessageBoxService& MessageBoxes() { return *Current(); }

void SetApplicationTitle(std::string title) { Title() = std::move(title); }
const std::string& ApplicationTitle() { return Title(); }

MsgResult MsgBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                 const std::string& title, int defaultButton) {
    MessageRequest r{text, buttons, icon, defaultButton, title.empty() ? Title() : title};
    return MessageBoxes().Show(r);
}

MsgResult ScriptedMessageBoxes::Show(const MessageRequest& r) {
    shown_.push_back(r);
    if (answers_.empty()) return DefaultAnswer(r);
    MsgResult a = answers_.front();
    answers_.pop_front();
    return a;
}

ScopedScriptedMessageBoxes::ScopedScriptedMessageBoxes()
    : boxes_(std::make_shared<ScriptedMessageBoxes>()), previous_(SetMessageBoxService(boxes_)) {}

ScopedScriptedMessageBoxes::~ScopedScriptedMessageBoxes() { SetMessageBoxService(previous_); }

} // namespace platform
