// The Options dialog: what to capture, where it goes, orientation and size, with a page preview.
#pragma once
#include "toolkit/form.h"

namespace kestrel {

class fmMain;

class fmOptions : public Form {
public:
    explicit fmOptions(fmMain& main);

protected:
    Style Describe() const override;
    void CreateControls() override;

private:
    fmMain& main_;
};

}  // namespace kestrel
