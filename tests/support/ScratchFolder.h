#pragma once
// A fresh folder under the system's temporary folder that is the working folder while the object
// lives: the program's relative names (".\quorin20.INI", "form1.tps") land there. The working
// folder before it comes back, and the folder goes, when the object does.
#include <filesystem>
#include <string_view>

namespace quorin::testing {

class ScratchFolder {
public:
    explicit ScratchFolder(std::string_view prefix);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::filesystem::path saved_;
};

} // namespace quorin::testing
