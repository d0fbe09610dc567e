#pragma once
// Putting a release's files in place all together or not at all. Each verified download is
// copied beside its target through one handle that hashes the very bytes it writes, the new
// file stays open with no sharing until it is renamed over its target through that same handle,
// and every replaced file is kept aside until the whole release is in place, so that any
// failure can put back what was there.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/handles.h"

namespace kelt::update {

// One file of a release on its way into the program folder.
struct Placement {
    std::string name;     // for messages
    std::string staged;   // the download
    std::string target;   // where it goes
    std::uint64_t size = 0;
    std::string sha256;   // lower-case hex, as published
};

class WholeInstall {
public:
    // `runningProgram` (the updater's own file) is renamed aside to RunningProgramAside() when it
    // is replaced; every other replaced file goes into `asideFolder` (below the staging folder).
    WholeInstall(std::string runningProgram, std::string asideFolder);
    // Deletes whatever was prepared and not put in place.
    ~WholeInstall();
    WholeInstall(const WholeInstall&) = delete;
    WholeInstall& operator=(const WholeInstall&) = delete;

    // Writes each file's new bytes beside its target. False at the first that cannot be
    // written or whose bytes are not the published ones (`failed` is its index, `reason` why);
    // nothing is left behind then.
    bool Prepare(const std::vector<Placement>& files, std::size_t& failed, std::string& reason);
    // Renames the prepared files over their targets in order, calling `placed` after each.
    // False at the first that cannot be put in place; the files replaced before it are put
    // back then, and `notPutBack` names those that could not be.
    bool PutInPlace(std::size_t& failed, std::string& reason, std::vector<std::string>& notPutBack,
                    const std::function<void(std::size_t)>& placed);
    // Puts back every file replaced so far, newest first; the names of those that could not be.
    std::vector<std::string> PutBack();
    // Deletes what was kept aside; the running program's old file stays until its next start.
    void Finish();

private:
    struct Step {
        Placement file;
        std::string fresh;   // the new file beside the target
        ui::UniqueKernelHandle handle;
        std::string aside;   // where the replaced file went; empty when there was none
        bool placed = false;
    };
    bool PrepareOne(Step& step, std::string& reason);
    bool PlaceOne(Step& step, std::size_t index, std::string& reason);

    std::string runningProgram_;
    std::string asideFolder_;
    std::vector<Step> steps_;
    std::vector<std::string> createdFolders_;
};

} // namespace kelt::update
