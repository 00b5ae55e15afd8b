// Works Kestrel from the outside, as a user would: starts the real kestrel.exe (another process),
// finds its windows and controls, clicks, reads texts, and prepares and reads the registry.
#pragma once
#include "toolkit/handles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::e2e {

using namespace std::chrono_literals;

// Polls `condition` until it holds (true) or `timeout` passes (false).
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds timeout = 10s) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        ::Sleep(20);
    }
}

// True when `condition` holds throughout `duration`.
template <typename Condition>
bool HoldsFor(Condition condition, std::chrono::milliseconds duration) {
    return !WaitFor([&] { return !condition(); }, duration);
}

// The folder of the test executable, which is also kestrel.exe's.
std::wstring BuildFolder();
// The whole file, or nullopt when it cannot be opened.
std::optional<std::string> FileContents(const std::wstring& path);
// Starts a command line (a Windows program, or a Unix one by its path) and lets it run; whether it
// started. `process` gets its handle, which Wine does not hand back for a Unix program.
bool StartProgram(std::wstring commandLine, UniqueKernelHandle* process = nullptr);
// Runs a program to its end: its exit code, or nullopt if it did not start or did not end in 120 s.
std::optional<DWORD> RunProgram(const std::wstring& exe, const std::wstring& arguments);
std::wstring BuiltProgram();

class KestrelProcess {
public:
    struct NotYet {};
    KestrelProcess();                   // starts kestrel.exe and waits for its main window
    explicit KestrelProcess(NotYet) {}  // started later, by Start
    ~KestrelProcess() { End(); }
    KestrelProcess(const KestrelProcess&) = delete;
    KestrelProcess& operator=(const KestrelProcess&) = delete;

    // Starts the program and waits for its main window; false when it could not be started.
    bool Start(const std::wstring& exe = BuiltProgram());
    // Starts the program without waiting for anything. Both end the program started before.
    bool Launch(const std::wstring& exe = BuiltProgram());
    void End();  // kills the program if it still runs

    HWND Main() const { return main_; }
    DWORD ProcessId() const { return processId_; }
    HANDLE Process() const { return process_.get(); }
    bool Running() const;
    // The exit code, or nullopt when the program still runs after `timeout`.
    std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout = 10s);
    HWND FindTopLevel(const wchar_t* windowClass, const wchar_t* caption = nullptr, bool visibleOnly = true) const;
    std::vector<HWND> TopLevels(const wchar_t* windowClass = nullptr, bool visibleOnly = true) const;

private:
    UniqueKernelHandle process_;
    DWORD processId_ = 0;
    HWND main_ = nullptr;
};

// A Kestrel of the test's own, started once the test has prepared what the program reads at
// start-up, and killed with the test (when a failed test left it running or behind a message box).
class KestrelTest : public ::testing::Test {
protected:
    // Starts a fresh program and asserts that its main window came up.
    void Start(const std::wstring& exe = BuiltProgram());
    // Writes the four settings into a fresh settings key, then starts.
    void StartWith(const std::string& scope, const std::string& destination, const std::string& orientation,
                   const std::string& percent);
    // The Exit button, or the main window closed (close box, system menu): the program ends with 0.
    void Exit();
    void Close(UINT message = WM_CLOSE, WPARAM wParam = 0);

    KestrelProcess kestrel_{KestrelProcess::NotYet{}};
    HWND main_ = nullptr;
};

template <typename Param>
class KestrelTestWithParam : public KestrelTest, public ::testing::WithParamInterface<Param> {};

// Window helpers (cross-process; messages are sent with a time-out).
std::wstring WindowText(HWND wnd);
std::wstring ClassName(HWND wnd);
void SetWindowTextRemote(HWND wnd, const std::wstring& text);
void Click(HWND button);  // posted, so a modal window it opens does not block the test
// A key pressed and released while `target` has the focus, as the keyboard delivers it.
void PressKey(HWND target, UINT key);
// The control that has the keyboard focus on that window's thread, or nullptr.
HWND FocusOf(HWND wnd);
// What the window answers, or nullopt when its thread did not answer within 5 s.
std::optional<LRESULT> Answer(HWND wnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// The answer, or 0 when there was none.
LRESULT SendTo(HWND wnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Whether the window's thread answers a message.
bool Responsive(HWND wnd);
HWND Child(HWND parent, int id);
// The hidden settings fields of the main window, by control id; all four in the order Scope,
// Destination, Orientation, Percent.
std::wstring Field(HWND main, int id);
void SetField(HWND main, int id, const std::wstring& text);
std::vector<std::wstring> Fields(HWND main);
void SetFields(HWND main, const std::vector<std::wstring>& texts);
RECT ClientRectOnScreen(HWND wnd);
RECT WindowRect(HWND wnd);
int ScreenDpi();
int ToTwips(int pixels);
// A message box (class #32770) of that process, if one is up, and its text.
HWND FindMessageBox(DWORD processId);
std::wstring MessageBoxText(HWND box);

// The settings key HKLM\Software\Olm\Kestrel.
struct RawValue {
    DWORD type = 0;
    std::vector<std::uint8_t> data;
    std::string Text() const;  // REG_SZ data as text, one trailing NUL dropped (Wine may store one)
};
void DeleteSettingsKey();
void CreateSettingsKey();
void WriteRawValue(const char* name, DWORD type, const void* data, DWORD size);
void WriteText(const char* name, const std::string& text);  // REG_SZ without terminating NUL
std::optional<RawValue> ReadRawValue(const char* name);
// The four settings as stored, in the order Scope, Destination, Orientation, Percent; "(none)"
// for a missing one.
std::vector<std::string> StoredSettings();
void WriteSettings(const std::string& scope, const std::string& destination, const std::string& orientation,
                   const std::string& percent);

}  // namespace kestrel::e2e
