#include "platform/pdfview/EmbeddedFonts.h"

#include <cstdio>
#include <stdexcept>
#include <vector>

#include <qpdf/Pipeline.hh>

namespace quorin::pdfview {

// The glyphs one document draws in one face. Codes are given out in order of first use, so an
// appearance drawn early keeps its codes when later ones add glyphs; the font program and the
// code-to-glyph map are made together from the final set when the document is written.
struct EmbeddedFonts::Subset {
  explicit Subset(const FallbackFace& f) : face(f) {}

  const FallbackFace& face;
  std::map<unsigned, unsigned> codeOfGlyph;
  std::vector<unsigned> glyphOfCode{0};
  std::vector<char32_t> textOfCode{0};

  std::size_t builtFor = 0;
  std::string program;
  std::string codeToGlyph;

  void Build() {
    if (builtFor == glyphOfCode.size()) {
      return;
    }
    const auto& libs = face.libs();
    hb_subset_input_t* input = libs.hb_subset_input_create_or_fail();
    if (input == nullptr) {
      throw std::runtime_error("the fallback font " + face.baseName() + " cannot be subset");
    }
    hb_set_t* glyphs = libs.hb_subset_input_glyph_set(input);
    hb_set_t* unicodes = libs.hb_subset_input_unicode_set(input);
    for (std::size_t code = 0; code < glyphOfCode.size(); ++code) {
      libs.hb_set_add(glyphs, glyphOfCode[code]);
      if (code > 0) {
        libs.hb_set_add(unicodes, textOfCode[code]);
      }
    }
    // Layout tables serve shaping, which an appearance's fixed glyphs do not need; dropping them
    // also keeps their closure (ligatures, alternates) out of the subset.
    hb_set_t* drop = libs.hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (auto tag : {HB_TAG('G', 'S', 'U', 'B'), HB_TAG('G', 'P', 'O', 'S'), HB_TAG('G', 'D', 'E', 'F'),
                     HB_TAG('k', 'e', 'r', 'n'), HB_TAG('B', 'A', 'S', 'E'), HB_TAG('J', 'S', 'T', 'F'),
                     HB_TAG('M', 'A', 'T', 'H'), HB_TAG('v', 'h', 'e', 'a'), HB_TAG('v', 'm', 't', 'x')}) {
      libs.hb_set_add(drop, tag);
    }
    libs.hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_NO_HINTING);
    hb_subset_plan_t* plan = libs.hb_subset_plan_create_or_fail(face.face(), input);
    libs.hb_subset_input_destroy(input);
    hb_face_t* subset = plan != nullptr ? libs.hb_subset_plan_execute_or_fail(plan) : nullptr;
    if (subset == nullptr) {
      if (plan != nullptr) {
        libs.hb_subset_plan_destroy(plan);
      }
      throw std::runtime_error("the fallback font " + face.baseName() + " cannot be subset");
    }
    const hb_map_t* newGlyph = libs.hb_subset_plan_old_to_new_glyph_mapping(plan);
    codeToGlyph.clear();
    for (unsigned old : glyphOfCode) {
      const hb_codepoint_t g = libs.hb_map_get(newGlyph, old);
      const unsigned gid = g == HB_MAP_VALUE_INVALID ? 0 : g;
      codeToGlyph += static_cast<char>(gid >> 8);
      codeToGlyph += static_cast<char>(gid & 0xFF);
    }
    hb_blob_t* blob = libs.hb_face_reference_blob(subset);
    unsigned length = 0;
    const char* data = libs.hb_blob_get_data(blob, &length);
    program.assign(data, length);
    libs.hb_blob_destroy(blob);
    libs.hb_face_destroy(subset);
    libs.hb_subset_plan_destroy(plan);
    builtFor = glyphOfCode.size();
  }

  std::string ToUnicode() const {
    std::string out =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    // At most 100 entries a block, as CMap readers require.
    for (std::size_t first = 1; first < textOfCode.size(); first += 100) {
      const std::size_t last = std::min(textOfCode.size(), first + 100);
      out += std::to_string(last - first) + " beginbfchar\n";
      for (std::size_t code = first; code < last; ++code) {
        char buffer[40];
        const char32_t c = textOfCode[code];
        if (c > 0xFFFF) {
          const char32_t v = c - 0x10000;
          std::snprintf(buffer, sizeof buffer, "<%04zX> <%04X%04X>\n", code, static_cast<unsigned>(0xD800 + (v >> 10)),
                        static_cast<unsigned>(0xDC00 + (v & 0x3FF)));
        } else {
          std::snprintf(buffer, sizeof buffer, "<%04zX> <%04X>\n", code, static_cast<unsigned>(c));
        }
        out += buffer;
      }
      out += "endbfchar\n";
    }
    return out + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
  }
};

namespace {

void Write(Pipeline* pipeline, const std::string& data) {
  pipeline->write(reinterpret_cast<const unsigned char*>(data.data()), data.size());
  pipeline->finish();
}

} // namespace

