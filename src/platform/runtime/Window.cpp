#include "platform/runtime/Window.h"

#include <algorithm>
#include <cctype>

#include "platform/runtime/CodePage.h"
#include "platform/runtime/ControlKinds.h"
#include "platform/runtime/ControlPicture.h"
#include "platform/runtime/Picture.h"
#include "platform/runtime/PropertyText.h"
#include "platform/runtime/RuntimeError.h"
#include "platform/runtime/ThreadVar.h"
#include "platform/runtime/UserInterface.h"

namespace quorin {

namespace {

// The open windows of this thread, innermost last.
thread_local std::vector<Window*> t_openWindows;

bool SameLabel(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
    });
}

// Characters of a caption as shown: "&" marks the access key, "&&" is a literal "&".
int ShownLength(std::string_view caption)
{
    int length = 0;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        const auto c = static_cast<unsigned char>(caption[i]);
        if (c == '&' && i + 1 < caption.size() && caption[i + 1] != '&')
            continue;
        if (c == '&')
            ++i;
        if ((c & 0xC0) != 0x80)
            ++length;
    }
    return length;
}

// What an entry can hold of a typed text: never more than its variable keeps, cut at a character
// and never between the CR and LF of a line end.
std::string FitEntryText(const Control& c, std::string_view text)
{
    const int limit = c.MaxTextBytes();
    if (limit <= 0)
        return std::string(text);
    std::string_view kept = Utf8Prefix(text, static_cast<std::size_t>(limit));
    if (kept.size() < text.size() && !kept.empty() && kept.back() == '\r' && text[kept.size()] == '\n')
        kept.remove_suffix(1);
    return std::string(kept);
}

} // namespace

Window* CurrentWindow() { return t_openWindows.empty() ? nullptr : t_openWindows.back(); }

Window::Window(const WindowDefinition& definition, std::vector<BoundVariable> variables)
    : definition_(definition), title_(definition.title), x_(definition.x.value_or(0)),
      y_(definition.y.value_or(0)), width_(definition.width), height_(definition.height),
      resizable_((definition.attributes & kWinResize) != 0), maximized_((definition.attributes & kWinMax) != 0),
      immediate_((definition.attributes & kWinImm) != 0)
{
    std::size_t next = 0;
    for (std::size_t i = 0; i < definition_.controls.size(); ++i) {
        ControlDefinition& cd = definition_.controls[i];
        if (cd.UsesVariable() && next < variables.size())
            cd.variable = variables[next++];
        const int number = static_cast<int>(i) + 1;
        std::unique_ptr<Control> made = MakeControl(*this, number, cd);
        if (!made)
            continue;
        Control& c = *made;
        controls_.emplace(number, std::move(made));
        PlaceUnset(c);
        c.Display();
    }
    // A sheet shows its first tab.
    for (const auto& [number, c] : controls_)
        if (c->kind() == ControlKind::Tab)
            if (Control* sheet = control(c->parent()); sheet && sheet->currentTab_ == 0)
                sheet->currentTab_ = number;
}

Window::~Window()
{
    Close();
    controls_.clear();
}

Control* Window::control(int number) const
{
    const auto found = controls_.find(number);
    return found == controls_.end() ? nullptr : found->second.get();
}

Control* Window::FindControl(std::string_view label) const
{
    for (const auto& [number, c] : controls_)
        if (SameLabel(c->label(), label))
            return c.get();
    return nullptr;
}

std::vector<Control*> Window::Controls() const
{
    std::vector<Control*> list;
    for (const auto& [number, c] : controls_)
        list.push_back(c.get());
    return list;
}

int Window::LastNumber() const
{
    const int defined = static_cast<int>(definition_.controls.size());
    return std::max(defined, controls_.empty() ? 0 : controls_.rbegin()->first);
}

UserInterface* Window::backend() const { return InstalledUserInterface(); }

void Window::Changed(Control& c, unsigned changes)
{
    if (created_ && controls_.count(c.number()) != 0)
        if (UserInterface* ui = backend())
            ui->ControlChanged(*this, c, changes);
}

