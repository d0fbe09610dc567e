#include "storage/xdb_dataset.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <ostream>

#include "storage/utf8_text.h"
#include "storage/xdb_file.h"

namespace kelt {

namespace {

XdbWarningHandler& WarningHandler() {
    static XdbWarningHandler handler;
    return handler;
}

[[noreturn]] void ClosedDataset() {
    throw XdbError("Cannot perform this operation on a closed dataset");
}

bool IsEditing(TDataSetState state) { return state == dsEdit || state == dsInsert; }

std::string Trimmed(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return std::string();
    std::size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

bool ParseInt64(const std::string& text, long long& value) {
    std::string s = Trimmed(text);
    if (s.empty()) return false;
    std::size_t i = (s[0] == '+' || s[0] == '-') ? 1 : 0;
    if (i == s.size()) return false;
    unsigned long long v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + static_cast<unsigned>(s[i] - '0');
        if (v > 0x80000000ull * 0x10000ull) return false;  // far beyond any 32-bit value
    }
    value = s[0] == '-' ? -static_cast<long long>(v) : static_cast<long long>(v);
    return true;
}

bool ParseDouble(const std::string& text, double& value) {
    std::string s = Trimmed(text);
    if (s.empty()) return false;
    char* end = nullptr;
    value = std::strtod(s.c_str(), &end);
    return end == s.c_str() + s.size();
}

std::string FormatFloat(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    if (std::strtod(buf, nullptr) != v && !std::isnan(v)) std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

// Day numbers count from 1 for 1 January of year 1 (proleptic Gregorian calendar).
constexpr long long kDaysBefore1970 = 719162;

void CivilFromDayNumber(long long day, long long& y, unsigned& m, unsigned& d) {
    long long z = day - 1 - kDaysBefore1970 + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
}

long long DayNumberFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468 + kDaysBefore1970 + 1;
}

std::string FormatDate(long long day) {
    long long y;
    unsigned m, d;
    CivilFromDayNumber(day, y, m, d);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u", y, m, d);
    return buf;
}

std::string FormatTime(long long ms) {
    const long long day = 86400000;
    ms = ((ms % day) + day) % day;
    char buf[40];
    const long long s = ms / 1000;
    if (ms % 1000 != 0)
        std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld.%03lld", s / 3600, s / 60 % 60, s % 60, ms % 1000);
    else
        std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return buf;
}

bool ParseDate(const std::string& s, long long& day) {
    long long y = 0;
    unsigned m = 0, d = 0;
    int used = 0;
    if (std::sscanf(s.c_str(), "%lld-%u-%u%n", &y, &m, &d, &used) != 3 || used != static_cast<int>(s.size()))
        return false;
    if (m < 1 || m > 12 || d < 1 || d > 31) return false;
    day = DayNumberFromCivil(y, m, d);
    long long yy;
    unsigned mm, dd;
    CivilFromDayNumber(day, yy, mm, dd);
    return yy == y && mm == m && dd == d;
}

bool ParseTime(const std::string& s, long long& ms) {
    unsigned h = 0, mi = 0, sec = 0, milli = 0;
    int used = 0;
    if (std::sscanf(s.c_str(), "%u:%u:%u%n", &h, &mi, &sec, &used) != 3) return false;
    if (used != static_cast<int>(s.size())) {
        int more = 0;
        if (std::sscanf(s.c_str() + used, ".%3u%n", &milli, &more) != 1 || used + more != static_cast<int>(s.size()))
            return false;
    }
    if (h > 23 || mi > 59 || sec > 59) return false;
    ms = ((h * 60LL + mi) * 60 + sec) * 1000 + milli;
    return true;
}

std::int32_t SlotInt32(std::string_view slot) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(slot[static_cast<std::size_t>(i)]);
    return static_cast<std::int32_t>(v);
}

std::int16_t SlotInt16(std::string_view slot) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<unsigned char>(slot[0]) |
                                                                (static_cast<unsigned char>(slot[1]) << 8)));
}

double SlotDouble(std::string_view slot) {
    double v;
    std::memcpy(&v, slot.data(), 8);
    return v;
}

