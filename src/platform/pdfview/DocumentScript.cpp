// The document object model of the viewer's scripts: the document's members on the global object
// (so `this` is the document at top level and in plainly called functions), and field objects
// made by getField.
#include <cmath>
#include <string_view>
#include <string>
#include <vector>

#include "duktape.h"
#include "platform/pdfview/PdfDocument.h"

namespace quorin::pdfview {
namespace {

constexpr const char* kFieldProtoKey = "\xFF" "fieldProto";
constexpr const char* kIndexKey = "\xFF" "index";

// Through the heap's state rather than a stash property: every field access of a script asks.
PdfDocument& Document(duk_context* ctx) { return *static_cast<PdfDocument*>(ScriptHeap::StateOf(ctx).host); }

// A whole-number argument, or a RangeError naming the call.
int IndexArgument(duk_context* ctx, duk_idx_t at, const char* call) {
  const double d = duk_to_number(ctx, at);
  if (!std::isfinite(d) || d != std::floor(d) || d < -2147483648.0 || d > 2147483647.0) {
    throw FieldError(FieldError::Kind::Range, std::string(call) + ": not a valid index");
  }
  return static_cast<int>(d);
}

FormField& ThisField(duk_context* ctx) {
  duk_push_this(ctx);
  if (!duk_is_object(ctx, -1) || !duk_get_prop_string(ctx, -1, kIndexKey)) {
    duk_pop_2(ctx);
    throw FieldError(FieldError::Kind::Type, "not a field object");
  }
  const auto index = static_cast<std::size_t>(duk_get_uint(ctx, -1));
  duk_pop_2(ctx);
  auto& doc = Document(ctx);
  if (index >= doc.fieldCount()) {
    throw FieldError(FieldError::Kind::Type, "not a field object");
  }
  return doc.field(index);
}

// The engine keeps a character beyond the BMP as a surrogate pair, each half encoded on its own
// (CESU-8). The document's texts are UTF-8: pairs are joined on the way in and split on the way
// out, or such a character would reach the form as two replacement characters.
std::string TextFromEngine(const char* text, duk_size_t length) {
  const std::string_view in(text, length);
  if (in.find('\xED') == std::string_view::npos) {
    return std::string(in);
  }
  auto half = [&](std::size_t i) -> unsigned {
    if (i + 2 >= in.size() || static_cast<unsigned char>(in[i]) != 0xED ||
        (static_cast<unsigned char>(in[i + 1]) & 0xE0) != 0xA0) {
      return 0;
    }
    return 0xD000 | ((static_cast<unsigned char>(in[i + 1]) & 0x3F) << 6) | (static_cast<unsigned char>(in[i + 2]) & 0x3F);
  };
  std::string out;
  for (std::size_t i = 0; i < in.size();) {
    const unsigned high = half(i);
    if (high == 0) {
      out += in[i++];
      continue;
    }
    const unsigned low = high < 0xDC00 ? half(i + 3) : 0;
    if (low >= 0xDC00) {
      const unsigned c = 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
      i += 6;
    } else {
      out += "\xEF\xBF\xBD";   // a lone half stands for nothing
      i += 3;
    }
  }
  return out;
}

std::string TextArgument(duk_context* ctx, duk_idx_t at) {
  duk_size_t length = 0;
  const char* text = duk_safe_to_lstring(ctx, at, &length);
  return TextFromEngine(text, length);
}

void PushText(duk_context* ctx, const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xF8) != 0xF0) {
    ++i;
  }
  if (i == text.size()) {
    duk_push_lstring(ctx, text.data(), text.size());
    return;
  }
  std::string out = text.substr(0, i);
  for (; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if ((b & 0xF8) != 0xF0 || i + 3 >= text.size()) {
      out += text[i];
      continue;
    }
    const unsigned c = ((b & 0x07u) << 18) | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 12) |
                       ((static_cast<unsigned char>(text[i + 2]) & 0x3Fu) << 6) |
                       (static_cast<unsigned char>(text[i + 3]) & 0x3Fu);
    for (unsigned unit : {0xD800 + ((c - 0x10000) >> 10), 0xDC00 + ((c - 0x10000) & 0x3FF)}) {
      out += static_cast<char>(0xE0 | (unit >> 12));
      out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (unit & 0x3F));
    }
    i += 3;
  }
  duk_push_lstring(ctx, out.data(), out.size());
}

