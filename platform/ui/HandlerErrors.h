// Errors raised inside event handlers. Under Qt nobody called a handler, so an error that
// ends one must not leave it: Guarded runs a handler, catches what it raises and hands it
// to the handler-error report.
//
// The default report shows one exclamation box through the message-box service: "There was
// a problem <context> and the error's description was reported as : " LF LF and the
// description in double quotes. A program with its own error report installs it instead.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform::ui {

struct HandlerError {
    std::string context; // what was being done, in words that follow "There was a problem "
    std::int32_t number = 0;
    std::string description;
};

using HandlerErrorReport = std::function<void(const HandlerError&)>;

// Installs a report (an empty one restores the default); returns the previous one.
HandlerErrorReport SetHandlerErrorReport(HandlerErrorReport report);

// Reports the exception being handled; call inside a catch block.
void ReportCurrentHandlerError(std::string_view context) noexcept;

// The default report's message text.
std::string HandlerErrorMessage(const HandlerError& e);

template <typename F> void Guarded(std::string_view context, F&& handler) noexcept {
    try {
        handler();
    } catch (...) {
        ReportCurrentHandlerError(context);
    }
}

} // namespace platform::ui
