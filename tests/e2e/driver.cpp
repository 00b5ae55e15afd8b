#include "tests/e2e/driver.h"

#include "app/fmMain_ids.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kestrel::e2e {
namespace {

constexpr char kKeyPath[] = "Software\\Olm\\Kestrel";
constexpr int kFieldIds[] = {ids::fmMain::kTxtScope, ids::fmMain::kTxtDest, ids::fmMain::kTxtOrientation,
                             ids::fmMain::kTxtPercent};
constexpr const char* kValueNames[] = {"Scope", "Destination", "Orientation", "Percent"};

// The top-level windows of a process, in z-order. (The class and caption compare without case.)
std::vector<HWND> TopLevelsOf(DWORD pid, const wchar_t* windowClass, const wchar_t* caption, bool visibleOnly) {
    std::vector<HWND> found;
    for (HWND wnd = nullptr; (wnd = ::FindWindowExW(nullptr, wnd, windowClass, caption)) != nullptr;) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(wnd, &owner);
        if (owner == pid && (!visibleOnly || ::IsWindowVisible(wnd))) found.push_back(wnd);
    }
    return found;
}

HWND FirstTopLevelOf(DWORD pid, const wchar_t* windowClass, const wchar_t* caption = nullptr, bool visibleOnly = true) {
    const std::vector<HWND> found = TopLevelsOf(pid, windowClass, caption, visibleOnly);
    return found.empty() ? nullptr : found.front();
}

UniqueKey CreateKey() {
    HKEY key = nullptr;
    const LSTATUS status =
        ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return UniqueKey(status == ERROR_SUCCESS ? key : nullptr);
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

std::optional<std::string> FileContents(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool StartProgram(std::wstring commandLine, UniqueKernelHandle* process) {
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return false;
    }
    const UniqueKernelHandle thread(info.hThread);
    UniqueKernelHandle started(info.hProcess);
    if (process) *process = std::move(started);
    return true;
}

std::optional<DWORD> RunProgram(const std::wstring& exe, const std::wstring& arguments) {
    UniqueKernelHandle process;
    DWORD code = 0;
    if (!StartProgram(L"\"" + exe + L"\" " + arguments, &process) || !process ||
        ::WaitForSingleObject(process.get(), 120000) != WAIT_OBJECT_0 || !::GetExitCodeProcess(process.get(), &code)) {
        return std::nullopt;
    }
    return code;
}

KestrelProcess::KestrelProcess() {
    if (!Start()) throw std::runtime_error("kestrel.exe could not be started");
}

bool KestrelProcess::Launch(const std::wstring& exe) {
    End();
    if (!StartProgram(L"\"" + exe + L"\"", &process_) || !process_) return false;
    processId_ = ::GetProcessId(process_.get());
    return true;
}

bool KestrelProcess::Start(const std::wstring& exe) {
    if (!Launch(exe)) return false;
    ::WaitForInputIdle(Process(), 10000);
    WaitFor([&] { return (main_ = FindTopLevel(ids::fmMain::kWindowClass, L"Kestrel")) != nullptr; });
    return true;
}

void KestrelProcess::End() {
    if (Running()) {
        ::TerminateProcess(Process(), 99);
        ::WaitForSingleObject(Process(), 5000);
    }
    process_.reset();
    processId_ = 0;
    main_ = nullptr;
}

bool KestrelProcess::Running() const { return process_ && ::WaitForSingleObject(Process(), 0) == WAIT_TIMEOUT; }

std::optional<DWORD> KestrelProcess::WaitForExit(std::chrono::milliseconds timeout) {
    DWORD code = 0;
    if (::WaitForSingleObject(Process(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(Process(), &code)) {
        return std::nullopt;
    }
    return code;
}

HWND KestrelProcess::FindTopLevel(const wchar_t* windowClass, const wchar_t* caption, bool visibleOnly) const {
    return FirstTopLevelOf(processId_, windowClass, caption, visibleOnly);
}

std::vector<HWND> KestrelProcess::TopLevels(const wchar_t* windowClass, bool visibleOnly) const {
    return TopLevelsOf(processId_, windowClass, nullptr, visibleOnly);
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
    std::wstring text(static_cast<size_t>(SendTo(wnd, WM_GETTEXTLENGTH)) + 1, L'\0');
    text.resize(static_cast<size_t>(SendTo(wnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

std::wstring ClassName(HWND wnd) {
    wchar_t name[256] = {};
    ::GetClassNameW(wnd, name, 256);
    return name;
}

void SetWindowTextRemote(HWND wnd, const std::wstring& text) {
    SendTo(wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
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
    return ::GetGUIThreadInfo(::GetWindowThreadProcessId(wnd, nullptr), &info) ? info.hwndFocus : nullptr;
}

std::optional<LRESULT> Answer(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(wnd, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result)) return std::nullopt;
    return static_cast<LRESULT>(result);
}

LRESULT SendTo(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return Answer(wnd, message, wParam, lParam).value_or(0);
}

bool Responsive(HWND wnd) { return Answer(wnd, WM_NULL).has_value(); }

HWND Child(HWND parent, int id) { return ::GetDlgItem(parent, id); }

std::wstring Field(HWND main, int id) { return WindowText(Child(Child(main, ids::fmMain::kPicture1), id)); }

void SetField(HWND main, int id, const std::wstring& text) {
    SetWindowTextRemote(Child(Child(main, ids::fmMain::kPicture1), id), text);
}

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
    const int dpi = ::GetDeviceCaps(WindowDc::Client(nullptr).get(), LOGPIXELSX);
    return dpi > 0 ? dpi : 96;
}

int ToTwips(int pixels) { return ::MulDiv(pixels, 1440, ScreenDpi()); }

HWND FindMessageBox(DWORD processId) { return FirstTopLevelOf(processId, L"#32770"); }

// The text of a message box is its static control with id 0xFFFF.
std::wstring MessageBoxText(HWND box) { return WindowText(::GetDlgItem(box, 0xFFFF)); }

std::string RawValue::Text() const {
    std::string text(data.begin(), data.end());
    if (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

void DeleteSettingsKey() { ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKeyPath); }

void CreateSettingsKey() { CreateKey(); }

void WriteRawValue(const char* name, DWORD type, const void* data, DWORD size) {
    const UniqueKey key = CreateKey();
    if (!key) throw std::runtime_error("settings key could not be created");
    ::RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size);
}

void WriteText(const char* name, const std::string& text) {
    WriteRawValue(name, REG_SZ, text.data(), static_cast<DWORD>(text.size()));
}

std::optional<RawValue> ReadRawValue(const char* name) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return std::nullopt;
    const UniqueKey key(opened);
    RawValue value;
    DWORD size = 0;
    if (::RegQueryValueExA(key.get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    value.data.resize(size);
    if (::RegQueryValueExA(key.get(), name, nullptr, &value.type, value.data.data(), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.data.resize(size);
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
    const std::string* texts[] = {&scope, &destination, &orientation, &percent};
    for (size_t i = 0; i < std::size(texts); ++i) WriteText(kValueNames[i], *texts[i]);
}

}  // namespace kestrel::e2e