void LittleEndian(char* out, std::uint64_t v, int size) {
    for (int i = 0; i < size; ++i) out[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

} // namespace

XdbWarningHandler SetXdbWarningHandler(XdbWarningHandler handler) {
    XdbWarningHandler previous = std::move(WarningHandler());
    WarningHandler() = std::move(handler);
    return previous;
}

// ---------------------------------------------------------------------------------------------
// TField

TField::TField(TXdbDataset& dataset, int index) : dataset_(dataset), index_(index) {}

const TXdbField& TField::Def() const {
    if (!dataset_.cursor_) ClosedDataset();
    return dataset_.cursor_->Field(index_);
}

const std::string& TField::FieldName() const { return Def().Name; }
TXdbFieldType TField::XdbType() const { return Def().Type; }
TFieldType TField::DataType() const { return TXdbCursor::GetHostType(Def().Type); }
bool TField::IsBlob() const { return XdbIsBlobType(Def().Type); }

int TField::Size() const {
    const TXdbField& def = Def();
    return (def.Type == xftSmallStr || def.Type == xftString) ? def.Length : 0;
}

TXdbRecord& TField::WritableRecord() {
    if (!IsEditing(dataset_.state_)) throw XdbError("Table is not in edit or insert mode");
    if (readOnly_) throw XdbError("Field '" + FieldName() + "' is read only!");
    dataset_.modified_ = true;
    return dataset_.editBuffer_;
}

bool TField::IsNull() const {
    const TXdbRecord* record = dataset_.CurrentRecord();
    return !record || TXdbCursor::IsNull(Def(), *record);
}

void TField::Clear() {
    const TXdbField& def = Def();
    dataset_.cursor_->ClearValue(def, WritableRecord());
}

std::string TField::AsString() const {
    const TXdbField& def = Def();
    const TXdbRecord* record = dataset_.CurrentRecord();
    if (!record || TXdbCursor::IsNull(def, *record)) return std::string();
    std::string_view slot = TXdbCursor::SlotBytes(def, *record);
    switch (def.Type) {
    case xftSmallStr: return std::string(TXdbCursor::SmallStrValue(def, *record));
    case xftString:
    case xftBlob:
    case xftMemo:
    case xftFmtMemo:
    case xftGraphic: return std::string(TXdbCursor::VarValue(def, *record));
    case xftSmallInt: return std::to_string(SlotInt16(slot));
    case xftInteger:
    case xftAutoInc: return std::to_string(SlotInt32(slot));
    case xftBoolean: return SlotInt16(slot) != 0 ? "True" : "False";
    case xftDouble:
    case xftCurrency: return FormatFloat(SlotDouble(slot));
    case xftDate: return FormatDate(SlotInt32(slot));
    case xftTime: return FormatTime(SlotInt32(slot));
    case xftDateTime: {
        const double v = SlotDouble(slot);
        // Beyond about a million years a calendar date means nothing; show the number.
        if (!(std::fabs(v) < 3.0e19)) return FormatFloat(v);
        const double day = std::floor(v / 86400000.0);
        return FormatDate(static_cast<long long>(day)) + " " +
               FormatTime(static_cast<long long>(std::llround(v - day * 86400000.0)));
    }
    case xftUnknown: break;
    }
    return std::string();
}

void TField::SetAsString(const std::string& value) {
    const TXdbField& def = Def();
    TXdbRecord& record = WritableRecord();
    TXdbCursor& cursor = *dataset_.cursor_;
    switch (def.Type) {
    case xftSmallStr: cursor.SetSmallStr(def, record, value); return;
    case xftString:
        // A string field holds at most its declared length, cut between characters.
        cursor.SetVarValue(def, record, std::string_view(value).substr(0, Utf8Prefix(value, def.Length)));
        return;
    case xftBlob:
    case xftMemo:
    case xftFmtMemo:
    case xftGraphic: cursor.SetVarValue(def, record, value); return;
    default: break;
    }
    if (Trimmed(value).empty()) {
        cursor.ClearValue(def, record);
        return;
    }
    switch (def.Type) {
    case xftSmallInt:
    case xftInteger:
    case xftAutoInc: {
        long long v;
        if (!ParseInt64(value, v) || v < std::numeric_limits<std::int32_t>::min() ||
            v > std::numeric_limits<std::int32_t>::max())
            throw XdbError("'" + value + "' is not a valid integer value");
        SetAsInteger(static_cast<std::int32_t>(v));
        return;
    }
    case xftBoolean: {
        const char c = Trimmed(value)[0];
        if (c == 'T' || c == 't' || c == 'Y' || c == 'y' || c == '1') SetAsBoolean(true);
        else if (c == 'F' || c == 'f' || c == 'N' || c == 'n' || c == '0') SetAsBoolean(false);
        else throw XdbError("'" + value + "' is not a valid boolean value");
        return;
    }
    case xftDouble:
    case xftCurrency: {
        double v;
        if (!ParseDouble(value, v)) throw XdbError("'" + value + "' is not a valid floating point value");
        SetAsFloat(v);
        return;
    }
    case xftDate: {
        long long day;
        if (!ParseDate(Trimmed(value), day) || day < std::numeric_limits<std::int32_t>::min() ||
            day > std::numeric_limits<std::int32_t>::max())
            throw XdbError("'" + value + "' is not a valid date");
        SetAsInteger(static_cast<std::int32_t>(day));
        return;
    }
    case xftTime: {
        long long ms;
        if (!ParseTime(Trimmed(value), ms)) throw XdbError("'" + value + "' is not a valid time");
        SetAsInteger(static_cast<std::int32_t>(ms));
        return;
    }
    case xftDateTime: {
        std::string s = Trimmed(value);
        std::size_t blank = s.find(' ');
        long long day, ms = 0;
        if (!ParseDate(s.substr(0, blank), day) || (blank != std::string::npos && !ParseTime(s.substr(blank + 1), ms)))
            throw XdbError("'" + value + "' is not a valid date and time");
        SetAsFloat(static_cast<double>(day) * 86400000.0 + static_cast<double>(ms));
        return;
    }
    default: break;
    }
    throw XdbError("Field '" + def.Name + "' cannot hold a value");
}

std::int32_t TField::AsInteger() const {
    const TXdbField& def = Def();
    const TXdbRecord* record = dataset_.CurrentRecord();
    if (!record || TXdbCursor::IsNull(def, *record)) return 0;
    std::string_view slot = TXdbCursor::SlotBytes(def, *record);
    switch (def.Type) {
    case xftSmallInt: return SlotInt16(slot);
    case xftBoolean: return SlotInt16(slot) != 0 ? 1 : 0;
    case xftInteger:
    case xftDate:
    case xftTime:
    case xftAutoInc: return SlotInt32(slot);
    case xftDouble:
    case xftCurrency:
    case xftDateTime: {
        const double v = std::nearbyint(SlotDouble(slot));
        if (!(v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max()))
            throw XdbError("'" + AsString() + "' is not a valid integer value");
        return static_cast<std::int32_t>(v);
    }
    default: break;
    }
    const std::string text = AsString();
    long long v;
    if (!ParseInt64(text, v) || v < std::numeric_limits<std::int32_t>::min() ||
        v > std::numeric_limits<std::int32_t>::max())
        throw XdbError("'" + text + "' is not a valid integer value");
    return static_cast<std::int32_t>(v);
}

void TField::SetAsInteger(std::int32_t value) {
    const TXdbField& def = Def();
    switch (def.Type) {
    case xftSmallInt: {
        if (value < -32768 || value > 32767)
            throw XdbError(std::to_string(value) + " is not a valid value for field '" + def.Name +
                           "'. The allowed range is -32768 to 32767");
        char b[2];
        LittleEndian(b, static_cast<std::uint16_t>(static_cast<std::int16_t>(value)), 2);
        TXdbCursor::SetFixed(def, WritableRecord(), b, 2);
        return;
    }
    case xftBoolean: SetAsBoolean(value != 0); return;
    case xftInteger:
    case xftDate:
    case xftTime:
    case xftAutoInc: {
        char b[4];
        LittleEndian(b, static_cast<std::uint32_t>(value), 4);
        TXdbCursor::SetFixed(def, WritableRecord(), b, 4);
        return;
    }
    case xftDouble:
    case xftCurrency:
    case xftDateTime: SetAsFloat(static_cast<double>(value)); return;
    case xftUnknown: throw XdbError("Field '" + def.Name + "' cannot hold a value");
    default: SetAsString(std::to_string(value)); return;
    }
}

bool TField::AsBoolean() const {
    const TXdbField& def = Def();
    const TXdbRecord* record = dataset_.CurrentRecord();
    if (!record || TXdbCursor::IsNull(def, *record)) return false;
    std::string_view slot = TXdbCursor::SlotBytes(def, *record);
    switch (def.Type) {
    case xftBoolean:
    case xftSmallInt: return SlotInt16(slot) != 0;
    case xftInteger:
    case xftDate:
    case xftTime:
    case xftAutoInc: return SlotInt32(slot) != 0;
    case xftDouble:
    case xftCurrency:
    case xftDateTime: return SlotDouble(slot) != 0.0;
    default: break;
    }
    const std::string text = AsString();
    const std::string t = Trimmed(text);
    if (t.empty()) return false;
    const char c = t[0];
    if (c == 'T' || c == 't' || c == 'Y' || c == 'y' || c == '1') return true;
    if (c == 'F' || c == 'f' || c == 'N' || c == 'n' || c == '0') return false;
    throw XdbError("'" + text + "' is not a valid boolean value");
}

void TField::SetAsBoolean(bool value) {
    const TXdbField& def = Def();
    switch (def.Type) {
    case xftBoolean: {
        const char b[2] = {value ? '\x01' : '\0', '\0'};
        TXdbCursor::SetFixed(def, WritableRecord(), b, 2);
        return;
    }
    case xftSmallStr:
    case xftString:
    case xftBlob:
    case xftMemo:
    case xftFmtMemo:
    case xftGraphic: SetAsString(value ? "True" : "False"); return;
    default: SetAsInteger(value ? 1 : 0); return;
    }
}

double TField::AsFloat() const {
    const TXdbField& def = Def();
    const TXdbRecord* record = dataset_.CurrentRecord();
    if (!record || TXdbCursor::IsNull(def, *record)) return 0.0;
    switch (def.Type) {
    case xftDouble:
    case xftCurrency:
    case xftDateTime: return SlotDouble(TXdbCursor::SlotBytes(def, *record));
    case xftSmallInt:
    case xftBoolean:
    case xftInteger:
    case xftDate:
    case xftTime:
    case xftAutoInc: return AsInteger();
    default: break;
    }
    const std::string text = AsString();
    double v;
    if (!ParseDouble(text, v)) throw XdbError("'" + text + "' is not a valid floating point value");
    return v;
}

void TField::SetAsFloat(double value) {
    const TXdbField& def = Def();
    switch (def.Type) {
    case xftDouble:
    case xftCurrency:
    case xftDateTime: TXdbCursor::SetFixed(def, WritableRecord(), &value, 8); return;
    case xftSmallInt:
    case xftInteger:
    case xftDate:
    case xftTime:
    case xftAutoInc: {
        const double v = std::nearbyint(value);
        if (!(v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max()))
            throw XdbError("'" + FormatFloat(value) + "' is not a valid integer value");
        SetAsInteger(static_cast<std::int32_t>(v));
        return;
    }
    case xftBoolean: SetAsBoolean(value != 0.0); return;
    case xftUnknown: throw XdbError("Field '" + def.Name + "' cannot hold a value");
    default: SetAsString(FormatFloat(value)); return;
    }
}

// ---------------------------------------------------------------------------------------------
// TXdbDataset

TXdbDataset::TXdbDataset() = default;

TXdbDataset::~TXdbDataset() { Close(); }

void TXdbDataset::CheckActive() const {
    if (!cursor_) ClosedDataset();
}

void TXdbDataset::Open() {
    if (Active()) return;
    std::shared_ptr<TXdbCursor> cursor = CreateCursor();
    cursor_ = std::move(cursor);
    fields_.clear();
    for (int i = 0; i < cursor_->FieldCount(); ++i) fields_.push_back(std::make_unique<TField>(*this, i));
    state_ = dsBrowse;
    editCount_ = 0;
    modified_ = false;
    visible_.clear();
    visibleGeneration_ = cursor_->Generation() - 1;
    position_ = -1;
    SyncVisible();
    SetPosition(visible_.empty() ? -1 : 0);
    bof_ = true;
    eof_ = visible_.empty();
}

void TXdbDataset::Close() {
    cursor_.reset();
    fields_.clear();
    state_ = dsInactive;
    visible_.clear();
    position_ = -1;
    eof_ = bof_ = true;
    editBuffer_ = TXdbRecord();
    modified_ = false;
}

TField& TXdbDataset::Fields(int index) {
    if (index < 0 || index >= FieldCount()) throw XdbError("List index out of bounds (" + std::to_string(index) + ")");
    return *fields_[static_cast<std::size_t>(index)];
}

TField* TXdbDataset::FindField(const std::string& name) {
    if (!cursor_) return nullptr;
    const int index = cursor_->FieldIndex(name);
    return index < 0 ? nullptr : fields_[static_cast<std::size_t>(index)].get();
}

TField& TXdbDataset::FieldByName(const std::string& name) {
    TField* field = FindField(name);
    if (!field) throw XdbError("Field '" + name + "' not found");
    return *field;
}

void TXdbDataset::SyncVisible() const {
    if (!cursor_ || visibleGeneration_ == cursor_->Generation()) return;
    const std::vector<TXdbRecord>& records = cursor_->Records();
    visible_.clear();
    visible_.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!records[i].IsHidden()) visible_.push_back(i);
    }
    visibleGeneration_ = cursor_->Generation();
    if (visible_.empty()) {
        position_ = -1;
    } else if (position_ >= 0) {
        // Stay on the current record, or on the next one still visible.
        auto it = std::lower_bound(visible_.begin(), visible_.end(), currentIndex_);
        if (it == visible_.end()) --it;
        position_ = static_cast<long>(it - visible_.begin());
        currentIndex_ = *it;
    }
}

