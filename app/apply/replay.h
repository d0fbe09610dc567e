#pragma once
// Replaying record rows into the registry, one direction at a time: the restore/redo dialog
// and the command line both run it, and each says in its own words what became of each row.
#include <cstddef>
#include <string>
#include <vector>

#include "catalogue/record.h"

namespace kelt {

// What became of one replayed row.
struct JTReplayRow {
    std::size_t index = 0;  // the row's place in the record file, from 0
    JTWriteOutcome outcome = JTWriteOutcome::Written;
    bool failed = false;    // an error ended the row's write; `reason` holds it
    std::string reason;     // why nothing was written; empty when it was

    bool Written() const
    {
        return !failed && (outcome == JTWriteOutcome::Written || outcome == JTWriteOutcome::Deleted);
    }
};

// Writes the rows named by `chosen` (indexes into `records`, in that order) with their old
// values (`restore`) or their new ones. A row's error (a DWORD that is no number, a refused
// write) is that row's outcome; the rows after it are still written.
std::vector<JTReplayRow> ReplayRecords(const std::vector<const JTRecord*>& records,
                                       const std::vector<std::size_t>& chosen, bool restore);

// Why a row was not written, as a sentence part ("the key cannot be opened"); empty for a
// row that was written.
std::string NotWrittenReason(const JTRecord& record, const JTReplayRow& row);

// The outcome in a word or three, as the command line lists it: "written", "deleted",
// "skip: no key", "skip: no value", "not written: <reason>".
std::string OutcomeLabel(const JTRecord& record, const JTReplayRow& row);

// Whether a replay in that direction would write into the registry: the row is usable, not at
// its target already, and not one the replay skips.
bool ReplayWouldChange(const JTRecord& record, bool restore);

} // namespace kelt
