// Window class and control identifiers of the main window. Test drivers find the controls by
// these, so they never change meaning.
#pragma once

namespace kestrel::ids::fmMain {

inline constexpr wchar_t kWindowClass[] = L"Kestrel.fmMain";

enum Control : int {
    kCmdCapture = 1001,
    kCmdOptions = 1002,
    kCmdMinimize = 1003,
    kCmdAbout = 1004,
    kCmdExit = 1005,
    kPicture1 = 1010,
    kTxtScope = 1011,
    kTxtDest = 1012,
    kTxtOrientation = 1013,
    kTxtPercent = 1014,
};

}  // namespace kestrel::ids::fmMain
