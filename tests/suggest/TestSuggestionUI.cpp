#include <gtest/gtest.h>
#include <ibus.h>

#include "core/UtfConverter.h"
#include "engine/SuggestionUI.h"

namespace {

struct TextSource {
    std::wstring Text(int entry) { return L"mục " + std::to_wstring(entry); }
};

struct List : ::testing::Test {
    TextSource source;
    CSuggestionUI ui;
    std::vector<int> items;

    void SetUp() override
    {
        for (int i = 0; i < 25; ++i) items.push_back(100 + i);
        ui.GetKeywordText.Add(new Event<std::wstring, int>::T<TextSource>(&source, &TextSource::Text));
        ui.SetItems(items);
    }
    guint Candidates() { return ibus_lookup_table_get_number_of_candidates(ui.Table); }
    guint Cursor() { return ibus_lookup_table_get_cursor_in_page(ui.Table); }
    std::string Candidate(guint i) { return ibus_lookup_table_get_candidate(ui.Table, i)->text; }
};

} // namespace

TEST_F(List, PagesOfTwelveLabelledF1ToF12)
{
    EXPECT_EQ(ui.PageCount, 3);
    EXPECT_EQ(ui.Page, 0);
    EXPECT_EQ(Candidates(), 12u);
    EXPECT_EQ(Candidate(0), "mục 100");
    EXPECT_EQ(std::string(ibus_lookup_table_get_label(ui.Table, 0)->text), "F1");
    EXPECT_EQ(std::string(ibus_lookup_table_get_label(ui.Table, 11)->text), "F12");
    EXPECT_EQ(ibus_lookup_table_get_orientation(ui.Table), 1);
    ui.Select(24);
    EXPECT_EQ(ui.Page, 2);
    EXPECT_EQ(Candidates(), 1u); // the last page holds one
    EXPECT_EQ(Candidate(0), "mục 124");
    EXPECT_EQ(ui.GetSuggestion(), 124);
    EXPECT_EQ(ui.GetSuggestionIndex(0), 24);
}

TEST_F(List, MovingAcrossPages)
{
    ui.Select(11);
    EXPECT_EQ(Cursor(), 11u);
    ui.MoveDown(); // last of the page: the next page, first candidate
    EXPECT_EQ(ui.Page, 1);
    EXPECT_EQ(ui.SuggestionIndex, 12);
    EXPECT_EQ(Cursor(), 0u);
    ui.MoveUp(); // first of the page: the previous page, last candidate
    EXPECT_EQ(ui.Page, 0);
    EXPECT_EQ(ui.SuggestionIndex, 11);
    EXPECT_EQ(Cursor(), 11u);
    ui.MoveUp();
    EXPECT_EQ(ui.SuggestionIndex, 10);
    EXPECT_EQ(Cursor(), 10u);
    ui.Select(24);
    ui.MoveDown(); // the very last item: nothing happens
    EXPECT_EQ(ui.SuggestionIndex, 24);
    ui.Select(0);
    ui.MoveUp();
    EXPECT_EQ(ui.SuggestionIndex, 0);
}

TEST_F(List, PagingKeepsThePositionOrStopsAtTheLastItem)
{
    ui.Select(13); // second candidate of the next-to-last page
    ui.PageDown();
    EXPECT_EQ(ui.SuggestionIndex, 24);
    EXPECT_EQ(ui.Page, 2);
    ui.PageDown(); // no further page
    EXPECT_EQ(ui.SuggestionIndex, 24);
    ui.Select(15);
    ui.PageUp();
    EXPECT_EQ(ui.SuggestionIndex, 3);
    EXPECT_EQ(Cursor(), 3u);
    ui.PageUp();
    EXPECT_EQ(ui.SuggestionIndex, 3);
    ui.PageDown();
    EXPECT_EQ(ui.SuggestionIndex, 15);
}

TEST_F(List, VisibilityAndNewItems)
{
    EXPECT_FALSE(ui.Visible());
    ui.Show();
    EXPECT_TRUE(ui.Visible());
    ui.Hide();
    EXPECT_FALSE(ui.Visible());
    IBusLookupTable* table = ui.Table;
    std::vector<int> few = {7, 8};
    ui.Select(20);
    ui.SetItems(few); // starts again at the first candidate, same table
    EXPECT_EQ(ui.Table, table);
    EXPECT_EQ(ui.SuggestionIndex, 0);
    EXPECT_EQ(ui.PageCount, 1);
    EXPECT_EQ(Candidates(), 2u);
    std::vector<int> none;
    ui.SetItems(none);
    EXPECT_EQ(Candidates(), 0u);
    EXPECT_EQ(ui.GetSuggestion(), -1);
    ui.MoveDown();
    ui.MoveUp();
    ui.PageDown();
    ui.PageUp();
    EXPECT_EQ(ui.SuggestionIndex, 0);
}
