#include "tests/e2e/capture_support.h"

#include "app/fmMain_ids.h"
#include "toolkit/handles.h"

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstring>
#include <sstream>

namespace kestrel::e2e::capture {
namespace {

// A hidden window of the test process that opens the clipboard.
HWND ClipboardReader() {
    static HWND reader = ::CreateWindowExW(0, L"STATIC", L"clipboard reader", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                           ::GetModuleHandleW(nullptr), nullptr);
    return reader;
}

std::vector<Pixel> Colours(const std::vector<PALETTEENTRY>& entries) {
    std::vector<Pixel> colours;
    for (const PALETTEENTRY& entry : entries) colours.push_back(Rgb(entry.peRed, entry.peGreen, entry.peBlue));
    return colours;
}

std::vector<Pixel> SystemPalette() {
    const WindowDc screen = WindowDc::Client(nullptr);
    std::vector<PALETTEENTRY> entries(256);
    entries.resize(::GetSystemPaletteEntries(screen.get(), 0, 256, entries.data()));
    return Colours(entries);
}

struct WindowCount {
    DWORD process;
    int count;
};

BOOL CALLBACK CountWindow(HWND wnd, LPARAM param) {
    auto* windows = reinterpret_cast<WindowCount*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(wnd, &process);
    if (process == windows->process) ++windows->count;
    return TRUE;
}

// GDI_HANDLE_ENTRY of the 64-bit handle table.
constexpr size_t kGdiEntries = 0x10000;
constexpr size_t kGdiEntrySize = 24;
constexpr size_t kGdiTypeOffset = 14;
#ifdef _WIN64
constexpr size_t kPebGdiSharedHandleTable = 0xF8;
#else
constexpr size_t kPebGdiSharedHandleTable = 0x94;
#endif

}  // namespace

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

bool OpenClipboardPatiently() {
    return PumpUntil([] { return ::OpenClipboard(ClipboardReader()) != FALSE; }, 5s);
}

ClipboardPicture ReadClipboardPicture() {
    ClipboardPicture result;
    if (!OpenClipboardPatiently()) return result;
    result.offersDib = ::IsClipboardFormatAvailable(CF_DIB) != FALSE;
    HBITMAP bitmap = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    HPALETTE palette = static_cast<HPALETTE>(::GetClipboardData(CF_PALETTE));
    if (palette) {
        std::vector<PALETTEENTRY> entries(::GetPaletteEntries(palette, 0, 0, nullptr));
        ::GetPaletteEntries(palette, 0, static_cast<UINT>(entries.size()), entries.data());
        result.palette = Colours(entries);
    }
    BITMAP info{};
    if (bitmap && ::GetObjectW(bitmap, sizeof info, &info)) {
        result.hasBitmap = true;
        result.bitsPerPixel = info.bmBitsPixel;
        result.image = Image{info.bmWidth, info.bmHeight, {}};
        result.image.pixels.resize(static_cast<size_t>(info.bmWidth) * static_cast<size_t>(info.bmHeight));
        BITMAPINFO request = TopDown32BitInfo(info.bmWidth, info.bmHeight);
        const WindowDc screen = WindowDc::Client(nullptr);
        const UniqueDc dc(::CreateCompatibleDC(screen.get()));
        HPALETTE previous = palette ? ::SelectPalette(dc.get(), palette, FALSE) : nullptr;
        if (palette) ::RealizePalette(dc.get());
        ::GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(info.bmHeight), result.image.pixels.data(), &request,
                    DIB_RGB_COLORS);
        if (previous) ::SelectPalette(dc.get(), previous, FALSE);
        for (Pixel& p : result.image.pixels) p &= 0x00FFFFFF;
    }
    ::CloseClipboard();
    return result;
}

void PutTextOnClipboard(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboardPatiently());
    ::EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(::GlobalLock(memory), text.c_str(), bytes);
    ::GlobalUnlock(memory);
    ::SetClipboardData(CF_UNICODETEXT, memory);
    ::CloseClipboard();
}

std::optional<std::wstring> ClipboardText() {
    if (!OpenClipboardPatiently()) return std::nullopt;
    std::optional<std::wstring> text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        text = std::wstring(static_cast<const wchar_t*>(::GlobalLock(data)));
        ::GlobalUnlock(data);
    }
    ::CloseClipboard();
    return text;
}

void PressButton(HWND main, int id) {
    ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Child(main, id)));
}

void PressCapture(HWND main) { PressButton(main, ids::fmMain::kCmdCapture); }

