// The small set of child controls the forms are built from: glyph speed
// buttons, labels, bevelled panels, hints and popup menus.
#pragma once

#include "ui/Handles.h"
#include "ui/Window.h"

#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

namespace ui {

// Where a visible child window of `parent` goes.
WindowPlacement ChildAt(HWND parent, int x, int y, int width, int height, DWORD extraStyle = 0);

// A glyph-only push button that never takes the keyboard focus. The glyph
// bitmap holds one or two square images side by side (normal, disabled); its
// bottom-left pixel is the transparent colour. Screen readers read it as a
// push button of the name given, its hint.
class SpeedButton : public Window {
public:
    std::function<void()> OnClick;

    void Create(HWND parent, int x, int y, int width, int height, UINT glyphResource, int glyphCount,
                const std::string& name);
    const std::string& Name() const noexcept { return name_; }
    void SetEnabled(bool enabled);
    bool Enabled() const noexcept { return enabled_; }
    void SetVisible(bool visible);
    bool Visible() const noexcept;
    bool Pressed() const noexcept { return down_ && inside_; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc);
    std::string name_;
    Bitmap glyph_;
    int glyphCount_ = 1;
    bool enabled_ = true;
    bool down_ = false;
    bool inside_ = false;
};

// Draws image `index` of a glyph strip at (x, y), its bottom-left pixel's
// colour left transparent.
void DrawGlyph(HDC dc, HBITMAP glyph, int index, int count, int x, int y);
Bitmap LoadBitmapResource(UINT id);

// A picture shown unscaled: a bitmap resource or a bitmap handed over.
// Screen readers read it as a graphic of the name given.
class Image : public Window {
public:
    std::function<void()> OnClick;

    void Create(HWND parent, int x, int y, int width, int height, UINT bitmapResource, const std::string& name);
    void SetBitmap(Bitmap bitmap);
    HBITMAP Picture() const noexcept { return bitmap_.get(); }
    void SetVisible(bool visible);
    bool Visible() const noexcept;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    Bitmap bitmap_;
    bool pressed_ = false;
};

// A one-line text label painted in its own colours. Fonts are not owned.
// Screen readers read it as static text, and hear when the text changes.
class Label : public Window {
public:
    std::function<void()> OnClick;
    std::function<void()> OnMouseMove;

    void Create(HWND parent, int x, int y, int width, int height, const std::string& text, HFONT font,
                COLORREF textColor, COLORREF backColor, UINT align = DT_CENTER);
    const std::string& Text() const noexcept { return text_; }
    void SetText(const std::string& text);
    HFONT Font() const noexcept { return font_; }
    void SetFont(HFONT font);
    void SetColors(COLORREF textColor, COLORREF backColor);
    COLORREF TextColor() const noexcept { return textColor_; }
    COLORREF BackColor() const noexcept { return backColor_; }
    // Paints now rather than when the message queue gets round to it.
    void RepaintNow();

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    std::string text_;
    HFONT font_ = nullptr;
    COLORREF textColor_ = 0;
    COLORREF backColor_ = 0;
    UINT align_ = DT_CENTER;
    bool pressed_ = false;
};

// A container with an optional bevel. Commands of its children go on to its
// parent, so a form sees its buttons' clicks wherever they sit.
class Panel : public Window {
public:
    enum Bevel { None = 0, Raised = 1, Lowered = 2 };
    std::function<void()> OnMouseMove;

    void Create(HWND parent, int x, int y, int width, int height, COLORREF color, Bevel outer = None,
                Bevel inner = None, int bevelWidth = 1);
    void SetVisible(bool visible);
    bool Visible() const noexcept;
    void SetBounds(int x, int y, int width, int height);
    int BorderWidth() const noexcept;  // of the bevels together

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    Brush brush_;
    Bevel outer_ = None, inner_ = None;
    int bevelWidth_ = 1;
};

// Draws one bevel ring of `width` pixels inside r and shrinks r by it.
void DrawBevel(HDC dc, RECT& r, bool raised, int width);

// The hints (tooltips) of one form's controls; each can be switched on and off.
class Hints {
public:
    void Create(HWND owner);
    void Add(HWND control, const std::string& text);
    void SetActive(HWND control, bool active);
    bool Active(HWND control) const;
    HWND Handle() const noexcept { return tooltip_.get(); }

private:
    struct Tool {
        HWND control;
        std::string text;
        bool active;
    };
    void Register(const Tool& tool, bool add);
    OwnedWindow tooltip_;
    HWND owner_ = nullptr;
    std::vector<Tool> tools_;
};

// A popup menu built from a table; hidden items stay out of the menu until
// shown, in their place.
struct MenuItemDesign {
    UINT id;            // 0 for separators
    const char* caption;  // "-" for a separator
    bool checked = false;
    bool visible = true;
};

class PopupMenu {
public:
    void Create(std::initializer_list<MenuItemDesign> items);
    void Create(std::span<const MenuItemDesign> items);
    HMENU Handle() const noexcept { return menu_.get(); }
    bool Checked(UINT id) const;
    void SetChecked(UINT id, bool checked);
    bool ItemVisible(UINT id) const;
    void SetItemVisible(UINT id, bool visible);
    // Separators are addressed by their position in the design table.
    void SetSeparatorVisible(size_t position, bool visible);
    // Opens the menu and returns the chosen item's identifier, 0 for none.
    UINT Track(HWND owner, int x, int y, UINT flags);

private:
    void Rebuild();
    std::vector<MenuItemDesign> items_;
    Menu menu_;
};

} // namespace ui
