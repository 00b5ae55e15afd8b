// A second start of kestrel.exe in the same session ends with 0 and brings the first forward (out
// of the notification area if it is there): no second window and no second icon.
#include "app/fmMain_ids.h"
#include "tests/e2e/tray_support.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

// Its exit code, or nullopt if it could not start or did not end in time.
std::optional<DWORD> StartAgain() {
    KestrelProcess second(KestrelProcess::NotYet{});
    return second.Launch() ? second.WaitForExit(15s) : std::nullopt;
}

int MainWindowCount() {
    int count = 0;
    for (HWND wnd = nullptr; (wnd = ::FindWindowExW(nullptr, wnd, ids::fmMain::kWindowClass, nullptr));) ++count;
    return count;
}

class SecondStart : public TrayTest {};

TEST_F(SecondStart, BringsTheFirstOutOfTheTrayAndEnds) {
    DeleteSettingsKey();
    CreateSettingsKey();
    Minimize();
    ASSERT_TRUE(InTray());

    EXPECT_EQ(StartAgain(), std::optional<DWORD>(0u));
    EXPECT_TRUE(WaitFor([&] { return Shown(); })) << "the first Kestrel is back, its icon gone";
    EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == main_; })) << "and in front";
    EXPECT_EQ(MainWindowCount(), 1);
    EXPECT_TRUE(HoldsFor([&] { return MainWindowCount() == 1 && !ShellHasIcon(main_); }, 1s));

    // Only the first Kestrel writes at Exit, and it writes what it holds.
    SetFields(main_, {L"2", L"2", L"L", L"42"});
    ASSERT_NO_FATAL_FAILURE(Exit());
    main_ = nullptr;
    EXPECT_EQ(StoredSettings(), (std::vector<std::string>{"2", "2", "L", "42"}));
}

TEST_F(SecondStart, LeavesAShownKestrelAloneButInFront) {
    ASSERT_TRUE(Shown());
    EXPECT_EQ(StartAgain(), std::optional<DWORD>(0u));
    EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == main_; }));
    EXPECT_TRUE(HoldsFor([&] { return Shown() && MainWindowCount() == 1; }, 1s));
    EXPECT_EQ(NewIconWindow(iconsBefore_), nullptr) << "no icon from the second start";
    EXPECT_TRUE(kestrel_.Running());
}

}  // namespace
}  // namespace kestrel::e2e