EmbeddedFonts::Entry& EmbeddedFonts::For(const FallbackFace& face) {
  auto it = fonts_.find(&face);
  if (it != fonts_.end()) {
    return it->second;
  }
  Entry entry;
  entry.subset = std::make_shared<Subset>(face);
  // Subset fonts carry a six-letter tag; one per face of this document.
  const std::string tag = std::string("QRNFB") + static_cast<char>('A' + fonts_.size() % 26);
  entry.name = "/QFb" + std::to_string(fonts_.size());
  const auto name = QPDFObjectHandle::newName("/" + tag + "+" + face.baseName());

  entry.program = QPDFObjectHandle::newStream(&pdf_);
  entry.codeToGlyph = QPDFObjectHandle::newStream(&pdf_);
  entry.toUnicode = QPDFObjectHandle::newStream(&pdf_);
  Provide(entry);

  const auto& box = face.bbox();
  auto descriptor = QPDFObjectHandle::parse(
      "<< /Type /FontDescriptor /Flags 32 /ItalicAngle 0 /StemV 80 >>");
  descriptor.replaceKey("/FontName", name);
  descriptor.replaceKey("/FontBBox", QPDFObjectHandle::newArray(QPDFObjectHandle::Rectangle(box[0], box[1], box[2], box[3])));
  descriptor.replaceKey("/Ascent", QPDFObjectHandle::newReal(face.ascent(), 0));
  descriptor.replaceKey("/Descent", QPDFObjectHandle::newReal(face.descent(), 0));
  descriptor.replaceKey("/CapHeight", QPDFObjectHandle::newReal(face.ascent(), 0));
  descriptor.replaceKey("/FontFile2", entry.program);

  entry.cidFont = pdf_.makeIndirectObject(QPDFObjectHandle::parse(
      "<< /Type /Font /Subtype /CIDFontType2 /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) "
      "/Supplement 0 >> /DW 1000 /W [] >>"));
  entry.cidFont.replaceKey("/BaseFont", name);
  entry.cidFont.replaceKey("/FontDescriptor", pdf_.makeIndirectObject(descriptor));
  entry.cidFont.replaceKey("/CIDToGIDMap", entry.codeToGlyph);

  entry.font = pdf_.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type0 /Encoding /Identity-H >>"));
  entry.font.replaceKey("/BaseFont", name);
  entry.font.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray(std::vector<QPDFObjectHandle>{entry.cidFont}));
  entry.font.replaceKey("/ToUnicode", entry.toUnicode);
  return fonts_.emplace(&face, std::move(entry)).first->second;
}

// The streams that depend on the glyph set are made when written. They are given anew whenever the
// set grows: qpdf holds a provider to the length it gave at an earlier save.
void EmbeddedFonts::Provide(Entry& entry) {
  auto subset = entry.subset;
  QPDF* pdf = &pdf_;
  const QPDFObjGen programId = entry.program.getObjGen();
  entry.program.replaceStreamData(
      [subset, pdf, programId](Pipeline* p) {
        subset->Build();
        // Known only now; the writer writes a stream's dictionary after its data.
        pdf->getObject(programId).getDict().replaceKey(
            "/Length1", QPDFObjectHandle::newInteger(static_cast<long long>(subset->program.size())));
        Write(p, subset->program);
      },
      QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
  entry.codeToGlyph.replaceStreamData(
      [subset](Pipeline* p) {
        subset->Build();
        Write(p, subset->codeToGlyph);
      },
      QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
  entry.toUnicode.replaceStreamData([subset](Pipeline* p) { Write(p, subset->ToUnicode()); },
                                    QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
}

unsigned EmbeddedFonts::Code(const FallbackFace& face, unsigned glyph, char32_t text) {
  auto& entry = For(face);
  auto& subset = *entry.subset;
  const auto known = subset.codeOfGlyph.find(glyph);
  if (known != subset.codeOfGlyph.end()) {
    return known->second;
  }
  const auto code = static_cast<unsigned>(subset.glyphOfCode.size());
  subset.codeOfGlyph.emplace(glyph, code);
  subset.glyphOfCode.push_back(glyph);
  subset.textOfCode.push_back(text);
  // Codes run from 1 without gaps: one run of widths covers them all.
  auto widths = entry.cidFont.getKey("/W");
  if (widths.getArrayNItems() == 0) {
    widths.appendItem(QPDFObjectHandle::newInteger(1));
    widths.appendItem(QPDFObjectHandle::newArray());
  }
  widths.getArrayItem(1).appendItem(QPDFObjectHandle::newReal(face.Advance(glyph), 1));
  Provide(entry);
  return code;
}

QPDFObjectHandle EmbeddedFonts::Font(const FallbackFace& face) { return For(face).font; }

std::string EmbeddedFonts::ResourceName(const FallbackFace& face) { return For(face).name; }

} // namespace quorin::pdfview
