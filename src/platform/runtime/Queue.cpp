#include "platform/runtime/Queue.h"

#include "platform/runtime/RuntimeError.h"

#include <cstring>
#include <new>
#include <stdexcept>

namespace quorin {

Queue::Queue(RecordLayout layout, void* buffer) : layout_(std::move(layout))
{
    if (buffer) {
        buffer_ = static_cast<char*>(buffer);
    } else {
        own_.resize(RowSize());
        buffer_ = own_.data();
    }
    layout_.Clear(buffer_);
}

bool Queue::Get(std::size_t position)
{
    const char* row = Row(position);
    if (!row) {
        SetRuntimeError(kEntryNotFound);
        return false;
    }
    std::memcpy(buffer_, row, layout_.Size());
    return true;
}

bool Queue::Add()
{
    try {
        rows_.insert(rows_.end(), buffer_, buffer_ + RowSize());
    } catch (const std::bad_alloc&) {
        SetRuntimeError(kInsufficientMemory);
        return false;
    } catch (const std::length_error&) {
        SetRuntimeError(kInsufficientMemory);
        return false;
    }
    return true;
}

void Queue::Free()
{
    ClearRuntimeError();
    rows_.clear();
}

void Queue::Kill()
{
    rows_.clear();
    rows_.shrink_to_fit();
}

const char* Queue::Row(std::size_t position) const
{
    if (position == 0 || position > Records())
        return nullptr;
    return rows_.data() + (position - 1) * RowSize();
}

} // namespace quorin
