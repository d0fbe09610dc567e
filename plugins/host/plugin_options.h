#pragma once
// The options the plug-in host reads and edits, without depending on the program's options
// class: the main window hands over an adapter.
namespace kelt {

class JTPluginHostOptions {
public:
    virtual ~JTPluginHostOptions() = default;
    // Scan the plug-in folder for new plug-ins at start.
    virtual bool ScanPlugins() const = 0;
    virtual void SetScanPlugins(bool scan) = 0;
    // Install plug-ins found at start without asking.
    virtual bool AutoInst() const = 0;
    virtual void SetAutoInst(bool install) = 0;
    virtual bool UseXPMenu() const = 0;
    // Stores the options (may throw what the store throws).
    virtual void Save() = 0;
};

} // namespace kelt
