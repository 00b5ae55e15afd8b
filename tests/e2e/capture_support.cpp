#include "tests/e2e/capture_support.h"

#include "app/fmMain_ids.h"

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstring>
#include <set>
#include <sstream>

namespace kestrel::e2e::capture {

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// A hidden window of the test process that opens the clipboard.
HWND ClipboardReader() {
    static HWND reader = ::CreateWindowExW(0, L"STATIC", L"clipboard reader", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                           ::GetModuleHandleW(nullptr), nullptr);
    return reader;
}

bool OpenClipboardPatiently() {
    return PumpUntil([] { return ::OpenClipboard(ClipboardReader()) != FALSE; }, 5s);
}

// Reads CF_BITMAP, converting it to colours as a program that honours CF_PALETTE does.
ClipboardPicture ReadClipboardPicture() {
    ClipboardPicture result;
    if (!OpenClipboardPatiently()) return result;
    result.offersDib = ::IsClipboardFormatAvailable(CF_DIB) != FALSE;
    HBITMAP bitmap = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    HPALETTE palette = static_cast<HPALETTE>(::GetClipboardData(CF_PALETTE));
    if (palette) {
        const UINT count = ::GetPaletteEntries(palette, 0, 0, nullptr);
        std::vector<PALETTEENTRY> entries(count);
        ::GetPaletteEntries(palette, 0, count, entries.data());
        result.palette = entries;
    }
    BITMAP info{};
    if (bitmap && ::GetObjectW(bitmap, sizeof info, &info)) {
        result.hasBitmap = true;
        result.bitsPerPixel = info.bmBitsPixel;
        result.image.width = info.bmWidth;
        result.image.height = info.bmHeight;
        result.image.pixels.resize(static_cast<size_t>(info.bmWidth) * static_cast<size_t>(info.bmHeight));
        BITMAPINFO request = TopDown32BitInfo(info.bmWidth, info.bmHeight);
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        HPALETTE previous = palette ? ::SelectPalette(dc, palette, FALSE) : nullptr;
        if (palette) ::RealizePalette(dc);
        ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(info.bmHeight), result.image.pixels.data(), &request,
                    DIB_RGB_COLORS);
        if (previous) ::SelectPalette(dc, previous, FALSE);
        ::DeleteDC(dc);
        ::ReleaseDC(nullptr, screen);
        for (Pixel& p : result.image.pixels) p &= 0x00FFFFFF;
    }
    ::CloseClipboard();
    return result;
}

// Puts a text on the clipboard, as the user's own earlier copy.
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

void PressCapture(HWND main) {
    constexpr int id = ids::fmMain::kCmdCapture;
    ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Child(main, id)));
}

// A real mouse click on the Capture button: Kestrel takes the foreground first, as it does for a
// user.
void ClickCaptureWithTheMouse(HWND main) {
    const RECT r = WindowRect(Child(main, ids::fmMain::kCmdCapture));
    const int x = (r.left + r.right) / 2;
    const int y = (r.top + r.bottom) / 2;
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[3] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = MulDiv(x, 65535, width - 1);
        input.mi.dy = MulDiv(y, 65535, height - 1);
    }
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(3, inputs, sizeof(INPUT));
}

// Waits until a capture that began after `sequenceBefore` has placed a bitmap on the clipboard
// and, when Kestrel was visible, Kestrel is back on the screen.
bool WaitForCaptureDone(HWND main, DWORD sequenceBefore, bool windowComesBack, std::chrono::milliseconds timeout) {
    return PumpUntil(
        [&] {
            return ::GetClipboardSequenceNumber() != sequenceBefore && ::IsClipboardFormatAvailable(CF_BITMAP) &&
                   ::GetOpenClipboardWindow() == nullptr && (!windowComesBack || ::IsWindowVisible(main));
        },
        timeout);
}

HWND WaitForMessageBox(const KestrelProcess& kestrel) {
    HWND box = nullptr;
    PumpUntil([&] { return (box = FindMessageBox(kestrel.ProcessId())) != nullptr; }, 10s);
    return box;
}

bool Capture(HWND main) {
    const DWORD sequence = ::GetClipboardSequenceNumber();
    PressCapture(main);
    return WaitForCaptureDone(main, sequence, true);
}

