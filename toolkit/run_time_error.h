// Run-time errors in the toolkit's own style: a number plus a description.
//
// The guarded routines of the main window show the description in a message box and the
// last-resort handler reports it too, so the description must be the user-facing text. The number
// lets tests (and callers that want to) tell the kinds apart without comparing strings.
#pragma once

#include <exception>
#include <new>
#include <stdexcept>
#include <string>

namespace kestrel {

struct RunTimeError : std::runtime_error {
    int number;

    RunTimeError(int errorNumber, const std::string& description)
        : std::runtime_error(description), number(errorNumber) {}
};

// The numbers the classic toolkit used for these faults, so that a report looks the same as users
// of the original program knew it. Every numbered error of the program takes its number from here.
inline constexpr int kErrInvalidCall = 5;
inline constexpr int kErrOverflow = 6;
inline constexpr int kErrOutOfMemory = 7;
inline constexpr int kErrDivisionByZero = 11;
inline constexpr int kErrObjectNotSet = 91;
inline constexpr int kErrInvalidPropertyValue = 380;
inline constexpr int kErrInvalidPicture = 481;
inline constexpr int kErrPrinter = 482;
inline constexpr int kErrClipboardBusy = 521;

inline RunTimeError OverflowError() { return RunTimeError(kErrOverflow, "Overflow"); }
inline RunTimeError DivisionByZeroError() { return RunTimeError(kErrDivisionByZero, "Division by zero"); }
inline RunTimeError InvalidCallError() { return RunTimeError(kErrInvalidCall, "Invalid procedure call or argument"); }
inline RunTimeError OutOfMemoryError() { return RunTimeError(kErrOutOfMemory, "Out of memory"); }
inline RunTimeError InvalidPictureError() { return RunTimeError(kErrInvalidPicture, "Invalid picture"); }
inline RunTimeError PrinterError(const std::string& description) { return RunTimeError(kErrPrinter, description); }

// The standard library's own out-of-memory error reads as the toolkit's; anything else that is
// not a RunTimeError has no number (0).
inline int ErrorNumber(const std::exception& error) noexcept {
    if (const auto* runTime = dynamic_cast<const RunTimeError*>(&error)) return runTime->number;
    if (dynamic_cast<const std::bad_alloc*>(&error)) return kErrOutOfMemory;
    return 0;
}

// The text a user is shown for an error.
inline std::string ErrorDescription(const std::exception& error) {
    if (dynamic_cast<const std::bad_alloc*>(&error)) return OutOfMemoryError().what();
    return error.what();
}

}  // namespace kestrel
