// bench_pdfview_fill IN OUT: the "Save To Form" request's calls on the viewer control in one
// process (create, property, open, the 45 + 50 line fill script, save, close); exit 0 on success.
#include <cstdio>

#include "platform/com/Bstr.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/Variant.h"
#include "platform/pdfview/FillScript.h"
#include "platform/pdfview/PdfViewControl.h"

using namespace quorin;
using namespace quorin::com;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_pdfview_fill IN OUT\n");
    return 2;
  }
  pdfview::ViewerControlRegistration registration;
  pdfview::IPDFview* viewer = nullptr;
  if (CoCreateInstance(pdfview::CLSID_PDFview, nullptr, CLSCTX_INPROC_SERVER, pdfview::IID_IPDFview,
                       reinterpret_cast<void**>(&viewer)) != S_OK) {
    return 1;
  }
  VARIANT zero;
  VariantInit(&zero);
  zero.vt = VT_I4;
  zero.lVal = 0;
  BSTR property = BstrFromAnsi("Documents.UseStreamsDirectly");
  BSTR in = BstrFromAnsi(argv[1]);
  BSTR out = BstrFromAnsi(argv[2]);
  BSTR password = BstrFromAnsi("");
  BSTR script = BstrFromAnsi(pdfview::testing::FillScript(pdfview::testing::SamplePairs()));
  BSTR result = nullptr;
  std::int32_t id = 0;
  int status = 1;
  if (viewer->SetProperty(property, zero, 0) == S_OK && viewer->OpenDocument(in, password, &id, 0) == S_OK) {
    if (viewer->RunJavaScript(script, &result, id, 0) == S_OK &&
        viewer->SaveDocument(id, out, pdfview::kSaveOptionFullRewrite, pdfview::kSaveFlagReplace) == S_OK) {
      status = 0;
    }
    viewer->CloseDocument(id, pdfview::kCloseFlagDiscard);
  }
  for (BSTR b : {property, in, out, password, script, result}) {
    SysFreeString(b);
  }
  viewer->Release();
  return status;
}
