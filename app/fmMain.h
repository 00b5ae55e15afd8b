// The main window: one row of five picture buttons, the live copy of the four capture settings in
// hidden text fields, the Capture command, start-up and Exit, and the notification-area icon.
//
// The handlers are spread over several files by subsystem (fmMain.cpp, fmMain_capture.cpp,
// fmMain_tray.cpp, fmMain_keys.cpp, fmMain_options.cpp, fmMain_about.cpp); they are all members of this one form.
#pragma once
#include "app/capture_state.h"
#include "app/key_state.h"
#include "app/tray_state.h"
#include "toolkit/form.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kestrel {

class fmMain : public Form {
public:
    fmMain();
    ~fmMain() override;

    // Controls, named as the program names them.
    Button cmdCapture;
    Button cmdOptions;
    Button cmdMinimize;
    Button cmdAbout;
    Button cmdExit;
    PictureBox Picture1;
    TextBox txtScope;
    TextBox txtDest;
    TextBox txtOrientation;
    TextBox txtPercent;
    Menu mnuFile;

    // Notification-area icon.
    void AddIcon(Form& SourceForm, const std::wstring& ToolTip);
    void RemoveIcon();
    std::optional<float> GetMouseEvent(short XCoOrdinate, short YCoOrdinate);

    // Work that has to happen once the window exists, before the event loop runs.
    void PrepareCapture();
    // Remembers `window` as the one the user works in, if it is a shown window of another program
    // (not Kestrel's, not the taskbar's). Call it before anything brings Kestrel to the front.
    void NoteForegroundWindow(HWND window) noexcept;
    void PrepareTray();
    // Another start of Kestrel in this session asked for this one.
    void BringForward();
    // Registers the system-wide keys (Ctrl+Print Screen).
    void PrepareKeys();

    void Form_Load() override;
    void Form_QueryUnload() override;
    void Form_MouseMove(int Button, int Shift, float X, float Y) override;

    void cmdCapture_Click();
    // Capture a region: the whole screen is frozen, the user drags a rectangle over it, and that
    // part goes where Capture sends its picture.
    void CaptureRegion();
    void cmdOptions_Click();
    void cmdMinimize_Click();
    void cmdAbout_Click();
    void cmdExit_Click();
    void mnuExit_Click();
    void mnuRestore_Click();
    void mnuOptions_Click();
    void mnuAbout_Click();
    void mnuCapture_Click();

protected:
    Style Describe() const override;
    void CreateControls() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // The Exit sequence itself: icon down, settings saved, program ended.
    [[noreturn]] void Exit();
    // The frame of every capture: hide, yield, `grab` (an empty picture: the user cancelled),
    // yield, deliver to the clipboard or the printer, report trouble, show again.
    void RunCapture(const std::function<ComPtr<IPictureDisp>()>& grab);
    bool HandleCaptureMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool HandleTrayMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool HandleKeyMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    CaptureState capture_;
    TrayState tray_;
    KeyState keys_;
    std::unique_ptr<Form> about_;  // at most one About window, modal or modeless
    Form* options_ = nullptr;      // the Options dialog while it is open
};

}  // namespace kestrel
