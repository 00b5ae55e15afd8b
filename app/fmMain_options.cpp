#include "app/fmMain.h"

namespace kestrel {

void fmMain::cmdOptions_Click() {}

}  // namespace kestrel
