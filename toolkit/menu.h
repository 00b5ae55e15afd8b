// A popup menu whose items run the program's handlers.
#pragma once
#include "toolkit/handles.h"
#include "toolkit/win.h"

#include <functional>
#include <string>
#include <vector>

namespace kestrel {

// A menu that is never a menu bar: it pops up where the program asks.
class Menu {
public:
    struct Item {
        std::wstring caption;
        std::function<void()> onClick;
    };
    void Create(std::vector<Item> items);
    size_t ItemCount() const noexcept { return items_.size(); }
    // Pops the menu up at screen position (x, y) with TrackPopupMenu flags; the chosen item's
    // handler runs before this returns.
    void Popup(HWND owner, UINT flags, int x, int y);

private:
    UniqueMenu menu_;
    std::vector<Item> items_;
};

}  // namespace kestrel
