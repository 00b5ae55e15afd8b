// What the footprint and click benchmarks share: starting a program and finding its visible window,
// waiting with a deadline, medians, and driving Kestrel's or a floor's capture from outside.
#pragma once
#include "app/fmMain_ids.h"
#include "toolkit/handles.h"
#include "toolkit/win.h"

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace kestrel::bench {

using Clock = std::chrono::steady_clock;

inline constexpr wchar_t kFloorClass[] = L"Kestrel.Floor";
// The floors' capture command (bench/floor_window.cpp), and the themed floor's button id.
inline constexpr int kFloorCaptureCommand = 1;

template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition()) return true;
        if (Clock::now() > end) return false;
        ::Sleep(1);
    }
}

inline double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct FindArgs {
    DWORD pid;
    const wchar_t* windowClass;
    HWND found;
};

inline BOOL CALLBACK FindVisible(HWND wnd, LPARAM param) {
    auto* args = reinterpret_cast<FindArgs*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(wnd, &pid);
    if (pid != args->pid || !::IsWindowVisible(wnd)) return TRUE;
    wchar_t name[64] = {};
    ::GetClassNameW(wnd, name, 64);
    if (std::wstring(name) != args->windowClass) return TRUE;
    args->found = wnd;
    return FALSE;
}

// A program started for measuring; closed (and if need be ended) when the object goes.
class Running {
public:
    // Starts `exe` with `arguments` and waits (up to 30 s) for its window of that class to be visible.
    Running(const std::wstring& exe, const wchar_t* windowClass, const std::wstring& arguments = L"") {
        std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        const auto start = Clock::now();
        PROCESS_INFORMATION info{};
        if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                              &info)) {
            return;
        }
        process_.reset(info.hProcess);
        ::CloseHandle(info.hThread);
        FindArgs args{info.dwProcessId, windowClass, nullptr};
        auto visible = [&] {
            ::EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&args));
            return args.found != nullptr;
        };
        if (WaitFor(visible, 30000)) {
            window_ = args.found;
            msToVisible_ = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        }
    }
    ~Running() {
        if (!process_) return;
        if (window_) ::PostMessageW(window_, WM_CLOSE, 0, 0);
        if (::WaitForSingleObject(process_.get(), 5000) != WAIT_OBJECT_0) ::TerminateProcess(process_.get(), 1);
        ::WaitForSingleObject(process_.get(), 5000);
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

    HWND Window() const { return window_; }
    HANDLE Process() const { return process_.get(); }
    double MsToVisible() const { return msToVisible_; }
    // The commit charge: Wine reports PrivateUsage as 0 for other processes, and PagefileUsage is
    // the process's resident anonymous memory (RssAnon plus swap).
    std::size_t PrivateBytes() const {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        ::GetProcessMemoryInfo(process_.get(), &counters, sizeof counters);
        return counters.PagefileUsage;
    }

private:
    UniqueKernelHandle process_;
    HWND window_ = nullptr;
    double msToVisible_ = 0;
};

inline void SetText(HWND wnd, const wchar_t* text) {
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &ignored);
}

// Kestrel's settings for the next captures: Scope "1" entire screen or "2" active window, to the
// clipboard.
inline void SetKestrelScope(HWND main, bool entireScreen) {
    HWND fields = ::GetDlgItem(main, ids::fmMain::kPicture1);
    SetText(::GetDlgItem(fields, ids::fmMain::kTxtScope), entireScreen ? L"1" : L"2");
    SetText(::GetDlgItem(fields, ids::fmMain::kTxtDest), L"2");
}

// What a user clicks for a capture: Kestrel's Capture button, the themed floor's button, or (the
// bare floor has none) the floor window itself, which takes the command directly.
inline HWND CaptureButton(HWND main) {
    if (HWND button = ::GetDlgItem(main, ids::fmMain::kCmdCapture)) return button;
    return ::GetDlgItem(main, kFloorCaptureCommand);
}

// Starts one capture as a click does, without waiting for it.
inline void PostCaptureClick(HWND main) {
    if (HWND button = CaptureButton(main)) {
        ::PostMessageW(button, BM_CLICK, 0, 0);
    } else {
        ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(kFloorCaptureCommand, BN_CLICKED), 0);
    }
}

}  // namespace kestrel::bench
