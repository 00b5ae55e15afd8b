#include "app/fmMain.h"

#include "settings/fmOptions.h"

namespace kestrel {

void fmMain::cmdOptions_Click() {
    // A fresh dialog every time: it loads itself from the fields again, so closing it without OK
    // leaves nothing of its edits behind.
    fmOptions options(*this);
    options.ShowModal();
}

}  // namespace kestrel
