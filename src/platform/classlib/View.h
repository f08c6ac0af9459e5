#pragma once
// A view over a keyed data file: the file, its record buffer and the fields it projects, read in the
// order of one of the file's keys a page at a time (never the whole file).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/classlib/BrowsePage.h"

namespace quorin {

class DataFile;
class RecordLayout;

class View : public KeyedRecordSource {
public:
    // The file, its record buffer with the layout that describes it, and the projected fields
    // (numbers from 1; all when empty). A view is per thread, like the file it reads.
    void Bind(DataFile& file, void* buffer, const RecordLayout& layout, std::vector<int> fields = {});
    bool IsBound() const { return file_ != nullptr; }
    void SetOrder(std::size_t key) { key_ = key; }
    std::size_t Order() const { return key_; }

    DataFile* file() const { return file_; }
    char* buffer() const { return buffer_; }
    const RecordLayout* layout() const { return layout_; }
    const std::vector<int>& fields() const { return fields_; }
    std::size_t RecordSize() const;
    bool IsOpen() const { return open_; }
    void MarkOpen() { open_ = true; }
    void Close() { open_ = false; }

    // Runtime error code of the latest read (0 when it went well).
    int LastError() const { return lastError_; }

    std::vector<PageRow> ReadForward(const std::string* from, std::int64_t fromId, std::size_t count) override;
    std::vector<PageRow> ReadBackward(const std::string* from, std::int64_t fromId, std::size_t count) override;

private:
    std::vector<PageRow> Read(bool forward, const std::string* from, std::int64_t fromId, std::size_t count);

    DataFile* file_ = nullptr;
    char* buffer_ = nullptr;
    const RecordLayout* layout_ = nullptr;
    std::vector<int> fields_;
    std::size_t key_ = 0;
    bool open_ = false;
    int lastError_ = 0;
};

// Closes the view; its file stays as it is.
void CloseView(View& view);

} // namespace quorin
