#include "capture/screen_capture.h"

#include "capture/capture_size.h"
#include "capture/window_area.h"
#include "toolkit/handle_cast.h"
#include "toolkit/run_time_error.h"
#include "toolkit/system_function.h"

#include <olectl.h>

#include <atomic>
#include <cstddef>
#include <iterator>
#include <optional>
#include <string_view>
#include <utility>

namespace kestrel {
namespace {

RunTimeError ScreenUnreadableError() {
    return RunTimeError(kErrInvalidCall, "The screen could not be read, so nothing was captured.");
}

// LOGPALETTE with room for a full 256-entry palette: version, count, then the entries.
struct SystemPaletteRecord {
    WORD version;
    WORD count;
    PALETTEENTRY entries[256];
};
static_assert(sizeof(SystemPaletteRecord) == 4 + 256 * 4, "LOGPALETTE header plus 256 entries");
static_assert(offsetof(SystemPaletteRecord, entries) == offsetof(LOGPALETTE, palPalEntry), "must read as a LOGPALETTE");

// The picture description record: 20 bytes in the 32-bit program (size, type, bitmap, palette and
// one more 32-bit field); handles are wider in a 64-bit build.
static_assert(sizeof(void*) != 4 || sizeof(PICTDESC) == 20, "picture description record of the 32-bit program");

// Puts the memory context's previous palette back when the scope ends.
class PaletteSelection {
public:
    PaletteSelection(HDC dc, HPALETTE palette) : dc_(dc), previous_(::SelectPalette(dc, palette, FALSE)) {}
    PaletteSelection(const PaletteSelection&) = delete;
    PaletteSelection& operator=(const PaletteSelection&) = delete;
    ~PaletteSelection() {
        if (previous_) ::SelectPalette(dc_, previous_, FALSE);
    }

private:
    HDC dc_;
    HPALETTE previous_;
};

// The OLE picture deletes its bitmap when the last reference goes, but not the palette: Wine never
// does, and Windows does not promise it. This sink is advised to the picture's property
// notifications, so the picture holds the only reference to it and releases it, with the palette,
// when it is destroyed itself: the palette then lives exactly as long as the picture.
class PaletteKeeper final : public IPropertyNotifySink {
public:
    explicit PaletteKeeper(UniquePalette palette) : palette_(std::move(palette)) {}
    PaletteKeeper(const PaletteKeeper&) = delete;
    PaletteKeeper& operator=(const PaletteKeeper&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyNotifySink)) {
            *object = static_cast<IPropertyNotifySink*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE OnChanged(DISPID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }

private:
    ~PaletteKeeper() {
        // Should the system's picture have deleted the palette after all, the handle is no palette
        // any more: leave it alone rather than delete it twice.
        if (palette_ && ::GetObjectType(palette_.get()) != OBJ_PAL) static_cast<void>(palette_.release());
    }

    std::atomic<ULONG> references_{1};
    UniquePalette palette_;
};

// Hands the palette to a keeper that the picture holds on to. Throws when the picture offers no
// property notifications; the palette is then deleted here.
void TiePaletteToPicture(IUnknown* picture, UniquePalette palette) {
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    if (FAILED(picture->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.put()))) ||
        !container || FAILED(container->FindConnectionPoint(IID_IPropertyNotifySink, point.put())) || !point) {
        throw OutOfMemoryError();
    }
    ComPtr<IPropertyNotifySink> keeper(new PaletteKeeper(std::move(palette)));
    DWORD cookie = 0;
    if (FAILED(point->Advise(keeper.get(), &cookie))) throw OutOfMemoryError();
}

// The toolkit's view of the screen: its size in twips and its twips per pixel, in single precision.
struct ScreenTwips {
    float width;
    float twipsPerPixelX;
    float height;
    float twipsPerPixelY;
};

