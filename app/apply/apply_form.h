#pragma once
// The apply dialog ("Apply..."): lists every modified tweak with its old and new value, lets
// the user leave tweaks out and choose the record file, then runs the apply and offers to
// restart Windows.
#include <windows.h>

#include <string>

#include "ui/window.h"

namespace kelt {

class JTRegSettings;
class JTSetItem;

class TKeltApplyRep : public ui::Dialog {
public:
    TKeltApplyRep(bool createRecord, std::string recordFileName, JTRegSettings& catalogue);

    // The row captions.
    static constexpr const char* kApplyCaption = "Apply";
    static constexpr const char* kUnapplyCaption = "Un-apply";

    // The "Old Value" / "New value to be set " texts of an item's row.
    static std::string OldValueText(JTSetItem& item);
    static std::string NewValueText(JTSetItem& item);

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;

private:
    void FormCreate();
    void FillRows();
    void pcbCreateRecClick();
    void pbtnBrowseClick();
    void pbtnOKClick();
    void pbtnHelpClick();
    // The row's caption follows its check box.
    void UpdateRowCaption(int row);

    bool createRecord_;
    std::string recordFileName_;
    JTRegSettings& catalogue_;
};

} // namespace kelt
