#include "about/fmAbout.h"

namespace kestrel {

fmAbout::fmAbout() : Form(L"Kestrel.fmAbout") {}

Form::Style fmAbout::Describe() const {
    Style style;
    style.caption = L"About";
    style.clientWidthTwips = 6075;
    style.clientHeightTwips = 2940;
    return style;
}

void fmAbout::CreateControls() {}

}  // namespace kestrel
