// Input as a person gives it, for tests that drive the real program from
// outside: mouse clicks at the screen positions of its controls and key
// presses, both through SendInput, and ways to find the program's windows.
//
// SendInput rather than xdotool: under Wine both reach another process's
// windows on the Xvfb display, but "xdotool mousemove --sync" to the point
// the pointer already rests on does nothing, so a second click at the same
// place is lost; SendInput is queued at once and needs no process started.
#pragma once

#include "support/TestSupport.h"

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

inline POINT Centre(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A point given in a window's client coordinates, on the screen.
inline POINT OnScreen(HWND window, POINT client)
{
    ClientToScreen(window, &client);
    return client;
}

// What the screen shows at a point of a window's client area: Wine lets a
// process read the screen, not another process's window.
inline COLORREF ScreenColour(HWND window, POINT client)
{
    const POINT p = OnScreen(window, client);
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return c;
}

inline std::string ClassOf(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

inline std::string TextOf(HWND window)
{
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The child of `top` of that class whose top-left corner sits at `client`
// in the top window's client coordinates; null when there is none. Where
// two share the place (the monitor switch), the visible one.
inline HWND ChildAt(HWND top, const char* cls, POINT client)
{
    HWND found = nullptr;
    EachChildWindow(top, [&](HWND child) {
        if (lstrcmpiA(ClassOf(child).c_str(), cls) != 0)
            return true;
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&r), 2);
        if (r.left == client.x && r.top == client.y) {
            found = child;
            return !IsWindowVisible(child);
        }
        return true;
    });
    return found;
}

// The children of `top` of that class, in the order the system lists them.
inline std::vector<HWND> ChildrenOfClass(HWND top, const char* cls, bool visibleOnly = false)
{
    std::vector<HWND> found;
    EachChildWindow(top, [&](HWND child) {
        if (lstrcmpiA(ClassOf(child).c_str(), cls) == 0 && (!visibleOnly || IsWindowVisible(child)))
            found.push_back(child);
        return true;
    });
    return found;
}

inline HWND FirstChildOfClass(HWND top, const char* cls, bool visibleOnly = false)
{
    std::vector<HWND> found = ChildrenOfClass(top, cls, visibleOnly);
    return found.empty() ? nullptr : found.front();
}

// The top-level windows of one process of that class (and caption, when given).
inline std::vector<HWND> ProcessWindows(DWORD pid, const char* cls, const char* caption = nullptr,
                                        bool visibleOnly = true)
{
    std::vector<HWND> found;
    EachTopWindow([&](HWND h) {
        DWORD owner = 0;
        GetWindowThreadProcessId(h, &owner);
        if (owner == pid && (!cls || ClassOf(h) == cls) && (!caption || TextOf(h) == caption) &&
            (!visibleOnly || IsWindowVisible(h)))
            found.push_back(h);
        return true;
    });
    return found;
}

namespace input_detail {

inline INPUT MouseInput(POINT p, DWORD flags)
{
    // Absolute coordinates run from 0 to 65535 across the primary screen.
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((p.x * 65536 + w / 2) / w);
    in.mi.dy = static_cast<LONG>((p.y * 65536 + h / 2) / h);
    in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return in;
}

inline INPUT KeyInput(WORD vk, bool up)
{
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}

inline void Send(std::vector<INPUT> inputs)
{
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

} // namespace input_detail

inline void MoveMouseTo(POINT p)
{
    input_detail::Send({input_detail::MouseInput(p, 0)});
}

// A press and release at one screen point: `count` 2 is a double click.
inline void ClickAt(POINT p, int count = 1, bool right = false)
{
    using input_detail::MouseInput;
    std::vector<INPUT> inputs{MouseInput(p, 0)};
    for (int i = 0; i < count; ++i) {
        inputs.push_back(MouseInput(p, right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN));
        inputs.push_back(MouseInput(p, right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP));
    }
    input_detail::Send(inputs);
}

inline void Click(HWND control)
{
    ClickAt(Centre(control));
}

inline void DoubleClickAt(POINT p)
{
    ClickAt(p, 2);
}

inline void RightClickAt(POINT p)
{
    ClickAt(p, 1, true);
}

// One key pressed and released; letters and digits by their character
// ('X', '7'), others by their virtual-key code (VK_RETURN).
inline void PressKey(WORD vk)
{
    input_detail::Send({input_detail::KeyInput(vk, false), input_detail::KeyInput(vk, true)});
}

// A key with Alt held: a dialog's mnemonic.
inline void PressAltKey(WORD vk)
{
    using input_detail::KeyInput;
    input_detail::Send({KeyInput(VK_MENU, false), KeyInput(vk, false), KeyInput(vk, true), KeyInput(VK_MENU, true)});
}

// Keys typed through the X server with xdotool, as a keyboard gives them to
// the window with the focus: "t", "shift+F10", "Menu Escape". Wine hands back
// no process to wait on: the caller waits for what the keys do before it
// types more.
inline bool XdoKeys(const std::string& keys)
{
    return RunUnix("/usr/bin/xdotool key --clearmodifiers " + keys, [] { return true; });
}

// Digits and upper-case letters, typed one key at a time.
inline void TypeKeys(const std::string& keys)
{
    for (char c : keys)
        PressKey(static_cast<WORD>(c));
}

} // namespace testing_support
