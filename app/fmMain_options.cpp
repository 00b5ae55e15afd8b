#include "app/fmMain.h"

#include "settings/fmOptions.h"

namespace kestrel {
namespace {

// Remembers the open dialog for as long as it is shown, whichever way its showing ends.
class OpenDialog {
public:
    OpenDialog(Form*& slot, Form& dialog) : slot_(slot) { slot_ = &dialog; }
    OpenDialog(const OpenDialog&) = delete;
    OpenDialog& operator=(const OpenDialog&) = delete;
    ~OpenDialog() { slot_ = nullptr; }

private:
    Form*& slot_;
};

}  // namespace

void fmMain::cmdOptions_Click() {
    // A second request while the dialog is open (another way in than the disabled button) would
    // open a second dialog inside the first, and whichever OK came last would overwrite the
    // other's values.
    if (options_) {
        options_->BringToFront();
        return;
    }
    // A fresh dialog every time: it loads itself from the fields again, so closing it without OK
    // leaves nothing of its edits behind.
    fmOptions options(*this);
    OpenDialog open(options_, options);
    options.ShowModal();
}

}  // namespace kestrel
