#include "engine/SuggestionUI.h"

#include <ibus.h>

#include <algorithm>

#include "core/UtfConverter.h"

void CSuggestionUI::Init()
{
    if (Table) return;
    Table = GObjectPtr<IBusLookupTable>::AdoptFloating(ibus_lookup_table_new(PageSize, 0, TRUE, FALSE));
    ibus_lookup_table_set_orientation(Table, 1);
    for (int i = 1; i <= 12; ++i) {
        std::string label = "F" + std::to_string(i);
        ibus_lookup_table_append_label(Table, ibus_text_new_from_string(label.c_str()));
    }
}

void CSuggestionUI::SetItems(const std::vector<int>& items)
{
    Init();
    Items = &items;
    PageCount = ((int)items.size() + PageSize - 1) / PageSize;
    Select(0);
}

void CSuggestionUI::Refresh()
{
    if (Engine) Engine->UpdateLookupTable(*this);
}

void CSuggestionUI::Select(int index)
{
    Init();
    SuggestionIndex = index;
    Page = index / PageSize;
    const int first = Page * PageSize;
    const int n = std::max(0, std::min(PageSize, ItemCount() - first));
    ibus_lookup_table_clear(Table);
    for (int i = 0; i < n; ++i) {
        std::string text = UtfConverter::ToUtf8(GetKeywordText((*Items)[first + i]));
        ibus_lookup_table_append_candidate(Table, ibus_text_new_from_string(text.c_str()));
    }
    // IBus aborts on a cursor beyond the candidates (an empty list).
    if (index - first >= 0 && index - first < n) ibus_lookup_table_set_cursor_pos(Table, (guint)(index - first));
    Refresh();
}

void CSuggestionUI::PageUp()
{
    if (Page > 0) Select(std::max(0, SuggestionIndex - PageSize));
}

void CSuggestionUI::PageDown()
{
    if (Page + 1 < PageCount) Select(std::min(SuggestionIndex + PageSize, ItemCount() - 1));
}

void CSuggestionUI::MoveUp()
{
    Init();
    if (ibus_lookup_table_get_number_of_candidates(Table) == 0) return;
    if (ibus_lookup_table_get_cursor_pos(Table) != 0) {
        --SuggestionIndex;
        ibus_lookup_table_cursor_up(Table);
        Refresh();
    } else if (SuggestionIndex > 0) {
        Select(SuggestionIndex - 1);
    }
}

void CSuggestionUI::MoveDown()
{
    Init();
    if (ibus_lookup_table_get_number_of_candidates(Table) == 0) return;
    if (ibus_lookup_table_get_cursor_in_page(Table) + 1 != ibus_lookup_table_get_number_of_candidates(Table)) {
        ++SuggestionIndex;
        ibus_lookup_table_cursor_down(Table);
        Refresh();
    } else if (SuggestionIndex + 1 < ItemCount()) {
        Select(SuggestionIndex + 1);
    }
}

void CSuggestionUI::Show()
{
    if (Engine) Engine->ShowLookupTable();
    IsVisible = true;
}

void CSuggestionUI::Hide()
{
    // Only what is shown is hidden: one message less on most keys.
    if (Engine && IsVisible) Engine->HideLookupTable();
    IsVisible = false;
}

int CSuggestionUI::GetSuggestion() const
{
    if (SuggestionIndex < 0 || SuggestionIndex >= ItemCount()) return -1;
    return (*Items)[SuggestionIndex];
}

std::vector<std::wstring> CSuggestionUI::PageTexts()
{
    std::vector<std::wstring> texts;
    for (int i = Page * PageSize; i < std::min(ItemCount(), (Page + 1) * PageSize); ++i)
        texts.push_back(GetKeywordText((*Items)[i]));
    return texts;
}
