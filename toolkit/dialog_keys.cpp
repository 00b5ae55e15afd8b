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
    if (!root || !FormOf(root)) return false;
    return ::IsDialogMessageW(root, &msg) != FALSE;
}

}  // namespace kestrel
