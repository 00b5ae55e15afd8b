#include "tests/e2e/driver.h"

#include "app/fmMain_ids.h"

#include <stdexcept>

namespace kestrel::e2e {
namespace {

constexpr char kKeyPath[] = "Software\\Olm\\Kestrel";

struct FindArgs {
    DWORD pid;
    const wchar_t* windowClass;
    const wchar_t* caption;
    bool visibleOnly;
    std::vector<HWND>* all;
    HWND found;
};

BOOL CALLBACK FindProc(HWND wnd, LPARAM param) {
    auto* args = reinterpret_cast<FindArgs*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(wnd, &pid);
    if (pid != args->pid) return TRUE;
    if (args->visibleOnly && !::IsWindowVisible(wnd)) return TRUE;
    if (args->windowClass && ClassName(wnd) != args->windowClass) return TRUE;
    if (args->caption && WindowText(wnd) != args->caption) return TRUE;
    if (args->all) {
        args->all->push_back(wnd);
        return TRUE;
    }
    args->found = wnd;
    return FALSE;
}

}  // namespace

std::wstring BuildFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.resize(folder.find_last_of(L"\\/"));
    return folder;
}

std::wstring BuiltProgram() { return BuildFolder() + L"\\kestrel.exe"; }

KestrelProcess::KestrelProcess() : KestrelProcess(BuiltProgram()) {}

KestrelProcess::KestrelProcess(const std::wstring& exe) {
    if (!Start(exe)) throw std::runtime_error("kestrel.exe could not be started");
}

bool KestrelProcess::Launch(const std::wstring& exe) {
    End();
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    return ::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info_);
}

bool KestrelProcess::Start(const std::wstring& exe) {
    if (!Launch(exe)) return false;
    ::WaitForInputIdle(info_.hProcess, 10000);
    WaitFor([&] {
        main_ = FindTopLevel(ids::fmMain::kWindowClass, L"Kestrel");
        return main_ != nullptr;
    });
    return true;
}

KestrelProcess::~KestrelProcess() { End(); }

void KestrelProcess::End() {
    if (!info_.hProcess) return;
    if (Running()) {
        ::TerminateProcess(info_.hProcess, 99);
        ::WaitForSingleObject(info_.hProcess, 5000);
    }
    ::CloseHandle(info_.hThread);
    ::CloseHandle(info_.hProcess);
    info_ = {};
    main_ = nullptr;
}

