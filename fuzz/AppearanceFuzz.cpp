// Draws arbitrary bytes as the value of a single-line, an auto-sized multiline and a comb field,
// each in a font of its own encoding, then saves (which subsets the fallback fonts used): nothing
// may crash or leak, whatever the text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "platform/pdfview/PdfDocument.h"

using namespace quorin::pdfview;
using Handle = QPDFObjectHandle;

namespace {

std::string Form() {
  QPDF pdf;
  pdf.emptyPDF();
  auto page = pdf.makeIndirectObject(Handle::parse("<< /Type /Page /MediaBox [0 0 612 792] >>"));
  QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(page), false);
  page = pdf.getAllPages().front();
  const char* const fields[] = {
      "<< /T (Line) /FT /Tx /Rect [10 700 300 720] /DA (/Helv 0 Tf 0 g) /Q 1 >>",
      "<< /T (Notes) /FT /Tx /Ff 4096 /Rect [10 500 200 690] /DA (/Helv 0 Tf 0 g) >>",
      "<< /T (Code) /FT /Tx /Ff 16777216 /MaxLen 7 /Rect [10 470 150 490] /DA (/Cour 11 Tf 0 g) >>",
  };
  auto array = Handle::newArray();
  auto annots = Handle::newArray();
  for (const char* text : fields) {
    auto field = pdf.makeIndirectObject(Handle::parse(text));
    field.replaceKey("/Type", Handle::newName("/Annot"));
    field.replaceKey("/Subtype", Handle::newName("/Widget"));
    field.replaceKey("/P", page);
    array.appendItem(field);
    annots.appendItem(field);
  }
  page.replaceKey("/Annots", annots);
  auto acro = Handle::parse(
      "<< /DR << /Font << /Helv << /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"
      " /Cour << /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding /MacRomanEncoding >> >> >> >>");
  acro.replaceKey("/Fields", array);
  pdf.getRoot().replaceKey("/AcroForm", pdf.makeIndirectObject(acro));
  QPDFWriter writer(pdf);
  writer.setOutputMemory();
  writer.write();
  auto buffer = writer.getBufferSharedPointer();
  return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string form = Form();
  static const std::string out = "/tmp/fuzz-appearance-" + std::to_string(::getpid()) + ".pdf";
  std::unique_ptr<PdfDocument> doc;
  if (!PdfDocument::OpenBytes(form, "fuzz form", "", OpenOptions{}, doc).ok()) {
    std::abort();
  }
  const std::string value(reinterpret_cast<const char*>(data), size);
  for (std::size_t i = 0; i < doc->fieldCount(); ++i) {
    doc->field(i).SetValue(doc->form(), {value});
  }
  doc->Save(out, true);
  std::remove(out.c_str());
  return 0;
}