void Window::WindowChanged(unsigned changes)
{
    if (created_)
        if (UserInterface* ui = backend())
            ui->WindowChanged(*this, changes);
}

void Window::PlaceUnset(Control& c)
{
    const ControlDefinition& d = c.definition();
    const int text = ShownLength(c.caption());
    int w = c.width_;
    int h = c.height_;
    if (!d.width || !d.height) {
        int autoW = 60, autoH = 10;
        switch (c.kind()) {
        case ControlKind::Prompt: autoW = 4 * text + 4; autoH = 10; break;
        case ControlKind::Check: autoW = 4 * text + 14; autoH = 10; break;
        case ControlKind::Button: autoW = std::max(40, 4 * text + 16); autoH = 14; break;
        case ControlKind::List: autoW = 100; autoH = 60; break;
        case ControlKind::Text: autoW = 100; autoH = 40; break;
        case ControlKind::Region:
        case ControlKind::Ole: autoW = 20; autoH = 20; break;
        default: break;
        }
        const Control* parentControl = d.parent != 0 ? control(d.parent) : nullptr;
        if ((c.kind() == ControlKind::Tab) && parentControl) {
            autoW = parentControl->width();
            autoH = parentControl->height();
        } else if (c.kind() == ControlKind::Sheet) {
            autoW = std::max(0, width_ - 8);
            autoH = std::max(0, height_ - 8);
        }
        if (!d.width)
            w = autoW;
        if (!d.height)
            h = autoH;
    }
    int px = c.x_, py = c.y_;
    if (!d.x || !d.y) {
        const Control* parentControl = d.parent != 0 ? control(d.parent) : nullptr;
        int autoX = 4, autoY = 4;
        if (c.kind() == ControlKind::Tab && parentControl) {
            autoX = parentControl->x();
            autoY = parentControl->y();
        } else {
            // Below the control defined before it.
            for (int n = c.number() - 1; n >= 1; --n) {
                const Control* before = control(n);
                if (before && before->kind() != ControlKind::Tab && before->kind() != ControlKind::Sheet) {
                    autoX = before->x();
                    autoY = before->y() + before->height() + 4;
                    break;
                }
            }
        }
        if (!d.x)
            px = autoX;
        if (!d.y)
            py = autoY;
    }
    c.x_ = px;
    c.y_ = py;
    c.width_ = w;
    c.height_ = h;
}

void Window::SetTitle(std::string title)
{
    title_ = std::move(title);
    WindowChanged(kChangeTitle);
}

int Window::LimitWidth(int width) const
{
    if (maxWidth_ > 0)
        width = std::min(width, maxWidth_);
    return std::max({0, minWidth_, width});
}

int Window::LimitHeight(int height) const
{
    if (maxHeight_ > 0)
        height = std::min(height, maxHeight_);
    return std::max({0, minHeight_, height});
}

void Window::SetGeometry(int x, int y, int width, int height)
{
    x_ = x;
    y_ = y;
    width_ = LimitWidth(width);
    height_ = LimitHeight(height);
    WindowChanged(kChangeGeometry);
}

void Window::Open(Window* owner)
{
    if (open_)
        return;
    open_ = true;
    owner_ = owner;
    t_openWindows.push_back(this);
    // The variables may have changed since NewWindow (a new record's date set just before the
    // open): every control shows what its variable holds now.
    for (const auto& [number, c] : controls_)
        c->Display();
    if (UserInterface* ui = backend()) {
        created_ = true;
        ui->CreateWindowWidget(*this);
        for (const auto& [number, c] : controls_)
            ui->CreateControlWidget(*this, *c);
        ui->ShowWindow(*this, owner);
    }
    for (const auto& [number, c] : controls_) {
        if (IsFocusable(c->kind()) && c->enabled() && c->Visible()) {
            focus_ = number;
            break;
        }
    }
    if (focus_ != 0)
        if (UserInterface* ui = backend(); ui && created_)
            ui->FocusChanged(*this, focus_);
    Post({EventCode::OpenWindow, 0, 0});
}

