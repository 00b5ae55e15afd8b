// Kestrel without a mouse: Ctrl+Print Screen captures from wherever the user is, the arrow keys
// choose within the Options groups, and a screen reader finds a name for every picture button.
#include "tests/e2e/keyboard_support.h"
#include "tests/e2e/options_support.h"

#include <oleacc.h>

namespace kestrel::e2e {
namespace {

// A window of the test process that registers the capture key first, as another program may, and
// counts the presses it hears.
struct KeyHolder {
    HWND wnd = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    bool registered = wnd && ::RegisterHotKey(wnd, 1, MOD_CONTROL, VK_SNAPSHOT);
    int presses = 0;
    ~KeyHolder() {
        if (registered) ::UnregisterHotKey(wnd, 1);
        if (wnd) ::DestroyWindow(wnd);
    }
    int Presses() {
        for (MSG msg; ::PeekMessageW(&msg, wnd, WM_HOTKEY, WM_HOTKEY, PM_REMOVE);) ++presses;
        return presses;
    }
};

using CaptureKeyHeld = KestrelTest;
using CaptureKeyTaken = KestrelTest;
using OptionsArrowKeys = OptionsTest;
using MainWindowNames = OptionsTest;

using namespace capture;

const Chord kCaptureChord{VK_CONTROL, VK_SNAPSHOT};

// Minimize: the window goes to the notification area.
bool ToTray(HWND main) {
    Click(Child(main, ids::fmMain::kCmdMinimize));
    return PumpUntil([&] { return !::IsWindowVisible(main); });
}

// Whether Kestrel is in the notification area, and its Scope.
using CaptureKey = KestrelTestWithParam<std::tuple<bool, const char*>>;

// With the user's window in front, the key takes what the Capture button would take and leaves
// Kestrel as it was: a shown window comes back, one in the notification area stays there.
TEST_P(CaptureKey, TakesWhatTheButtonTakesAndLeavesKestrelAsItWas) {
    const bool inTray = std::get<0>(GetParam());
    const std::string scope = std::get<1>(GetParam());
    ASSERT_NO_FATAL_FAILURE(StartWith(scope, "2", "P", "100"));
    if (inTray) ASSERT_TRUE(ToTray(main_));
    // For the entire screen, a topmost window that covers it.
    const bool entireScreen = scope == "1";
    PatternWindow pattern(entireScreen ? PatternWindow::Kind::FullScreenTopmost : PatternWindow::Kind::Captioned,
                          ColourField(entireScreen ? ::GetSystemMetrics(SM_CXSCREEN) : 301,
                                      entireScreen ? ::GetSystemMetrics(SM_CYSCREEN) : 203));
    ASSERT_TRUE(pattern.BringToFront());

    const DWORD sequence = ::GetClipboardSequenceNumber();
    bool shownFromTray = false;
    PressKeys(kCaptureChord);
    ASSERT_TRUE(PumpUntil([&] {
        shownFromTray = shownFromTray || (inTray && ::IsWindowVisible(main_));
        return WaitForCaptureDone(main_, sequence, !inTray, 0ms);
    }));
    ExpectWindowCapture(ReadClipboardPicture(), pattern);
    PumpFor(300ms);
    EXPECT_EQ(::IsWindowVisible(main_) != FALSE, !inTray);
    EXPECT_FALSE(shownFromTray) << "the window in the notification area was shown";
    EXPECT_FALSE(FindMessageBox(kestrel_.ProcessId()));
}

INSTANTIATE_TEST_SUITE_P(Scopes, CaptureKey, ::testing::Combine(::testing::Bool(), ::testing::Values("2", "1")),
                         [](const auto& info) {
                             return std::string(*std::get<1>(info.param) == '1' ? "EntireScreen" : "ActiveWindow") +
                                    (std::get<0>(info.param) ? "FromTheTray" : "");
                         });

// A key held down repeats; one press is one capture all the same. From the notification area,
// where the user's window keeps the foreground throughout: Wine matches a hot key's modifiers
// against the key state of the thread in front, so once Kestrel's shown window takes the
// foreground a Ctrl pressed before no longer counts and the repeats stop being hot keys.
TEST_F(CaptureKeyHeld, CapturesOnce) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
    ASSERT_TRUE(ToTray(main_));
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(240, 160));
    ASSERT_TRUE(pattern.BringToFront());

    // How far one capture moves the clipboard's sequence number.
    const DWORD before = ::GetClipboardSequenceNumber();
    PressKeys(kCaptureChord);
    ASSERT_TRUE(WaitForCaptureDone(main_, before, false));
    const DWORD afterOne = ::GetClipboardSequenceNumber();
    ASSERT_EQ(::GetForegroundWindow(), pattern.hWnd());
    PumpFor(1500ms);  // a new press, well apart from the first

    HoldKeys(kCaptureChord, 1500ms);
    ASSERT_TRUE(WaitForCaptureDone(main_, afterOne, false));
    PumpFor(1000ms);
    EXPECT_EQ(::GetClipboardSequenceNumber() - afterOne, afterOne - before) << "exactly one more capture";
}

