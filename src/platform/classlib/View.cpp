#include "platform/classlib/View.h"

#include "platform/runtime/DataFile.h"
#include "platform/runtime/RecordLayout.h"

namespace quorin {

void View::Bind(DataFile& file, void* buffer, const RecordLayout& layout, std::vector<int> fields)
{
    file_ = &file;
    buffer_ = static_cast<char*>(buffer);
    layout_ = &layout;
    fields_ = std::move(fields);
}

std::size_t View::RecordSize() const
{
    return layout_ == nullptr ? 0 : layout_->Size();
}

std::vector<PageRow> View::Read(bool forward, const std::string* from, std::int64_t fromId, std::size_t count)
{
    std::vector<PageRow> rows;
    lastError_ = 0;
    if (file_ == nullptr || !file_->IsOpen() || count == 0) {
        return rows;
    }
    // A position shorter than a record (it should never be) is widened so the file reads no further.
    std::string position;
    if (from != nullptr) {
        position = *from;
        position.resize(RecordSize(), '\0');
    }
    std::vector<DataRecord> records;
    lastError_ = file_->ReadPage(key_, forward ? ReadDirection::Forward : ReadDirection::Backward,
                                 from == nullptr ? nullptr : position.data(), fromId, count, records);
    rows.reserve(records.size());
    for (DataRecord& record : records) {
        rows.push_back({record.id, std::move(record.image)});
    }
    return rows;
}

std::vector<PageRow> View::ReadForward(const std::string* from, std::int64_t fromId, std::size_t count)
{
    return Read(true, from, fromId, count);
}

std::vector<PageRow> View::ReadBackward(const std::string* from, std::int64_t fromId, std::size_t count)
{
    return Read(false, from, fromId, count);
}

void CloseView(View& view)
{
    view.Close();
}

} // namespace quorin
