#include "catalogue/ck_set_item.h"

#include "storage/utf8_text.h"
#include "storage/xdb_table.h"
#include "ui/dpi.h"

namespace kelt {

namespace {
const int kRowHeight = 17;
}

JTckSetItem::JTckSetItem() = default;

JTckSetItem::~JTckSetItem()
{
    // The row goes first, while the strings it shows still exist.
    row_.reset();
}

bool JTckSetItem::CreateControl()
{
    if (!row_)
        row_ = std::make_unique<JTCheckRow>();
    row_->SetTag(this);
    return true;
}

bool JTckSetItem::ReadValue()
{
    regState_ = bDefaultYes;
    sCurValue = bDefaultYes ? sYesVal : sNoVal;
    const bool result = ReadStoredValue(sCurValue);
    // Exact comparison: same bytes, case-sensitive, no number parsing.
    const std::string& opposite = bDefaultYes ? sNoVal : sYesVal;
    if (sCurValue == opposite)
        regState_ = !regState_;
    return result;
}

bool JTckSetItem::WriteValue()
{
    return WriteStoredValue(checked_ ? sYesVal : sNoVal);
}

bool JTckSetItem::LoadFromTable()
{
    if (!JTSetItem::LoadFromTable())
        return false;
    sYesVal = table_->FieldByName("sYesVal").AsString();
    sNoVal = table_->FieldByName("sNoVal").AsString();
    return true;
}

bool JTckSetItem::SetFont(HFONT font)
{
    if (!row_ || !font)
        return false;
    row_->SetFont(font);
    return true;
}

bool JTckSetItem::SetColor(Colour colour)
{
    if (row_)
        row_->SetBackColour(colour);
    return true;
}

bool JTckSetItem::BuildControl()
{
    if (!row_)
        return false;
    checked_ = sCurValue == sYesVal;
    row_->SetChecked(checked_);
    row_->SetCaption(sDescribe);
    row_->SetHint(RegistryPath());
    row_->SetTag(this);
    // 9 pixels a character (not a byte: a description may hold any language).
    row_->SetSize(row_->ScaleRow(9 * static_cast<int>(Utf8Length(sDescribe)) + 30), row_->ScaleRow(kRowHeight));
    row_->SetParentArea(parentArea_);
    row_->OnToggle = [this](JTCheckRow&) { RowToggled(); };
    row_->OnMouseDown = [this](JTCheckRow&, int button) { RowMouseDown(button); };
    ApplySuitability();
    return SetChecked(regState_);
}

std::string JTckSetItem::GetNewValue()
{
    return checked_ ? sYesVal : sNoVal;
}

JTRowControl* JTckSetItem::GetControl()
{
    return row_.get();
}

std::string JTckSetItem::GetDefaultValue()
{
    return bDefaultYes ? sYesVal : sNoVal;
}

bool JTckSetItem::ApplyColors()
{
    if (!settings_ || !row_)
        return false;
    row_->SetBackColour(settings_->TWeakBackColor);
    row_->SetTextColour(settings_->NorTWeakColor);
    return true;
}

bool JTckSetItem::IsModified()
{
    return checked_ != regState_;
}

std::string JTckSetItem::StateText()
{
    if (!SuitsRunningWindows())
        return JTSetItem::StateText();
    return checked_ ? "On" : "Off";
}

bool JTckSetItem::SetChecked(bool state)
{
    checked_ = state;
    if (row_) {
        row_->SetChecked(state);
        const TRegSetOption& settings = Settings();
        row_->SetTextColour(state != regState_ ? settings.ModTWeakColor : settings.NorTWeakColor);
    }
    return true;
}

bool JTckSetItem::Toggle()
{
    if (!row_ || !row_->IsEnabled())
        return false;
    row_->SetChecked(!checked_);
    RowToggled();
    return true;
}

void JTckSetItem::RowToggled()
{
    checked_ = row_->IsChecked();
    const bool modified = IsModified();
    const TRegSetOption& settings = Settings();
    row_->SetTextColour(modified ? settings.ModTWeakColor : settings.NorTWeakColor);
    if (OnChange)
        OnChange(this, modified);
}

void JTckSetItem::RowMouseDown(int button)
{
    if (button == VK_LBUTTON) {
        if (OnSelect)
            OnSelect(this);
    } else if (OnDetails) {
        OnDetails(this);
    }
}

} // namespace kelt
