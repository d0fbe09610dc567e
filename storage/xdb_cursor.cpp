#include "storage/xdb_cursor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <ostream>

#include "storage/utf8_text.h"

namespace kelt {

namespace {

const char* const kHeaderCorrupt = "Buffer structure corruption!";
const char* const kLayoutCorrupt = "Error in buffer structure (field description section)";
const char* const kUnexpectedEnd = "Unexpected end of buffer";

constexpr std::size_t kHeaderSize = 17;

std::int32_t ReadInt32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    std::uint32_t v = static_cast<std::uint32_t>(u[0]) | (static_cast<std::uint32_t>(u[1]) << 8) |
                      (static_cast<std::uint32_t>(u[2]) << 16) | (static_cast<std::uint32_t>(u[3]) << 24);
    return static_cast<std::int32_t>(v);
}

std::int16_t ReadInt16(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(u[0] | (u[1] << 8)));
}

void PutInt32(char* p, std::int32_t value) {
    auto v = static_cast<std::uint32_t>(value);
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>((v >> 8) & 0xFF);
    p[2] = static_cast<char>((v >> 16) & 0xFF);
    p[3] = static_cast<char>((v >> 24) & 0xFF);
}

void AppendInt32(std::string& out, std::int32_t value) {
    char b[4];
    PutInt32(b, value);
    out.append(b, 4);
}

// Position and length of a variable-length value, kept in its in-memory slot.
struct VarSlot {
    std::uint32_t pos;
    std::uint32_t len;
};

VarSlot GetVarSlot(const TXdbField& field, const TXdbRecord& record) {
    VarSlot s{0, 0};
    if (record.Data.size() < field.MemOffset + 8u) return s;
    std::memcpy(&s.pos, record.Data.data() + field.MemOffset, 4);
    std::memcpy(&s.len, record.Data.data() + field.MemOffset + 4, 4);
    return s;
}

void PutVarSlot(const TXdbField& field, std::string& data, VarSlot s) {
    std::memcpy(&data[field.MemOffset], &s.pos, 4);
    std::memcpy(&data[field.MemOffset + 4], &s.len, 4);
}

std::string Format(const char* pattern, const std::string& name, long long a, long long b) {
    // Field names come from the file: build the text piecewise instead of a fixed buffer.
    std::string out;
    int arg = 0;
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += name;
            ++p;
        } else if (p[0] == '%' && p[1] == 'd') {
            out += std::to_string(arg++ == 0 ? a : b);
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

bool AllZero(const char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] != 0) return false;
    }
    return true;
}

std::size_t BoundedLength(const char* p, std::size_t max) {
    const void* nul = std::memchr(p, 0, max);
    return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - p) : max;
}

} // namespace

int TXdbCursor::FieldIndex(const std::string& name) const {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i].Name == name) return static_cast<int>(i);
    }
    return -1;
}

void TXdbCursor::SetHeaderNote(const std::string& note) {
    if (note.size() > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max()))
        throw XdbError("Header note is too long");
    note_ = note;
}

int TXdbCursor::ProgressPercent(std::int64_t num, std::int64_t den) {
    if (den <= 0) return 0;
    std::int64_t n = num * 100;
    std::int64_t q = n / den;
    std::int64_t r = n % den;
    if (2 * r > den || (2 * r == den && (q & 1) != 0)) ++q;
    return static_cast<int>(q);
}

// ---------------------------------------------------------------------------------------------
// Structure

void TXdbCursor::ResetStructure() {
    fields_.clear();
    layout_.clear();
    recordWidth_ = 0;
    memWidth_ = 0;
    records_.clear();
    note_.clear();
    ++generation_;
}

void TXdbCursor::AddField(TXdbField field) {
    field.Width = XdbSlotWidth(field.Type, field.Length);
    field.Numeric = XdbIsNumericType(field.Type);
    field.Offset = recordWidth_;
    recordWidth_ += field.Width;
    field.MemWidth = XdbIsVariableType(field.Type) ? 8 : field.Width;
    field.MemOffset = memWidth_;
    memWidth_ += field.MemWidth;
    fields_.push_back(std::move(field));
}

