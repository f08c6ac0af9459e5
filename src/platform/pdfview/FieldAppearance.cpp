#include "platform/pdfview/FieldAppearance.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <cctype>

#include <qpdf/QUtil.hh>
#include <zlib.h>

#include "platform/pdfview/EmbeddedFonts.h"
#include "platform/pdfview/TextLayout.h"

namespace quorin::pdfview {
namespace {

constexpr double kPadding = 2.0;
constexpr double kDefaultAutoSize = 12.0;
constexpr double kMinimumAutoSize = 4.0;

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

// A number for a content stream, to hundredths, without trailing zeros. Written by hand: the
// C library's formatting was a large part of drawing a form's fields.
std::string Number(double v) {
  if (!std::isfinite(v)) {
    return "0";
  }
  if (std::fabs(v) >= 1e15) {
    // Beyond what hundredths in an integer hold; no real widget is this large.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.0f", v);
    return buffer;
  }
  long long hundredths = std::llround(v * 100);
  std::string out;
  if (hundredths < 0) {
    out += '-';
    hundredths = -hundredths;
  }
  out += std::to_string(hundredths / 100);
  if (const long long fraction = hundredths % 100; fraction != 0) {
    out += '.';
    out += static_cast<char>('0' + fraction / 10);
    if (fraction % 10 != 0) {
      out += static_cast<char>('0' + fraction % 10);
    }
  }
  return out == "-0" ? "0" : out;
}

std::string ColorOps(QPDFObjectHandle color, bool stroke) {
  if (!color.isArray()) {
    return {};
  }
  std::string ops;
  const int n = color.getArrayNItems();
  for (int i = 0; i < n; ++i) {
    auto c = color.getArrayItem(i);
    if (!c.isNumber()) {
      return {};
    }
    ops += Number(c.getNumericValue()) + " ";
  }
  switch (n) {
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
  for (std::size_t i = 0; i < da.size();) {
    while (i < da.size() && std::isspace(static_cast<unsigned char>(da[i]))) {
      ++i;
    }
    const std::size_t start = i;
    while (i < da.size() && !std::isspace(static_cast<unsigned char>(da[i]))) {
      ++i;
    }
    if (i > start) {
      tokens.push_back(da.substr(start, i - start));
    }
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

// Flate-compressed content, or empty when zlib fails. One compressor per thread serves every
// appearance: left to the writer, each new stream got a compressor of its own, and setting up
// its tables in fresh memory cost more than drawing the field. Appearances are a few hundred
// bytes, so a 4 KB window and small hash tables compress them as well as the defaults.
std::string Deflated(const std::string& data) {
  struct Compressor {
    z_stream z{};
    bool ready = deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 12, 4, Z_DEFAULT_STRATEGY) == Z_OK;
    ~Compressor() {
      if (ready) {
        deflateEnd(&z);
      }
    }
  };
  thread_local Compressor compressor;
  // Below a few hundred bytes, Huffman coding saves a few bytes and costs more than the drawing:
  // such data is stored in the stream's deflate format as it is.
  const int level = data.size() < 512 ? Z_NO_COMPRESSION : Z_DEFAULT_COMPRESSION;
  if (!compressor.ready || deflateReset(&compressor.z) != Z_OK ||
      deflateParams(&compressor.z, level, Z_DEFAULT_STRATEGY) != Z_OK) {
    return {};
  }
  std::string out(deflateBound(&compressor.z, static_cast<uLong>(data.size())), '\0');
  compressor.z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  compressor.z.avail_in = static_cast<uInt>(data.size());
  compressor.z.next_out = reinterpret_cast<Bytef*>(out.data());
  compressor.z.avail_out = static_cast<uInt>(out.size());
  if (deflate(&compressor.z, Z_FINISH) != Z_STREAM_END) {
    return {};
  }
  out.resize(compressor.z.total_out);
  return out;
}

void Install(FormContext& form, QPDFObjectHandle widget, Box box, const std::string& content,
             QPDFObjectHandle resources) {
  auto stream = QPDFObjectHandle::newStream(&form.pdf);
  if (const auto deflated = Deflated(content); !deflated.empty()) {
    stream.replaceStreamData(deflated, QPDFObjectHandle::newName("/FlateDecode"), QPDFObjectHandle::newNull());
  } else {
    stream.replaceStreamData(content, QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
  }
  auto dict = stream.getDict();
  dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
  dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
  // Numbers given as text: qpdf's own formatting of a double costs more than the whole drawing.
  dict.replaceKey("/BBox", QPDFObjectHandle::newArray(std::vector<QPDFObjectHandle>{
                               QPDFObjectHandle::newInteger(0), QPDFObjectHandle::newInteger(0),
                               QPDFObjectHandle::newReal(Number(box.width)), QPDFObjectHandle::newReal(Number(box.height))}));
  dict.replaceKey("/Resources", resources.isDictionary() ? resources : QPDFObjectHandle::newDictionary());
  auto ap = QPDFObjectHandle::newDictionary();
  ap.replaceKey("/N", stream);
  widget.replaceKey("/AP", ap);
}

bool Rotated(QPDFObjectHandle widget) {
  auto r = widget.getKey("/MK").getKey("/R");
  return r.isInteger() && r.getIntValue() % 360 != 0;
}

// Helvetica's advances for ASCII, for the standard font forms name without /Widths.
constexpr short kHelveticaWidths[95] = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278, 556, 556, 556, 556,
    556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, 1015, 667, 667, 722, 722, 667, 611, 778,
    722, 278, 500, 667, 556, 833, 722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278,
    278, 278, 469, 556, 333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,
    556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584};

// Code points of UTF-8 text; a malformed sequence becomes U+FFFD.
std::u32string Decode(const std::string& utf8) {
  std::u32string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    char32_t v = extra == 0 ? c : extra == 1 ? c & 0x1F : extra == 2 ? c & 0x0F : c & 0x07;
    bool ok = extra >= 0 && i + static_cast<std::size_t>(extra) < utf8.size();
    for (int k = 1; ok && k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
      ok = (next & 0xC0) == 0x80;
      v = (v << 6) | (next & 0x3F);
    }
    out.push_back(ok ? v : 0xFFFD);
    i += ok ? static_cast<std::size_t>(extra) + 1 : 1;
  }
  return out;
}

// Scripts written right to left or whose letters change shape with their neighbours: drawn one
// glyph per character they would come out wrong, so such a value is left to the reader.
bool NeedsShaping(char32_t c) {
  return (c >= 0x0590 && c < 0x10A0) || (c >= 0x1780 && c < 0x18B0) || (c >= 0x1A00 && c < 0x1AB0) ||
         (c >= 0x1B00 && c < 0x1C50) || (c >= 0xA800 && c < 0xAAE0) || (c >= 0xFB1D && c < 0xFE00) ||
         (c >= 0xFE70 && c < 0xFF00);
}

// The fonts one appearance draws in: the field's own (font 0, when the form gives one) and, for
// what it cannot encode, the fallback faces (font 1 on), embedded in the document as used.
class AppearanceFonts {
public:
  AppearanceFonts(FormContext& form, const std::string& name, QPDFObjectHandle font) : form_(form) {
    if (font.isDictionary()) {
      own_ = font;
      ownName_ = name;
      encoding_ = EncodingOf(font);
      widths_ = font.getKey("/Widths");
      auto first = font.getKey("/FirstChar");
      firstChar_ = first.isInteger() ? first.getIntValue() : 0;
      auto base = font.getKey("/BaseFont");
      const std::string baseName = base.isName() ? base.getName() : std::string();
      helvetica_ = !widths_.isArray() && (baseName.find("Helvetica") != std::string::npos ||
                                          baseName.find("Arial") != std::string::npos);
      if (baseName.find("Courier") != std::string::npos) {
        missing_ = 600;
      }
      auto descriptor = font.getKey("/FontDescriptor");
      if (descriptor.isDictionary() && descriptor.getKey("/MissingWidth").isNumber() && widths_.isArray()) {
        missing_ = descriptor.getKey("/MissingWidth").getNumericValue();
      }
    }
  }

  // The text as glyphs: all in the field's font when it encodes all of it, else all in the
  // fallback faces so one value keeps one look. False when some character has no glyph anywhere.
  bool Shape(const std::string& utf8, bool keepBreaks, GlyphLine& out) {
    // Breaks (CR LF, CR, LF) become one '\n', or a space on a single line; tabs a space; other
    // control characters have nothing to show.
    std::string text;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
      const char c = utf8[i];
      if (c == '\r' || c == '\n') {
        if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') {
          ++i;
        }
        text += keepBreaks ? '\n' : ' ';
      } else if (c == '\t') {
        text += ' ';
      } else if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
        text += c;
      }
    }
    out.clear();
    if (own_.isDictionary() && ShapeOwn(text, out)) {
      return true;
    }
    out.clear();
    const auto& fallback = FallbackFonts::Get();
    for (char32_t c : Decode(text)) {
      if (c == '\n' || c == 0x2028 || c == 0x2029) {
        out.push_back(Glyph{keepBreaks ? U'\n' : U' ', -1, 0, 0});
        continue;
      }
      unsigned glyph = 0;
      const FallbackFace* face = NeedsShaping(c) ? nullptr : fallback.Covering(c, glyph);
      if (face == nullptr) {
        return false;
      }
      out.push_back(Glyph{c, FaceIndex(*face), glyph, face->Advance(glyph)});
    }
    return true;
  }

