#include "app/apply/replay.h"

#include <exception>

namespace kelt {

std::vector<JTReplayRow> ReplayRecords(const std::vector<const JTRecord*>& records,
                                       const std::vector<std::size_t>& chosen, bool restore)
{
    std::vector<JTReplayRow> rows;
    for (std::size_t index : chosen) {
        if (index >= records.size() || !records[index])
            continue;
        // The row object is only read: a copy writes, so callers may keep theirs const.
        JTRecord record = *records[index];
        JTReplayRow row;
        row.index = index;
        try {
            row.outcome = record.WriteBackOutcome(restore);
        } catch (const std::exception& error) {
            row.failed = true;
            row.reason = error.what();
        }
        row.reason = NotWrittenReason(record, row);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string NotWrittenReason(const JTRecord& record, const JTReplayRow& row)
{
    if (row.failed || !row.reason.empty())
        return row.reason;
    switch (row.outcome) {
    case JTWriteOutcome::Unusable: return record.UnusableReason();
    case JTWriteOutcome::KeyMissing: return "the key cannot be opened";
    case JTWriteOutcome::NothingToDo: return "the value does not exist and may not be created";
    case JTWriteOutcome::AccessDenied: return "access to the key was denied";
    case JTWriteOutcome::OtherType: {
        std::string stored = record.ReadLive().storedType;
        if (stored.empty())
            stored = "another type";
        return "the value is of " + (stored == "another type" ? stored : "type " + stored) +
               " in the registry, of type " + record.TypeName() + " in the record: it is left as it is";
    }
    default: return std::string();
    }
}

std::string OutcomeLabel(const JTRecord& record, const JTReplayRow& row)
{
    if (row.failed)
        return "not written: " + row.reason;
    switch (row.outcome) {
    case JTWriteOutcome::Written: return "written";
    case JTWriteOutcome::Deleted: return "deleted";
    case JTWriteOutcome::KeyMissing:
        if (!record.bAutoCreate)
            return "skip: no key";
        break;
    case JTWriteOutcome::NothingToDo: return "skip: no value";
    case JTWriteOutcome::AccessDenied: return "not written: access denied";
    default: break;
    }
    return "not written: " + NotWrittenReason(record, row);
}

bool ReplayWouldChange(const JTRecord& record, bool restore)
{
    if (!record.UnusableReason().empty() || record.AlreadyAtTarget(restore))
        return false;
    const JTLiveValue live = record.ReadLive();
    if (live.state == JTLiveValue::OtherType)
        return false;
    if (!record.bAutoCreate && (live.state == JTLiveValue::KeyMissing || live.state == JTLiveValue::ValueMissing))
        return false;
    return true;
}

} // namespace kelt
