// A second start of kestrel.exe in the same session ends with 0 and brings the first forward (out
// of the notification area if it is there): no second window and no second icon.
#include "app/fmMain_ids.h"
#include "tests/e2e/tray_support.h"

namespace kestrel::e2e {
namespace {

class SecondStart : public TrayTest {
protected:
    // The second ends with 0, and the first Kestrel is shown, its icon gone, alone and in front.
    void StartAgain() {
        KestrelProcess second(KestrelProcess::NotYet{});
        ASSERT_TRUE(second.Launch());
        EXPECT_EQ(second.WaitForExit(15s), std::optional<DWORD>(0u));
        EXPECT_TRUE(WaitFor([&] { return Shown(); }));
        EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == main_; }));
        const auto mainWindows = [] {
            int count = 0;
            for (HWND wnd = nullptr; (wnd = ::FindWindowExW(nullptr, wnd, ids::fmMain::kWindowClass, nullptr));)
                ++count;
            return count;
        };
        EXPECT_TRUE(HoldsFor([&] { return Shown() && mainWindows() == 1; }, 1s));
    }
};

TEST_F(SecondStart, BringsTheFirstOutOfTheTrayAndEnds) {
    DeleteSettingsKey();
    CreateSettingsKey();
    ASSERT_NO_FATAL_FAILURE(Minimize());
    ASSERT_NO_FATAL_FAILURE(StartAgain());

    // Only the first Kestrel writes at Exit, and it writes what it holds.
    SetFields(main_, {L"2", L"2", L"L", L"42"});
    ASSERT_NO_FATAL_FAILURE(Exit());
    main_ = nullptr;
    EXPECT_EQ(StoredSettings(), (std::vector<std::string>{"2", "2", "L", "42"}));
}

TEST_F(SecondStart, LeavesAShownKestrelAloneButInFront) {
    ASSERT_NO_FATAL_FAILURE(StartAgain());
    EXPECT_EQ(NewIconWindow(iconsBefore_), nullptr) << "no icon from the second start";
    EXPECT_TRUE(kestrel_.Running());
}

}  // namespace
}  // namespace kestrel::e2e