void Window::Close()
{
    if (!open_)
        return;
    open_ = false;
    std::erase(t_openWindows, this);
    if (created_) {
        created_ = false;
        if (UserInterface* ui = backend())
            ui->DestroyWindowWidget(*this);
    }
    queue_.clear();
}

void Window::Display(int first, int last)
{
    if (first == 0 && last == 0) {
        for (const auto& [number, c] : controls_)
            c->Display();
        return;
    }
    if (last == 0)
        last = first;
    for (int n = first; n <= last; ++n)
        if (Control* c = control(n))
            c->Display();
}

void Window::Enable(int first, int last, bool enable)
{
    if (last == 0)
        last = first;
    for (int n = first; n <= last; ++n) {
        Control* c = control(n);
        if (c == nullptr || c->enabled_ == enable)
            continue;
        c->enabled_ = enable;
        Changed(*c, kChangeEnabled);
        if (!enable && focus_ == n) {
            focus_ = 0;
            refocus_ = n;
            if (UserInterface* ui = backend(); ui && created_)
                ui->FocusChanged(*this, 0);
        } else if (enable && focus_ == 0 && refocus_ == n && c->Visible()) {
            // Disabled and enabled again within one request (a button busy while it works): the
            // keyboard comes back to it rather than to nothing.
            MoveFocus(n);
        }
    }
}

void Window::Destroy(int first, int last)
{
    if (last == 0)
        last = first;
    // Children go with their sheet or tab, the innermost first.
    std::vector<int> doomed;
    for (int n = first; n <= last; ++n)
        if (control(n))
            doomed.push_back(n);
    for (std::size_t i = 0; i < doomed.size(); ++i)
        for (const auto& [number, c] : controls_)
            if (c->parent() == doomed[i] && std::find(doomed.begin(), doomed.end(), number) == doomed.end())
                doomed.push_back(number);
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
        const int n = *it;
        auto found = controls_.find(n);
        if (found == controls_.end())
            continue;
        if (created_)
            if (UserInterface* ui = backend())
                ui->DestroyControlWidget(*this, *found->second);
        if (focus_ == n)
            focus_ = 0;
        controls_.erase(found);
    }
}

int Window::Create(int number, ControlKind kind, int parent)
{
    if (ModalDialogActive()) {
        SetRuntimeError(kSystemIsModal);
        return 0;
    }
    if (number == 0)
        number = LastNumber() + 1;
    if (number < 0 || control(number) != nullptr)
        return 0;
    ControlDefinition cd;
    cd.kind = kind;
    cd.parent = parent;
    std::unique_ptr<Control> made = MakeControl(*this, number, cd);
    if (!made)
        return 0;
    Control& c = *made;
    PlaceUnset(c);
    c.Display(); // before it is listed: the backend hears of it first through CreateControlWidget
    controls_.emplace(number, std::move(made));
    if (kind == ControlKind::Tab)
        if (Control* sheet = control(parent); sheet && sheet->currentTab_ == 0)
            sheet->currentTab_ = number;
    if (created_)
        if (UserInterface* ui = backend())
            ui->CreateControlWidget(*this, c);
    return number;
}

void Window::Select(int number)
{
    Control* c = control(number);
    if (c == nullptr)
        return;
    // A prompt takes no focus: selecting it selects the control it names, the next one that can
    // take the focus, as its access key does. Otherwise typing would land in no control at all.
    if (!IsFocusable(c->kind())) {
        auto next = controls_.upper_bound(number);
        while (next != controls_.end() && !IsFocusable(next->second->kind()))
            ++next;
        if (next == controls_.end())
            return;
        c = next->second.get();
        number = next->first;
    }
    // A control on a tab that is not shown brings its tab forward.
    if (Control* tab = control(c->parent()); tab && tab->kind() == ControlKind::Tab)
        if (Control* sheet = control(tab->parent()); sheet && sheet->currentTab() != tab->number())
            sheet->SetCurrentTab(tab->number());
    focus_ = number;
    if (UserInterface* ui = backend(); ui && created_)
        ui->FocusChanged(*this, number);
}

