#pragma once
// The search window: finds tweaks by words in their descriptions and details through the
// catalogue's search, lists the matches, sorts them and takes the user to one of them in the
// main window. Modeless and topmost; created hidden once at start, shown and hidden by the
// user, alive until the program ends.
//
// A search runs on the main thread from the message loop. Every few tweaks it lets the loop
// serve waiting messages, so the window can be moved and closed and "Sto&p" ends the search.
// From its start to the end of its closing message the main window is disabled (as under a
// modal dialog): nothing can close it and free the catalogue in the middle of the search.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "catalogue/reg_settings.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace kelt {

class TKeltSearchForm : public ui::Dialog {
public:
    // The "Max results" entries; the first is the default.
    static constexpr const char* kResultLimits[] = {"Unlimited", "10", "20", "30", "50", "100"};
    // The search lets the message loop run after its first batch of tweaks (a Stop pressed at
    // once is served at once, the first rows show) and then whenever a batch ends at least
    // kYieldInterval ms after the last turn: often enough for the window to follow the mouse,
    // rarely enough that painting costs the search little.
    static constexpr int kYieldBatch = 64;
    static constexpr int kYieldInterval = 40;
    // The result list, "Found:" and the progress bar catch up with the search, and the window
    // is painted, this often (ms).
    static constexpr DWORD kRefreshInterval = 250;

    TKeltSearchForm();
    ~TKeltSearchForm() override;

    // Creates the window hidden, owned by the main window, which activated results focus.
    bool Create(HWND mainWindow);
    // The catalogue to search (not owned; may be null). Fills the catalogue list and "Total
    // items:", drops the results of the previous catalogue and stops a running search.
    void SetCatalogue(JTRegSettings* catalogue);
    // Shows the window (centred on the main window the first time) and brings it to the front.
    void ShowForm();
    // Whether menus are drawn in the XP style; the result list's menu follows it.
    void SetUseXPMenu(bool use);
    bool UseXPMenu() const { return useXPMenu_; }

    // Milliseconds between two turns of the message loop after the first; 0 yields after every
    // batch, a negative interval never (measurements).
    void SetYieldInterval(int milliseconds) { yieldInterval_ = milliseconds; }

    // --- state, as the controls show it ---
    JTRegSettings* Catalogue() const { return catalogue_; }
    int TotalItems() const { return totalItems_; }
    int FoundCount() const { return foundCount_; }
    bool Searching() const { return searching_; }
    bool AdvancedShown() const { return advancedShown_; }
    int SortColumn() const { return sortColumn_; }
    int ResultCount() const { return static_cast<int>(results_.size()); }
    // The tweak of a result row and the text of its column (0 description, 1 catalogue).
    JTSetItem* ResultItem(int row) const;
    std::string ResultText(int row, int column) const;
    // Where the found words lie in a row's description (drawn bold).
    std::vector<std::pair<std::size_t, std::size_t>> ResultHighlights(int row) const;
    // The result list's context menu (made on first use).
    HMENU ResultsMenu();

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;
    void OnOK() override {}
    void OnCancel() override { pbtnCloseClick(); }
    void OnDestroy() override;
    void OnDpiChanged(int dpi, const RECT* suggested) override;

private:
    // One listed match. The words are those of the search that found it, kept to show them.
    struct SearchWords {
        std::vector<std::string> words;  // all-words and at-least-one words
        bool caseSensitive = false;
    };
    struct Result {
        JTSetItem* item;
        std::string describe;
        std::string catalogue;
        std::shared_ptr<const SearchWords> words;
        // Where the found words' ink lies, from the start of the text, once it has been drawn.
        mutable std::vector<std::pair<int, int>> inkBounds;
        mutable bool inkKnown = false;
    };

    void FormCreate();
    // Makes the result list's context menu; every menu of the window is made here.
    void BuildResultsMenu();

    void pbtnStartClick();
    void pbtnStopClick();
    void pbtnCloseClick();
    void pbtnHelpClick();
    void pbtnActiveClick();
    void pSliderClick();
    void pcmbCataloguesChange();
    void pedSimpleTextChange();
    void pedAllWordsChange();
    void plvFoundItemsChange();
    void plvFoundItemsColumnClick(int column);
    void plvFoundItemsContextMenu(LPARAM position);
    void pcmbCataloguesDrawItem(const DRAWITEMSTRUCT& draw);
    void plvFoundItemsDrawItem(const DRAWITEMSTRUCT& draw);

    // The deferred part of a start: the search itself and the catalogue's two events.
    void SearchRun();
    void SearchItem(JTSetItem* item, bool matched, bool& continueSearch);
    void SearchEnd();
    // Lets the message loop serve what waits; the controls first catch up with the counts.
    void YieldToMessages();
    // Disables the main window for the rest of the search (as a modal window would).
    void DisableMainWindow();
    // The result list, "Found:" and the progress bar show the counts.
    void ShowCounts();
    void ShowRunning(bool running);
    void ClearResults();
    void ShowAdvanced(bool shown);
    // Status panes and the catalogue list's entries at the dialog's scale.
    void ScaleParts();
    void ShowTotal();
    int SelectedRow() const;
    void CopyText(int fromId, int toId);
    void SetStatus(int part, const std::string& text);
    void MirrorResultCount();

    static LRESULT CALLBACK WordsEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR data);

    HWND mainWindow_ = nullptr;
    JTRegSettings* catalogue_ = nullptr;
    bool useXPMenu_ = false;
    ui::UniqueMenu resultsMenu_;
    bool placed_ = false;  // centred on the main window once

    // Search state.
    int totalItems_ = 0;
    int foundCount_ = 0;
    int resultLimit_ = 0;
    int pendingLimit_ = 0;  // the "Max results" read when the search was started (0 unlimited)
    bool continueSearch_ = false;
    bool runPending_ = false;
    bool searching_ = false;
    bool quietEnd_ = false;  // closed, or the program is ending: no summary
    bool mainDisabled_ = false;
    int visited_ = 0;
    int sinceYield_ = 0;
    DWORD lastYield_ = 0;     // tick count at the end of the last turn
    DWORD lastRefresh_ = 0;   // tick count when the controls last caught up
    bool refreshed_ = false;  // the refresh clock of the present search has started
    bool yielded_ = false;    // the present search has let the loop run
    int yieldInterval_ = kYieldInterval;
    std::shared_ptr<const SearchWords> runWords_;

    int sortColumn_ = 0;
    bool advancedShown_ = true;
    std::vector<Result> results_;
    int listedCount_ = 0;  // rows the list control knows of
};

} // namespace kelt
