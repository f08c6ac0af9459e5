#include "platform/runtime/Control.h"

#include <algorithm>

#include "platform/runtime/ControlPicture.h"
#include "platform/runtime/PropertyText.h"
#include "platform/runtime/Window.h"

namespace quorin {

Control::Control(Window& window, int number, const ControlDefinition& definition)
    : window_(window), number_(number), definition_(definition), caption_(definition.caption),
      x_(definition.x.value_or(0)), y_(definition.y.value_or(0)), width_(definition.width.value_or(0)),
      height_(definition.height.value_or(0)), hidden_((definition.attributes & kCtlHide) != 0),
      readOnly_((definition.attributes & kCtlReadOnly) != 0), attributes_(definition.attributes)
{
    if (definition.kind == ControlKind::List)
        listFormat_ = ListFormat::Parse(definition.listFormat);
}

Control::~Control() = default;

void Control::SetCaption(std::string caption)
{
    caption_ = std::move(caption);
    if (kind() != ControlKind::Entry)
        screenText_ = caption_;
    window_.Changed(*this, kChangeText);
}

void Control::SetGeometry(int x, int y, int width, int height)
{
    x_ = x;
    y_ = y;
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    window_.Changed(*this, kChangeGeometry);
}

int Control::MaxTextBytes() const
{
    if (kind() == ControlKind::Entry)
        return PictureMaxLength(picture());
    if (kind() != ControlKind::Text)
        return 0;
    const BoundVariable& v = variable();
    switch (v.type()) {
    case BoundVariable::Type::Text: return static_cast<int>(v.size());
    case BoundVariable::Type::CString: return v.size() > 0 ? static_cast<int>(v.size()) - 1 : 0;
    default: return 0;
    }
}

bool Control::Visible() const
{
    if (hidden_)
        return false;
    const Control* parentControl = parent() != 0 ? window_.control(parent()) : nullptr;
    return parentControl == nullptr || parentControl->Visible();
}

void Control::Display()
{
    unsigned changes = kChangeRedraw | kChangeText;
    editing_ = false;
    switch (kind()) {
    case ControlKind::Entry:
        screenText_ = ShowThroughPicture(picture(), variable());
        break;
    case ControlKind::Text:
        screenText_ = variable().GetText();
        break;
    case ControlKind::Check:
        screenText_.assign(1, variable().GetNumber() != 0 ? '1' : '0');
        break;
    case ControlKind::List: {
        const int rows = RowCount();
        if (currentRow_ > rows)
            currentRow_ = rows;
        if (currentRow_ == 0 && rows > 0)
            currentRow_ = 1;
        if (topRow_ > std::max(1, rows))
            topRow_ = std::max(1, rows);
        changes = kChangeRedraw | kChangeRows | kChangeCurrentRow;
        break;
    }
    case ControlKind::Button:
    case ControlKind::Prompt:
    case ControlKind::Tab:
        screenText_ = caption_;
        break;
    default:
        changes = kChangeRedraw;
        break;
    }
    window_.Changed(*this, changes);
}

int Control::RowCount() const
{
    const Queue* queue = variable().queue();
    return queue ? static_cast<int>(queue->Records()) : 0;
}

std::vector<std::string> Control::RowTexts(int position) const
{
    std::vector<std::string> texts;
    const Queue* queue = variable().queue();
    if (queue == nullptr || position < 1 || position > RowCount())
        return texts;
    const char* row = queue->Row(static_cast<std::size_t>(position));
    const RecordLayout& layout = queue->Layout();
    const auto& columns = listFormat_.columns;
    // Columns show the queue's fields in order.
    for (std::size_t c = 0; c < columns.size(); ++c)
        texts.push_back(ShowFieldThroughPicture(columns[c].picture, layout, row, static_cast<int>(c) + 1));
    return texts;
}

void Control::SetCurrentRow(int position)
{
    const int rows = RowCount();
    currentRow_ = rows == 0 ? 0 : std::clamp(position, 1, rows);
    window_.Changed(*this, kChangeCurrentRow);
}

void Control::SetCurrentTab(int tab)
{
    currentTab_ = tab;
    window_.Changed(*this, kChangeCurrentRow);
}

void Control::AddAlertKey(int key)
{
    if (!IsAlertKey(key))
        alertKeys_.push_back(key);
}

void Control::RemoveAlertKey(int key) { std::erase(alertKeys_, key); }

bool Control::IsAlertKey(int key) const
{
    return std::find(alertKeys_.begin(), alertKeys_.end(), key) != alertKeys_.end();
}

std::string Control::GetProperty(int property) const
{
    switch (property) {
    case prop::kText: return caption_;
    case prop::kXpos: return std::to_string(x_);
    case prop::kYpos: return std::to_string(y_);
    case prop::kWidth: return std::to_string(width_);
    case prop::kHeight: return std::to_string(height_);
    case prop::kHide: return prop::Flag(hidden_);
    case prop::kReadOnly: return prop::Flag(readOnly_);
    case prop::kReq: return prop::Flag(required());
    case prop::kImm: return prop::Flag(immediate());
    default: return {};
    }
}

void Control::SetProperty(int property, std::string_view value)
{
    int number = 0;
    switch (property) {
    case prop::kText:
        SetCaption(std::string(value));
        break;
    case prop::kXpos:
        if (prop::ParseInt(value, number))
            SetGeometry(number, y_, width_, height_);
        break;
    case prop::kYpos:
        if (prop::ParseInt(value, number))
            SetGeometry(x_, number, width_, height_);
        break;
    case prop::kWidth:
        if (prop::ParseInt(value, number))
            SetGeometry(x_, y_, number, height_);
        break;
    case prop::kHeight:
        if (prop::ParseInt(value, number))
            SetGeometry(x_, y_, width_, number);
        break;
    case prop::kHide:
        window_.Hide(number_, prop::Truthy(value));
        break;
    case prop::kReadOnly:
        window_.SetReadOnly(number_, prop::Truthy(value));
        break;
    case prop::kReq:
        attributes_ = prop::Truthy(value) ? (attributes_ | kCtlReq) : (attributes_ & ~kCtlReq);
        break;
    case prop::kImm:
        attributes_ = prop::Truthy(value) ? (attributes_ | kCtlImm) : (attributes_ & ~kCtlImm);
        break;
    case prop::kAlrt:
        if (prop::ParseInt(value, number))
            AddAlertKey(number);
        break;
    default:
        break;
    }
}

} // namespace quorin
