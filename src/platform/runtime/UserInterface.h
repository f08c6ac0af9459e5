#pragma once
// The user-interface service the runtime declares. One backend is installed per process: the Qt one
// for people, the scripted one for tests. The runtime's operations that show something go through it.
#include <string>
#include <string_view>
#include <vector>

namespace quorin {

// Buttons of a message box; a set of buttons is their sum. The chosen button is one of them.
namespace button {
inline constexpr int kOk = 1;
inline constexpr int kYes = 2;
inline constexpr int kNo = 4;
inline constexpr int kAbort = 8;
inline constexpr int kRetry = 16;
inline constexpr int kIgnore = 32;
inline constexpr int kCancel = 64;
inline constexpr int kHelp = 128;
} // namespace button

// System icons of a message box, by their system icon id; 0 shows no icon.
namespace icon {
inline constexpr int kNone = 0;
inline constexpr int kHand = 32513;        // error / stop
inline constexpr int kQuestion = 32514;
inline constexpr int kExclamation = 32515; // warning
inline constexpr int kAsterisk = 32516;    // information
} // namespace icon

struct MessageBoxRequest {
    std::string text;    // "|" starts a new line
    std::string caption;
    int icon = icon::kNone;
    int buttons = button::kOk;       // never 0 here: ShowMessage makes an empty set OK
    int defaultButton = button::kOk; // always one of `buttons`
    int style = 0;
};

// The lines of a message text ("|" is the line break).
std::vector<std::string> MessageLines(std::string_view text);

class UserInterface {
public:
    virtual ~UserInterface() = default;

    // A modal message box on the calling thread; returns the button chosen.
    virtual int ShowMessageBox(const MessageBoxRequest& request) = 0;
};

// The process's backend, not owned; null uninstalls. Returns the one installed before.
UserInterface* InstallUserInterface(UserInterface* ui);
UserInterface* InstalledUserInterface();

// Installs a backend for a scope and puts the previous one back.
class ScopedUserInterface {
public:
    explicit ScopedUserInterface(UserInterface& ui) : previous_(InstallUserInterface(&ui)) {}
    ~ScopedUserInterface() { InstallUserInterface(previous_); }
    ScopedUserInterface(const ScopedUserInterface&) = delete;
    ScopedUserInterface& operator=(const ScopedUserInterface&) = delete;

private:
    UserInterface* previous_;
};

// The icon text of a system icon: the bytes 0xFF, 0x01 and the id, low byte first.
std::string SystemIconText(int id);
// The icon id of an icon text; 0 for an empty text or one that names no system icon.
int IconFromText(std::string_view iconText);

// A message box through the installed backend. Empty button set: the single button OK, the default;
// a default that is not in the set becomes the set's first button. Without a backend nothing is
// shown and the default button is the answer.
int ShowMessage(std::string_view text, std::string_view caption, std::string_view iconText = {},
                int buttons = 0, int defaultButton = 0, int style = 0);
// The same with the icon given by its id.
int ShowMessageIcon(std::string_view text, std::string_view caption, int iconId, int buttons = 0,
                    int defaultButton = 0, int style = 0);

} // namespace quorin
