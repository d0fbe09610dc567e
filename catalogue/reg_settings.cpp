#include "catalogue/reg_settings.h"

#include <algorithm>
#include <cctype>

#include "catalogue/ck_set_item.h"
#include "catalogue/ed_set_item.h"
#include "ui/bitmap.h"
#include "ui/seams.h"

namespace kelt {

namespace {

const char kOpenKindsFailed[] = "An error has been occured when opening database of catalogues!";
const char kReadKindsFailed[] = "An error has been occured when reading data from database of catalogues!";
const char kOpenCkFailed[] = "An error has been occured when opening database of check-styled items!";
const char kReadCkFailed[] = "An error has been occured when reading data from database of ckeck-styled items!";
const char kOpenEdFailed[] = "An error has been occured when opening database of edit-styled items!";
const char kReadEdFailed[] = "An error has been occured when reading data from database of edit-styled items!";

const char* const kPictureNames[4] = {"NORTICKPIC", "MODTICKPIC", "NOREDITPIC", "MODEDITPIC"};
const int kGlyphSize = 32;
const UINT_PTR kFlashTimerId = 1;

std::string Upper(const std::string& text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return result;
}

// The criteria's words, upper-cased once for a search that ignores case.
struct PreparedWords {
    explicit PreparedWords(const JTSearchCriteria& criteria) : caseSensitive(criteria.bCaseSensitive)
    {
        for (auto [from, to] : {std::pair{&criteria.AllWords, &all}, std::pair{&criteria.AnyWords, &any},
                                std::pair{&criteria.NoneWords, &none}})
            for (const std::string& word : *from)
                to->push_back(caseSensitive ? word : Upper(word));
    }

    bool Matches(const std::string& original) const
    {
        const std::string upper = caseSensitive ? std::string() : Upper(original);
        const std::string& text = caseSensitive ? original : upper;
        for (const std::string& word : all)
            if (text.find(word) == std::string::npos)
                return false;
        if (!any.empty()) {
            bool found = false;
            for (const std::string& word : any)
                if (text.find(word) != std::string::npos) {
                    found = true;
                    break;
                }
            if (!found)
                return false;
        }
        for (const std::string& word : none)
            if (text.find(word) != std::string::npos)
                return false;
        return true;
    }

    bool caseSensitive;
    std::vector<std::string> all, any, none;
};

// Line breaks as an edit control shows them.
std::string ForEditControl(const std::string& text)
{
    std::string result;
    result.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            result += '\r';
        result += text[i];
    }
    return result;
}

} // namespace

bool SearchTextMatches(const std::string& text, const JTSearchCriteria& criteria)
{
    return PreparedWords(criteria).Matches(text);
}

// A message-only window carrying the flash timer.
class JTRegSettings::TimerWindow : public ui::Window {
public:
    explicit TimerWindow(std::function<void()> tick) : tick_(std::move(tick))
    {
        RegisterWindowClass("KeltFlashTimer", 0, nullptr);
        Create("KeltFlashTimer", std::string(), 0, 0, 0, 0, 0, 0, HWND_MESSAGE);
    }
    ~TimerWindow() override { Destroy(); }

    void Start(UINT interval) { ::SetTimer(Handle(), kFlashTimerId, interval, nullptr); }
    void Stop() { ::KillTimer(Handle(), kFlashTimerId); }

protected:
    bool OnTimer(UINT_PTR id) override
    {
        if (id != kFlashTimerId)
            return false;
        tick_();
        return true;
    }

private:
    std::function<void()> tick_;
};

// ---------------------------------------------------------------- lifetime

JTRegSettings::JTRegSettings()
    : recordTable_(std::make_unique<TXdbTable>()), settings_(std::make_unique<TRegSetOption>())
{
}

JTRegSettings::~JTRegSettings()
{
    // Hiding and freeing rows moves the focus, and a row losing it reports an ended edit:
    // nothing may reach the catalogue or its owner from here on.
    OnSearchBegin = nullptr;
    OnSearchEnd = nullptr;
    OnSearchItem = nullptr;
    OnKindChange = nullptr;
    OnModifiedCountChange = nullptr;
    for (const auto& page : pages_) {
        for (const auto* items : {&page->CkItems(), &page->EdItems()}) {
            for (const auto& item : *items) {
                item->OnSelect = nullptr;
                item->OnChange = nullptr;
                item->OnDetails = nullptr;
            }
        }
    }
    StopFlashTimer();
    flashTarget_ = nullptr;
    ReturnShownItem();
    if (pageControl_)
        pageControl_->SetVisible(false);
    for (auto& page : pages_)
        page.reset();
    pages_.clear();
    pageControl_.reset();
    modified_.clear();
    kindsTable_.Close();
    ckTable_.Close();
    edTable_.Close();
    recordTable_.reset();
    settings_.reset();
    flashTimer_.reset();
    glyphImages_.reset();
    tabImages_.reset();
}