  // Text-showing operators for a line, switching fonts as its glyphs do.
  std::string Show(const GlyphLine& line, double size) {
    std::string out;
    int current = -2;
    std::string pending;
    auto flush = [&] {
      if (!pending.empty()) {
        out += (current == 0 ? PdfString(pending) : "<" + pending + ">") + " Tj\n";
        pending.clear();
      }
    };
    for (const auto& g : line) {
      if (g.font != current) {
        flush();
        current = g.font;
        out += ResourceName(current) + " " + Number(size) + " Tf\n";
      }
      if (current == 0) {
        pending += static_cast<char>(g.code);
      } else {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%04X", Embedded().Code(*faces_[static_cast<std::size_t>(current - 1)], g.code, g.text));
        pending += hex;
      }
    }
    flush();
    return out;
  }

  // The /Font resources of the fonts the drawn lines used.
  QPDFObjectHandle Resources() {
    auto fonts = QPDFObjectHandle::newDictionary();
    for (int font : used_) {
      fonts.replaceKey(ResourceName(font), font == 0 ? own_ : Embedded().Font(*faces_[static_cast<std::size_t>(font - 1)]));
    }
    auto resources = QPDFObjectHandle::newDictionary();
    resources.replaceKey("/Font", fonts);
    return resources;
  }