void Window::Hide(int number, bool hide)
{
    Control* c = control(number);
    if (c == nullptr || c->hidden_ == hide)
        return;
    c->hidden_ = hide;
    Changed(*c, kChangeHidden);
    if (hide && focus_ == number)
        focus_ = 0;
}

void Window::SetReadOnly(int number, bool readOnly)
{
    Control* c = control(number);
    if (c == nullptr || c->readOnly_ == readOnly)
        return;
    c->readOnly_ = readOnly;
    Changed(*c, kChangeReadOnly);
}

std::string Window::GetProperty(int number, int property) const
{
    if (number != 0) {
        const Control* c = control(number);
        return c ? c->GetProperty(property) : std::string();
    }
    switch (property) {
    case prop::kText: return title_;
    case prop::kXpos: return std::to_string(x_);
    case prop::kYpos: return std::to_string(y_);
    case prop::kWidth: return std::to_string(width_);
    case prop::kHeight: return std::to_string(height_);
    case prop::kResize: return prop::Flag(resizable_);
    case prop::kIconize: return prop::Flag(iconized_);
    case prop::kMaximize: return prop::Flag(maximized_);
    case prop::kImm: return prop::Flag(immediate_);
    case prop::kMinWidth: return std::to_string(minWidth_);
    case prop::kMinHeight: return std::to_string(minHeight_);
    case prop::kMaxWidth: return std::to_string(maxWidth_);
    case prop::kMaxHeight: return std::to_string(maxHeight_);
    default: return {};
    }
}

void Window::SetProperty(int number, int property, std::string_view value)
{
    if (number != 0) {
        if (Control* c = control(number))
            c->SetProperty(property, value);
        return;
    }
    int v = 0;
    const bool isNumber = prop::ParseInt(value, v);
    switch (property) {
    case prop::kText: SetTitle(std::string(value)); break;
    case prop::kXpos: if (isNumber) SetGeometry(v, y_, width_, height_); break;
    case prop::kYpos: if (isNumber) SetGeometry(x_, v, width_, height_); break;
    case prop::kWidth: if (isNumber) SetGeometry(x_, y_, v, height_); break;
    case prop::kHeight: if (isNumber) SetGeometry(x_, y_, width_, v); break;
    case prop::kResize: resizable_ = prop::Truthy(value); WindowChanged(kChangeGeometry); break;
    case prop::kIconize:
        iconized_ = prop::Truthy(value);
        if (iconized_)
            maximized_ = false;
        WindowChanged(kChangeState);
        break;
    case prop::kMaximize:
        maximized_ = prop::Truthy(value);
        if (maximized_)
            iconized_ = false;
        WindowChanged(kChangeState);
        break;
    case prop::kImm: immediate_ = prop::Truthy(value); break;
    case prop::kMinWidth: if (isNumber) minWidth_ = std::max(0, v); WindowChanged(kChangeGeometry); break;
    case prop::kMinHeight: if (isNumber) minHeight_ = std::max(0, v); WindowChanged(kChangeGeometry); break;
    case prop::kMaxWidth: if (isNumber) maxWidth_ = std::max(0, v); WindowChanged(kChangeGeometry); break;
    case prop::kMaxHeight: if (isNumber) maxHeight_ = std::max(0, v); WindowChanged(kChangeGeometry); break;
    default: break;
    }
}

bool Window::WriteBack(Control& c)
{
    if (!c.editing_)
        return true;
    if (c.kind() == ControlKind::Entry) {
        if (!TakeThroughPicture(c.picture(), c.screenText_, c.variable()))
            return false;
    } else if (c.kind() == ControlKind::Text) {
        c.variable().SetText(c.screenText_);
    }
    c.editing_ = false;
    c.Display(); // the value as the picture shows it
    Post({EventCode::Accepted, c.number(), 0});
    return true;
}

