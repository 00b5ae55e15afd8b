// An image size that reads as 0 (Percent "0", empty as on a first run, or no number at all) fits
// the picture to nothing: Kestrel sends no page, says so once and carries on.
#include "app/fmMain_ids.h"
#include "tests/e2e/capture_support.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/printed_page.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrel::e2e {
namespace {

using namespace printing;

std::string Ascii(const std::wstring& text) {
    std::string ascii;
    for (wchar_t c : text) ascii += c < 128 ? static_cast<char>(c) : '?';
    return ascii;
}

const wchar_t kNothingToPrint[] =
    L"The image size is 0 %, so nothing was printed. Set an image size from 1 to 100 % in Options.";

// Which standard icon a message box shows, judged by its pixels on the screen.
std::string IconShown(HWND box) {
    HWND control = capture::MessageBoxIconControl(box);
    if (!control) return "none";
    const int size = ::GetSystemMetrics(SM_CXICON);
    ::Sleep(300);  // let the box paint
    const RECT place = WindowRect(control);
    const capture::Image shown = capture::ScreenImage(place.left, place.top, size, size);
    const std::pair<const wchar_t*, const char*> icons[] = {
        {IDI_INFORMATION, "information"}, {IDI_ERROR, "error"}, {IDI_WARNING, "warning"}, {IDI_QUESTION, "question"}};
    for (const auto& [id, name] : icons) {
        if (shown.pixels == capture::IconImage(::LoadIconW(nullptr, id), size, shown.At(0, 0)).pixels) return name;
    }
    return "unknown";
}

TEST(PrintingZeroSize, NoPageOneMessageAndTheNextSizePrints) {
    DeleteSettingsKey();
    WriteSettings("2", "1", "P", "");  // the size field of a first run is empty
    KestrelProcess kestrel;
    HWND main = kestrel.Main();
    PatternWindow pattern(600, 300);

    for (const wchar_t* percent : {L"", L"0", L"abc"}) {
        SCOPED_TRACE(testing::Message() << "Percent \"" << Ascii(percent) << "\"");
        SetField(main, ids::fmMain::kTxtPercent, percent);
        DiscardPrintedPage();
        ASSERT_TRUE(pattern.TakeForegroundFrom(main));
        Click(Child(main, ids::fmMain::kCmdCapture));

        HWND box = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (box = FindMessageBox(kestrel.ProcessId())) != nullptr; }, 20s))
            << "no message; the program is " << (kestrel.Running() ? "running" : "gone");
        EXPECT_EQ(WindowText(box), L"Kestrel");
        EXPECT_EQ(MessageBoxText(box), kNothingToPrint);
        EXPECT_EQ(IconShown(box), "information");
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(main) != FALSE; })) << "the window did not come back";

        // A job reaches the queue's file about a second after its page is ended; give it three.
        ::Sleep(3000);
        EXPECT_FALSE(ReadWholeFile(PrintedPagePath())) << "a page reached the printer";
        EXPECT_EQ(FindMessageBox(kestrel.ProcessId()), nullptr) << "a second message followed";
        ASSERT_TRUE(kestrel.Running());
    }

    // A size set right after prints as ever.
    SetField(main, ids::fmMain::kTxtPercent, L"25");
    DiscardPrintedPage();
    ASSERT_TRUE(pattern.TakeForegroundFrom(main));
    Click(Child(main, ids::fmMain::kCmdCapture));
    const std::optional<std::string> page = WaitForPrintedPage();
    ASSERT_TRUE(page) << "no page; message: " << Ascii(MessageBoxText(FindMessageBox(kestrel.ProcessId())));
    EXPECT_NE(page->find("%%Pages: 1"), std::string::npos);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(main) != FALSE; }));
    EXPECT_EQ(FindMessageBox(kestrel.ProcessId()), nullptr);
}

}  // namespace
}  // namespace kestrel::e2e
