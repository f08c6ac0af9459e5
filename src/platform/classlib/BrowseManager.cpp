#include "platform/classlib/BrowseManager.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "platform/classlib/FileManager.h"
#include "platform/classlib/RelationManager.h"
#include "platform/classlib/View.h"
#include "platform/classlib/WindowManager.h"
#include "platform/runtime/Control.h"
#include "platform/runtime/DataFile.h"
#include "platform/runtime/FileDeclaration.h"
#include "platform/runtime/Queue.h"
#include "platform/runtime/RecordLayout.h"
#include "platform/runtime/RuntimeError.h"
#include "platform/runtime/UserInterface.h"
#include "platform/runtime/Window.h"

namespace quorin {

namespace {

// The keyboard's way to the popup menu, beside the Menu key, as on this desktop.
constexpr int kShiftF10 = keys::kShift | keys::FunctionKey(10);

// Keys the list reacts to; the rest the window handles as usual.
constexpr int kListKeys[] = {keys::kDown,       keys::kUp,          keys::kPageDown, keys::kPageUp,
                             keys::kHome, keys::kEnd, keys::kInsert,
                             keys::kDelete,     keys::kEnter,       keys::kMouseLeft2, keys::kMouseRight,
                             keys::kMenu,       kShiftF10};

// Offset of `field` inside a buffer of `size` bytes at `base`, or size when outside it.
std::size_t OffsetIn(const void* base, std::size_t size, const void* field, std::size_t length)
{
    const char* b = static_cast<const char*>(base);
    const char* f = static_cast<const char*>(field);
    if (b == nullptr || f < b || f + length > b + size) {
        return size;
    }
    return static_cast<std::size_t>(f - b);
}

} // namespace

ViewManager::~ViewManager() = default;

// ---- locator ----

void BrowseLocator::Init(std::int32_t control, const BoundVariable& field, std::uint8_t noCase, BrowseManager& browse)
{
    VIEWMANAGER = &browse;
    BROWSEMANAGER = &browse;
    FREEELEMENT = field; // a copy: the caller may dispose of its reference
    CONTROL = control;
    NOCASE = noCase;
}

void BrowseLocator::Locate()
{
    if (BROWSEMANAGER != nullptr) {
        BROWSEMANAGER->LocateRecord();
    }
}

// ---- browse ----

BrowseManager::BrowseManager() = default;

BrowseManager::~BrowseManager()
{
    if (initialised_ && !killed_) {
        Kill();
    }
}

void BrowseManager::Init(int listControl, char* positionField, std::size_t positionLength, View& view,
                         Queue& listQueue, RelationManager& file, WindowManager& window)
{
    listControl_ = listControl;
    position_ = positionField;
    positionLength_ = positionLength;
    view_ = &view;
    queue_ = &listQueue;
    relation_ = &file;
    window_ = &window;
    orders_.clear();
    pairs_.clear();
    page_ = std::make_unique<BrowsePage>(view, 1);
    loaded_ = false;
    initialised_ = true;
    killed_ = false;
    window.AddItem(*this);
}

int BrowseManager::AddSortOrder(int thumbControl, FileKey& key)
{
    (void)thumbControl; // the list's own scroll bar serves: the browse never knows the whole count
    orders_.push_back(key.index);
    if (orders_.size() == 1 && view_ != nullptr) {
        view_->SetOrder(key.index);
    }
    return static_cast<int>(orders_.size());
}

void BrowseManager::AddLocator(BrowseLocator& locator)
{
    locator_ = &locator;
}

void BrowseManager::AddLongField(std::int32_t* recordField, std::int32_t* queueField)
{
    AddStringField(sizeof(std::int32_t), reinterpret_cast<char*>(recordField), sizeof(std::int32_t),
                   reinterpret_cast<char*>(queueField));
}

void BrowseManager::AddStringField(std::size_t recordLength, char* recordField, std::size_t queueLength,
                                   char* queueField)
{
    // A pair outside its buffers would copy into foreign memory, and one dropped quietly leaves a
    // blank column that nobody can explain: either is a programming error, said as such.
    const std::size_t length = std::min(recordLength, queueLength);
    const std::size_t recordSize = view_ != nullptr ? view_->RecordSize() : 0;
    const std::size_t queueSize = queue_ != nullptr ? queue_->Layout().Size() : 0;
    const std::size_t r = OffsetIn(view_ != nullptr ? view_->buffer() : nullptr, recordSize, recordField, length);
    const std::size_t q = OffsetIn(queue_ != nullptr ? queue_->Buffer() : nullptr, queueSize, queueField, length);
    if (r == recordSize || q == queueSize) {
        assert(!"browse field pair outside the bound record or list queue");
        SetRuntimeError(kInvalidRecordDeclaration);
        return;
    }
    pairs_.push_back({r, q, length});
}

void BrowseManager::AddToolbarTarget(Toolbar& toolbar)
{
    toolbar_ = &toolbar;
    toolbar.AddTarget(this);
}

std::size_t BrowseManager::PageRows() const
{
    Window* w = window_ != nullptr ? window_->window() : nullptr;
    Control* list = w != nullptr ? w->control(listControl_) : nullptr;
    if (list == nullptr) {
        return 1;
    }
    // A row is a line of the window's font (8 dialog units); the header takes one.
    return static_cast<std::size_t>(std::max(1, list->height() / 8 - 1));
}

void BrowseManager::Loading(bool on)
{
    if (on && relation_ != nullptr && relation_->ME != nullptr) {
        // A lazily opened file is opened for real by its first use: the browse's first read.
        FileManager& file = *relation_->ME;
        if (file.OPENED > 0 && !file.IsOpenForReal()) {
            file.UseFile(use::kUse);
        }
    }
    if (USEWAITCURSOR != 0) {
        if (UserInterface* ui = InstalledUserInterface()) {
            ui->SetWaitCursor(on);
        }
    }
}

void BrowseManager::EnsureLoaded()
{
    if (!loaded_ && page_ != nullptr) {
        ResetPage();
    }
}

void BrowseManager::ResetPage()
{
    if (page_ == nullptr) {
        return;
    }
    Loading(true);
    page_->SetPageSize(PageRows());
    if (!loaded_ || page_->Empty()) {
        page_->First();
    } else {
        page_->Reload();
    }
    loaded_ = true;
    Show();
    Loading(false);
}

void BrowseManager::LocateRecord()
{
    if (page_ == nullptr || view_ == nullptr || view_->buffer() == nullptr) {
        return;
    }
    Loading(true);
    page_->SetPageSize(PageRows());
    page_->Locate(std::string(view_->buffer(), view_->RecordSize()));
    loaded_ = true;
    Show();
    Loading(false);
}

void BrowseManager::Show()
{
    if (queue_ == nullptr || page_ == nullptr) {
        return;
    }
    queue_->Free();
    char* row = queue_->Buffer();
    for (const PageRow& record : page_->Rows()) {
        queue_->ClearBuffer();
        for (const Pair& pair : pairs_) {
            if (pair.recordOffset + pair.length <= record.image.size()) {
                std::memcpy(row + pair.queueOffset, record.image.data() + pair.recordOffset, pair.length);
            }
        }
        if (position_ != nullptr && positionLength_ > 0) {
            AssignText(position_, positionLength_, NumberToText(record.id));
        }
        queue_->Add();
    }
    Window* w = window_ != nullptr ? window_->window() : nullptr;
    if (w != nullptr) {
        w->Display(listControl_, 0);
        if (Control* list = w->control(listControl_); list != nullptr && !page_->Empty()) {
            list->SetCurrentRow(static_cast<int>(page_->SelectedRow()) + 1);
        }
    }
}

void BrowseManager::Update()
{
    EnsureLoaded();
    if (page_ == nullptr || view_ == nullptr || view_->buffer() == nullptr) {
        return;
    }
    const PageRow* selected = page_->Selected();
    if (selected == nullptr) {
        return;
    }
    std::memcpy(view_->buffer(), selected->image.data(), std::min(selected->image.size(), view_->RecordSize()));
    // What a delete or a change acts on.
    if (relation_ != nullptr && relation_->ME != nullptr) {
        relation_->ME->SetCurrent(selected->id);
    } else if (view_->file() != nullptr) {
        view_->file()->SetCurrent(selected->id);
    }
}

void BrowseManager::SetAlerts()
{
    Window* w = window_ != nullptr ? window_->window() : nullptr;
    if (w == nullptr) {
        return;
    }
    if (Control* list = w->control(listControl_)) {
        for (int key : kListKeys) {
            list->AddAlertKey(key);
        }
    }
    EnsureLoaded();
}

void BrowseManager::Kill()
{
    if (toolbar_ != nullptr) {
        toolbar_->RemoveTarget(this);
        toolbar_ = nullptr;
    }
    if (window_ != nullptr) {
        window_->RemoveItem(*this);
    }
    page_.reset();
    pairs_.clear();
    orders_.clear();
    window_ = nullptr;
    loaded_ = false;
    killed_ = true;
}

bool BrowseManager::Move(std::int32_t request)
{
    if (page_ == nullptr || page_->Empty()) {
        return false;
    }
    const PageRow before = *page_->Selected();
    switch (request) {
    case vcr::kForward: page_->ScrollDown(); break;
    case vcr::kBackward: page_->ScrollUp(); break;
    case vcr::kPageForward: page_->PageDown(); break;
    case vcr::kPageBackward: page_->PageUp(); break;
    case vcr::kFirst: page_->First(); break;
    case vcr::kLast: page_->Last(); break;
    default: return false;
    }
    Show();
    return page_->Selected() != nullptr && !(*page_->Selected() == before);
}

std::uint8_t BrowseManager::Ask(std::uint8_t requested)
{
    std::uint8_t result = response::kCancelled;
    if (window_ == nullptr || view_ == nullptr) {
        return result;
    }
    EnsureLoaded();
    std::uint8_t current = requested;
    for (;;) {
        if (window_->VCRREQUEST != nullptr) {
            *window_->VCRREQUEST = vcr::kNone;
        }
        if (ASKPROCEDURE != 0) {
            std::string before;
            if (current == request::kInsert) {
                // A new record: the buffer cleared as its layout says.
                if (view_->buffer() == nullptr || view_->layout() == nullptr) {
                    return response::kCancelled;
                }
                view_->layout()->Clear(view_->buffer());
            } else {
                if (page_ == nullptr || page_->Selected() == nullptr) {
                    return response::kCancelled; // nothing to change, delete or view
                }
                Update();
                before = page_->Selected()->image;
            }
            result = window_->RunProcedure(ASKPROCEDURE, current);
            Refresh(current, result, before);
        }
        const std::int32_t next = window_->VCRREQUEST != nullptr ? *window_->VCRREQUEST : vcr::kNone;
        if (next == vcr::kNone) {
            break;
        }
        if (next == vcr::kInsert) {
            current = request::kInsert;
        } else {
            if (current == request::kInsert) {
                current = request::kChange;
            }
            if (!Move(next)) {
                break; // no record that way: the walk ends
            }
        }
    }
    return result;
}

void BrowseManager::Refresh(std::uint8_t requested, std::uint8_t result, const std::string& before)
{
    if (page_ == nullptr || view_ == nullptr) {
        return;
    }
    Loading(true);
    page_->SetPageSize(PageRows());
    if (result == response::kCompleted && requested == request::kDelete) {
        page_->Locate(before); // the deleted record's neighbour
    } else if (result == response::kCompleted && view_->buffer() != nullptr &&
               (requested == request::kInsert || requested == request::kChange)) {
        page_->Locate(std::string(view_->buffer(), view_->RecordSize()));
    } else {
        page_->Reload();
    }
    loaded_ = true;
    Show();
    Loading(false);
}

std::uint8_t BrowseManager::AskFromButton(std::uint8_t requested)
{
    window_->UpdateComponents();
    Ask(requested);
    return level::kNotify;
}

std::uint8_t BrowseManager::Popup(int atRowOf)
{
    UserInterface* ui = InstalledUserInterface();
    Window* w = window_->window();
    if (ui == nullptr || w == nullptr) {
        return 0;
    }
    struct Item {
        const char* text;
        std::int32_t control;
        std::uint8_t request;
    };
    const Item items[] = {{"&Insert", INSERTCONTROL, request::kInsert},
                          {"&Change", CHANGECONTROL, request::kChange},
                          {"&Delete", DELETECONTROL, request::kDelete},
                          {"&View", VIEWCONTROL, request::kView}};
    std::vector<std::string> texts;
    for (const Item& item : items) {
        // An item whose button the window lacks (a view-only window has none) is shown disabled.
        texts.push_back(item.control != 0 ? std::string(item.text) : std::string("~") + item.text);
    }
    const int chosen = ui->PopupMenu(*w, texts, atRowOf);
    if (chosen < 1 || chosen > 4 || texts[static_cast<std::size_t>(chosen - 1)][0] == '~') {
        return level::kNotify;
    }
    return AskFromButton(items[chosen - 1].request);
}

std::uint8_t BrowseManager::TakeListKey(int key)
{
    switch (key) {
    case keys::kDown: Move(vcr::kForward); return level::kNotify;
    case keys::kUp: Move(vcr::kBackward); return level::kNotify;
    case keys::kPageDown: Move(vcr::kPageForward); return level::kNotify;
    case keys::kPageUp: Move(vcr::kPageBackward); return level::kNotify;
    case keys::kHome: Move(vcr::kFirst); return level::kNotify;
    case keys::kEnd: Move(vcr::kLast); return level::kNotify;
    case keys::kInsert: return INSERTCONTROL != 0 ? AskFromButton(request::kInsert) : 0;
    case keys::kDelete: return DELETECONTROL != 0 ? AskFromButton(request::kDelete) : 0;
    case keys::kEnter:
    case keys::kMouseLeft2:
        if (SELECTCONTROL != 0) {
            window_->SetResponse(response::kCompleted);
            return level::kNotify;
        }
        return CHANGECONTROL != 0 ? AskFromButton(request::kChange) : 0;
    case keys::kMouseRight: return USEPOPUP != 0 ? Popup(0) : 0;
    // From the keyboard the menu is for the highlighted row and opens there.
    case keys::kMenu:
    case kShiftF10: return USEPOPUP != 0 ? Popup(listControl_) : 0;
    default: return 0;
    }
}

std::uint8_t BrowseManager::TakeEvent()
{
    if (window_ == nullptr || window_->window() == nullptr || killed_) {
        return 0;
    }
    Window& w = *window_->window();
    const Event& event = w.currentEvent();
    if (event.code == EventCode::Accepted) {
        const int control = event.control;
        if (control == 0) {
            return 0;
        }
        if (control == DELETECONTROL) {
            return AskFromButton(request::kDelete);
        }
        if (control == CHANGECONTROL) {
            return AskFromButton(request::kChange);
        }
        if (control == INSERTCONTROL) {
            return AskFromButton(request::kInsert);
        }
        if (control == VIEWCONTROL) {
            return AskFromButton(request::kView);
        }
        if (control == SELECTCONTROL) {
            window_->SetResponse(response::kCompleted);
            return level::kNotify;
        }
        return 0;
    }
    if (event.control != listControl_) {
        return 0;
    }
    EnsureLoaded();
    switch (event.code) {
    case EventCode::NewSelection:
        if (Control* list = w.control(listControl_); list != nullptr && page_ != nullptr) {
            page_->Select(static_cast<std::size_t>(std::max(1, list->currentRow()) - 1));
        }
        return 0;
    case EventCode::ScrollDown: Move(vcr::kForward); return level::kNotify;
    case EventCode::ScrollUp: Move(vcr::kBackward); return level::kNotify;
    case EventCode::PageDown: Move(vcr::kPageForward); return level::kNotify;
    case EventCode::PageUp: Move(vcr::kPageBackward); return level::kNotify;
    case EventCode::ScrollTop: Move(vcr::kFirst); return level::kNotify;
    case EventCode::ScrollBottom: Move(vcr::kLast); return level::kNotify;
    case EventCode::AlertKey: return TakeListKey(event.key);
    default: return 0;
    }
}

bool BrowseManager::TakeToolbarAction(int action)
{
    if (window_ == nullptr) {
        return false;
    }
    switch (action) {
    case toolbar::kBottom: Move(vcr::kLast); return true;
    case toolbar::kTop: Move(vcr::kFirst); return true;
    case toolbar::kPageDown: Move(vcr::kPageForward); return true;
    case toolbar::kPageUp: Move(vcr::kPageBackward); return true;
    case toolbar::kDown: Move(vcr::kForward); return true;
    case toolbar::kUp: Move(vcr::kBackward); return true;
    case toolbar::kLocate:
        if (locator_ != nullptr) {
            locator_->Locate();
        }
        return true;
    case toolbar::kInsert: if (INSERTCONTROL == 0) return false; AskFromButton(request::kInsert); return true;
    case toolbar::kChange: if (CHANGECONTROL == 0) return false; AskFromButton(request::kChange); return true;
    case toolbar::kDelete: if (DELETECONTROL == 0) return false; AskFromButton(request::kDelete); return true;
    case toolbar::kSelect:
        if (SELECTCONTROL == 0) {
            return false;
        }
        window_->SetResponse(response::kCompleted);
        return true;
    default: return false;
    }
}

} // namespace quorin
