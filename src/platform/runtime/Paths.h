#pragma once
// Windows-style file names of the system's texts, mapped to this system's paths.
//   ".\name"      the working directory (resolved when the name is used)
//   "\"           a folder separator
//   "X:\..."      the folder of drive X: $QUORIN_DRIVE_X when set, else
//                 $XDG_DATA_HOME/quorin20/drives/X (default ~/.local/share/quorin20/drives/X)
// A name that already starts with "/" is a native path (e.g. from a file dialog) and passes unchanged.
#include <string>
#include <string_view>

namespace quorin {

// The native path of a system name; trailing blanks are dropped. A relative name stays relative.
std::string NativePath(std::string_view name);

// The folder that drive `letter` maps to (either case of the letter).
std::string DriveFolder(char letter);

// The full path of the name (trailing blanks dropped), resolved against the working directory and
// normalised; an empty name gives the working directory.
std::string GetLongPath(std::string_view name);

// Deletes the file, silently. On failure only the runtime error code is set: 45 for an empty name,
// 2 when the file is missing, 3 when its folder is missing, 5 when it may not be deleted.
// True when the file was deleted.
bool RemoveFile(std::string_view name);

} // namespace quorin