// Another program registered the key first: Kestrel starts as ever, without a word, and its
// buttons capture; the key stays the other program's.
TEST_F(CaptureKeyTaken, KestrelStartsWithoutItAndItsButtonsCapture) {
    WriteSettings("2", "2", "P", "100");
    KeyHolder holder;
    ASSERT_TRUE(holder.registered);
    ASSERT_NO_FATAL_FAILURE(Start());
    PumpFor(500ms);
    EXPECT_FALSE(FindMessageBox(kestrel_.ProcessId())) << "no message at start";

    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(220, 140));
    ASSERT_TRUE(pattern.BringToFront());
    const DWORD sequence = ::GetClipboardSequenceNumber();
    PressKeys(kCaptureChord);
    // Waited for without pumping, which would take the holder's messages.
    EXPECT_TRUE(WaitFor([&] { return holder.Presses() == 1; }, 5s)) << "the holder hears its key";
    PumpFor(1000ms);
    EXPECT_EQ(::GetClipboardSequenceNumber(), sequence) << "Kestrel did not capture";

    ASSERT_TRUE(Capture(main_));
    ExpectWindowCapture(ReadClipboardPicture(), pattern);
}

TEST_F(OptionsArrowKeys, SelectTheNeighbourAndTheStoredValuesFollow) {
    ASSERT_NO_FATAL_FAILURE(StartWith("1", "2", "P", "100"));
    ASSERT_NO_FATAL_FAILURE(Show());
    ASSERT_TRUE(WaitFor([&] { return FocusOf(dialog) == Child(dialog, opt::kOptScreen); }));
    // A key pressed where the focus is; where the focus lands, and what the dialog shows then.
    const std::tuple<UINT, int, Shown> steps[] = {
        {VK_DOWN, opt::kOptWindow, {false, false, true, L"100", kClipboardThumb}},
        {VK_UP, opt::kOptScreen, {true, false, true, L"100", kClipboardThumb}},
        {VK_UP, opt::kOptWindow, {false, false, true, L"100", kClipboardThumb}},  // round from the first to the last
        {VK_TAB, opt::kOptClipboard, {false, false, true, L"100", kClipboardThumb}},
        {VK_UP, opt::kOptPrinter, {false, true, true, L"100", kPortraitAt100}},
        {VK_TAB, opt::kOptPortrait, {false, true, true, L"100", kPortraitAt100}},
        {VK_DOWN, opt::kOptLandscape, {false, true, false, L"100", kClipboardThumb}},
    };
    for (const auto& [key, lands, shown] : steps) {
        SCOPED_TRACE(lands);
        PressKey(FocusOf(dialog), key);
        Sync(dialog);
        EXPECT_EQ(FocusOf(dialog), Child(dialog, lands)) << "the focus moved";
        ExpectShown(dialog, shown);
    }
    // What the user sees: the landscape page reaches beside where a portrait page would end.
    EXPECT_TRUE(ScreenPixelBecomes(DialogPoint(dialog, 3900, 1267), Rgb(255, 255, 255)));

    ASSERT_TRUE(PressOK(dialog));
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowEnabled(main_) != FALSE; }));
    ASSERT_NO_FATAL_FAILURE(Exit());
    EXPECT_EQ(StoredSettings(), (std::vector<std::string>{"2", "1", "L", "100"}));
}

// What a screen reader announces for a control: its accessible name.
std::wstring SpokenName(HWND control) {
    [[maybe_unused]] static const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ComPtr<IAccessible> accessible;
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    if (FAILED(::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                            reinterpret_cast<void**>(accessible.put()))) ||
        !accessible || FAILED(accessible->get_accName(self, &text)) || !text) {
        return L"(no accessible name)";
    }
    const std::wstring name(text);
    ::SysFreeString(text);
    return name;
}

// Each picture button is announced by its name, and looks the same with the name and without it:
// the name is never drawn.
void ExpectNamedAndUndrawn(HWND button, const wchar_t* name) {
    SCOPED_TRACE(testing::Message() << "button " << ::GetDlgCtrlID(button));
    EXPECT_EQ(SpokenName(button), name);
    const RECT r = WindowRect(button);
    const Image named = ScreenImage(r);
    SetWindowTextRemote(button, L"");
    ::RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    PumpFor(300ms);
    EXPECT_EQ(Differences(named, ScreenImage(r)), "");
    SetWindowTextRemote(button, name);
}

TEST_F(MainWindowNames, EachPictureButtonIsNamedForItsCommandAndLooksAsBefore) {
    ASSERT_NO_FATAL_FAILURE(Start());
    PumpFor(300ms);
    namespace fm = ids::fmMain;
    const std::pair<int, const wchar_t*> buttons[] = {
        {fm::kCmdCapture, L"Capture"}, {fm::kCmdOptions, L"Options"}, {fm::kCmdMinimize, L"Minimize"},
        {fm::kCmdAbout, L"About"},     {fm::kCmdExit, L"Exit"},
    };
    for (const auto& [id, name] : buttons) ExpectNamedAndUndrawn(Child(main_, id), name);
    // The image size arrows in Options, enabled (printer) so that they show their black arrows.
    ASSERT_NO_FATAL_FAILURE(Show());
    Click(Child(dialog, opt::kOptPrinter));
    PumpFor(300ms);
    ExpectNamedAndUndrawn(Child(dialog, opt::kCmdSpinUp), L"Increase image size");
    ExpectNamedAndUndrawn(Child(dialog, opt::kCmdSpinDn), L"Decrease image size");
}

}  // namespace
}  // namespace kestrel::e2e
