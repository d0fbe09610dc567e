#include "catalogue/ed_set_item.h"

#include "storage/xdb_table.h"

namespace kelt {

JTedSetItem::JTedSetItem() = default;

JTedSetItem::~JTedSetItem()
{
    // The panel goes first, while the strings it shows still exist.
    panel_.reset();
}

bool JTedSetItem::CreateControl()
{
    if (!panel_)
        panel_ = std::make_unique<JTCapEditPanel>(iRegType);
    panel_->SetTag(this);
    return true;
}

bool JTedSetItem::ReadValue()
{
    sCurValue = sDefaultVal;
    return ReadStoredValue(sCurValue);
}

bool JTedSetItem::WriteValue()
{
    return WriteStoredValue(GetNewValue());
}

bool JTedSetItem::LoadFromTable()
{
    if (!JTSetItem::LoadFromTable())
        return false;
    sDefaultVal = table_->FieldByName("sDefaultVal").AsString();
    return true;
}

bool JTedSetItem::SetFont(HFONT font)
{
    if (!panel_ || !font)
        return false;
    panel_->SetFont(font);
    return true;
}

bool JTedSetItem::SetColor(Colour colour)
{
    if (panel_)
        panel_->SetBackColour(colour);
    return true;
}

bool JTedSetItem::BuildControl()
{
    if (!panel_)
        return false;
    const TRegSetOption& settings = Settings();
    // The panel was created before the table row told the value type.
    panel_->SetValueType(iRegType);
    panel_->SetCaption(sDescribe);
    panel_->SetValue(sCurValue);
    // The panel now shows the registry's value: unmodified, whatever was typed before.
    panel_->SetTextColour(settings.NorTWeakColor);
    panel_->SetDataName(sDataName);
    panel_->SetHint(RegistryPath());
    panel_->SetTag(this);
    panel_->OnBeginEdit = [this](JTCapEditPanel&) {
        if (OnSelect)
            OnSelect(this);
    };
    panel_->OnEndEdit = [this](JTCapEditPanel&) { CheckChange(); };
    panel_->OnMouseDown = [this](JTCapEditPanel&, int button) { PanelMouseDown(button); };
    panel_->SetParentArea(parentArea_);
    ApplySuitability();
    return SetValue(sCurValue);
}

std::string JTedSetItem::GetNewValue()
{
    return panel_ ? panel_->Value() : sCurValue;
}

JTRowControl* JTedSetItem::GetControl()
{
    return panel_.get();
}

std::string JTedSetItem::GetDefaultValue()
{
    return sDefaultVal;
}

bool JTedSetItem::ApplyColors()
{
    if (!settings_ || !panel_)
        return false;
    panel_->SetBackColour(settings_->TWeakBackColor);
    panel_->SetTextColour(settings_->NorTWeakColor);
    return true;
}

bool JTedSetItem::IsModified()
{
    return sCurValue != GetNewValue();
}

bool JTedSetItem::SetValue(const std::string& value)
{
    if (value == shownValue_)
        return true;
    shownValue_ = value;
    const bool modified = value != sCurValue;
    if (panel_) {
        panel_->SetValue(value);
        const TRegSetOption& settings = Settings();
        panel_->SetTextColour(modified ? settings.ModTWeakColor : settings.NorTWeakColor);
    }
    if (OnChange)
        OnChange(this, modified);
    return true;
}

void JTedSetItem::CheckChange()
{
    const bool modified = IsModified();
    const TRegSetOption& settings = Settings();
    panel_->SetTextColour(modified ? settings.ModTWeakColor : settings.NorTWeakColor);
    if (OnChange)
        OnChange(this, modified);
}

void JTedSetItem::PanelMouseDown(int button)
{
    if (button == VK_RBUTTON && OnDetails)
        OnDetails(this);
}

} // namespace kelt
