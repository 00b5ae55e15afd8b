#include "app/fmMain.h"

namespace kestrel {

void fmMain::PrepareTray() {}

void fmMain::AddIcon(Form&, const std::wstring&) {}

void fmMain::RemoveIcon() {}

std::optional<float> fmMain::GetMouseEvent(short, short) { return std::nullopt; }

void fmMain::Form_MouseMove(int, int, float, float) {}

void fmMain::cmdMinimize_Click() {}

void fmMain::mnuRestore_Click() {}

bool fmMain::HandleTrayMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

}  // namespace kestrel
