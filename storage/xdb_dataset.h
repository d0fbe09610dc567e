#pragma once
// The dataset layer over an in-memory table: navigation, field access, posting and saving
// (TXdbDataset), the table object the program holds (TXdbTable) and streams over memo and BLOB
// values (TXdbBlobStream).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "storage/xdb_cursor.h"
#include "storage/xdb_types.h"

namespace kelt {

class TXdbDataset;

// Access to one column of the dataset's current record (or of the record being edited).
// Owned by the dataset; valid while the dataset stays open.
class TField {
public:
    TField(TXdbDataset& dataset, int index);
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    const std::string& FieldName() const;
    int Index() const { return index_; }
    TFieldType DataType() const;
    TXdbFieldType XdbType() const;
    int Size() const;  // declared length of string fields, 0 otherwise
    bool IsBlob() const;
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }

    bool IsNull() const;
    void Clear();

    // Memo and BLOB fields: the whole value, byte for byte.
    std::string AsString() const;
    void SetAsString(const std::string& value);
    std::int32_t AsInteger() const;
    void SetAsInteger(std::int32_t value);
    bool AsBoolean() const;
    void SetAsBoolean(bool value);
    double AsFloat() const;
    void SetAsFloat(double value);

private:
    friend class TXdbBlobStream;
    const TXdbField& Def() const;
    TXdbRecord& WritableRecord();  // raises when the dataset is not appending or editing

    TXdbDataset& dataset_;
    int index_;
    bool readOnly_ = false;
};

// Reports a warning the engine does not raise (a partly read table). Storage has no user
// interface; the program installs a handler that shows a warning box.
using XdbWarningHandler = std::function<void(const std::string& message)>;
// Installs a handler and answers the previous one. The default ignores warnings.
XdbWarningHandler SetXdbWarningHandler(XdbWarningHandler handler);

class TXdbDataset {
public:
    TXdbDataset();
    virtual ~TXdbDataset();
    TXdbDataset(const TXdbDataset&) = delete;
    TXdbDataset& operator=(const TXdbDataset&) = delete;

    void Open();
    void Close();
    bool Active() const { return state_ != dsInactive; }
    void SetActive(bool value) { value ? Open() : Close(); }
    TDataSetState State() const { return state_; }

    TFieldDefs& FieldDefs() { return fieldDefs_; }
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    TField& Fields(int index);
    TField& FieldByName(const std::string& name);  // raises "Field 'NAME' not found"
    TField* FindField(const std::string& name);    // nullptr when absent

    // Navigation over the visible (not deleted) records.
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance);
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    bool IsEmpty() const;
    int RecordCount() const;
    int RecNo() const;  // 1-based; 0 when there is no current record
    void SetRecNo(int value);  // clamped to 1..RecordCount
    TXdbUpdStatus UpdateStatus() const;  // of the current record

    // Editing. Append and Insert both add at the end when posted.
    void Append();
    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    // Edits, inserts and deletes started since opening and not cancelled.
    int EditCount() const { return editCount_; }

    // Writes the posted records (a pending append or edit is not part of it).
    void SaveToFile(const std::string& path);
    // The file bytes SaveToFile would write.
    std::string SaveToString();
    TXdbSaveOptions SaveOptions() const { return saveOptions_; }
    void SetSaveOptions(TXdbSaveOptions options) { saveOptions_ = options; }
    // Field names, separated by ";", that savSortOnIndex sorts by.
    const std::string& IndexFieldNames() const { return indexFieldNames_; }
    void SetIndexFieldNames(const std::string& names) { indexFieldNames_ = names; }

    bool PartialOpen() const { return partialOpen_; }
    void SetPartialOpen(bool value) { partialOpen_ = value; }
    void SetOnProgress(TXdbProgressEvent handler) { onProgress_ = std::move(handler); }

    // The in-memory table; nullptr while closed.
    TXdbCursor* Cursor() { return cursor_.get(); }
    const TXdbCursor* Cursor() const { return cursor_.get(); }
    std::shared_ptr<TXdbCursor> SharedCursor() const { return cursor_; }

