// A running Kestrel for each tray test, and the step every one of them starts with: Minimize.
#pragma once
#include "app/fmMain_ids.h"
#include "tests/e2e/tray_driver.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestrel::e2e {

class TrayTest : public KestrelTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(Start());
        iconsBefore_ = ShellIconWindows();
    }

    // An icon the test left up (or a killed Kestrel left behind) would outlive the test in the
    // shell's tray and confuse the next one.
    void TearDown() override {
        if (main_) ShellDeleteIcon(main_);
        ::SetCursorPos(900, 700);
    }

    // Clicks Minimize; the window goes and the icon comes.
    void Minimize() {
        ASSERT_TRUE(::IsWindowVisible(main_));
        ASSERT_TRUE(MinimizeToTray(kestrel_)) << "Minimize hides the window and the shell shows the icon";
    }

    // Opens the menu as the shell's report of a right-button release does.
    HWND OpenMenu() {
        PostShellCallback(main_, WM_RBUTTONUP);
        return WaitForMenu(kestrel_);
    }

    bool InTray() const { return !::IsWindowVisible(main_) && ShellHasIcon(main_); }
    bool Shown() const { return ::IsWindowVisible(main_) && !ShellHasIcon(main_); }

    std::vector<HWND> iconsBefore_;
};

}  // namespace kestrel::e2e
