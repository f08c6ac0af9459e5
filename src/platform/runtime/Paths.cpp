#include "platform/runtime/Paths.h"

#include "platform/runtime/FixedText.h"
#include "platform/runtime/RuntimeError.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace quorin {

namespace fs = std::filesystem;

namespace {

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/tmp";
}

std::string DataFolder()
{
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return std::string(xdg) + "/quorin20";
    return HomeFolder() + "/.local/share/quorin20";
}

std::string Slashes(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c == '\\')
            c = '/';
    return out;
}

std::string_view DropLeadingSeparators(std::string_view text)
{
    while (!text.empty() && (text.front() == '\\' || text.front() == '/'))
        text.remove_prefix(1);
    return text;
}

} // namespace

std::string DriveFolder(char letter)
{
    const char upper = Upper(letter);
    const std::string var = std::string("QUORIN_DRIVE_") + upper;
    if (const char* folder = std::getenv(var.c_str()); folder && *folder)
        return folder;
    return DataFolder() + "/drives/" + upper;
}

std::string NativePath(std::string_view name)
{
    name = Clip(name);
    if (!name.empty() && name.front() == '/')
        return std::string(name);
    if (name.size() >= 2 && IsDriveLetter(name[0]) && name[1] == ':') {
        std::string_view rest = DropLeadingSeparators(name.substr(2));
        std::string folder = DriveFolder(name[0]);
        if (rest.empty())
            return folder;
        return folder + "/" + Slashes(rest);
    }
    return Slashes(name);
}

std::string GetLongPath(std::string_view name)
{
    std::error_code ec;
    fs::path cwd = fs::current_path(ec);
    const std::string native = NativePath(name);
    if (native.empty())
        return cwd.string();
    fs::path full = fs::path(native).is_absolute() ? fs::path(native) : cwd / native;
    std::string text = full.lexically_normal().string();
    // "dir/." normalises to "dir/"; a folder's long name has no trailing separator.
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

bool RemoveFile(std::string_view name)
{
    ClearRuntimeError();
    const std::string native = NativePath(name);
    if (native.empty()) {
        SetRuntimeError(kInvalidFilename);
        return false;
    }
    if (::unlink(native.c_str()) == 0)
        return true;
    const int err = errno;
    switch (err) {
    case ENOENT: {
        std::error_code ec;
        const fs::path parent = fs::path(native).parent_path();
        const bool folderThere = parent.empty() || fs::is_directory(parent, ec);
        SetRuntimeError(folderThere ? kFileNotFound : kPathNotFound);
        break;
    }
    case ENOTDIR: SetRuntimeError(kPathNotFound); break;
    case ENAMETOOLONG: SetRuntimeError(kInvalidFilename); break;
    default: SetRuntimeError(kAccessDenied); break; // EACCES, EPERM, EISDIR, EROFS, EBUSY
    }
    return false;
}

} // namespace quorin
