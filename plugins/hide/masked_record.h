#pragma once
// The folders this tool masked, so each can be given its name back from the window even where
// the folder browser cannot reach it (a folder masked as the Recycle Bin opens as the bin).
// Kept per user under HKEY_CURRENT_USER: one string value per folder, named by the folder's
// plain path and holding its masked path.
#include <string>
#include <vector>

namespace kelt::hide {

extern const char kMaskedFoldersKey[];

struct MaskedFolder {
    std::string plain;   // the folder's own name ("C:\Data\Docs")
    std::string masked;  // its name now ("C:\Data\Docs.{645FF040-...}")
    int style = 0;
};

// The recorded folders that are still masked, sorted by their own names. Records of
// folders that got their names back elsewhere, or are gone from a drive that is there, are
// dropped; those on a drive that is not there now are kept but not listed.
std::vector<MaskedFolder> ReadMaskedFolders();

// Records where a rename left a folder: masked under `newPath`, or back under its plain name.
// False when the record could not be written.
bool RecordMaskedFolder(const std::string& newPath);

// Gives every recorded masked folder its own name back; answers those that kept their masks.
std::vector<MaskedFolder> UnmaskRecordedFolders();

} // namespace kelt::hide
