#include "capture/capture_target.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrel {
namespace {

WindowFacts Usable() {
    WindowFacts w;
    w.exists = true;
    w.visible = true;
    return w;
}
WindowFacts Missing() { return WindowFacts{}; }
WindowFacts Hidden() {
    WindowFacts w = Usable();
    w.visible = false;
    return w;
}
WindowFacts Minimized() {
    WindowFacts w = Usable();
    w.minimized = true;
    return w;
}
WindowFacts Cloaked() {
    WindowFacts w = Usable();
    w.cloaked = true;
    return w;
}
WindowFacts Kestrels() {
    WindowFacts w = Usable();
    w.ownProcess = true;
    return w;
}
WindowFacts Taskbar() {
    WindowFacts w = Usable();
    w.shellSurface = true;
    return w;
}

struct CandidateCase {
    const char* name;
    WindowFacts window;
    bool candidate;
};

class IsCaptureCandidateTest : public ::testing::TestWithParam<CandidateCase> {};

TEST_P(IsCaptureCandidateTest, OnlyShownWindowsOfOtherPrograms) {
    EXPECT_EQ(IsCaptureCandidate(GetParam().window), GetParam().candidate);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, IsCaptureCandidateTest,
    ::testing::Values(CandidateCase{"usable", Usable(), true}, CandidateCase{"missing", Missing(), false},
                      CandidateCase{"hidden", Hidden(), false}, CandidateCase{"minimized", Minimized(), false},
                      CandidateCase{"cloaked", Cloaked(), false}, CandidateCase{"kestrels", Kestrels(), false},
                      CandidateCase{"taskbar", Taskbar(), false}),
    [](const auto& info) { return std::string(info.param.name); });

struct ChoiceCase {
    const char* name;
    WindowFacts foregroundNow;
    bool requestedFromKestrel;
    WindowFacts remembered;
    CaptureTargetChoice choice;
};

class ChooseCaptureTargetTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ChooseCaptureTargetTest, TakesTheWindowTheUserWorkedIn) {
    const ChoiceCase& c = GetParam();
    EXPECT_EQ(ChooseCaptureTarget(c.foregroundNow, c.requestedFromKestrel, c.remembered), c.choice);
}

using Choice = CaptureTargetChoice;

INSTANTIATE_TEST_SUITE_P(RequestedFromAnotherWindow, ChooseCaptureTargetTest,
                         ::testing::Values(
                             // A capture started while another program was in front (tests, automation): that window.
                             ChoiceCase{"foregroundWins", Usable(), false, Usable(), Choice::ForegroundNow},
                             ChoiceCase{"foregroundWithoutMemory", Usable(), false, Missing(), Choice::ForegroundNow},
                             // The foreground is Kestrel's hidden window, nobody's, or the shell's: the remembered one.
                             ChoiceCase{"kestrelInFront", Kestrels(), false, Usable(), Choice::Remembered},
                             ChoiceCase{"nobodyInFront", Missing(), false, Usable(), Choice::Remembered},
                             ChoiceCase{"taskbarInFront", Taskbar(), false, Usable(), Choice::Remembered},
                             ChoiceCase{"minimizedInFront", Minimized(), false, Usable(), Choice::Remembered},
                             ChoiceCase{"cloakedInFront", Cloaked(), false, Usable(), Choice::Remembered},
                             // Nothing usable at all.
                             ChoiceCase{"nothing", Missing(), false, Missing(), Choice::None},
                             ChoiceCase{"rememberedClosed", Kestrels(), false, Missing(), Choice::None},
                             ChoiceCase{"rememberedHidden", Missing(), false, Hidden(), Choice::None},
                             ChoiceCase{"rememberedMinimized", Missing(), false, Minimized(), Choice::None},
                             ChoiceCase{"rememberedCloaked", Taskbar(), false, Cloaked(), Choice::None},
                             ChoiceCase{"bothCloaked", Cloaked(), false, Cloaked(), Choice::None}),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(RequestedFromKestrel, ChooseCaptureTargetTest,
                         ::testing::Values(
                             // Kestrel's button was clicked: the window Windows handed the foreground to after the hide
                             // (maybe the taskbar, maybe some other window) is not what the user chose.
                             ChoiceCase{"rememberedWins", Usable(), true, Usable(), Choice::Remembered},
                             ChoiceCase{"rememberedOverTaskbar", Taskbar(), true, Usable(), Choice::Remembered},
                             ChoiceCase{"rememberedOverNobody", Missing(), true, Usable(), Choice::Remembered},
                             ChoiceCase{"rememberedOverCloaked", Cloaked(), true, Usable(), Choice::Remembered},
                             // The remembered window has gone since (closed, minimised, hidden, moved to another
                             // virtual desktop): whatever Windows activated after the hide is not taken in its place.
                             ChoiceCase{"rememberedClosed", Usable(), true, Missing(), Choice::None},
                             ChoiceCase{"rememberedMinimized", Usable(), true, Minimized(), Choice::None},
                             ChoiceCase{"rememberedHidden", Usable(), true, Hidden(), Choice::None},
                             ChoiceCase{"rememberedCloaked", Usable(), true, Cloaked(), Choice::None},
                             ChoiceCase{"rememberedKestrels", Usable(), true, Kestrels(), Choice::None},
                             ChoiceCase{"rememberedTaskbar", Usable(), true, Taskbar(), Choice::None},
                             ChoiceCase{"nothing", Kestrels(), true, Missing(), Choice::None},
                             ChoiceCase{"onlyTheTaskbar", Taskbar(), true, Hidden(), Choice::None}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ClassCase {
    const wchar_t* className;
    bool shell;
};

class IsShellSurfaceClassTest : public ::testing::TestWithParam<ClassCase> {};

TEST_P(IsShellSurfaceClassTest, KnowsTheShellsOwnWindows) {
    EXPECT_EQ(IsShellSurfaceClass(GetParam().className), GetParam().shell);
}

INSTANTIATE_TEST_SUITE_P(
    Classes, IsShellSurfaceClassTest,
    ::testing::Values(ClassCase{L"Shell_TrayWnd", true}, ClassCase{L"Shell_SecondaryTrayWnd", true},
                      ClassCase{L"Progman", true}, ClassCase{L"WorkerW", true}, ClassCase{L"#32769", true},
                      ClassCase{L"NotifyIconOverflowWindow", true},
                      ClassCase{L"TopLevelWindowForOverflowXamlIsland", true},
                      ClassCase{L"MultitaskingViewFrame", true}, ClassCase{L"XamlExplorerHostIslandWindow", true},
                      ClassCase{L"TaskSwitcherWnd", true}, ClassCase{L"ForegroundStaging", true},
                      ClassCase{L"__winex11_standalone_tray", true},
                      // Ordinary programs, and near misses: exact, case-sensitive names only.
                      ClassCase{L"Notepad", false}, ClassCase{L"Kestrel.fmMain", false}, ClassCase{L"#32770", false},
                      ClassCase{L"shell_traywnd", false}, ClassCase{L"Shell_TrayWnd2", false},
                      ClassCase{L"Shell_Tray", false}, ClassCase{L"", false}));

}  // namespace
}  // namespace kestrel