void TXdbCursor::InitFieldDefs(const std::string& layout, std::int32_t fieldCount) {
    fields_.clear();
    recordWidth_ = 0;
    memWidth_ = 0;
    if (fieldCount <= 0) throw XdbError(kLayoutCorrupt);
    const std::size_t length = layout.size();
    std::size_t p = 0;
    for (std::int32_t i = 0; i < fieldCount; ++i) {
        // A layout with fewer descriptors than declared fields cannot describe the records.
        if (p >= length) throw XdbError(kLayoutCorrupt);
        std::size_t sep = layout.find(FieldSeparator, p);
        if (sep == std::string::npos || sep == p) throw XdbError(kLayoutCorrupt);
        std::string desc = layout.substr(p, sep - p);
        p = sep + 1;

        std::size_t blank = desc.find(' ');
        std::string namePart = blank == std::string::npos ? desc : desc.substr(0, blank);
        std::string typePart = blank == std::string::npos ? std::string() : desc.substr(blank + 1);

        TXdbField field;
        if (typePart.empty()) {
            // What the writer produces for a column of a type the format cannot hold.
            field.Type = xftUnknown;
        } else {
            const char c = typePart[0];
            switch (c) {
            case 'l': field.Type = xftSmallInt; break;
            case 'i': field.Type = xftInteger; break;
            case 'b': field.Type = xftBoolean; break;
            case 'f': field.Type = xftDouble; break;
            case 'c': field.Type = xftCurrency; break;
            case 'd': field.Type = xftDate; break;
            case 'v': field.Type = xftTime; break;
            case 't': field.Type = xftDateTime; break;
            case 'a': field.Type = xftAutoInc; break;
            case 'o': field.Type = xftBlob; break;
            case 'm': field.Type = xftMemo; break;
            case 'r': field.Type = xftFmtMemo; break;
            case 'g': field.Type = xftGraphic; break;
            case 's': {
                field.Type = xftString;
                std::uint32_t size = 0;
                std::size_t k = 1;
                for (; k < typePart.size() && typePart[k] >= '0' && typePart[k] <= '9'; ++k) {
                    size = size * 10 + static_cast<std::uint32_t>(typePart[k] - '0');
                    if (size > 0xFFFF) throw XdbError(kLayoutCorrupt);
                }
                field.Length = k == 1 ? 100 : static_cast<std::uint16_t>(size);
                break;
            }
            default:
                if (c >= '0' && c <= '9') {
                    field.Type = xftSmallStr;
                    field.Length = static_cast<std::uint16_t>(c - '0');
                } else if (c >= 'A' && c <= 'Z') {
                    field.Type = xftSmallStr;
                    field.Length = static_cast<std::uint16_t>(c - 'A' + 10);
                } else {
                    // No writer produces other letters; guessing a width would misread records.
                    throw XdbError(kLayoutCorrupt);
                }
            }
        }
        std::size_t dot = namePart.find('.');
        if (dot == std::string::npos) {
            field.Alias = "XXX";
            field.Name = namePart;
        } else {
            field.Alias = namePart.substr(0, dot);
            field.Name = namePart.substr(dot + 1);
        }
        AddField(std::move(field));
    }
}

