#include "plugins/starter/start_pro.h"

#include <windows.h>

#include "catalogue/platform/registry.h"
#include "plugins/common/wow64.h"
#include "plugins/starter/start_positions.h"
#include "plugins/starter/startup_approved.h"
#include "ui/text.h"

namespace kelt::starter {

namespace {

// One key an entry can live in.
struct Place {
    int position = 0;
    bool wow32 = false;
    bool shadow = false;
};

Place PlaceOf(const JTStartPro& entry)
{
    return Place{entry.Position, entry.Wow32, entry.Shadowed};
}

enum class Access { Read, Change, Create };

bool Open(TRegistry& registry, const Place& place, Access access)
{
    registry.SetAccess((access == Access::Read ? KEY_READ : KEY_ALL_ACCESS) |
                       StartPositionView(place.position, place.wow32));
    registry.SetRootKey(StartPositionRoot(place.position));
    return registry.OpenKey(StartPositionKey(place.position, !place.shadow), access == Access::Create);
}

bool SamePlace(const Place& a, const Place& b)
{
    const bool views = StartPositionHasViews(a.position) && plugin::Is64BitWindows();
    return a.position == b.position && a.shadow == b.shadow && (!views || a.wow32 == b.wow32);
}

// What to do with a value already at the target under the same name.
enum class Existing {
    KeepUnlessEqual,  // moving: only a value of identical data and type may be there
    ReplaceInItsType, // adding: a replaced value keeps its type
    ReplaceInOurType, // modifying: the entry brings its own type
};

// `wrote` tells whether a value was written (false when an identical one was already there).
// Unless `replace`, a string value of that name holding another command is never written over.
StartProResult WriteValue(const Place& place, const std::string& name, const std::string& command,
                          bool expandable, Existing existing, bool replace, bool* wrote = nullptr)
{
    if (wrote)
        *wrote = false;
    try {
        TRegistry registry;
        if (!Open(registry, place, Access::Create))
            return StartProResult::KeyUnavailable;
        if (registry.ValueExists(name)) {
            const TRegDataType type = registry.GetDataType(name);
            if (type != rdString && type != rdExpandString)
                return StartProResult::NameTaken;
            const bool sameCommand = registry.ReadString(name) == command;
            if (existing == Existing::KeepUnlessEqual) {
                if (!sameCommand || (type == rdExpandString) != expandable)
                    return StartProResult::NameTaken;
                return StartProResult::Done;
            }
            if (!sameCommand && !replace)
                return StartProResult::NameTaken;
            if (existing == Existing::ReplaceInItsType)
                expandable = type == rdExpandString;
        }
        if (expandable)
            registry.WriteExpandString(name, command);
        else
            registry.WriteString(name, command);
        if (wrote)
            *wrote = true;
        return StartProResult::Done;
    } catch (const RegistryError&) {
        return StartProResult::WriteFailed;
    }
}

bool RemoveValue(const Place& place, const std::string& name)
{
    TRegistry registry;
    if (!Open(registry, place, Access::Read))
        return true;  // no key, no value
    if (!registry.ValueExists(name))
        return true;
    return Open(registry, place, Access::Change) && registry.DeleteValue(name);
}

void ListPlace(const Place& place, std::vector<JTStartPro>& entries)
{
    TRegistry registry;
    if (!Open(registry, place, Access::Read))
        return;
    std::vector<std::string> names;
    registry.GetValueNames(names);
    for (const std::string& name : names) {
        const TRegDataType type = registry.GetDataType(name);
        if (type != rdString && type != rdExpandString)
            continue;
        JTStartPro entry;
        entry.Name = name;
        entry.Position = place.position;
        try {
            entry.Command = registry.ReadString(name);
        } catch (const RegistryError&) {
            continue;  // gone or changed while we listed
        }
        entry.Expandable = type == rdExpandString;
        entry.Wow32 = place.wow32;
        entry.Shadowed = place.shadow;
        entry.Enabled = !place.shadow;
        if (!place.shadow) {
            const ApprovedState approved = ReadStartupApproved(place.position, place.wow32, name);
            entry.Approved = approved != ApprovedState::None;
            entry.Enabled = approved != ApprovedState::Disabled;
        }
        entries.push_back(std::move(entry));
    }
}

} // namespace

std::string JTStartPro::Place() const
{
    return StartPositionPlace(Position, Wow32);
}

std::vector<JTStartPro> ListStartPros()
{
    std::vector<JTStartPro> entries;
    for (int position = 1; position <= kStartPositionCount; ++position) {
        if (!StartPositionListed(position))
            continue;
        const bool views = StartPositionHasViews(position) && plugin::Is64BitWindows();
        for (bool wow32 : {false, true}) {
            if (wow32 && !views)
                continue;
            ListPlace(Place{position, wow32, false}, entries);
            ListPlace(Place{position, wow32, true}, entries);
        }
    }
    return entries;
}

std::string StartProFailureText(StartProResult result)
{
    switch (result) {
    case StartProResult::Done: return std::string();
    case StartProResult::KeyUnavailable: return "the registry key cannot be opened";
    case StartProResult::NameTaken: return "another value of that name is already there";
    case StartProResult::WriteFailed: return "the registry refused the change";
    case StartProResult::OldNotRemoved: return "the old entry could not be removed";
    }
    return std::string();
}

StartProResult SetStartProEnabled(JTStartPro& entry, bool enabled)
{
    if (entry.Enabled == enabled)
        return StartProResult::Done;
    if (!entry.Shadowed && entry.Approved) {
        if (!WriteStartupApproved(entry.Position, entry.Wow32, entry.Name, enabled))
            return StartProResult::WriteFailed;
        entry.Enabled = enabled;
        return StartProResult::Done;
    }
    const Place from = PlaceOf(entry);
    const Place to{entry.Position, entry.Wow32, !enabled};
    bool wrote = false;
    const StartProResult written =
        WriteValue(to, entry.Name, entry.Command, entry.Expandable, Existing::KeepUnlessEqual, false, &wrote);
    if (written != StartProResult::Done)
        return written;
    if (!RemoveValue(from, entry.Name)) {
        // Do not leave it in both keys.
        if (wrote)
            RemoveValue(to, entry.Name);
        return StartProResult::WriteFailed;
    }
    entry.Shadowed = !enabled;
    entry.Enabled = enabled;
    // Back in its key, an old "off" record of the store would keep it from running.
    if (enabled && ReadStartupApproved(entry.Position, entry.Wow32, entry.Name) == ApprovedState::Disabled)
        WriteStartupApproved(entry.Position, entry.Wow32, entry.Name, true);
    entry.Approved = enabled && ReadStartupApproved(entry.Position, entry.Wow32, entry.Name) != ApprovedState::None;
    return StartProResult::Done;
}

bool DeleteStartPro(const JTStartPro& entry)
{
    if (!RemoveValue(PlaceOf(entry), entry.Name))
        return false;
    if (!entry.Shadowed)
        RemoveStartupApproved(entry.Position, entry.Wow32, entry.Name);
    return true;
}

JTStartPro AddTarget(const std::string& name, int position, const std::string& command)
{
    JTStartPro target;
    target.Name = name;
    target.Position = position;
    target.Command = command;
    return target;
}

JTStartPro ModifyTarget(const JTStartPro& selected, const std::string& name, int position, const std::string& command)
{
    JTStartPro target = selected;
    target.Name = name;
    target.Position = position;
    target.Command = command;
    // The machine-wide positions keep the view the entry was in; a switched-off entry stays off.
    target.Wow32 = StartPositionHasViews(position) && selected.Wow32;
    target.Shadowed = !selected.Enabled;
    target.Approved = false;
    return target;
}

bool FindDisplaced(const JTStartPro& target, const JTStartPro* selected, JTStartPro& other)
{
    const Place place = PlaceOf(target);
    if (selected && SamePlace(PlaceOf(*selected), place) && ui::SameNameIgnoringCase(selected->Name, target.Name))
        return false;  // the selected entry itself
    try {
        TRegistry registry;
        if (!Open(registry, place, Access::Read) || !registry.ValueExists(target.Name))
            return false;
        other = target;
        other.Command.clear();
        const TRegDataType type = registry.GetDataType(target.Name);
        if (type != rdString && type != rdExpandString)
            return true;  // not an entry, but a value the write would meet
        other.Expandable = type == rdExpandString;
        other.Command = registry.ReadString(target.Name);
        // The same command again loses nothing.
        return other.Command != target.Command;
    } catch (const RegistryError&) {
        return false;
    }
}

StartProResult AddStartPro(const std::string& name, int position, const std::string& command, bool replace)
{
    const Place place{position, false, false};
    const StartProResult result = WriteValue(place, name, command, false, Existing::ReplaceInItsType, replace);
    // A new entry is meant to run: an old "off" record of the start-up manager under its name
    // would keep it from starting.
    if (result == StartProResult::Done && ReadStartupApproved(position, false, name) == ApprovedState::Disabled)
        WriteStartupApproved(position, false, name, true);
    return result;
}

StartProResult ModifyStartPro(const JTStartPro& selected, const std::string& name, int position,
                              const std::string& command, bool replace)
{
    const Place from = PlaceOf(selected);
    const Place to = PlaceOf(ModifyTarget(selected, name, position, command));
    const bool inPlace = SamePlace(from, to) && ui::SameNameIgnoringCase(selected.Name, name);
    const StartProResult written =
        WriteValue(to, name, command, selected.Expandable, Existing::ReplaceInOurType, replace || inPlace);
    if (written != StartProResult::Done)
        return written;
    // An entry that runs keeps running under its new name: an old "off" record of the start-up
    // manager there would switch it off without a word.
    if (!to.shadow && ReadStartupApproved(to.position, to.wow32, name) == ApprovedState::Disabled)
        WriteStartupApproved(to.position, to.wow32, name, true);
    if (inPlace)
        return StartProResult::Done;  // rewritten in place
    if (!RemoveValue(from, selected.Name))
        return StartProResult::OldNotRemoved;
    if (selected.Approved)
        RemoveStartupApproved(selected.Position, selected.Wow32, selected.Name);
    return StartProResult::Done;
}

} // namespace kelt::starter