void ExpectWindowCapture(const ClipboardPicture& picture, const PatternWindow& pattern) {
    ASSERT_TRUE(picture.hasBitmap);
    const RECT outer = WindowRect(pattern.hWnd());
    EXPECT_EQ(picture.image.width, outer.right - outer.left) << "the window's outer width, frame included";
    EXPECT_EQ(picture.image.height, outer.bottom - outer.top) << "the window's outer height, title bar included";
    const POINT client = pattern.ClientOffset();
    const Image& expected = pattern.Pattern();
    ASSERT_LE(client.x + expected.width, picture.image.width);
    ASSERT_LE(client.y + expected.height, picture.image.height);
    for (const Marker& marker : pattern.Markers()) {
        EXPECT_EQ(picture.image.At(client.x + marker.x, client.y + marker.y), marker.colour)
            << "marker at " << marker.x << "," << marker.y;
    }
    EXPECT_EQ(Differences(expected, picture.image, client.x, client.y), "");
}

namespace {

std::vector<PALETTEENTRY> SystemPalette() {
    HDC screen = ::GetDC(nullptr);
    std::vector<PALETTEENTRY> entries(256);
    entries.resize(::GetSystemPaletteEntries(screen, 0, 256, entries.data()));
    ::ReleaseDC(nullptr, screen);
    return entries;
}

Pixel ToPixel(const PALETTEENTRY& entry) { return Rgb(entry.peRed, entry.peGreen, entry.peBlue); }

// The clipboard carries a copy of the system palette with the bitmap.
void ExpectPaletteOfTheScreen(const ClipboardPicture& picture) {
    EXPECT_EQ(picture.bitsPerPixel, 8);
    ASSERT_TRUE(picture.palette) << "the clipboard carries a palette";
    const std::vector<PALETTEENTRY> screen = SystemPalette();
    ASSERT_EQ(picture.palette->size(), 256u);
    ASSERT_EQ(screen.size(), 256u);
    for (size_t i = 0; i < 256; ++i) {
        EXPECT_EQ(ToPixel((*picture.palette)[i]), ToPixel(screen[i])) << "entry " << i << " of the system palette";
    }
}

}  // namespace

void ExpectScreen(Screen screen) {
    HDC dc = ::GetDC(nullptr);
    const bool palette = (::GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0;
    const int sizePalette = ::GetDeviceCaps(dc, SIZEPALETTE);
    const int bits = ::GetDeviceCaps(dc, BITSPIXEL);
    ::ReleaseDC(nullptr, dc);
    EXPECT_EQ(palette, screen == Screen::Palette8Bit);
    if (screen == Screen::Palette8Bit) {
        EXPECT_EQ(sizePalette, 256);
        EXPECT_EQ(bits, 8);
    }
    EXPECT_EQ(ScreenDpi(), screen == Screen::Dpi144 ? 144 : 96);
}

std::vector<Pixel> PatternColours(Screen screen) {
    if (screen != Screen::Palette8Bit) return {};
    // The static colours at both ends of the system palette, each once. (Wine on an 8-bit X screen
    // maps every other colour to the nearest static one.)
    const std::vector<PALETTEENTRY> palette = SystemPalette();
    std::multiset<Pixel> all;
    for (const PALETTEENTRY& entry : palette) all.insert(ToPixel(entry));
    std::vector<Pixel> chosen;
    for (size_t i = 0; i < palette.size(); ++i) {
        if (i >= 10 && i + 10 < palette.size()) continue;
        if (all.count(ToPixel(palette[i])) == 1) chosen.push_back(ToPixel(palette[i]));
    }
    EXPECT_GE(chosen.size(), 8u);
    return chosen;
}

void CaptureScenarios::ActiveWindowScenario(Screen screen, int width, int height) {
    ASSERT_NO_FATAL_FAILURE(ExpectScreen(screen));
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
    const std::vector<Pixel> colours = PatternColours(screen);
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(width, height, colours), colours);
    ASSERT_TRUE(pattern.BringToFront());

    ASSERT_TRUE(Capture(main_));
    const ClipboardPicture picture = ReadClipboardPicture();
    ExpectWindowCapture(picture, pattern);
    if (screen == Screen::Palette8Bit) {
        ExpectPaletteOfTheScreen(picture);
    } else {
        EXPECT_FALSE(picture.palette) << "a true-colour screen gives no palette";
    }
    EXPECT_TRUE(picture.offersDib) << "other programs can paste it as a DIB";
    EXPECT_TRUE(::IsWindowVisible(main_)) << "the window is shown again";
    EXPECT_FALSE(FindMessageBox(kestrel_.ProcessId()));
}

