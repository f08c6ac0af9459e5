#include "platform/pdfview/FieldAppearance.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>

#include <qpdf/QUtil.hh>

namespace quorin::pdfview {
namespace {

constexpr double kPadding = 2.0;
constexpr double kDefaultAutoSize = 12.0;

struct Box {
  double width = 0;
  double height = 0;
};

Box WidgetBox(QPDFObjectHandle widget) {
  auto rect = widget.getKey("/Rect");
  if (!rect.isRectangle()) {
    return {};
  }
  auto r = rect.getArrayAsRectangle();
  return {std::fabs(r.urx - r.llx), std::fabs(r.ury - r.lly)};
}

std::string Number(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2f", v);
  std::string s = buffer;
  while (!s.empty() && s.back() == '0') {
    s.pop_back();
  }
  if (!s.empty() && s.back() == '.') {
    s.pop_back();
  }
  return s == "-0" ? "0" : s;
}

std::string ColorOps(QPDFObjectHandle color, bool stroke) {
  if (!color.isArray()) {
    return {};
  }
  std::string ops;
  for (auto c : color.aitems()) {
    if (!c.isNumber()) {
      return {};
    }
    ops += Number(c.getNumericValue()) + " ";
  }
  switch (color.getArrayNItems()) {
  case 1: return ops + (stroke ? "G" : "g");
  case 3: return ops + (stroke ? "RG" : "rg");
  case 4: return ops + (stroke ? "K" : "k");
  default: return {};
  }
}

// Background and border of the widget from its /MK and /BS, as viewers draw them.
std::string Frame(QPDFObjectHandle widget, Box box, double& border) {
  std::string out;
  auto mk = widget.getKey("/MK");
  border = 1.0;
  auto bs = widget.getKey("/BS");
  if (bs.isDictionary() && bs.getKey("/W").isNumber()) {
    border = bs.getKey("/W").getNumericValue();
  }
  if (mk.isDictionary()) {
    const auto bg = ColorOps(mk.getKey("/BG"), false);
    if (!bg.empty()) {
      out += bg + "\n0 0 " + Number(box.width) + " " + Number(box.height) + " re f\n";
    }
    const auto bc = ColorOps(mk.getKey("/BC"), true);
    if (!bc.empty() && border > 0) {
      out += bc + "\n" + Number(border) + " w\n" + Number(border / 2) + " " + Number(border / 2) + " " +
             Number(box.width - border) + " " + Number(box.height - border) + " re S\n";
    } else {
      border = 0;
    }
  } else {
    border = 0;
  }
  return out;
}

struct DefaultAppearance {
  std::string fontName;   // with the slash
  double size = 0;
  std::string colorOps;   // the rest of /DA
};

bool ParseDa(const std::string& da, DefaultAppearance& out) {
  std::vector<std::string> tokens;
  std::istringstream in(da);
  for (std::string t; in >> t;) {
    tokens.push_back(t);
  }
  std::size_t tf = tokens.size();
  for (std::size_t i = 2; i < tokens.size(); ++i) {
    if (tokens[i] == "Tf" && tokens[i - 2].size() > 1 && tokens[i - 2][0] == '/') {
      tf = i;
    }
  }
  if (tf == tokens.size()) {
    return false;
  }
  out.fontName = tokens[tf - 2];
  out.size = std::atof(tokens[tf - 1].c_str());
  out.colorOps.clear();
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (i + 2 < tf || i > tf) {
      out.colorOps += tokens[i] + " ";
    }
  }
  return true;
}

enum class Encoder { WinAnsi, MacRoman, Ascii, None };

// How the font maps bytes: a base encoding and, from /Differences, the codes it renames.
struct FontEncoding {
  Encoder base = Encoder::None;
  std::map<int, std::string> differences;   // code -> glyph name
};

FontEncoding EncodingOf(QPDFObjectHandle font) {
  FontEncoding out;
  auto subtype = font.getKey("/Subtype");
  if (!(subtype.isNameAndEquals("/Type1") || subtype.isNameAndEquals("/TrueType") ||
        subtype.isNameAndEquals("/MMType1"))) {
    return out;
  }
  auto encoding = font.getKey("/Encoding");
  if (encoding.isDictionary()) {
    auto differences = encoding.getKey("/Differences");
    if (differences.isArray()) {
      int code = -1;
      for (auto item : differences.aitems()) {
        if (item.isInteger()) {
          code = static_cast<int>(item.getIntValue());
        } else if (item.isName() && code >= 0) {
          out.differences[code++] = item.getName().substr(1);
        }
      }
    }
    encoding = encoding.getKey("/BaseEncoding");
  }
  if (encoding.isNameAndEquals("/WinAnsiEncoding")) {
    out.base = Encoder::WinAnsi;
  } else if (encoding.isNameAndEquals("/MacRomanEncoding")) {
    out.base = Encoder::MacRoman;
  } else if (encoding.isNull()) {
    auto base = font.getKey("/BaseFont");
    const bool symbolic = base.isName() && (base.getName().find("Symbol") != std::string::npos ||
                                            base.getName().find("Dingbats") != std::string::npos);
    // A font's built-in encoding agrees with ASCII on letters, digits and most punctuation.
    out.base = symbolic ? Encoder::None : Encoder::Ascii;
  }
  return out;
}

// The glyph name a renamed code must carry to still show the ASCII character it stands for.
std::string AsciiGlyphName(unsigned char c) {
  static const char* const punctuation[] = {
      "space", "exclam", "quotedbl", "numbersign", "dollar", "percent", "ampersand", "quotesingle",
      "parenleft", "parenright", "asterisk", "plus", "comma", "hyphen", "period", "slash"};
  static const char* const digits[] = {"zero", "one", "two", "three", "four",
                                       "five", "six", "seven", "eight", "nine"};
  if (c >= 'A' && c <= 'Z') return std::string(1, static_cast<char>(c));
  if (c >= 'a' && c <= 'z') return std::string(1, static_cast<char>(c));
  if (c >= '0' && c <= '9') return digits[c - '0'];
  if (c >= 32 && c < 48) return punctuation[c - 32];
  switch (c) {
  case ':': return "colon";
  case ';': return "semicolon";
  case '<': return "less";
  case '=': return "equal";
  case '>': return "greater";
  case '?': return "question";
  case '@': return "at";
  case '[': return "bracketleft";
  case '\\': return "backslash";
  case ']': return "bracketright";
  case '^': return "asciicircum";
  case '_': return "underscore";
  case '`': return "grave";
  case '{': return "braceleft";
  case '|': return "bar";
  case '}': return "braceright";
  case '~': return "asciitilde";
  default: return {};
  }
}

bool Encode(const FontEncoding& encoding, const std::string& utf8, std::string& bytes) {
  bool ok = false;
  switch (encoding.base) {
  case Encoder::WinAnsi: ok = QUtil::utf8_to_win_ansi(utf8, bytes, '?'); break;
  case Encoder::MacRoman: ok = QUtil::utf8_to_mac_roman(utf8, bytes, '?'); break;
  case Encoder::Ascii: ok = QUtil::utf8_to_ascii(utf8, bytes, '?'); break;
  case Encoder::None: return false;
  }
  if (!ok || encoding.differences.empty()) {
    return ok;
  }
  // Renamed codes: ASCII survives when the new glyph is the same character; for anything else
  // the glyph is no longer known, so the value is left to the reader.
  for (unsigned char c : bytes) {
    const auto it = encoding.differences.find(c);
    if (it != encoding.differences.end() && (c >= 128 || it->second != AsciiGlyphName(c))) {
      return false;
    }
  }
  return true;
}

// Advance of the encoded text in thousandths of the font size.
double TextWidth(QPDFObjectHandle font, const std::string& bytes) {
  auto widths = font.getKey("/Widths");
  auto first = font.getKey("/FirstChar");
  double missing = 520;
  auto base = font.getKey("/BaseFont");
  if (base.isName() && base.getName().find("Courier") != std::string::npos) {
    missing = 600;
  }
  auto descriptor = font.getKey("/FontDescriptor");
  if (descriptor.isDictionary() && descriptor.getKey("/MissingWidth").isNumber() && widths.isArray()) {
    missing = descriptor.getKey("/MissingWidth").getNumericValue();
  }
  double total = 0;
  for (unsigned char c : bytes) {
    double w = missing;
    if (widths.isArray() && first.isInteger()) {
      const long long index = static_cast<long long>(c) - first.getIntValue();
      if (index >= 0 && index < widths.getArrayNItems() && widths.getArrayItem(static_cast<int>(index)).isNumber()) {
        w = widths.getArrayItem(static_cast<int>(index)).getNumericValue();
      }
    }
    total += w;
  }
  return total;
}

std::string PdfString(const std::string& bytes) {
  std::string out = "(";
  for (unsigned char c : bytes) {
    if (c == '(' || c == ')' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 32 || c > 126) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\%03o", c);
      out += buffer;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + ")";
}

QPDFObjectHandle DefaultResources(FormContext& form, const FormField& field) {
  auto node = field.node();
  for (int depth = 0; depth < 64 && node.isDictionary(); ++depth) {
    if (node.getKey("/DR").isDictionary()) {
      return node.getKey("/DR");
    }
    node = node.getKey("/Parent");
  }
  return form.acroForm.getKey("/DR");
}

std::string DefaultAppearanceText(FormContext& form, const FormField& field, QPDFObjectHandle widget) {
  if (widget.getKey("/DA").isString()) {
    return widget.getKey("/DA").getUTF8Value();
  }
  auto node = field.node();
  for (int depth = 0; depth < 64 && node.isDictionary(); ++depth) {
    if (node.getKey("/DA").isString()) {
      return node.getKey("/DA").getUTF8Value();
    }
    node = node.getKey("/Parent");
  }
  auto da = form.acroForm.getKey("/DA");
  return da.isString() ? da.getUTF8Value() : std::string();
}

void Install(FormContext& form, QPDFObjectHandle widget, Box box, const std::string& content,
             QPDFObjectHandle resources) {
  auto stream = QPDFObjectHandle::newStream(&form.pdf, content);
  auto dict = stream.getDict();
  dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
  dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
  dict.replaceKey("/BBox", QPDFObjectHandle::newArray(QPDFObjectHandle::Rectangle(0, 0, box.width, box.height)));
  dict.replaceKey("/Resources", resources.isDictionary() ? resources : QPDFObjectHandle::newDictionary());
  auto ap = QPDFObjectHandle::newDictionary();
  ap.replaceKey("/N", stream);
  widget.replaceKey("/AP", ap);
}

bool Rotated(QPDFObjectHandle widget) {
  auto r = widget.getKey("/MK").getKey("/R");
  return r.isInteger() && r.getIntValue() % 360 != 0;
}

} // namespace

void DrawBlankAppearance(FormContext& form, const FormField&, QPDFObjectHandle widget) {
  const Box box = WidgetBox(widget);
  double border = 0;
  Install(form, widget, box, Frame(widget, box, border) + "/Tx BMC\nEMC\n", QPDFObjectHandle::newDictionary());
}

bool DrawFieldAppearance(FormContext& form, const FormField& field, QPDFObjectHandle widget,
                         const AppearanceContent& content) {
  const Box box = WidgetBox(widget);
  if (box.width <= 0 || box.height <= 0 || Rotated(widget)) {
    return false;
  }
  DefaultAppearance da;
  if (!ParseDa(DefaultAppearanceText(form, field, widget), da)) {
    return false;
  }
  auto dr = DefaultResources(form, field);
  auto font = dr.isDictionary() ? dr.getKey("/Font").getKey(da.fontName) : QPDFObjectHandle::newNull();
  if (!font.isDictionary()) {
    return false;
  }
  const FontEncoding encoding = EncodingOf(font);
  std::vector<std::string> encoded;
  for (const auto& line : content.lines) {
    std::string bytes;
    if (!line.empty() && !Encode(encoding, line, bytes)) {
      return false;
    }
    encoded.push_back(bytes);
  }

  double border = 0;
  std::string out = Frame(widget, box, border);
  const double inset = border + kPadding;
  const double innerWidth = std::max(0.0, box.width - 2 * inset);
  const double innerHeight = std::max(0.0, box.height - 2 * border);
  auto fontDict = QPDFObjectHandle::newDictionary();
  fontDict.replaceKey(da.fontName, font);
  auto resources = QPDFObjectHandle::newDictionary();
  resources.replaceKey("/Font", fontDict);

  out += "/Tx BMC\nq\n" + Number(border) + " " + Number(border) + " " + Number(box.width - 2 * border) + " " +
         Number(box.height - 2 * border) + " re W n\n";
  if (content.listBox) {
    const double size = da.size > 0 ? da.size : kDefaultAutoSize;
    const double lineHeight = size * 1.15;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
      const double top = box.height - border - 1 - static_cast<double>(i) * lineHeight;
      if (top - lineHeight < border - lineHeight) {
        break;
      }
      if (i < content.selected.size() && content.selected[i]) {
        out += "0.6 0.75 0.85 rg\n" + Number(border) + " " + Number(top - lineHeight) + " " +
               Number(box.width - 2 * border) + " " + Number(lineHeight) + " re f\n";
      }
      out += "BT\n" + da.colorOps + da.fontName + " " + Number(size) + " Tf\n" + Number(inset) + " " +
             Number(top - lineHeight + 0.25 * size) + " Td\n" + PdfString(encoded[i]) + " Tj\nET\n";
    }
  } else if (!encoded.empty() && !encoded.front().empty()) {
    const std::string& bytes = encoded.front();
    const double units = TextWidth(font, bytes);
    double size = da.size;
    if (size <= 0) {
      size = std::min(kDefaultAutoSize, std::max(4.0, (innerHeight - 2) * 0.7));
      if (units > 0) {
        size = std::max(4.0, std::min(size, innerWidth * 1000.0 / units));
      }
    }
    const double textWidth = units * size / 1000.0;
    auto quadding = field.node().getKey("/Q");
    const long long q = quadding.isInteger() ? quadding.getIntValue() : (form.acroForm.getKey("/Q").isInteger() ? form.acroForm.getKey("/Q").getIntValue() : 0);
    double x = inset;
    if (q == 1) {
      x = std::max(inset, (box.width - textWidth) / 2);
    } else if (q == 2) {
      x = std::max(inset, box.width - inset - textWidth);
    }
    const double y = (box.height - size) / 2 + 0.22 * size;
    out += "BT\n" + da.colorOps + da.fontName + " " + Number(size) + " Tf\n" + Number(x) + " " + Number(y) +
           " Td\n" + PdfString(bytes) + " Tj\nET\n";
  }
  out += "Q\nEMC\n";
  Install(form, widget, box, out, resources);
  return true;
}

} // namespace quorin::pdfview
