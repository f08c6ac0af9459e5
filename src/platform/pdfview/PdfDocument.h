#pragma once
// One open PDF document of the viewer control: the qpdf object, its form fields in document order,
// its own JavaScript heap with the document as the global object, and the safe save.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <qpdf/QPDF.hh>

#include "platform/pdfview/FormField.h"
#include "platform/pdfview/ScriptHeap.h"
#include "platform/pdfview/ViewerResult.h"

namespace quorin::pdfview {

struct OpenOptions {
  // true: the whole file is read at open and the file is not held open; false: read as needed.
  bool readWhole = true;
  ScriptLimits limits;
};

class PdfDocument {
public:
  ~PdfDocument();
  PdfDocument(const PdfDocument&) = delete;
  PdfDocument& operator=(const PdfDocument&) = delete;

  // `path` is a native path. Fails with FileNotFound, NotAPdf, DamagedPdf (what cannot be
  // repaired) or WrongPassword.
  static ViewerStatus Open(const std::string& path, const std::string& password, const OpenOptions& options,
                           std::unique_ptr<PdfDocument>& out);
  // The same from bytes in memory (`description` names them in messages).
  static ViewerStatus OpenBytes(std::string bytes, const std::string& description, const std::string& password,
                                const OpenOptions& options, std::unique_ptr<PdfDocument>& out);

  // Runs a script with this document as `this`; `result` is its last expression's value as text.
  ViewerStatus RunScript(std::string_view script, std::string& result);

  // Writes the whole document to `path` through a temporary file in the same folder that is flushed
  // and renamed over the destination; a failure leaves the destination as it was and no temporary
  // file behind. `replace` false refuses an existing destination. A repaired document that lost a
  // page or a field, or whose data cannot be read in full, is not saved.
  ViewerStatus Save(const std::string& path, bool replace);

  // What qpdf had to repair to read a damaged file, one text each; empty for a sound file.
  const std::vector<std::string>& repairs() const { return repairs_; }
  const std::string& path() const { return path_; }
  std::size_t fieldCount() const { return fields_.size(); }
  FormField& field(std::size_t index) { return fields_[index]; }
  // Exact fully qualified name; null when there is none.
  FormField* FindField(std::string_view name);
  FormContext& form() { return *form_; }
  QPDF& pdf() { return *pdf_; }

private:
  PdfDocument() = default;
  static ViewerStatus Load(std::unique_ptr<PdfDocument>& doc, const std::string& password,
                           const std::string& description, const OpenOptions& options);
  // Returns how many entries of the field tree are not fields that can be read.
  std::size_t CollectFields();

  std::string path_;
  std::string bytes_;   // the whole file when read at open; qpdf reads from it
  std::unique_ptr<QPDF> pdf_;
  std::unique_ptr<FormContext> form_;
  std::vector<FormField> fields_;
  std::vector<std::string> repairs_;
  std::string losses_;   // what the repair could not read ("page 2"); a save refuses to drop it
  std::vector<QPDFObjectHandle> filteredStreams_;   // the file's streams with filters, checked at save
  std::unique_ptr<ScriptHeap> heap_;
};

// Installs the document object model on the heap's global object (DocumentScript.cpp).
void BindDocumentScript(duk_context* ctx, PdfDocument& document);

} // namespace quorin::pdfview
