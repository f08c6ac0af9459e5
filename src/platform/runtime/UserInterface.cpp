#include "platform/runtime/UserInterface.h"

#include <atomic>

namespace quorin {

namespace {
std::atomic<UserInterface*> g_ui{nullptr};
thread_local int t_modalDepth = 0;
} // namespace

bool ModalDialogActive() { return t_modalDepth > 0; }
ModalDialogScope::ModalDialogScope() { ++t_modalDepth; }
ModalDialogScope::~ModalDialogScope() { --t_modalDepth; }

std::optional<std::string> AskFileName(const FileDialogRequest& request)
{
    UserInterface* ui = g_ui.load();
    if (!ui)
        return std::nullopt;
    ModalDialogScope modal;
    return ui->AskFile(request);
}

MessageBoxRequest NoHelpMessage(std::string_view helpId)
{
    MessageBoxRequest request;
    request.caption = "Help";
    request.text = helpId.empty() ? std::string("No help is available.")
                                  : "No help is available for \"" + std::string(helpId) + "\".";
    request.icon = icon::kAsterisk;
    return request;
}

void UserInterface::ShowHelp(Window& window, std::string_view helpId)
{
    (void)window;
    ModalDialogScope modal;
    ShowMessageBox(NoHelpMessage(helpId));
}

std::vector<std::string> MessageLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = text.find('|', start);
        if (bar == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            return lines;
        }
        lines.emplace_back(text.substr(start, bar - start));
        start = bar + 1;
    }
}

UserInterface* InstallUserInterface(UserInterface* ui) { return g_ui.exchange(ui); }

UserInterface* InstalledUserInterface() { return g_ui.load(); }

std::string SystemIconText(int id)
{
    std::string text;
    text += static_cast<char>(0xFF);
    text += static_cast<char>(0x01);
    text += static_cast<char>(id & 0xFF);
    text += static_cast<char>((id >> 8) & 0xFF);
    return text;
}

int IconFromText(std::string_view iconText)
{
    if (iconText.size() < 4 || static_cast<unsigned char>(iconText[0]) != 0xFF
        || static_cast<unsigned char>(iconText[1]) != 0x01)
        return icon::kNone;
    return static_cast<unsigned char>(iconText[2]) | (static_cast<unsigned char>(iconText[3]) << 8);
}

int ShowMessageIcon(std::string_view text, std::string_view caption, int iconId, int buttons,
                    int defaultButton, int style)
{
    MessageBoxRequest request;
    request.text = std::string(text);
    request.caption = std::string(caption);
    request.icon = iconId;
    request.buttons = buttons == 0 ? button::kOk : buttons;
    if ((request.buttons & defaultButton) == 0 || (defaultButton & (defaultButton - 1)) != 0)
        defaultButton = request.buttons & -request.buttons; // lowest button of the set
    request.defaultButton = defaultButton;
    request.style = style;
    UserInterface* ui = g_ui.load();
    if (!ui)
        return request.defaultButton;
    ModalDialogScope modal;
    return ui->ShowMessageBox(request);
}

int ShowMessage(std::string_view text, std::string_view caption, std::string_view iconText,
                int buttons, int defaultButton, int style)
{
    return ShowMessageIcon(text, caption, IconFromText(iconText), buttons, defaultButton, style);
}

} // namespace quorin
