#include "capture/capture_target.h"

namespace kestrel {

bool IsCaptureCandidate(const WindowFacts& window) {
    return window.exists && window.visible && !window.minimized && !window.cloaked && !window.ownProcess &&
           !window.shellSurface;
}

CaptureTargetChoice ChooseCaptureTarget(const WindowFacts& foregroundNow, bool requestedFromKestrel,
                                        const WindowFacts& remembered) {
    const bool foregroundUsable = IsCaptureCandidate(foregroundNow);
    const bool rememberedUsable = IsCaptureCandidate(remembered);
    if (requestedFromKestrel) return rememberedUsable ? CaptureTargetChoice::Remembered : CaptureTargetChoice::None;
    if (foregroundUsable) return CaptureTargetChoice::ForegroundNow;
    if (rememberedUsable) return CaptureTargetChoice::Remembered;
    return CaptureTargetChoice::None;
}

bool IsShellSurfaceClass(std::wstring_view className) {
    static constexpr std::wstring_view kShellClasses[] = {
        L"Shell_TrayWnd",           // the taskbar
        L"Shell_SecondaryTrayWnd",  // the taskbar on further monitors
        L"Progman",                 // the desktop with its icons
        L"WorkerW",                 // the desktop's wallpaper layer
        L"#32769",                  // the desktop window itself
        L"NotifyIconOverflowWindow",
        L"TopLevelWindowForOverflowXamlIsland",  // Windows 11 tray overflow
        L"MultitaskingViewFrame",                // Alt+Tab, Windows 10
        L"XamlExplorerHostIslandWindow",         // Alt+Tab, Windows 11
        L"TaskSwitcherWnd",                      // Alt+Tab, classic
        L"ForegroundStaging",                    // transient during task switches
        L"__winex11_standalone_tray",            // Wine's notification area without a taskbar
    };
    for (std::wstring_view shellClass : kShellClasses) {
        if (className == shellClass) return true;
    }
    return false;
}

}  // namespace kestrel
