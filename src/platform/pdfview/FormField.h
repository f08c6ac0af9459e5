#pragma once
// A typed view of one terminal field of a PDF form (a qpdf object handle with named operations), as
// the document's scripts see it: type, value, items, widgets.
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

namespace quorin::pdfview {

class EmbeddedFonts;

enum class FieldKind { Text, CheckBox, RadioButton, ComboBox, ListBox, Button, Signature, Unknown };

// A scripting error raised by a field operation; the binding turns it into a JavaScript error.
struct FieldError : std::runtime_error {
  enum class Kind { Type, Range };
  Kind kind;
  FieldError(Kind k, const std::string& text) : std::runtime_error(text), kind(k) {}
};

// One item of a choice field: what the value holds and what the field shows.
struct ChoiceItem {
  std::string exportValue;
  std::string displayText;
};

// The form-wide part every field operation needs.
struct FormContext {
  QPDF& pdf;
  QPDFObjectHandle acroForm;
  // Fallback fonts the appearances drew in, made on first use.
  std::shared_ptr<EmbeddedFonts> embeddedFonts;
  // Set once a value was left for the reader to draw (NeedAppearances).
  void RequestViewerAppearances();
};

class FormField {
public:
  FormField(QPDFObjectHandle node, std::string fullName);

  const std::string& name() const { return name_; }
  FieldKind kind() const { return kind_; }
  static const char* TypeName(FieldKind kind);
  QPDFObjectHandle node() const { return node_; }
  const std::vector<QPDFObjectHandle>& widgets() const { return widgets_; }
  int flags() const;
  bool multiSelect() const;

  // Text values are UTF-8. A button's value is its state name or "Off"; a choice's its export
  // value; a multi-select list gives all selected export values.
  std::vector<std::string> values() const;
  std::string value() const;
  void SetValue(FormContext& form, const std::vector<std::string>& values);

  const std::vector<ChoiceItem>& items() const;
  std::vector<int> selectedIndices() const;
  void SetSelectedIndices(FormContext& form, std::vector<int> indices);

  // Check boxes and radio groups: widget by index in the field's widget order.
  void CheckThisBox(FormContext& form, int widget, bool checked);
  bool IsBoxChecked(int widget) const;
  // A widget's on-state: the first key of its normal appearance other than Off.
  std::optional<std::string> OnState(int widget) const;

private:
  QPDFObjectHandle Inherited(const std::string& key) const;
  void SetButtonState(FormContext& form, const std::string& state);
  void RedrawText(FormContext& form);

  mutable QPDFObjectHandle node_;
  std::string name_;
  FieldKind kind_ = FieldKind::Unknown;
  mutable std::vector<QPDFObjectHandle> widgets_;
  // /Opt, read once: scripts walk a choice's items by index, asking for each.
  mutable std::optional<std::vector<ChoiceItem>> items_;
};

} // namespace quorin::pdfview
