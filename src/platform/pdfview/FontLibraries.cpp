#include "platform/pdfview/FontLibraries.h"

#include <dlfcn.h>

namespace quorin::pdfview {
namespace {

// The handles stay open for the life of the process: faces and plans made from them are cached.
bool Resolve(void* handle, const char* name, void*& out) {
  out = handle != nullptr ? ::dlsym(handle, name) : nullptr;
  return out != nullptr;
}

template <typename F>
bool Bind(void* handle, const char* name, F& slot) {
  void* symbol = nullptr;
  if (!Resolve(handle, name, symbol)) {
    return false;
  }
  slot = reinterpret_cast<F>(symbol);
  return true;
}

FontLibraries Load() {
  FontLibraries libs;
  void* harfbuzz = ::dlopen("libharfbuzz.so.0", RTLD_NOW | RTLD_LOCAL);
  void* subset = ::dlopen("libharfbuzz-subset.so.0", RTLD_NOW | RTLD_LOCAL);
  bool ok = true;
#define QUORIN_BIND(name) ok = Bind(harfbuzz, #name, libs.name) && ok;
  QUORIN_HARFBUZZ_FUNCTIONS(QUORIN_BIND)
#undef QUORIN_BIND
#define QUORIN_BIND(name) ok = Bind(subset, #name, libs.name) && ok;
  QUORIN_SUBSET_FUNCTIONS(QUORIN_BIND)
#undef QUORIN_BIND
  if (!ok) {
    return FontLibraries{};
  }
  void* fontconfig = ::dlopen("libfontconfig.so.1", RTLD_NOW | RTLD_LOCAL);
  bool fc = fontconfig != nullptr;
#define QUORIN_BIND(name) fc = Bind(fontconfig, #name, libs.name) && fc;
  QUORIN_FONTCONFIG_FUNCTIONS(QUORIN_BIND)
#undef QUORIN_BIND
  libs.haveFontconfig = fc;
  return libs;
}

} // namespace

const FontLibraries* FontLibraries::Get() {
  static const FontLibraries libs = Load();
  return libs.hb_face_create != nullptr ? &libs : nullptr;
}

} // namespace quorin::pdfview
