#pragma once
// A queue: an ordered list of rows of one row type and a row buffer of that type. Rows are added
// from the buffer and read into it; positions count from 1. Failures set the runtime error code.
#include "platform/runtime/RecordLayout.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quorin {

class Queue {
public:
    // The row buffer is `buffer` (the owner's, at least `layout.Size()` bytes) or, when null, the
    // queue's own. The buffer starts cleared as the layout says.
    explicit Queue(RecordLayout layout, void* buffer = nullptr);
    Queue(const Queue&) = delete;
    Queue& operator=(const Queue&) = delete;

    const RecordLayout& Layout() const { return layout_; }
    char* Buffer() { return buffer_; }
    const char* Buffer() const { return buffer_; }

    // Number of rows.
    std::size_t Records() const { return rows_.size() / RowSize(); }
    // Row `position` into the row buffer; 0 or beyond the count is runtime error 30 (false).
    bool Get(std::size_t position);
    // Appends a copy of the row buffer; without memory it is runtime error 8 and nothing is added.
    bool Add();
    // Removes every row, clearing a pending runtime error first; the queue stays usable.
    void Free();
    // Frees the queue's whole storage; the row buffer stays (it is its owner's).
    void Kill();

    // A row's image without touching the buffer (null for a bad position), e.g. to show a list.
    const char* Row(std::size_t position) const;

    // The buffer's fields through the layout, numbered from 1.
    void ClearBuffer() { layout_.Clear(buffer_); }
    void SetText(int field, std::string_view text) { layout_.SetText(buffer_, field, text); }
    std::string_view GetText(int field) const { return layout_.GetText(buffer_, field); }
    void SetLong(int field, std::int32_t value) { layout_.SetLong(buffer_, field, value); }
    std::int32_t GetLong(int field) const { return layout_.GetLong(buffer_, field); }

private:
    std::size_t RowSize() const { return layout_.Size() == 0 ? 1 : layout_.Size(); }

    RecordLayout layout_;
    std::vector<char> own_;
    char* buffer_;
    std::vector<char> rows_; // rows back to back
};

} // namespace quorin