bool Window::TakeFocusedEntry()
{
    Control* c = control(focus_);
    if (c == nullptr || WriteBack(*c))
        return true;
    Refuse(*c);
    return false;
}

void Window::Refuse(Control& c)
{
    Select(c.number()); // back where the toolkit may have moved on from, its tab in front
    Post({EventCode::Rejected, c.number(), 0});
    if (UserInterface* ui = backend(); ui && created_)
        ui->EntryRefused(*this, c, "Type " + PictureHint(c.picture()));
}

bool Window::TakeTypedForLeaving()
{
    if (Control* c = control(focus_))
        WriteBack(*c);
    for (const auto& [number, c] : controls_)
        if (c->editing_ && c->screenText_ != ShowThroughPicture(c->picture(), c->variable()))
            return true;
    return false;
}

int Window::FirstMissingRequired() const
{
    for (const auto& [number, c] : controls_) {
        if (c->kind() != ControlKind::Entry || !c->required() || !c->enabled() || !c->Visible())
            continue;
        // Blank as the entry shows it: a date of 0 shows nothing either.
        if (ShowThroughPicture(c->picture(), c->variable()).find_first_not_of(' ') == std::string::npos)
            return number;
    }
    return 0;
}

bool Window::Complete()
{
    if (!TakeFocusedEntry())
        return false;
    // An entry left showing text its picture refused (the focus taken from it by leaving, which
    // checks nothing, and then kept) must not be stored under the value it no longer shows.
    for (const auto& [number, c] : controls_)
        if (c->editing_ && !WriteBack(*c)) {
            Refuse(*c);
            return false;
        }
    if (const int missing = FirstMissingRequired(); missing != 0) {
        Select(missing);
        return false;
    }
    Post({EventCode::Completed, 0, 0});
    return true;
}

void Window::Post(Event event)
{
    if (!open_)
        return;
    queue_.push_back(event);
    if (UserInterface* ui = backend(); ui && created_)
        ui->EventPosted(*this);
}

bool Window::NextEvent()
{
    if (current_.code != EventCode::None && !skipDefault_) {
        if (current_.code == EventCode::CloseWindow || current_.code == EventCode::CloseDown)
            Close();
    }
    skipDefault_ = false;
    current_ = {};
    refocus_ = 0;
    while (open_ && queue_.empty()) {
        UserInterface* ui = backend();
        if (ui == nullptr || !ui->WaitForAction(*this)) {
            Close();
            break;
        }
    }
    if (!open_)
        return false;
    current_ = queue_.front();
    queue_.pop_front();
    return true;
}

void Window::MoveFocus(int number)
{
    if (number == focus_)
        return;
    focus_ = number;
    if (UserInterface* ui = backend(); ui && created_)
        ui->FocusChanged(*this, number);
}

int Window::AcceptedControl() const { return current_.code == EventCode::Accepted ? current_.control : 0; }

bool Window::AcceptsUserActions() const { return open_ && CurrentWindow() == this && !ModalDialogActive(); }

void Window::UserEdit(int number, std::string_view text)
{
    Control* c = control(number);
    if (!AcceptsUserActions() || c == nullptr || !c->enabled() || c->readOnly())
        return;
    if (c->kind() != ControlKind::Entry && c->kind() != ControlKind::Text)
        return;
    // Typing goes where the focus is: an entry typed into while the model's focus was elsewhere
    // takes it now, and the entry it leaves is written back first, as a Tab would.
    if (number != focus_) {
        UserFocus(number);
        if (number != focus_)
            return;
    }
    c->screenText_ = FitEntryText(*c, text);
    c->editing_ = true;
}

void Window::UserFocus(int number)
{
    Control* c = control(number);
    if (!AcceptsUserActions() || c == nullptr || number == focus_ || !c->enabled())
        return;
    if (!TakeFocusedEntry())
        return;
    focus_ = number;
    Post({EventCode::Selected, number, 0});
}