void TXdbDataset::SetPosition(long position) {
    position_ = position;
    if (position >= 0) currentIndex_ = visible_[static_cast<std::size_t>(position)];
}

const TXdbRecord* TXdbDataset::CurrentRecord() const {
    if (!cursor_) return nullptr;
    if (IsEditing(state_)) return &editBuffer_;
    SyncVisible();
    if (position_ < 0) return nullptr;
    return &cursor_->Records()[visible_[static_cast<std::size_t>(position_)]];
}

void TXdbDataset::CheckBrowseMode() {
    if (!IsEditing(state_)) return;
    if (modified_) Post();
    else Cancel();
}

void TXdbDataset::First() {
    CheckActive();
    CheckBrowseMode();
    SyncVisible();
    SetPosition(visible_.empty() ? -1 : 0);
    bof_ = true;
    eof_ = visible_.empty();
}

void TXdbDataset::Last() {
    CheckActive();
    CheckBrowseMode();
    SyncVisible();
    SetPosition(static_cast<long>(visible_.size()) - 1);
    eof_ = true;
    bof_ = visible_.empty();
}

void TXdbDataset::Next() {
    CheckActive();
    CheckBrowseMode();
    SyncVisible();
    if (visible_.empty()) {
        eof_ = bof_ = true;
        return;
    }
    if (static_cast<std::size_t>(position_ + 1) < visible_.size()) {
        SetPosition(position_ + 1);
        eof_ = false;
    } else {
        eof_ = true;
    }
    bof_ = false;
}

