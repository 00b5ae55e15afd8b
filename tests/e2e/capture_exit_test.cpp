// Exit chosen while a Capture is under way (its yields let it in) waits for the picture to be
// delivered, then ends Kestrel the usual way, settings saved.
#include "app/fmMain_ids.h"
#include "tests/e2e/capture_support.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

using CaptureThenExit = KestrelTest;

using namespace capture;

TEST_F(CaptureThenExit, ExitDuringTheCaptureEndsKestrelOnceThePictureIsOnTheClipboard) {
    ASSERT_NO_FATAL_FAILURE(StartWith("2", "2", "P", "100"));
    SetField(main_, ids::fmMain::kTxtPercent, L"37");
    PatternWindow pattern(PatternWindow::Kind::Captioned, ColourField(240, 160));
    ASSERT_TRUE(pattern.BringToFront());

    const DWORD before = ::GetClipboardSequenceNumber();
    {
        // Both requests wait in the queue together: the Capture's first yield finds the Exit.
        FrozenProcess frozen(kestrel_.ProcessId());
        ASSERT_GT(frozen.Threads(), 0u);
        PressCapture(main_);
        ::PostMessageW(main_, WM_COMMAND, MAKEWPARAM(ids::fmMain::kCmdExit, BN_CLICKED),
                       reinterpret_cast<LPARAM>(Child(main_, ids::fmMain::kCmdExit)));
    }
    ASSERT_TRUE(PumpUntil([&] { return !kestrel_.Running(); }, 20s)) << "Kestrel did not end";
    EXPECT_EQ(kestrel_.WaitForExit(), 0u);
    EXPECT_NE(::GetClipboardSequenceNumber(), before) << "the capture was delivered before the end";
    EXPECT_TRUE(::IsClipboardFormatAvailable(CF_BITMAP) || ::IsClipboardFormatAvailable(CF_DIB));
    const std::optional<RawValue> percent = ReadRawValue("Percent");
    ASSERT_TRUE(percent);
    EXPECT_EQ(percent->Text(), "37") << "Exit saved the settings";
}

}  // namespace
}  // namespace kestrel::e2e