bool WaitForCaptureDone(HWND main, DWORD sequenceBefore, bool windowComesBack, std::chrono::milliseconds timeout) {
    return PumpUntil(
        [&] {
            return ::GetClipboardSequenceNumber() != sequenceBefore && ::IsClipboardFormatAvailable(CF_BITMAP) &&
                   ::GetOpenClipboardWindow() == nullptr && (!windowComesBack || ::IsWindowVisible(main));
        },
        timeout);
}

bool Capture(HWND main, const std::function<void()>& request) {
    const DWORD sequence = ::GetClipboardSequenceNumber();
    request ? request() : PressCapture(main);
    return WaitForCaptureDone(main, sequence, true);
}

size_t WhileFrozen(DWORD processId, const std::function<void()>& action) {
    std::vector<UniqueKernelHandle> threads;
    const UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{sizeof(THREADENTRY32)};
    for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID != processId) continue;
        UniqueKernelHandle thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
        if (thread && ::SuspendThread(thread.get()) != static_cast<DWORD>(-1)) threads.push_back(std::move(thread));
    }
    action();
    for (const UniqueKernelHandle& thread : threads) ::ResumeThread(thread.get());
    return threads.size();
}

void ExpectWindowCapture(const ClipboardPicture& picture, const PatternWindow& pattern) {
    ASSERT_TRUE(picture.hasBitmap);
    const RECT outer = WindowRect(pattern.hWnd());
    EXPECT_EQ(picture.image.width, outer.right - outer.left) << "the window's outer width, frame included";
    EXPECT_EQ(picture.image.height, outer.bottom - outer.top) << "the window's outer height, title bar included";
    // Every pixel of the pattern, its markers included, where the client area is.
    const POINT client = pattern.ClientOffset();
    EXPECT_EQ(Differences(pattern.Pattern(), picture.image, client.x, client.y), "");
}

void ExpectScreen(Screen screen) {
    const WindowDc dc = WindowDc::Client(nullptr);
    EXPECT_EQ((::GetDeviceCaps(dc.get(), RASTERCAPS) & RC_PALETTE) != 0, screen == Screen::Palette8Bit);
    if (screen == Screen::Palette8Bit) {
        EXPECT_EQ(::GetDeviceCaps(dc.get(), SIZEPALETTE), 256);
        EXPECT_EQ(::GetDeviceCaps(dc.get(), BITSPIXEL), 8);
    }
    EXPECT_EQ(ScreenDpi(), screen == Screen::Dpi144 ? 144 : 96);
}

std::vector<Pixel> PatternColours(Screen screen) {
    ExpectScreen(screen);
    if (screen != Screen::Palette8Bit) return {};
    // The static colours at both ends of the system palette, each once. (Wine on an 8-bit X screen
    // maps every other colour to the nearest static one.)
    const std::vector<Pixel> palette = SystemPalette();
    std::vector<Pixel> chosen;
    for (size_t i = 0; i < palette.size(); ++i) {
        const bool atAnEnd = i < 10 || i + 10 >= palette.size();
        if (atAnEnd && std::count(palette.begin(), palette.end(), palette[i]) == 1) chosen.push_back(palette[i]);
    }
    EXPECT_GE(chosen.size(), 8u);
    return chosen;
}

