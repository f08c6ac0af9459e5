#pragma once
// The scripted user-interface backend for tests: a scripted user that answers message boxes from a
// queue the test fills, and a record of every box the program showed. Its window part: the test
// queues the user's actions, which are played one at a time into the window whose loop waits, and
// reads back what the program showed (window titles, help requests, file dialogs, menus).
#include "platform/runtime/Event.h"
#include "platform/runtime/UserInterface.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quorin {

class ScriptedUi : public UserInterface {
public:
    // The answer (a button) to the next message box; answers are used in the order queued.
    void QueueAnswer(int button);
    std::size_t PendingAnswers() const;

    // Every message box shown so far, in order.
    std::vector<MessageBoxRequest> Messages() const;
    std::size_t MessageCount() const;
    // The latest box; a default request when none was shown.
    MessageBoxRequest LastMessage() const;
    void ClearMessages();

    // Takes the next queued answer; with none queued, the box's default button.
    int ShowMessageBox(const MessageBoxRequest& request) override;

    // ---- window part ----
    // User actions, played in order, each into the window whose loop is waiting when its turn comes.
    void Type(int control, std::string text);   // focus the control, then type the text (no leave)
    void Leave(int control, int next);          // move the focus from `control` to `next`
    void Press(int control);                    // click a button or a check box
    void PickRow(int control, int row);
    void Key(int control, int key);
    void PickTab(int sheet, int tab);
    void Scroll(int control, EventCode how);
    void CloseBox();
    void Resize(int width, int height);
    void Help();
    // Runs `step` on the waiting window: to look at it mid-run or to act in ways not listed above.
    void Do(std::function<void(Window&)> step);
    std::size_t PendingActions() const;

    // Answers to the next file dialogs (nothing: cancel) and popup menus (item from 1, 0: none).
    // Without one queued a file dialog is cancelled and a menu gives 0.
    void QueueFileAnswer(std::optional<std::string> path);
    void QueueMenuChoice(int item);

    struct ShownWindow {
        std::string title;  // the latest title while it was open
        bool modal = false; // shown over an owner
        bool open = true;
        const Window* window = nullptr; // valid only while open
    };
    std::vector<ShownWindow> ShownWindows() const;
    std::vector<FileDialogRequest> FileDialogs() const;
    std::vector<std::vector<std::string>> Menus() const;
    // Where each menu opened, as PopupMenu's `atRowOf`: 0 at the mouse pointer, else a list.
    std::vector<int> MenuPlaces() const;
    std::vector<std::string> HelpRequests() const; // help ids asked for (each also shows its box)
    // Entries whose picture refused their text, in order: what the user was told.
    struct Refusal {
        int control = 0;
        std::string typed; // the entry's text then
        std::string what;
    };
    std::vector<Refusal> Refusals() const;
    void ClearRefusals();
    bool WaitCursor() const;
    int WaitCursorChanges() const;

    // What a window shows now, control by control (for a look from inside Do()).
    struct ControlLook {
        int number = 0;
        std::string label;
        std::string text; // screen text
        bool enabled = false;
        bool visible = false;
        bool readOnly = false;
        bool focus = false;
    };
    static std::vector<ControlLook> Look(const Window& window);

    void CreateWindowWidget(Window& window) override;
    void ShowWindow(Window& window, Window* owner) override;
    void DestroyWindowWidget(Window& window) override;
    void WindowChanged(Window& window, unsigned changes) override;
    bool WaitForAction(Window& window) override;
    std::optional<std::string> AskFile(const FileDialogRequest& request) override;
    int PopupMenu(Window& window, const std::vector<std::string>& items, int atRowOf) override;
    void EntryRefused(Window& window, Control& control, std::string_view what) override;
    void SetWaitCursor(bool on) override;
    void ShowHelp(Window& window, std::string_view helpId) override;

private:
    void QueueAction(std::function<void(Window&)> action);

    std::deque<std::function<void(Window&)>> actions_;
    std::deque<std::optional<std::string>> fileAnswers_;
    std::deque<int> menuChoices_;
    std::vector<ShownWindow> shown_;
    std::vector<FileDialogRequest> fileDialogs_;
    std::vector<std::vector<std::string>> menus_;
    std::vector<int> menuPlaces_;
    std::vector<std::string> helpRequests_;
    std::vector<Refusal> refusals_;
    bool waitCursor_ = false;
    int waitCursorChanges_ = 0;

    mutable std::mutex mutex_;
    std::deque<int> answers_;
    std::vector<MessageBoxRequest> messages_;
};

} // namespace quorin