ScreenTwips ReadScreenTwips() {
    int dpiX = 96;
    int dpiY = 96;
    {
        WindowDc screen = WindowDc::Client(nullptr);
        if (screen.get()) {
            dpiX = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
            dpiY = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
        }
    }
    if (dpiX <= 0) dpiX = 96;
    if (dpiY <= 0) dpiY = 96;
    // The program is per-monitor DPI aware (its manifest says so), so these are physical pixels,
    // not the virtualised, scaled-down screen that unaware programs are shown.
    const float pixelsX = static_cast<float>(::GetSystemMetrics(SM_CXSCREEN));
    const float pixelsY = static_cast<float>(::GetSystemMetrics(SM_CYSCREEN));
    const float twipsPerPixelX = 1440.0f / static_cast<float>(dpiX);
    const float twipsPerPixelY = 1440.0f / static_cast<float>(dpiY);
    return ScreenTwips{pixelsX * twipsPerPixelX, twipsPerPixelX, pixelsY * twipsPerPixelY, twipsPerPixelY};
}

// DwmGetWindowAttribute, or nothing where there is no such function (Windows XP) or the call fails
// (Wine's dwmapi has no compositor behind it).
template <typename Value>
std::optional<Value> DwmAttribute(HWND window, DWORD attribute) noexcept {
    using GetAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);
    static const auto getAttribute = SystemFunction<GetAttributeFn>(L"dwmapi.dll", "DwmGetWindowAttribute");
    Value value{};
    if (!getAttribute || FAILED(getAttribute(window, attribute, &value, sizeof value))) return std::nullopt;
    return value;
}

constexpr DWORD kDwmExtendedFrameBounds = 9;  // DWMWA_EXTENDED_FRAME_BOUNDS
constexpr DWORD kDwmCloaked = 14;             // DWMWA_CLOAKED

// Physical pixels per pixel of this program's coordinates on the window's monitor. The manifest
// makes the program per-monitor DPI aware, so this is 1 unless Windows was told otherwise (the
// compatibility settings can override the manifest); then window rectangles are scaled to the
// program's DPI while the compositor's frame bounds stay physical.
double FrameScale(HWND window) noexcept {
    using ContextFn = void*(WINAPI*)();
    using AwarenessFn = int(WINAPI*)(void*);
    using SystemDpiFn = UINT(WINAPI*)();
    using MonitorDpiFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    constexpr int kUnaware = 0;
    constexpr int kSystemAware = 1;
    constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    static const auto threadContext = SystemFunction<ContextFn>(L"user32.dll", "GetThreadDpiAwarenessContext");
    static const auto awarenessOf = SystemFunction<AwarenessFn>(L"user32.dll", "GetAwarenessFromDpiAwarenessContext");
    static const auto systemDpi = SystemFunction<SystemDpiFn>(L"user32.dll", "GetDpiForSystem");
    // Before Windows 10 a program sees either one DPI for every monitor (Vista to 8) or, per-monitor
    // aware as this one is on 8.1, physical pixels: no scale either way.
    if (!threadContext || !awarenessOf || !systemDpi) return 1.0;
    const int awareness = awarenessOf(threadContext());
    if (awareness != kUnaware && awareness != kSystemAware) return 1.0;
    static const auto monitorDpi = SystemFunction<MonitorDpiFn>(L"shcore.dll", "GetDpiForMonitor");
    UINT dpiX = 0;
    UINT dpiY = 0;
    if (!monitorDpi ||
        FAILED(monitorDpi(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &dpiX, &dpiY)) ||
        dpiX == 0) {
        return 1.0;
    }
    const UINT programDpi = awareness == kSystemAware ? systemDpi() : 96;
    return programDpi ? static_cast<double>(dpiX) / static_cast<double>(programDpi) : 1.0;
}

bool SameProcess(HWND window) noexcept {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    return process == ::GetCurrentProcessId();
}

}  // namespace

WindowFacts DescribeWindow(HWND window) noexcept {
    WindowFacts facts;
    if (!window || !::IsWindow(window)) return facts;
    facts.exists = true;
    facts.visible = ::IsWindowVisible(window) != FALSE;
    facts.minimized = ::IsIconic(window) != FALSE;
    facts.cloaked = DwmAttribute<DWORD>(window, kDwmCloaked).value_or(0) != 0;
    facts.ownProcess = SameProcess(window);
    wchar_t className[128] = {};
    const int length = ::GetClassNameW(window, className, static_cast<int>(std::size(className)));
    facts.shellSurface =
        window == ::GetShellWindow() || window == ::GetDesktopWindow() ||
        IsShellSurfaceClass(std::wstring_view(className, length > 0 ? static_cast<size_t>(length) : 0));
    return facts;
}

