#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <set>

#include "platform/classlib/BrowsePage.h"

namespace quorin {
namespace {

// Records whose whole image is their key, kept sorted; counts every record handed out.
class SetSource : public KeyedRecordSource {
public:
    std::set<std::string> records;
    std::size_t handedOut = 0;

    static std::string Key(int n)
    {
        char text[16];
        std::snprintf(text, sizeof text, "%06d", n);
        return text;
    }

    // The key is the whole image, unique, so a record's identity can be its number.
    static PageRow Row(const std::string& key) { return {std::stoll(key), key}; }

    std::vector<PageRow> ReadForward(const std::string* from, std::int64_t fromId, std::size_t count) override
    {
        auto it = from == nullptr ? records.begin() : fromId == 0 ? records.lower_bound(*from) : records.upper_bound(*from);
        std::vector<PageRow> out;
        for (; it != records.end() && out.size() < count; ++it) {
            out.push_back(Row(*it));
        }
        handedOut += out.size();
        return out;
    }
    std::vector<PageRow> ReadBackward(const std::string* from, std::int64_t fromId, std::size_t count) override
    {
        auto it = from == nullptr ? records.end() : fromId == 0 ? records.upper_bound(*from) : records.lower_bound(*from);
        std::vector<PageRow> out;
        while (it != records.begin() && out.size() < count) {
            --it;
            out.push_back(Row(*it));
        }
        handedOut += out.size();
        return out;
    }
};

SetSource MakeSource(int count)
{
    SetSource s;
    for (int i = 1; i <= count; ++i) {
        s.records.insert(SetSource::Key(i * 10));
    }
    return s;
}

std::string Span(const BrowsePage& page)
{
    if (page.Empty()) {
        return "empty";
    }
    return page.Rows().front().image + ".." + page.Rows().back().image + "@" + *page.SelectedRecord();
}

TEST(BrowsePage, PagesAndScrollsInKeyOrderKeepingPagesFull)
{
    SetSource source = MakeSource(25); // keys 10..250
    BrowsePage page(source, 10);

    page.First();
    EXPECT_EQ(Span(page), "000010..000100@000010");
    page.ScrollDown();
    EXPECT_EQ(Span(page), "000010..000100@000020");
    page.PageDown();
    EXPECT_EQ(Span(page), "000110..000200@000120"); // the selection keeps its row
    page.PageDown(); // only five more: the page ends at the last record
    EXPECT_EQ(Span(page), "000160..000250@000170");
    page.PageDown(); // at the end already: the last row is selected
    EXPECT_EQ(Span(page), "000160..000250@000250");
    page.ScrollDown(); // nothing after the last record
    EXPECT_EQ(Span(page), "000160..000250@000250");
    page.PageUp();
    EXPECT_EQ(Span(page), "000060..000150@000150");
    page.PageUp(); // only five before: the page starts at the first record
    EXPECT_EQ(Span(page), "000010..000100@000100");
    page.PageUp();
    EXPECT_EQ(Span(page), "000010..000100@000010");
    page.ScrollUp();
    EXPECT_EQ(Span(page), "000010..000100@000010");

    page.Last();
    EXPECT_EQ(Span(page), "000160..000250@000250");
    page.Select(0);
    page.ScrollUp(); // the page scrolls back by one row
    EXPECT_EQ(Span(page), "000150..000240@000150");
}

TEST(BrowsePage, LocateSelectsTheRecordAtOrAfterAKey)
{
    SetSource source = MakeSource(25);
    BrowsePage page(source, 10);
    struct Case {
        std::string key;
        std::string expected;
    };
    const Case cases[] = {
        {"000050", "000050..000140@000050"}, // an existing record heads the page
        {"000055", "000060..000150@000060"}, // between two keys: the next one
        {"000230", "000160..000250@000230"}, // near the end: topped up from before
        {"999999", "000160..000250@000250"}, // past the end: the last record
        {"000000", "000010..000100@000010"},
    };
    for (const auto& c : cases) {
        page.Locate(c.key);
        EXPECT_EQ(Span(page), c.expected) << c.key;
    }
}

TEST(BrowsePage, ReloadAfterAnUpdateShowsTheFileAsItIsNow)
{
    SetSource source = MakeSource(25);
    BrowsePage page(source, 10);
    page.Locate("000050");
    page.Select(3); // 000080

    source.records.insert("000085");
    page.Locate("000085"); // the new record selected
    EXPECT_EQ(*page.SelectedRecord(), "000085");

    source.records.erase("000085"); // after a delete: its neighbour
    page.Locate("000085");
    EXPECT_EQ(*page.SelectedRecord(), "000090");

    source.records.erase("000090"); // the page's first record went away
    page.Reload();
    EXPECT_EQ(page.Rows().front().image, "000100");
    EXPECT_EQ(page.Rows().size(), 10u);

    source.records.clear();
    page.Reload();
    EXPECT_TRUE(page.Empty());
    EXPECT_EQ(page.SelectedRecord(), nullptr);
    page.PageDown();
    page.ScrollUp();
    EXPECT_TRUE(page.Empty());
}

TEST(BrowsePage, PagingThroughTenThousandRecordsReadsOnlyThePagesShown)
{
    SetSource source = MakeSource(10000);
    BrowsePage page(source, 12);
    page.First();
    std::size_t pages = 1;
    std::string previousFirst;
    while (page.Rows().front().image != previousFirst) {
        previousFirst = page.Rows().front().image;
        page.PageDown();
        ++pages;
        ASSERT_EQ(page.Rows().size(), 12u);
    }
    EXPECT_EQ(page.Rows().back().image, SetSource::Key(100000));
    EXPECT_EQ(*page.SelectedRecord(), SetSource::Key(100000));
    // Each move reads about one page, however large the file.
    EXPECT_LE(source.handedOut, pages * 24);

    source.handedOut = 0;
    for (int i = 0; i < 100; ++i) {
        page.PageUp();
    }
    EXPECT_LE(source.handedOut, 100u * 24);
}

} // namespace
} // namespace quorin
