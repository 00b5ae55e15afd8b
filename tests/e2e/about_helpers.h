// Reading and working the About window from outside, for the About tests.
#pragma once
#include "about/fmAbout_ids.h"
#include "app/fmMain_ids.h"
#include "tests/e2e/driver.h"

#include <string>
#include <vector>

namespace kestrel::e2e {

// The About window of that Kestrel, if one is shown.
inline HWND FindAbout(const KestrelProcess& kestrel) { return kestrel.FindTopLevel(ids::fmAbout::kWindowClass); }

struct AboutSearch {
    DWORD pid;
    std::vector<HWND> found;
};

inline BOOL CALLBACK CollectAbout(HWND wnd, LPARAM param) {
    auto* search = reinterpret_cast<AboutSearch*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(wnd, &pid);
    if (pid == search->pid && ClassName(wnd) == ids::fmAbout::kWindowClass) search->found.push_back(wnd);
    return TRUE;
}

// Every About window of that Kestrel, shown or not.
inline std::vector<HWND> AllAboutWindows(const KestrelProcess& kestrel) {
    AboutSearch search{kestrel.ProcessId(), {}};
    ::EnumWindows(CollectAbout, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline HWND WaitForAbout(const KestrelProcess& kestrel) {
    HWND about = nullptr;
    WaitFor([&] { return (about = FindAbout(kestrel)) != nullptr; });
    return about;
}

inline bool WaitForAboutGone(const KestrelProcess& kestrel) {
    return WaitFor([&] { return AllAboutWindows(kestrel).empty(); });
}

// The items of a list box of another process. Wine answers LB_GETTEXT in UTF-16 whatever the
// caller's character set, so ask for the wide text with room to spare.
inline std::vector<std::wstring> ListItems(HWND list) {
    std::vector<std::wstring> items;
    DWORD_PTR count = 0;
    if (!::SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count)) return items;
    for (DWORD_PTR i = 0; i < count; ++i) {
        std::wstring text(4096, L'\0');
        DWORD_PTR length = 0;
        ::SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                              &length);
        text.resize(static_cast<LRESULT>(length) == LB_ERR ? 0 : static_cast<size_t>(length));
        items.push_back(text);
    }
    return items;
}

}  // namespace kestrel::e2e
