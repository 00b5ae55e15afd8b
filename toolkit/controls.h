// The classic controls over the system's own window classes (buttons, option buttons, frames,
// labels, text fields, list boxes), laid out in twips (1/1440 inch) and scaled to the form's DPI.
//
// A control knows its own window and its handlers, which the form names as the program does
// (cmdCapture.onClick = [this] { cmdCapture_Click(); }).
#pragma once
#include "toolkit/handles.h"
#include "toolkit/win.h"

#include <functional>
#include <optional>
#include <string>

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

    // Controls of the toolkit's own window class draw themselves here; the system's never get it.
    virtual void Paint(HDC /*dc*/, const RECT& /*client*/) const {}
    // True when Paint covers the whole client area, so that erasing it first would only flicker.
    virtual bool PaintsWholeClient() const noexcept { return false; }
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
    // A picture button draws its bitmap and never its text, so the text carries the name that
    // screen readers speak for it and nothing on the screen changes.
    void CreatePicture(Form& form, HWND container, int id, int bitmapResource, const TwipsRect& twips,
                       const std::wstring& accessibleName = std::wstring());
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

// A bitmap resource with its own colours.
UniqueBitmap LoadBitmapResource(int id);

}  // namespace kestrel
