#include "ui/Controls.h"

#include "ui/Accessible.h"
#include "ui/Application.h"
#include "ui/Errors.h"

#include <commctrl.h>
#include <windowsx.h>

namespace ui {

WindowPlacement ChildAt(HWND parent, int x, int y, int width, int height, DWORD extraStyle)
{
    WindowPlacement where;
    where.style = WS_CHILD | WS_VISIBLE | extraStyle;
    where.x = x;
    where.y = y;
    where.width = width;
    where.height = height;
    where.parent = parent;
    return where;
}

namespace {

// A control's own visibility, whether or not its form is showing.
bool OwnVisible(HWND hwnd)
{
    return (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool Contains(HWND hwnd, LPARAM lParam)
{
    RECT r;
    GetClientRect(hwnd, &r);
    POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return PtInRect(&r, p) != FALSE;
}

// A click is a press and a release over the same control. The control holds
// the mouse from the press, so a release elsewhere still reaches it and
// counts as no click.
void PressClicks(bool& pressed, HWND hwnd)
{
    pressed = true;
    SetCapture(hwnd);
}

void ReleaseClicks(bool& pressed, HWND hwnd, LPARAM lParam, const std::function<void()>& onClick)
{
    if (!pressed)
        return;
    pressed = false;
    ReleaseCapture();
    if (onClick && Contains(hwnd, lParam))
        onClick();
}

} // namespace

Bitmap LoadBitmapResource(UINT id)
{
    Bitmap bmp(static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!bmp)
        throw AppError(Format("Cannot load bitmap resource %s", std::to_string(id)));
    return bmp;
}

void DrawGlyph(HDC dc, HBITMAP glyph, int index, int count, int x, int y)
{
    BITMAP info{};
    if (!glyph || !GetObjectA(glyph, sizeof info, &info) || count < 1)
        return;
    int w = info.bmWidth / count, h = info.bmHeight;
    MemoryDc mem(CreateCompatibleDC(dc));
    SelectGuard sel(mem.get(), glyph);
    COLORREF transparent = GetPixel(mem.get(), 0, h - 1);
    // gdi32's own: msimg32 is no known DLL, and a copy beside the program would be loaded instead.
    GdiTransparentBlt(dc, x, y, w, h, mem.get(), index * w, 0, w, h, transparent);
}

// ---- SpeedButton ----

void SpeedButton::Create(HWND parent, int x, int y, int width, int height, UINT glyphResource, int glyphCount,
                         const std::string& name)
{
    if (glyphResource)
        glyph_ = LoadBitmapResource(glyphResource);
    glyphCount_ = glyphCount;
    name_ = name;
    Accessibility button;
    button.role = ROLE_SYSTEM_PUSHBUTTON;
    button.name = [this] { return name_; };
    button.state = [this] {
        return (enabled_ ? 0 : STATE_SYSTEM_UNAVAILABLE) | (Pressed() ? STATE_SYSTEM_PRESSED : 0);
    };
    Describe(std::move(button));
    CreateHandle(WindowClass{"TidemarkSpeedButton", CS_HREDRAW | CS_VREDRAW}, ChildAt(parent, x, y, width, height));
}

void SpeedButton::SetEnabled(bool enabled)
{
    enabled_ = enabled;
    InvalidateRect(Handle(), nullptr, TRUE);
}

void SpeedButton::SetVisible(bool visible)
{
    ShowWindow(Handle(), visible ? SW_SHOWNA : SW_HIDE);
}

bool SpeedButton::Visible() const noexcept
{
    return OwnVisible(Handle());
}

void SpeedButton::Paint(HDC dc)
{
    RECT r;
    GetClientRect(Handle(), &r);
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    bool sunken = Pressed();
    DrawEdge(dc, &r, sunken ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    if (!glyph_)
        return;
    BITMAP info{};
    GetObjectA(glyph_.get(), sizeof info, &info);
    int w = info.bmWidth / glyphCount_, h = info.bmHeight;
    int x = (r.right - w) / 2 + (sunken ? 1 : 0);
    int y = (r.bottom - h) / 2 + (sunken ? 1 : 0);
    int index = (!enabled_ && glyphCount_ > 1) ? 1 : 0;
    DrawGlyph(dc, glyph_.get(), index, glyphCount_, x, y);
}

LRESULT SpeedButton::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT: {
        PaintGuard paint(Handle());
        Paint(paint.dc());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_MOUSEACTIVATE:
        // A speed button never takes the focus, and clicking it does not
        // activate a window that is not active.
        return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (!enabled_)
            return 0;
        SetCapture(Handle());
        down_ = inside_ = true;
        InvalidateRect(Handle(), nullptr, FALSE);
        return 0;
    case WM_MOUSEMOVE:
        if (down_) {
            bool now = Contains(Handle(), lParam);
            if (now != inside_) {
                inside_ = now;
                InvalidateRect(Handle(), nullptr, FALSE);
            }
        }
        return 0;
    case WM_LBUTTONUP: {
        bool clicked = down_ && Contains(Handle(), lParam);
        down_ = inside_ = false;
        ReleaseCapture();
        InvalidateRect(Handle(), nullptr, FALSE);
        if (clicked && enabled_ && OnClick)
            OnClick();
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (down_) {
            down_ = inside_ = false;
            InvalidateRect(Handle(), nullptr, FALSE);
        }
        return 0;
    }
    return Window::HandleMessage(msg, wParam, lParam);
}

// ---- Image ----

void Image::Create(HWND parent, int x, int y, int width, int height, UINT bitmapResource, const std::string& name)
{
    if (bitmapResource)
        bitmap_ = LoadBitmapResource(bitmapResource);
    Accessibility graphic;
    graphic.role = ROLE_SYSTEM_GRAPHIC;
    graphic.name = [name] { return name; };
    Describe(std::move(graphic));
    CreateHandle(WindowClass{"TidemarkImage"}, ChildAt(parent, x, y, width, height));
}

void Image::SetBitmap(Bitmap bitmap)
{
    bitmap_ = std::move(bitmap);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void Image::SetVisible(bool visible)
{
    ShowWindow(Handle(), visible ? SW_SHOWNA : SW_HIDE);
}

bool Image::Visible() const noexcept
{
    return OwnVisible(Handle());
}

LRESULT Image::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT: {
        PaintGuard paint(Handle());
        if (bitmap_) {
            BITMAP info{};
            GetObjectA(bitmap_.get(), sizeof info, &info);
            MemoryDc mem(CreateCompatibleDC(paint.dc()));
            SelectGuard sel(mem.get(), bitmap_.get());
            BitBlt(paint.dc(), 0, 0, info.bmWidth, info.bmHeight, mem.get(), 0, 0, SRCCOPY);
        }
        return 0;
    }
    case WM_LBUTTONDOWN:
        PressClicks(pressed_, Handle());
        return 0;
    case WM_LBUTTONUP:
        ReleaseClicks(pressed_, Handle(), lParam, OnClick);
        return 0;
    case WM_CAPTURECHANGED:
        pressed_ = false;
        return 0;
    }
    return Window::HandleMessage(msg, wParam, lParam);
}

// ---- Label ----

void Label::Create(HWND parent, int x, int y, int width, int height, const std::string& text, HFONT font,
                   COLORREF textColor, COLORREF backColor, UINT align)
{
    text_ = text;
    font_ = font;
    textColor_ = textColor;
    backColor_ = backColor;
    align_ = align;
    Accessibility staticText;
    staticText.role = ROLE_SYSTEM_STATICTEXT;
    staticText.name = [this] { return text_; };
    Describe(std::move(staticText));
    CreateHandle(WindowClass{"TidemarkLabel", CS_HREDRAW | CS_VREDRAW}, ChildAt(parent, x, y, width, height));
}

void Label::SetText(const std::string& text)
{
    if (text == text_)
        return;
    text_ = text;
    InvalidateRect(Handle(), nullptr, FALSE);
    Announce(EVENT_OBJECT_NAMECHANGE);
}

void Label::SetFont(HFONT font)
{
    font_ = font;
    InvalidateRect(Handle(), nullptr, FALSE);
}

void Label::SetColors(COLORREF textColor, COLORREF backColor)
{
    textColor_ = textColor;
    backColor_ = backColor;
    InvalidateRect(Handle(), nullptr, FALSE);
}

void Label::RepaintNow()
{
    InvalidateRect(Handle(), nullptr, FALSE);
    UpdateWindow(Handle());
}

LRESULT Label::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT: {
        PaintGuard paint(Handle());
        HDC dc = paint.dc();
        RECT r;
        GetClientRect(Handle(), &r);
        Brush back(CreateSolidBrush(backColor_));
        FillRect(dc, &r, back.get());
        SelectGuard font(dc, font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
        SetTextColor(dc, textColor_);
        SetBkMode(dc, TRANSPARENT);
        DrawTextA(dc, text_.c_str(), static_cast<int>(text_.size()), &r,
                  align_ | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
        PressClicks(pressed_, Handle());
        return 0;
    case WM_LBUTTONUP:
        ReleaseClicks(pressed_, Handle(), lParam, OnClick);
        return 0;
    case WM_CAPTURECHANGED:
        pressed_ = false;
        return 0;
    case WM_MOUSEMOVE:
        if (OnMouseMove)
            OnMouseMove();
        return 0;
    case WM_LBUTTONDBLCLK:
        // The frame's own double-click means something else; keep it here.
        return 0;
    }
    return Window::HandleMessage(msg, wParam, lParam);
}

// ---- Panel ----

void DrawBevel(HDC dc, RECT& r, bool raised, int width)
{
    for (int i = 0; i < width; ++i) {
        DrawEdge(dc, &r, raised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
        InflateRect(&r, -1, -1);
    }
}

void Panel::Create(HWND parent, int x, int y, int width, int height, COLORREF color, Bevel outer, Bevel inner,
                   int bevelWidth)
{
    brush_.reset(CreateSolidBrush(color));
    outer_ = outer;
    inner_ = inner;
    bevelWidth_ = bevelWidth;
    CreateHandle(WindowClass{"TidemarkPanel", CS_HREDRAW | CS_VREDRAW},
                 ChildAt(parent, x, y, width, height, WS_CLIPCHILDREN | WS_CLIPSIBLINGS));
}

void Panel::SetVisible(bool visible)
{
    ShowWindow(Handle(), visible ? SW_SHOWNA : SW_HIDE);
}

bool Panel::Visible() const noexcept
{
    return OwnVisible(Handle());
}

void Panel::SetBounds(int x, int y, int width, int height)
{
    SetWindowPos(Handle(), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

int Panel::BorderWidth() const noexcept
{
    return ((outer_ != None) + (inner_ != None)) * bevelWidth_;
}

LRESULT Panel::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_ERASEBKGND: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        RECT r;
        GetClientRect(Handle(), &r);
        FillRect(dc, &r, brush_.get());
        if (outer_ != None)
            DrawBevel(dc, r, outer_ == Raised, bevelWidth_);
        if (inner_ != None)
            DrawBevel(dc, r, inner_ == Raised, bevelWidth_);
        return 1;
    }
    case WM_MOUSEMOVE:
        if (OnMouseMove)
            OnMouseMove();
        return 0;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CONTEXTMENU:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_VKEYTOITEM:
    case WM_HSCROLL:
        return SendMessageA(GetParent(Handle()), msg, wParam, lParam);
    }
    return Window::HandleMessage(msg, wParam, lParam);
}

// ---- Hints ----

void Hints::Create(HWND owner)
{
    owner_ = owner;
    // The tooltip window belongs to the application window, not to the form:
    // Wine will not put a form into the topmost band while a topmost popup of
    // its own sits above it (it links the form below that popup, outside the band).
    tooltip_.reset(CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, App.Handle(), nullptr,
                                   GetModuleHandleA(nullptr), nullptr));
    if (!tooltip_)
        throw AppError("Cannot create hints");
}

void Hints::Register(const Tool& tool, bool add)
{
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = owner_;
    ti.uId = reinterpret_cast<UINT_PTR>(tool.control);
    ti.lpszText = const_cast<char*>(tool.text.c_str());
    SendMessageA(tooltip_.get(), add ? TTM_ADDTOOLA : TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void Hints::Add(HWND control, const std::string& text)
{
    tools_.push_back({control, text, true});
    Register(tools_.back(), true);
}

void Hints::SetActive(HWND control, bool active)
{
    for (Tool& t : tools_) {
        if (t.control == control && t.active != active) {
            t.active = active;
            Register(t, active);
        }
    }
}

bool Hints::Active(HWND control) const
{
    for (const Tool& t : tools_) {
        if (t.control == control) {
            TOOLINFOA ti{};
            ti.cbSize = TTTOOLINFOA_V1_SIZE;
            ti.hwnd = owner_;
            ti.uId = reinterpret_cast<UINT_PTR>(control);
            // Ask the tooltip itself, so this reports what the user gets.
            return SendMessageA(tooltip_.get(), TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&ti)) != 0;
        }
    }
    return false;
}

// ---- PopupMenu ----

void PopupMenu::Create(std::initializer_list<MenuItemDesign> items)
{
    Create(std::span<const MenuItemDesign>(items.begin(), items.size()));
}

void PopupMenu::Create(std::span<const MenuItemDesign> items)
{
    items_.assign(items.begin(), items.end());
    Rebuild();
}

void PopupMenu::Rebuild()
{
    Menu menu(CreatePopupMenu());
    if (!menu)
        throw AppError("Cannot create menu");
    for (const MenuItemDesign& item : items_) {
        if (!item.visible)
            continue;
        if (std::string(item.caption) == "-")
            AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(menu.get(), MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED), item.id, item.caption);
    }
    menu_ = std::move(menu);
}

bool PopupMenu::Checked(UINT id) const
{
    for (const MenuItemDesign& item : items_)
        if (item.id == id)
            return item.checked;
    return false;
}

void PopupMenu::SetChecked(UINT id, bool checked)
{
    for (MenuItemDesign& item : items_) {
        if (item.id == id) {
            item.checked = checked;
            CheckMenuItem(menu_.get(), id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
        }
    }
}

bool PopupMenu::ItemVisible(UINT id) const
{
    for (const MenuItemDesign& item : items_)
        if (item.id == id)
            return item.visible;
    return false;
}

void PopupMenu::SetItemVisible(UINT id, bool visible)
{
    bool changed = false;
    for (MenuItemDesign& item : items_) {
        if (item.id == id && item.visible != visible) {
            item.visible = visible;
            changed = true;
        }
    }
    if (changed)
        Rebuild();
}

void PopupMenu::SetSeparatorVisible(size_t position, bool visible)
{
    if (position < items_.size() && items_[position].visible != visible) {
        items_[position].visible = visible;
        Rebuild();
    }
}

UINT PopupMenu::Track(HWND owner, int x, int y, UINT flags)
{
    // A menu whose owner is not in the foreground neither closes on a click
    // elsewhere nor takes keys; the posted WM_NULL lets it close next time.
    SetForegroundWindow(owner);
    UINT chosen = static_cast<UINT>(TrackPopupMenu(menu_.get(), flags | TPM_RETURNCMD, x, y, 0, owner, nullptr));
    PostMessageA(owner, WM_NULL, 0, 0);
    return chosen;
}

} // namespace ui
