// The message-box service. Everything that asks or tells the user goes through it: the Qt
// layer installs the real one, tests install ScriptedMessageBoxes, and without either a
// quiet default answers with the default button and writes the text to standard error.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Values as the platform numbers them, so they can be combined and stored.
enum class MsgButtons { OK = 0, OKCancel = 1, YesNoCancel = 3, YesNo = 4 };
enum class MsgIcon { None = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
enum class MsgResult { OK = 1, Cancel = 2, Yes = 6, No = 7 };

struct MessageRequest {
    std::string text;
    MsgButtons buttons = MsgButtons::OK;
    MsgIcon icon = MsgIcon::None;
    int defaultButton = 1; // 1..3, counted from the left
    std::string title;     // empty: the program's title
};

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual MsgResult Show(const MessageRequest& request) = 0;
};

// The answer a box gives when the user just presses Enter.
MsgResult DefaultAnswer(const MessageRequest& request);

// Installs a service (nullptr restores the quiet default); returns the previous one.
std::shared_ptr<MessageBoxService> SetMessageBoxService(std::shared_ptr<MessageBoxService> s);
MessageBoxService& MessageBoxes();

// The title a box shows when none is given.
void SetApplicationTitle(std::string title);
const std::string& ApplicationTitle();

// Shows a message through the installed service, filling in the program's title.
MsgResult MsgBox(const std::string& text, MsgButtons buttons = MsgButtons::OK,
                 MsgIcon icon = MsgIcon::None, const std::string& title = {},
                 int defaultButton = 1);

// Records every message and answers from a queue; an empty queue answers the default.
class ScriptedMessageBoxes : public MessageBoxService {
public:
    MsgResult Show(const MessageRequest& request) override;
    void Answer(MsgResult r) { answers_.push_back(r); }
    const std::vector<MessageRequest>& Shown() const { return shown_; }
    void Clear() { shown_.clear(); answers_.clear(); }

private:
    std::vector<MessageRequest> shown_;
    std::deque<MsgResult> answers_;
};

// Installs a ScriptedMessageBoxes for the lifetime of the guard.
class ScopedScriptedMessageBoxes {
public:
    ScopedScriptedMessageBoxes();
    ~ScopedScriptedMessageBoxes();
    ScopedScriptedMessageBoxes(const ScopedScriptedMessageBoxes&) = delete;
    ScopedScriptedMessageBoxes& operator=(const ScopedScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator*() { return *boxes_; }
    ScriptedMessageBoxes* operator->() { return boxes_.get(); }

private:
    std::shared_ptr<ScriptedMessageBoxes> boxes_;
    std::shared_ptr<MessageBoxService> previous_;
};

} // namespace platform
