#pragma once
// The fallback fonts a document's appearances use, embedded once per document as CID fonts
// (Type0 / CIDFontType2, Identity-H) with widths and a ToUnicode map, so the drawn text can be
// searched and copied out. Each font program is a subset of the glyphs drawn, made when the
// document is written, so it holds exactly what the saved appearances show.
#include <map>
#include <memory>
#include <string>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include "platform/pdfview/FallbackFonts.h"

namespace quorin::pdfview {

class EmbeddedFonts {
public:
  explicit EmbeddedFonts(QPDF& pdf) : pdf_(pdf) {}

  // The code (a CID, two bytes) that shows `glyph` of `face`, which stands for `text`.
  unsigned Code(const FallbackFace& face, unsigned glyph, char32_t text);
  // The face's Type0 font and the name appearances give it in their resources.
  QPDFObjectHandle Font(const FallbackFace& face);
  std::string ResourceName(const FallbackFace& face);

  struct Subset;

private:
  struct Entry {
    std::shared_ptr<Subset> subset;
    QPDFObjectHandle font;
    QPDFObjectHandle cidFont;
    QPDFObjectHandle program;
    QPDFObjectHandle codeToGlyph;
    QPDFObjectHandle toUnicode;
    std::string name;
  };
  Entry& For(const FallbackFace& face);
  void Provide(Entry& entry);

  QPDF& pdf_;
  std::map<const FallbackFace*, Entry> fonts_;
};

} // namespace quorin::pdfview
