#include "toolkit/application.h"

#include "toolkit/dialog_keys.h"
#include "toolkit/run_time_error.h"
#include "toolkit/system_function.h"
#include "toolkit/text.h"

#include <vector>

namespace kestrel::app {
namespace {

int g_loadedForms = 0;

// version.dll is no KnownDLL: imported, it would be looked for beside the program first.
std::wstring ReadProductName() {
    const auto infoSize =
        SystemFunction<decltype(&::GetFileVersionInfoSizeW)>(L"version.dll", "GetFileVersionInfoSizeW");
    const auto info = SystemFunction<decltype(&::GetFileVersionInfoW)>(L"version.dll", "GetFileVersionInfoW");
    const auto queryValue = SystemFunction<decltype(&::VerQueryValueW)>(L"version.dll", "VerQueryValueW");
    if (!infoSize || !info || !queryValue) return L"Kestrel";
    wchar_t path[MAX_PATH] = {};
    if (!::GetModuleFileNameW(nullptr, path, MAX_PATH)) return L"Kestrel";
    DWORD ignored = 0;
    const DWORD size = infoSize(path, &ignored);
    if (size == 0) return L"Kestrel";
    std::vector<unsigned char> block(size);
    if (!info(path, 0, size, block.data())) return L"Kestrel";
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translations = nullptr;
    UINT bytes = 0;
    if (!queryValue(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &bytes) ||
        bytes < sizeof(Translation)) {
        return L"Kestrel";
    }
    wchar_t query[64];
    wsprintfW(query, L"\\StringFileInfo\\%04x%04x\\ProductName", translations->language, translations->codePage);
    wchar_t* value = nullptr;
    UINT chars = 0;
    if (!queryValue(block.data(), query, reinterpret_cast<void**>(&value), &chars) || chars == 0) return L"Kestrel";
    return std::wstring(value);
}

struct ProcessWindows {
    DWORD processId;
    HWND visible;
    HWND hidden;
};

BOOL CALLBACK FindProcessWindow(HWND wnd, LPARAM param) {
    auto* search = reinterpret_cast<ProcessWindows*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(wnd, &owner);
    if (owner != search->processId || ::GetWindow(wnd, GW_OWNER)) return TRUE;
    if (::IsWindowVisible(wnd)) {
        search->visible = wnd;
        return FALSE;
    }
    if (!search->hidden) search->hidden = wnd;
    return TRUE;
}

bool Dispatch(MSG& msg) {
    if (TranslateDialogKeys(msg)) return true;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
    return true;
}

}  // namespace

HINSTANCE Instance() { return ::GetModuleHandleW(nullptr); }

const std::wstring& ProductName() {
    static const std::wstring name = ReadProductName();
    return name;
}

void DoEvents() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave the quit for the outer loop that owns it.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        Dispatch(msg);
    }
}

int Run() {
    MSG msg;
    while (g_loadedForms > 0) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got == -1) return 1;
        Dispatch(msg);
    }
    return 0;
}

int MsgBox(const std::wstring& text, UINT style, const std::wstring& title) {
    return ::MessageBoxW(nullptr, text.c_str(), title.c_str(), style | MB_SETFOREGROUND | MB_TASKMODAL);
}

void Beep() { ::MessageBeep(MB_OK); }

void EndProgram(int exitCode) { ::ExitProcess(static_cast<UINT>(exitCode)); }

void ReportFatalError(const std::exception& error) noexcept {
    try {
        const int number = ErrorNumber(error);
        const std::wstring heading =
            number ? L"Run-time error '" + Widen(std::to_string(number)) + L"':" : std::wstring(L"Run-time error:");
        const std::wstring text = heading + L"\n\n" + Widen(ErrorDescription(error));
        ::MessageBoxW(nullptr, text.c_str(), ProductName().c_str(),
                      MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
    } catch (...) {
    }
    ::ExitProcess(1);
}

void ReportFatalError() noexcept {
    ::MessageBoxW(nullptr, L"Run-time error:\n\nUnexpected error", L"Kestrel", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    ::ExitProcess(1);
}

void FormLoaded() { ++g_loadedForms; }

void FormUnloaded() {
    if (--g_loadedForms <= 0) ::PostQuitMessage(0);
}

void ActivateProcess(DWORD processId) {
    ProcessWindows search{processId, nullptr, nullptr};
    ::EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
    // A program that sits in the notification area has no visible window; its hidden window still
    // has to take the foreground, or its popup menu would not close when the user clicks elsewhere.
    if (HWND target = search.visible ? search.visible : search.hidden) ::SetForegroundWindow(target);
}

}  // namespace kestrel::app
