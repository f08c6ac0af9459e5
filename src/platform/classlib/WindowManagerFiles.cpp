// The window manager's steps on its files: the primary file's update, the saved states of the
// registered files, and the record buffer that the close check compares.
#include "platform/classlib/FileManager.h"
#include "platform/classlib/RelationManager.h"
#include "platform/classlib/WindowManager.h"
#include "platform/runtime/RuntimeError.h"

namespace quorin {

namespace {

FileManager* Me(RelationManager* relation)
{
    return relation != nullptr ? relation->ME : nullptr;
}

} // namespace

std::string WindowManager::PrimaryImage() const
{
    const FileManager* file = Me(PRIMARY);
    if (file == nullptr || file->BUFFER.address == nullptr) {
        return {};
    }
    return std::string(file->BUFFER.address, file->BUFFER.size);
}

Level WindowManager::UsePrimaryForUpdate()
{
    FileManager* file = Me(PRIMARY);
    return file != nullptr ? file->UseFile(use::kUpdate) : 0;
}

void WindowManager::SaveFileStates()
{
    savedStates_.clear();
    for (FileManager* file : files_) {
        savedStates_.push_back(file->SaveFile());
    }
    if (FileManager* file = Me(PRIMARY)) {
        savedStates_.push_back(file->SaveFile());
    }
}

void WindowManager::RestoreFileStates()
{
    // After a completed update the buffers hold what was written, which the caller's browse then
    // shows and selects; putting the old state back would lose it. A cancelled or refused request
    // leaves the files as they were before the window.
    if (RESPONSE != response::kCompleted && !savedStates_.empty()) {
        std::size_t i = 0;
        for (FileManager* file : files_) {
            if (i < savedStates_.size()) {
                file->RestoreFile(savedStates_[i++]);
            }
        }
        if (FileManager* file = Me(PRIMARY); file != nullptr && i < savedStates_.size()) {
            file->RestoreFile(savedStates_[i]);
        }
    }
    savedStates_.clear();
}

Level WindowManager::InsertPrimary()
{
    FileManager* file = Me(PRIMARY);
    return file != nullptr ? file->Insert() : level::kNotify;
}

int WindowManager::ChangePrimary()
{
    FileManager* file = Me(PRIMARY);
    if (file == nullptr) {
        return kFileNotOpen;
    }
    const int rc = file->TryUpdate();
    if (rc == kRecordChanged) {
        file->Report(msg::kRecordChanged, rc);
    }
    return rc;
}

Level WindowManager::DeletePrimary(bool ask)
{
    return PRIMARY != nullptr ? PRIMARY->Delete(ask ? 1 : 0) : level::kNotify;
}

} // namespace quorin
