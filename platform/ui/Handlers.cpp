#include "platform/ui/Handlers.h"

#include <cstdio>

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

void ReportHandlerError(std::exception_ptr error, const std::string& handler) {
    try {
        if (Reporter()) {
            Reporter()(error, handler);
            return;
        }
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "error in %s: %s\n", handler.empty() ? "a handler" : handler.c_str(), e.what());
    } catch (...) {
        std::fprintf(stderr, "error in %s\n", handler.empty() ? "a handler" : handler.c_str());
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
