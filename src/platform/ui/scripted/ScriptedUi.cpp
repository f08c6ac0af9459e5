#include "platform/ui/scripted/ScriptedUi.h"

namespace quorin {

void ScriptedUi::QueueAnswer(int button)
{
    std::lock_guard lock(mutex_);
    answers_.push_back(button);
}

std::size_t ScriptedUi::PendingAnswers() const
{
    std::lock_guard lock(mutex_);
    return answers_.size();
}

std::vector<MessageBoxRequest> ScriptedUi::Messages() const
{
    std::lock_guard lock(mutex_);
    return messages_;
}

std::size_t ScriptedUi::MessageCount() const
{
    std::lock_guard lock(mutex_);
    return messages_.size();
}

MessageBoxRequest ScriptedUi::LastMessage() const
{
    std::lock_guard lock(mutex_);
    return messages_.empty() ? MessageBoxRequest{} : messages_.back();
}

void ScriptedUi::ClearMessages()
{
    std::lock_guard lock(mutex_);
    messages_.clear();
}

int ScriptedUi::ShowMessageBox(const MessageBoxRequest& request)
{
    std::lock_guard lock(mutex_);
    messages_.push_back(request);
    if (answers_.empty())
        return request.defaultButton;
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

} // namespace quorin
