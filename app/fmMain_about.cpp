#include "about/fmAbout.h"
#include "app/fmMain.h"

namespace kestrel {

// There is one About window at most. Its object outlives the window: a window closed by its own
// OK button is destroyed inside its own window procedure, where the object cannot be deleted, so
// the object stays and the next showing loads a fresh window (and list) into it.

void fmMain::cmdAbout_Click() {
    if (about_ && about_->IsLoaded()) {
        // The tray menu opened it modeless and the main window has been restored since: a
        // second, modal copy would only hide the first.
        about_->BringToFront();
        return;
    }
    if (!about_) about_ = std::make_unique<fmAbout>();
    about_->ShowModal();
}

void fmMain::mnuAbout_Click() {
    if (!about_) about_ = std::make_unique<fmAbout>();
    about_->Show();
}

}  // namespace kestrel
