#pragma once
// The file-dialog class: a title, a file-type list and flags, asked through the system's file dialog.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/runtime/FixedText.h"
#include "platform/runtime/UserInterface.h"

namespace quorin {

// Bits of FileLookup::FLAGS.
namespace lookup {
inline constexpr std::uint8_t kSave = 0x01;        // a save dialog (else an open dialog)
inline constexpr std::uint8_t kNoPrompt = 0x04;    // save: no overwrite question; open: any name
inline constexpr std::uint8_t kMultiple = 0x08;    // several files
inline constexpr std::uint8_t kLongNames = 0x10;   // explorer-style dialog with long names
inline constexpr std::uint8_t kDirectory = 0x20;   // choose a folder
} // namespace lookup

class FileLookup {
public:
    char DEFAULTDIRECTORY[260] = {};
    FixedText<256> DEFAULTFILE;
    std::uint8_t FLAGS = 0;
    char MASKSTRING[255] = {};
    FixedText<260> SAVEPATH; // the working directory kept across a keep-directory ask
    char WINDOWTITLE[80] = {};
    std::uint8_t CLEARONCANCEL = 0;
    std::uint8_t DIALOGCANCELLED = 0;

    void Init();
    // Appends "description|pattern" to the file-type list, "|"-separated from what is there.
    void AddMask(std::string_view description, std::string_view pattern);
    // The chosen file's full path ("|"-separated when several); when cancelled, empty with
    // CLEARONCANCEL, else DEFAULTFILE as it was.
    std::string Ask(std::uint8_t keepDirectory);

    // The dialog that Ask shows, from the fields (exposed so a caller can see what is asked).
    FileDialogRequest Request() const;

private:
    std::string keptDirectory_; // whole, however long; SAVEPATH holds what fits
};

} // namespace quorin