std::vector<std::string> TextValues(duk_context* ctx, duk_idx_t at) {
  std::vector<std::string> out;
  if (duk_is_array(ctx, at)) {
    const auto n = duk_get_length(ctx, at);
    for (duk_uarridx_t i = 0; i < n; ++i) {
      duk_get_prop_index(ctx, at, i);
      out.push_back(TextArgument(ctx, -1));
      duk_pop(ctx);
    }
  } else {
    out.push_back(TextArgument(ctx, at));
  }
  return out;
}

// Field and document failures become JavaScript errors; the message is copied before the
// engine unwinds, so nothing of ours is left half-done.
template <duk_ret_t (*F)(duk_context*)>
duk_ret_t Guarded(duk_context* ctx) {
  std::string message;
  duk_errcode_t code = DUK_ERR_ERROR;
  try {
    return F(ctx);
  } catch (const FieldError& e) {
    message = e.what();
    code = e.kind == FieldError::Kind::Range ? DUK_ERR_RANGE_ERROR : DUK_ERR_TYPE_ERROR;
  } catch (const std::exception& e) {
    message = e.what();
  }
  return duk_error(ctx, code, "%s", message.c_str());
}

duk_ret_t GetNthFieldName(duk_context* ctx) {
  auto& doc = Document(ctx);
  const int n = IndexArgument(ctx, 0, "getNthFieldName");
  if (n < 0 || static_cast<std::size_t>(n) >= doc.fieldCount()) {
    throw FieldError(FieldError::Kind::Range, "getNthFieldName: no field " + std::to_string(n));
  }
  const auto& name = doc.field(static_cast<std::size_t>(n)).name();
  PushText(ctx, name);
  return 1;
}

duk_ret_t GetField(duk_context* ctx) {
  auto& doc = Document(ctx);
  const std::string name = TextArgument(ctx, 0);
  FormField* field = doc.FindField(name);
  if (field == nullptr) {
    duk_push_null(ctx);
    return 1;
  }
  duk_push_object(ctx);
  duk_push_global_stash(ctx);
  duk_get_prop_string(ctx, -1, kFieldProtoKey);
  duk_set_prototype(ctx, -3);
  duk_pop(ctx);
  duk_push_uint(ctx, static_cast<duk_uint_t>(field - &doc.field(0)));
  duk_put_prop_string(ctx, -2, kIndexKey);
  return 1;
}

duk_ret_t FieldType(duk_context* ctx) {
  duk_push_string(ctx, FormField::TypeName(ThisField(ctx).kind()));
  return 1;
}

duk_ret_t FieldName(duk_context* ctx) {
  const auto& name = ThisField(ctx).name();
  PushText(ctx, name);
  return 1;
}

duk_ret_t FieldValueGet(duk_context* ctx) {
  auto& field = ThisField(ctx);
  if (field.multiSelect() && field.values().size() > 1) {
    duk_push_array(ctx);
    duk_uarridx_t i = 0;
    for (const auto& v : field.values()) {
      PushText(ctx, v);
      duk_put_prop_index(ctx, -2, i++);
    }
    return 1;
  }
  const auto v = field.value();
  PushText(ctx, v);
  return 1;
}

duk_ret_t FieldValueSet(duk_context* ctx) {
  auto& field = ThisField(ctx);
  field.SetValue(Document(ctx).form(), TextValues(ctx, 0));
  return 0;
}

duk_ret_t FieldNumItems(duk_context* ctx) {
  duk_push_uint(ctx, static_cast<duk_uint_t>(ThisField(ctx).items().size()));
  return 1;
}

duk_ret_t FieldGetItemAt(duk_context* ctx) {
  auto& field = ThisField(ctx);
  const int n = IndexArgument(ctx, 0, "getItemAt");
  const bool exportValue = duk_is_undefined(ctx, 1) || duk_to_boolean(ctx, 1);
  const auto& all = field.items();
  if (n < 0 || static_cast<std::size_t>(n) >= all.size()) {
    throw FieldError(FieldError::Kind::Range, "getItemAt: field '" + field.name() + "' has no item " + std::to_string(n));
  }
  const auto& text = exportValue ? all[static_cast<std::size_t>(n)].exportValue : all[static_cast<std::size_t>(n)].displayText;
  PushText(ctx, text);
  return 1;
}