std::size_t TXdbCursor::LoadStruFromStream(const char* data, std::size_t size, std::int32_t& recordsDeclared) {
    ResetStructure();
    if (size < 5) throw XdbError(kHeaderCorrupt);
    if (data[4] == 'E') {
        // An error report in place of a table: the text up to its NUL is the message.
        throw XdbError(std::string(data + 5, BoundedLength(data + 5, size - 5)));
    }
    if (size < kHeaderSize) throw XdbError(kHeaderCorrupt);
    const std::int32_t n = ReadInt32(data + 5);
    const std::int32_t f = ReadInt32(data + 9);
    const std::int32_t l = ReadInt32(data + 13);
    if (l < 0 || static_cast<std::size_t>(l) > size - kHeaderSize) throw XdbError(kHeaderCorrupt);
    layout_.assign(data + kHeaderSize, static_cast<std::size_t>(l));
    InitFieldDefs(layout_, f);
    std::size_t pos = kHeaderSize + static_cast<std::size_t>(l);

    // The header note. A record's first length byte is at most 36 or exactly 4, never "*",
    // so the marker is unambiguous even when fewer bytes than a length map follow.
    if (pos < size && data[pos] == '*') {
        if (size - pos < 3) throw XdbError(kHeaderCorrupt);
        const std::int16_t k = ReadInt16(data + pos + 1);
        if (k < 0 || static_cast<std::size_t>(k) > size - pos - 3) throw XdbError(kHeaderCorrupt);
        note_.assign(data + pos + 3, static_cast<std::size_t>(k));
        pos += 3 + static_cast<std::size_t>(k);
    }
    recordsDeclared = n;
    return pos;
}

bool TXdbCursor::AddNewRecord(const char* data, std::size_t size, std::size_t& pos, std::string& error) {
    const std::size_t fieldCount = fields_.size();
    const long long recordNo = static_cast<long long>(records_.size()) + 1;
    if (pos > size || size - pos < fieldCount) {
        error = kUnexpectedEnd;
        return false;
    }
    const auto* map = reinterpret_cast<const unsigned char*>(data + pos);
    std::size_t p = pos + fieldCount;

    // First pass: validate every length against the bytes present and find each value.
    struct Source {
        std::size_t at;
        std::uint32_t len;
    };
    Source sources[64];
    std::vector<Source> many;
    Source* src = sources;
    if (fieldCount > 64) {
        many.resize(fieldCount);
        src = many.data();
    }
    std::size_t varBytes = 0;
    for (std::size_t i = 0; i < fieldCount; ++i) {
        const TXdbField& field = fields_[i];
        const unsigned b = map[i];
        const bool variable = XdbIsVariableType(field.Type);
        if (variable ? (b != 0 && b != 4) : (b > field.Width)) {
            error = Format("Field '%s' has wrong length %d in record %d", field.Name, b, recordNo);
            return false;
        }
        src[i] = Source{0, 0};
        if (b == 0) continue;
        if (!variable) {
            if (size - p < b) {
                error = kUnexpectedEnd;
                return false;
            }
            src[i] = Source{p, b};
            p += b;
            continue;
        }
        if (size - p < 4) {
            error = kUnexpectedEnd;
            return false;
        }
        const std::int32_t m = ReadInt32(data + p);
        p += 4;
        if (field.Type == xftString) {
            if (m < 0 || m >= XdbStringLimit) {
                error = Format("String field '%s' has wrong length %d in record %d", field.Name, m, recordNo);
                return false;
            }
        } else if (m < 0 || m >= XdbBlobLimit) {
            error = Format("BLOB field '%s' has wrong length %d in record %d", field.Name, m, recordNo);
            return false;
        }
        const auto len = static_cast<std::size_t>(m);
        if (size - p < len) {
            error = kUnexpectedEnd;
            return false;
        }
        // A string is kept as a NUL-terminated copy: its value ends at the first NUL.
        const std::size_t kept = field.Type == xftString ? BoundedLength(data + p, len) : len;
        src[i] = Source{p, static_cast<std::uint32_t>(kept)};
        varBytes += kept;
        p += len;
    }

    // Second pass: one allocation holding the slots and the variable-length bytes.
    TXdbRecord record;
    record.UpdStatus = xusUnmodified;
    record.Data.reserve(memWidth_ + varBytes);
    record.Data.assign(memWidth_, '\0');
    for (std::size_t i = 0; i < fieldCount; ++i) {
        if (src[i].len == 0) continue;
        const TXdbField& field = fields_[i];
        if (XdbIsVariableType(field.Type)) {
            VarSlot s{static_cast<std::uint32_t>(record.Data.size()), src[i].len};
            record.Data.append(data + src[i].at, src[i].len);
            PutVarSlot(field, record.Data, s);
        } else {
            std::memcpy(&record.Data[field.MemOffset], data + src[i].at, src[i].len);
        }
    }
    records_.push_back(std::move(record));
    pos = p;
    return true;
}

