#include "app/fmMain.h"

namespace kestrel {

void fmMain::PrepareCapture() {}

void fmMain::cmdCapture_Click() {}

bool fmMain::HandleCaptureMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

}  // namespace kestrel