bool KestrelProcess::Running() const { return ::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> KestrelProcess::WaitForExit(std::chrono::milliseconds timeout) {
    if (::WaitForSingleObject(info_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

HWND KestrelProcess::FindTopLevel(const wchar_t* windowClass, const wchar_t* caption, bool visibleOnly) const {
    FindArgs args{info_.dwProcessId, windowClass, caption, visibleOnly, nullptr, nullptr};
    ::EnumWindows(FindProc, reinterpret_cast<LPARAM>(&args));
    return args.found;
}

std::vector<HWND> KestrelProcess::TopLevels(const wchar_t* windowClass, bool visibleOnly) const {
    std::vector<HWND> all;
    FindArgs args{info_.dwProcessId, windowClass, nullptr, visibleOnly, &all, nullptr};
    ::EnumWindows(FindProc, reinterpret_cast<LPARAM>(&args));
    return all;
}

void KestrelTest::Start(const std::wstring& exe) {
    ASSERT_TRUE(kestrel_.Start(exe)) << "the program could not be started";
    main_ = kestrel_.Main();
    ASSERT_NE(main_, nullptr) << "the main window did not come up";
}

void KestrelTest::StartWith(const std::string& scope, const std::string& destination, const std::string& orientation,
                            const std::string& percent) {
    DeleteSettingsKey();
    WriteSettings(scope, destination, orientation, percent);
    Start();
}

void KestrelTest::Exit() {
    Click(Child(main_, ids::fmMain::kCmdExit));
    ASSERT_EQ(kestrel_.WaitForExit(), 0u) << "Exit ends the program";
}

void KestrelTest::Close(UINT message, WPARAM wParam) {
    ::PostMessageW(main_, message, wParam, 0);
    ASSERT_EQ(kestrel_.WaitForExit(), 0u) << "the program ends with its window";
}

std::wstring WindowText(HWND wnd) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(wnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutW(wnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                          &copied);
    text.resize(static_cast<size_t>(copied));
    return text;
}

std::wstring ClassName(HWND wnd) {
    wchar_t name[256] = {};
    ::GetClassNameW(wnd, name, 256);
    return name;
}

void SetWindowTextRemote(HWND wnd, const std::wstring& text) {
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000, &ignored);
}

void Click(HWND button) { ::PostMessageW(button, BM_CLICK, 0, 0); }

void PressKey(HWND target, UINT key) {
    const UINT scan = ::MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    ::PostMessageW(target, WM_KEYDOWN, key, 1 | (scan << 16));
    ::PostMessageW(target, WM_KEYUP, key, 1 | (scan << 16) | (1u << 30) | (1u << 31));
}

HWND FocusOf(HWND wnd) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(wnd, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

LRESULT SendTo(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(wnd, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

HWND Child(HWND parent, int id) { return ::GetDlgItem(parent, id); }

std::wstring Field(HWND main, int id) { return WindowText(Child(Child(main, ids::fmMain::kPicture1), id)); }

void SetField(HWND main, int id, const std::wstring& text) {
    SetWindowTextRemote(Child(Child(main, ids::fmMain::kPicture1), id), text);
}

namespace {
constexpr int kFieldIds[] = {ids::fmMain::kTxtScope, ids::fmMain::kTxtDest, ids::fmMain::kTxtOrientation,
                             ids::fmMain::kTxtPercent};
constexpr const char* kValueNames[] = {"Scope", "Destination", "Orientation", "Percent"};
}  // namespace

std::vector<std::wstring> Fields(HWND main) {
    std::vector<std::wstring> texts;
    for (int id : kFieldIds) texts.push_back(Field(main, id));
    return texts;
}

void SetFields(HWND main, const std::vector<std::wstring>& texts) {
    for (size_t i = 0; i < texts.size() && i < std::size(kFieldIds); ++i) SetField(main, kFieldIds[i], texts[i]);
}

RECT ClientRectOnScreen(HWND wnd) {
    RECT rect{};
    ::GetClientRect(wnd, &rect);
    ::MapWindowPoints(wnd, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT WindowRect(HWND wnd) {
    RECT rect{};
    ::GetWindowRect(wnd, &rect);
    return rect;
}

int ScreenDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int ToTwips(int pixels) { return ::MulDiv(pixels, 1440, ScreenDpi()); }

HWND FindMessageBox(DWORD processId) {
    FindArgs args{processId, L"#32770", nullptr, true, nullptr, nullptr};
    ::EnumWindows(FindProc, reinterpret_cast<LPARAM>(&args));
    return args.found;
}

std::wstring MessageBoxText(HWND box) {
    // The text of a message box is its static control with id 0xFFFF.
    return WindowText(::GetDlgItem(box, 0xFFFF));
}

std::string RawValue::Text() const {
    std::string text(data.begin(), data.end());
    if (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

void DeleteSettingsKey() { ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKeyPath); }

void CreateSettingsKey() {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        ::RegCloseKey(key);
    }
}

void WriteRawValue(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        throw std::runtime_error("settings key could not be created");
    }
    ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
}

void WriteText(const char* name, const std::string& text) {
    WriteRawValue(name, REG_SZ, text.data(), static_cast<DWORD>(text.size()));
}

std::optional<RawValue> ReadRawValue(const char* name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return std::nullopt;
    RawValue value;
    DWORD size = 0;
    LSTATUS status = ::RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        value.data.resize(size);
        status = ::RegQueryValueExA(key, name, nullptr, &value.type, value.data.data(), &size);
        value.data.resize(size);
    }
    ::RegCloseKey(key);
    if (status != ERROR_SUCCESS) return std::nullopt;
    return value;
}

std::vector<std::string> StoredSettings() {
    std::vector<std::string> texts;
    for (const char* name : kValueNames) {
        const std::optional<RawValue> value = ReadRawValue(name);
        texts.push_back(value ? value->Text() : "(none)");
    }
    return texts;
}

void WriteSettings(const std::string& scope, const std::string& destination, const std::string& orientation,
                   const std::string& percent) {
    WriteText("Scope", scope);
    WriteText("Destination", destination);
    WriteText("Orientation", orientation);
    WriteText("Percent", percent);
}

}  // namespace kestrel::e2e