std::string TXdbCursor::LoadFromStream(const char* data, std::size_t size) {
    std::int32_t declared = 0;
    std::size_t pos = LoadStruFromStream(data, size, declared);
    const std::size_t fieldCount = fields_.size();

    // Room for the records the remaining bytes can hold at most, never the header's claim alone.
    if (declared > 0) {
        std::size_t fit = (size - pos) / fieldCount;
        records_.reserve(std::min(fit, static_cast<std::size_t>(declared)));
    }
    std::string error;
    bool failed = false;
    int lastPercent = -1;
    std::int32_t read = 0;
    while (size - pos >= fieldCount && read < declared) {
        if (!AddNewRecord(data, size, pos, error)) {
            failed = true;
            break;
        }
        ++read;
        if (onProgress_) {
            int percent = ProgressPercent(read, declared);
            if (percent != lastPercent) {
                lastPercent = percent;
                onProgress_(percent);
            }
        }
    }
    if (!failed && read != declared) {
        error = Format("Number of records read (%d) does not match declared record count (%d)", std::string(),
                       read, declared);
        failed = true;
    }
    ++generation_;
    if (!failed) return std::string();
    if (partialOpen_) return error;
    records_.clear();
    throw XdbError(error);
}

void TXdbCursor::CreateTable(const TFieldDefs& defs) {
    if (defs.Count() == 0) throw XdbError("Error creating table (no field descriptions)");
    for (const TFieldDef& def : defs) {
        if (def.Name.find(FieldSeparator) != std::string::npos ||
            def.Name.find(RecordSeparator) != std::string::npos)
            throw XdbError("Invalid field name '" + def.Name + "'");
        if (def.DataType == ftString && (def.Size < 0 || def.Size > 0xFFFF))
            throw XdbError("Field '" + def.Name + "' has invalid size " + std::to_string(def.Size));
    }
    std::string layout = PrepareLayoutStr(defs);
    if (layout.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - kHeaderSize))
        throw XdbError("Error creating table (field descriptions too long)");
    std::string header;
    header.reserve(kHeaderSize + layout.size());
    AppendInt32(header, static_cast<std::int32_t>(kHeaderSize + layout.size()));
    header += 'S';
    AppendInt32(header, 0);
    AppendInt32(header, defs.Count());
    AppendInt32(header, static_cast<std::int32_t>(layout.size()));
    header += layout;
    LoadFromStream(header);
}

TFieldDefs TXdbCursor::MakeFieldDefs() const {
    TFieldDefs defs;
    for (const TXdbField& field : fields_) {
        int size = (field.Type == xftSmallStr || field.Type == xftString) ? field.Length : 0;
        defs.Add(field.Name, GetHostType(field.Type), size);
    }
    return defs;
}

std::string TXdbCursor::PrepareLayoutStr(const TFieldDefs& defs) {
    std::string layout;
    for (const TFieldDef& def : defs) {
        std::string name = def.Name;
        std::replace(name.begin(), name.end(), ' ', '_');
        int size = def.Size < 0 ? 0 : def.Size;
        TXdbFieldType type = GetFldType(def.DataType, size);
        layout += "XXX.";
        layout += name;
        layout += ' ';
        layout += GetCharType(type, static_cast<std::uint16_t>(size));
        layout += FieldSeparator;
    }
    layout += RecordSeparator;
    return layout;
}

