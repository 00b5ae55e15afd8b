// Window class and control identifiers of the About window. Test drivers find the window and its
// controls by these, so they never change meaning.
#pragma once

namespace kestrel::ids::fmAbout {

inline constexpr wchar_t kWindowClass[] = L"Kestrel.fmAbout";

// Kept clear of IDOK (1) and IDCANCEL (2): the dialog keyboard interface sends those ids for Enter
// and Escape, and Escape must not reach the OK button.
enum Control : int {
    kCmdOK = 1101,
    kLstInfo = 1102,
    kPicture1 = 1103,
    kLabel1 = 1104,
    kLblverLabel = 1105,
    kLabel3 = 1106,
    kLabel2 = 1107,
    kLine1 = 1108,
};

}  // namespace kestrel::ids::fmAbout