void JTRegSettings::SetTablePaths(const std::string& kinds, const std::string& ckItems, const std::string& edItems)
{
    kindsPath_ = kinds;
    ckItemsPath_ = ckItems;
    edItemsPath_ = edItems;
}

JTSetKind* JTRegSettings::Page(int index) const
{
    if (index < 0 || index >= PageCount())
        return nullptr;
    return pages_[static_cast<std::size_t>(index)].get();
}

JTSetKind* JTRegSettings::PageOf(const JTSetItem* item) const
{
    return item ? Page(item->KindIndex()) : nullptr;
}

bool JTRegSettings::IsInModifiedList(const JTSetItem* item) const
{
    return std::find(modified_.begin(), modified_.end(), item) != modified_.end();
}

HBITMAP JTRegSettings::StatePicture(StatePictureId which) const
{
    return which >= spNorTick && which <= spModEdit ? pictures_[which].get() : nullptr;
}

std::string JTRegSettings::DetailsText(const JTSetItem& item)
{
    const std::string reason = item.UnsuitedReason();
    return "Setting:" + item.sDescribe + "\n" + (reason.empty() ? "" : "Not available here: " + reason + "\n\n") +
           item.sDetails;
}

void JTRegSettings::ShowError(const std::string& text)
{
    ui::ShowMessage(pageParent_, text, "Error", MB_OK | MB_ICONERROR);
}

