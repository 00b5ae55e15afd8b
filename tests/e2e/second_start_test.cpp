// A second start of kestrel.exe in the same session: no second window and no second icon; the
// Kestrel already running comes forward (out of the notification area if it is there) and the
// second process ends with exit code 0.
#include "app/fmMain_ids.h"
#include "tests/e2e/tray_fixture.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kestrel::e2e {
namespace {

// Starts kestrel.exe once more and waits for it to end; its exit code, or nullopt if it could not
// start or did not end in time.
std::optional<DWORD> StartAgain() {
    const std::wstring exe = BuildFolder() + L"\\kestrel.exe";
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        return std::nullopt;
    }
    std::optional<DWORD> code;
    if (::WaitForSingleObject(pi.hProcess, 15000) == WAIT_OBJECT_0) {
        DWORD exitCode = 0;
        ::GetExitCodeProcess(pi.hProcess, &exitCode);
        code = exitCode;
    } else {
        ::TerminateProcess(pi.hProcess, 99);
    }
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return code;
}

int MainWindowCount() {
    int count = 0;
    ::EnumWindows(
        [](HWND wnd, LPARAM param) -> BOOL {
            if (ClassName(wnd) == ids::fmMain::kWindowClass) ++*reinterpret_cast<int*>(param);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
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
    Click(Child(main_, ids::fmMain::kCmdExit));
    ASSERT_EQ(kestrel_.WaitForExit(), std::optional<DWORD>(0u));
    main_ = nullptr;
    const char* names[] = {"Scope", "Destination", "Orientation", "Percent"};
    const char* stored[] = {"2", "2", "L", "42"};
    for (int i = 0; i < 4; ++i) {
        const auto value = ReadRawValue(names[i]);
        ASSERT_TRUE(value.has_value()) << names[i];
        EXPECT_EQ(value->Text(), stored[i]) << names[i];
    }
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
