#include "ui/accessible.h"

#include <commctrl.h>
#include <oleacc.h>

#include <map>
#include <memory>

namespace kelt::ui {

namespace {

const char kNameProp[] = "KeltAccessibleName";
const UINT_PTR kNameSubclassId = 0x4B414E;  // 'KAN'

std::wstring Wide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

HRESULT TextAnswer(const std::string& text, BSTR* out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (text.empty())
        return S_FALSE;
    const std::wstring wide = Wide(text);
    *out = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

void SetI4(VARIANT* v, long value)
{
    ::VariantInit(v);
    v->vt = VT_I4;
    v->lVal = value;
}

// The object id of a WM_GETOBJECT request (a 32-bit value in lParam, whatever its width).
LONG ObjectId(LPARAM lParam)
{
    return static_cast<LONG>(static_cast<DWORD>(lParam));
}

// The accessible object needs COM on the thread that answers; the program never ends it on
// the user-interface thread, so once is enough.
void EnsureCom()
{
    static thread_local bool started = false;
    if (!started) {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        started = true;
    }
}

// IUnknown and IDispatch of an IAccessible that offers no type information.
template <typename Derived>
class AccessibleBase : public IAccessible {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = ::InterlockedDecrement(&references_);
        if (left == 0)
            delete static_cast<Derived*>(this);
        return static_cast<ULONG>(left);
    }
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
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

protected:
    virtual ~AccessibleBase() = default;

private:
    LONG references_ = 1;
};

// ---------------------------------------------------------------- a control's own object

class SourceAccessible : public AccessibleBase<SourceAccessible> {
public:
    SourceAccessible(HWND window, AccessibleSource* source) : window_(window), source_(source) {}
    void Disconnect() { source_ = nullptr; }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override
    {
        if (!parent)
            return E_POINTER;
        *parent = nullptr;
        if (!Live())
            return RPC_E_DISCONNECTED;
        return ::AccessibleObjectFromWindow(window_, static_cast<DWORD>(OBJID_WINDOW), __uuidof(IDispatch),
                                            reinterpret_cast<void**>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        if (!Live())
            return RPC_E_DISCONNECTED;
        *count = source_->AccessibleCount();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        long id = 0;
        const HRESULT valid = Element(child, id);
        if (FAILED(valid))
            return valid;
        // The parts are simple elements of this object, not objects of their own.
        return id == CHILDID_SELF ? E_INVALIDARG : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override
    {
        return Text(child, out, [this](long id) { return source_->AccessibleName(id); });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override
    {
        return Text(child, out, [this](long id) { return source_->AccessibleValue(id); });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override
    {
        return Text(child, out, [this](long id) { return source_->AccessibleDescription(id); });
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override
    {
        return Text(child, out, [](long) { return std::string(); });
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override
    {
        if (file)
            *file = nullptr;
        if (topic)
            *topic = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override
    {
        return Text(child, out, [this](long id) { return source_->AccessibleShortcut(id); });
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override
    {
        return Text(child, out, [this](long id) { return source_->AccessibleDefaultAction(id); });
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        if (!role)
            return E_POINTER;
        ::VariantInit(role);
        long id = 0;
        const HRESULT valid = Element(child, id);
        if (FAILED(valid))
            return valid;
        SetI4(role, source_->AccessibleRole(id));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        if (!state)
            return E_POINTER;
        ::VariantInit(state);
        long id = 0;
        const HRESULT valid = Element(child, id);
        if (FAILED(valid))
            return valid;
        long bits = source_->AccessibleState(id);
        const LONG style = ::GetWindowLongA(window_, GWL_STYLE);
        const bool focused = ::GetFocus() == window_;
        if (!::IsWindowVisible(window_))
            bits |= STATE_SYSTEM_INVISIBLE;
        if (style & WS_DISABLED)
            bits |= STATE_SYSTEM_UNAVAILABLE;
        if (id == CHILDID_SELF) {
            if ((style & WS_TABSTOP) && !(style & WS_DISABLED))
                bits |= STATE_SYSTEM_FOCUSABLE;
            if (focused && source_->AccessibleFocus() == 0)
                bits |= STATE_SYSTEM_FOCUSED;
        } else if (focused && source_->AccessibleFocus() == id) {
            bits |= STATE_SYSTEM_FOCUSED;
        }
        SetI4(state, bits);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override
    {
        if (!out)
            return E_POINTER;
        ::VariantInit(out);
        if (!Live())
            return RPC_E_DISCONNECTED;
        if (::GetFocus() != window_)
            return S_FALSE;
        SetI4(out, source_->AccessibleFocus());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override
    {
        if (!out)
            return E_POINTER;
        ::VariantInit(out);
        if (!Live())
            return RPC_E_DISCONNECTED;
        const int selected = source_->AccessibleSelection();
        if (selected <= 0)
            return S_FALSE;
        SetI4(out, selected);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override
    {
        long id = 0;
        const HRESULT valid = Element(child, id);
        if (FAILED(valid))
            return valid;
        if (id == CHILDID_SELF) {
            if (!(flags & SELFLAG_TAKEFOCUS))
                return E_INVALIDARG;
            ::SetFocus(window_);
            return S_OK;
        }
        return source_->AccessibleSelect(id, flags) ? S_OK : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override
    {
        if (!left || !top || !width || !height)
            return E_POINTER;
        *left = *top = *width = *height = 0;
        long id = 0;
        const HRESULT valid = Element(child, id);
        if (FAILED(valid))
            return valid;
        RECT r{};
        if (id == CHILDID_SELF) {
            ::GetWindowRect(window_, &r);
        } else {
            if (!source_->AccessibleRect(id, r))
                return S_FALSE;
            ::MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&r), 2);
        }
        *left = r.left;
        *top = r.top;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override
    {
        if (!end)
            return E_POINTER;
        ::VariantInit(end);
        long id = 0;
        const HRESULT valid = Element(start, id);
        if (FAILED(valid))
            return valid;
        const long count = source_->AccessibleCount();
        long target = 0;
        if (id == CHILDID_SELF) {
            if (direction == NAVDIR_FIRSTCHILD)
                target = count > 0 ? 1 : 0;
            else if (direction == NAVDIR_LASTCHILD)
                target = count;
        } else if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN || direction == NAVDIR_RIGHT) {
            target = id < count ? id + 1 : 0;
        } else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP || direction == NAVDIR_LEFT) {
            target = id - 1;
        }
        if (target <= 0)
            return S_FALSE;
        SetI4(end, target);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* out) override
    {
        if (!out)
            return E_POINTER;
        ::VariantInit(out);
        if (!Live())
            return RPC_E_DISCONNECTED;
        RECT r{};
        ::GetWindowRect(window_, &r);
        POINT p{x, y};
        if (!::PtInRect(&r, p))
            return S_FALSE;
        ::ScreenToClient(window_, &p);
        const int element = source_->AccessibleElementAt(p);
        SetI4(out, element >= 0 && element <= source_->AccessibleCount() ? element : 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        long id = 0;
        const HRESULT valid = Element(child, id);
        if (FAILED(valid))
            return valid;
        return source_->AccessibleDoDefault(id) ? S_OK : DISP_E_MEMBERNOTFOUND;
    }

private:
    bool Live() const { return source_ && ::IsWindow(window_); }

    HRESULT Element(const VARIANT& child, long& id) const
    {
        if (!Live())
            return RPC_E_DISCONNECTED;
        if (child.vt != VT_I4)
            return E_INVALIDARG;
        id = child.lVal;
        return id >= 0 && id <= source_->AccessibleCount() ? S_OK : E_INVALIDARG;
    }

    template <typename Read>
    HRESULT Text(const VARIANT& child, BSTR* out, Read read)
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        long id = 0;
        const HRESULT valid = Element(child, id);
        if (FAILED(valid))
            return valid;
        return TextAnswer(read(id), out);
    }

    HWND window_;
    AccessibleSource* source_;
};

std::map<HWND, SourceAccessible*>& Objects()
{
    static std::map<HWND, SourceAccessible*> objects;
    return objects;
}

// ---------------------------------------------------------------- a named standard control

// The system's own reading of a standard control with another name.
class NamedStandard : public AccessibleBase<NamedStandard> {
public:
    NamedStandard(IAccessible* inner, std::string name) : inner_(inner), name_(std::move(name)) {}

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override
    {
        if (child.vt == VT_I4 && child.lVal == CHILDID_SELF)
            return TextAnswer(name_, out);
        return inner_->get_accName(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return inner_->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override { return inner_->get_accChildCount(count); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override
    {
        return inner_->get_accChild(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override { return inner_->get_accValue(child, out); }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override
    {
        return inner_->get_accDescription(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override { return inner_->get_accRole(child, out); }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override
    {
        return inner_->get_accState(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override { return inner_->get_accHelp(child, out); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override
    {
        return inner_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override
    {
        return inner_->get_accKeyboardShortcut(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override { return inner_->get_accFocus(out); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override { return inner_->get_accSelection(out); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override
    {
        return inner_->get_accDefaultAction(child, out);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override { return inner_->accSelect(flags, child); }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override
    {
        return inner_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override
    {
        return inner_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* out) override { return inner_->accHitTest(x, y, out); }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override { return inner_->accDoDefaultAction(child); }

private:
    friend class AccessibleBase<NamedStandard>;
    ~NamedStandard() override { inner_->Release(); }

    IAccessible* inner_;
    std::string name_;
};

LRESULT CALLBACK NamedProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR)
{
    if (message == WM_GETOBJECT && ObjectId(lParam) == OBJID_CLIENT) {
        // A control that answers for itself keeps its own reading.
        if (const LRESULT own = ::DefSubclassProc(hwnd, message, wParam, lParam))
            return own;
        const auto* name = static_cast<const std::string*>(::GetPropA(hwnd, kNameProp));
        IAccessible* inner = nullptr;
        if (name) {
            EnsureCom();
            if (SUCCEEDED(::CreateStdAccessibleObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                                      reinterpret_cast<void**>(&inner))) &&
                inner) {
                auto* named = new NamedStandard(inner, *name);
                const LRESULT result = ::LresultFromObject(__uuidof(IAccessible), wParam, named);
                named->Release();
                return result;
            }
        }
    } else if (message == WM_NCDESTROY) {
        std::unique_ptr<std::string> owned(static_cast<std::string*>(::RemovePropA(hwnd, kNameProp)));
        ::RemoveWindowSubclass(hwnd, NamedProc, id);
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

std::string ClassOf(HWND hwnd)
{
    char name[64] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    return name;
}

bool SameClass(const std::string& found, const char* name)
{
    return ::lstrcmpiA(found.c_str(), name) == 0;
}

std::string TextOf(HWND hwnd)
{
    char text[512] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

// The words of a label without its mnemonic mark and the colon that ends it.
std::string LabelName(const std::string& text)
{
    std::string plain = WithoutMnemonic(text);
    while (!plain.empty() && (plain.back() == ' ' || plain.back() == ':'))
        plain.pop_back();
    return plain;
}

// A static text control that shows words (not a picture or a frame), or a group box.
bool IsLabel(HWND hwnd)
{
    const std::string cls = ClassOf(hwnd);
    const LONG style = ::GetWindowLongA(hwnd, GWL_STYLE);
    if (SameClass(cls, "Static")) {
        const LONG type = style & SS_TYPEMASK;
        return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_SIMPLE ||
               type == SS_LEFTNOWORDWRAP || type == SS_OWNERDRAW;
    }
    return SameClass(cls, "Button") && (style & BS_TYPEMASK) == BS_GROUPBOX;
}

} // namespace

LRESULT AnswerGetObject(HWND window, WPARAM wParam, LPARAM lParam, AccessibleSource& source)
{
    if (!window || ObjectId(lParam) != OBJID_CLIENT)
        return 0;
    EnsureCom();
    SourceAccessible*& object = Objects()[window];
    if (!object)
        object = new SourceAccessible(window, &source);
    return ::LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(object));
}

void ForgetAccessible(HWND window)
{
    auto& objects = Objects();
    const auto found = objects.find(window);
    if (found == objects.end())
        return;
    SourceAccessible* object = found->second;
    objects.erase(found);
    object->Disconnect();
    // Readers in other programs lose their hold; the object goes with the last reference.
    ::CoDisconnectObject(static_cast<IAccessible*>(object), 0);
    object->Release();
}

void SetAccessibleName(HWND control, const std::string& name)
{
    if (!control)
        return;
    std::unique_ptr<std::string> previous(static_cast<std::string*>(::RemovePropA(control, kNameProp)));
    if (name.empty()) {
        ::RemoveWindowSubclass(control, NamedProc, kNameSubclassId);
        return;
    }
    auto owned = std::make_unique<std::string>(name);
    if (::SetPropA(control, kNameProp, owned.get())) {
        owned.release();
        ::SetWindowSubclass(control, NamedProc, kNameSubclassId, 0);
    }
}

std::string AccessibleNameOf(HWND control)
{
    const auto* name = control ? static_cast<const std::string*>(::GetPropA(control, kNameProp)) : nullptr;
    return name ? *name : std::string();
}

void NameControlsFromLabels(HWND dialog)
{
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const std::string cls = ClassOf(child);
        // Edit boxes and drop-down lists show their content as their text; lists, trees and
        // tab strips show none.
        const bool content = SameClass(cls, "Edit") || SameClass(cls, "ComboBox");
        const bool nameless = SameClass(cls, "SysListView32") || SameClass(cls, "SysTreeView32") ||
                              SameClass(cls, "ListBox") || SameClass(cls, "SysTabControl32") ||
                              SameClass(cls, "msctls_trackbar32");
        if ((!content && !nameless) || !AccessibleNameOf(child).empty())
            continue;
        if (nameless && !TextOf(child).empty())
            continue;
        HWND previous = ::GetWindow(child, GW_HWNDPREV);
        if (!previous || !IsLabel(previous))
            continue;
        const std::string name = LabelName(TextOf(previous));
        if (!name.empty())
            SetAccessibleName(child, name);
    }
}

std::string WithoutMnemonic(const std::string& caption)
{
    std::string plain;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size())
            ++i;
        plain += caption[i];
    }
    return plain;
}

void NotifyAccessible(DWORD event, HWND window, int element)
{
    if (window)
        ::NotifyWinEvent(event, window, OBJID_CLIENT, element);
}

} // namespace kelt::ui
