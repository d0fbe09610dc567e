// The Hide plug-in: its strings for the host, its tool window, and what it gives back before it
// is uninstalled.
#include <cstdint>
#include <exception>

#include "plugins/hide/hide_form.h"
#include "plugins/hide/hide_uninstall.h"
#include "plugins/sdk/plugin_contract.h"
#include "plugins/sdk/plugin_frame.h"
#include "ui/error_report.h"

KELT_PLUGIN_INFO("Hide", "Dnv", "Security", "Hide", "Glyph", "0.8", "2003");

void kelt::plugin::ShowToolWindow(HWND owner)
{
    kelt::hide::TForm1 form;
    form.RunModal(owner);
}

// The optional export of the contract. Nothing may unwind into the host; a failure keeps Hide
// installed, since the folders may still be masked.
extern "C" std::int32_t __stdcall PrepareUninstall(std::uint32_t hostHandle)
{
    HWND owner = kelt::plugin::ToolWindowOwner(hostHandle);
    try {
        return kelt::hide::OfferUnmaskBeforeUninstall(owner) ? 1 : 0;
    } catch (const std::exception& error) {
        kelt::ui::ReportError(error, owner);
    } catch (...) {
        kelt::ui::ReportUnknownError(owner);
    }
    return 0;
}
