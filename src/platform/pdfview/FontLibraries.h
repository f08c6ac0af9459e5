#pragma once
// HarfBuzz (with its subsetter) and fontconfig, loaded on the first value that needs a fallback
// font. A fill in the form's own fonts never pays for loading them, nor for their dependencies.
#include <fontconfig/fontconfig.h>
#include <hb-subset.h>
#include <hb.h>

namespace quorin::pdfview {

#define QUORIN_HARFBUZZ_FUNCTIONS(X)                                                                   \
  X(hb_blob_create_from_file) X(hb_blob_destroy) X(hb_blob_get_data) X(hb_face_create)              \
  X(hb_face_destroy) X(hb_face_get_upem) X(hb_face_reference_table) X(hb_face_reference_blob)       \
  X(hb_font_create) X(hb_font_destroy) X(hb_font_get_nominal_glyph) X(hb_font_get_glyph_h_advance) \
  X(hb_font_get_h_extents) X(hb_font_set_scale) X(hb_set_add) X(hb_map_get)
#define QUORIN_SUBSET_FUNCTIONS(X)                                                                     \
  X(hb_subset_input_create_or_fail) X(hb_subset_input_destroy) X(hb_subset_input_glyph_set)         \
  X(hb_subset_input_unicode_set)                                                                     \
  X(hb_subset_input_set) X(hb_subset_input_set_flags) X(hb_subset_plan_create_or_fail)              \
  X(hb_subset_plan_execute_or_fail) X(hb_subset_plan_destroy) X(hb_subset_plan_old_to_new_glyph_mapping)
#define QUORIN_FONTCONFIG_FUNCTIONS(X)                                                                 \
  X(FcInitLoadConfigAndFonts) X(FcConfigDestroy) X(FcNameParse) X(FcConfigSubstitute) X(FcDefaultSubstitute) X(FcFontMatch) X(FcPatternGetString)  \
  X(FcPatternGetInteger) X(FcPatternDestroy)

struct FontLibraries {
#define QUORIN_DECLARE(name) decltype(&::name) name = nullptr;
  QUORIN_HARFBUZZ_FUNCTIONS(QUORIN_DECLARE)
  QUORIN_SUBSET_FUNCTIONS(QUORIN_DECLARE)
  QUORIN_FONTCONFIG_FUNCTIONS(QUORIN_DECLARE)
#undef QUORIN_DECLARE
  bool haveFontconfig = false;   // without it the packages' usual font paths are tried

  // Null when HarfBuzz or its subsetter cannot be loaded; loaded once per process.
  static const FontLibraries* Get();
};

} // namespace quorin::pdfview
