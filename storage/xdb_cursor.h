#pragma once
// The in-memory table: field descriptors, the record list, and reading and writing the byte
// format. The whole table lives in memory; a file is parsed completely and written completely.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "storage/xdb_types.h"

namespace kelt {

using TXdbProgressEvent = std::function<void(int percent)>;

class TXdbCursor {
public:
    TXdbCursor() = default;

    // Structure.
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    const std::vector<TXdbField>& Fields() const { return fields_; }
    const TXdbField& Field(int index) const { return fields_.at(static_cast<std::size_t>(index)); }
    int FieldIndex(const std::string& name) const;  // -1 when absent
    const std::string& LayoutStr() const { return layout_; }
    std::uint32_t RecordWidth() const { return recordWidth_; }
    std::uint32_t MemWidth() const { return memWidth_; }

    const std::string& HeaderNote() const { return note_; }
    void SetHeaderNote(const std::string& note);  // at most 32767 characters

    bool PartialOpen() const { return partialOpen_; }
    void SetPartialOpen(bool value) { partialOpen_ = value; }
    void SetOnProgress(TXdbProgressEvent handler) { onProgress_ = std::move(handler); }

    // Records in file order; appended records come last. Hidden (deleted) ones stay in the list.
    std::vector<TXdbRecord>& Records() { return records_; }
    const std::vector<TXdbRecord>& Records() const { return records_; }
    // Bumped on every change of the record list or a record's status.
    std::uint64_t Generation() const { return generation_; }

    // A zero record of this table's width (all fields null), status xusInserted.
    TXdbRecord NewRecord() const;
    // Adds a posted new record at the end with status xusInserted; answers its index.
    std::size_t AppendRecord(TXdbRecord record);
    // Replaces a record's values with an edited copy (xusUnmodified turns into xusModified).
    void ModifyRecord(std::size_t index, const TXdbRecord& edited);
    // Hides a record: an inserted one becomes xusAbsent and loses its values, others xusDeleted.
    void DeleteRecord(std::size_t index);
    // Stable sort by the given fields; answers each record's new index by its old index.
    std::vector<std::size_t> SortRecords(const std::vector<int>& fieldIndexes);
    void ClearRecords();

    // Values of one record.
    static bool IsNull(const TXdbField& field, const TXdbRecord& record);
    // Bytes of a fixed-width field's slot (MemWidth bytes).
    static std::string_view SlotBytes(const TXdbField& field, const TXdbRecord& record);
    // Value of a string or BLOB-family field (whole value; a string stops at its first NUL).
    static std::string_view VarValue(const TXdbField& field, const TXdbRecord& record);
    // Value of a short string (the characters before the first NUL within the slot).
    static std::string_view SmallStrValue(const TXdbField& field, const TXdbRecord& record);
    static void SetFixed(const TXdbField& field, TXdbRecord& record, const void* bytes, std::size_t size);
    void SetVarValue(const TXdbField& field, TXdbRecord& record, std::string_view value) const;
    void SetSmallStr(const TXdbField& field, TXdbRecord& record, std::string_view value) const;
    void ClearValue(const TXdbField& field, TXdbRecord& record) const;

    // Writing: composes the whole table; the result is the stream length.
    std::int32_t SaveToStream(std::string& stream) const;
    // Onto a seekable stream positioned at 0, written in pieces of about bufferSize bytes
    // (0: record by record).
    std::int32_t SaveToStream(std::ostream& stream, std::size_t bufferSize = 1u << 20) const;

    // Reading. Each raises XdbError with the format's message (without any prefix). With
    // PartialOpen set, a failure among the records keeps what was read and is answered as the
    // warning text instead of raised; otherwise the answer is empty.
    std::string LoadFromStream(const char* data, std::size_t size);
    std::string LoadFromStream(const std::string& bytes) { return LoadFromStream(bytes.data(), bytes.size()); }
    // Header and layout only; answers the position after them and sets recordsDeclared.
    std::size_t LoadStruFromStream(const char* data, std::size_t size, std::int32_t& recordsDeclared);
    // Parses a layout string into field descriptors.
    void InitFieldDefs(const std::string& layout, std::int32_t fieldCount);
    // Reads one record at pos; answers false and the message when it is invalid or cut short.
    bool AddNewRecord(const char* data, std::size_t size, std::size_t& pos, std::string& error);

    // Creates an empty table with these columns (load mode lmClear).
    void CreateTable(const TFieldDefs& defs);
    // Host field definitions of the loaded columns.
    TFieldDefs MakeFieldDefs() const;

    static std::string PrepareLayoutStr(const TFieldDefs& defs);
    // Type part of a descriptor: the letter, "s" + size for xftString, one length character for
    // xftSmallStr; xftUnknown has none and answers "".
    static std::string GetCharType(TXdbFieldType type, std::uint16_t length);
    static TXdbFieldType GetFldType(TFieldType type, int size);
    static TFieldType GetHostType(TXdbFieldType type);

    // Halves-to-even rounding of num * 100 / den, as the progress callback reports it.
    static int ProgressPercent(std::int64_t num, std::int64_t den);

private:
    void AddField(TXdbField field);
    void ResetStructure();

    std::vector<TXdbField> fields_;
    std::string layout_;
    std::uint32_t recordWidth_ = 0;
    std::uint32_t memWidth_ = 0;
    std::vector<TXdbRecord> records_;
    std::string note_;
    bool partialOpen_ = false;
    TXdbProgressEvent onProgress_;
    std::uint64_t generation_ = 0;
};

} // namespace kelt