std::string TXdbCursor::GetCharType(TXdbFieldType type, std::uint16_t length) {
    switch (type) {
    case xftSmallInt: return "l";
    case xftInteger: return "i";
    case xftBoolean: return "b";
    case xftDouble: return "f";
    case xftCurrency: return "c";
    case xftDate: return "d";
    case xftTime: return "v";
    case xftDateTime: return "t";
    case xftAutoInc: return "a";
    case xftString: return "s" + std::to_string(length);
    case xftBlob: return "o";
    case xftMemo: return "m";
    case xftFmtMemo: return "r";
    case xftGraphic: return "g";
    case xftSmallStr:
        if (length < 10) return std::string(1, static_cast<char>('0' + length));
        if (length <= MAXSLEN) return std::string(1, static_cast<char>('A' + (length - 10)));
        return "s" + std::to_string(length);
    case xftUnknown: break;
    }
    return std::string();
}

TXdbFieldType TXdbCursor::GetFldType(TFieldType type, int size) {
    switch (type) {
    case ftString: return size <= MAXSLEN ? xftSmallStr : xftString;
    case ftSmallint:
    case ftWord: return xftSmallInt;
    case ftInteger: return xftInteger;
    case ftBoolean: return xftBoolean;
    case ftFloat: return xftDouble;
    case ftCurrency: return xftCurrency;
    case ftDate: return xftDate;
    case ftTime: return xftTime;
    case ftDateTime: return xftDateTime;
    case ftAutoInc: return xftAutoInc;
    case ftBlob: return xftBlob;
    case ftMemo: return xftMemo;
    case ftFmtMemo: return xftFmtMemo;
    case ftGraphic: return xftGraphic;
    case ftUnknown: break;
    }
    return xftUnknown;
}

TFieldType TXdbCursor::GetHostType(TXdbFieldType type) {
    switch (type) {
    case xftSmallInt: return ftSmallint;
    case xftInteger: return ftInteger;
    case xftBoolean: return ftBoolean;
    case xftDouble: return ftFloat;
    case xftCurrency: return ftCurrency;
    case xftDate: return ftDate;
    case xftTime: return ftTime;
    case xftDateTime: return ftDateTime;
    case xftAutoInc: return ftAutoInc;
    case xftSmallStr:
    case xftString: return ftString;
    case xftBlob: return ftBlob;
    case xftMemo: return ftMemo;
    case xftFmtMemo: return ftFmtMemo;
    case xftGraphic: return ftGraphic;
    case xftUnknown: break;
    }
    return ftUnknown;
}

// ---------------------------------------------------------------------------------------------
// Records

TXdbRecord TXdbCursor::NewRecord() const {
    TXdbRecord record;
    record.UpdStatus = xusInserted;
    record.Data.assign(memWidth_, '\0');
    return record;
}

std::size_t TXdbCursor::AppendRecord(TXdbRecord record) {
    record.UpdStatus = xusInserted;
    if (record.Data.size() < memWidth_) record.Data.resize(memWidth_, '\0');
    records_.push_back(std::move(record));
    ++generation_;
    return records_.size() - 1;
}

void TXdbCursor::ModifyRecord(std::size_t index, const TXdbRecord& edited) {
    if (index >= records_.size()) throw XdbError("Record is not found");
    TXdbRecord& record = records_[index];
    if (record.IsHidden()) throw XdbError("Record has been deleted");
    record.Data = edited.Data;
    if (record.UpdStatus == xusUnmodified) record.UpdStatus = xusModified;
}

void TXdbCursor::DeleteRecord(std::size_t index) {
    if (index >= records_.size()) throw XdbError("Record is not found");
    TXdbRecord& record = records_[index];
    if (record.IsHidden()) throw XdbError("Record has been deleted");
    if (record.UpdStatus == xusInserted) {
        record.UpdStatus = xusAbsent;
        std::string().swap(record.Data);
    } else {
        record.UpdStatus = xusDeleted;
    }
    ++generation_;
}

