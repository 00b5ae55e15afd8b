#include "settings/fmOptions.h"

#include "app/fmMain.h"

namespace kestrel {

fmOptions::fmOptions(fmMain& main) : Form(L"Kestrel.fmOptions"), main_(main) {}

Form::Style fmOptions::Describe() const {
    Style style;
    style.caption = L"Options";
    style.clientWidthTwips = 6000;
    style.clientHeightTwips = 2520;
    return style;
}

void fmOptions::CreateControls() {}

}  // namespace kestrel
