#include "catalogue/record.h"

#include <windows.h>

#include <cstdlib>

#include "catalogue/platform/int_text.h"
#include "catalogue/platform/registry.h"
#include "catalogue/set_item.h"
#include "storage/utf8_text.h"
#include "storage/xdb_table.h"

namespace kelt {

namespace {

// Text of a record written before the program ran in UTF-8: the single-byte text of the
// system's ANSI code page then. Text that reads as UTF-8 is taken as it is.
std::string TextOfRecord(std::string text)
{
    if (::GetACP() != CP_UTF8 || IsUtf8(text))
        return text;
    char number[8] = {};
    if (!::GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, number, sizeof number))
        return text;
    const UINT legacy = static_cast<UINT>(std::strtoul(number, nullptr, 10));
    if (legacy == 0 || legacy == CP_UTF8)
        return text;
    const int size = static_cast<int>(text.size());
    const int wideLength = ::MultiByteToWideChar(legacy, 0, text.data(), size, nullptr, 0);
    if (wideLength <= 0)
        return text;
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(legacy, 0, text.data(), size, &wide[0], wideLength);
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return text;
    std::string converted(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, &converted[0], length, nullptr, nullptr);
    return converted;
}

} // namespace

int JTRecord::SaveToTable(TXdbTable* table) const
{
    if (!table)
        return 0;
    TXdbTable& t = *table;
    t.Append();
    t.FieldByName("sDescribe").SetAsString(sDescribe);
    t.FieldByName("iRegType").SetAsInteger(iRegType);
    t.FieldByName("iRegRoot").SetAsInteger(iRegRoot);
    t.FieldByName("sSubKey").SetAsString(sSubKey);
    t.FieldByName("sDataName").SetAsString(sDataName);
    t.FieldByName("sOldVal").SetAsString(sOldVal);
    t.FieldByName("sNewVal").SetAsString(sNewVal);
    t.FieldByName("sDefaultVal").SetAsString(sDefaultVal);
    t.FieldByName("bAutoCreate").SetAsBoolean(bAutoCreate);
    return 1;
}

int JTRecord::LoadFromTable(TXdbTable& table)
{
    sDescribe = table.FieldByName("sDescribe").AsString();
    sOldVal = table.FieldByName("sOldVal").AsString();
    sNewVal = table.FieldByName("sNewVal").AsString();
    sDefaultVal = table.FieldByName("sDefaultVal").AsString();
    sSubKey = table.FieldByName("sSubKey").AsString();
    sDataName = table.FieldByName("sDataName").AsString();
    iRegRoot = table.FieldByName("iRegRoot").AsInteger();
    iRegType = table.FieldByName("iRegType").AsInteger();
    bAutoCreate = table.FieldByName("bAutoCreate").AsBoolean();
    // Names and string values of an older record; binary values are bytes, not text.
    for (std::string* text : {&sDescribe, &sSubKey, &sDataName})
        *text = TextOfRecord(std::move(*text));
    if (iRegType == 0)
        for (std::string* text : {&sOldVal, &sNewVal, &sDefaultVal})
            *text = TextOfRecord(std::move(*text));
    return 1;
}

int JTRecord::Restore()
{
    return WriteBack(true);
}

int JTRecord::Redo()
{
    return WriteBack(false);
}

int JTRecord::WriteBack(bool oldValue)
{
    const JTWriteOutcome outcome = WriteBackOutcome(oldValue);
    return outcome == JTWriteOutcome::KeyMissing || outcome == JTWriteOutcome::Unusable ? 0 : 1;
}

std::string JTRecord::UnusableReason() const
{
    if (RootName(iRegRoot).empty())
        return "the registry root is not known";
    if (iRegType < 0 || iRegType > 2)
        return "the value type " + std::to_string(iRegType) + " is not known";
    return std::string();
}

JTWriteOutcome JTRecord::WriteBackOutcome(bool oldValue)
{
    if (!UnusableReason().empty())
        return JTWriteOutcome::Unusable;
    const std::string& value = Target(oldValue);
    // A DWORD that is no number fails before anything (a created key included) changes.
    int number = 0;
    if (iRegType == 1)
        number = StrToInt(value);

    const HKEY root = RootKeyFromCode(iRegRoot);
    // A key made for a value that then cannot be written goes again.
    JTCreatedKeyGuard created(root, sSubKey, bAutoCreate && !TargetDeletes(oldValue));
    TRegistry registry(KEY_READ | KEY_WRITE);
    registry.SetRootKey(root);
    if (TargetDeletes(oldValue)) {
        // Nothing to remove from a key that is not there; creating it just to delete would
        // leave an empty key behind.
        if (!registry.OpenKey(sSubKey, false))
            return registry.KeyExists(sSubKey) ? JTWriteOutcome::KeyMissing : JTWriteOutcome::Deleted;
        if (registry.ValueExists(sDataName) && !registry.DeleteValue(sDataName))
            throw RegistryError("Failed to delete '" + sDataName + "'");
        return JTWriteOutcome::Deleted;
    }
    if (!registry.OpenKey(sSubKey, bAutoCreate))
        return JTWriteOutcome::KeyMissing;
    if (!bAutoCreate && !registry.ValueExists(sDataName))
        return JTWriteOutcome::NothingToDo;
    switch (iRegType) {
    case 0:
        registry.WriteString(sDataName, value);
        break;
    case 1:
        registry.WriteInteger(sDataName, number);
        break;
    default:
        registry.WriteBinaryData(sDataName, value);
        break;
    }
    registry.CloseKey();
    created.Keep();
    return JTWriteOutcome::Written;
}

JTLiveValue JTRecord::ReadLive() const
{
    JTLiveValue live;
    if (!UnusableReason().empty()) {
        live.state = JTLiveValue::Unusable;
        return live;
    }
    TRegistry registry(KEY_READ);
    registry.SetRootKey(RootKeyFromCode(iRegRoot));
    if (!registry.OpenKey(sSubKey, false))
        return live;
    if (!registry.ValueExists(sDataName)) {
        live.state = JTLiveValue::ValueMissing;
        return live;
    }
    try {
        live.state = ReadRegValue(registry, iRegType, sDataName, live.value) ? JTLiveValue::Present
                                                                              : JTLiveValue::OtherType;
    } catch (const RegistryError&) {
        // Data of the right type that cannot be read as such (a REG_DWORD of 2 bytes).
        live.state = JTLiveValue::OtherType;
    }
    if (live.state != JTLiveValue::Present)
        live.value.clear();
    return live;
}

bool JTRecord::AlreadyAtTarget(bool oldValue) const
{
    const JTLiveValue live = ReadLive();
    if (TargetDeletes(oldValue))
        return live.state == JTLiveValue::KeyMissing || live.state == JTLiveValue::ValueMissing;
    return live.state == JTLiveValue::Present && live.value == Target(oldValue);
}

} // namespace kelt
