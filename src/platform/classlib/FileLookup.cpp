#include "platform/classlib/FileLookup.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/runtime/Paths.h"

namespace quorin {

namespace {

std::vector<std::string> SplitBars(std::string_view text)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t bar = text.find('|', start);
        const std::size_t end = bar == std::string_view::npos ? text.size() : bar;
        parts.emplace_back(text.substr(start, end - start));
        if (bar == std::string_view::npos) {
            break;
        }
        start = bar + 1;
    }
    return parts;
}

// A backend's answer that the dialog itself should never have given (a missing file for an open
// dialog, a name in a missing folder) counts as no answer rather than being handed on.
bool Acceptable(const FileDialogRequest& request, const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path p(path);
    if (path.empty()) {
        return false;
    }
    if (request.folder) {
        return std::filesystem::is_directory(p, ec);
    }
    if (request.save || !request.mustExist) {
        const std::filesystem::path folder = p.parent_path();
        return folder.empty() || std::filesystem::is_directory(folder, ec);
    }
    return std::filesystem::is_regular_file(p, ec);
}

std::string FullPath(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

} // namespace

void FileLookup::Init()
{
    AssignCString(WINDOWTITLE, sizeof WINDOWTITLE, "Select A File");
    FLAGS = lookup::kLongNames;
}

void FileLookup::AddMask(std::string_view description, std::string_view pattern)
{
    std::string mask(MASKSTRING, CStringLength(MASKSTRING));
    if (!mask.empty()) {
        mask += '|';
    }
    mask += Clip(description);
    mask += '|';
    mask += pattern;
    AssignCString(MASKSTRING, sizeof MASKSTRING, mask);
}

FileDialogRequest FileLookup::Request() const
{
    FileDialogRequest request;
    request.title.assign(WINDOWTITLE, CStringLength(WINDOWTITLE));
    request.mask.assign(MASKSTRING, CStringLength(MASKSTRING));
    if (request.mask.empty()) {
        request.mask = "All Files|*.*";
    }
    request.startName = DEFAULTFILE.Str();
    request.save = (FLAGS & lookup::kSave) != 0;
    request.noOverwritePrompt = request.save && (FLAGS & lookup::kNoPrompt) != 0;
    request.mustExist = !request.save && (FLAGS & lookup::kNoPrompt) == 0;
    request.multiple = (FLAGS & lookup::kMultiple) != 0;
    request.folder = (FLAGS & lookup::kDirectory) != 0;
    return request;
}

std::string FileLookup::Ask(std::uint8_t keepDirectory)
{
    DIALOGCANCELLED = 0;
    std::error_code ec;
    if (keepDirectory != 0) {
        keptDirectory_ = std::filesystem::current_path(ec).string();
        SAVEPATH = keptDirectory_;
    }
    const std::string_view folder(DEFAULTDIRECTORY, CStringLength(DEFAULTDIRECTORY));
    if (!Clip(folder).empty()) {
        std::filesystem::current_path(NativePath(Clip(folder)), ec); // a missing folder: stay where we are
    }

    const FileDialogRequest request = Request();
    std::optional<std::string> answer;
    if (UserInterface* ui = InstalledUserInterface()) {
        answer = ui->AskFile(request);
    }
    std::string result;
    if (answer) {
        for (const std::string& part : SplitBars(*answer)) {
            if (!Acceptable(request, part)) {
                answer.reset();
                break;
            }
            if (!result.empty()) {
                result += '|';
            }
            result += FullPath(part);
        }
    }
    if (!answer) {
        DIALOGCANCELLED = 1;
        result = CLEARONCANCEL != 0 ? std::string() : DEFAULTFILE.Str();
    }

    if (keepDirectory != 0 && !keptDirectory_.empty()) {
        std::filesystem::current_path(keptDirectory_, ec);
    }
    return result;
}

} // namespace quorin
