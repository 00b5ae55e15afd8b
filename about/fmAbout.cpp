#include "about/fmAbout.h"

#include "about/fmAbout_ids.h"
#include "about/help_text.h"
#include "resources/resource_ids.h"
#include "toolkit/application.h"
#include "toolkit/text.h"

namespace kestrel {
namespace {

// Times New Roman is missing on some systems (Wine without the core fonts); the roman family
// lets the font mapper fall back to the closest serif face instead of the system's sans.
constexpr BYTE kSerif = DEFAULT_PITCH | FF_ROMAN;

}  // namespace

fmAbout::fmAbout() : Form(ids::fmAbout::kWindowClass) {}

Form::Style fmAbout::Describe() const {
    Style style;
    style.caption = L"About";
    style.clientWidthTwips = 6075;
    style.clientHeightTwips = 2940;
    style.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;  // fixed single border with a close box
    // Without an owner the window is in the taskbar anyway; say so, so that it stays there if a
    // caller ever gives it one.
    style.exStyle = WS_EX_APPWINDOW;
    style.start = StartPosition::CentreOwner;
    style.programIcon = false;
    return style;
}

void fmAbout::CreateControls() {
    HWND self = hWnd();
    // Created in tab order: OK first, so that it has the focus when the window opens.
    cmdOK.CreateText(*this, self, ids::fmAbout::kCmdOK, L"OK", {2640, 2520, 735, 375});
    lstInfo.Create(*this, self, ids::fmAbout::kLstInfo, {90, 1350, 5865, 1035});
    // The icon box does nothing when it has the focus and could not show it: no tab stop.
    Picture1.Create(*this, self, ids::fmAbout::kPicture1, {120, 240, 615, 615}, /*visible=*/true);
    Label1.Create(*this, self, ids::fmAbout::kLabel1, L"Kestrel", {840, 120, 2295, 735});
    lblverLabel.Create(*this, self, ids::fmAbout::kLblverLabel, L"  Version:", {4320, 210, 720, 240});
    Label3.Create(*this, self, ids::fmAbout::kLabel3, L"  0.4.1", {4395, 450, 585, 225});
    Label2.Create(*this, self, ids::fmAbout::kLabel2,
                  L"Lightweight Screen Capture Utility for Windows 98SE, NT, 2000, XP", {120, 840, 5775, 255});
    Line1.Create(*this, self, ids::fmAbout::kLine1, 0, 1200, 6000, 1200);

    Label1.SetFont(FontSpec{L"Times New Roman", 27.75, FW_BOLD, true, kSerif});
    Label2.SetFont(FontSpec{L"Times New Roman", 9.75, FW_NORMAL, true, kSerif});

    // The 32 x 32 image at its own size, whatever the display's icon metrics.
    icon_.reset(static_cast<HICON>(
        ::LoadImageW(app::Instance(), MAKEINTRESOURCEW(IDI_KESTREL), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR)));
    Picture1.SetIcon(icon_.get());

    cmdOK.onClick = [this] { cmdOK_Click(); };
}

void fmAbout::Form_Load() {
    lstInfo.Clear();
    for (std::string_view item : HelpItems()) lstInfo.AddItem(Widen(item));
}

void fmAbout::cmdOK_Click() { Unload(); }

bool fmAbout::HandleMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
    // Enter on a focused push button should press it. The dialog keyboard interface asks the
    // window for its default button, and a window that is no dialog answers "none", so Enter
    // would do nothing (or send IDOK to no one). OK is not the default button otherwise: with the
    // focus in the list, Enter stays without effect.
    if (message == DM_GETDEFID) {
        HWND ok = cmdOK.hWnd();
        result = ok && ::GetFocus() == ok ? MAKELRESULT(cmdOK.Id(), DC_HASDEFID) : 0;
        return true;
    }
    return false;
}

}  // namespace kestrel
