// Forms: top-level windows laid out in twips (1/1440 inch) and scaled to the display's DPI.
//
// A form owns its window and its controls; each control knows its own window and its handlers, which
// the form names as the program does (cmdCapture.onClick = [this] { cmdCapture_Click(); }). No
// exception leaves a window procedure: an error that a handler does not catch goes to the
// last-resort report, which ends the program.
#pragma once
#include "toolkit/controls.h"
#include "toolkit/drawn_controls.h"
#include "toolkit/handles.h"
#include "toolkit/menu.h"
#include "toolkit/win.h"

#include <map>
#include <string>
#include <vector>

namespace kestrel {

class Form {
public:
    enum class StartPosition { CentreScreen, CentreOwner };
    struct Style {
        std::wstring caption;
        int clientWidthTwips = 0;
        int clientHeightTwips = 0;
        DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
        DWORD exStyle = 0;
        StartPosition start = StartPosition::CentreScreen;
        bool programIcon = false;  // the window shows the program's icon
        // An owned window stays in front of its owner and gets no taskbar button of its own.
        HWND owner = nullptr;
    };

    explicit Form(std::wstring className);
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form();

    // Creates the window and its controls (hidden) and runs Form_Load.
    void Load();
    bool IsLoaded() const noexcept { return wnd_ != nullptr; }
    HWND hWnd() const noexcept { return wnd_; }
    // The program icon the window shows (large and small image), or nullptr.
    HICON Icon() const noexcept { return iconLarge_.get(); }
    HICON SmallIcon() const noexcept { return iconSmall_.get(); }

    void Show();
    // Shows the form modally: the program's other windows are disabled until it is unloaded.
    void ShowModal();
    void Hide();
    bool Visible() const;
    void SetWindowStateNormal();
    // Closes the form without asking it (no Form_QueryUnload).
    void Unload();
    // Brings an open form to the front.
    void BringToFront();

    int Dpi() const noexcept { return dpi_; }
    int ToPixelsX(int twips) const noexcept;
    int ToPixelsY(int twips) const noexcept;
    RECT ToPixels(const TwipsRect& twips) const noexcept;
    float TwipsPerPixelX() const noexcept { return 1440.0f / static_cast<float>(dpi_); }
    HFONT DefaultFont() const noexcept { return font_.get(); }
    UniqueFont MakeFont(const FontSpec& font) const;

    void Register(Control& control);
    void SelectOption(OptionButton& selected);
    // An arrow key pressed on an option button: the focus moves to the next (Down, Right) or the
    // previous (Up, Left) option of its group, round at the ends, and selects it as a click does.
    // False when `focus` is no option button or `key` no arrow.
    bool StepOptionGroup(HWND focus, WPARAM key);

protected:
    virtual Style Describe() const = 0;
    virtual void CreateControls() = 0;
    virtual void Form_Load() {}
    // The window is asked to close (close box, system menu, shutdown).
    virtual void Form_QueryUnload() {}
    virtual void Form_MouseMove(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {}
    // Messages a form handles itself; return true when handled.
    virtual bool HandleMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/, LRESULT& /*result*/) {
        return false;
    }

private:
    static LRESULT CALLBACK WindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);
    void ReleaseModal() noexcept;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void RegisterClassOnce();
    void ApplyDpi(int dpi, const RECT* suggested);
    SIZE OuterSize() const;
    void Centre();

    std::wstring className_;
    HWND wnd_ = nullptr;
    int dpi_ = 96;
    Style style_;
    UniqueFont font_;
    UniqueIcon iconLarge_;
    UniqueIcon iconSmall_;
    HWND lastFocus_ = nullptr;
    bool shownOnce_ = false;
    std::map<int, Control*> controls_;
    std::vector<Control*> ordered_;
    std::vector<HWND> disabledByModal_;
};

}  // namespace kestrel
