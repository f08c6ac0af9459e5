#include "platform/pdfview/FormField.h"

#include <algorithm>
#include <set>

#include <qpdf/QPDFFormFieldObjectHelper.hh>

#include "platform/pdfview/FieldAppearance.h"

namespace quorin::pdfview {
namespace {

// Field flags (bit n of /Ff is 1 << (n - 1)).
constexpr int kFlagPassword = 1 << 13;
constexpr int kFlagMultiline = 1 << 12;
constexpr int kFlagNoToggleToOff = 1 << 14;
constexpr int kFlagRadio = 1 << 15;
constexpr int kFlagPushButton = 1 << 16;
constexpr int kFlagCombo = 1 << 17;
constexpr int kFlagMultiSelect = 1 << 21;
constexpr int kFlagFileSelect = 1 << 20;
constexpr int kFlagComb = 1 << 24;
constexpr int kFlagRichText = 1 << 25;

std::string TextOf(QPDFObjectHandle o) {
  if (o.isString()) {
    return o.getUTF8Value();
  }
  if (o.isName()) {
    return o.getName().substr(1);
  }
  if (o.isInteger()) {
    return std::to_string(o.getIntValue());
  }
  return {};
}

bool IsWidget(QPDFObjectHandle o) {
  return o.isDictionary() && (o.getKey("/Subtype").isNameAndEquals("/Widget") || o.hasKey("/Rect"));
}

} // namespace

void FormContext::RequestViewerAppearances() {
  if (!acroForm.getKey("/NeedAppearances").isBool() || !acroForm.getKey("/NeedAppearances").getBoolValue()) {
    acroForm.replaceKey("/NeedAppearances", QPDFObjectHandle::newBool(true));
  }
}

FormField::FormField(QPDFObjectHandle node, std::string fullName) : node_(node), name_(std::move(fullName)) {
  auto kids = node_.getKey("/Kids");
  if (kids.isArray()) {
    for (auto kid : kids.aitems()) {
      if (IsWidget(kid) && !kid.hasKey("/T")) {
        widgets_.push_back(kid);
      }
    }
  }
  if (widgets_.empty() && IsWidget(node_)) {
    widgets_.push_back(node_);
  }
  auto ft = Inherited("/FT");
  const int ff = flags();
  if (ft.isNameAndEquals("/Tx")) {
    kind_ = FieldKind::Text;
  } else if (ft.isNameAndEquals("/Btn")) {
    kind_ = (ff & kFlagPushButton) ? FieldKind::Button
            : (ff & kFlagRadio)    ? FieldKind::RadioButton
                                   : FieldKind::CheckBox;
  } else if (ft.isNameAndEquals("/Ch")) {
    kind_ = (ff & kFlagCombo) ? FieldKind::ComboBox : FieldKind::ListBox;
  } else if (ft.isNameAndEquals("/Sig")) {
    kind_ = FieldKind::Signature;
  }
}

const char* FormField::TypeName(FieldKind kind) {
  switch (kind) {
  case FieldKind::Text: return "text";
  case FieldKind::CheckBox: return "checkbox";
  case FieldKind::RadioButton: return "radiobutton";
  case FieldKind::ComboBox: return "combobox";
  case FieldKind::ListBox: return "listbox";
  case FieldKind::Button: return "button";
  case FieldKind::Signature: return "signature";
  case FieldKind::Unknown: break;
  }
  return "";
}

QPDFObjectHandle FormField::Inherited(const std::string& key) const {
  // Climbs /Parent like qpdf's helper, with a bound so a parent loop cannot hang a run.
  QPDFObjectHandle node = node_;
  for (int depth = 0; depth < 64 && node.isDictionary(); ++depth) {
    if (node.hasKey(key)) {
      return node.getKey(key);
    }
    node = node.getKey("/Parent");
  }
  return QPDFObjectHandle::newNull();
}

int FormField::flags() const {
  auto ff = Inherited("/Ff");
  return ff.isInteger() ? static_cast<int>(ff.getIntValue()) : 0;
}

bool FormField::multiSelect() const { return kind_ == FieldKind::ListBox && (flags() & kFlagMultiSelect); }

std::vector<std::string> FormField::values() const {
  auto v = Inherited("/V");
  std::vector<std::string> out;
  if (v.isArray()) {
    for (auto item : v.aitems()) {
      out.push_back(TextOf(item));
    }
  } else if (!v.isNull()) {
    out.push_back(TextOf(v));
  }
  return out;
}

std::string FormField::value() const {
  if (kind_ == FieldKind::CheckBox || kind_ == FieldKind::RadioButton) {
    auto v = values();
    return v.empty() || v.front().empty() ? "Off" : v.front();
  }
  auto v = values();
  return v.empty() ? std::string() : v.front();
}

const std::vector<ChoiceItem>& FormField::items() const {
  if (items_) {
    return *items_;
  }
  auto& out = items_.emplace();
  auto opt = Inherited("/Opt");
  if (!opt.isArray()) {
    return out;
  }
  for (auto item : opt.aitems()) {
    if (item.isArray() && item.getArrayNItems() >= 2) {
      out.push_back({TextOf(item.getArrayItem(0)), TextOf(item.getArrayItem(1))});
    } else {
      const auto text = TextOf(item);
      out.push_back({text, text});
    }
  }
  return out;
}

std::vector<int> FormField::selectedIndices() const {
  std::vector<int> out;
  auto indices = Inherited("/I");
  const auto& all = items();
  if (indices.isArray()) {
    for (auto i : indices.aitems()) {
      if (i.isInteger() && i.getIntValue() >= 0 && i.getIntValue() < static_cast<long long>(all.size())) {
        out.push_back(static_cast<int>(i.getIntValue()));
      }
    }
    if (!out.empty()) {
      return out;
    }
  }
  for (const auto& v : values()) {
    for (std::size_t i = 0; i < all.size(); ++i) {
      if (all[i].exportValue == v) {
        out.push_back(static_cast<int>(i));
        break;
      }
    }
  }
  return out;
}

std::optional<std::string> FormField::OnState(int widget) const {
  if (widget < 0 || widget >= static_cast<int>(widgets_.size())) {
    return std::nullopt;
  }
  auto normal = widgets_[widget].getKey("/AP").getKey("/N");
  if (normal.isDictionary()) {
    for (const auto& key : normal.getKeys()) {
      if (key != "/Off") {
        return key.substr(1);
      }
    }
  }
  return std::nullopt;
}

bool FormField::IsBoxChecked(int widget) const {
  if (kind_ != FieldKind::CheckBox && kind_ != FieldKind::RadioButton) {
    throw FieldError(FieldError::Kind::Type, "isBoxChecked: field '" + name_ + "' is not a check box or radio button");
  }
  if (widget < 0 || widget >= static_cast<int>(widgets_.size())) {
    throw FieldError(FieldError::Kind::Range, "isBoxChecked: field '" + name_ + "' has no widget " + std::to_string(widget));
  }
  const auto on = OnState(widget);
  const auto current = value();
  return on ? current == *on : current != "Off";
}

void FormField::SetButtonState(FormContext& form, const std::string& state) {
  // /V on the field, /AS on every widget: a widget shows its on-state when that is the value.
  const bool off = state == "Off" || state.empty();
  node_.replaceKey("/V", QPDFObjectHandle::newName(off ? "/Off" : "/" + state));
  for (std::size_t i = 0; i < widgets_.size(); ++i) {
    const auto on = OnState(static_cast<int>(i));
    const bool show = !off && on && *on == state;
    widgets_[i].replaceKey("/AS", QPDFObjectHandle::newName(show ? "/" + state : "/Off"));
    auto normal = widgets_[i].getKey("/AP").getKey("/N");
    const std::string needed = show ? "/" + state : "/Off";
    if (!normal.isDictionary() || (!normal.hasKey(needed) && show)) {
      form.RequestViewerAppearances();
    }
  }
}

void FormField::CheckThisBox(FormContext& form, int widget, bool checked) {
  if (kind_ != FieldKind::CheckBox && kind_ != FieldKind::RadioButton) {
    throw FieldError(FieldError::Kind::Type, "checkThisBox: field '" + name_ + "' is not a check box or radio button");
  }
  if (widget < 0 || widget >= static_cast<int>(widgets_.size())) {
    throw FieldError(FieldError::Kind::Range, "checkThisBox: field '" + name_ + "' has no widget " + std::to_string(widget));
  }
  const auto on = OnState(widget);
  if (!on) {
    throw FieldError(FieldError::Kind::Type, "checkThisBox: widget " + std::to_string(widget) + " of field '" + name_ + "' has no on-state");
  }
  if (checked) {
    SetButtonState(form, *on);
  } else if (value() == *on && !(kind_ == FieldKind::RadioButton && (flags() & kFlagNoToggleToOff))) {
    SetButtonState(form, "Off");
  }
}

void FormField::SetValue(FormContext& form, const std::vector<std::string>& newValues) {
  const std::string first = newValues.empty() ? std::string() : newValues.front();
  switch (kind_) {
  case FieldKind::Signature:
    throw FieldError(FieldError::Kind::Type, "field '" + name_ + "' is a signature field: its value cannot be set");
  case FieldKind::Button:
  case FieldKind::Unknown:
    return;
  case FieldKind::CheckBox:
  case FieldKind::RadioButton: {
    // The value names a widget's on-state; anything else turns the field off.
    for (std::size_t i = 0; i < widgets_.size(); ++i) {
      if (OnState(static_cast<int>(i)) == first) {
        SetButtonState(form, first);
        return;
      }
    }
    SetButtonState(form, "Off");
    return;
  }
  case FieldKind::Text:
    node_.replaceKey("/V", QPDFObjectHandle::newUnicodeString(first));
    RedrawText(form);
    return;
  case FieldKind::ComboBox:
  case FieldKind::ListBox: {
    const auto& all = items();
    std::vector<int> indices;
    for (const auto& v : newValues) {
      for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].exportValue == v) {
          indices.push_back(static_cast<int>(i));
          break;
        }
      }
    }
    if (newValues.size() > 1 && multiSelect()) {
      auto array = QPDFObjectHandle::newArray();
      for (const auto& v : newValues) {
        array.appendItem(QPDFObjectHandle::newUnicodeString(v));
      }
      node_.replaceKey("/V", array);
    } else {
      node_.replaceKey("/V", QPDFObjectHandle::newUnicodeString(first));
    }
    if (indices.empty()) {
      node_.removeKey("/I");
    } else {
      std::sort(indices.begin(), indices.end());
      auto array = QPDFObjectHandle::newArray();
      for (int i : indices) {
        array.appendItem(QPDFObjectHandle::newInteger(i));
      }
      node_.replaceKey("/I", array);
    }
    RedrawText(form);
    return;
  }
  }
}