void TXdbDataset::Prior() {
    CheckActive();
    CheckBrowseMode();
    SyncVisible();
    if (visible_.empty()) {
        eof_ = bof_ = true;
        return;
    }
    if (position_ > 0) {
        SetPosition(position_ - 1);
        bof_ = false;
    } else {
        bof_ = true;
    }
    eof_ = false;
}

int TXdbDataset::MoveBy(int distance) {
    int moved = 0;
    while (distance > 0 && !Eof()) {
        const long before = position_;
        Next();
        if (position_ != before) ++moved;
        --distance;
    }
    while (distance < 0 && !Bof()) {
        const long before = position_;
        Prior();
        if (position_ != before) --moved;
        ++distance;
    }
    return moved;
}

bool TXdbDataset::IsEmpty() const { return RecordCount() == 0; }

int TXdbDataset::RecordCount() const {
    if (!cursor_) return 0;
    SyncVisible();
    return static_cast<int>(visible_.size());
}

int TXdbDataset::RecNo() const {
    if (!cursor_ || state_ == dsInsert) return 0;
    SyncVisible();
    return static_cast<int>(position_ + 1);
}

void TXdbDataset::SetRecNo(int value) {
    CheckActive();
    CheckBrowseMode();
    SyncVisible();
    if (visible_.empty()) return;
    const long count = static_cast<long>(visible_.size());
    long target = value < 1 ? 1 : (value > count ? count : value);
    SetPosition(target - 1);
    eof_ = bof_ = false;
}

