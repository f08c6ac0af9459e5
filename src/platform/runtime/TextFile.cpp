#include "platform/runtime/TextFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/runtime/DataFile.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/RuntimeError.h"

namespace quorin {

namespace {


int MissingCode(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0) {
        return kFileNotFound;
    }
    struct stat st {};
    return ::stat(path.substr(0, slash).c_str(), &st) == 0 ? kFileNotFound : kPathNotFound;
}

} // namespace

TextFile::~TextFile() { Close(); }

int TextFile::Fail(int code)
{
    SetRuntimeError(code);
    return code;
}

int TextFile::Create(const std::string& path)
{
    ClearRuntimeError();
    if (path.empty()) {
        return Fail(kInvalidFilename);
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST) {
            return kNoError;
        }
        return Fail(errno == ENOENT ? MissingCode(path) : RuntimeErrorFromErrno(errno));
    }
    ::close(fd);
    return kNoError;
}

int TextFile::Open(const std::string& path, std::uint8_t mode)
{
    Close();
    ClearRuntimeError();
    if (path.empty()) {
        return Fail(kInvalidFilename);
    }
    const int access = mode & kAccessMask;
    // Every write appends: the kernel puts each line at the end whatever another writer did.
    const int flags = (access == kAccessRead ? O_RDONLY : (access == kAccessWrite ? O_WRONLY : O_RDWR) | O_APPEND) |
                      O_CLOEXEC;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return Fail(errno == ENOENT ? MissingCode(path) : RuntimeErrorFromErrno(errno));
    }
    if (S_ISDIR(st.st_mode)) {
        return Fail(kAccessDenied);
    }
    // No write bit at all: read-only for everyone, as a read-only attribute would be.
    if (access != kAccessRead && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return Fail(kAccessDenied);
    }
    fd_ = ::open(path.c_str(), flags);
    if (fd_ < 0) {
        return Fail(RuntimeErrorFromErrno(errno));
    }
    writable_ = access != kAccessRead;
    path_ = path;
    Rewind();
    return kNoError;
}

void TextFile::Close()
{
    if (fd_ < 0) {
        return;
    }
    // No flush to the disk: a text file is written anew each time from what the program holds (the
    // script export), so a flush that the user waits on in the middle of a request buys nothing that
    // the next export does not. The lines are the kernel's once written; a crash of the program
    // cannot lose them.
    ::close(fd_);
    fd_ = -1;
    writable_ = false;
    path_.clear();
    pending_.clear();
}

int TextFile::Add(const void* record)
{
    ClearRuntimeError();
    if (fd_ < 0) {
        return Fail(kFileNotOpen);
    }
    if (!writable_) {
        return Fail(kAccessDenied);
    }
    std::string line(Clip(std::string_view(static_cast<const char*>(record), layout_->Size())));
    line += "\r\n";
    // One write, so that lines of several writers never interleave.
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(fd_, line.data() + done, line.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Fail(RuntimeErrorFromErrno(errno));
        }
        done += static_cast<std::size_t>(n);
    }
    return kNoError;
}

void TextFile::Rewind()
{
    pending_.clear();
    atEnd_ = false;
    readPos_ = 0;
}

int TextFile::Next(void* record)
{
    ClearRuntimeError();
    if (fd_ < 0) {
        return Fail(kFileNotOpen);
    }
    for (;;) {
        const auto nl = pending_.find('\n');
        if (nl != std::string::npos || (atEnd_ && !pending_.empty())) {
            std::string_view line(pending_.data(), nl == std::string::npos ? pending_.size() : nl);
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
            AssignText(static_cast<char*>(record), layout_->Size(), line);
            pending_.erase(0, nl == std::string::npos ? pending_.size() : nl + 1);
            return kNoError;
        }
        if (atEnd_) {
            return Fail(kRecordNotAvailable);
        }
        char buffer[4096];
        const ssize_t n = ::pread(fd_, buffer, sizeof buffer, readPos_);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Fail(RuntimeErrorFromErrno(errno));
        }
        if (n == 0) {
            atEnd_ = true;
        } else {
            pending_.append(buffer, static_cast<std::size_t>(n));
            readPos_ += n;
        }
    }
}

} // namespace quorin
