// Printing that cannot happen: the user reads why in a message, no half job is left in the queue,
// the window comes back and the program goes on working.
#include "app/fmMain_ids.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/printed_page.h"

#include <gtest/gtest.h>
#include <winspool.h>

#include <string>

namespace kestrel::e2e {
namespace {

using PrintingWithoutPrinter = KestrelTest;
using PrintingFails = KestrelTest;

using namespace printing;

// Runs with CUPS_SERVER naming a server that is not there (every suite whose name ends in
// WithoutPrinter does): Wine learns its printers from CUPS when a program starts, so there is no
// printer at all, and no default one.
TEST_F(PrintingWithoutPrinter, ReportsItAndCarriesOn) {
    wchar_t name[256];
    DWORD size = 256;
    ASSERT_FALSE(::GetDefaultPrinterW(name, &size)) << "this session must have no default printer";

    DeleteSettingsKey();
    WriteSettings("2", "1", "P", "100");
    DiscardPrintedPage();
    ASSERT_NO_FATAL_FAILURE(Start());
    PatternWindow pattern(PatternWindow::Kind::Centred, Quadrants(400, 300, kPrimaries));
    ASSERT_TRUE(pattern.TakeForegroundFrom(kestrel_.Main()));
    ExpectOneMessage(kestrel_, L"No default printer is set up.");
    ExpectNothingPrinted();

    // And again: the failure left nothing behind that would change the second attempt.
    ASSERT_TRUE(pattern.TakeForegroundFrom(kestrel_.Main()));
    ExpectOneMessage(kestrel_, L"No default printer is set up.");
}

struct RefusedPercent {
    const char* percent;
    const wchar_t* message;
};

TEST_F(PrintingFails, PercentsThatCannotBePrinted) {
    const RefusedPercent cases[] = {
        {"-25", L"Invalid procedure call or argument"},  // no square root of a negative number
        {"1e39", L"Overflow"},                           // beyond single precision
        {"1e30", L"Overflow"},                           // a finite size far beyond any page
    };
    for (const RefusedPercent& c : cases) {
        SCOPED_TRACE(c.percent);
        DeleteSettingsKey();
        WriteSettings("2", "1", "P", c.percent);
        DiscardPrintedPage();
        ASSERT_NO_FATAL_FAILURE(Start());
        PatternWindow pattern(PatternWindow::Kind::Centred, Quadrants(400, 300, kPrimaries));
        ASSERT_TRUE(pattern.TakeForegroundFrom(kestrel_.Main()));
        ExpectOneMessage(kestrel_, c.message);
        ExpectNothingPrinted();

        // Still working: the next capture, with a percent that fits, prints.
        SetField(kestrel_.Main(), ids::fmMain::kTxtPercent, L"100");
        ASSERT_TRUE(pattern.TakeForegroundFrom(kestrel_.Main()));
        Click(Child(kestrel_.Main(), ids::fmMain::kCmdCapture));
        EXPECT_TRUE(WaitForPrintedPage()) << "the next capture did not print";
        EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(kestrel_.Main()) != FALSE; }));
    }
}

}  // namespace
}  // namespace kestrel::e2e
