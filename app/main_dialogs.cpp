// The modal windows the main window opens, as the program has them.
#include "app/about_form.h"
#include "app/main_form.h"
#include "app/options.h"
#include "app/options_form.h"

#include "app/apply/apply_form.h"
#include "app/apply/record_form.h"

namespace kelt {

JTMainDialogs DefaultDialogs()
{
    JTMainDialogs dialogs;
    dialogs.Options = [](HWND owner, JTKeltOptions& options) {
        int result = 0;
        TKeltOptionsForm form(owner, &result, &options);
        form.ShowModal();
        return result;
    };
    dialogs.Apply = [](HWND owner, const std::string& recordFile, JTRegSettings& catalogue) {
        TKeltApplyRep form(true, recordFile, catalogue);
        form.RunModal(owner);
    };
    dialogs.Records = [](HWND owner, int direction, JTRegSettings* catalogue) {
        TKeltRecForm form(direction, catalogue);
        form.RunModal(owner);
    };
    dialogs.About = [](HWND owner) {
        TKeltAboutForm form;
        form.RunModal(owner);
    };
    return dialogs;
}

} // namespace kelt
