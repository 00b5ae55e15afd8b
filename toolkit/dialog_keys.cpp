#include "toolkit/dialog_keys.h"

#include "toolkit/form.h"

namespace kestrel {
namespace {

Form* FormOf(HWND wnd) {
    HWND root = ::GetAncestor(wnd, GA_ROOT);
    return root ? reinterpret_cast<Form*>(::GetWindowLongPtrW(root, GWLP_USERDATA)) : nullptr;
}

}  // namespace

bool app::TranslateDialogKeys(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    HWND root = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    Form* form = root ? FormOf(root) : nullptr;
    if (!form) return false;
    // The dialog manager moves the focus within a group of options but selects the new one only
    // for automatic radio buttons, and not on every system (Wine moves the focus alone). Every
    // Windows dialog selects the option the arrow lands on.
    if (msg.message == WM_KEYDOWN && ::GetKeyState(VK_MENU) >= 0 && form->StepOptionGroup(msg.hwnd, msg.wParam)) {
        return true;
    }
    return ::IsDialogMessageW(root, &msg) != FALSE;
}

}  // namespace kestrel
