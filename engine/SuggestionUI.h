#pragma once

#include <string>
#include <vector>

#include "engine/Event.h"
#include "engine/Handles.h"
#include "engine/InputContext.h"

typedef struct _IBusLookupTable IBusLookupTable;

// The suggestion list in the candidate window: pages of twelve candidates
// labelled F1 to F12, and the selected candidate. The page is kept in an
// IBus lookup table, which IBus shows as it is; other fronts read the page
// through PageTexts().
class CSuggestionUI {
public:
    // Not ours: the context belongs to its framework.
    IInputContext* Engine = nullptr;
    GObjectPtr<IBusLookupTable> Table;
    const std::vector<int>* Items = nullptr;
    int PageSize = 12;
    int Page = 0;
    int PageCount = 0;
    int SuggestionIndex = 0;
    bool IsVisible = false;
    bool Expanded = false;
    // Gives the text of a candidate from its dictionary entry index.
    Event<std::wstring, int> GetKeywordText;

    CSuggestionUI() = default;
    CSuggestionUI(const CSuggestionUI&) = delete;
    CSuggestionUI& operator=(const CSuggestionUI&) = delete;

    void Init();
    void SetItems(const std::vector<int>& items);
    void Select(int index);
    void PageUp();
    void PageDown();
    void MoveUp();
    void MoveDown();
    void Show();
    void Hide();
    bool Visible() const { return IsVisible; }
    int GetSuggestionIndex() const { return SuggestionIndex; }
    int GetSuggestionIndex(int i) const { return i + PageSize * Page; }
    // The entry index of the selected candidate; -1 with no items.
    int GetSuggestion() const;
    void Expand(bool) {}
    // The texts of the current page's candidates, and the cursor in it.
    std::vector<std::wstring> PageTexts();
    int CursorInPage() const { return SuggestionIndex - Page * PageSize; }

private:
    int ItemCount() const { return Items ? (int)Items->size() : 0; }
    void Refresh();
};