TXdbUpdStatus TXdbDataset::UpdateStatus() const {
    if (state_ == dsInsert) return xusInserted;
    if (!cursor_) return xusUnmodified;
    SyncVisible();
    if (position_ < 0) return xusUnmodified;
    return cursor_->Records()[visible_[static_cast<std::size_t>(position_)]].UpdStatus;
}

void TXdbDataset::Append() {
    CheckActive();
    CheckBrowseMode();
    editBuffer_ = cursor_->NewRecord();
    state_ = dsInsert;
    modified_ = false;
    ++editCount_;
}

void TXdbDataset::Insert() { Append(); }

void TXdbDataset::Edit() {
    CheckActive();
    if (IsEditing(state_)) return;
    SyncVisible();
    if (visible_.empty()) {
        Append();
        return;
    }
    editIndex_ = visible_[static_cast<std::size_t>(position_)];
    editBuffer_ = cursor_->Records()[editIndex_];
    state_ = dsEdit;
    modified_ = false;
    ++editCount_;
}

void TXdbDataset::Post() {
    CheckActive();
    SyncVisible();
    if (state_ == dsInsert) {
        const std::size_t index = cursor_->AppendRecord(std::move(editBuffer_));
        visible_.push_back(index);
        visibleGeneration_ = cursor_->Generation();
        SetPosition(static_cast<long>(visible_.size()) - 1);
        eof_ = bof_ = false;
    } else if (state_ == dsEdit) {
        cursor_->ModifyRecord(editIndex_, editBuffer_);
    } else {
        return;
    }
    editBuffer_ = TXdbRecord();
    state_ = dsBrowse;
    modified_ = false;
}

