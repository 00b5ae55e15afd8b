// Run-time errors in the toolkit's own style: a number plus a description.
//
// The guarded routines of the main window show `what()` in a message box and
// the last-resort handler reports it too, so the description must be the
// user-facing text. The number lets tests (and callers that want to) tell the
// kinds apart without comparing strings.
#pragma once

#include <stdexcept>
#include <string>

namespace kestrel {

struct RunTimeError : std::runtime_error {
    int number;

    RunTimeError(int errorNumber, const std::string& description)
        : std::runtime_error(description), number(errorNumber) {}
};

// The three numbers are the ones the classic toolkit used for these faults,
// so a report looks the same as users of the original program knew it.
inline RunTimeError OverflowError() { return RunTimeError(6, "Overflow"); }
inline RunTimeError DivisionByZeroError() { return RunTimeError(11, "Division by zero"); }
inline RunTimeError InvalidCallError() { return RunTimeError(5, "Invalid procedure call or argument"); }

}  // namespace kestrel
