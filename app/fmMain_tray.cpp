// The notification-area icon: Minimize drops the main window into the tray, and the shell's
// reports of mouse actions on the icon (sent as mouse moves, callback message 512) restore it or
// pop up the File menu.
#include "app/fmMain.h"

#include "app/tray_rules.h"
#include "toolkit/application.h"
#include "toolkit/handle_cast.h"
#include "toolkit/system_function.h"
#include "toolkit/run_time_error.h"
#include "toolkit/text.h"

#include <shellapi.h>
#include <windowsx.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>

namespace kestrel {
namespace {

// The record goes to the shell in its first, 88-byte layout (64-byte tip, nothing after it). On the
// 32-bit build the platform's own NOTIFYICONDATAA starts with exactly that layout, so the encoded
// bytes are handed over as they are.
#if !defined(_WIN64)
static_assert(offsetof(NOTIFYICONDATAA, cbSize) == 0, "cbSize at 0");
static_assert(offsetof(NOTIFYICONDATAA, hWnd) == 4, "hWnd at 4");
static_assert(offsetof(NOTIFYICONDATAA, uID) == 8, "uID at 8");
static_assert(offsetof(NOTIFYICONDATAA, uFlags) == 12, "uFlags at 12");
static_assert(offsetof(NOTIFYICONDATAA, uCallbackMessage) == 16, "uCallbackMessage at 16");
static_assert(offsetof(NOTIFYICONDATAA, hIcon) == 20, "hIcon at 20");
static_assert(offsetof(NOTIFYICONDATAA, szTip) == 24, "szTip at 24");
static_assert(offsetof(NOTIFYICONDATAA, szTip) + 64 == kTrayRecordSize, "NOTIFYICONDATAA_V1_SIZE is 88 bytes");
static_assert(sizeof(NOTIFYICONDATAA) >= kTrayRecordSize, "room for the first layout");
#endif

constexpr std::size_t kTipChars = 64;

// The platform's size of that first layout: 88 on the 32-bit build, 104 on the 64-bit one.
const DWORD kPlatformFirstLayout = static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE);

// A fixed-length text of 64 characters: cut, or filled with blanks.
std::wstring FixedTip(std::wstring text) {
    text.resize(kTipChars, L' ');
    return text;
}

// The platform's record with the values of the encoded one. The shell reads only cbSize bytes.
NOTIFYICONDATAA PlatformRecord(const TrayIconFields& fields, const std::array<std::uint8_t, kTrayRecordSize>& wire) {
    NOTIFYICONDATAA copy;
    std::memset(&copy, 0, sizeof copy);
#if !defined(_WIN64)
    (void)fields;
    std::memcpy(&copy, wire.data(), wire.size());
#else
    // The 64-bit record has wider handles, so its first layout is larger than 88 bytes.
    copy.cbSize = fields.cbSize == kTrayRecordSize ? kPlatformFirstLayout : fields.cbSize;
    copy.hWnd = HandleFromBits<HWND>(fields.hWnd);
    copy.uID = fields.uID;
    copy.uFlags = fields.uFlags;
    copy.uCallbackMessage = fields.uCallbackMessage;
    copy.hIcon = HandleFromBits<HICON>(fields.hIcon);
    std::memcpy(copy.szTip, wire.data() + (kTrayRecordSize - kTipChars), kTipChars);
#endif
    return copy;
}

// Hands a fresh narrow copy of TrayIconData to the shell and takes the copy back into the record.
// The shell's answer is not looked at: a refused add leaves no icon, a refused delete means there
// was none.
void SendToShell(DWORD message, TrayState& tray) {
    const std::array<std::uint8_t, kTrayRecordSize> wire = EncodeTrayRecord(tray.fields, Narrow(tray.szTip));
    NOTIFYICONDATAA copy = PlatformRecord(tray.fields, wire);
    ::Shell_NotifyIconA(message, &copy);

    tray.fields.cbSize = copy.cbSize == kPlatformFirstLayout ? static_cast<std::uint32_t>(kTrayRecordSize)
                                                             : static_cast<std::uint32_t>(copy.cbSize);
    tray.fields.hWnd = BitsOfHandle(copy.hWnd);
    tray.fields.uID = copy.uID;
    tray.fields.uFlags = copy.uFlags;
    tray.fields.uCallbackMessage = copy.uCallbackMessage;
    tray.fields.hIcon = BitsOfHandle(copy.hIcon);
    tray.szTip = FixedTip(Widen(std::string_view(copy.szTip, kTipChars)));
}

// The handler the four guarded routines share: default pointer, the error's description in an
// information box titled with the routine, then the routine ends and the program goes on.
void ReportTrayError(const std::exception& error, const wchar_t* routineSuffix) {
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    app::MsgBox(Widen(ErrorDescription(error)), MB_OK | MB_ICONINFORMATION, app::ProductName() + routineSuffix);
}

// The elevated program would not hear a restarted shell: UIPI drops registered messages from a
// process of lower integrity unless the window lets them through. Windows 7 and later only.
void AllowFromShell(HWND wnd, UINT message) {
    using ChangeFilterFn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    if (auto change = SystemFunction<ChangeFilterFn>(L"user32.dll", "ChangeWindowMessageFilterEx")) {
        change(wnd, message, 1 /* MSGFLT_ALLOW */, nullptr);
    }
}

struct ModalSearch {
    HWND main;
    HWND found;
};

BOOL CALLBACK FindModalWindow(HWND wnd, LPARAM param) {
    auto* search = reinterpret_cast<ModalSearch*>(param);
    if (wnd == search->main || !::IsWindowVisible(wnd) || !::IsWindowEnabled(wnd)) return TRUE;
    search->found = wnd;
    return FALSE;
}

// The window that holds the program's input while a modal window is open: the modal dialog, or a
// message above it. A modal window disables every other top-level window of the thread, the main
// window included, whether it is the toolkit's modal form or a task-modal message box.
HWND OpenModalWindow(HWND main) {
    if (!main || ::IsWindowEnabled(main)) return nullptr;
    ModalSearch search{main, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), FindModalWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

void fmMain::PrepareTray() {
    tray_.taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    if (tray_.taskbarCreated != 0) AllowFromShell(hWnd(), tray_.taskbarCreated);
}

void fmMain::AddIcon(Form& SourceForm, const std::wstring& ToolTip) {
    tray_.toolTip = ToolTip;
    try {
        // The program icon's own 16 x 16 image, drawn for the notification area, rather than the
        // 32 x 32 one shrunk by the shell.
        HICON icon = SourceForm.SmallIcon() ? SourceForm.SmallIcon() : SourceForm.Icon();
        tray_.fields = MakeTrayFields(BitsOfHandle(SourceForm.hWnd()), BitsOfHandle(icon));
        tray_.szTip = FixedTip(ToolTip + L'\0');
        tray_.iconUp = true;
        SendToShell(NIM_ADD, tray_);
    } catch (const std::exception& error) {
        ReportTrayError(error, L" in AddIcon()");
    }
}

void fmMain::RemoveIcon() {
    try {
        tray_.iconUp = false;
        SendToShell(NIM_DELETE, tray_);
    } catch (const std::exception& error) {
        ReportTrayError(error, L" in RemoveIcon()");
    }
}

std::optional<float> fmMain::GetMouseEvent(short XCoOrdinate, short /*YCoOrdinate*/) {
    try {
        return GetMouseEventNumber(XCoOrdinate, TrayTwipsPerPixel(Dpi()));
    } catch (const std::exception& error) {
        ReportTrayError(error, L" in GetMouseEvent()");
        return std::nullopt;
    }
}

void fmMain::Form_MouseMove(int /*Button*/, int /*Shift*/, float X, float Y) {
    // Only the icon's reports are decoded. An ordinary mouse move over the visible window would
    // run the same table with its pixel column, and on a screen of more than about 200 dpi a
    // column of 517 would pop the menu up under the user's pointer.
    if (!tray_.iconUp) return;

    POINT at{};
    try {
        const short y = RoundToInt16(Y);
        const short x = RoundToInt16(X);
        const HWND modal = OpenModalWindow(hWnd());
        const std::optional<float> message = GetMouseEvent(x, y);
        switch (modal ? TrayActionWhileModal(message) : TrayActionFor(message, Visible())) {
        case TrayAction::BringModalToFront:
            // As the taskbar does for a program with a modal dialog: the user gets the dialog
            // back, and nothing that could open a second one or end the program under it.
            ::SetForegroundWindow(modal);
            ::BringWindowToTop(modal);
            return;
        case TrayAction::RestoreWindow:
            SetWindowStateNormal();
            Show();
            RemoveIcon();
            return;
        case TrayAction::PopupMenu: {
            // Let pending window events through first, so that whatever was in front before the
            // click on the icon is on record before Kestrel takes the foreground.
            MSG pending;
            ::PeekMessageW(&pending, nullptr, 0, 0, PM_NOREMOVE);
            DWORD processId = 0;
            ::GetWindowThreadProcessId(hWnd(), &processId);
            app::ActivateProcess(processId);
            // The menu's owner must be the foreground window itself, or the menu stays up when
            // the user clicks elsewhere; the process may have other hidden top-level windows.
            ::SetForegroundWindow(hWnd());
            ::GetCursorPos(&at);
            break;
        }
        case TrayAction::None:
            return;
        }
    } catch (const std::exception& error) {
        ReportTrayError(error, L" in Form_MouseMove()");
        return;
    }
    // Outside the guard: a command chosen from the menu fails exactly as it does from its button.
    mnuFile.Popup(hWnd(), TPM_RIGHTALIGN, at.x, at.y);
}

void fmMain::cmdMinimize_Click() {
    Hide();
    AddIcon(*this, L"Kestrel");
}

void fmMain::mnuRestore_Click() {
    Show();
    RemoveIcon();
}

bool fmMain::HandleTrayMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_MOUSEMOVE && tray_.iconUp) {
        // The shell's report: the mouse message on the icon in the low word of lParam, which the
        // form sees as a pixel column and hands on in twips. Scaled by a whole number of twips per
        // pixel, so that GetMouseEvent divides back to the exact message at every resolution.
        // Button and Shift are not looked at (wParam is the icon's id, not key state).
        const float twipsPerPixel = TrayTwipsPerPixel(Dpi());
        Form_MouseMove(0, 0, static_cast<float>(GET_X_LPARAM(lParam)) * twipsPerPixel,
                       static_cast<float>(GET_Y_LPARAM(lParam)) * twipsPerPixel);
        result = 0;
        return true;
    }
    if (message == WM_ENDSESSION && wParam) {
        // The session ends (log off, shut down) and the process with it, without a close
        // request: the icon would otherwise stay in the shell until the mouse passes over it.
        // As when the window is closed, the settings are not saved; only Exit saves them.
        RemoveIcon();
        return false;
    }
    if (tray_.taskbarCreated != 0 && message == tray_.taskbarCreated) {
        // The shell restarted (Explorer crashed or was updated) and forgot every icon: a program
        // in the tray would otherwise be out of reach.
        if (tray_.iconUp) AddIcon(*this, tray_.toolTip);
        result = 0;
        return true;
    }
    return false;
}

}  // namespace kestrel