protected:
    // Builds the in-memory table for Open; raises XdbError on failure.
    virtual std::shared_ptr<TXdbCursor> CreateCursor() = 0;
    void CheckActive() const;
    // Posts a modified pending append or edit, cancels an untouched one.
    void CheckBrowseMode();
    const TXdbProgressEvent& OnProgress() const { return onProgress_; }

private:
    friend class TField;
    friend class TXdbBlobStream;

    void SyncVisible() const;
    void SetPosition(long position);
    const TXdbRecord* CurrentRecord() const;  // record shown to fields; nullptr when none

    std::shared_ptr<TXdbCursor> cursor_;
    TFieldDefs fieldDefs_;
    std::vector<std::unique_ptr<TField>> fields_;
    TDataSetState state_ = dsInactive;

    mutable std::vector<std::size_t> visible_;  // record list indexes of the visible records
    mutable std::uint64_t visibleGeneration_ = 0;
    mutable long position_ = -1;                // index into visible_, -1 when none
    mutable std::size_t currentIndex_ = 0;      // record list index of the current record
    bool eof_ = true;
    bool bof_ = true;

    TXdbRecord editBuffer_;
    std::size_t editIndex_ = 0;
    bool modified_ = false;  // a field was written since Append or Edit
    int editCount_ = 0;

    TXdbSaveOptions saveOptions_ = 0;
    std::string indexFieldNames_;
    bool partialOpen_ = false;
    TXdbProgressEvent onProgress_;
};

class TXdbTable : public TXdbDataset {
public:
    TXdbTable() = default;
    ~TXdbTable() override;

    const std::string& TableName() const { return tableName_; }
    // Closes an open table; a non-empty name selects lmFile, an empty one lmClear.
    void SetTableName(const std::string& name);
    TXdbLoadMode LoadMode() const { return loadMode_; }
    void SetLoadMode(TXdbLoadMode mode);  // closes an open table

    // Closes, sets the table name to path and opens it; raises XdbError and stays closed on failure.
    void LoadFromFile(const std::string& path);
    // Posts a pending append or edit, then saves to TableName when the table came from a file
    // and was changed since opening. Answers whether it saved.
    bool ApplyUpdates();

    // Source of lmClone (an open dataset whose records are shared) and of lmStream (file bytes).
    void SetCloneSource(TXdbDataset* source) { cloneSource_ = source; }
    void SetStream(std::string bytes) { stream_ = std::move(bytes); }

protected:
    std::shared_ptr<TXdbCursor> CreateCursor() override;

private:
    std::shared_ptr<TXdbCursor> ReadTable(const char* data, std::size_t size);

    std::string tableName_;
    TXdbLoadMode loadMode_ = lmClear;
    TXdbDataset* cloneSource_ = nullptr;
    std::string stream_;
};

// A byte stream over a memo or BLOB field of the current record. For reading it yields the
// stored bytes; for writing it starts empty and stores what was written when closed or
// destroyed (the dataset must be appending or editing when the stream is created).
class TXdbBlobStream {
public:
    TXdbBlobStream(TXdbDataset& dataset, const std::string& fieldName, TBlobStreamMode mode);
    TXdbBlobStream(TField& field, TBlobStreamMode mode);
    ~TXdbBlobStream();
    TXdbBlobStream(const TXdbBlobStream&) = delete;
    TXdbBlobStream& operator=(const TXdbBlobStream&) = delete;

    std::size_t Size() const { return data_.size(); }
    std::size_t Position() const { return position_; }
    void Seek(std::size_t position);
    std::size_t Read(void* buffer, std::size_t count);
    std::string ReadAll();  // from the current position to the end
    void Write(const void* buffer, std::size_t count);
    void Write(const std::string& bytes) { Write(bytes.data(), bytes.size()); }
    void Truncate();
    // Stores written bytes now (done by the destructor otherwise).
    void Close();

private:
    TField& field_;
    TBlobStreamMode mode_;
    std::string data_;
    std::size_t position_ = 0;
    bool modified_ = false;
    bool closed_ = false;
};

} // namespace kelt
