#pragma once
// The plain text file: one record per line. A record added is its text without trailing blanks and
// CR LF, written in one append so that lines of several writers never interleave.
#include <cstdint>
#include <string>
#include <sys/types.h>

#include "platform/runtime/RecordLayout.h"

namespace quorin {

class TextFile {
public:
    // The record is the line: the layout's whole image (which must outlive the file).
    explicit TextFile(const RecordLayout& layout) : layout_(&layout) {}
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // Each answers 0 or a runtime error code, which it also sets as the thread's code.

    // Makes an empty file; a file that already exists is left alone (0).
    int Create(const std::string& path);
    // Open mode as for the keyed data file: access in the low two bits.
    int Open(const std::string& path, std::uint8_t mode);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }

    int Add(const void* record);
    // Reading starts at the first line; each Next fills the record with the next line, cut to the
    // record's width and blank-padded (CR LF or LF removed); 33 past the last line.
    void Rewind();
    int Next(void* record);

private:
    int Fail(int code);

    const RecordLayout* layout_;
    int fd_ = -1;
    bool writable_ = false;
    std::string path_;
    std::string pending_; // read but not yet handed out
    bool atEnd_ = false;
    off_t readPos_ = 0;
};

} // namespace quorin