void FormField::SetSelectedIndices(FormContext& form, std::vector<int> indices) {
  if (kind_ != FieldKind::ComboBox && kind_ != FieldKind::ListBox) {
    throw FieldError(FieldError::Kind::Type, "currentValueIndices: field '" + name_ + "' is not a choice field");
  }
  const auto& all = items();
  std::sort(indices.begin(), indices.end());
  indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
  for (int i : indices) {
    if (i < 0 || i >= static_cast<int>(all.size())) {
      throw FieldError(FieldError::Kind::Range, "currentValueIndices: field '" + name_ + "' has no item " + std::to_string(i));
    }
  }
  if (indices.size() > 1 && !multiSelect()) {
    throw FieldError(FieldError::Kind::Type, "currentValueIndices: field '" + name_ + "' is not a multiple-selection list");
  }
  std::vector<std::string> chosen;
  for (int i : indices) {
    chosen.push_back(all[i].exportValue);
  }
  SetValue(form, chosen);
}

void FormField::RedrawText(FormContext& form) {
  const int ff = flags();
  for (const auto& widget : widgets_) {
    AppearanceContent content;
    const bool drawable = !(ff & kFlagRichText) || kind_ != FieldKind::Text;
    if (kind_ == FieldKind::Text) {
      content.multiline = (ff & kFlagMultiline) != 0;
      // Comb spacing applies only to a plain single-line field with a length.
      auto maxLen = Inherited("/MaxLen");
      if ((ff & kFlagComb) && !(ff & (kFlagMultiline | kFlagPassword | kFlagFileSelect)) && maxLen.isInteger() &&
          maxLen.getIntValue() > 0 && maxLen.getIntValue() <= 1000) {
        content.combCells = static_cast<int>(maxLen.getIntValue());
      }
      std::string text = value();
      if (ff & kFlagPassword) {
        // One mask character per character, never the text itself.
        std::size_t count = 0;
        for (unsigned char c : text) {
          count += (c & 0xC0) != 0x80;
        }
        text.assign(count, '*');
      }
      content.lines.push_back(text);
    } else {
      const auto& all = items();
      const auto selected = selectedIndices();
      if (kind_ == FieldKind::ComboBox) {
        std::string shown = value();
        for (const auto& item : all) {
          if (item.exportValue == shown) {
            shown = item.displayText;
            break;
          }
        }
        content.lines.push_back(shown);
      } else {
        content.listBox = true;
        auto top = Inherited("/TI");
        const int first = top.isInteger() ? static_cast<int>(std::max<long long>(0, top.getIntValue())) : 0;
        const std::set<int> marked(selected.begin(), selected.end());
        for (int i = first; i < static_cast<int>(all.size()); ++i) {
          content.lines.push_back(all[i].displayText);
          content.selected.push_back(marked.count(i) != 0);
        }
      }
    }
    if (!drawable) {
      DrawBlankAppearance(form, *this, widget);
      form.RequestViewerAppearances();
    } else if (!DrawFieldAppearance(form, *this, widget, content)) {
      DrawBlankAppearance(form, *this, widget);
      form.RequestViewerAppearances();
    }
  }
}

} // namespace quorin::pdfview
