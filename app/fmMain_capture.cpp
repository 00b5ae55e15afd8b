#include "app/fmMain.h"

#include "capture/print_fitted.h"
#include "capture/region_window.h"
#include "capture/screen_capture.h"
#include "settings/leading_number.h"
#include "settings/setting_codes.h"
#include "toolkit/application.h"
#include "toolkit/clipboard.h"
#include "toolkit/printer.h"
#include "toolkit/system_function.h"
#include "toolkit/run_time_error.h"
#include "toolkit/text.h"

#include <exception>
#include <optional>
#include <utility>

namespace kestrel {
namespace {

// The main window that the foreground hook reports to. A window handle rather than the form: an
// event that arrives while the window is being destroyed then goes nowhere.
HWND g_foregroundListener = nullptr;

UINT ForegroundChangedMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"Kestrel.ForegroundChanged");
    return message;
}

void CALLBACK OnForegroundChanged(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG, DWORD, DWORD) {
    if (event == EVENT_SYSTEM_FOREGROUND && object == OBJID_WINDOW && g_foregroundListener) {
        ::SendMessageW(g_foregroundListener, ForegroundChangedMessage(), reinterpret_cast<WPARAM>(window), 0);
    }
}

// Windows 8 and later fade a hidden window out over several frames; a capture taken during the fade
// shows a ghost of Kestrel. Without transitions the window is gone with the next frame. Windows XP
// has no dwmapi, and Wine's has no compositor behind it, so a missing function is no error.
void SwitchOffWindowTransitions(HWND window) {
    using SetAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    constexpr DWORD kTransitionsForceDisabled = 3;  // DWMWA_TRANSITIONS_FORCEDISABLED
    if (auto setAttribute = SystemFunction<SetAttributeFn>(L"dwmapi.dll", "DwmSetWindowAttribute")) {
        const BOOL disabled = TRUE;
        setAttribute(window, kTransitionsForceDisabled, &disabled, sizeof disabled);
    }
}

// The desktop compositor shows the hide with its next frame; until then the screen still has
// Kestrel's window on it.
void WaitForCompositor() {
    using FlushFn = HRESULT(WINAPI*)();
    if (auto flush = SystemFunction<FlushFn>(L"dwmapi.dll", "DwmFlush")) flush();
}

class RunningFlag {
public:
    explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;
    ~RunningFlag() { flag_ = false; }

private:
    bool& flag_;
};

const wchar_t kNothingToPrint[] =
    L"The image size is 0 %, so nothing was printed. Set an image size from 1 to 100 % in Options.";

}  // namespace

void fmMain::PrepareCapture() {
    SwitchOffWindowTransitions(hWnd());
    g_foregroundListener = hWnd();
    capture_.foregroundHook.reset(::SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                                    OnForegroundChanged, 0, 0,
                                                    WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS));
    // Whoever is in front while Kestrel starts (the folder it was started from, say).
    NoteForegroundWindow(::GetForegroundWindow());
}

void fmMain::NoteForegroundWindow(HWND window) noexcept {
    if (!window) return;
    HWND root = ::GetAncestor(window, GA_ROOT);
    if (!root) root = window;
    if (IsCaptureCandidate(DescribeWindow(root))) capture_.lastForeign = root;
}

void fmMain::cmdCapture_Click() {
    // Both yields of a capture dispatch whatever is pending, another Capture included. Running it
    // there would replace the picture held in Picture1 and leave this one to deliver nothing.
    if (capture_.running) return;

    // Kept now, before hiding hands the foreground on to whichever window Windows picks next.
    ForegroundHistory history;
    history.atRequest = ::GetForegroundWindow();
    NoteForegroundWindow(history.atRequest);
    history.lastForeign = capture_.lastForeign;

    RunCapture([&] {
        return ScopeFromText(txtScope.Text()) == Scope::EntireScreen ? GrabEntireScreen() : GrabActiveWindow(history);
    });
}

