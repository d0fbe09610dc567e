#pragma once
// The edit-styled tweak item: a registry value the user sets to any value of its type. A
// missing value stands for sDefaultVal; the item is modified whenever its panel's value
// differs from the value read from the registry.
#include <memory>
#include <string>

#include "catalogue/cap_edit_panel.h"
#include "catalogue/set_item.h"

namespace kelt {

class JTedSetItem : public JTSetItem {
public:
    JTedSetItem();
    ~JTedSetItem() override;

    int KindCode() const override { return ikEditItem; }

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
    // Shows `value` in the panel unless it is the value last shown this way; colours the row
    // and raises OnChange(item, value differs from the current value).
    virtual bool SetValue(const std::string& value);

    // The panel as its own type (null before CreateControl).
    JTCapEditPanel* Panel() const { return panel_.get(); }
    // The value last handed to the panel by SetValue.
    const std::string& ShownValue() const { return shownValue_; }

    std::string sDefaultVal;

private:
    // The panel reports the end of an edit.
    void CheckChange();
    void PanelMouseDown(int button);

    std::string shownValue_;
    std::unique_ptr<JTCapEditPanel> panel_;
};

} // namespace kelt
