// Error reports and the debug log. A procedure that catches a failure calls ReportError
// with what it was doing; the user sees one exclamation message box, and its text goes to
// the debug log too.
//
// The debug log is a daily file in the root of drive C: (the drive map,
// platform/fs/DriveMap.h): the program's name, ".", the date as yyyymmdd and ".log". Each
// line is the time "hh:nn:ss", a blank, four blanks per nesting level and the text,
// ending in CR LF. The file is opened and closed for every line; a line that cannot be
// written is lost silently.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace lumoedit {

// The error being handled, as the procedures that catch it see it: inside a catch block
// the number and description of the exception caught (a platform::RuntimeError's own;
// error 7 for std::bad_alloc; error 1 with its what() for any other std::exception); 0 and
// "" outside one.
std::int32_t CurrentErrorNumber();
std::string CurrentErrorDescription();

// Shows and logs "There was a problem <Context>" with the description of ErrorNumber:
// the platform's standard text for the number, or, for a number without one (such as an
// application's own), the current error's description and " (<number>)" when that is
// the error being reported. ErrorNumber 0 reports the context alone. Silent suppresses
// the box, not the log line. Returns the message.
std::string ReportError(std::string_view Context, std::int32_t ErrorNumber, bool Silent = false);

// Shows (unless Silent) and logs at level 5 the problem message:
// "There was a problem <Context>" and, when Description is not empty,
// " and the error's description was reported as : " LF LF "<Description>" in double
// quotes. Both texts are trimmed of blanks. The box has an OK button and the exclamation
// icon and carries the program's title. Returns the message.
std::string ShowError(std::string_view Context, std::string_view Description, bool Silent = false);

// Line kinds of WriteLog.
inline constexpr std::int32_t logPlain = 0;
inline constexpr std::int32_t logOpenLevel = 1;  // write, then indent the lines after it
inline constexpr std::int32_t logCloseLevel = 2; // outdent (never below 0), then write
inline constexpr std::int32_t logResetLevel = 3; // no indent, then write

// Appends one line when the utility object's debug level lets it through: level 0 writes
// nothing (and changes no nesting); -1 writes every line; n > 0 writes lines of Level n or
// lower, a Level of -1 counting as 5. Any Kind other than 1 to 3 acts as 0.
void WriteLog(std::string_view Text, std::int32_t Level = -1, std::int32_t Kind = logPlain);

// The program-wide nesting level of the log (0 at start).
std::int32_t LogNestingLevel();

// The log file for a date serial.
std::string LogFilePath(double serial);

// Copies a text into a fixed byte array: character k (in the ANSI code page) into byte k,
// zero bytes after the text; a longer text is cut.
void StringToBytes(std::span<std::uint8_t> Bytes, std::string_view Text);

// Hooks for the window layer and for tests. The clock gives the log's date and time as a
// date serial (default: now). The mouse pointer hooks read and set the screen's pointer,
// which ShowError sets to the default arrow while the box is up (default: no pointer).
using LogClock = std::function<double()>;
LogClock SetLogClock(LogClock clock);
struct MousePointerHooks {
    std::function<std::int32_t()> get;
    std::function<void(std::int32_t)> set;
};
MousePointerHooks SetMousePointerHooks(MousePointerHooks hooks);

} // namespace lumoedit
