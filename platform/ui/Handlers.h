// Handlers never let an error escape into Qt. A window connects its handlers through On()
// (or runs a piece of work through RunHandler): a raised error ends that handler and goes to
// the program's error reporter, once, here. The Form base runs its lifecycle handlers the
// same way. The handler's name is its procedure's name or, for a drawn control, what it was
// doing in words ("drawing the item tile").
//
// Without a reporter installed (a library host such as a playout program) the error shows as
// one exclamation box through the message-box service: "There was a problem <context> and
// the error's description was reported as : " LF LF and the description in double quotes.
//
//   On(cmdPlay, &CommandButton::Click, this, &frmLumoEdit::cmdPlay_Click);
//   RunHandler("drawing the item tile", [&] { ... });
//
// Flags a procedure holds for its duration are scope guards:
//
//   ScopedFlag loading(bLoadingInfo);          // True now, back to what it was on every way out
#pragma once

#include <QApplication>
#include <QObject>

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>

namespace platform::ui {

// Receives the error caught around a handler and the handler's name ("" when unknown).
using HandlerErrorReporter = std::function<void(std::exception_ptr error, const std::string& handler)>;
HandlerErrorReporter SetHandlerErrorReporter(HandlerErrorReporter reporter);

// Hands the error to the reporter, or to the default report.
void ReportHandlerError(std::exception_ptr error, const std::string& handler) noexcept;

// What a report says of an error: the handler's name as given, the error's number (1 for
// errors that carry none) and its description.
struct HandlerError {
    std::string context;
    std::int32_t number = 0;
    std::string description;
};
HandlerError DescribeHandlerError(std::exception_ptr error, const std::string& handler);

// The default report's text. A context of words follows "There was a problem " as it stands;
// a procedure's name reads "in <name>", none "with the last action".
std::string HandlerErrorMessage(const HandlerError& e);

template <typename F>
void RunHandler(const char* name, F&& f) noexcept {
    try {
        std::forward<F>(f)();
    } catch (...) {
        ReportHandlerError(std::current_exception(), name ? name : "");
    }
}

// Connects a signal to a member handler of the receiver through RunHandler. The handler takes
// the signal's arguments, or none.
template <typename Sender, typename Signal, typename Receiver, typename Method>
QMetaObject::Connection On(Sender* sender, Signal signal, Receiver* receiver, Method method,
                           const char* name = "") {
    // Offered only the arguments the handler takes, so Qt passes as many of the signal's as
    // that is (its look at the lambda must not instantiate the body with the wrong number).
    return QObject::connect(sender, signal, receiver,
                            [receiver, method, name](auto&&... args) -> void
                                requires std::is_invocable_v<Method, Receiver*, decltype(args)...>
                            { RunHandler(name, [&] { (receiver->*method)(std::forward<decltype(args)>(args)...); }); });
}

// The same with any callable.
template <typename Sender, typename Signal, typename Context, typename F>
QMetaObject::Connection OnCall(Sender* sender, Signal signal, Context* context, F f, const char* name = "") {
    return QObject::connect(sender, signal, context, [f = std::move(f), name](auto&&... args) mutable {
        RunHandler(name, [&] { f(std::forward<decltype(args)>(args)...); });
    });
}

// The program's application object: an error that a handler connected by other means lets
// escape is caught where Qt delivers the event, ends that event's handling and is reported
// like the others, instead of ending the program.
class Application : public QApplication {
public:
    Application(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

// Sets a flag for the scope and puts the old value back on every way out.
class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag, bool value = true) : flag_(flag), old_(flag) { flag_ = value; }
    ~ScopedFlag() { flag_ = old_; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;

private:
    bool& flag_;
    bool old_;
};

// Runs the action on every way out of the scope (a mouse pointer back to the default).
class ScopeExit {
public:
    explicit ScopeExit(std::function<void()> f) : f_(std::move(f)) {}
    ~ScopeExit() {
        if (f_) RunHandler("", f_);
    }
    void Release() { f_ = nullptr; }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    std::function<void()> f_;
};

} // namespace platform::ui
