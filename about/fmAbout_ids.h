// Window class and control identifiers of the About window. Test drivers find the window and its
// controls by these, so they never change meaning.
#pragma once

namespace kestrel::ids {

inline constexpr wchar_t kAboutWindowClass[] = L"Kestrel.fmAbout";

// Kept clear of IDOK (1) and IDCANCEL (2): the dialog keyboard interface sends those ids for Enter
// and Escape, and Escape must not reach the OK button.
enum AboutControl : int {
    kAboutCmdOK = 1101,
    kAboutLstInfo = 1102,
    kAboutPicture1 = 1103,
    kAboutLabel1 = 1104,
    kAboutLblverLabel = 1105,
    kAboutLabel3 = 1106,
    kAboutLabel2 = 1107,
    kAboutLine1 = 1108,
};

}  // namespace kestrel::ids
