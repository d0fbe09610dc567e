#include "catalogue/set_item.h"

#include <commctrl.h>
#include <uxtheme.h>

#include "catalogue/platform/int_text.h"
#include "catalogue/record.h"
#include "catalogue/value_format.h"
#include "storage/xdb_table.h"
#include "ui/colour.h"
#include "ui/dpi.h"
#include "ui/error_report.h"
#include "ui/hint.h"

namespace kelt {

int ItemKindOf(const JTObject* object)
{
    return object ? object->KindCode() : ikOther;
}

std::string RootName(int code)
{
    switch (static_cast<unsigned>(code)) {
    case 0x80000000u: return "HKEY_CLASSES_ROOT";
    case 0x80000001u: return "HKEY_CURRENT_USER";
    case 0x80000002u: return "HKEY_LOCAL_MACHINE";
    case 0x80000003u: return "HKEY_USERS";
    case 0x80000005u: return "HKEY_CURRENT_CONFIG";
    default: return std::string();
    }
}

bool ReadRegValue(TRegistry& registry, int type, const std::string& name, std::string& text)
{
    const TRegDataType stored = registry.GetDataType(name);
    switch (type) {
    case 0:
        // An expandable string is not a string here.
        if (stored != rdString)
            return false;
        text = registry.ReadString(name);
        return true;
    case 1:
        if (stored != rdInteger)
            return false;
        text = IntToStr(registry.ReadInteger(name));
        return true;
    case 2:
        if (stored != rdBinary)
            return false;
        if (registry.GetDataSize(name) >= 1)
            text = registry.ReadBinaryString(name);
        return true;
    default:
        return true;
    }
}

namespace {

// The stored type an item of `type` needs; rdUnknown for codes that read and write nothing.
TRegDataType RequiredType(int type)
{
    switch (type) {
    case 0: return rdString;
    case 1: return rdInteger;
    case 2: return rdBinary;
    default: return rdUnknown;
    }
}

} // namespace

bool DeleteRegValue(TRegistry& registry, int type, const std::string& name)
{
    const TRegDataType required = RequiredType(type);
    if (required == rdUnknown || !registry.ValueExists(name))
        return true;
    if (registry.GetDataType(name) != required)
        return false;
    return registry.DeleteValue(name);
}

bool WriteRegValue(TRegistry& registry, int type, const std::string& name, const std::string& text, bool create)
{
    const bool exists = registry.ValueExists(name);
    const TRegDataType stored = exists ? registry.GetDataType(name) : rdUnknown;
    switch (type) {
    case 0:
        if (exists && stored != rdString)
            return false;
        if (exists || create)
            registry.WriteString(name, text);
        return true;
    case 1:
        if (exists && stored != rdInteger)
            return false;
        if (exists || create)
            registry.WriteInteger(name, StrToInt(text));
        return true;
    case 2:
        if (exists && stored != rdBinary)
            return false;
        if (exists || create)
            registry.WriteBinaryData(name, text);
        return true;
    default:
        return true;
    }
}

JTCreatedKeyGuard::JTCreatedKeyGuard(HKEY root, const std::string& path, bool creating) : root_(root)
{
    if (!creating)
        return;
    TRegistry reader(KEY_READ);
    reader.SetRootKey(root);
    std::string relative = path;
    while (!relative.empty() && relative.front() == '\\')
        relative.erase(relative.begin());
    // From the top down: the first level that is missing is where creating starts.
    for (std::size_t end = 0; end != std::string::npos;) {
        end = relative.find('\\', end + 1);
        const std::string level = relative.substr(0, end);
        if (!level.empty() && !reader.KeyExists(level)) {
            firstMissing_ = level;
            return;
        }
    }
}

JTCreatedKeyGuard::~JTCreatedKeyGuard()
{
    if (firstMissing_.empty())
        return;
    TRegistry registry(KEY_READ | KEY_WRITE);
    registry.SetRootKey(root_);
    registry.DeleteKey(firstMissing_);
}

// ---------------------------------------------------------------- JTSetItem

JTSetItem::JTSetItem() : OSType(0) {}

JTSetItem::~JTSetItem() = default;

const TRegSetOption& SettingsOrDefaults(const TRegSetOption* settings)
{
    static const TRegSetOption defaults;
    return settings ? *settings : defaults;
}

const TRegSetOption& JTSetItem::Settings() const
{
    return SettingsOrDefaults(settings_);
}

bool JTSetItem::Initialize(bool loadFromTable, bool readRegistry)
{
    CreateControl();
    if (loadFromTable && !LoadFromTable())
        return false;
    if (readRegistry && !ReadValue())
        return false;
    return BuildControl();
}

bool JTSetItem::LoadFromTable()
{
    if (!table_)
        return false;
    TXdbTable& t = *table_;
    recNo_ = t.RecNo();
    sDescribe = t.FieldByName("sDescribe").AsString();
    iRegRoot = t.FieldByName("iRegRoot").AsInteger();
    sSubKey = t.FieldByName("sSubKey").AsString();
    iRegType = t.FieldByName("iRegType").AsInteger();
    sDataName = t.FieldByName("sDataName").AsString();
    OSType.SetMask(t.FieldByName("iOSType").AsInteger());
    bAutoCreate = t.FieldByName("bAutoCreate").AsBoolean();
    bReboot = t.FieldByName("bReboot").AsBoolean();
    sDetails = t.FieldByName("sDetails").AsString();
    const TField* editions = t.FindField("iEditions");
    iEditions = editions ? editions->AsInteger() : 0;
    return true;
}

void JTSetItem::FillRecord(JTRecord& record)
{
    record.sDescribe = sDescribe;
    record.iRegRoot = iRegRoot;
    record.iRegType = iRegType;
    record.sSubKey = sSubKey;
    record.sDataName = sDataName;
    record.sOldVal = sCurValue;
    record.sNewVal = GetNewValue();
    record.sDefaultVal = GetDefaultValue();
    record.bAutoCreate = bAutoCreate;
}

bool JTSetItem::Apply(JTRecord* record)
{
    if (record)
        FillRecord(*record);
    return WriteValue();
}

void JTSetItem::ApplySuitability()
{
    suits_ = SuitsRunningWindows();
    JTRowControl* row = GetControl();
    if (!row)
        return;
    const int mode = Settings().NotSuitShow;
    row->SetVisible(suits_ || mode != 1);
    row->SetEnabled(suits_ || (mode != 0 && mode != 1 && UnsuitedRowEnabledInOtherModes()));
}

void JTSetItem::SetParentArea(HWND area)
{
    parentArea_ = area;
    if (JTRowControl* row = GetControl())
        row->SetParentArea(area);
}

void JTSetItem::SetTextColor(Colour colour)
{
    if (JTRowControl* row = GetControl())
        row->SetTextColour(colour);
}

std::string JTSetItem::StateText()
{
    if (!OSType.SuitsRunningWindows())
        return "(not for this Windows)";
    if (!EditionSuits(iEditions, OSEdition))
        return "(" + EditionsText(iEditions) + " only)";
    if (!valueStored_ && !IsModified())
        return "(not set)";
    return ValueText(iRegType, GetNewValue());
}

std::string JTSetItem::UnsuitedReason() const
{
    if (!OSType.SuitsRunningWindows())
        return "This setting is not for this version of Windows.";
    if (!EditionSuits(iEditions, OSEdition))
        return "This setting works only on the " + EditionsText(iEditions) + " editions of Windows.";
    return std::string();
}

std::string JTSetItem::RegistryPath() const
{
    return RootName(iRegRoot) + "\\" + sSubKey + "\\" + sDataName;
}

// ---------------------------------------------------------------- JTRowControl

namespace {
const char kRowClass[] = "KeltRowControl";
const UINT_PTR kMouseSubclassId = 0x4B4D;  // 'KM'
}

JTRowControl::JTRowControl() = default;

JTRowControl::~JTRowControl()
{
    Destroy();
}

void JTRowControl::SetParentArea(HWND parent)
{
    if (parent == parent_ && (Handle() || !parent))
        return;
    parent_ = parent;
    if (!parent) {
        Destroy();
        return;
    }
    FollowScale(ui::DpiOf(parent));
    if (Handle()) {
        ::SetParent(Handle(), parent);
        Sync();
        return;
    }
    RegisterWindowClass(kRowClass, 0, nullptr);
    const DWORD style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (visible_ ? WS_VISIBLE : 0) |
                        (enabled_ ? 0 : WS_DISABLED);
    if (!Create(kRowClass, caption_, style, WS_EX_CONTROLPARENT, left_, top_, width_, height_, parent))
        return;
    CreateChildren();
    Sync();
}

void JTRowControl::Sync()
{
    if (!Handle())
        return;
    ::SetWindowPos(Handle(), nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
    ::EnableWindow(Handle(), enabled_);
    UpdateView();
    ::ShowWindow(Handle(), visible_ ? SW_SHOWNA : SW_HIDE);
    Repaint();
}

void JTRowControl::Repaint()
{
    if (Handle())
        ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void JTRowControl::SetBounds(int left, int top, int width, int height)
{
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (Handle()) {
        ::SetWindowPos(Handle(), nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
        UpdateView();
    }
}

int JTRowControl::RowDpi() const
{
    return dpi_ > 0 ? dpi_ : ui::ScreenDpi();
}

int JTRowControl::ScaleRow(int pixels) const
{
    return ui::ScaleFor(pixels, RowDpi());
}

void JTRowControl::FollowScale(int dpi)
{
    const int from = RowDpi();
    if (dpi <= 0 || dpi == from)
        return;
    auto scaled = [&](int value) { return ::MulDiv(value, dpi, from); };
    dpi_ = dpi;
    SetBounds(scaled(left_), scaled(top_), scaled(width_), scaled(height_));
    if (Handle())
        Repaint();
}

HFONT JTRowControl::RowFont() const
{
    return font_ ? font_ : ui::DefaultFontFor(RowDpi());
}

void JTRowControl::OnDpiChanged(int dpi, const RECT* suggested)
{
    FollowScale(dpi);
    ui::Window::OnDpiChanged(dpi, suggested);
}

void JTRowControl::SetPosition(int left, int top)
{
    SetBounds(left, top, width_, height_);
}

void JTRowControl::SetSize(int width, int height)
{
    SetBounds(left_, top_, width, height);
}

void JTRowControl::SetVisible(bool visible)
{
    visible_ = visible;
    if (Handle())
        ::ShowWindow(Handle(), visible_ ? SW_SHOWNA : SW_HIDE);
}

void JTRowControl::SetEnabled(bool enabled)
{
    enabled_ = enabled;
    if (Handle()) {
        ::EnableWindow(Handle(), enabled_);
        UpdateView();
        Repaint();
    }
}

void JTRowControl::SetCaption(const std::string& caption)
{
    caption_ = caption;
    if (Handle()) {
        ::SetWindowTextA(Handle(), caption_.c_str());
        UpdateView();
        Repaint();
    }
}

void JTRowControl::SetHint(const std::string& hint)
{
    hint_ = hint;
    if (Handle())
        UpdateView();
}

void JTRowControl::SetBackColour(Colour colour)
{
    back_ = colour;
    ownBack_ = true;
    if (Handle())
        Repaint();
}

void JTRowControl::SetTextColour(Colour colour)
{
    text_ = colour;
    if (Handle())
        Repaint();
}

void JTRowControl::SetFont(HFONT font)
{
    font_ = font;
    if (Handle()) {
        UpdateView();
        Repaint();
    }
}

HBRUSH JTRowControl::BackBrush()
{
    // System colours can change while the program runs; follow the resolved value.
    const COLORREF rgb = ui::ResolveColour(back_);
    if (!brush_ || rgb != brushRgb_) {
        brush_.reset(::CreateSolidBrush(rgb));
        brushRgb_ = rgb;
    }
    return brush_.get();
}

void JTRowControl::Focus()
{
    if (CanFocus())
        ::SetFocus(FocusControl());
}

bool JTRowControl::HasFocus() const
{
    HWND control = FocusControl();
    return control && ::GetFocus() == control;
}

bool JTRowControl::CanFocus() const
{
    HWND control = FocusControl();
    return control && ::IsWindowVisible(control) && ::IsWindowEnabled(control);
}

void JTRowControl::WatchMouse(HWND child)
{
    ::SetWindowSubclass(child, ChildProc, kMouseSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK JTRowControl::ChildProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data)
{
    auto* self = reinterpret_cast<JTRowControl*>(data);
    switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_XBUTTONDOWN:
    case WM_XBUTTONDBLCLK:
        // The child's own procedure runs outside the window base: report errors here.
        try {
            self->OnChildMouse(hwnd, message, wParam, lParam);
        } catch (const std::exception& error) {
            ui::ReportError(error, hwnd);
        } catch (...) {
            ui::ReportUnknownError(hwnd);
        }
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(hwnd, ChildProc, id);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

void JTRowControl::OnChildMouse(HWND, UINT message, WPARAM, LPARAM)
{
    if (message == WM_MOUSEMOVE && OnMouseMove)
        OnMouseMove(*this);
}

LRESULT JTRowControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MOUSEMOVE && OnMouseMove)
        OnMouseMove(*this);
    return Window::HandleMessage(message, wParam, lParam);
}

void JTRowControl::PaintBackground(HWND window, HDC dc, const RECT& area)
{
    RECT rc = area;
    if (!ownBack_ && parent_ && ::DrawThemeParentBackground(window, dc, &rc) == S_OK)
        return;
    ::FillRect(dc, &area, BackBrush());
}

bool JTRowControl::OnEraseBackground(HDC dc)
{
    RECT client;
    ::GetClientRect(Handle(), &client);
    PaintBackground(Handle(), dc, client);
    return true;
}

bool JTRowControl::OnCtlColor(UINT message, HDC dc, HWND control, LRESULT& result)
{
    if (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX)
        return false;
    ::SetTextColor(dc, ::IsWindowEnabled(control) ? ui::ResolveColour(text_) : ::GetSysColor(COLOR_GRAYTEXT));
    if (!ownBack_) {
        // Let the child paint on whatever lies beneath the row.
        RECT rc;
        ::GetClientRect(control, &rc);
        PaintBackground(control, dc, rc);
        ::SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
        return true;
    }
    ::SetBkColor(dc, ui::ResolveColour(back_));
    result = reinterpret_cast<LRESULT>(BackBrush());
    return true;
}

bool JTSetItem::ReadStoredValue(std::string& text)
{
    TRegistry registry(KEY_READ);
    registry.SetRootKey(RootKeyFromCode(iRegRoot));
    valueStored_ = registry.OpenKey(sSubKey, false) && registry.ValueExists(sDataName);
    if (!valueStored_)
        return true;
    try {
        return ReadRegValue(registry, iRegType, sDataName, text);
    } catch (const RegistryError&) {
        // Data of the right type that cannot be read as such (a REG_DWORD of 2 bytes) is one
        // odd value: the item treats it like a type mismatch instead of failing the catalogue.
        return false;
    }
}

bool JTSetItem::WriteStoredValue(const std::string& text)
{
    const HKEY root = RootKeyFromCode(iRegRoot);
    const bool deletes = bAutoCreate && text == GetDefaultValue();
    // Made before the key is opened and gone after it is closed.
    JTCreatedKeyGuard created(root, sSubKey, bAutoCreate && !deletes);
    TRegistry registry(KEY_READ | KEY_WRITE);
    registry.SetRootKey(root);
    // An auto-create item's default value stands for the absent value (as the record file has
    // it): writing it deletes the value, so a policy goes back to "not configured" instead of
    // being forced into its other state.
    if (deletes) {
        if (!registry.OpenKey(sSubKey, false)) {
            // A missing key holds no value: nothing to delete. A key that is there but may not
            // be changed still holds the value: that is no success.
            TRegistry reader(KEY_READ);
            reader.SetRootKey(root);
            return !reader.KeyExists(sSubKey);
        }
        return DeleteRegValue(registry, iRegType, sDataName);
    }
    if (iRegType == 1)
        StrToInt(text);
    if (!registry.OpenKey(sSubKey, bAutoCreate))
        return false;
    if (!registry.ValueExists(sDataName) && !bAutoCreate)
        return false;
    const bool written = WriteRegValue(registry, iRegType, sDataName, text, bAutoCreate);
    registry.CloseKey();
    if (written)
        created.Keep();
    return written;
}

} // namespace kelt