void Window::PressButton(Control& button)
{
    if (button.required()) {
        if (const int missing = FirstMissingRequired(); missing != 0) {
            Select(missing);
            return;
        }
    }
    if ((button.attributes() & kCtlStdHelp) != 0) {
        UserHelp();
        return;
    }
    Post({EventCode::Accepted, button.number(), 0});
}

void Window::UserPress(int number)
{
    Control* c = control(number);
    if (!AcceptsUserActions() || c == nullptr || !c->enabled() || !c->Visible())
        return;
    if (IsCloseButton(number))
        TakeTypedForLeaving(); // what is lost is asked about when the window closes
    else if (!TakeFocusedEntry())
        return;
    if (c->kind() == ControlKind::Check) {
        if (c->readOnly())
            return;
        MoveFocus(number);
        c->variable().SetNumber(c->checked() ? 0 : 1);
        c->Display();
        Post({EventCode::Accepted, number, 0});
    } else if (c->kind() == ControlKind::Button) {
        MoveFocus(number);
        PressButton(*c);
    }
}

void Window::UserPickRow(int number, int row)
{
    Control* c = control(number);
    if (!AcceptsUserActions() || c == nullptr || c->kind() != ControlKind::List || !c->enabled())
        return;
    if (!TakeFocusedEntry())
        return;
    MoveFocus(number);
    const int rows = c->RowCount();
    if (rows == 0)
        return;
    const int picked = std::clamp(row, 1, rows);
    if (picked != c->currentRow_) {
        c->currentRow_ = picked;
        // Highlighted before anything acts on it (a right click's popup menu comes next).
        Changed(*c, kChangeCurrentRow);
    }
    Post({EventCode::NewSelection, number, 0});
}

void Window::UserScroll(int number, EventCode how)
{
    Control* c = control(number);
    if (!AcceptsUserActions() || c == nullptr || c->kind() != ControlKind::List || !c->enabled())
        return;
    const int rows = c->RowCount();
    const int page = std::max(1, c->height() / 8);
    switch (how) {
    case EventCode::ScrollUp: c->topRow_ -= 1; break;
    case EventCode::ScrollDown: c->topRow_ += 1; break;
    case EventCode::PageUp: c->topRow_ -= page; break;
    case EventCode::PageDown: c->topRow_ += page; break;
    case EventCode::ScrollTop: c->topRow_ = 1; break;
    case EventCode::ScrollBottom: c->topRow_ = rows; break;
    default: return;
    }
    c->topRow_ = std::clamp(c->topRow_, 1, std::max(1, rows));
    Post({how, number, 0});
}

void Window::UserKey(int number, int key)
{
    if (!AcceptsUserActions())
        return;
    Control* c = control(number);
    if (c != nullptr && c->enabled() && c->IsAlertKey(key)) {
        if (!TakeFocusedEntry())
            return;
        Post({EventCode::AlertKey, number, key});
        return;
    }
    if (key == keys::kEnter) {
        for (const auto& [n, b] : controls_)
            if (b->kind() == ControlKind::Button && b->isDefault()) {
                if (b->enabled() && b->Visible())
                    UserPress(n);
                return;
            }
    } else if (key == keys::kF1) {
        UserHelp();
    } else if (key == keys::kEscape && hasCloseBox()) {
        UserClose();
    }
}

void Window::UserPickTab(int sheet, int tab)
{
    Control* s = control(sheet);
    Control* t = control(tab);
    if (!AcceptsUserActions() || s == nullptr || t == nullptr || t->parent() != sheet || s->currentTab() == tab)
        return;
    if (!TakeFocusedEntry())
        return;
    s->currentTab_ = tab;
    Post({EventCode::NewSelection, sheet, 0});
}

void Window::UserClose()
{
    if (!AcceptsUserActions())
        return;
    if (hasCloseBox()) {
        Post({EventCode::CloseWindow, 0, 0});
        return;
    }
    for (const int number : closeButtons_) {
        if (const Control* c = control(number); c != nullptr && c->enabled() && c->Visible()) {
            UserPress(number);
            return;
        }
    }
}

