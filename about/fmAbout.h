// The About window: the program icon, the title, the version, a tagline and the help text.
//
// Callers give it no owner. It is shown modally from the main window's About button and modeless
// from the tray menu; closing it (OK or the close box) unloads it, and the next showing creates
// and fills it afresh.
#pragma once
#include "toolkit/form.h"

namespace kestrel {

class fmAbout : public Form {
public:
    fmAbout();

    PictureBox Picture1;
    Label Label1;
    Label lblverLabel;
    Label Label3;
    Label Label2;
    Line Line1;
    ListBox lstInfo;
    Button cmdOK;

    void Form_Load() override;
    void cmdOK_Click();

protected:
    Style Describe() const override;
    void CreateControls() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    UniqueIcon icon_;
};

}  // namespace kestrel
