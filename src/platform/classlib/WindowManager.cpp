#include "platform/classlib/WindowManager.h"

#include <algorithm>
#include <cstring>

#include "platform/classlib/Toolbar.h"
#include "platform/classlib/WindowComponent.h"
#include "platform/classlib/WindowResizer.h"
#include "platform/runtime/RecordLayout.h"
#include "platform/runtime/RuntimeError.h"
#include "platform/runtime/UserInterface.h"
#include "platform/runtime/Window.h"

namespace quorin {

Level WindowManager::Init()
{
    ORIGINALREQUEST = REQUEST;
    components_.clear();
    closeButtons_.clear();
    listsMade_ = true;
    dead_ = false;
    INSERTACTION = 2;
    CHANGEACTION = 2;
    DELETEACTION = 2;
    CANCELACTION = 3;
    owner_ = nullptr;
    return 0;
}

std::uint8_t WindowManager::Run()
{
    if (Init() == 0) {
        ProcessEvents();
    }
    Kill();
    return RESPONSE != 0 ? RESPONSE : response::kCancelled;
}

void WindowManager::ProcessEvents()
{
    if (dead_ || window_ == nullptr) {
        return;
    }
    while (window_->NextEvent()) {
        const Level level = HandleEvent();
        if (level == level::kFatal) {
            break;
        }
        if (level == level::kNotify) {
            window_->SkipDefault();
        }
    }
}

Level WindowManager::HandleEvent()
{
    if (window_ == nullptr) {
        return 0;
    }
    const Event& event = window_->currentEvent();
    if (event.code == EventCode::Accepted) {
        if (const Level level = HandleAccepted(); level != 0) {
            return level; // neither the field handling nor the components see it
        }
    }
    if (IsFieldEvent(event.code)) {
        if (const Level level = HandleFieldEvent(); level != 0) {
            return level;
        }
    }
    // A component may close the window under us (a select), so walk a copy.
    const std::vector<WindowComponent*> components = components_;
    for (WindowComponent* component : components) {
        if (const Level level = component->TakeEvent(); level != 0) {
            return level;
        }
    }
    if (!IsFieldEvent(event.code) && event.code != EventCode::None) {
        return HandleWindowEvent();
    }
    return 0;
}

Level WindowManager::HandleFieldEvent()
{
    const Event& event = window_->currentEvent();
    switch (event.code) {
    case EventCode::NewSelection: return HandleNewSelection();
    case EventCode::Selected: return HandleSelected();
    case EventCode::Rejected: return HandleRejected();
    case EventCode::AlertKey:
        if (HISTORYKEY != 0 && event.key == HISTORYKEY && HistoryFieldOf(event.control) != 0) {
            RestoreField(event.control);
            return level::kNotify;
        }
        return 0;
    default: return 0;
    }
}

Level WindowManager::HandleWindowEvent()
{
    switch (window_->currentEvent().code) {
    case EventCode::Completed: return HandleCompleted();
    case EventCode::CloseWindow: return HandleCloseEvent();
    case EventCode::OpenWindow: OnWindowOpened(); return 0;
    case EventCode::Sized:
    case EventCode::Maximized:
    case EventCode::Restored:
        if (resizer_ != nullptr) {
            resizer_->Resize();
        }
        return 0;
    default: return 0;
    }
}

void WindowManager::Open(Window& window, Window* owner)
{
    window_ = &window;
    owner_ = owner;
    for (const CloseButton& button : closeButtons_) {
        window.MarkCloseButton(button.control);
    }
    window.Open(owner);
    OPENED = 1;
}

Level WindowManager::HandleAccepted()
{
    const int control = window_->AcceptedControl();
    if (toolbar_ != nullptr) {
        if (const Level level = toolbar_->TakeAccepted(control, window_->focus()); level != 0) {
            return level;
        }
    }
    for (const CloseButton& button : closeButtons_) {
        if (button.control == control) {
            SetResponse(button.response);
            return level::kNotify;
        }
    }
    if (OKCONTROL != 0 && control == OKCONTROL) {
        window_->Complete(); // checks the fields, then raises the completion event
    }
    return 0;
}

Level WindowManager::HandleCompleted()
{
    if (history_.buffer != nullptr && history_.saved != nullptr) {
        std::memcpy(history_.saved, history_.buffer, std::min(history_.bufferSize, history_.savedSize));
    }
    switch (REQUEST) {
    case request::kInsert: return INSERTACTION == 2 ? CompleteInsert() : 0;
    case request::kChange: return CHANGEACTION == 2 ? CompleteChange() : 0;
    case request::kDelete: return CompleteDelete();
    default: return 0;
    }
}

Level WindowManager::CompleteInsert()
{
    if (PRIMARY == nullptr) {
        return 0;
    }
    if (InsertPrimary() == 0) {
        SetResponse(response::kCompleted);
        return 0;
    }
    // The file manager has reported it; the user corrects the record and tries again.
    SelectFirstField();
    return level::kNotify;
}

Level WindowManager::CompleteChange()
{
    if (PRIMARY == nullptr) {
        return 0;
    }
    for (;;) {
        const int rc = ChangePrimary();
        if (rc == kNoError) {
            RESPONSE = response::kCompleted;
            PostClose();
            return 0;
        }
        // Saving again would overwrite another program's change: the user cancels and opens the
        // record again to see it.
        const int answer = rc == kRecordChanged || ERRORS == nullptr ? button::kNo : ERRORS->Ask(msg::kRetrySave);
        if (answer != button::kYes) {
            SelectFirstField(); // nothing written; the window stays with the user's edits
            return level::kNotify;
        }
    }
}

Level WindowManager::CompleteDelete()
{
    if (PRIMARY == nullptr) {
        return 0;
    }
    SetResponse(DeletePrimary(DELETEACTION == 2) == 0 ? response::kCompleted : response::kCancelled);
    return 0;
}

Level WindowManager::HandleCloseEvent()
{
    if (RESPONSE == response::kCompleted || PRIMARY == nullptr) {
        return 0;
    }
    if (CANCELACTION == 0 || (REQUEST != request::kInsert && REQUEST != request::kChange)) {
        return 0;
    }
    // Text still being typed into an entry (the close box does not leave it) counts as an edit,
    // also where the entry's picture cannot take it.
    const bool typedWouldBeLost = window_ != nullptr && window_->TakeTypedForLeaving();
    if (!typedWouldBeLost && PrimaryImage() == primedState_) {
        return 0;
    }
    switch (CANCELACTION) {
    case 2: {
        const int answer = ERRORS != nullptr ? ERRORS->Ask(msg::kConfirmCancel) : button::kYes;
        if (answer == button::kYes) {
            return 0;
        }
        SelectFirstField();
        return level::kNotify;
    }
    case 3: {
        const int answer = ERRORS != nullptr ? ERRORS->Ask(msg::kSaveRecord) : button::kNo;
        if (answer != button::kYes) {
            return 0;
        }
        AcceptOk();
        return level::kNotify;
    }
    case 1:
        // Without an OK control nothing can save the edit; staying would leave a window that
        // can never be closed.
        if (OKCONTROL == 0) {
            return 0;
        }
        AcceptOk();
        return level::kNotify;
    default: return 0;
    }
}

void WindowManager::SetResponse(std::uint8_t value)
{
    RESPONSE = value;
    PostClose();
}

void WindowManager::AcceptOk()
{
    // As if the user had pressed OK, so that a derived HandleAccepted sees it too.
    if (window_ != nullptr && OKCONTROL != 0) {
        window_->Post({EventCode::Accepted, OKCONTROL, 0});
    }
}

void WindowManager::PostClose()
{
    if (window_ != nullptr) {
        window_->Post({EventCode::CloseWindow, 0, 0});
    }
}

Level WindowManager::PrimeUpdate()
{
    Level result = 0;
    if (PRIMARY != nullptr) {
        UsePrimaryForUpdate();
    }
    SaveFileStates();
    if (REQUEST == request::kInsert && INSERTACTION != 0) {
        RESPONSE = response::kCompleted;
        PrimeFields();
        if (RESPONSE == response::kCancelled) {
            result = level::kFatal;
        } else {
            RESPONSE = response::kCancelled; // until the insert completes
        }
    } else if (REQUEST == request::kDelete && (DELETEACTION == 2 || DELETEACTION == 4) && PRIMARY != nullptr) {
        RESPONSE = DeletePrimary(DELETEACTION == 2) == 0 ? response::kCompleted : response::kCancelled;
        result = level::kFatal;
    }
    primedState_ = PrimaryImage();
    return result;
}

Level WindowManager::Kill()
{
    if (dead_ || !listsMade_) {
        return level::kNotify;
    }
    // A component takes itself off the list as it goes, so walk a copy.
    const std::vector<WindowComponent*> components = components_;
    components_.clear();
    for (WindowComponent* component : components) {
        component->Kill();
    }
    closeButtons_.clear();
    RestoreFileStates();
    files_.clear();
    historyFields_.clear();
    history_ = {};
    if (toolbar_ != nullptr && toolbar_->window() == this) {
        toolbar_->SetWindow(nullptr);
    }
    toolbar_ = nullptr;
    resizer_ = nullptr;
    listsMade_ = false;
    dead_ = true;
    return 0;
}

std::uint8_t WindowManager::RunProcedure(std::int32_t procedure, std::uint8_t requested)
{
    (void)procedure, (void)requested;
    return response::kCancelled;
}

void WindowManager::UpdateComponents()
{
    for (WindowComponent* component : components_) {
        component->Update();
    }
}

void WindowManager::SetAlertKeys()
{
    for (WindowComponent* component : components_) {
        component->SetAlerts();
    }
    if (window_ == nullptr || HISTORYKEY == 0) {
        return;
    }
    for (const HistoryField& field : historyFields_) {
        if (Control* control = window_->control(field.control)) {
            control->AddAlertKey(HISTORYKEY);
        }
    }
}

void WindowManager::RestoreField(int control)
{
    const int field = HistoryFieldOf(control);
    if (field == 0 || history_.buffer == nullptr || history_.saved == nullptr) {
        return;
    }
    if (field > history_.bufferLayout->FieldCount() || field > history_.savedLayout->FieldCount()) {
        return;
    }
    const FieldDesc& to = history_.bufferLayout->Field(field);
    const FieldDesc& from = history_.savedLayout->Field(field);
    if (to.offset + to.size > history_.bufferSize || from.offset + from.size > history_.savedSize) {
        return;
    }
    std::memcpy(history_.buffer + to.offset, history_.saved + from.offset, std::min(to.size, from.size));
    if (window_ != nullptr) {
        window_->Display(control, 0);
    }
}

void WindowManager::SelectFirstField()
{
    if (window_ != nullptr && FIRSTFIELD != 0) {
        window_->Select(FIRSTFIELD);
    }
}

void WindowManager::DisableControl(int control)
{
    if (window_ != nullptr) {
        window_->Enable(control, 0, false);
    }
}

void WindowManager::SetToolbar(Toolbar& toolbar)
{
    toolbar_ = &toolbar;
    toolbar.SetWindow(this);
}

void WindowManager::AddCloseButton(int control, std::uint8_t value)
{
    closeButtons_.push_back({control, value});
}

void WindowManager::AddFile(FileManager& file)
{
    if (std::find(files_.begin(), files_.end(), &file) == files_.end()) {
        files_.push_back(&file);
    }
}

void WindowManager::SetResizer(WindowResizer& resizer)
{
    resizer_ = &resizer;
}

void WindowManager::SetHistoryRecords(void* buffer, const RecordLayout& bufferLayout, std::size_t bufferSize,
                                      void* saved, const RecordLayout& savedLayout, std::size_t savedSize)
{
    history_ = {static_cast<char*>(buffer), &bufferLayout, bufferSize, static_cast<char*>(saved), &savedLayout,
                savedSize};
}

void WindowManager::AddHistoryField(int control, int field)
{
    historyFields_.push_back({control, field});
}

int WindowManager::HistoryFieldOf(int control) const
{
    for (const HistoryField& f : historyFields_) {
        if (f.control == control) {
            return f.field;
        }
    }
    return 0;
}

void WindowManager::AddItem(WindowComponent& component)
{
    if (std::find(components_.begin(), components_.end(), &component) == components_.end()) {
        components_.push_back(&component);
    }
}

void WindowManager::RemoveItem(WindowComponent& component)
{
    components_.erase(std::remove(components_.begin(), components_.end(), &component), components_.end());
}

} // namespace quorin
