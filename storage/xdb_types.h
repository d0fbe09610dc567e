#pragma once
// Basic types of the table engine: format constants, field and record types, the engine error
// and the field definitions a new table is created from.
#include <cstdint>
#include <string>
#include <vector>

#include "storage/error.h"

namespace kelt {

// Every failure of the table engine (reading, writing, field access, navigation).
class XdbError : public Error {
public:
    using Error::Error;
};

// Fixed values of the file format, independent of the platform's pointer size.
constexpr int SIZEINT = 4;   // integer header fields, 4-byte values, length prefixes
constexpr int SIZEDOUB = 8;  // floating values
constexpr int SIZEBOOL = 2;  // boolean values
constexpr int SIZECHAR = 4;  // value handle inside a string or BLOB slot
constexpr int MAXSLEN = 35;  // longest string kept inline as a short string
constexpr char FieldSeparator = '\x12';
constexpr char RecordSeparator = '\x14';

// Limits a reader accepts; values at or above them make a record invalid.
constexpr std::int32_t XdbStringLimit = 8192;
constexpr std::int32_t XdbBlobLimit = 1073741824;  // 2^30

// Engine field types; the ordinals are part of the format's description and never change.
enum TXdbFieldType : std::uint8_t {
    xftUnknown = 0,
    xftSmallInt = 1,
    xftInteger = 2,
    xftBoolean = 3,
    xftDouble = 4,
    xftCurrency = 5,
    xftDate = 6,
    xftTime = 7,
    xftDateTime = 8,
    xftAutoInc = 9,
    xftSmallStr = 10,
    xftString = 11,
    xftBlob = 12,
    xftMemo = 13,
    xftFmtMemo = 14,
    xftGraphic = 15,
};

enum TXdbUpdStatus : std::uint8_t {
    xusUnmodified = 0,
    xusModified = 1,
    xusInserted = 2,
    xusDeleted = 3,
    xusAbsent = 4,
};

// What opening a table does: create it empty from the field definitions, read the file named by
// the table name, share the records of another open dataset, or read caller-supplied bytes.
enum TXdbLoadMode { lmClear, lmFile, lmClone, lmStream };

// Save options, combined as bit flags in TXdbSaveOptions (none set by default).
enum TXdbSaveOption : unsigned {
    savAutoBackup = 1u << 0,   // copy the existing file to "<name>.~d" first
    savSortOnIndex = 1u << 1,  // write the records sorted by IndexFieldNames
    savSlowMode = 1u << 2,     // stream the records to the file instead of composing in memory
};
using TXdbSaveOptions = unsigned;

// Field types of the host data layer, used by field definitions and field accessors.
enum TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftDate,
    ftTime,
    ftDateTime,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftFmtMemo,
    ftGraphic,
};

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

// One column definition a table is created from (load mode lmClear).
struct TFieldDef {
    std::string Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;  // declared length of string fields, 0 otherwise
};

class TFieldDefs {
public:
    void Clear() { defs_.clear(); }
    TFieldDef& Add(const std::string& name, TFieldType type, int size = 0);
    int Count() const { return static_cast<int>(defs_.size()); }
    const TFieldDef& operator[](int index) const { return defs_.at(static_cast<std::size_t>(index)); }
    const TFieldDef* Find(const std::string& name) const;  // nullptr when absent
    std::vector<TFieldDef>::const_iterator begin() const { return defs_.begin(); }
    std::vector<TFieldDef>::const_iterator end() const { return defs_.end(); }

private:
    std::vector<TFieldDef> defs_;
};

// A column of a table as the layout string describes it.
struct TXdbField {
    std::string Name;           // text after the first "." of the name part
    std::string Alias = "XXX";  // text before it; carried, not used for access
    std::uint16_t Width = 0;    // slot width in the format's terms
    std::uint16_t Length = 0;   // declared length of string types, 0 otherwise
    std::uint32_t Offset = 0;   // sum of the slot widths of all earlier fields
    TXdbFieldType Type = xftUnknown;
    bool Numeric = false;
    // Where the value lives in this engine's in-memory record (not part of the format).
    std::uint32_t MemOffset = 0;
    std::uint16_t MemWidth = 0;
};

// Slot width of an engine type (for xftSmallStr: declared length + 1).
std::uint16_t XdbSlotWidth(TXdbFieldType type, std::uint16_t length);
bool XdbIsBlobType(TXdbFieldType type);      // xftBlob, xftMemo, xftFmtMemo, xftGraphic
bool XdbIsVariableType(TXdbFieldType type);  // xftString and the BLOB family
bool XdbIsNumericType(TXdbFieldType type);

// One record in memory: the fixed-width values in slots at each field's MemOffset, followed by
// the bytes of the variable-length values. A variable-length slot holds the 32-bit position of
// its bytes inside Data and their 32-bit length. A field is null exactly when its slot is all
// zero bytes. One allocation per record keeps loading large tables cheap.
class TXdbRecord {
public:
    TXdbUpdStatus UpdStatus = xusUnmodified;
    std::string Data;

    bool IsHidden() const { return UpdStatus == xusDeleted || UpdStatus == xusAbsent; }
};

} // namespace kelt