void CaptureScenarios::EntireScreenScenario(Screen screen) {
    ASSERT_NO_FATAL_FAILURE(ExpectScreen(screen));
    ASSERT_NO_FATAL_FAILURE(StartWith("1", "2", "P", "100"));
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    const std::vector<Pixel> colours = PatternColours(screen);
    PatternWindow full(PatternWindow::Kind::FullScreenTopmost, ColourField(width, height, colours), colours);
    ASSERT_TRUE(full.BringToFront());
    PumpFor(300ms);

    ASSERT_TRUE(Capture(main_));
    const ClipboardPicture picture = ReadClipboardPicture();
    ASSERT_TRUE(picture.hasBitmap);
    if (screen == Screen::Palette8Bit) ExpectPaletteOfTheScreen(picture);
    ASSERT_EQ(picture.image.width, width);
    ASSERT_EQ(picture.image.height, height);
    for (const Marker& marker : full.Markers()) {
        EXPECT_EQ(picture.image.At(marker.x, marker.y), marker.colour) << "marker at " << marker.x << "," << marker.y;
    }
    EXPECT_EQ(Differences(full.Pattern(), picture.image), "");
}

namespace detail {

struct WindowCount {
    DWORD process;
    int count;
};

BOOL CALLBACK CountChild(HWND wnd, LPARAM param) {
    auto* count = reinterpret_cast<WindowCount*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(wnd, &process);
    if (process == count->process) ++count->count;
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND wnd, LPARAM param) {
    auto* count = reinterpret_cast<WindowCount*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(wnd, &process);
    if (process == count->process) {
        ++count->count;
        ::EnumChildWindows(wnd, CountChild, param);
    }
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

}  // namespace detail

ResourceCounts CountResources(HANDLE process) {
    ResourceCounts counts;
    const DWORD id = ::GetProcessId(process);

    using QueryFn = LONG(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (query && query(process, 0 /* ProcessBasicInformation */, &basic, sizeof basic, nullptr) == 0) {
        std::uintptr_t table = 0;
        SIZE_T read = 0;
        if (::ReadProcessMemory(process,
                                reinterpret_cast<const char*>(basic.PebBaseAddress) + detail::kPebGdiSharedHandleTable,
                                &table, sizeof table, &read) &&
            table) {
            std::vector<unsigned char> entries(detail::kGdiEntries * detail::kGdiEntrySize);
            if (::ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(), entries.size(),
                                    &read)) {
                for (size_t i = 0; i < detail::kGdiEntries; ++i) {
                    const int type = entries[i * detail::kGdiEntrySize + detail::kGdiTypeOffset];
                    if (type != 0) {
                        ++counts.gdiByType[type];
                        ++counts.gdiTotal;
                    }
                }
            }
        }
    }

    detail::WindowCount windows{id, 0};
    ::EnumWindows(detail::CountTopLevel, reinterpret_cast<LPARAM>(&windows));
    // Message-only windows are not top-level windows of the desktop; count them too.
    HWND messageOnly = nullptr;
    while ((messageOnly = ::FindWindowExW(HWND_MESSAGE, messageOnly, nullptr, nullptr)) != nullptr) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(messageOnly, &owner);
        if (owner == id) ++windows.count;
    }
    counts.windows = windows.count;

    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (::GetProcessMemoryInfo(process, &memory, sizeof memory)) counts.pagefileBytes = memory.PagefileUsage;
    return counts;
}

// What grew between two counts: every GDI type whose count rose, the windows, and memory beyond
// `memoryTolerance` bytes. Empty when nothing leaked.
std::vector<std::string> Growth(const ResourceCounts& before, const ResourceCounts& after, SIZE_T memoryTolerance) {
    std::vector<std::string> grown;
    for (const auto& [type, count] : after.gdiByType) {
        const auto found = before.gdiByType.find(type);
        const int was = found == before.gdiByType.end() ? 0 : found->second;
        if (count > was) {
            std::ostringstream text;
            text << "GDI objects of type 0x" << std::hex << type << std::dec << ": " << was << " -> " << count;
            grown.push_back(text.str());
        }
    }
    if (after.windows > before.windows) {
        grown.push_back("windows: " + std::to_string(before.windows) + " -> " + std::to_string(after.windows));
    }
    if (after.pagefileBytes > before.pagefileBytes + memoryTolerance) {
        grown.push_back("committed memory: " + std::to_string(before.pagefileBytes) + " -> " +
                        std::to_string(after.pagefileBytes) + " bytes");
    }
    return grown;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

FrozenProcess::FrozenProcess(DWORD processId) {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != processId) continue;
        if (HANDLE thread = ::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID)) {
            if (::SuspendThread(thread) != static_cast<DWORD>(-1)) {
                threads_.push_back(thread);
            } else {
                ::CloseHandle(thread);
            }
        }
    }
    ::CloseHandle(snapshot);
}

FrozenProcess::~FrozenProcess() {
    for (HANDLE thread : threads_) {
        ::ResumeThread(thread);
        ::CloseHandle(thread);
    }
}

}  // namespace kestrel::e2e::capture
