#include "app/plugin_host_link.h"

#include "app/options.h"
#include "app/program_info.h"
#include "plugins/host/config_plugin_form.h"
#include "plugins/host/plugin.h"
#include "plugins/host/plugin_manager.h"
#include "plugins/host/plugin_options.h"

namespace kelt {

namespace {

// The two plug-in switches and the menu look, read from and saved to the program's options.
class OptionsAdapter : public JTPluginHostOptions {
public:
    explicit OptionsAdapter(JTKeltOptions& options) : options_(options) {}
    bool ScanPlugins() const override { return options_.ScanPlugins; }
    void SetScanPlugins(bool scan) override { options_.ScanPlugins = scan; }
    bool AutoInst() const override { return options_.AutoInst; }
    void SetAutoInst(bool install) override { options_.AutoInst = install; }
    bool UseXPMenu() const override { return options_.UseXPMenu; }
    void Save() override { options_.SaveOptions(); }

private:
    JTKeltOptions& options_;
};

class ManagerLink : public JTPluginHostLink {
public:
    ManagerLink(const JTPluginHostPlaces& places, JTKeltOptions& options)
        : manager_(places.host), options_(options)
    {
        manager_.SetPluginFolder(places.folder);
        manager_.SetProgress(places.progress);
        manager_.SetBarBox(places.barBox);
        manager_.SetMenuRoot(places.menuRoot);
    }

    void RunStartupLoad(HWND owner) override { manager_.RunStartupLoad(options_, owner); }
    int RunConfigDialog(HWND owner) override
    {
        int result = 0;
        TKeltConfigPluginForm form(&result, options_, manager_);
        form.RunModal(owner);
        return result;
    }
    int PluginCount() const override { return const_cast<JTPluginManager&>(manager_).Plugins().Count(); }
    JTPlugin* At(int index) const { return const_cast<JTPluginManager&>(manager_).Plugins().At(index); }
    std::string PluginName(int index) const override { return At(index) ? At(index)->Name() : std::string(); }
    HBITMAP PluginGlyph(int index) const override { return At(index) ? At(index)->GlyphBitmap() : nullptr; }
    void* PluginData(int index) const override { return At(index); }
    void ExecutePlugin(void* plugin) override
    {
        // Only a plug-in the manager still holds is run: the list may have changed since.
        auto* wanted = static_cast<JTPlugin*>(plugin);
        for (int i = 0; i < PluginCount(); ++i)
            if (At(i) == wanted) {
                manager_.ExecutePlugin(wanted);
                return;
            }
    }
    bool HandleCommand(int id) override { return manager_.HandleCommand(id); }
    void SetProgress(HWND progress) override { manager_.SetProgress(progress); }

private:
    JTPluginManager manager_;
    OptionsAdapter options_;
};

} // namespace

std::unique_ptr<JTPluginHostLink> CreatePluginHostLink(const JTPluginHostPlaces& places, JTKeltOptions& options)
{
    return std::make_unique<ManagerLink>(places, options);
}

} // namespace kelt
