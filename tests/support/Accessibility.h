// What a screen reader gets from the program's windows: their client objects
// through the system's accessibility library, and the WinEvents they raise.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleacc.h>

#include "support/TestSupport.h"
#include "ui/ComApartment.h"

#include <string>
#include <vector>

namespace testing_support {

// The thread as the program's is: without an apartment no object is handed out.
using ui::ComApartment;

// A window's client object as a screen reader asks for it, released at the
// end. __uuidof: MinGW's x86_64 oleacc library defines IID_IAccessible as an
// import thunk, not as the interface's id.
class Accessible {
public:
    explicit Accessible(HWND window)
    {
        AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                   reinterpret_cast<void**>(&object_));
    }
    explicit Accessible(IAccessible* object) : object_(object) {}
    ~Accessible()
    {
        if (object_)
            object_->Release();
    }
    Accessible(const Accessible&) = delete;
    Accessible& operator=(const Accessible&) = delete;
    IAccessible* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // What it reads of itself (0) or of an item: "" or -1 where it says nothing.
    std::wstring Name(LONG item = CHILDID_SELF) const { return Text(&IAccessible::get_accName, item); }
    std::wstring Value(LONG item = CHILDID_SELF) const { return Text(&IAccessible::get_accValue, item); }
    LONG Role(LONG item = CHILDID_SELF) const { return Number(&IAccessible::get_accRole, item); }
    LONG State(LONG item = CHILDID_SELF) const { return Number(&IAccessible::get_accState, item); }
    long ChildCount() const
    {
        long n = -1;
        return object_ && SUCCEEDED(object_->get_accChildCount(&n)) ? n : -1;
    }
    // An answer that names an item (or 0, the object itself); -1 for any other.
    static LONG ItemOf(const VARIANT& v) { return v.vt == VT_I4 ? v.lVal : -1; }

private:
    std::wstring Text(HRESULT (STDMETHODCALLTYPE IAccessible::*property)(VARIANT, BSTR*), LONG item) const
    {
        BSTR text = nullptr;
        VARIANT which{};
        which.vt = VT_I4;
        which.lVal = item;
        if (!object_ || FAILED((object_->*property)(which, &text)) || !text)
            return L"";
        std::wstring s(text, SysStringLen(text));
        SysFreeString(text);
        return s;
    }
    LONG Number(HRESULT (STDMETHODCALLTYPE IAccessible::*property)(VARIANT, VARIANT*), LONG item) const
    {
        VARIANT which{}, answer{};
        which.vt = VT_I4;
        which.lVal = item;
        return object_ && SUCCEEDED((object_->*property)(which, &answer)) ? ItemOf(answer) : -1;
    }

    IAccessible* object_ = nullptr;
};

inline bool HasState(LONG state, LONG flags)
{
    return state != -1 && (state & flags) == flags;
}

// The WinEvents raised in a process (0: any) while this lives, as a screen
// reader's hook out of context gets them: as this thread pumps messages.
// Under Wine such a hook hears another program only if that program started
// after it.
class WinEvents {
public:
    explicit WinEvents(DWORD process = GetCurrentProcessId())
        : hook_(SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, &Record, process, 0, WINEVENT_OUTOFCONTEXT))
    {
        current_ = this;
    }
    ~WinEvents()
    {
        if (hook_)
            UnhookWinEvent(hook_);
        current_ = nullptr;
    }
    WinEvents(const WinEvents&) = delete;
    WinEvents& operator=(const WinEvents&) = delete;

    bool Hooked() const { return hook_ != nullptr; }
    // Whether the event has come for the client of `window` or one of its
    // items; waiting pumps until it has, or the time is up.
    bool WaitFor(DWORD event, HWND window, LONG item = CHILDID_SELF, DWORD ms = 5000)
    {
        return PumpUntil([&] { return Seen(event, window, item); }, ms);
    }
    bool Seen(DWORD event, HWND window, LONG item = CHILDID_SELF) const
    {
        for (const Event& e : seen_)
            if (e.event == event && e.window == window && e.object == OBJID_CLIENT && e.item == item)
                return true;
        return false;
    }
    int Count(DWORD event, HWND window) const
    {
        int n = 0;
        for (const Event& e : seen_)
            n += e.event == event && e.window == window;
        return n;
    }

private:
    struct Event {
        DWORD event;
        HWND window;
        LONG object, item;
    };
    static void CALLBACK Record(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG item, DWORD, DWORD)
    {
        if (current_)
            current_->seen_.push_back({event, window, object, item});
    }

    static inline WinEvents* current_ = nullptr;
    HWINEVENTHOOK hook_;
    std::vector<Event> seen_;
};

} // namespace testing_support