void TXdbDataset::Cancel() {
    if (!IsEditing(state_)) return;
    --editCount_;
    editBuffer_ = TXdbRecord();
    state_ = dsBrowse;
    modified_ = false;
}

void TXdbDataset::Delete() {
    CheckActive();
    if (state_ == dsInsert) {
        Cancel();
        return;
    }
    Cancel();
    SyncVisible();
    if (visible_.empty()) throw XdbError("Cannot perform this operation on an empty dataset");
    const auto at = static_cast<std::size_t>(position_);
    cursor_->DeleteRecord(visible_[at]);
    ++editCount_;
    visible_.erase(visible_.begin() + static_cast<long>(at));
    visibleGeneration_ = cursor_->Generation();
    long position = position_;
    if (position >= static_cast<long>(visible_.size())) position = static_cast<long>(visible_.size()) - 1;
    SetPosition(position);
    eof_ = bof_ = visible_.empty();
}

void TXdbDataset::SaveToFile(const std::string& path) {
    CheckActive();
    if ((saveOptions_ & savSortOnIndex) != 0 && !indexFieldNames_.empty()) {
        std::vector<int> indexes;
        std::size_t start = 0;
        while (start <= indexFieldNames_.size()) {
            std::size_t end = indexFieldNames_.find(';', start);
            if (end == std::string::npos) end = indexFieldNames_.size();
            const std::string name = Trimmed(indexFieldNames_.substr(start, end - start));
            if (!name.empty()) indexes.push_back(FieldByName(name).Index());
            start = end + 1;
        }
        // Keep the current record and one being edited the same records after the sort.
        SyncVisible();
        const bool hadCurrent = position_ >= 0;
        const std::vector<std::size_t> moved = cursor_->SortRecords(indexes);
        if (state_ == dsEdit) editIndex_ = moved[editIndex_];
        if (hadCurrent) currentIndex_ = moved[currentIndex_];
        SyncVisible();
    }
    if ((saveOptions_ & savAutoBackup) != 0) XdbBackupFile(path);
    cursor_->SetOnProgress(onProgress_);
    // The table is written to a temporary file that replaces the target only when complete,
    // so it is streamed in pieces instead of being composed whole in memory first.
    const std::size_t piece = (saveOptions_ & savSlowMode) != 0 ? 0 : (1u << 20);
    XdbWriteFileAtomic(path, [this, piece](std::ostream& out) { cursor_->SaveToStream(out, piece); });
}

std::string TXdbDataset::SaveToString() {
    CheckActive();
    cursor_->SetOnProgress(onProgress_);
    std::string bytes;
    cursor_->SaveToStream(bytes);
    return bytes;
}

// ---------------------------------------------------------------------------------------------
// TXdbTable

TXdbTable::~TXdbTable() { Close(); }

void TXdbTable::SetTableName(const std::string& name) {
    if (name == tableName_) return;
    Close();
    tableName_ = name;
    loadMode_ = name.empty() ? lmClear : lmFile;
}

void TXdbTable::SetLoadMode(TXdbLoadMode mode) {
    if (mode == loadMode_) return;
    Close();
    loadMode_ = mode;
}