HWND ActiveWindowTarget(const ForegroundHistory& history) noexcept {
    HWND now = ::GetForegroundWindow();
    const WindowFacts atRequest = DescribeWindow(history.atRequest);
    const bool requestedFromKestrel = atRequest.exists && atRequest.ownProcess;
    switch (ChooseCaptureTarget(DescribeWindow(now), requestedFromKestrel, DescribeWindow(history.lastForeign))) {
    case CaptureTargetChoice::ForegroundNow:
        return now;
    case CaptureTargetChoice::Remembered:
        return history.lastForeign;
    case CaptureTargetChoice::None:
        break;
    }
    return nullptr;
}

ComPtr<IPictureDisp> GrabEntireScreen() {
    HWND desktop = ::GetDesktopWindow();
    const ScreenTwips screen = ReadScreenTwips();
    const PixelSize size = ScreenPixelSize(screen.width, screen.twipsPerPixelX, screen.height, screen.twipsPerPixelY);
    return GrabWindowImage(desktop, false, 0, 0, size.width, size.height);
}

ComPtr<IPictureDisp> GrabActiveWindow(const ForegroundHistory& history) {
    HWND window = ActiveWindowTarget(history);
    if (!window) throw RunTimeError(kErrInvalidCall, "There is no window in the foreground to capture.");
    RECT rect{};
    if (!::GetWindowRect(window, &rect)) {
        throw RunTimeError(kErrInvalidCall, "The window in the foreground closed before it could be captured.");
    }
    std::optional<ScreenRect> frame;
    if (const auto bounds = DwmAttribute<RECT>(window, kDwmExtendedFrameBounds)) {
        frame = ScreenRect{bounds->left, bounds->top, bounds->right, bounds->bottom};
    }
    // The whole-window device context starts at the window rectangle's corner wherever the window
    // is, on any monitor: the area is an offset into it, never a screen position.
    const WindowArea area =
        VisibleWindowArea(ScreenRect{rect.left, rect.top, rect.right, rect.bottom}, frame, FrameScale(window));
    return GrabWindowImage(window, false, area.left, area.top, area.width, area.height);
}

ComPtr<IPictureDisp> GrabWindowImage(HWND window, bool clientOnly, int left, int top, int width, int height) {
    // CreateCompatibleBitmap turns an empty size into a 1 x 1 monochrome bitmap: a picture of
    // nothing that must not reach the clipboard.
    if (width <= 0 || height <= 0) throw RunTimeError(kErrInvalidCall, "The window to capture has no size.");

    UniqueBitmap bitmap;
    UniquePalette palette;
    {
        WindowDc source = clientOnly ? WindowDc::Client(window) : WindowDc::Whole(window);
        if (!source.get()) throw ScreenUnreadableError();
        UniqueDc memory(::CreateCompatibleDC(source.get()));
        if (!memory) throw OutOfMemoryError();
        bitmap.reset(::CreateCompatibleBitmap(source.get(), width, height));
        if (!bitmap) throw OutOfMemoryError();

        SelectionScope selectBitmap(memory.get(), bitmap.get());
        // Only a 256-colour palette device gets a palette; a 16-colour one, for instance, does not.
        const bool palettized = (::GetDeviceCaps(source.get(), RASTERCAPS) & RC_PALETTE) != 0 &&
                                ::GetDeviceCaps(source.get(), SIZEPALETTE) == 256;
        BOOL copied = FALSE;
        if (palettized) {
            SystemPaletteRecord record{};
            record.version = 0x300;
            record.count = 256;
            ::GetSystemPaletteEntries(source.get(), 0, 256, record.entries);
            palette.reset(::CreatePalette(reinterpret_cast<const LOGPALETTE*>(&record)));
            if (!palette) throw OutOfMemoryError();
            PaletteSelection selectPalette(memory.get(), palette.get());
            ::RealizePalette(memory.get());
            copied = ::BitBlt(memory.get(), 0, 0, width, height, source.get(), left, top, SRCCOPY);
        } else {
            copied = ::BitBlt(memory.get(), 0, 0, width, height, source.get(), left, top, SRCCOPY);
        }
        selectBitmap.Restore();
        if (!copied) throw ScreenUnreadableError();
        // Both device contexts go back here, before the picture is made.
    }
    return WrapBitmapAsPicture(std::move(bitmap), std::move(palette));
}

