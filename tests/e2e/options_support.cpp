#include "tests/e2e/options_support.h"

#include "toolkit/handles.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace kestrel::e2e {
namespace {

// Runs a Unix command line through Wine and lets it go on alone.
bool RunUnix(const std::string& command) {
    std::wstring line(command.begin(), command.end());
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);
    return true;
}

std::string ReadAll(const std::string& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

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

void TypeInto(HWND edit, const std::wstring& text, bool click) {
    if (click) PostMouseClick(edit);
    ::PostMessageW(edit, EM_SETSEL, 0, -1);
    for (wchar_t c : text) ::PostMessageW(edit, WM_CHAR, c, 1);
    if (text.empty()) ::PostMessageW(edit, WM_CHAR, VK_BACK, 1);
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

BellCounter::BellCounter() {
    dir_ = "/tmp/kestrel-bells-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(::GetTickCount());
    ::CreateDirectoryA(DosPath("").c_str(), nullptr);
    std::ofstream(DosPath("/xkbevd.cf")) << "Bell() shell \"echo bell >> " << dir_ << "/bells\"\n";
    // The shell notes xkbevd's process id so that the destructor can end it, and keeps what it
    // says: it reports turning the audible bell off once it has started listening.
    if (!RunUnix("/bin/sh -c \"echo $$ > " + dir_ + "/pid; exec /usr/bin/xkbevd -cfg " + dir_ + "/xkbevd.cf > " + dir_ +
                 "/log 2>&1\"")) {
        return;
    }
    listening_ =
        WaitFor([&] { return ReadAll(DosPath("/log")).find("disabling the audible bell") != std::string::npos; }, 15s);
    // xkbevd rings once itself as it starts; count from when that has come and gone.
    WaitFor([&] { return Lines() > 0; }, 2s);
    baseline_ = AtLeast(0);
}

BellCounter::~BellCounter() {
    const std::string pid = ReadAll(DosPath("/pid"));
    if (!pid.empty()) RunUnix("/bin/kill " + pid.substr(0, pid.find_first_of("\r\n")));
    for (const char* name : {"/pid", "/log", "/bells", "/xkbevd.cf"}) ::DeleteFileA(DosPath(name).c_str());
    ::RemoveDirectoryA(DosPath("").c_str());
}

int BellCounter::AtLeast(int expected) const {
    WaitFor([&] { return Lines() - baseline_ >= expected; }, 5s);
    for (int count = Lines();;) {
        ::Sleep(500);
        const int now = Lines();
        if (now == count) return count - baseline_;
        count = now;
    }
}

int BellCounter::Lines() const {
    const std::string bells = ReadAll(DosPath("/bells"));
    return static_cast<int>(std::count(bells.begin(), bells.end(), '\n'));
}

void OptionsTest::Open(bool heard, const wchar_t* percent) {
    if (heard) {
        bells.emplace();
        ASSERT_TRUE(bells->Listening()) << "xkbevd (x11-xkb-utils) must be installed";
    }
    ASSERT_NO_FATAL_FAILURE(Start());
    SetFields(main_, {L"1", L"1", L"P", percent});
    Show();
}

void OptionsTest::Show() {
    Click(Child(main_, ids::fmMain::kCmdOptions));
    WaitFor([&] { return (dialog = kestrel_.FindTopLevel(opt::kWindowClass, L"Options")) != nullptr; });
    ASSERT_NE(dialog, nullptr) << "Options did not open";
    field = Child(dialog, opt::kTxtPercent);
}

void OptionsTest::ClickAndSync(int id) {
    Click(Child(dialog, id));
    Sync(dialog);
}

void OptionsTest::Type(const wchar_t* text) {
    TypeInto(field, text);
    Sync(dialog);
    EXPECT_EQ(FocusOf(dialog), field);
    EXPECT_EQ(WindowText(field), text);
}

}  // namespace kestrel::e2e