void TXdbTable::LoadFromFile(const std::string& path) {
    Close();
    tableName_ = path;
    loadMode_ = path.empty() ? lmClear : lmFile;
    Open();
}

bool TXdbTable::ApplyUpdates() {
    if (!Active()) return false;
    if (State() == dsEdit || State() == dsInsert) Post();
    if (loadMode_ != lmFile || EditCount() <= 0) return false;
    SaveToFile(tableName_);
    return true;
}

std::shared_ptr<TXdbCursor> TXdbTable::ReadTable(const char* data, std::size_t size) {
    auto cursor = std::make_shared<TXdbCursor>();
    cursor->SetPartialOpen(PartialOpen());
    cursor->SetOnProgress(OnProgress());
    std::string warning;
    try {
        warning = cursor->LoadFromStream(data, size);
    } catch (const XdbError& e) {
        throw XdbError(std::string("Error opening table: ") + e.what());
    }
    if (!warning.empty() && WarningHandler()) WarningHandler()(warning);
    FieldDefs() = cursor->MakeFieldDefs();
    return cursor;
}

std::shared_ptr<TXdbCursor> TXdbTable::CreateCursor() {
    switch (loadMode_) {
    case lmClear: {
        auto cursor = std::make_shared<TXdbCursor>();
        cursor->CreateTable(FieldDefs());
        return cursor;
    }
    case lmFile: {
        const std::string bytes = XdbReadFile(tableName_);
        return ReadTable(bytes.data(), bytes.size());
    }
    case lmStream: return ReadTable(stream_.data(), stream_.size());
    case lmClone: {
        if (!cloneSource_ || !cloneSource_->Active()) ClosedDataset();
        std::shared_ptr<TXdbCursor> cursor = cloneSource_->SharedCursor();
        FieldDefs() = cursor->MakeFieldDefs();
        return cursor;
    }
    }
    throw XdbError("Unknown load mode");
}

// ---------------------------------------------------------------------------------------------
// TXdbBlobStream

TXdbBlobStream::TXdbBlobStream(TXdbDataset& dataset, const std::string& fieldName, TBlobStreamMode mode)
    : TXdbBlobStream(dataset.FieldByName(fieldName), mode) {}

TXdbBlobStream::TXdbBlobStream(TField& field, TBlobStreamMode mode) : field_(field), mode_(mode) {
    if (!field.IsBlob()) throw XdbError("Field '" + field.FieldName() + "' is not a BLOB field");
    if (mode != bmRead) {
        // Fail now rather than losing what is written when the stream is stored.
        if (!IsEditing(field.dataset_.State())) throw XdbError("Table is not in edit or insert mode");
        if (field.ReadOnly()) throw XdbError("Field '" + field.FieldName() + "' is read only!");
    }
    if (mode != bmWrite) data_ = field.AsString();
    modified_ = mode == bmWrite;
}

TXdbBlobStream::~TXdbBlobStream() {
    try {
        Close();
    } catch (...) {
        // Close() reports failures to callers that need them; a destructor cannot.
    }
}

void TXdbBlobStream::Seek(std::size_t position) { position_ = std::min(position, data_.size()); }

std::size_t TXdbBlobStream::Read(void* buffer, std::size_t count) {
    const std::size_t n = std::min(count, data_.size() - position_);
    if (n) std::memcpy(buffer, data_.data() + position_, n);
    position_ += n;
    return n;
}

std::string TXdbBlobStream::ReadAll() {
    std::string out = data_.substr(position_);
    position_ = data_.size();
    return out;
}

void TXdbBlobStream::Write(const void* buffer, std::size_t count) {
    if (mode_ == bmRead || closed_) throw XdbError("Cannot write to a read-only BLOB stream");
    if (count == 0) return;
    if (position_ + count > data_.size()) data_.resize(position_ + count);
    std::memcpy(&data_[position_], buffer, count);
    position_ += count;
    modified_ = true;
}

void TXdbBlobStream::Truncate() {
    if (mode_ == bmRead || closed_) throw XdbError("Cannot write to a read-only BLOB stream");
    data_.resize(position_);
    modified_ = true;
}

void TXdbBlobStream::Close() {
    if (closed_) return;
    closed_ = true;
    if (mode_ != bmRead && modified_) field_.SetAsString(data_);
}

} // namespace kelt
