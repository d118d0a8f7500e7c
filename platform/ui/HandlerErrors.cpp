#include "platform/ui/HandlerErrors.h"

#include "platform/base/Error.h"
#include "platform/base/MessageBox.h"

#include <exception>
#include <new>

namespace platform::ui {
namespace {

HandlerErrorReport& Installed() {
    static HandlerErrorReport report;
    return report;
}

HandlerError Current(std::string_view context) {
    HandlerError e;
    e.context = std::string(context);
    try {
        throw;
    } catch (const RuntimeError& r) {
        e.number = r.Number();
        e.description = r.Description();
    } catch (const std::bad_alloc&) {
        e.number = err::OutOfMemory;
        e.description = std::string(StandardMessage(e.number));
    } catch (const std::exception& x) {
        e.number = 1;
        e.description = x.what();
    } catch (...) {
        e.number = 1;
        e.description = "Unknown error";
    }
    return e;
}

} // namespace

HandlerErrorReport SetHandlerErrorReport(HandlerErrorReport report) {
    HandlerErrorReport previous = std::move(Installed());
    Installed() = std::move(report);
    return previous;
}

std::string HandlerErrorMessage(const HandlerError& e) {
    std::string text = "There was a problem " + e.context;
    if (!e.description.empty())
        text += " and the error's description was reported as : \n\n\"" + e.description + "\"";
    return text;
}

void ReportCurrentHandlerError(std::string_view context) noexcept {
    try {
        const HandlerError e = Current(context);
        if (Installed())
            Installed()(e);
        else
            MsgBox(HandlerErrorMessage(e), MsgButtons::OK, MsgIcon::Exclamation);
    } catch (...) {
        // A report that fails itself has nowhere left to go.
    }
}

} // namespace platform::ui
