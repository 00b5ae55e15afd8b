// The About window: title, version, tagline and the help text.
#pragma once
#include "toolkit/form.h"

namespace kestrel {

class fmAbout : public Form {
public:
    fmAbout();

protected:
    Style Describe() const override;
    void CreateControls() override;
};

}  // namespace kestrel
