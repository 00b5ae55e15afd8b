// Forms and controls laid out in twips (1/1440 inch) and scaled to the display's DPI.
//
// A form owns its window and its controls; each control knows its own window and its handlers, which
// the form names as the program does (cmdCapture.onClick = [this] { cmdCapture_Click(); }). No
// exception leaves a window procedure: an error that a handler does not catch goes to the
// last-resort report, which ends the program.
#pragma once
#include "toolkit/handles.h"
#include "toolkit/win.h"

#include <ole2.h>
#include <ocidl.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

class Form;

struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Font request in points; the form creates the font at its DPI.
struct FontSpec {
    std::wstring face;
    double points = 8.0;
    int weight = FW_NORMAL;
    bool italic = false;
    BYTE pitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
};

class Control {
public:
    Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    HWND hWnd() const noexcept { return wnd_; }
    int Id() const noexcept { return id_; }
    const TwipsRect& Geometry() const noexcept { return twips_; }

    void Move(const TwipsRect& twips);
    bool Visible() const;
    void SetVisible(bool visible);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    void SetFocus();
    std::wstring Text() const;
    void SetText(const std::wstring& text);
    void SetFont(const FontSpec& font);

    // Routes a WM_COMMAND notification addressed to this control.
    virtual void OnCommand(WORD /*code*/) {}
    // Colour a static-like control asks of its parent; nullptr keeps the default.
    virtual HBRUSH OnColor(HDC /*dc*/) { return nullptr; }
    // Re-applies size and font after the form's DPI changed.
    virtual void ApplyDpi();

protected:
    friend class Form;
    void CreateChild(Form& form, HWND container, int id, const wchar_t* windowClass, const std::wstring& text,
                     DWORD style, DWORD exStyle, const TwipsRect& twips, bool tabStop);

    Form* form_ = nullptr;
    HWND wnd_ = nullptr;
    HWND container_ = nullptr;
    int id_ = 0;
    TwipsRect twips_;
    std::optional<FontSpec> fontSpec_;
    UniqueFont ownFont_;
};

// A push button with a caption (CommandButton) or with a 32 x 32 picture and no caption.
class Button : public Control {
public:
    std::function<void()> onClick;
    void CreateText(Form& form, HWND container, int id, const std::wstring& caption, const TwipsRect& twips);
    void CreatePicture(Form& form, HWND container, int id, int bitmapResource, const TwipsRect& twips);
    // Pressing the button from code: setting its value to true runs its click handler at once.
    void SetValue(bool pressed);
    void OnCommand(WORD code) override;

private:
    UniqueBitmap picture_;
};

// An option button; options sharing a group clear each other when one is selected.
class OptionButton : public Control {
public:
    std::function<void()> onClick;
    void Create(Form& form, HWND container, int id, const std::wstring& caption, const TwipsRect& twips, int group,
                bool firstOfGroup);
    bool Value() const;
    // Selecting runs the click handler, as a user's click does; clearing runs nothing.
    void SetValue(bool selected);
    void OnCommand(WORD code) override;
    int Group() const noexcept { return group_; }

private:
    int group_ = 0;
};

class Frame : public Control {
public:
    void Create(Form& form, HWND container, int id, const std::wstring& caption, const TwipsRect& twips);
};

class Label : public Control {
public:
    void Create(Form& form, HWND container, int id, const std::wstring& caption, const TwipsRect& twips);
    // Background and text in the given system colours (COLOR_WINDOW, COLOR_WINDOWTEXT, ...).
    void SetSystemColors(int background, int text);
    HBRUSH OnColor(HDC dc) override;

private:
    int background_ = -1;
    int text_ = -1;
};

class TextBox : public Control {
public:
    std::function<void()> onLostFocus;
    void Create(Form& form, HWND container, int id, const std::wstring& text, const TwipsRect& twips,
                bool visible = true);
    void OnCommand(WORD code) override;
    // Repaints at once (a text written from code shows before the handler goes on).
    void Refresh();
};

class ListBox : public Control {
public:
    void Create(Form& form, HWND container, int id, const TwipsRect& twips);
    void Clear();
    void AddItem(const std::wstring& item);
    int ListCount() const;
};

// A rectangle: outline only, or filled with a solid colour, with a thin border.
class Shape : public Control {
public:
    void Create(Form& form, HWND container, int id, const TwipsRect& twips, std::optional<COLORREF> fill);
    void Paint(HDC dc, const RECT& client) const;

private:
    std::optional<COLORREF> fill_;
};

// A horizontal or vertical line from (x1, y1) to (x2, y2), in twips.
class Line : public Control {
public:
    void Create(Form& form, HWND container, int id, int x1, int y1, int x2, int y2);
};

// A picture stretched to the control's size.
class Image : public Control {
public:
    void Create(Form& form, HWND container, int id, int bitmapResource, const TwipsRect& twips);
    void Paint(HDC dc, const RECT& client) const;

private:
    UniqueBitmap bitmap_;
};

// A picture box: a container of other controls that can hold a picture object, or show an icon
// unscaled at its top-left corner.
class PictureBox : public Control {
public:
    void Create(Form& form, HWND container, int id, const TwipsRect& twips, bool visible, bool border = false);
    void SetIcon(HICON icon) noexcept { icon_ = icon; }
    bool autoSize = false;
    // The held picture; holding it keeps it (and the bitmap and palette it owns) alive.
    IPictureDisp* Picture() const noexcept { return picture_.get(); }
    void SetPicture(ComPtr<IPictureDisp> picture);
    void ClearPicture() noexcept { picture_.Reset(); }
    void Paint(HDC dc) const;

private:
    ComPtr<IPictureDisp> picture_;
    HICON icon_ = nullptr;
};

// A menu that is never a menu bar: it pops up where the program asks.
class Menu {
public:
    struct Item {
        std::wstring caption;
        std::function<void()> onClick;
    };
    void Create(std::vector<Item> items);
    size_t ItemCount() const noexcept { return items_.size(); }
    // Pops the menu up at screen position (x, y) with TrackPopupMenu flags; the chosen item's
    // handler runs before this returns.
    void Popup(HWND owner, UINT flags, int x, int y);

private:
    UniqueMenu menu_;
    std::vector<Item> items_;
};

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

// Window procedure of the toolkit's own control classes (shapes, lines, images, picture boxes).
LRESULT CALLBACK ToolkitControlProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace kestrel
