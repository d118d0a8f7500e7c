// Runtime errors as the rest of the system sees them: a number and a description.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

// Error numbers the system raises or catches by number.
namespace err {
inline constexpr int InvalidCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int DivisionByZero = 11;
inline constexpr int TypeMismatch = 13;
inline constexpr int BadFileName = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int BadFileMode = 54;
inline constexpr int FileAlreadyOpen = 55;
inline constexpr int DeviceIO = 57;
inline constexpr int FileAlreadyExists = 58;
inline constexpr int DiskFull = 61;
inline constexpr int InputPastEnd = 62;
inline constexpr int PermissionDenied = 70;
inline constexpr int DiskNotReady = 71;
inline constexpr int PathFileAccess = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int ObjectNotSet = 91;
inline constexpr int InvalidUseOfNull = 94;
inline constexpr int InvalidPropertyValue = 380;
inline constexpr int ObjectRequired = 424;
inline constexpr int CannotCreateObject = 429;
inline constexpr int MemberNotSupported = 438;
inline constexpr int AutomationError = 440;
inline constexpr int ArgumentNotOptional = 449;
inline constexpr int WrongArgumentCount = 450;
inline constexpr int Cancelled = 32755;
} // namespace err

// The platform's standard text for an error number; "Application-defined or
// object-defined error" for numbers it has no text for.
std::string_view StandardMessage(int number);

class RuntimeError : public std::runtime_error {
public:
    // Uses the standard text when description is empty.
    explicit RuntimeError(int number, std::string description = {});

    int Number() const noexcept { return number_; }
    const std::string& Description() const noexcept { return description_; }

private:
    int number_;
    std::string description_;
};

[[noreturn]] void Raise(int number, std::string description = {});

} // namespace platform
