#include "platform/classlib/BrowsePage.h"

#include <algorithm>
#include <iterator>

namespace quorin {

namespace {

// The source's position arguments for a row: inclusive reads take its key alone.
const std::string* At(const PageRow* row) { return row == nullptr ? nullptr : &row->image; }
std::int64_t Past(const PageRow* row, bool inclusive) { return row == nullptr || inclusive ? 0 : row->id; }

} // namespace

BrowsePage::BrowsePage(KeyedRecordSource& source, std::size_t pageSize)
    : source_(source), pageSize_(std::max<std::size_t>(pageSize, 1))
{
}

void BrowsePage::SetPageSize(std::size_t rows)
{
    pageSize_ = std::max<std::size_t>(rows, 1);
}

std::size_t BrowsePage::LoadForward(const PageRow* from, bool inclusive)
{
    std::vector<PageRow> rows = source_.ReadForward(At(from), Past(from, inclusive), pageSize_);
    std::size_t before = 0;
    if (rows.size() < pageSize_) {
        // The key ends inside the page: show the records before it too, so the page stays full.
        std::vector<PageRow> more;
        if (!rows.empty()) {
            more = source_.ReadBackward(&rows.front().image, rows.front().id, pageSize_ - rows.size());
        } else if (from != nullptr) {
            // Nothing after the position: the page ends at it (the record itself when it was skipped).
            more = source_.ReadBackward(&from->image, 0, pageSize_);
        }
        before = more.size();
        rows.insert(rows.begin(), std::make_move_iterator(more.rbegin()), std::make_move_iterator(more.rend()));
    }
    rows_ = std::move(rows);
    return before;
}

std::size_t BrowsePage::LoadBackward(const PageRow* from, bool inclusive)
{
    std::vector<PageRow> back = source_.ReadBackward(At(from), Past(from, inclusive), pageSize_);
    std::vector<PageRow> rows(std::make_move_iterator(back.rbegin()), std::make_move_iterator(back.rend()));
    const std::size_t fromBefore = rows.size();
    if (rows.size() < pageSize_) {
        std::vector<PageRow> more;
        if (!rows.empty()) {
            more = source_.ReadForward(&rows.back().image, rows.back().id, pageSize_ - rows.size());
        } else if (from != nullptr) {
            more = source_.ReadForward(&from->image, 0, pageSize_);
        }
        rows.insert(rows.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    }
    rows_ = std::move(rows);
    return fromBefore;
}

void BrowsePage::ClampSelection()
{
    selected_ = rows_.empty() ? 0 : std::min(selected_, rows_.size() - 1);
}

void BrowsePage::First()
{
    LoadForward(nullptr, false);
    selected_ = 0;
}

void BrowsePage::Last()
{
    LoadBackward(nullptr, false);
    selected_ = rows_.empty() ? 0 : rows_.size() - 1;
}

void BrowsePage::PageDown()
{
    if (rows_.empty()) {
        First();
        return;
    }
    const PageRow last = rows_.back();
    const PageRow firstBefore = rows_.front();
    LoadForward(&last, false);
    if (!rows_.empty() && rows_.front() == firstBefore) {
        selected_ = rows_.size() - 1; // already at the end
    }
    ClampSelection();
}

void BrowsePage::PageUp()
{
    if (rows_.empty()) {
        Last();
        return;
    }
    const PageRow first = rows_.front();
    LoadBackward(&first, false);
    if (!rows_.empty() && rows_.front() == first) {
        selected_ = 0; // already at the start
    }
    ClampSelection();
}

void BrowsePage::ScrollDown()
{
    if (rows_.empty()) {
        return;
    }
    if (selected_ + 1 < rows_.size()) {
        ++selected_;
        return;
    }
    std::vector<PageRow> next = source_.ReadForward(&rows_.back().image, rows_.back().id, 1);
    if (next.empty()) {
        return;
    }
    if (rows_.size() >= pageSize_) {
        rows_.erase(rows_.begin());
    }
    rows_.push_back(std::move(next.front()));
    selected_ = rows_.size() - 1;
}

void BrowsePage::ScrollUp()
{
    if (rows_.empty()) {
        return;
    }
    if (selected_ > 0) {
        --selected_;
        return;
    }
    std::vector<PageRow> previous = source_.ReadBackward(&rows_.front().image, rows_.front().id, 1);
    if (previous.empty()) {
        return;
    }
    if (rows_.size() >= pageSize_) {
        rows_.pop_back();
    }
    rows_.insert(rows_.begin(), std::move(previous.front()));
    selected_ = 0;
}

void BrowsePage::Locate(const std::string& image)
{
    const PageRow at{0, image}; // the image may be one of the rows about to be replaced
    selected_ = LoadForward(&at, true);
    ClampSelection();
}

void BrowsePage::Reload()
{
    if (rows_.empty()) {
        First();
        return;
    }
    const PageRow first{0, rows_.front().image};
    const std::size_t keep = selected_;
    LoadForward(&first, true);
    selected_ = keep;
    ClampSelection();
}

bool BrowsePage::Select(std::size_t row)
{
    if (row >= rows_.size()) {
        return false;
    }
    selected_ = row;
    return true;
}

} // namespace quorin
