#include "toolkit/menu.h"

#include <utility>

namespace kestrel {

void Menu::Create(std::vector<Item> items) {
    items_ = std::move(items);
    menu_.reset(::CreatePopupMenu());
    for (size_t i = 0; i < items_.size(); ++i) {
        ::AppendMenuW(menu_.get(), MF_STRING, static_cast<UINT_PTR>(i + 1), items_[i].caption.c_str());
    }
}

void Menu::Popup(HWND owner, UINT flags, int x, int y) {
    const UINT chosen =
        static_cast<UINT>(::TrackPopupMenu(menu_.get(), flags | TPM_RETURNCMD | TPM_NONOTIFY, x, y, 0, owner, nullptr));
    // The shell's notification-area menus need a message of their own after closing, or a second
    // right click opens a menu that cannot be dismissed (documented TrackPopupMenu behaviour).
    ::PostMessageW(owner, WM_NULL, 0, 0);
    if (chosen >= 1 && chosen <= items_.size() && items_[chosen - 1].onClick) items_[chosen - 1].onClick();
}

}  // namespace kestrel
