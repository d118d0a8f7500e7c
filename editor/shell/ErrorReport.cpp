#include "editor/shell/ErrorReport.h"

#include "platform/base/Codepage.h"
#include "platform/base/DateTime.h"
#include "platform/base/Error.h"
#include "platform/base/MessageBox.h"
#include "shared/helpers/Utility.h"

#include <exception>
#include <new>

namespace lumoedit {
namespace {

std::int32_t& Nesting() {
    static std::int32_t level = 0;
    return level;
}

LogClock& Clock() {
    static LogClock clock;
    return clock;
}

MousePointerHooks& Pointer() {
    static MousePointerHooks hooks;
    return hooks;
}

double NowSerial() { return Clock() ? Clock()() : platform::Now(); }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// The platform's text for a number, or "" when it has none of its own.
std::string StandardText(std::int32_t number) {
    const std::string_view text = platform::StandardMessage(number);
    const std::string_view generic = platform::StandardMessage(-1);
    if (text == generic) return {};
    return std::string(TrimBlanks(text));
}

void CurrentError(std::int32_t& number, std::string& description) {
    number = 0;
    description.clear();
    const std::exception_ptr e = std::current_exception();
    if (!e) return;
    try {
        std::rethrow_exception(e);
    } catch (const platform::RuntimeError& r) {
        number = r.Number();
        description = r.Description();
    } catch (const std::bad_alloc&) {
        number = platform::err::OutOfMemory;
        description = std::string(platform::StandardMessage(number));
    } catch (const std::exception& x) {
        number = 1;
        description = x.what();
    } catch (...) {
        number = 1;
        description = "Unknown error";
    }
}

} // namespace

std::int32_t CurrentErrorNumber() {
    std::int32_t n;
    std::string d;
    CurrentError(n, d);
    return n;
}

std::string CurrentErrorDescription() {
    std::int32_t n;
    std::string d;
    CurrentError(n, d);
    return d;
}

std::string ReportError(std::string_view Context, std::int32_t ErrorNumber, bool Silent) {
    if (ErrorNumber == 0) return ShowError(Context, "", Silent);
    std::string description = StandardText(ErrorNumber);
    if (description.empty()) {
        std::int32_t current;
        std::string currentText;
        CurrentError(current, currentText);
        if (current == ErrorNumber)
            description = currentText + " (" + std::to_string(current) + ")";
    }
    return ShowError(Context, description, Silent);
}

std::string ShowError(std::string_view Context, std::string_view Description, bool Silent) {
    MousePointerHooks& hooks = Pointer();
    const std::int32_t pointer = hooks.get ? hooks.get() : 0;
    if (hooks.set) hooks.set(0);
    const std::string_view context = TrimBlanks(Context);
    const std::string_view description = TrimBlanks(Description);
    std::string message = "There was a problem ";
    message += context;
    if (!description.empty()) {
        message += " and the error's description was reported as : \n\n\"";
        message += description;
        message += '"';
    }
    if (!Silent) platform::MsgBox(message, platform::MsgButtons::OK, platform::MsgIcon::Exclamation);
    WriteLog(message, 5, logPlain);
    if (hooks.set) hooks.set(pointer);
    return message;
}

std::string LogFilePath(double serial) { return helpers::Utility().DebugLogPath(serial); }

void WriteLog(std::string_view Text, std::int32_t Level, std::int32_t Kind) {
    const std::int32_t debugLevel = helpers::Utility().DebugLevel();
    if (debugLevel == 0) return;
    if (debugLevel != -1) {
        if (Level == -1) Level = 5;
        if (Level > debugLevel) return;
    }
    std::int32_t& nesting = Nesting();
    if (Kind == logCloseLevel) {
        if (--nesting < 0) nesting = 0;
    } else if (Kind == logResetLevel) {
        nesting = 0;
    }
    try {
        std::string line(static_cast<std::size_t>(nesting) * 4, ' ');
        line += Text;
        helpers::Utility().AppendLogLine(NowSerial(), line);
    } catch (...) {
        // A line that cannot be written is lost; the caller never hears of it.
    }
    if (Kind == logOpenLevel && nesting < 1000000) ++nesting;
}

std::int32_t LogNestingLevel() { return Nesting(); }

void StringToBytes(std::span<std::uint8_t> Bytes, std::string_view Text) {
    const std::string ansi = platform::Utf8ToAnsi(Text);
    for (std::size_t k = 0; k < Bytes.size(); ++k)
        Bytes[k] = k < ansi.size() ? static_cast<std::uint8_t>(ansi[k]) : 0;
}

LogClock SetLogClock(LogClock clock) {
    LogClock old = std::move(Clock());
    Clock() = std::move(clock);
    return old;
}

MousePointerHooks SetMousePointerHooks(MousePointerHooks hooks) {
    MousePointerHooks old = std::move(Pointer());
    Pointer() = std::move(hooks);
    return old;
}

} // namespace lumoedit
