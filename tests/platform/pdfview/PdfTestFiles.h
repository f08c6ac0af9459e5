#pragma once
// Files the viewer tests make: a scratch folder, PDFs derived from the sample form, reading fields
// back with qpdf.
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "platform/pdfview/FillScript.h"

namespace quorin::pdfview::testing {

class ScratchFolder {
public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pdfview-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

private:
  std::filesystem::path path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Field name -> value as an independent reader sees it (/V as text; names without the slash).
inline std::map<std::string, std::string> ReadFields(const std::string& path) {
  QPDF pdf;
  pdf.processFile(path.c_str());
  QPDFAcroFormDocumentHelper acro(pdf);
  std::map<std::string, std::string> out;
  for (auto& f : acro.getFormFields()) {
    auto v = f.getValue();
    out[f.getFullyQualifiedName()] = v.isName() ? v.getName().substr(1) : f.getValueAsString();
  }
  return out;
}

// The sample form encrypted with a user password.
inline void WriteEncryptedCopy(const std::string& from, const std::string& to, const std::string& password) {
  QPDF pdf;
  pdf.processFile(from.c_str());
  QPDFWriter w(pdf, to.c_str());
  w.setR6EncryptionParameters(password.c_str(), "owner-secret", true, true, true, true, true, true,
                              qpdf_r3p_full, true);
  w.write();
}

} // namespace quorin::pdfview::testing