void TXdbCursor::ClearRecords() {
    records_.clear();
    ++generation_;
}

namespace {

int CompareValues(const TXdbField& field, const TXdbRecord& a, const TXdbRecord& b) {
    auto cmp = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
    if (XdbIsVariableType(field.Type))
        return TXdbCursor::VarValue(field, a).compare(TXdbCursor::VarValue(field, b));
    if (field.Type == xftSmallStr)
        return TXdbCursor::SmallStrValue(field, a).compare(TXdbCursor::SmallStrValue(field, b));
    std::string_view sa = TXdbCursor::SlotBytes(field, a);
    std::string_view sb = TXdbCursor::SlotBytes(field, b);
    switch (field.Type) {
    case xftSmallInt:
    case xftBoolean: {
        std::int16_t x, y;
        std::memcpy(&x, sa.data(), 2);
        std::memcpy(&y, sb.data(), 2);
        return cmp(x, y);
    }
    case xftInteger:
    case xftDate:
    case xftTime:
    case xftAutoInc: return cmp(ReadInt32(sa.data()), ReadInt32(sb.data()));
    case xftDouble:
    case xftCurrency:
    case xftDateTime: {
        double x, y;
        std::memcpy(&x, sa.data(), 8);
        std::memcpy(&y, sb.data(), 8);
        return cmp(x, y);
    }
    default: return 0;
    }
}

} // namespace

std::vector<std::size_t> TXdbCursor::SortRecords(const std::vector<int>& fieldIndexes) {
    std::vector<std::size_t> order(records_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    if (!fieldIndexes.empty()) {
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            for (int index : fieldIndexes) {
                int c = CompareValues(fields_.at(static_cast<std::size_t>(index)), records_[a], records_[b]);
                if (c != 0) return c < 0;
            }
            return false;
        });
    }
    std::vector<TXdbRecord> sorted;
    sorted.reserve(records_.size());
    std::vector<std::size_t> newIndex(records_.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        newIndex[order[i]] = i;
        sorted.push_back(std::move(records_[order[i]]));
    }
    records_.swap(sorted);
    ++generation_;
    return newIndex;
}

bool TXdbCursor::IsNull(const TXdbField& field, const TXdbRecord& record) {
    if (record.Data.size() < field.MemOffset + field.MemWidth) return true;
    return AllZero(record.Data.data() + field.MemOffset, field.MemWidth);
}

std::string_view TXdbCursor::SlotBytes(const TXdbField& field, const TXdbRecord& record) {
    static const char zeros[64] = {};
    if (record.Data.size() < field.MemOffset + field.MemWidth) return std::string_view(zeros, field.MemWidth);
    return std::string_view(record.Data.data() + field.MemOffset, field.MemWidth);
}

std::string_view TXdbCursor::VarValue(const TXdbField& field, const TXdbRecord& record) {
    VarSlot s = GetVarSlot(field, record);
    if (s.len == 0 || static_cast<std::size_t>(s.pos) + s.len > record.Data.size()) return std::string_view();
    return std::string_view(record.Data.data() + s.pos, s.len);
}

std::string_view TXdbCursor::SmallStrValue(const TXdbField& field, const TXdbRecord& record) {
    std::string_view slot = SlotBytes(field, record);
    return std::string_view(slot.data(), BoundedLength(slot.data(), slot.size()));
}

void TXdbCursor::SetFixed(const TXdbField& field, TXdbRecord& record, const void* bytes, std::size_t size) {
    if (record.Data.size() < field.MemOffset + field.MemWidth) record.Data.resize(field.MemOffset + field.MemWidth, '\0');
    char* slot = &record.Data[field.MemOffset];
    std::memset(slot, 0, field.MemWidth);
    if (size != 0) std::memcpy(slot, bytes, std::min<std::size_t>(size, field.MemWidth));
}

