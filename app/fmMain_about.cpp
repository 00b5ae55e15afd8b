#include "app/fmMain.h"

namespace kestrel {

void fmMain::cmdAbout_Click() {}

void fmMain::mnuAbout_Click() {}

}  // namespace kestrel
