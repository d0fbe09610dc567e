#include "update/whole_install.h"

#include "update/file_names.h"
#include "update/file_ops.h"
#include "update/limits.h"

namespace kelt::update {

namespace {

std::string FolderOf(const std::string& path)
{
    return path.substr(0, path.find_last_of('\\') + 1);
}

bool Exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Renames the file open as `file` (opened with DELETE access) to `target`, replacing it: the
// bytes that land there are the ones written through this handle, whatever happens to names.
bool RenameOpenFile(HANDLE file, const std::string& target)
{
    const int wide = ::MultiByteToWideChar(CP_ACP, 0, target.c_str(), -1, nullptr, 0);
    if (wide <= 1)
        return false;
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + static_cast<std::size_t>(wide) * sizeof(WCHAR));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(wide - 1) * sizeof(WCHAR);
    ::MultiByteToWideChar(CP_ACP, 0, target.c_str(), -1, info->FileName, wide);
    return ::SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != FALSE;
}

} // namespace

WholeInstall::WholeInstall(std::string runningProgram, std::string asideFolder)
    : runningProgram_(std::move(runningProgram)), asideFolder_(std::move(asideFolder))
{
}

WholeInstall::~WholeInstall()
{
    bool anyPlaced = false;
    for (Step& step : steps_) {
        step.handle.reset();
        if (!step.placed && !step.fresh.empty())
            ::DeleteFileA(step.fresh.c_str());
        anyPlaced = anyPlaced || step.placed;
    }
    if (!anyPlaced)
        for (auto folder = createdFolders_.rbegin(); folder != createdFolders_.rend(); ++folder)
            ::RemoveDirectoryA(folder->c_str());
}

bool WholeInstall::PrepareOne(Step& step, std::string& reason)
{
    const std::string folder = FolderOf(step.file.target);
    if (!Exists(folder)) {
        if (!::CreateDirectoryA(folder.c_str(), nullptr)) {
            reason = "its folder cannot be created: " + LastErrorText();
            return false;
        }
        createdFolders_.push_back(folder);
    }
    // Nobody may write the download while it is read, nor the new file until it is in place.
    ui::UniqueKernelHandle source(::CreateFileA(step.file.staged.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source) {
        reason = "the download cannot be read: " + LastErrorText();
        return false;
    }
    const std::string fresh = step.file.target + ".new";
    step.handle.reset(::CreateFileA(fresh.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!step.handle) {
        reason = "the new file cannot be written beside it: " + LastErrorText();
        return false;
    }
    step.fresh = fresh;
    Sha256Stream hash;
    std::vector<char> buffer(kBodyPiece);
    std::uint64_t total = 0;
    for (;;) {
        DWORD read = 0, written = 0;
        if (!::ReadFile(source.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            reason = "the download cannot be read: " + LastErrorText();
            return false;
        }
        if (read == 0)
            break;
        total += read;
        if (total > step.file.size)
            break;
        hash.Add(buffer.data(), read);
        if (!::WriteFile(step.handle.get(), buffer.data(), read, &written, nullptr) || written != read) {
            reason = "the new file cannot be written beside it: " + LastErrorText();
            return false;
        }
    }
    if (total != step.file.size || hash.HexValue() != step.file.sha256) {
        reason = "the download changed after it was checked";
        return false;
    }
    if (!::FlushFileBuffers(step.handle.get())) {
        reason = "the new file cannot be written beside it: " + LastErrorText();
        return false;
    }
    return true;
}

bool WholeInstall::Prepare(const std::vector<Placement>& files, std::size_t& failed, std::string& reason)
{
    steps_.clear();
    steps_.reserve(files.size());
    for (const Placement& file : files) {
        steps_.push_back(Step{file, {}, {}, {}, false});
        if (!PrepareOne(steps_.back(), reason)) {
            failed = steps_.size() - 1;
            for (Step& step : steps_) {
                step.handle.reset();
                if (!step.fresh.empty())
                    ::DeleteFileA(step.fresh.c_str());
                step.fresh.clear();
            }
            return false;
        }
    }
    return true;
}

bool WholeInstall::PlaceOne(Step& step, std::size_t index, std::string& reason)
{
    const std::string& target = step.file.target;
    const DWORD attributes = ::GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        reason = "a folder of that name is in the way";
        return false;
    }
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        const bool running = !runningProgram_.empty() && SameFileName(FullPath(target), FullPath(runningProgram_));
        const std::string aside = running ? RunningProgramAside(target) : asideFolder_ + std::to_string(index);
        if (!::MoveFileExA(target.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            reason = LastErrorText();
            return false;
        }
        step.aside = aside;
    }
    if (!RenameOpenFile(step.handle.get(), target)) {
        reason = "the new file cannot be renamed over it: " + LastErrorText();
        return false;
    }
    step.handle.reset();
    step.fresh.clear();
    step.placed = true;
    return true;
}

bool WholeInstall::PutInPlace(std::size_t& failed, std::string& reason, std::vector<std::string>& notPutBack,
                              const std::function<void(std::size_t)>& placed)
{
    ::CreateDirectoryA(asideFolder_.c_str(), nullptr);
    for (std::size_t i = 0; i < steps_.size(); ++i) {
        if (!PlaceOne(steps_[i], i, reason)) {
            failed = i;
            notPutBack = PutBack();
            return false;
        }
        if (placed)
            placed(i);
    }
    return true;
}

std::vector<std::string> WholeInstall::PutBack()
{
    std::vector<std::string> failures;
    for (auto step = steps_.rbegin(); step != steps_.rend(); ++step) {
        if (!step->placed && step->aside.empty())
            continue;
        const std::string& target = step->file.target;
        const bool restored = step->aside.empty()
                                  ? ::DeleteFileA(target.c_str()) != FALSE
                                  : ::MoveFileExA(step->aside.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
        if (restored) {
            step->placed = false;
            step->aside.clear();
        } else {
            failures.push_back(step->file.name);
        }
    }
    return failures;
}

void WholeInstall::Finish()
{
    for (Step& step : steps_)
        if (!step.aside.empty() && FolderOf(step.aside) == asideFolder_)
            ::DeleteFileA(step.aside.c_str());
    ::RemoveDirectoryA(asideFolder_.c_str());
}

} // namespace kelt::update
