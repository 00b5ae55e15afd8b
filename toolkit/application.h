// The application object: the event loop and its yield, message boxes, the beep, the product name,
// and the last-resort error report that ends the program.
#pragma once
#include "toolkit/win.h"

#include <exception>
#include <string>

namespace kestrel::app {

HINSTANCE Instance();

// ProductName of the program's version record ("Kestrel"); cached after the first read.
const std::wstring& ProductName();

// Processes every event that is pending, then returns (the classic DoEvents).
void DoEvents();

// Runs the event loop until the last form has been unloaded; returns the exit code.
int Run();

int MsgBox(const std::wstring& text, UINT style, const std::wstring& title);
void Beep();

// Ends the process at once: no further event handler of the program runs.
[[noreturn]] void EndProgram(int exitCode);

// The last resort for an error no handler caught: report its number and description, then end.
[[noreturn]] void ReportFatalError(const std::exception& error) noexcept;
[[noreturn]] void ReportFatalError() noexcept;

// Bookkeeping of loaded forms: the program ends when none is left.
void FormLoaded();
void FormUnloaded();

// Activates the top-level windows of a process (the classic AppActivate by process id).
void ActivateProcess(DWORD processId);

}  // namespace kestrel::app
