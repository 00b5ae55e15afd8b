#include "settings/fmOptions.h"

#include "app/fmMain.h"
#include "resources/resource_ids.h"
#include "settings/fmOptions_ids.h"
#include "settings/preview_rules.h"
#include "settings/setting_codes.h"
#include "toolkit/application.h"
#include "toolkit/text.h"

#include <cmath>

namespace kestrel {
namespace {

namespace id = ids::fmOptions;

// The size field holds a percentage; 32 characters leave room for any number a user means. A
// stored text can be far longer (anyone who may save settings can write the shared key), and an
// edit control lays out and measures its whole line: with a megabyte in it the dialog can stay
// busy for minutes before it draws.
constexpr int kPercentFieldLength = 32;

// The first kPercentFieldLength characters, without half a surrogate pair at the end.
std::wstring CutToPercentField(std::wstring text) {
    if (text.size() <= static_cast<size_t>(kPercentFieldLength)) return text;
    size_t length = static_cast<size_t>(kPercentFieldLength);
    if (IS_HIGH_SURROGATE(text[length - 1])) --length;
    text.resize(length);
    return text;
}

// The option buttons are laid out relative to their frame but are the dialog's own children, as
// in any Windows dialog: a group box does not pass its children's notifications on.
TwipsRect InFrame(const Frame& frame, const TwipsRect& twips) {
    const TwipsRect& outer = frame.Geometry();
    return TwipsRect{outer.left + twips.left, outer.top + twips.top, twips.width, twips.height};
}

void AddStyle(const Control& control, DWORD style) {
    const LONG_PTR current = ::GetWindowLongPtrW(control.hWnd(), GWL_STYLE);
    ::SetWindowLongPtrW(control.hWnd(), GWL_STYLE, current | static_cast<LONG_PTR>(style));
}

TwipsRect ToControlTwips(const PreviewGeometry& twips) {
    // The sizes are kept in single precision; a control's edges fall on whole twips.
    return TwipsRect{static_cast<int>(std::lround(twips.left)), static_cast<int>(std::lround(twips.top)),
                     static_cast<int>(std::lround(twips.width)), static_cast<int>(std::lround(twips.height))};
}

// Windows draws the bitmap of a disabled picture button as the silhouette of all its pixels that
// are not white (DrawState with DSS_DISABLED), which turns an arrow on its grey ground into a grey
// block. A copy on a white ground leaves just the embossed arrow, the familiar disabled look.
UniqueBitmap DisabledArrow(HBITMAP picture) {
    UniqueBitmap copy(static_cast<HBITMAP>(::CopyImage(picture, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    DIBSECTION dib{};
    if (!copy || ::GetObjectW(copy.get(), sizeof dib, &dib) != sizeof dib || dib.dsBm.bmBitsPixel != 24 ||
        !dib.dsBm.bmBits) {
        return UniqueBitmap();
    }
    ::GdiFlush();
    auto* bits = static_cast<BYTE*>(dib.dsBm.bmBits);
    for (LONG y = 0; y < dib.dsBm.bmHeight; ++y) {
        BYTE* pixel = bits + static_cast<size_t>(y) * static_cast<size_t>(dib.dsBm.bmWidthBytes);
        for (LONG x = 0; x < dib.dsBm.bmWidth; ++x, pixel += 3) {
            if (pixel[0] == 192 && pixel[1] == 192 && pixel[2] == 192) pixel[0] = pixel[1] = pixel[2] = 255;
        }
    }
    return copy;
}

void ShowPicture(const Button& button, HBITMAP picture) {
    if (picture) ::SendMessageW(button.hWnd(), BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
}

bool SameGeometry(const TwipsRect& a, const TwipsRect& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

void MoveIfChanged(Control& control, const TwipsRect& twips) {
    // Every move repaints the whole dialog; a spin step that leaves the thumbnail alone must not
    // make it flicker.
    if (!SameGeometry(control.Geometry(), twips)) control.Move(twips);
}

// The chosen one of two options runs its click handler, as a user's click would; the other is only
// cleared, and it is cleared first when it is the first of the two.
void ChooseOption(OptionButton& first, OptionButton& second, bool firstChosen) {
    first.SetValue(firstChosen);
    second.SetValue(!firstChosen);
}

}  // namespace

fmOptions::fmOptions(fmMain& main) : Form(id::kWindowClass), main_(main) {}

Form::Style fmOptions::Describe() const {
    Style style;
    style.caption = L"Options";
    style.clientWidthTwips = 6000;
    style.clientHeightTwips = 2520;
    style.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;  // fixed single border, close command only
    style.start = StartPosition::CentreOwner;
    style.programIcon = true;
    // Owned by the main window (hidden or not), the dialog gets no taskbar button of its own and
    // keeps its ordinary caption, which a tool window would shrink.
    style.owner = main_.hWnd();
    return style;
}

void fmOptions::CreateControls() {
    HWND self = hWnd();
    // Created in tab order; Windows stacks children in creation order, the first on top.
    Frame1.Create(*this, self, id::kFrame1, L"What to Capture", {120, 120, 1575, 855});
    optScreen.Create(*this, self, id::kOptScreen, L"Entire Screen", InFrame(Frame1, {120, 240, 1335, 255}), 1, true);
    optWindow.Create(*this, self, id::kOptWindow, L"Active Window", InFrame(Frame1, {120, 480, 1425, 255}), 1, false);
    Frame2.Create(*this, self, id::kFrame2, L"Image Destination", {120, 1080, 1575, 855});
    optPrinter.Create(*this, self, id::kOptPrinter, L"Direct to Printer", InFrame(Frame2, {120, 240, 1425, 255}), 2,
                      true);
    optClipboard.Create(*this, self, id::kOptClipboard, L"Clipboard", InFrame(Frame2, {120, 480, 1215, 255}), 2, false);
    Frame3.Create(*this, self, id::kFrame3, L"Orientation", {1800, 120, 1575, 855});
    optPortrait.Create(*this, self, id::kOptPortrait, L"Portrait", InFrame(Frame3, {120, 240, 1335, 255}), 3, true);
    optLandscape.Create(*this, self, id::kOptLandscape, L"Landscape", InFrame(Frame3, {120, 480, 1335, 255}), 3, false);
    lblPercent.Create(*this, self, id::kLblPercent, L"Image size (%)", {2070, 1185, 1155, 255});
    lblPercent.SetSystemColors(COLOR_WINDOW, COLOR_WINDOWTEXT);
    txtPercent.Create(*this, self, id::kTxtPercent, L"100", {2235, 1500, 495, 285});
    // Typing or pasting beyond the limit is cut there.
    ::SendMessageW(txtPercent.hWnd(), EM_SETLIMITTEXT, kPercentFieldLength, 0);
    // The arrows' names are for screen readers; a picture button never draws its text.
    cmdSpinUp.CreatePicture(*this, self, id::kCmdSpinUp, IDB_SPIN_UP, {2880, 1450, 200, 195}, L"Increase image size");
    cmdSpinDn.CreatePicture(*this, self, id::kCmdSpinDn, IDB_SPIN_DOWN, {2880, 1650, 200, 195}, L"Decrease image size");
    cmdOK.CreateText(*this, self, id::kCmdOK, L"OK", {1320, 2040, 855, 375});
    spinUpPicture_ = reinterpret_cast<HBITMAP>(::SendMessageW(cmdSpinUp.hWnd(), BM_GETIMAGE, IMAGE_BITMAP, 0));
    spinDnPicture_ = reinterpret_cast<HBITMAP>(::SendMessageW(cmdSpinDn.hWnd(), BM_GETIMAGE, IMAGE_BITMAP, 0));
    spinUpDisabled_ = DisabledArrow(spinUpPicture_);
    spinDnDisabled_ = DisabledArrow(spinDnPicture_);

    // Below the spin buttons in the stacking, so that clicks inside the outline reach them.
    Shape2.Create(*this, self, id::kShape2, {2830, 1430, 290, 445}, std::nullopt);

    // The preview, from the top of the stacking down: thumbnails, pages, the grey square. Sibling
    // clipping makes each one paint only where nothing above it lies, whatever order Windows
    // paints them in.
    imgScreen.Create(*this, self, id::kImgScreen, IDB_THUMB_SCREEN, {3960, 717, 1560, 1070});
    imgWindow.Create(*this, self, id::kImgWindow, IDB_THUMB_WINDOW, {3960, 720, 1545, 1035});
    rectPortrait.Create(*this, self, id::kRectPortrait, {4080, 360, 1335, 1815}, RGB(255, 255, 255));
    rectLandscape.Create(*this, self, id::kRectLandscape, {3840, 600, 1815, 1335}, RGB(255, 255, 255));
    rectBackground.Create(*this, self, id::kRectBackground, {3600, 120, 2295, 2295}, RGB(128, 128, 128));
    for (Control* control :
         {static_cast<Control*>(&imgScreen), static_cast<Control*>(&imgWindow), static_cast<Control*>(&rectPortrait),
          static_cast<Control*>(&rectLandscape), static_cast<Control*>(&rectBackground)}) {
        AddStyle(*control, WS_CLIPSIBLINGS);
    }

    // The arrow keys move within one group of options only; every control after a group starts
    // a new one.
    for (Control* control :
         {static_cast<Control*>(&Frame2), static_cast<Control*>(&Frame3), static_cast<Control*>(&lblPercent),
          static_cast<Control*>(&txtPercent), static_cast<Control*>(&cmdSpinUp), static_cast<Control*>(&cmdSpinDn),
          static_cast<Control*>(&cmdOK)}) {
        AddStyle(*control, WS_GROUP);
    }

    // The initial layout state; Form_Load replaces it before the dialog is seen.
    SelectOption(optScreen);
    SelectOption(optPrinter);
    SelectOption(optPortrait);

    optScreen.onClick = [this] { optScreen_Click(); };
    optWindow.onClick = [this] { optWindow_Click(); };
    optPrinter.onClick = [this] { optPrinter_Click(); };
    optClipboard.onClick = [this] { optClipboard_Click(); };
    optPortrait.onClick = [this] { optPortrait_Click(); };
    optLandscape.onClick = [this] { optLandscape_Click(); };
    cmdSpinUp.onClick = [this] { cmdSpinUp_Click(); };
    cmdSpinDn.onClick = [this] { cmdSpinDn_Click(); };
    cmdOK.onClick = [this] { cmdOK_Click(); };
    txtPercent.onLostFocus = [this] {
        if (focusInDialog_) txtPercent_LostFocus();
    };
}

bool fmOptions::HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    // Deactivation reaches the dialog before the focus is taken from its control, and closing
    // before the window goes: both come ahead of the text field's lost-focus notification.
    if (message == WM_ACTIVATE) focusInDialog_ = LOWORD(wParam) != WA_INACTIVE;
    if (message == WM_CLOSE) focusInDialog_ = false;
    // Text cut at the field's limit, typed or pasted: the user hears it. Wine's edit control only
    // reports it.
    if (message == WM_COMMAND && LOWORD(wParam) == id::kTxtPercent && HIWORD(wParam) == EN_MAXTEXT) app::Beep();
    return false;
}

void fmOptions::Form_Load() {
    ChooseOption(optScreen, optWindow, ScopeFromText(main_.txtScope.Text()) == Scope::EntireScreen);
    ChooseOption(optPortrait, optLandscape, OrientationFromText(main_.txtOrientation.Text()) == Orientation::Portrait);

    // The limit holds for the user's typing only; a longer stored text is shown cut, and read by
    // its leading number as ever.
    txtPercent.SetText(CutToPercentField(main_.txtPercent.Text()));

    const bool toPrinter = DestinationFromText(main_.txtDest.Text()) == Destination::Printer;
    ChooseOption(optPrinter, optClipboard, toPrinter);
    EnableSizeAndOrientation(toPrinter);

    DrawPagePreview();
}

void fmOptions::EnableSizeAndOrientation(bool enabled) {
    optPortrait.SetEnabled(enabled);
    optLandscape.SetEnabled(enabled);
    cmdSpinUp.SetEnabled(enabled);
    ShowPicture(cmdSpinUp, enabled ? spinUpPicture_ : spinUpDisabled_.get());
    cmdSpinDn.SetEnabled(enabled);
    ShowPicture(cmdSpinDn, enabled ? spinDnPicture_ : spinDnDisabled_.get());
    txtPercent.SetEnabled(enabled);
}

void fmOptions::optScreen_Click() { DrawPagePreview(); }
void fmOptions::optWindow_Click() { DrawPagePreview(); }
void fmOptions::optPortrait_Click() { DrawPagePreview(); }
void fmOptions::optLandscape_Click() { DrawPagePreview(); }

void fmOptions::optPrinter_Click() {
    EnableSizeAndOrientation(true);
    DrawPagePreview();
}

void fmOptions::optClipboard_Click() {
    EnableSizeAndOrientation(false);
    DrawPagePreview();
}

void fmOptions::cmdSpinUp_Click() {
    if (const auto stepped = SpinUp(Narrow(txtPercent.Text()))) {
        txtPercent.SetText(Widen(*stepped));
        txtPercent.Refresh();
    }
    DrawPagePreview();
}

void fmOptions::cmdSpinDn_Click() {
    if (const auto stepped = SpinDown(Narrow(txtPercent.Text()))) {
        txtPercent.SetText(Widen(*stepped));
        txtPercent.Refresh();
    }
    DrawPagePreview();
}

void fmOptions::txtPercent_LostFocus() {
    const LostFocusResult clamped = ClampPercentText(Narrow(txtPercent.Text()));
    if (clamped.replacement) {
        txtPercent.SetText(Widen(*clamped.replacement));
        if (clamped.beep) app::Beep();
    }
    DrawPagePreview();
}

void fmOptions::cmdOK_Click() {
    main_.txtScope.SetText(Widen(ScopeCode(optScreen.Value() ? Scope::EntireScreen : Scope::ActiveWindow)));
    main_.txtDest.SetText(Widen(DestinationCode(optPrinter.Value() ? Destination::Printer : Destination::Clipboard)));
    main_.txtOrientation.SetText(
        Widen(OrientationCode(optPortrait.Value() ? Orientation::Portrait : Orientation::Landscape)));
    main_.txtPercent.SetText(txtPercent.Text());
    focusInDialog_ = false;
    Unload();
}

void fmOptions::DrawPagePreview() {
    const PagePreview preview =
        ComputePagePreview(optScreen.Value(), optPrinter.Value(), optPortrait.Value(), Narrow(txtPercent.Text()));
    rectLandscape.SetVisible(preview.landscapePageVisible);
    rectPortrait.SetVisible(preview.portraitPageVisible);
    if (preview.windowThumbGeometry) MoveIfChanged(imgWindow, ToControlTwips(*preview.windowThumbGeometry));
    if (preview.screenThumbGeometry) MoveIfChanged(imgScreen, ToControlTwips(*preview.screenThumbGeometry));
    imgWindow.SetVisible(preview.windowThumbVisible);
    imgScreen.SetVisible(preview.screenThumbVisible);
}

}  // namespace kestrel