void CaptureScenarios::CaptureScenario(Screen screen, Scope scope, SIZE window) {
    const bool entireScreen = scope == Scope::EntireScreen;
    ASSERT_NO_FATAL_FAILURE(StartWith(entireScreen ? "1" : "2", "2", "P", "100"));
    if (entireScreen) window = SIZE{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    const std::vector<Pixel> colours = PatternColours(screen);
    // On the whole screen, a borderless topmost window: its capture is the screen's.
    PatternWindow pattern(entireScreen ? PatternWindow::Kind::FullScreenTopmost : PatternWindow::Kind::Captioned,
                          ColourField(window.cx, window.cy, colours), colours);
    ASSERT_TRUE(pattern.BringToFront());
    PumpFor(300ms);

    ASSERT_TRUE(Capture(main_));
    const ClipboardPicture picture = ReadClipboardPicture();
    if (entireScreen) {
        ASSERT_EQ(picture.image.width, window.cx);
        ASSERT_EQ(picture.image.height, window.cy);
    }
    ExpectWindowCapture(picture, pattern);
    if (screen == Screen::Palette8Bit) {
        EXPECT_EQ(picture.bitsPerPixel, 8);
        ASSERT_TRUE(picture.palette) << "the clipboard carries a palette";
        ASSERT_EQ(picture.palette->size(), 256u);
        EXPECT_EQ(*picture.palette, SystemPalette()) << "a copy of the system palette";
    } else {
        EXPECT_FALSE(picture.palette) << "a true-colour screen gives no palette";
    }
    EXPECT_TRUE(picture.offersDib) << "other programs can paste it as a DIB";
    EXPECT_TRUE(::IsWindowVisible(main_)) << "the window is shown again";
    EXPECT_FALSE(FindMessageBox(kestrel_.ProcessId()));
}

void CaptureScenarios::ExpectCaptureOf(const PatternWindow& pattern) {
    ASSERT_TRUE(pattern.BringToFront());
    ASSERT_TRUE(Capture(main_));
    ExpectWindowCapture(ReadClipboardPicture(), pattern);
}

void CaptureScenarios::ExpectCaptureReported(const wchar_t* says, const wchar_t* kept,
                                             const std::function<void(HWND)>& whileUp) {
    PressCapture(main_);
    HWND box = nullptr;
    PumpUntil([&] { return (box = FindMessageBox(kestrel_.ProcessId())) != nullptr; }, 10s);
    if (whileUp) whileUp(box);
    ASSERT_NE(box, nullptr) << "a message tells the user";
    EXPECT_EQ(WindowText(box), L"Kestrel");
    const std::wstring text = MessageBoxText(box);
    EXPECT_NE(text.find(says), std::wstring::npos) << std::string(text.begin(), text.end());
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(main_); })) << "the window comes back";
    EXPECT_TRUE(kestrel_.Running());
    EXPECT_EQ(ClipboardText(), std::optional<std::wstring>(kept));
    EXPECT_FALSE(::IsClipboardFormatAvailable(CF_BITMAP)) << "nothing placed";
}

ResourceCounts CountResources(HANDLE process) {
    ResourceCounts counts;
    PROCESS_BASIC_INFORMATION basic{};
    std::uintptr_t table = 0;
    if (::NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) == 0 &&
        ::ReadProcessMemory(process, reinterpret_cast<const char*>(basic.PebBaseAddress) + kPebGdiSharedHandleTable,
                            &table, sizeof table, nullptr) &&
        table) {
        std::vector<unsigned char> entries(kGdiEntries * kGdiEntrySize);
        if (::ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(), entries.size(),
                                nullptr)) {
            for (size_t i = 0; i < kGdiEntries; ++i) {
                if (const int type = entries[i * kGdiEntrySize + kGdiTypeOffset]) {
                    ++counts.gdiByType[type];
                    ++counts.gdiTotal;
                }
            }
        }
    }
    WindowCount windows{::GetProcessId(process), 0};
    ::EnumChildWindows(::GetDesktopWindow(), CountWindow, reinterpret_cast<LPARAM>(&windows));
    // Message-only windows are not the desktop's; count them too.
    for (HWND wnd = nullptr; (wnd = ::FindWindowExW(HWND_MESSAGE, wnd, nullptr, nullptr)) != nullptr;) {
        CountWindow(wnd, reinterpret_cast<LPARAM>(&windows));
    }
    counts.windows = windows.count;
    PROCESS_MEMORY_COUNTERS memory{};
    if (::GetProcessMemoryInfo(process, &memory, sizeof memory)) counts.pagefileBytes = memory.PagefileUsage;
    return counts;
}

std::string Growth(const ResourceCounts& before, const ResourceCounts& after, SIZE_T memoryTolerance) {
    std::ostringstream grown;
    for (const auto& [type, count] : after.gdiByType) {
        const auto found = before.gdiByType.find(type);
        const int was = found == before.gdiByType.end() ? 0 : found->second;
        if (count > was)
            grown << "GDI objects of type 0x" << std::hex << type << std::dec << ": " << was << " -> " << count << "\n";
    }
    if (after.windows > before.windows) grown << "windows: " << before.windows << " -> " << after.windows << "\n";
    if (after.pagefileBytes > before.pagefileBytes + memoryTolerance) {
        grown << "committed memory: " << before.pagefileBytes << " -> " << after.pagefileBytes << " bytes\n";
    }
    return grown.str();
}

std::string LastingGrowth(HANDLE process, const ResourceCounts& before, SIZE_T memoryTolerance, ResourceCounts* after) {
    ResourceCounts last;
    std::string grown;
    PumpUntil([&] { return (grown = Growth(before, last = CountResources(process), memoryTolerance)).empty(); }, 2s);
    if (after) *after = last;
    return grown;
}

}  // namespace kestrel::e2e::capture
