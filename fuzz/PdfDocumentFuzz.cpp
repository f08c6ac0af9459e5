// Opens arbitrary bytes as a document and, when that works, runs the fill script of the sample
// pairs and saves the result: nothing may crash or leak, whatever the bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

#include "platform/pdfview/FillScript.h"
#include "platform/pdfview/PdfDocument.h"

using namespace quorin::pdfview;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string script = testing::FillScript(testing::SamplePairs()) +
                                    " this.numFields > 0 ? this.getField(this.getNthFieldName(0)).value : ''";
  static const std::string out = "/tmp/fuzz-pdfview-" + std::to_string(::getpid()) + ".pdf";
  OpenOptions options;
  options.limits.time = std::chrono::milliseconds(200);
  options.limits.memoryBytes = 16u << 20;
  std::unique_ptr<PdfDocument> doc;
  if (!PdfDocument::OpenBytes(std::string(reinterpret_cast<const char*>(data), size), "fuzz input", "", options, doc)
           .ok()) {
    return 0;
  }
  std::string result;
  doc->RunScript(script, result);
  doc->Save(out, true);
  std::remove(out.c_str());
  return 0;
}