void Window::UserResize(int width, int height)
{
    if (!AcceptsUserActions() || !resizable_)
        return;
    width_ = LimitWidth(width);
    height_ = LimitHeight(height);
    Post({EventCode::Sized, 0, 0});
}

void Window::UserMove(int x, int y)
{
    if (!AcceptsUserActions())
        return;
    x_ = x;
    y_ = y;
    Post({EventCode::Moved, 0, 0});
}

void Window::UserState(bool maximized, bool iconized)
{
    if (!AcceptsUserActions() || (maximized == maximized_ && iconized == iconized_))
        return;
    maximized_ = maximized && !iconized;
    iconized_ = iconized;
    Post({iconized_ ? EventCode::Iconized : maximized_ ? EventCode::Maximized : EventCode::Restored, 0, 0});
}

void Window::ReportPlacement(int x, int y, int width, int height)
{
    x_ = x;
    y_ = y;
    width_ = std::max(0, width);
    height_ = std::max(0, height);
}

void Window::UserHelp()
{
    if (!open_)
        return;
    std::string helpId = definition_.helpId;
    if (const Control* c = control(focus_); c && !c->definition().helpId.empty())
        helpId = c->definition().helpId;
    if (UserInterface* ui = backend())
        ui->ShowHelp(*this, helpId);
}

// ---- the runtime's operations ----

std::unique_ptr<Window> NewWindow(std::string_view module, std::string_view name,
                                  std::vector<BoundVariable> variables)
{
    const WindowDefinition* definition = FindWindowDefinition(module, name);
    if (definition == nullptr) {
        SetRuntimeError(kInvalidRecordDeclaration);
        return nullptr;
    }
    return std::make_unique<Window>(*definition, std::move(variables));
}

void DisposeWindow(std::unique_ptr<Window>& window)
{
    if (window)
        window->Close();
    window.reset();
}

void DisplayControls(int first, int last)
{
    if (Window* w = CurrentWindow())
        w->Display(first, last);
}

void EnableControls(int first, int last)
{
    if (Window* w = CurrentWindow())
        w->Enable(first, last, true);
}

void DisableControls(int first, int last)
{
    if (Window* w = CurrentWindow())
        w->Enable(first, last, false);
}

void DestroyControls(int first, int last)
{
    if (Window* w = CurrentWindow())
        w->Destroy(first, last);
}

int CreateControl(int number, ControlKind kind, int parent, int last)
{
    (void)last;
    Window* w = CurrentWindow();
    return w ? w->Create(number, kind, parent) : 0;
}

void SelectControl(int control, int selectionStart, int selectionEnd)
{
    (void)selectionStart, (void)selectionEnd;
    if (Window* w = CurrentWindow())
        w->Select(control);
}

std::string GetControlProperty(int control, int element, Window* window, std::string_view property)
{
    (void)element;
    Window* w = window ? window : CurrentWindow();
    int number = 0;
    if (w == nullptr || !prop::ParseInt(property, number))
        return {};
    return w->GetProperty(control, number);
}

void SetControlProperty(int control, const BoundVariable& value, int element, Window* window,
                        std::string_view property)
{
    SetControlPropertyText(control, element, window, property, value.GetText());
}

void SetControlPropertyText(int control, int element, Window* window, std::string_view property,
                            std::string_view value)
{
    (void)element;
    Window* w = window ? window : CurrentWindow();
    int number = 0;
    if (w == nullptr || !prop::ParseInt(property, number))
        return;
    w->SetProperty(control, number, value);
}

int GetAcceptedControl()
{
    const Window* w = CurrentWindow();
    return w ? w->AcceptedControl() : 0;
}

void PostEvent(EventCode event, int control, int thread)
{
    if (thread != 0 && thread != CurrentThreadNumber())
        return; // windows of other threads are not reachable from here
    if (Window* w = CurrentWindow())
        w->Post({event, control, 0});
}

} // namespace quorin