ComPtr<IPictureDisp> CutPicture(IPictureDisp* picture, int left, int top, int width, int height) {
    if (width <= 0 || height <= 0) throw RunTimeError(kErrInvalidCall, "The area to capture has no size.");
    ComPtr<IPicture> info;
    OLE_HANDLE bitmapBits = 0;
    OLE_HANDLE paletteBits = 0;
    if (!picture || FAILED(picture->QueryInterface(IID_IPicture, reinterpret_cast<void**>(info.put()))) || !info ||
        FAILED(info->get_Handle(&bitmapBits)) || !bitmapBits) {
        throw ScreenUnreadableError();
    }
    if (FAILED(info->get_hPal(&paletteBits))) paletteBits = 0;
    const HBITMAP source = HandleFromBits<HBITMAP>(bitmapBits);
    const HPALETTE sourcePalette = HandleFromBits<HPALETTE>(paletteBits);

    UniquePalette palette;
    if (sourcePalette) {
        SystemPaletteRecord record{};
        record.version = 0x300;
        record.count = static_cast<WORD>(::GetPaletteEntries(sourcePalette, 0, 256, record.entries));
        if (record.count == 0) throw ScreenUnreadableError();
        palette.reset(::CreatePalette(reinterpret_cast<const LOGPALETTE*>(&record)));
        if (!palette) throw OutOfMemoryError();
    }
    UniqueBitmap bitmap;
    {
        WindowDc screen = WindowDc::Client(nullptr);
        UniqueDc from(::CreateCompatibleDC(screen.get()));
        UniqueDc to(::CreateCompatibleDC(screen.get()));
        if (!from || !to) throw OutOfMemoryError();
        bitmap.reset(::CreateCompatibleBitmap(screen.get(), width, height));
        if (!bitmap) throw OutOfMemoryError();
        SelectionScope selectSource(from.get(), source);
        SelectionScope selectCopy(to.get(), bitmap.get());
        BOOL copied = FALSE;
        if (palette) {
            // The same colours on both sides: the palette indices are copied unchanged.
            PaletteSelection fromPalette(from.get(), sourcePalette);
            PaletteSelection toPalette(to.get(), palette.get());
            copied = ::BitBlt(to.get(), 0, 0, width, height, from.get(), left, top, SRCCOPY);
        } else {
            copied = ::BitBlt(to.get(), 0, 0, width, height, from.get(), left, top, SRCCOPY);
        }
        if (!copied) throw ScreenUnreadableError();
    }
    return WrapBitmapAsPicture(std::move(bitmap), std::move(palette));
}

ComPtr<IPictureDisp> WrapBitmapAsPicture(UniqueBitmap bitmap, UniquePalette palette) {
    PICTDESC description{};
    description.cbSizeofstruct = sizeof description;
    description.picType = PICTYPE_BITMAP;
    description.bmp.hbitmap = bitmap.get();
    description.bmp.hpal = palette.get();

    // IID_IDispatch, field by field.
    const IID dispatchInterface = {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    ComPtr<IDispatch> created;
    const HRESULT status =
        ::OleCreatePictureIndirect(&description, dispatchInterface, TRUE, reinterpret_cast<void**>(created.put()));
    if (FAILED(status) || !created) throw OutOfMemoryError();
    // From here the picture deletes the bitmap.
    static_cast<void>(bitmap.release());
    if (palette) TiePaletteToPicture(created.get(), std::move(palette));

    ComPtr<IPictureDisp> picture;
    if (FAILED(created->QueryInterface(IID_IPictureDisp, reinterpret_cast<void**>(picture.put()))) || !picture) {
        throw OutOfMemoryError();
    }
    return picture;
}

}  // namespace kestrel