void TXdbCursor::SetSmallStr(const TXdbField& field, TXdbRecord& record, std::string_view value) const {
    // Kept NUL-terminated inside the slot: at most the declared length.
    std::size_t n = std::min<std::size_t>(BoundedLength(value.data(), value.size()), field.Length);
    n = Utf8Prefix(value, n);
    SetFixed(field, record, value.data(), n);
}

void TXdbCursor::SetVarValue(const TXdbField& field, TXdbRecord& record, std::string_view value) const {
    if (field.Type == xftString) value = value.substr(0, BoundedLength(value.data(), value.size()));
    if (value.size() > std::numeric_limits<std::uint32_t>::max() - record.Data.size())
        throw XdbError("Value of field '" + field.Name + "' is too large");
    // Rebuild the record: slots, then every variable value in field order, the new one in place.
    std::string data;
    std::size_t total = memWidth_;
    for (const TXdbField& f : fields_) {
        if (!XdbIsVariableType(f.Type)) continue;
        total += (&f == &field) ? value.size() : VarValue(f, record).size();
    }
    data.reserve(total);
    data.assign(record.Data, 0, std::min<std::size_t>(record.Data.size(), memWidth_));
    data.resize(memWidth_, '\0');
    for (const TXdbField& f : fields_) {
        if (!XdbIsVariableType(f.Type)) continue;
        std::string_view v = (&f == &field) ? value : VarValue(f, record);
        VarSlot s{0, 0};
        if (!v.empty()) {
            s.pos = static_cast<std::uint32_t>(data.size());
            s.len = static_cast<std::uint32_t>(v.size());
            data.append(v.data(), v.size());
        }
        PutVarSlot(f, data, s);
    }
    record.Data.swap(data);
}

void TXdbCursor::ClearValue(const TXdbField& field, TXdbRecord& record) const {
    if (XdbIsVariableType(field.Type)) {
        SetVarValue(field, record, std::string_view());
    } else {
        SetFixed(field, record, nullptr, 0);
    }
}

// ---------------------------------------------------------------------------------------------
// Writing

namespace {

// Appends one record in the file encoding: the length map, then the present values.
void EncodeRecord(const std::vector<TXdbField>& fields, const TXdbRecord& record, std::string& out,
                  long long recordNo) {
    const std::size_t mapAt = out.size();
    out.append(fields.size(), '\0');
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const TXdbField& field = fields[i];
        unsigned char b = 0;
        switch (field.Type) {
        case xftSmallInt:
        case xftBoolean:
        case xftInteger:
        case xftDate:
        case xftTime:
        case xftAutoInc: {
            std::string_view slot = TXdbCursor::SlotBytes(field, record);
            if (!AllZero(slot.data(), slot.size())) {
                b = static_cast<unsigned char>(slot.size());
                out.append(slot.data(), slot.size());
            }
            break;
        }
        case xftDouble:
        case xftCurrency:
        case xftDateTime: {
            std::string_view slot = TXdbCursor::SlotBytes(field, record);
            double v;
            std::memcpy(&v, slot.data(), 8);
            if (v < 0.0 || v > 0.0) {  // negative zero and NaN count as absent
                b = 8;
                out.append(slot.data(), 8);
            }
            break;
        }
        case xftSmallStr: {
            std::string_view v = TXdbCursor::SmallStrValue(field, record);
            if (!v.empty()) {
                b = static_cast<unsigned char>(v.size());
                out.append(v.data(), v.size());
            }
            break;
        }
        case xftString:
        case xftBlob:
        case xftMemo:
        case xftFmtMemo:
        case xftGraphic: {
            std::string_view v = TXdbCursor::VarValue(field, record);
            if (!v.empty()) {
                // Refuse to write what no reader would accept back.
                const std::size_t limit = field.Type == xftString ? XdbStringLimit : XdbBlobLimit;
                if (v.size() >= limit) {
                    const char* pattern = field.Type == xftString
                                              ? "String field '%s' has wrong length %d in record %d"
                                              : "BLOB field '%s' has wrong length %d in record %d";
                    throw XdbError(Format(pattern, field.Name, static_cast<long long>(v.size()), recordNo));
                }
                b = 4;
                AppendInt32(out, static_cast<std::int32_t>(v.size()));
                out.append(v.data(), v.size());
            }
            break;
        }
        case xftUnknown: break;
        }
        out[mapAt + i] = static_cast<char>(b);
    }
}

