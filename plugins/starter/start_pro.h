#pragma once
// Auto-run entries and what can be done to them: listing every position, switching one off
// (into the position's "-" key, or through the start-up manager store where Windows keeps its
// state there) and on again, deleting, adding and replacing.
#include <string>
#include <vector>

namespace kelt::starter {

// One auto-run entry: a string value of a position's key or of its "-" key.
struct JTStartPro {
    std::string Name;
    int Position = 0;
    std::string Command;
    // True while Windows runs it: the value is in the position's key and the start-up manager
    // store does not mark it off.
    bool Enabled = true;

    // Where and how it is stored.
    bool Expandable = false;  // REG_EXPAND_SZ rather than REG_SZ
    bool Wow32 = false;       // the 32-bit view of a machine-wide key on 64-bit Windows
    bool Shadowed = false;    // the value lives in the "-" key
    bool Approved = false;    // the start-up manager store holds its state

    // "HKCU Run", "HKLM Run (32-bit)" ...
    std::string Place() const;
};

// Every entry of the listed positions, in position order; for each position the native view
// before the 32-bit one and, within a view, the key before its "-" key. Nothing is merged: the
// same command at two places is two entries. Values of types other than plain and expandable
// strings are not entries.
std::vector<JTStartPro> ListStartPros();

enum class StartProResult {
    Done,
    KeyUnavailable,  // the key to write cannot be opened or created
    NameTaken,       // another value of that name is in the way
    WriteFailed,     // the registry refused the write
    OldNotRemoved,   // Modify wrote the new value but the old one stayed: both exist now
};

// Why an operation failed, for the user; empty for Done.
std::string StartProFailureText(StartProResult result);

// Switches an entry on or off. Entries the store knows are toggled in the store; the rest
// move between the key and its "-" key, keeping name, data and type. A value of the same name
// with other contents at the target is never overwritten. On success `entry` describes the
// new state.
StartProResult SetStartProEnabled(JTStartPro& entry, bool enabled);

// Removes the entry's value (and its record in the store). True when it is gone.
bool DeleteStartPro(const JTStartPro& entry);

// The entry Add would write (the position's own key, native view, switched on) and the entry
// Modify would turn `selected` into (its view and state kept).
JTStartPro AddTarget(const std::string& name, int position, const std::string& command);
JTStartPro ModifyTarget(const JTStartPro& selected, const std::string& name, int position, const std::string& command);

// The value that writing `target` would replace: another entry of the same name at the same
// place with another command (or a value of another type). False when there is none, when it
// is `selected` itself, or when it holds the same command already.
bool FindDisplaced(const JTStartPro& target, const JTStartPro* selected, JTStartPro& other);

// Writes a new entry into the position's own key (native view). Another string value of that
// name is replaced (in its own type) only with `replace`, else NameTaken; a value of another
// type is always left alone (NameTaken).
StartProResult AddStartPro(const std::string& name, int position, const std::string& command, bool replace = false);

// Replaces `selected` by the given name, position and command: the new value is written
// first, in the selected entry's type and state (a switched-off entry stays off, in the new
// position's "-" key; one that runs still runs, whatever the start-up manager store held
// under the new name), then the old value is removed from where it was (OldNotRemoved when
// that fails: both exist then). Another entry of the new name at the target is replaced only
// with `replace`.
StartProResult ModifyStartPro(const JTStartPro& selected, const std::string& name, int position,
                              const std::string& command, bool replace = false);

} // namespace kelt::starter
