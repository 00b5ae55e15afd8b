#include "app/running_instance.h"

#include "app/fmMain_ids.h"

#include <string>

namespace kestrel {

RunningMarks MarkRunning() noexcept {
    RunningMarks marks;
    const std::wstring session = std::wstring(L"Local\\") + kRunningMutexName;
    const std::wstring global = std::wstring(L"Global\\") + kRunningMutexName;
    marks.session.reset(::CreateMutexW(nullptr, FALSE, session.c_str()));
    marks.anotherInSession = marks.session && ::GetLastError() == ERROR_ALREADY_EXISTS;
    marks.global.reset(::CreateMutexW(nullptr, FALSE, global.c_str()));
    return marks;
}

UINT BringForwardMessage() noexcept {
    static const UINT message = ::RegisterWindowMessageW(L"Kestrel.BringForward");
    return message;
}

void BringRunningKestrelForward() noexcept {
    // The first Kestrel may have taken the name a moment ago and not yet made its window.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (HWND running = ::FindWindowW(ids::fmMain::kWindowClass, nullptr)) {
            DWORD processId = 0;
            ::GetWindowThreadProcessId(running, &processId);
            ::AllowSetForegroundWindow(processId);
            ::PostMessageW(running, BringForwardMessage(), 0, 0);
            return;
        }
        ::Sleep(50);
    }
}

}  // namespace kestrel
