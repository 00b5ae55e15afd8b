#include "tests/e2e/options_support.h"

namespace kestrel::e2e {
int OnePixelTwips() { return ToTwips(1) + 1; }

void ExpectBoxNear(const TwipsBox& actual, const TwipsBox& expected) {
    EXPECT_NEAR(actual.left, expected.left, OnePixelTwips()) << "left";
    EXPECT_NEAR(actual.top, expected.top, OnePixelTwips()) << "top";
    EXPECT_NEAR(actual.width, expected.width, OnePixelTwips()) << "width";
    EXPECT_NEAR(actual.height, expected.height, OnePixelTwips()) << "height";
}

TwipsBox InDialog(HWND dialog, HWND control) {
    const RECT origin = ClientRectOnScreen(dialog);
    const RECT r = WindowRect(control);
    return TwipsBox{ToTwips(r.left - origin.left), ToTwips(r.top - origin.top), ToTwips(r.right - r.left),
                    ToTwips(r.bottom - r.top)};
}

bool PressOK(HWND dialog) {
    Click(Child(dialog, opt::kCmdOK));
    return WaitFor([&] { return !::IsWindow(dialog); });
}

bool CloseDialog(HWND dialog, UINT message) {
    ::PostMessageW(dialog, message, message == WM_SYSCOMMAND ? SC_CLOSE : 0, 0);
    return WaitFor([&] { return !::IsWindow(dialog); });
}

bool IsChecked(HWND option) { return SendTo(option, BM_GETCHECK) == BST_CHECKED; }

void ExpectShown(HWND dialog, const Shown& c) {
    const std::pair<int, bool> options[] = {
        {opt::kOptScreen, c.screen},      {opt::kOptWindow, !c.screen},    {opt::kOptPrinter, c.printer},
        {opt::kOptClipboard, !c.printer}, {opt::kOptPortrait, c.portrait}, {opt::kOptLandscape, !c.portrait},
    };
    for (const auto& [id, checked] : options) EXPECT_EQ(IsChecked(Child(dialog, id)), checked) << id;
    EXPECT_EQ(WindowText(Child(dialog, opt::kTxtPercent)), c.percent) << "shown unchanged";

    for (int id : {opt::kOptPortrait, opt::kOptLandscape, opt::kCmdSpinUp, opt::kCmdSpinDn, opt::kTxtPercent}) {
        EXPECT_EQ(::IsWindowEnabled(Child(dialog, id)) != FALSE, c.printer) << id;
    }
    for (int id : {opt::kFrame3, opt::kLblPercent, opt::kShape2, opt::kOptScreen, opt::kOptWindow, opt::kOptPrinter,
                   opt::kOptClipboard, opt::kCmdOK}) {
        EXPECT_TRUE(::IsWindowEnabled(Child(dialog, id))) << id << " is never disabled";
    }

    const opt::Control shown = c.screen ? opt::kImgScreen : opt::kImgWindow;
    const int hidden = c.screen ? opt::kImgWindow : opt::kImgScreen;
    const auto visible = [&](int id) { return ::IsWindowVisible(Child(dialog, id)) != FALSE; };
    for (int id : {opt::kRectBackground, opt::kShape2, shown}) EXPECT_TRUE(visible(id)) << id;
    EXPECT_FALSE(visible(hidden));
    EXPECT_EQ(visible(opt::kRectPortrait), c.printer && c.portrait);
    EXPECT_EQ(visible(opt::kRectLandscape), c.printer && !c.portrait);
    ExpectBoxNear(InDialog(dialog, Child(dialog, shown)), c.thumb);
    if (!c.printer) ExpectBoxNear(InDialog(dialog, Child(dialog, hidden)), kClipboardThumb);
}

void PostMouseClick(HWND control) {
    ::PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

void Sync(HWND dialog) {
    HWND mark = Child(dialog, opt::kFrame1);
    ::PostMessageW(mark, BM_SETSTATE, TRUE, 0);
    WaitFor([&] { return (SendTo(mark, BM_GETSTATE) & BST_PUSHED) != 0; });
    SendTo(mark, BM_SETSTATE, FALSE);
}

POINT DialogPoint(HWND dialog, double xTwips, double yTwips) {
    const RECT origin = ClientRectOnScreen(dialog);
    const int dpi = ScreenDpi();
    return POINT{origin.left + static_cast<int>(xTwips * dpi / 1440.0),
                 origin.top + static_cast<int>(yTwips * dpi / 1440.0)};
}

::testing::AssertionResult ScreenPixelBecomes(POINT at, const std::function<bool(Pixel)>& ok) {
    Pixel seen = 0;
    if (WaitFor([&] { return ok(seen = ScreenImage(RECT{at.x, at.y, at.x + 1, at.y + 1}).At(0, 0)); }, 3s)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "(" << at.x << ", " << at.y << ") shows " << Describe(seen);
}

::testing::AssertionResult ScreenPixelBecomes(POINT at, Pixel expected) {
    return ScreenPixelBecomes(at, [&](Pixel p) { return p == expected; }) << ", not " << Describe(expected);
}

void OptionsTest::Open(const wchar_t* percent) {
    ASSERT_NO_FATAL_FAILURE(Start());
    SetFields(main_, {L"1", L"1", L"P", percent});
    Show();
}

void OptionsTest::Show() {
    Click(Child(main_, ids::fmMain::kCmdOptions));
    ASSERT_TRUE(WaitFor([&] { return (dialog = kestrel_.FindTopLevel(opt::kWindowClass, L"Options")) != nullptr; }))
        << "Options did not open";
    field = Child(dialog, opt::kTxtPercent);
}

}  // namespace kestrel::e2e
