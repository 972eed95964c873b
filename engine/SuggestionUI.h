#pragma once

#include <ibus.h>

#include <string>
#include <vector>

#include "engine/Event.h"
#include "engine/Handles.h"

// The suggestion list in the IBus candidate window: pages of twelve
// candidates labelled F1 to F12, and the selected candidate.
class CSuggestionUI {
public:
    // Not ours: the engine object belongs to IBus's factory.
    IBusEngine* Engine = nullptr;
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

private:
    int ItemCount() const { return Items ? (int)Items->size() : 0; }
    void Refresh();
};
