// An image size that reads as 0 (Percent "0", empty as on a first run, or no number at all) fits
// the picture to nothing: Kestrel sends no page, says so once and carries on.
#include "app/fmMain_ids.h"
#include "tests/e2e/printed_page.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrel::e2e {
namespace {

using PrintingZeroSize = KestrelTest;

using namespace printing;

std::string Ascii(const std::wstring& text) {
    std::string ascii;
    for (wchar_t c : text) ascii += c < 128 ? static_cast<char>(c) : '?';
    return ascii;
}

const wchar_t kNothingToPrint[] =
    L"The image size is 0 %, so nothing was printed. Set an image size from 1 to 100 % in Options.";

TEST_F(PrintingZeroSize, NoPageOneMessageAndTheNextSizePrints) {
    DeleteSettingsKey();
    WriteSettings("2", "1", "P", "");  // the size field of a first run is empty
    ASSERT_NO_FATAL_FAILURE(Start());
    PatternWindow pattern(PatternWindow::Kind::Centred, Quadrants(600, 300, kPrimaries));

    for (const wchar_t* percent : {L"", L"0", L"abc"}) {
        SCOPED_TRACE(testing::Message() << "Percent \"" << Ascii(percent) << "\"");
        SetField(main_, ids::fmMain::kTxtPercent, percent);
        DiscardPrintedPage();
        ASSERT_TRUE(pattern.TakeForegroundFrom(main_));
        ExpectOneMessage(kestrel_, kNothingToPrint, L"information");
        ExpectNothingPrinted();
        ASSERT_TRUE(kestrel_.Running());
    }

    // A size set right after prints as ever.
    SetField(main_, ids::fmMain::kTxtPercent, L"25");
    DiscardPrintedPage();
    ASSERT_TRUE(pattern.TakeForegroundFrom(main_));
    Click(Child(main_, ids::fmMain::kCmdCapture));
    const std::optional<std::string> page = WaitForPrintedPage();
    ASSERT_TRUE(page) << "no page; message: " << Ascii(MessageBoxText(FindMessageBox(kestrel_.ProcessId())));
    EXPECT_NE(page->find("%%Pages: 1"), std::string::npos);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(main_) != FALSE; }));
    EXPECT_EQ(FindMessageBox(kestrel_.ProcessId()), nullptr);
}

}  // namespace
}  // namespace kestrel::e2e
