// The end of the Windows session (log off, shut down) takes the icon down, as closing the window
// does; only Exit saves the settings.
#include "app/fmMain_ids.h"
#include "tests/e2e/tray_support.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

class TrayEndSession : public TrayTest {};

bool Deliver(HWND wnd, UINT message, WPARAM wParam) {
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutW(wnd, message, wParam, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &ignored) != 0;
}

TEST_F(TrayEndSession, EndingTheSessionTakesTheIconDownAndSavesNothing) {
    ASSERT_NO_FATAL_FAILURE(Minimize());
    WriteSettings("1", "1", "P", "50");
    SetField(main_, ids::fmMain::kTxtPercent, L"42");

    // Another program refused, and the session goes on: the icon stays.
    ASSERT_TRUE(Deliver(main_, WM_QUERYENDSESSION, 0));
    ASSERT_TRUE(Deliver(main_, WM_ENDSESSION, FALSE));
    EXPECT_TRUE(HoldsFor([&] { return ShellHasIcon(main_); }, 500ms)) << "a session that goes on keeps the icon";

    ASSERT_TRUE(Deliver(main_, WM_QUERYENDSESSION, 0));
    ASSERT_TRUE(Deliver(main_, WM_ENDSESSION, TRUE));
    EXPECT_TRUE(WaitFor([&] { return !ShellHasIcon(main_); }, 3s)) << "the session ends: the icon goes";
    const std::optional<RawValue> percent = ReadRawValue("Percent");
    ASSERT_TRUE(percent);
    EXPECT_EQ(percent->Text(), "50") << "the settings are saved by Exit only";
}

}  // namespace
}  // namespace kestrel::e2e
