// What a screen reader gets from this process's windows: their client objects
// through the system's accessibility library, and the WinEvents they raise.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleacc.h>

#include "support/TestSupport.h"
#include "ui/ComApartment.h"

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// The thread as the program's is: without an apartment it cannot hand out
// its objects.
using ui::ComApartment;

// One reference to an accessible object, released at the end.
class Accessible {
public:
    Accessible() = default;
    explicit Accessible(IAccessible* object) : object_(object) {}
    Accessible(Accessible&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    Accessible& operator=(Accessible&& other) noexcept
    {
        std::swap(object_, other.object_);
        return *this;
    }
    ~Accessible()
    {
        if (object_)
            object_->Release();
    }
    IAccessible* operator->() const { return object_; }
    IAccessible* get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // What a screen reader reads of the object itself (0) or of an item.
    std::wstring Name(LONG item = CHILDID_SELF) const { return Text(&IAccessible::get_accName, item); }
    std::wstring Value(LONG item = CHILDID_SELF) const { return Text(&IAccessible::get_accValue, item); }
    LONG Role(LONG item = CHILDID_SELF) const { return Number(&IAccessible::get_accRole, item); }
    LONG State(LONG item = CHILDID_SELF) const { return Number(&IAccessible::get_accState, item); }
    long ChildCount() const
    {
        long n = -1;
        return object_ && SUCCEEDED(object_->get_accChildCount(&n)) ? n : -1;
    }
    // An answer naming one item: VT_I4's value, -1 for anything else.
    static LONG ItemOf(const VARIANT& v) { return v.vt == VT_I4 ? v.lVal : -1; }

private:
    static VARIANT Item(LONG item)
    {
        VARIANT v{};
        v.vt = VT_I4;
        v.lVal = item;
        return v;
    }
    std::wstring Text(HRESULT (STDMETHODCALLTYPE IAccessible::*property)(VARIANT, BSTR*), LONG item) const
    {
        BSTR text = nullptr;
        if (!object_ || FAILED((object_->*property)(Item(item), &text)) || !text)
            return L"";
        std::wstring s(text, SysStringLen(text));
        SysFreeString(text);
        return s;
    }
    LONG Number(HRESULT (STDMETHODCALLTYPE IAccessible::*property)(VARIANT, VARIANT*), LONG item) const
    {
        VARIANT v{};
        if (!object_ || FAILED((object_->*property)(Item(item), &v)))
            return -1;
        return ItemOf(v);
    }

    IAccessible* object_ = nullptr;
};

// A window's client object as a screen reader asks for it. __uuidof: MinGW's
// x86_64 oleacc library defines IID_IAccessible as an import thunk.
inline Accessible AccessibleOf(HWND window)
{
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object))))
        return {};
    return Accessible(object);
}

inline bool HasState(LONG state, LONG flag)
{
    return state != -1 && (state & flag) == flag;
}

// The WinEvents raised in a process (0: any) while it lives, as a screen
// reader's hook out of context sees them: delivered as this thread pumps
// messages. Under Wine a hook hears another program only if it was set
// before that program started.
class WinEvents {
public:
    struct Event {
        DWORD event;
        HWND window;
        LONG object;
        LONG item;
    };

    explicit WinEvents(DWORD process = GetCurrentProcessId())
    {
        current_ = this;
        hook_ = SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, &Record, process, 0, WINEVENT_OUTOFCONTEXT);
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
    void Clear() { seen_.clear(); }
    // Pumps until the event has come for the client of `window` (or one of
    // its items), or the time is up; later events wait their turn.
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
    // How many of that event came for the window, whatever the item.
    int Count(DWORD event, HWND window) const
    {
        int n = 0;
        for (const Event& e : seen_)
            n += e.event == event && e.window == window;
        return n;
    }

private:
    static void CALLBACK Record(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG item, DWORD, DWORD)
    {
        if (current_)
            current_->seen_.push_back({event, window, object, item});
    }

    static inline WinEvents* current_ = nullptr;
    HWINEVENTHOOK hook_ = nullptr;
    std::vector<Event> seen_;
};

} // namespace testing_support
