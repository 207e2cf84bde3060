#include "ui/Accessible.h"

#include "ui/Handles.h"

#include <algorithm>
#include <new>
#include <string>
#include <utility>

namespace ui {

namespace {

// What the program takes from the system's accessibility library, and from
// the automation library whose strings it hands out.
struct Library {
    LRESULT(WINAPI* lresultFromObject)(REFIID, WPARAM, LPUNKNOWN) = nullptr;
    HRESULT(WINAPI* createStdAccessibleObject)(HWND, LONG, REFIID, void**) = nullptr;
    BSTR(WINAPI* sysAllocStringLen)(const OLECHAR*, UINT) = nullptr;
};

Module LoadFromSystemFolder(const wchar_t* name)
{
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER) {
        // Windows 7 without its loader update knows no such flag: the same
        // folder, named in full.
        wchar_t folder[MAX_PATH];
        const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
        if (n > 0 && n < MAX_PATH)
            module = LoadLibraryExW((std::wstring(folder, n) + L"\\" + name).c_str(), nullptr,
                                    LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    return Module(module);
}

template <class F>
bool Find(HMODULE module, const char* name, F& entry)
{
    entry = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return entry != nullptr;
}

// Loaded at the first question, for the rest of the run; null when the
// system has no such library. A failure is not tried again.
const Library* TheLibrary() noexcept
{
    static Module oleacc, oleaut;
    static Library library;
    static const bool loaded = [] {
        try {
            oleacc = LoadFromSystemFolder(L"oleacc.dll");
            oleaut = LoadFromSystemFolder(L"oleaut32.dll");
        } catch (...) {
            return false;
        }
        return oleacc && oleaut && Find(oleacc.get(), "LresultFromObject", library.lresultFromObject) &&
               Find(oleacc.get(), "CreateStdAccessibleObject", library.createStdAccessibleObject) &&
               Find(oleaut.get(), "SysAllocStringLen", library.sysAllocStringLen);
    }();
    return loaded ? &library : nullptr;
}

template <class T>
class ComRef {
public:
    ComRef() noexcept = default;
    explicit ComRef(T* p) noexcept : p_(p) {}
    ~ComRef() { reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    void reset() noexcept
    {
        if (T* p = std::exchange(p_, nullptr))
            p->Release();
    }

private:
    T* p_ = nullptr;
};

} // namespace

// Items are simple elements: numbers on this object, not objects of their
// own. What the description leaves out (the parent, child windows, the
// window's place) the system's own object for the client answers.
class AccessibleWindow::Object final : public IAccessible {
public:
    Object(HWND window, const Accessibility& description, const Library& library, IAccessible* standard) noexcept
        : window_(window), description_(&description), library_(library), standard_(standard)
    {
    }
    void Disconnect() noexcept
    {
        description_ = nullptr;
        standard_.reset();
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        // __uuidof, never IID_IAccessible: MinGW's x86_64 oleacc library
        // defines that one as an import thunk, not as the interface's id.
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: screen readers call through the interface itself.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info)
            *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override
    {
        return Answer(parent, [&] { return standard_ ? standard_->get_accParent(parent) : S_FALSE; });
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override
    {
        return Answer(count, [&] {
            if (!HasItems())
                return standard_ ? standard_->get_accChildCount(count) : S_OK;
            *count = ItemCount();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override
    {
        return Answer(object, [&] {
            if (!HasItems())
                return standard_ ? standard_->get_accChild(child, object) : E_INVALIDARG;
            return Item(child) > 0 ? S_FALSE : E_INVALIDARG;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override
    {
        return Answer(name, [&] {
            const int item = Item(child);
            if (item > 0)
                return Text(description_->itemName ? description_->itemName(item) : std::string(), name);
            if (item < 0)
                return E_INVALIDARG;
            if (description_->name)
                return Text(description_->name(), name);
            return standard_ ? standard_->get_accName(child, name) : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override
    {
        return Answer(value, [&] {
            const int item = Item(child);
            if (item != 0)
                return item > 0 ? S_FALSE : E_INVALIDARG;
            if (description_->value)
                return Text(description_->value(), value);
            return standard_ ? standard_->get_accValue(child, value) : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override
    {
        return Answer(text, [&] {
            return Item(child) == 0 && standard_ ? standard_->get_accDescription(child, text) : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        return Answer(role, [&] {
            const int item = Item(child);
            if (item < 0)
                return E_INVALIDARG;
            return Number(item > 0 ? description_->itemRole : description_->role, role);
        });
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        return Answer(state, [&] {
            const int item = Item(child);
            if (item < 0)
                return E_INVALIDARG;
            LONG flags = WindowState();
            if (item > 0) {
                flags &= STATE_SYSTEM_INVISIBLE;
                if (description_->itemState)
                    flags |= description_->itemState(item);
            } else if (description_->state) {
                flags |= description_->state();
            }
            return Number(flags, state);
        });
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override
    {
        return Answer(help, [&] {
            return Item(child) == 0 && standard_ ? standard_->get_accHelp(child, help) : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override
    {
        if (topic)
            *topic = 0;
        return Answer(file, [&] {
            return Item(child) == 0 && standard_ ? standard_->get_accHelpTopic(file, child, topic) : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override
    {
        return Answer(keys, [&] {
            return Item(child) == 0 && standard_ ? standard_->get_accKeyboardShortcut(child, keys) : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override
    {
        return Answer(focus, [&] {
            if (!HasItems())
                return standard_ ? standard_->get_accFocus(focus) : S_FALSE;
            if (GetFocus() != window_)
                return S_FALSE;
            return Number(FirstItemWith(STATE_SYSTEM_FOCUSED), focus);
        });
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override
    {
        return Answer(selection, [&] {
            if (!HasItems())
                return standard_ ? standard_->get_accSelection(selection) : S_FALSE;
            const int item = FirstItemWith(STATE_SYSTEM_SELECTED);
            return item > 0 ? Number(item, selection) : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        return Answer(action, [&] {
            return Item(child) == 0 && standard_ ? standard_->get_accDefaultAction(child, action) : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override
    {
        return Act([&] {
            return Item(child) == 0 && standard_ ? standard_->accSelect(flags, child) : DISP_E_MEMBERNOTFOUND;
        });
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override
    {
        if (!left || !top || !width || !height)
            return E_POINTER;
        *left = *top = *width = *height = 0;
        return Act([&] {
            const int item = Item(child);
            if (item < 0)
                return E_INVALIDARG;
            RECT r{};
            if (item > 0 && description_->itemBounds)
                r = description_->itemBounds(item);
            else if (item == 0 && standard_)
                return standard_->accLocation(left, top, width, height, child);
            else
                GetClientRect(window_, &r);
            MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&r), 2);
            *left = r.left;
            *top = r.top;
            *width = r.right - r.left;
            *height = r.bottom - r.top;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override
    {
        return Answer(end, [&] {
            const int item = Item(start);
            if (item < 0)
                return E_INVALIDARG;
            if (!HasItems() || (item == 0 && direction != NAVDIR_FIRSTCHILD && direction != NAVDIR_LASTCHILD))
                return standard_ ? standard_->accNavigate(direction, start, end) : S_FALSE;
            const int count = ItemCount();
            int to = 0;
            switch (direction) {
            case NAVDIR_FIRSTCHILD: to = item == 0 ? 1 : 0; break;
            case NAVDIR_LASTCHILD: to = item == 0 ? count : 0; break;
            case NAVDIR_NEXT:
            case NAVDIR_RIGHT: to = item + 1; break;
            case NAVDIR_PREVIOUS:
            case NAVDIR_LEFT: to = item - 1; break;
            default: break;
            }
            return to >= 1 && to <= count ? Number(to, end) : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override
    {
        return Answer(hit, [&] {
            POINT p{x, y};
            RECT client{};
            ScreenToClient(window_, &p);
            GetClientRect(window_, &client);
            if (!HasItems() || !PtInRect(&client, p))
                return standard_ ? standard_->accHitTest(x, y, hit) : S_FALSE;
            for (int item = 1, count = ItemCount(); item <= count && description_->itemBounds; ++item) {
                const RECT bounds = description_->itemBounds(item);
                if (PtInRect(&bounds, p))
                    return Number(item, hit);
            }
            return Number(CHILDID_SELF, hit);
        });
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        return Act([&] {
            return Item(child) == 0 && standard_ ? standard_->accDoDefaultAction(child) : DISP_E_MEMBERNOTFOUND;
        });
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~Object() = default;

    // Every answer: the out value cleared first, nothing after the window
    // has gone, and no exception out to the caller.
    template <class F>
    HRESULT Act(F&& answer) const noexcept
    {
        if (!description_)
            return RPC_E_DISCONNECTED;
        try {
            return answer();
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_FAIL;
        }
    }
    template <class Out, class F>
    HRESULT Answer(Out* out, F&& answer) const noexcept
    {
        if (!out)
            return E_POINTER;
        *out = Out{};
        return Act(std::forward<F>(answer));
    }

    bool HasItems() const { return static_cast<bool>(description_->itemCount); }
    int ItemCount() const { return HasItems() ? std::max(description_->itemCount(), 0) : 0; }
    // The item a VARIANT names: 0 for the window itself, -1 for none there is.
    int Item(const VARIANT& child) const
    {
        if (child.vt != VT_I4)
            return -1;
        if (child.lVal == CHILDID_SELF)
            return 0;
        return child.lVal >= 1 && child.lVal <= ItemCount() ? static_cast<int>(child.lVal) : -1;
    }
    int FirstItemWith(LONG state) const
    {
        for (int item = 1, count = ItemCount(); item <= count && description_->itemState; ++item)
            if (description_->itemState(item) & state)
                return item;
        return CHILDID_SELF;
    }
    LONG WindowState() const
    {
        LONG flags = 0;
        if (!IsWindowVisible(window_))
            flags |= STATE_SYSTEM_INVISIBLE;
        if (!IsWindowEnabled(window_))
            flags |= STATE_SYSTEM_UNAVAILABLE;
        if (GetFocus() == window_)
            flags |= STATE_SYSTEM_FOCUSED;
        return flags;
    }

    HRESULT Text(const std::string& text, BSTR* out) const
    {
        if (text.empty())
            return S_FALSE;
        const int size = static_cast<int>(text.size());
        const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
        BSTR s = library_.sysAllocStringLen(nullptr, static_cast<UINT>(std::max(n, 0)));
        if (!s)
            return E_OUTOFMEMORY;
        MultiByteToWideChar(CP_ACP, 0, text.data(), size, s, n);
        *out = s;
        return S_OK;
    }
    static HRESULT Number(LONG n, VARIANT* out)
    {
        out->vt = VT_I4;
        out->lVal = n;
        return S_OK;
    }

    LONG refs_ = 1;
    HWND window_;
    const Accessibility* description_;
    const Library& library_;
    ComRef<IAccessible> standard_;
};

AccessibleWindow::AccessibleWindow(Accessibility description) noexcept : description_(std::move(description)) {}

AccessibleWindow::~AccessibleWindow()
{
    Disconnect();
}

LRESULT AccessibleWindow::Answer(HWND window, WPARAM wParam, LPARAM lParam) noexcept
{
    // The object id is a 32-bit value, sign-extended or not on 64-bit.
    if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT)
        return 0;
    const Library* library = TheLibrary();
    if (!library)
        return 0;
    if (!object_) {
        IAccessible* standard = nullptr;
        if (FAILED(library->createStdAccessibleObject(window, OBJID_CLIENT, __uuidof(IAccessible),
                                                      reinterpret_cast<void**>(&standard))))
            standard = nullptr;
        object_ = new (std::nothrow) Object(window, description_, *library, standard);
        if (!object_) {
            if (standard)
                standard->Release();
            return 0;
        }
    }
    const LRESULT answer = library->lresultFromObject(__uuidof(IAccessible), wParam, object_);
    return answer > 0 ? answer : 0;
}

void AccessibleWindow::Disconnect() noexcept
{
    if (object_) {
        object_->Disconnect();
        object_->Release();
        object_ = nullptr;
    }
}

} // namespace ui
