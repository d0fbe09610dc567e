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

// The stored type a row of type code `type` reads and writes.
TRegDataType DataTypeOfRow(int type)
{
    switch (type) {
    case 0: return rdString;
    case 1: return rdInteger;
    default: return rdBinary;
    }
}

std::string StoredTypeName(TRegDataType type)
{
    switch (type) {
    case rdString: return "REG_SZ";
    case rdExpandString: return "REG_EXPAND_SZ";
    case rdInteger: return "REG_DWORD";
    case rdBinary: return "REG_BINARY";
    default: return "another type";
    }
}

} // namespace

std::vector<std::unique_ptr<JTRecord>> ReadRecordFile(TXdbTable& table, const std::string& path)
{
    std::vector<std::unique_ptr<JTRecord>> rows;
    try {
        table.SetTableName(path);
        table.SetLoadMode(lmFile);
        table.LoadFromFile(path);
        for (table.First(); !table.Eof(); table.Next()) {
            auto record = std::make_unique<JTRecord>();
            record->LoadFromTable(table);
            rows.push_back(std::move(record));
        }
    } catch (...) {
        table.Close();
        throw;
    }
    table.Close();
    return rows;
}

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
    return outcome == JTWriteOutcome::KeyMissing || outcome == JTWriteOutcome::Unusable ||
                   outcome == JTWriteOutcome::AccessDenied
               ? 0
               : 1;
}

std::string JTRecord::TypeName() const
{
    switch (iRegType) {
    case 0: return "REG_SZ";
    case 1: return "REG_DWORD";
    case 2: return "REG_BINARY";
    default: return std::string();
    }
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
    if (iRegType == 1)
        StrToInt(value);

    const HKEY root = RootKeyFromCode(iRegRoot);
    // A key made for a value that then cannot be written goes again.
    JTCreatedKeyGuard created(root, sSubKey, bAutoCreate && !TargetDeletes(oldValue));
    TRegistry registry(KEY_READ | KEY_WRITE);
    registry.SetRootKey(root);
    const auto notOpened = [] {
        return ::GetLastError() == ERROR_ACCESS_DENIED ? JTWriteOutcome::AccessDenied : JTWriteOutcome::KeyMissing;
    };
    if (TargetDeletes(oldValue)) {
        // Nothing to remove from a key that is not there; creating it just to delete would
        // leave an empty key behind.
        if (!registry.OpenKey(sSubKey, false)) {
            const JTWriteOutcome why = notOpened();
            if (why == JTWriteOutcome::AccessDenied)
                return why;
            return registry.KeyExists(sSubKey) ? JTWriteOutcome::KeyMissing : JTWriteOutcome::Deleted;
        }
        // A value of another type is not the one the row stands for: it stays.
        if (registry.ValueExists(sDataName) && registry.GetDataType(sDataName) != DataTypeOfRow(iRegType))
            return JTWriteOutcome::OtherType;
        if (!DeleteRegValue(registry, iRegType, sDataName))
            throw RegistryError("Failed to delete '" + sDataName + "'");
        return JTWriteOutcome::Deleted;
    }
    if (!registry.OpenKey(sSubKey, bAutoCreate))
        return notOpened();
    if (!bAutoCreate && !registry.ValueExists(sDataName))
        return JTWriteOutcome::NothingToDo;
    // Never turns a value of another type into the row's: a reader of that value expects its
    // own type.
    if (!WriteRegValue(registry, iRegType, sDataName, value, true))
        return JTWriteOutcome::OtherType;
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
    if (live.state != JTLiveValue::Present) {
        live.value.clear();
        live.storedType = StoredTypeName(registry.GetDataType(sDataName));
    }
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
