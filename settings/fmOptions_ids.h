// Window class and control identifiers of the Options dialog. Test drivers find the controls by
// these, so they never change meaning. None is IDOK (1) or IDCANCEL (2): the dialog keys Enter
// and Esc send those, and OK must not answer them.
#pragma once

namespace kestrel::ids::fmOptions {

inline constexpr wchar_t kWindowClass[] = L"Kestrel.fmOptions";

enum Control : int {
    kFrame1 = 2001,
    kOptScreen = 2002,
    kOptWindow = 2003,
    kFrame2 = 2004,
    kOptPrinter = 2005,
    kOptClipboard = 2006,
    kFrame3 = 2007,
    kOptPortrait = 2008,
    kOptLandscape = 2009,
    kLblPercent = 2010,
    kTxtPercent = 2011,
    kCmdSpinUp = 2012,
    kCmdSpinDn = 2013,
    kCmdOK = 2014,
    kShape2 = 2020,
    kRectBackground = 2021,
    kRectLandscape = 2022,
    kRectPortrait = 2023,
    kImgScreen = 2024,
    kImgWindow = 2025,
};

}  // namespace kestrel::ids::fmOptions