void AppendHeader(std::string& out, std::int32_t fieldCount, const std::string& layout, const std::string& note) {
    AppendInt32(out, 0);
    out += 'S';
    AppendInt32(out, 0);
    AppendInt32(out, fieldCount);
    AppendInt32(out, static_cast<std::int32_t>(layout.size()));
    out += layout;
    if (!note.empty()) {
        out += '*';
        const auto k = static_cast<std::uint16_t>(note.size());
        out += static_cast<char>(k & 0xFF);
        out += static_cast<char>(k >> 8);
        out += note;
    }
}

constexpr std::size_t kMaxFileSize = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());

[[noreturn]] void TooLarge() {
    throw XdbError("Table is too large to be saved");
}

} // namespace

std::int32_t TXdbCursor::SaveToStream(std::string& stream) const {
    stream.clear();
    // Every record encodes to at most its length map plus its in-memory bytes.
    std::size_t estimate = kHeaderSize + layout_.size() + 3 + note_.size();
    for (const TXdbRecord& r : records_) {
        if (!r.IsHidden()) estimate += fields_.size() + r.Data.size();
    }
    stream.reserve(std::min(estimate, kMaxFileSize));
    AppendHeader(stream, FieldCount(), layout_, note_);
    std::int32_t written = 0;
    int lastPercent = -1;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        const TXdbRecord& record = records_[i];
        if (record.IsHidden()) continue;
        EncodeRecord(fields_, record, stream, written + 1LL);
        if (stream.size() > kMaxFileSize) TooLarge();
        ++written;
        if (onProgress_) {
            int percent = ProgressPercent(static_cast<std::int64_t>(i) + 1, static_cast<std::int64_t>(records_.size()));
            if (percent != lastPercent) {
                lastPercent = percent;
                onProgress_(percent);
            }
        }
    }
    PutInt32(&stream[5], written);
    PutInt32(&stream[0], static_cast<std::int32_t>(stream.size()));
    return static_cast<std::int32_t>(stream.size());
}

std::int32_t TXdbCursor::SaveToStream(std::ostream& stream, std::size_t bufferSize) const {
    std::string buffer;
    buffer.reserve(std::min<std::size_t>(bufferSize, 1u << 24) + 4096);
    AppendHeader(buffer, FieldCount(), layout_, note_);
    std::size_t total = buffer.size();
    std::int32_t written = 0;
    int lastPercent = -1;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        const TXdbRecord& record = records_[i];
        if (record.IsHidden()) continue;
        const std::size_t before = buffer.size();
        EncodeRecord(fields_, record, buffer, written + 1LL);
        total += buffer.size() - before;
        if (total > kMaxFileSize) TooLarge();
        if (buffer.size() >= bufferSize) {
            stream.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            buffer.clear();
        }
        ++written;
        if (onProgress_) {
            int percent = ProgressPercent(static_cast<std::int64_t>(i) + 1, static_cast<std::int64_t>(records_.size()));
            if (percent != lastPercent) {
                lastPercent = percent;
                onProgress_(percent);
            }
        }
    }
    stream.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    char b[4];
    PutInt32(b, written);
    stream.seekp(5);
    stream.write(b, 4);
    PutInt32(b, static_cast<std::int32_t>(total));
    stream.seekp(0);
    stream.write(b, 4);
    stream.seekp(static_cast<std::streamoff>(total));
    if (!stream) throw XdbError("Error writing table");
    return static_cast<std::int32_t>(total);
}

} // namespace kelt
