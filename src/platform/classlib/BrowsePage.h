#pragma once
// The page of a browse: the few records in key order that fit its list, read from a key-ordered
// source a page at a time, with the selected row. Paging and scrolling go by key position, so the
// cost of a move depends on the page's size, never on the number of records in the file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorin {

// One record of a page: its identity in the file and its image.
struct PageRow {
    std::int64_t id = 0;
    std::string image;
    friend bool operator==(const PageRow&, const PageRow&) = default;
};

// What a page reads: records in the order of one key. `from` gives the position by its key fields
// (null: the start going forward, the end going backward); with `fromId` 0 records whose key equals
// `from`'s are included, otherwise the read starts past that record.
class KeyedRecordSource {
public:
    virtual ~KeyedRecordSource() = default;
    // Up to `count` records in ascending key order.
    virtual std::vector<PageRow> ReadForward(const std::string* from, std::int64_t fromId, std::size_t count) = 0;
    // Up to `count` records in descending key order.
    virtual std::vector<PageRow> ReadBackward(const std::string* from, std::int64_t fromId, std::size_t count) = 0;
};

class BrowsePage {
public:
    explicit BrowsePage(KeyedRecordSource& source, std::size_t pageSize = 1);

    void SetPageSize(std::size_t rows); // at least 1; takes effect on the next load
    std::size_t PageSize() const { return pageSize_; }

    // The first or last page of the key; the first or last row selected.
    void First();
    void Last();
    // A page further on or back; at the end (or the start) the last (or first) row is selected.
    void PageDown();
    void PageUp();
    // The selection one row on or back, the page scrolling by one row at its edge.
    void ScrollDown();
    void ScrollUp();
    // The page from the first record at or after the key of `image` on, topped up from before it when
    // the key ends too soon; that record (or, past the end, the last one) selected.
    void Locate(const std::string& image);
    // Reads the page again from its first row, keeping the selected row's place.
    void Reload();

    bool Select(std::size_t row); // 0-based; false and nothing changes when out of the page
    const std::vector<PageRow>& Rows() const { return rows_; }
    bool Empty() const { return rows_.empty(); }
    std::size_t SelectedRow() const { return selected_; } // 0-based; meaningless when Empty()
    const PageRow* Selected() const { return rows_.empty() ? nullptr : &rows_[selected_]; }
    const std::string* SelectedRecord() const { return rows_.empty() ? nullptr : &rows_[selected_].image; }

private:
    // Loads a page starting at (or after) `from`; returns how many rows came from before it.
    std::size_t LoadForward(const PageRow* from, bool inclusive);
    std::size_t LoadBackward(const PageRow* from, bool inclusive);
    void ClampSelection();

    KeyedRecordSource& source_;
    std::size_t pageSize_;
    std::vector<PageRow> rows_;
    std::size_t selected_ = 0;
};

} // namespace quorin