void fmMain::CaptureRegion() {
    if (capture_.running) return;
    RunCapture([] {
        // The screen is grabbed once and frozen: the user selects from what was there when the key
        // was pressed, and nothing the selection window draws can end up in the picture. Only the
        // selected area is copied out, and the frozen screen goes as soon as it has been.
        ComPtr<IPictureDisp> frozen = GrabEntireScreen();
        std::optional<PixelRect> chosen;
        {
            RegionWindow window(frozen.get());
            chosen = window.Choose();
        }
        if (!chosen) return ComPtr<IPictureDisp>();
        return CutPicture(frozen.get(), chosen->left, chosen->top, chosen->Width(), chosen->Height());
    });
}

void fmMain::RunCapture(const std::function<ComPtr<IPictureDisp>()>& grab) {
    RunningFlag running(capture_.running);

    const bool wasVisible = Visible();
    if (wasVisible) Hide();

    std::optional<Printer> printer;
    std::wstring report;  // what the user is told once the capture is over, if anything
    try {
        app::DoEvents();
        if (wasVisible) WaitForCompositor();
        const bool toPrinter = DestinationFromText(txtDest.Text()) == Destination::Printer;
        Picture1.SetPicture(grab());
        app::DoEvents();
        if (!Picture1.Picture()) {
            // The user cancelled: the clipboard and the printer are left alone.
        } else if (toPrinter) {
            const float percent = ToSingle(LeadingNumber(Narrow(txtPercent.Text())));
            printer.emplace();
            PrintPictureFitted(*printer, Picture1.Picture(), txtOrientation.Text(), percent);
            // A drawing of no size (Percent 0, empty or not a number: the size field of a first
            // run is empty) starts no page; a blank sheet would only be wasted.
            const bool drawn = printer->PageStarted();
            printer->EndDoc();
            Picture1.ClearPicture();
            if (!drawn) report = kNothingToPrint;
        } else {
            // The clipboard's own copy is made first and the picture let go before the copy is
            // handed over: Wine copies the bitmap once more on the way, and picture, copy and that
            // would otherwise be three screens' worth of memory at the same time.
            clipboard::PictureCopy copy = clipboard::CopyPicture(Picture1.Picture());
            Picture1.ClearPicture();
            clipboard::Place(hWnd(), std::move(copy));
        }
    } catch (const std::exception& error) {
        // Errors here are the user's everyday troubles (the clipboard is busy, the printer is
        // offline, a huge window does not fit in memory): say so and carry on. The picture goes
        // before the message, so that its memory is free again while the message is up.
        if (printer) printer->KillDoc();
        Picture1.ClearPicture();
        report = Widen(ErrorDescription(error));
    }
    if (!report.empty()) app::MsgBox(report, MB_OK | MB_ICONINFORMATION, app::ProductName());

    if (capture_.exitRequested) {
        capture_.exitRequested = false;
        Exit();
    }
    // The window may have been closed during a yield; showing it would create it again.
    if (wasVisible && IsLoaded()) Show();
}

bool fmMain::HandleCaptureMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    // None of these is consumed: the toolkit and the tray handle them too.
    if (message == ForegroundChangedMessage()) {
        NoteForegroundWindow(reinterpret_cast<HWND>(wParam));
        return false;
    }
    switch (message) {
    case WM_ACTIVATE:
        // Wine reports no foreground changes of other programs to the hook, and passes no handle in
        // lParam across processes; but when Kestrel is left, the window the user goes to already
        // is the foreground window.
        if (LOWORD(wParam) == WA_INACTIVE) NoteForegroundWindow(::GetForegroundWindow());
        break;
    case WM_MOUSEACTIVATE:
        // A click on inactive Kestrel: the window the user works in is still in front.
        NoteForegroundWindow(::GetForegroundWindow());
        break;
    case WM_MOUSEMOVE:
        // Also the notification-area icon's callback: the user points at the icon before clicking
        // it, while their window is still in front.
        NoteForegroundWindow(::GetForegroundWindow());
        break;
    case WM_DESTROY:
        capture_.foregroundHook.reset();
        g_foregroundListener = nullptr;
        break;
    default:
        break;
    }
    return false;
}

}  // namespace kestrel
