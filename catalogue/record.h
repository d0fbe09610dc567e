#pragma once
// One entry of a record file: where a value lives, what it held before an apply run and what
// the run wrote. Values are in the item text form (strings unchanged, DWORDs in signed
// decimal, binary data as raw bytes, one character per byte, any byte allowed).
//
// A record file is a table of nine columns, read and written by name: sDescribe,
// sDefaultVal (memo), bAutoCreate (boolean), iRegRoot (integer), sSubKey, sDataName (memo),
// iRegType (integer), sOldVal, sNewVal (BLOB). Restoring writes the old value back, redoing
// the new one.
#include <memory>
#include <string>
#include <vector>

namespace kelt {

class TXdbTable;

// What writing one value back did (or would do).
enum class JTWriteOutcome {
    KeyMissing,     // the key could not be opened (or created): nothing written
    NothingToDo,    // the value is missing and may not be created: nothing written
    Deleted,        // auto-create and the value equals the default: the value was removed
    Written,        // the value was written by its type
    Unusable,       // the row names no known root or type: nothing was touched
    AccessDenied,   // the key may not be changed by this user: nothing written
    OtherType,      // the value is stored with another type than the row's: left as it is
};

// The registry's present state of a record's value.
struct JTLiveValue {
    enum State { KeyMissing, ValueMissing, OtherType, Present, Unusable } state = KeyMissing;
    std::string value;       // item text form; only with Present
    std::string storedType;  // "REG_EXPAND_SZ" ...; only with OtherType
};

struct JTRecord {
    virtual ~JTRecord() = default;

    // Appends a row to an open record table and sets the nine columns from the fields. The
    // row is left being appended: the caller posts it. 0 without a table, else 1.
    virtual int SaveToTable(TXdbTable* table) const;
    // Sets the fields from the table's current row; 1. A missing column raises the table's
    // error.
    int LoadFromTable(TXdbTable& table);

    // WriteBack of the old / the new value.
    int Restore();
    int Redo();
    // 1 when the key could be opened (whether or not a value had to be written), else 0 (also
    // for an unusable row). Registry errors and a DWORD value that is no number raise.
    int WriteBack(bool oldValue);
    // The same, telling what happened.
    JTWriteOutcome WriteBackOutcome(bool oldValue);

    // What a replay in that direction writes: the value, or nothing but a deletion when the
    // value may be created and equals the default.
    const std::string& Target(bool oldValue) const { return oldValue ? sOldVal : sNewVal; }
    bool TargetDeletes(bool oldValue) const { return bAutoCreate && Target(oldValue) == sDefaultVal; }

    // Why the row cannot be used at all (its root is none of the five the program knows, or
    // its type none of 0, 1, 2); empty for a usable row. Such a row is never read or written.
    std::string UnusableReason() const;

    // Reads the value as it is in the registry now (read-only access).
    JTLiveValue ReadLive() const;
    // The registry type the row writes: "REG_SZ", "REG_DWORD", "REG_BINARY" (empty for an
    // unknown type code).
    std::string TypeName() const;
    // Whether a replay in that direction would leave the registry as it is.
    bool AlreadyAtTarget(bool oldValue) const;

    std::string sDescribe;
    std::string sOldVal;
    std::string sNewVal;
    std::string sDefaultVal;
    std::string sSubKey;
    std::string sDataName;
    int iRegRoot = 0;
    int iRegType = 0;
    bool bAutoCreate = true;
};

// Reads every row of a record file through `table`, in file order. A file that is not a table,
// or a table without the record columns, raises the table's error.
std::vector<std::unique_ptr<JTRecord>> ReadRecordFile(TXdbTable& table, const std::string& path);

} // namespace kelt