duk_ret_t FieldIndicesGet(duk_context* ctx) {
  auto& field = ThisField(ctx);
  const auto selected = field.selectedIndices();
  if (field.multiSelect()) {
    duk_push_array(ctx);
    duk_uarridx_t i = 0;
    for (int s : selected) {
      duk_push_int(ctx, s);
      duk_put_prop_index(ctx, -2, i++);
    }
  } else {
    duk_push_int(ctx, selected.empty() ? -1 : selected.front());
  }
  return 1;
}

duk_ret_t FieldIndicesSet(duk_context* ctx) {
  auto& field = ThisField(ctx);
  std::vector<int> indices;
  if (duk_is_array(ctx, 0)) {
    const auto n = duk_get_length(ctx, 0);
    for (duk_uarridx_t i = 0; i < n; ++i) {
      duk_get_prop_index(ctx, 0, i);
      indices.push_back(IndexArgument(ctx, -1, "currentValueIndices"));
      duk_pop(ctx);
    }
  } else {
    const int one = IndexArgument(ctx, 0, "currentValueIndices");
    if (one >= 0) {
      indices.push_back(one);
    }
  }
  field.SetSelectedIndices(Document(ctx).form(), indices);
  return 0;
}

duk_ret_t FieldCheckThisBox(duk_context* ctx) {
  auto& field = ThisField(ctx);
  const int widget = IndexArgument(ctx, 0, "checkThisBox");
  const bool checked = duk_is_undefined(ctx, 1) || duk_to_boolean(ctx, 1);
  field.CheckThisBox(Document(ctx).form(), widget, checked);
  return 0;
}

duk_ret_t FieldIsBoxChecked(duk_context* ctx) {
  auto& field = ThisField(ctx);
  duk_push_boolean(ctx, field.IsBoxChecked(IndexArgument(ctx, 0, "isBoxChecked")));
  return 1;
}

void Accessor(duk_context* ctx, const char* name, duk_c_function get, duk_c_function set) {
  duk_push_string(ctx, name);
  duk_push_c_function(ctx, get, 0);
  duk_uint_t flags = DUK_DEFPROP_HAVE_GETTER | DUK_DEFPROP_SET_ENUMERABLE;
  if (set != nullptr) {
    duk_push_c_function(ctx, set, 1);
    flags |= DUK_DEFPROP_HAVE_SETTER;
  }
  duk_def_prop(ctx, -2 - (set != nullptr ? 2 : 1), flags);
}

void Method(duk_context* ctx, const char* name, duk_c_function f, duk_idx_t args) {
  duk_push_c_function(ctx, f, args);
  duk_put_prop_string(ctx, -2, name);
}

} // namespace

void BindDocumentScript(duk_context* ctx, PdfDocument& document) {
  ScriptHeap::StateOf(ctx).host = &document;
  duk_push_global_stash(ctx);

  duk_push_object(ctx);
  Accessor(ctx, "type", Guarded<FieldType>, nullptr);
  Accessor(ctx, "name", Guarded<FieldName>, nullptr);
  Accessor(ctx, "value", Guarded<FieldValueGet>, Guarded<FieldValueSet>);
  Accessor(ctx, "numItems", Guarded<FieldNumItems>, nullptr);
  Accessor(ctx, "currentValueIndices", Guarded<FieldIndicesGet>, Guarded<FieldIndicesSet>);
  Method(ctx, "getItemAt", Guarded<FieldGetItemAt>, 2);
  Method(ctx, "checkThisBox", Guarded<FieldCheckThisBox>, 2);
  Method(ctx, "isBoxChecked", Guarded<FieldIsBoxChecked>, 1);
  duk_put_prop_string(ctx, -2, kFieldProtoKey);
  duk_pop(ctx);

  duk_push_global_object(ctx);
  // The fields of an open document never change, so their count is a read-only value: a fill
  // script reads it on every turn of its loops.
  duk_push_string(ctx, "numFields");
  duk_push_uint(ctx, static_cast<duk_uint_t>(document.fieldCount()));
  duk_def_prop(ctx, -3, DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_HAVE_WRITABLE | DUK_DEFPROP_SET_ENUMERABLE);
  Method(ctx, "getNthFieldName", Guarded<GetNthFieldName>, 1);
  Method(ctx, "getField", Guarded<GetField>, 1);
  duk_pop(ctx);
}

} // namespace quorin::pdfview
