#pragma once
// The fonts that draw what a field's own font cannot encode: DejaVu Sans for Latin, Greek and
// Cyrillic, then Droid Sans Fallback for Chinese, Japanese and Korean, found through fontconfig
// where it is present. Loaded once per process, on first need.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/pdfview/FontLibraries.h"

namespace quorin::pdfview {

// One TrueType face; metrics in thousandths of the font size, as PDF font dictionaries give them.
class FallbackFace {
public:
  // Null when the file is no TrueType (glyf) font HarfBuzz can read.
  static std::unique_ptr<FallbackFace> Load(const FontLibraries& libs, const std::string& path, unsigned index);
  ~FallbackFace();
  FallbackFace(const FallbackFace&) = delete;
  FallbackFace& operator=(const FallbackFace&) = delete;

  bool GlyphOf(char32_t c, unsigned& glyph) const;
  double Advance(unsigned glyph) const;

  const FontLibraries& libs() const { return libs_; }
  hb_face_t* face() const { return face_; }
  const std::string& path() const { return path_; }
  // The PostScript-style name the embedded subset is called by (no tag).
  const std::string& baseName() const { return baseName_; }
  double ascent() const { return ascent_; }
  double descent() const { return descent_; }
  const std::array<double, 4>& bbox() const { return bbox_; }

private:
  explicit FallbackFace(const FontLibraries& libs) : libs_(libs) {}

  const FontLibraries& libs_;
  std::string path_;
  std::string baseName_;
  hb_face_t* face_ = nullptr;
  hb_font_t* font_ = nullptr;
  double scale_ = 1;   // font units to thousandths of an em
  double ascent_ = 800;
  double descent_ = -200;
  std::array<double, 4> bbox_{0, -200, 1000, 800};
};

class FallbackFonts {
public:
  // The process's list, in the order they are tried; empty when none can be loaded.
  static const FallbackFonts& Get();
  // The first face with a glyph for `c`, or null.
  const FallbackFace* Covering(char32_t c, unsigned& glyph) const;
  bool empty() const { return faces_.empty(); }

private:
  std::vector<std::unique_ptr<FallbackFace>> faces_;
};

} // namespace quorin::pdfview
