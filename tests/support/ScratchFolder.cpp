#include "ScratchFolder.h"

#include <stdlib.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace quorin::testing {

ScratchFolder::ScratchFolder(std::string_view prefix) : saved_(std::filesystem::current_path())
{
    std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
    }
    path_ = pattern;
    std::filesystem::current_path(path_);
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ec;
    std::filesystem::current_path(saved_, ec);
    std::filesystem::remove_all(path_, ec);
}

} // namespace quorin::testing
