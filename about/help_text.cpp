#include "about/help_text.h"

namespace kestrel {

// The help text is used word for word, "funtion" in the Minimize paragraph included.
const std::array<std::string_view, kHelpItemCount>& HelpItems() noexcept {
    static constexpr std::array<std::string_view, kHelpItemCount> items = {
        "INSTRUCTIONS",
        "1. Launch Kestrel by clicking the Start menu button, then Programs, the",
        "   Kestrel group, and the Kestrel icon.",
        " ",
        "2. Click the Options button, and select the desired options for the",
        "   captured screen. (Note that the Percent box indicates the percent of",
        "   printable area the final image will take up, and the Portrait/Landscape",
        "   option applies only to printed output).",
        " ",
        "3. Click the OK button.",
        " ",
        "4. When you are ready, click the CAPTURE button. If you selected in Options",
        "   to capture to the clipboard, the screen capture will be in the clipboard.",
        "   If you selected to capture to direct to printer, the screen capture should",
        "   begin to print directly to the default Windows printer.",
        " ",
        "Minimize Button (New in version 0.4.0)",
        "   The minimize button drops Kestrel into the System Tray. Once in the system",
        "   tray, you can perform all major functions by right-clicking on the system",
        "   tray icon, then left-clicking on the funtion to perform from the pop-up",
        "   menu.",
        " ",
        "SYSTEM REQUIREMENTS",
        "Kestrel requires Windows 98 SE or higher. Hard disk and memory requirements",
        "are negligible (Approximately 3.6 Mb of disk space for the application and",
        "all libraries, and 2.6 Mb of physical RAM when running). A printer installed",
        "and set as the Windows default printer is required for capturing directly to",
        "a printer.",
        " ",
        "COPYRIGHT",
        "Copyright (c) 2026 the Kestrel authors",
        "Kestrel is free software under the MIT License: anyone may use, copy, modify",
        "and distribute it, provided this notice is kept with every copy. It comes",
        "WITHOUT WARRANTY OF ANY KIND; the full terms are in the LICENSE file.",
        " ",
        "AUTHOR",
        "Kestrel is written and maintained by the Kestrel authors, a small team",
        "of Windows developers who like their tools small and quick to start.",
        "It is built in C++ directly on the Win32 API: kestrel.exe is the whole",
        "program, with nothing else to install. Suggestions are always welcome.",
    };
    return items;
}

}  // namespace kestrel
