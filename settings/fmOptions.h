// The Options dialog: what to capture, where it goes, orientation and size, with a page preview.
//
// It keeps no settings of its own: its controls are filled from the main window's four hidden
// fields when it loads, and OK writes all four back. Closing it any other way writes nothing.
#pragma once
#include "toolkit/form.h"

namespace kestrel {

class fmMain;

class fmOptions : public Form {
public:
    explicit fmOptions(fmMain& main);

    // Controls, named as the program names them.
    Frame Frame1;
    OptionButton optScreen;
    OptionButton optWindow;
    Frame Frame2;
    OptionButton optPrinter;
    OptionButton optClipboard;
    Frame Frame3;
    OptionButton optPortrait;
    OptionButton optLandscape;
    Label lblPercent;
    TextBox txtPercent;
    Button cmdSpinUp;
    Button cmdSpinDn;
    Button cmdOK;
    Shape Shape2;
    Shape rectBackground;
    Shape rectLandscape;
    Shape rectPortrait;
    Image imgScreen;
    Image imgWindow;

    void Form_Load() override;
    void optScreen_Click();
    void optWindow_Click();
    void optPrinter_Click();
    void optClipboard_Click();
    void optPortrait_Click();
    void optLandscape_Click();
    void cmdSpinUp_Click();
    void cmdSpinDn_Click();
    void txtPercent_LostFocus();
    void cmdOK_Click();

protected:
    Style Describe() const override;
    void CreateControls() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void DrawPagePreview();
    void EnableSizeAndOrientation(bool enabled);

    fmMain& main_;
    // The arrows' own pictures (the buttons keep them) and their disabled look.
    HBITMAP spinUpPicture_ = nullptr;
    HBITMAP spinDnPicture_ = nullptr;
    UniqueBitmap spinUpDisabled_;
    UniqueBitmap spinDnDisabled_;
    // Whether the focus can move between controls of the dialog. Windows takes the focus from
    // the text field also when another program is activated or the dialog closes; neither is the
    // user leaving the field for another control, and neither must correct or beep.
    bool focusInDialog_ = false;
};

}  // namespace kestrel
