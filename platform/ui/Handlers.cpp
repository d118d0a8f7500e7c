#include "platform/ui/Handlers.h"

#include "platform/base/Error.h"
#include "platform/base/MessageBox.h"

#include <new>

namespace platform::ui {

namespace {
HandlerErrorReporter& Reporter() {
    static HandlerErrorReporter r;
    return r;
}
} // namespace

HandlerErrorReporter SetHandlerErrorReporter(HandlerErrorReporter reporter) {
    HandlerErrorReporter old = std::move(Reporter());
    Reporter() = std::move(reporter);
    return old;
}

HandlerError DescribeHandlerError(std::exception_ptr error, const std::string& handler) {
    HandlerError e;
    e.context = handler;
    try {
        std::rethrow_exception(error);
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

std::string HandlerErrorMessage(const HandlerError& e) {
    std::string text = "There was a problem ";
    if (e.context.empty())
        text += "with the last action";
    else if (e.context.find(' ') == std::string::npos)
        text += "in " + e.context;
    else
        text += e.context;
    if (!e.description.empty())
        text += " and the error's description was reported as : \n\n\"" + e.description + "\"";
    return text;
}

void ReportHandlerError(std::exception_ptr error, const std::string& handler) noexcept {
    try {
        if (Reporter())
            Reporter()(error, handler);
        else
            MsgBox(HandlerErrorMessage(DescribeHandlerError(error, handler)), MsgButtons::OK, MsgIcon::Exclamation);
    } catch (...) {
        // A report that fails itself has nowhere left to go.
    }
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportHandlerError(std::current_exception(), receiver ? receiver->objectName().toStdString() : std::string());
        return false;
    }
}

} // namespace platform::ui