void JTRegSettings::SetProgress(int position)
{
    if (progress_)
        ::SendMessageA(progress_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

// ---------------------------------------------------------------- loading

bool JTRegSettings::LoadAll()
{
    if (!CreatePageControl()) {
        loadState_ = lsFailed;
        return false;
    }
    const bool loaded = LoadKinds() && LoadItems();
    // Whatever was built shows, even when a table failed half-way.
    pageControl_->SetActivePageIndex(0);
    ArrangeAll();
    CountItems();
    loadState_ = loaded ? lsLoaded : lsFailed;
    return loaded;
}

void JTRegSettings::CountItems()
{
    ckCount_ = 0;
    edCount_ = 0;
    for (const auto& page : pages_) {
        ckCount_ += page->CkItemCount();
        edCount_ += page->EdItemCount();
    }
}

bool JTRegSettings::CreatePageControl()
{
    if (!pageParent_)
        return false;
    if (!pageControl_) {
        pageControl_ = std::make_unique<ui::PageControl>();
        pageControl_->CreateIn(pageParent_, settings_->ShowCreating);
    }
    if (!flashTimer_)
        flashTimer_ = std::make_unique<TimerWindow>([this] { FlashTick(); });
    flashRunning_ = false;
    return true;
}

bool JTRegSettings::OpenTable(TXdbTable* table, const std::string& path)
{
    std::unique_ptr<TXdbTable> throwAway;
    if (!table) {
        throwAway = std::make_unique<TXdbTable>();
        table = throwAway.get();
    }
    table->LoadFromFile(path);
    table->First();
    return true;
}

bool JTRegSettings::CheckVersion(TXdbTable& table, const char* version)
{
    table.First();
    if (table.Eof() || table.FieldByName("sDescribe").AsString() != version)
        return false;
    table.Next();
    return true;
}

bool JTRegSettings::OpenKindsTable()
{
    return OpenTable(&kindsTable_, kindsPath_) && CheckKindsVersion();
}

bool JTRegSettings::CheckKindsVersion()
{
    return CheckVersion(kindsTable_, kKindsVersion);
}

bool JTRegSettings::OpenCkTable()
{
    return OpenTable(&ckTable_, ckItemsPath_) && CheckCkVersion();
}

bool JTRegSettings::CheckCkVersion()
{
    return CheckVersion(ckTable_, kCkItemsVersion);
}

bool JTRegSettings::OpenEdTable()
{
    return OpenTable(&edTable_, edItemsPath_) && CheckEdVersion();
}

bool JTRegSettings::CheckEdVersion()
{
    return CheckVersion(edTable_, kEdItemsVersion);
}

void JTRegSettings::LoadStatePictures()
{
    HINSTANCE program = ::GetModuleHandleA(nullptr);
    for (int i = 0; i < 4; ++i) {
        HBITMAP picture = static_cast<HBITMAP>(
            ::LoadImageA(program, kPictureNames[i], IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        if (!picture)
            throw Error(std::string("Resource ") + kPictureNames[i] + " not found");
        pictures_[i].reset(picture);
    }
}

bool JTRegSettings::LoadKinds()
{
    bool opened = false;
    try {
        opened = OpenKindsTable();
    } catch (const std::exception&) {
        opened = false;
    }
    if (!opened) {
        ShowError(kOpenKindsFailed);
        return false;
    }
    try {
        kindCount_ = 0;
        LoadStatePictures();
        glyphImages_.reset(::ImageList_Create(kGlyphSize, kGlyphSize, ILC_COLOR24, 0, 8));
        tabImages_.reset(::ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 0, 8));
        pageControl_->SetImageList(tabImages_.get());
        while (!kindsTable_.Eof()) {
            CreateKind();
            kindsTable_.Next();
            ++kindCount_;
        }
    } catch (const std::exception&) {
        kindsState_ = lsFailed;
        ShowError(kReadKindsFailed);
        return false;
    }
    kindsState_ = lsLoaded;
    return true;
}

bool JTRegSettings::CreateKind()
{
    auto owned = std::make_unique<JTSetKind>();
    JTSetKind* page = owned.get();
    page->SetCatalogue(this);
    page->SetKindsTable(&kindsTable_);
    page->SetRecordNumber(kindsTable_.RecNo());
    page->SetPageControl(pageControl_.get());
    // Kept from here on, so pages and the page control's pages stay in step even when building
    // the page fails half-way.
    pages_.push_back(std::move(owned));
    page->SetTabVisible(tabsVisible_);
    page->SetDisplaySettings(settings_.get());

    if (HBITMAP glyph = page->Glyph()) {
        const SIZE size = ui::BitmapSize(glyph);
        // One picture per kind: a glyph of another size would add several.
        ui::UniqueBitmap scaled;
        if (size.cx != kGlyphSize || size.cy != kGlyphSize)
            scaled.reset(ui::ScaleBitmap(glyph, kGlyphSize, kGlyphSize));
        ::ImageList_Add(glyphImages_.get(), scaled ? scaled.get() : glyph, nullptr);
    }
    page->OnListMouseDown = [this](JTSetKind& p, int entry) { CompactMouseDown(p, entry); };
    page->OnListSelect = [this](JTSetKind&, JTSetItem* item) { CompactSelect(item); };
    return true;
}

bool JTRegSettings::LoadItems()
{
    // Nothing is modified before the first item exists.
    modified_.clear();
    return LoadItemTable({ckTable_, &JTRegSettings::OpenCkTable, &JTRegSettings::CheckCkVersion,
                          &JTRegSettings::CreateCkItem, ckState_, kOpenCkFailed, kReadCkFailed}) &&
           LoadItemTable({edTable_, &JTRegSettings::OpenEdTable, &JTRegSettings::CheckEdVersion,
                          &JTRegSettings::CreateEdItem, edState_, kOpenEdFailed, kReadEdFailed});
}

bool JTRegSettings::LoadItemTable(const ItemTable& items)
{
    bool opened = false;
    try {
        opened = (this->*items.open)() && (this->*items.checkVersion)();
    } catch (const std::exception&) {
        opened = false;
    }
    if (!opened) {
        items.state = lsFailed;
        ShowError(items.openFailed);
        return false;
    }
    SetProgress(0);
    try {
        const int count = std::max(items.table.RecordCount(), 1);
        for (int i = 0; !items.table.Eof(); ++i) {
            (this->*items.createItem)();
            SetProgress(i * 100 / count - 1);
            items.table.Next();
        }
    } catch (const std::exception&) {
        modified_.clear();
        ShowError(items.readFailed);
        items.state = lsFailed;
        return false;
    }
    items.state = lsLoaded;
    return true;
}

void JTRegSettings::InstallItemHandlers(JTSetItem& item)
{
    item.OnSelect = [this](JTSetItem* i) { ItemSelect(i); };
    item.OnChange = [this](JTSetItem* i, bool modified) { ItemChange(i, modified); };
    item.OnDetails = [this](JTSetItem* i) { ItemDetails(i); };
    if (JTRowControl* row = item.GetControl()) {
        // The details follow the pointer over the rows.
        row->OnMouseMove = [this](JTRowControl& r) { ItemDetails(r.Tag()); };
        row->OnClick = [](JTRowControl& r) {
            if (!r.HasFocus() && r.CanFocus())
                r.Focus();
        };
        row->SetTextColour(settings_->NorTWeakColor);
    }
}

JTSetItem* JTRegSettings::AddItem(std::unique_ptr<JTSetItem> owned, TXdbTable& table)
{
    const int kind = table.FieldByName("iTypeID").AsInteger();
    JTSetKind* page = Page(kind);
    if (!page)
        return nullptr;
    JTSetItem* item = owned.get();
    item->SetKindIndex(kind);
    item->SetPage(page);
    item->SetTable(&table);
    item->SetDisplaySettings(settings_.get());
    // A value of the wrong type makes the read answer false before the row is built; the item
    // is kept all the same, so its row must show.
    if (!item->Initialize(true, true))
        item->BuildControl();
    if (ItemKindOf(item) == ikCheckItem)
        page->AddCkItem(std::move(owned));
    else
        page->AddEdItem(std::move(owned));
    InstallItemHandlers(*item);
    return item;
}

bool JTRegSettings::CreateCkItem()
{
    JTSetItem* item = AddItem(std::make_unique<JTckSetItem>(), ckTable_);
    if (!item)
        return false;
    if (item->SuitsRunningWindows())
        ++suitedCkCount_;
    return true;
}

bool JTRegSettings::CreateEdItem()
{
    JTSetItem* item = AddItem(std::make_unique<JTedSetItem>(), edTable_);
    if (!item)
        return false;
    if (JTRowControl* row = item->GetControl())
        row->SetBackColour(settings_->TWeakBackColor);
    if (item->SuitsRunningWindows())
        ++suitedEdCount_;
    return true;
}

// ---------------------------------------------------------------- whole catalogue

bool JTRegSettings::ReadAllValues()
{
    bool result = true;
    for (auto& page : pages_)
        result = page->ReadAllValues();
    return result;
}

bool JTRegSettings::ArrangeAll()
{
    return RearrangePages(&JTSetKind::Arrange);
}

bool JTRegSettings::RearrangePages(bool (JTSetKind::*arrange)())
{
    if (!pageControl_)
        return false;
    JTSetItem* shown = shown_;
    ReturnShownItem();
    pageControl_->SetVisible(false);
    for (auto& page : pages_)
        ((*page).*arrange)();
    pageControl_->SetVisible(true);
    pageControl_->BringActivePageToFront();
    selected_ = nullptr;
    // The compact view keeps showing the item it showed; the expanded view has it in its page.
    if (shown && !settings_->ExpandItems)
        MoveIntoEditor(shown);
    return true;
}

bool JTRegSettings::RefreshAll(bool keepChanges)
{
    std::vector<std::pair<JTSetItem*, std::string>> pending;
    if (keepChanges)
        for (JTSetItem* item : modified_)
            pending.emplace_back(item, item->GetNewValue());
    JTSetItem* shown = shown_;
    ReturnShownItem();
    ReadAllValues();
    for (auto& page : pages_)
        page->RebuildControls();
    // Rebuilt rows show the registry's values again: rows that are no longer modified leave
    // the list the way every change does.
    const std::vector<JTSetItem*> listed = modified_;
    for (JTSetItem* item : listed)
        if (!item->IsModified())
            ItemChange(item, false);
    for (const auto& [item, value] : pending) {
        if (ItemKindOf(item) == ikCheckItem) {
            auto* check = static_cast<JTckSetItem*>(item);
            check->SetChecked(value == check->sYesVal);
        } else if (ItemKindOf(item) == ikEditItem) {
            static_cast<JTedSetItem*>(item)->SetValue(value);
        }
        ItemChange(item, item->IsModified());
    }
    for (auto& page : pages_)
        page->RedrawList();
    if (shown && !settings_->ExpandItems)
        MoveIntoEditor(shown);
    return true;
}

void JTRegSettings::RereadItem(JTSetItem* item)
{
    if (!item)
        return;
    // Rebuilding puts the row back into its page area: one in the editor goes back there.
    const bool inEditor = item == shown_;
    if (inEditor)
        ReturnShownItem();
    item->ReadValue();
    item->BuildControl();
    if (JTSetKind* page = item->Page())
        page->RedrawEntry(item);
    if (inEditor && !settings_->ExpandItems)
        MoveIntoEditor(item);
}

void JTRegSettings::SetTabsVisible(bool visible)
{
    // Pages made later take it from the start (a tab taken away again costs a new layout).
    tabsVisible_ = visible;
    for (auto& page : pages_)
        page->SetTabVisible(visible);
    if (pageControl_)
        pageControl_->BringActivePageToFront();
}

void JTRegSettings::ApplyColors()
{
    if (!settings_)
        return;
    // A page re-applying its colours arranges itself again as well.
    RearrangePages(&JTSetKind::ApplyColors);
    for (JTSetItem* item : modified_)
        item->SetTextColor(settings_->ModTWeakColor);
}

bool JTRegSettings::ApplyAll()
{
    // Every item leaves the list before it writes: a refused write, or one that raises, would
    // otherwise stay at the front and fail every later run. A refused write is not reported
    // as success; a raised error ends the run and reaches the caller.
    bool allWritten = true;
    while (!modified_.empty()) {
        JTSetItem* item = modified_.front();
        modified_.erase(modified_.begin());
        if (!item->WriteValue())
            allWritten = false;
    }
    return allWritten;
}

// ---------------------------------------------------------------- item events

void JTRegSettings::ItemSelect(JTSetItem* item)
{
    if (item)
        selected_ = item;
}

void JTRegSettings::ItemChange(JTSetItem* item, bool modified)
{
    if (!item)
        return;
    const auto it = std::find(modified_.begin(), modified_.end(), item);
    if (modified && it == modified_.end())
        modified_.push_back(item);
    else if (!modified && it != modified_.end())
        modified_.erase(it);
    if (JTSetKind* page = item->Page())
        page->RedrawEntry(item);
    if (OnModifiedCountChange)
        OnModifiedCountChange(item, modified);
    selected_ = nullptr;
}

void JTRegSettings::ItemDetails(JTSetItem* item)
{
    if (!item || !detailsMemo_)
        return;
    const std::string text = ForEditControl(DetailsText(*item));
    // The pointer moving over one row asks again and again: leave the memo alone then.
    if (item == detailsItem_ && ::GetWindowTextLengthA(detailsMemo_) == static_cast<int>(text.size()))
        return;
    detailsItem_ = item;
    ::SetWindowTextA(detailsMemo_, "");
    ::SetWindowTextA(detailsMemo_, text.c_str());
}

void JTRegSettings::CompactMouseDown(JTSetKind& page, int entry)
{
    // The entry keeps showing the item's state from the modified list, whatever the click does.
    if (JTSetItem* item = page.ItemOfEntry(entry))
        page.RedrawEntry(item);
}

void JTRegSettings::ReturnShownItem()
{
    JTSetItem* item = shown_;
    shown_ = nullptr;
    if (!item)
        return;
    JTSetKind* page = item->Page();
    JTRowControl* row = item->GetControl();
    ui::ScrollBox* area = page ? page->AreaOf(item) : nullptr;
    if (!row || !area)
        return;
    row->SetParentArea(area->Area());
    row->SetPosition(shownHome_.x, shownHome_.y);
}

void JTRegSettings::MoveIntoEditor(JTSetItem* item)
{
    if (!item || !editorPanel_)
        return;
    JTSetKind* page = item->Page();
    JTRowControl* row = item->GetControl();
    // A row the page hides (an unsuited item under "Hide it") leaves the editor empty.
    if (!page || !row || !page->AreaOf(item) || !row->IsVisible())
        return;
    // The row's window is made in its own area first, so the item knows where it belongs.
    page->EnsureRowWindow(item);
    shownHome_ = {row->Left(), row->Top()};
    row->SetParentArea(editorPanel_);
    row->SetPosition(kEditorMargin, kEditorMargin);
    shown_ = item;
}

void JTRegSettings::CompactSelect(JTSetItem* item)
{
    if (!item)
        return;
    if (editorPanel_ && item != shown_) {
        ReturnShownItem();
        MoveIntoEditor(item);
    }
    ItemDetails(item);
}

// ---------------------------------------------------------------- locating and flashing

bool JTRegSettings::GoToItem(JTSetItem* item)
{
    if (!item || item->KindIndex() < 0 || item->KindIndex() >= PageCount())
        return false;
    JTSetKind* page = Page(item->KindIndex());
    // An item with a plausible kind index that is not one of this catalogue's.
    if (!page->AreaOf(item))
        return false;
    if (OnKindChange)
        OnKindChange(item);
    pageControl_->SetActivePage(page);

    if (!settings_->ExpandItems) {
        const int entry = item->ListEntry();
        if (entry < 0)
            return true;
        page->SelectEntry(entry);
        // An entry that was selected already raises no selection change: show it here.
        CompactSelect(item);
        return true;
    }
    if (flashTarget_)
        flashTarget_->SetColor(settings_->TWeakBackColor);
    flashTarget_ = item;
    page->EnsureRowWindow(item);
    page->ScrollRowIntoView(item);
    flashCounter_ = 0;
    StartFlashTimer();
    return true;
}

void JTRegSettings::StartFlashTimer()
{
    if (flashTimer_)
        flashTimer_->Start(kFlashInterval);
    flashRunning_ = true;
}

void JTRegSettings::StopFlashTimer()
{
    if (flashTimer_)
        flashTimer_->Stop();
    flashRunning_ = false;
}

void JTRegSettings::FlashTick()
{
    if (flashCounter_ >= kFlashSteps) {
        StopFlashTimer();
        return;
    }
    if (flashTarget_) {
        const Colour back = settings_->TWeakBackColor;
        // The highlight is the background's complement. A system colour is resolved first: taken
        // as it stands, the subtraction would name a system colour that does not exist (black).
        const Colour highlight = 0x7FFFFFFFu - ui::ResolveColour(back);
        flashTarget_->SetColor(flashCounter_ % 2 == 1 ? back : highlight);
    }
    ++flashCounter_;
}

// ---------------------------------------------------------------- search

bool JTRegSettings::SearchPage(JTSetKind& page, const JTSearchCriteria& criteria)
{
    const PreparedWords words(criteria);
    for (const auto* items : {&page.CkItems(), &page.EdItems()}) {
        for (const auto& item : *items) {
            const bool matched = (criteria.bSearchDescribe && words.Matches(item->sDescribe)) ||
                                 (criteria.bSearchDetails && words.Matches(item->sDetails));
            bool continueSearch = true;
            if (OnSearchItem)
                OnSearchItem(item.get(), matched, continueSearch);
            if (!continueSearch)
                return false;
        }
    }
    return true;
}

void JTRegSettings::Search(const JTSearchCriteria& criteria)
{
    if (OnSearchBegin)
        OnSearchBegin();
    if (criteria.iKind >= 1 && criteria.iKind <= PageCount()) {
        SearchPage(*Page(criteria.iKind - 1), criteria);
    } else {
        for (auto& page : pages_)
            if (!SearchPage(*page, criteria))
                break;
    }
    if (OnSearchEnd)
        OnSearchEnd();
}

// ---------------------------------------------------------------- record table

void JTRegSettings::SetRecordFileName(const std::string& path)
{
    if (path != recordPath_)
        recordPath_ = path;
}

int JTRegSettings::CreateRecordTable()
{
    if (!recordTable_)
        return 0;
    recordReady_ = false;
    TXdbTable& table = *recordTable_;
    table.Close();
    table.SetTableName(std::string());
    TFieldDefs& defs = table.FieldDefs();
    defs.Clear();
    defs.Add("sDescribe", ftMemo);
    defs.Add("sDefaultVal", ftMemo);
    defs.Add("bAutoCreate", ftBoolean);
    defs.Add("iRegRoot", ftInteger);
    defs.Add("sSubKey", ftMemo);
    defs.Add("sDataName", ftMemo);
    defs.Add("iRegType", ftInteger);
    defs.Add("sOldVal", ftBlob);
    defs.Add("sNewVal", ftBlob);
    table.Open();
    table.SaveToFile(recordPath_);
    table.Close();
    table.LoadFromFile(recordPath_);
    recordReady_ = true;
    return 1;
}

} // namespace kelt
