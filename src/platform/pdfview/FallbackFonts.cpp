#include "platform/pdfview/FallbackFonts.h"

#include <cctype>
#include <utility>
#include <vector>

namespace quorin::pdfview {
namespace {

struct Wanted {
  const char* family;
  const char* packagePath;   // where the Debian package puts it, for a system without fontconfig
};

const Wanted kWanted[] = {
    {"DejaVu Sans", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"},
    {"Droid Sans Fallback", "/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf"},
};

// fontconfig's best match for the family; that may be a substitute, which serves as long as it
// is a TrueType font and covers the text.
bool Match(const FontLibraries& libs, FcConfig* config, const char* family, std::string& path, unsigned& index) {
  FcPattern* pattern = libs.FcNameParse(reinterpret_cast<const FcChar8*>(family));
  if (pattern == nullptr) {
    return false;
  }
  libs.FcConfigSubstitute(config, pattern, FcMatchPattern);
  libs.FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = libs.FcFontMatch(config, pattern, &result);
  libs.FcPatternDestroy(pattern);
  if (match == nullptr) {
    return false;
  }
  FcChar8* file = nullptr;
  int i = 0;
  const bool found = libs.FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
  if (found) {
    path = reinterpret_cast<const char*>(file);
    index = libs.FcPatternGetInteger(match, FC_INDEX, 0, &i) == FcResultMatch && i > 0 ? static_cast<unsigned>(i) : 0;
  }
  libs.FcPatternDestroy(match);
  return found;
}

std::string NameFromPath(const std::string& path) {
  auto start = path.rfind('/');
  start = start == std::string::npos ? 0 : start + 1;
  auto end = path.rfind('.');
  if (end == std::string::npos || end < start) {
    end = path.size();
  }
  std::string name;
  for (char c : path.substr(start, end - start)) {
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '-') {
      name += c;
    }
  }
  return name.empty() ? "Fallback" : name;
}

int Int16At(const char* data, unsigned at) {
  const auto hi = static_cast<unsigned char>(data[at]);
  const auto lo = static_cast<unsigned char>(data[at + 1]);
  return static_cast<std::int16_t>((hi << 8) | lo);
}

} // namespace

std::unique_ptr<FallbackFace> FallbackFace::Load(const FontLibraries& libs, const std::string& path, unsigned index) {
  hb_blob_t* blob = libs.hb_blob_create_from_file(path.c_str());
  unsigned length = 0;
  libs.hb_blob_get_data(blob, &length);
  if (length == 0) {
    libs.hb_blob_destroy(blob);
    return nullptr;
  }
  std::unique_ptr<FallbackFace> out(new FallbackFace(libs));
  out->path_ = path;
  out->baseName_ = NameFromPath(path);
  out->face_ = libs.hb_face_create(blob, index);
  libs.hb_blob_destroy(blob);
  // Only TrueType outlines embed as the CIDFontType2 the appearance refers to.
  hb_blob_t* glyf = libs.hb_face_reference_table(out->face_, HB_TAG('g', 'l', 'y', 'f'));
  unsigned glyfLength = 0;
  libs.hb_blob_get_data(glyf, &glyfLength);
  libs.hb_blob_destroy(glyf);
  const unsigned upem = libs.hb_face_get_upem(out->face_);
  if (glyfLength == 0 || upem == 0) {
    return nullptr;
  }
  out->font_ = libs.hb_font_create(out->face_);
  libs.hb_font_set_scale(out->font_, static_cast<int>(upem), static_cast<int>(upem));
  out->scale_ = 1000.0 / upem;
  hb_font_extents_t extents{};
  if (libs.hb_font_get_h_extents(out->font_, &extents)) {
    out->ascent_ = extents.ascender * out->scale_;
    out->descent_ = extents.descender * out->scale_;
  }
  hb_blob_t* head = libs.hb_face_reference_table(out->face_, HB_TAG('h', 'e', 'a', 'd'));
  unsigned headLength = 0;
  const char* data = libs.hb_blob_get_data(head, &headLength);
  if (headLength >= 44) {
    for (unsigned i = 0; i < 4; ++i) {
      out->bbox_[i] = Int16At(data, 36 + 2 * i) * out->scale_;
    }
  }
  libs.hb_blob_destroy(head);
  return out;
}

FallbackFace::~FallbackFace() {
  if (font_ != nullptr) {
    libs_.hb_font_destroy(font_);
  }
  if (face_ != nullptr) {
    libs_.hb_face_destroy(face_);
  }
}

bool FallbackFace::GlyphOf(char32_t c, unsigned& glyph) const {
  hb_codepoint_t g = 0;
  if (!libs_.hb_font_get_nominal_glyph(font_, c, &g) || g == 0) {
    return false;
  }
  glyph = g;
  return true;
}

double FallbackFace::Advance(unsigned glyph) const { return libs_.hb_font_get_glyph_h_advance(font_, glyph) * scale_; }

const FallbackFonts& FallbackFonts::Get() {
  static const FallbackFonts fonts = [] {
    FallbackFonts out;
    const FontLibraries* libs = FontLibraries::Get();
    if (libs == nullptr) {
      return out;
    }
    // A configuration of our own, dropped once the faces are found: the program's toolkit may
    // share the library and its current configuration.
    FcConfig* config = libs->haveFontconfig ? libs->FcInitLoadConfigAndFonts() : nullptr;
    for (const auto& wanted : kWanted) {
      // fontconfig's answer first; where it has none, or only a face already taken (a stale
      // cache answers with a substitute), the package's own path.
      std::vector<std::pair<std::string, unsigned>> candidates;
      std::string path;
      unsigned index = 0;
      if (config != nullptr && Match(*libs, config, wanted.family, path, index)) {
        candidates.emplace_back(path, index);
      }
      candidates.emplace_back(wanted.packagePath, 0);
      for (const auto& [file, at] : candidates) {
        bool known = false;
        for (const auto& face : out.faces_) {
          known = known || face->path() == file;
        }
        if (!known) {
          if (auto face = FallbackFace::Load(*libs, file, at)) {
            out.faces_.push_back(std::move(face));
            break;
          }
        }
      }
    }
    if (config != nullptr) {
      libs->FcConfigDestroy(config);
    }
    return out;
  }();
  return fonts;
}

const FallbackFace* FallbackFonts::Covering(char32_t c, unsigned& glyph) const {
  for (const auto& face : faces_) {
    if (face->GlyphOf(c, glyph)) {
      return face.get();
    }
  }
  return nullptr;
}

} // namespace quorin::pdfview