  void MarkUsed(const GlyphLine& line) {
    for (const auto& g : line) {
      if (g.font >= 0) {
        used_.insert(g.font);
      }
    }
  }

private:
  bool ShapeOwn(const std::string& text, GlyphLine& out) {
    // One line at a time, so a break never reaches the encoder.
    std::size_t start = 0;
    while (start <= text.size()) {
      auto end = text.find('\n', start);
      if (end == std::string::npos) {
        end = text.size();
      }
      std::string bytes;
      if (end > start && !Encode(encoding_, text.substr(start, end - start), bytes)) {
        return false;
      }
      for (unsigned char b : bytes) {
        out.push_back(Glyph{b, 0, b, OwnWidth(b)});
      }
      if (end < text.size()) {
        out.push_back(Glyph{'\n', -1, 0, 0});
      }
      start = end + 1;
    }
    return true;
  }

  double OwnWidth(unsigned char c) {
    if (widths_.isArray()) {
      const long long index = static_cast<long long>(c) - firstChar_;
      if (index >= 0 && index < widths_.getArrayNItems()) {
        auto w = widths_.getArrayItem(static_cast<int>(index));
        if (w.isNumber()) {
          return w.getNumericValue();
        }
      }
      return missing_;
    }
    if (helvetica_) {
      return c >= 32 && c < 127 ? kHelveticaWidths[c - 32] : 556;
    }
    return missing_;
  }

  int FaceIndex(const FallbackFace& face) {
    for (std::size_t i = 0; i < faces_.size(); ++i) {
      if (faces_[i] == &face) {
        return static_cast<int>(i) + 1;
      }
    }
    faces_.push_back(&face);
    return static_cast<int>(faces_.size());
  }

  EmbeddedFonts& Embedded() {
    if (!form_.embeddedFonts) {
      form_.embeddedFonts = std::make_shared<EmbeddedFonts>(form_.pdf);
    }
    return *form_.embeddedFonts;
  }

  std::string ResourceName(int font) {
    return font == 0 ? ownName_ : Embedded().ResourceName(*faces_[static_cast<std::size_t>(font - 1)]);
  }

  FormContext& form_;
  QPDFObjectHandle own_;
  std::string ownName_;
  FontEncoding encoding_;
  QPDFObjectHandle widths_;
  long long firstChar_ = 0;
  double missing_ = 520;
  bool helvetica_ = false;
  std::vector<const FallbackFace*> faces_;
  std::set<int> used_;
};

double Quadding(FormContext& form, const FormField& field) {
  auto q = field.node().getKey("/Q");
  if (!q.isInteger()) {
    q = form.acroForm.getKey("/Q");
  }
  return q.isInteger() ? static_cast<double>(q.getIntValue()) : 0;
}

// Left edge of a line of `width` in a box from `inset` to `right`, by the field's quadding.
double AlignedX(double q, double inset, double right, double width) {
  if (q == 1) {
    return std::max(inset, (inset + right - width) / 2);
  }
  if (q == 2) {
    return std::max(inset, right - width);
  }
  return inset;
}

// One line's auto size: the default, no taller than the box allows, shrunk until `units`
// (thousandths of the size) fit `width`.
double Fitted(double innerHeight, double units, double width) {
  double size = std::min(kDefaultAutoSize, std::max(kMinimumAutoSize, (innerHeight - 2) * 0.7));
  if (units > 0) {
    size = std::max(kMinimumAutoSize, std::min(size, width * 1000.0 / units));
  }
  return size;
}

