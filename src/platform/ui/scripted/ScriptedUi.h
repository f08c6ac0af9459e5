#pragma once
// The scripted user-interface backend for tests: a scripted user that answers message boxes from a
// queue the test fills, and a record of every box the program showed.
#include "platform/runtime/UserInterface.h"

#include <cstddef>
#include <deque>
#include <mutex>
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

private:
    mutable std::mutex mutex_;
    std::deque<int> answers_;
    std::vector<MessageBoxRequest> messages_;
};

} // namespace quorin
