#include "plugins/hide/hide_uninstall.h"

#include <string>
#include <vector>

#include "plugins/hide/folder_mask.h"
#include "plugins/hide/masked_record.h"
#include "ui/seams.h"

namespace kelt::hide {

namespace {

std::string Listed(const std::vector<MaskedFolder>& folders)
{
    std::string text;
    for (const MaskedFolder& folder : folders)
        text += "\n    " + folder.plain + "  (" + MaskStyleName(folder.style) + ")";
    return text;
}

} // namespace

bool OfferUnmaskBeforeUninstall(HWND owner)
{
    const std::vector<MaskedFolder> masked = ReadMaskedFolders();
    if (masked.empty())
        return true;
    const int answer = ui::ShowMessage(
        owner,
        "Hide has masked these folders:" + Listed(masked) +
            "\n\nWithout Hide nothing will give them their names back. Unmask them before Hide is "
            "uninstalled?\nYes: unmask them. No: leave them masked. Cancel: keep Hide installed.",
        "Hide", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL)
        return false;
    if (answer != IDYES)
        return true;
    const std::vector<MaskedFolder> kept = UnmaskRecordedFolders();
    if (kept.empty())
        return true;
    return ui::ShowMessage(owner,
                           "These folders could not be given their names back:" + Listed(kept) +
                               "\n\nUninstall Hide anyway?",
                           "Hide", MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDOK;
}

} // namespace kelt::hide