constexpr double kLeading = 1.15;   // line pitch in font sizes
constexpr double kAscent = 0.8;     // first baseline below the top, in font sizes

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
    da = DefaultAppearance{"/QFb", 0, "0 g "};
  }
  auto dr = DefaultResources(form, field);
  auto font = dr.isDictionary() ? dr.getKey("/Font").getKey(da.fontName) : QPDFObjectHandle::newNull();
  AppearanceFonts fonts(form, da.fontName, font);
  std::vector<GlyphLine> shaped(content.lines.size());
  for (std::size_t i = 0; i < content.lines.size(); ++i) {
    if (!fonts.Shape(content.lines[i], content.multiline, shaped[i])) {
      return false;
    }
  }

  double border = 0;
  std::string out = Frame(widget, box, border);
  const double inset = border + kPadding;
  const double right = box.width - inset;
  const double innerWidth = std::max(0.0, box.width - 2 * inset);
  const double innerHeight = std::max(0.0, box.height - 2 * border);
  const double q = Quadding(form, field);
  out += "/Tx BMC\nq\n" + Number(border) + " " + Number(border) + " " + Number(box.width - 2 * border) + " " +
         Number(box.height - 2 * border) + " re W n\n";
  auto showLine = [&](const GlyphLine& line, double x, double y, double size) {
    fonts.MarkUsed(line);
    out += "BT\n" + da.colorOps + "\n" + Number(x) + " " + Number(y) + " Td\n" + fonts.Show(line, size) + "ET\n";
  };

  if (content.listBox) {
    const double size = da.size > 0 ? da.size : kDefaultAutoSize;
    const double lineHeight = size * kLeading;
    for (std::size_t i = 0; i < shaped.size(); ++i) {
      const double top = box.height - border - 1 - static_cast<double>(i) * lineHeight;
      if (top - lineHeight < border - lineHeight) {
        break;
      }
      if (i < content.selected.size() && content.selected[i]) {
        out += "0.6 0.75 0.85 rg\n" + Number(border) + " " + Number(top - lineHeight) + " " +
               Number(box.width - 2 * border) + " " + Number(lineHeight) + " re f\n";
      }
      showLine(shaped[i], inset, top - lineHeight + 0.25 * size, size);
    }
  } else if (!shaped.empty() && content.multiline) {
    const double usable = innerHeight - 2 * kPadding;
    auto wrap = [&](double size) { return WrapLines(shaped.front(), innerWidth * 1000.0 / size); };
    // Auto size: from the default down in half points until the wrapped lines fit the height.
    double size = da.size;
    if (size <= 0) {
      size = kDefaultAutoSize;
      while (size > kMinimumAutoSize &&
             (static_cast<double>(wrap(size).size()) - 1) * size * kLeading + size * (kAscent + 0.25) > usable) {
        size -= 0.5;
      }
    }
    const auto lines = wrap(size);
    double baseline = box.height - border - kPadding - kAscent * size;
    for (const auto& line : lines) {
      if (baseline < border - size) {
        break;
      }
      if (!line.empty()) {
        showLine(line, AlignedX(q, inset, right, LineWidth(line) * size / 1000.0), baseline, size);
      }
      baseline -= size * kLeading;
    }
  } else if (!shaped.empty() && content.combCells > 0 && !shaped.front().empty()) {
    // Each character centred in its cell; what does not fit in the cells is not shown.
    const double cell = box.width / content.combCells;
    GlyphLine text = shaped.front();
    if (text.size() > static_cast<std::size_t>(content.combCells)) {
      text.resize(static_cast<std::size_t>(content.combCells));
    }
    double widest = 0;
    for (const auto& g : text) {
      widest = std::max(widest, g.width);
    }
    const double size = da.size > 0 ? da.size : Fitted(innerHeight, widest, cell);
    const double y = (box.height - size) / 2 + 0.22 * size;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const double x = static_cast<double>(i) * cell + (cell - text[i].width * size / 1000.0) / 2;
      showLine(GlyphLine{text[i]}, x, y, size);
    }
  } else if (!shaped.empty() && !shaped.front().empty()) {
    const GlyphLine& line = shaped.front();
    const double units = LineWidth(line);
    const double size = da.size > 0 ? da.size : Fitted(innerHeight, units, innerWidth);
    const double y = (box.height - size) / 2 + 0.22 * size;
    showLine(line, AlignedX(q, inset, right, units * size / 1000.0), y, size);
  }
  out += "Q\nEMC\n";
  Install(form, widget, box, out, fonts.Resources());
  return true;
}

} // namespace quorin::pdfview
