#pragma once
// The check-styled tweak item: on exactly when the registry value, in its text form, equals
// sYesVal; switching it off writes sNoVal.
#include <memory>
#include <string>

#include "catalogue/check_row.h"
#include "catalogue/set_item.h"

namespace kelt {

class JTckSetItem : public JTSetItem {
public:
    JTckSetItem();
    ~JTckSetItem() override;

    int KindCode() const override { return ikCheckItem; }

    bool CreateControl() override;
    bool ReadValue() override;
    bool WriteValue() override;
    bool LoadFromTable() override;
    bool SetFont(HFONT font) override;
    bool SetColor(Colour colour) override;
    bool BuildControl() override;
    std::string GetNewValue() override;
    JTRowControl* GetControl() override;
    std::string GetDefaultValue() override;
    bool ApplyColors() override;
    bool IsModified() override;
    // "On" or "Off" as the box shows it (or the base's text for another Windows).
    std::string StateText() override;
    // Sets the box and the colour (modified colour when `state` differs from the registry
    // state) without raising OnChange.
    virtual bool SetChecked(bool state);
    // What ticking the box does (from the keyboard in the compact list): the box flips, the
    // colour follows and OnChange is raised; the focus stays where it is. False, changing
    // nothing, while the row is disabled or not made.
    bool Toggle();

    // The row control as its own type (null before CreateControl).
    JTCheckRow* Row() const { return row_.get(); }
    // The box state (mirrored by the row) and the state judged from the registry.
    bool IsChecked() const { return checked_; }
    bool RegistryState() const { return regState_; }

    std::string sYesVal;
    std::string sNoVal;
    bool bDefaultYes = false;

protected:
    bool UnsuitedRowEnabledInOtherModes() const override { return true; }

private:
    // The row reports a toggle: follow it, recolour, raise OnChange.
    void RowToggled();
    void RowMouseDown(int button);

    std::unique_ptr<JTCheckRow> row_;
    bool regState_ = false;
    bool checked_ = false;
};

} // namespace kelt
