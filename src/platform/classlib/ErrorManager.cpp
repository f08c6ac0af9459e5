#include "platform/classlib/ErrorManager.h"

#include "platform/runtime/Module.h"
#include "platform/runtime/RuntimeError.h"
#include "platform/runtime/UserInterface.h"

#include <algorithm>
#include <array>

namespace quorin {

const std::vector<ErrorMessage>& StandardErrorMessages()
{
    using namespace level;
    // Questions preselect the answer that loses nothing: keep editing, delete as asked, save.
    static const std::vector<ErrorMessage> table = {
        {msg::kAccessDenied, "Access Denied", "Could not get write access to %File so trying read-only.", kNotify},
        {msg::kAddError, "Record Insert Error",
         "An error was experienced during the creation of a record.|File: %File|Error: %ErrorText.", kNotify},
        {msg::kDeleteError, "Record Delete Error",
         "An error was experienced during the deletion of a record.|File: %File|Error: %ErrorText.", kNotify},
        {msg::kConfirmCancel, "Changes will be lost!", "Are you sure you want to cancel?", kUser, button::kNo},
        {msg::kConfirmDelete, "Confirm Delete", "Are you sure you want to delete the highlighted record?", kUser,
         button::kYes},
        {msg::kCreateError, "File Creation Error", "Error: (%ErrorText) creating %File.", kFatal},
        {msg::kDuplicateKey, "Duplicate Key Error",
         "Adding this record creates a duplicate entry for the key: %Message", kNotify},
        {msg::kInvalidFile, "Invalid File",
         "%File has an invalid File structure.|Error: %ErrorCode - %Error|FileError: %FileErrorCode - %FileError|",
         kFatal},
        {msg::kOpenFailed, "File Access Error", "File %File could not be opened.  Error: %ErrorText.", kFatal},
        {msg::kRebuildError, "Key was not built", "Error: (%ErrorText) repairing key for %File.", kFatal},
        {msg::kRebuildKey, "Invalid Key", "%File key file is invalid. Key must be rebuilt.", kNotify},
        {msg::kRetrySave, "Record Update Error",
         "An error was experienced changing this record. Do you want to try to save again?", kUser, button::kYes},
        {msg::kSaveRecord, "Save Record", "Do you want to save the changes to this record?", kUser, button::kYes},
        {msg::kRecordChanged, "Record Changed",
         "This record was changed or deleted by another program since it was read. Nothing was written.|File: %File",
         kNotify},
        {msg::kUseClosedFile, "File Usage Error", "Attempt to use file (%File) before it was opened", kProgram},
    };
    return table;
}

ErrorManager::ErrorManager() = default;

void ErrorManager::Init(ThreadVar<ErrorStatusBlock>* status)
{
    std::lock_guard guard(lock_);
    status_ = status ? status : &ownStatus_;
    added_.clear();
    history_.clear();
    procedures_->clear();
    historyThreshold_ = 0;
    historyViewLevel_ = 3;
}

void ErrorManager::AddMessage(ErrorMessage message)
{
    std::lock_guard guard(lock_);
    auto it = std::find_if(added_.begin(), added_.end(), [&](const ErrorMessage& m) { return m.id == message.id; });
    if (it != added_.end())
        *it = std::move(message);
    else
        added_.push_back(std::move(message));
}

std::optional<ErrorMessage> ErrorManager::Message(int id) const
{
    std::lock_guard guard(lock_);
    for (const ErrorMessage& m : added_)
        if (m.id == id)
            return m;
    for (const ErrorMessage& m : StandardErrorMessages())
        if (m.id == id)
            return m;
    return std::nullopt;
}

ErrorStatusBlock& ErrorManager::Status() const
{
    std::lock_guard guard(lock_);
    return status_->ThreadInstance();
}

void ErrorManager::SetFile(std::string_view name) { Status().fileName = name; }
void ErrorManager::SetField(std::string_view name) { Status().fieldName = name; }
void ErrorManager::SetKey(std::string_view name) { Status().keyName = name; }
void ErrorManager::SetMessageText(std::string_view text) { Status().messageText = text; }

void ErrorManager::SetErrors() { SetErrors(RuntimeError()); }

void ErrorManager::SetErrors(int code)
{
    ErrorStatusBlock& status = Status();
    status.saveErrorCode = code;
    status.saveError = RuntimeErrorText(code);
}

void ErrorManager::SetFileError(int code, std::string_view text)
{
    ErrorStatusBlock& status = Status();
    status.saveFileErrorCode = code;
    status.saveFileError = text;
}

void ErrorManager::SetProcedureName(std::string_view name, std::uint8_t flag)
{
    std::vector<std::string>& names = *procedures_;
    if (flag == 1) {
        if (!names.empty())
            names.pop_back();
    } else {
        names.emplace_back(Clip(name));
    }
}

std::string ErrorManager::ProcedureName() const
{
    const std::vector<std::string>& names = *procedures_;
    return names.empty() ? std::string() : names.back();
}

std::string ErrorManager::SubsString(int id) const
{
    const std::optional<ErrorMessage> message = Message(id);
    return message ? Substitute(message->text) : std::string();
}

std::string ErrorManager::Substitute(const std::string& text) const
{
    const ErrorStatusBlock& s = Status();
    // Longer names first, so "%ErrorText" is not read as "%Error" followed by "Text".
    const std::array<std::pair<std::string_view, std::string>, 10> names = {{
        {"%FileErrorCode", NumberToText(s.saveFileErrorCode)},
        {"%FileError", s.saveFileError.Str()},
        {"%ErrorCode", NumberToText(s.saveErrorCode)},
        {"%ErrorText", s.saveError.Str()},
        {"%Procedure", ProcedureName()},
        {"%Message", s.messageText.Str()},
        {"%Error", s.saveError.Str()},
        {"%Field", s.fieldName.Str()},
        {"%File", s.fileName.Str()},
        {"%Key", s.keyName.Str()},
    }};
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == '%') {
            for (const auto& [name, value] : names) {
                if (text.compare(i, name.size(), name) == 0) {
                    out += value;
                    i += name.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced)
            out += text[i++];
    }
    return out;
}

int ErrorManager::TakeError(int id)
{
    std::optional<ErrorMessage> message = Message(id);
    if (!message)
        message = ErrorMessage{id, "Error", "Unknown error " + NumberToText(id) + ".", level::kProgram};
    const std::string text = Substitute(message->text);
    {
        std::lock_guard guard(lock_);
        ErrorBuffer& buffer = status_->ThreadInstance().errorBuffer;
        buffer.prevErrorId = buffer.id;
        buffer.id = id;
        buffer.message = text;
        buffer.title = message->title;
        buffer.fatality = message->level;
        history_.push_back(buffer);
    }
    // The box is shown outside the lock: another thread's messages must not wait for this user.
    switch (message->level) {
    case level::kBenign:
        return level::kBenign;
    case level::kUser:
    case level::kCancel: {
        const int preset = message->defaultButton == button::kYes ? button::kYes : button::kNo;
        return ShowMessageIcon(text, message->title, icon::kQuestion, button::kYes | button::kNo, preset);
    }
    case level::kNotify:
        ShowMessageIcon(text, message->title, icon::kExclamation, button::kOk, button::kOk);
        return level::kNotify;
    default:
        ShowMessageIcon(text + "  Press OK to end this application", message->title, icon::kHand, button::kOk,
                        button::kOk);
        HaltProgram(1);
    }
}

Level ErrorManager::Throw(int id)
{
    const std::optional<ErrorMessage> message = Message(id);
    const int result = TakeError(id);
    if (message && (message->level == level::kUser || message->level == level::kCancel))
        return result == button::kYes ? level::kBenign : level::kCancel;
    return static_cast<Level>(result);
}

Level ErrorManager::ThrowFile(int id, std::string_view file)
{
    SetFile(file);
    return Throw(id);
}

Level ErrorManager::ThrowMessage(int id, std::string_view message)
{
    SetMessageText(message);
    return Throw(id);
}

int ErrorManager::Ask(int id) { return TakeError(id); }

std::vector<ErrorBuffer> ErrorManager::History() const
{
    std::lock_guard guard(lock_);
    return history_;
}

} // namespace quorin
