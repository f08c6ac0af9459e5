// The viewer control through COM, as the wrapper calls it: registration, the whole fill of the
// sample form, events, and every failure returning a code with a description.
#include <cstdlib>
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/com/Bstr.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/ErrorInfo.h"
#include "platform/com/Variant.h"
#include "platform/pdfview/PdfTestFiles.h"
#include "platform/pdfview/PdfViewControl.h"
#include "platform/pdfview/ControlCalls.h"
#include "platform/runtime/CodePage.h"
#include "platform/runtime/Registry.h"

namespace quorin::pdfview {
namespace {

using namespace quorin::com;
using namespace quorin::pdfview::testing;

class ViewerControlTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(registration_.Result(), S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_PDFview, nullptr, CLSCTX_INPROC_SERVER, IID_IPDFview,
                               reinterpret_cast<void**>(&viewer_)),
              S_OK);
    ::setenv("QUORIN_DRIVE_T", scratch_.path().c_str(), 1);
    std::filesystem::copy_file(SampleForm(), scratch_ / "form1.pdf");
  }
  void TearDown() override {
    if (viewer_ != nullptr) {
      viewer_->Release();
    }
    ::unsetenv("QUORIN_DRIVE_T");
  }
  PdfViewControl& control() { return *static_cast<PdfViewControl*>(viewer_); }

  HRESULT Open(const std::string& name, std::int32_t& id, const std::string& password = "") {
    Text n(name), p(password);
    return viewer_->OpenDocument(n.b, p.b, &id, 0);
  }
  HRESULT Run(std::int32_t id, const std::string& script, std::string* result = nullptr) {
    Text s(script);
    BSTR out = nullptr;
    const HRESULT hr = viewer_->RunJavaScript(s.b, &out, id, 0);
    if (result != nullptr) {
      *result = AnsiFromWide(out);
    }
    SysFreeString(out);
    return hr;
  }
  HRESULT Save(std::int32_t id, const std::string& name, std::int32_t flags = kSaveFlagReplace) {
    Text n(name);
    return viewer_->SaveDocument(id, n.b, kSaveOptionFullRewrite, flags);
  }
  HRESULT Close(std::int32_t id) { return viewer_->CloseDocument(id, kCloseFlagDiscard); }

  ViewerControlRegistration registration_;
  ScratchFolder scratch_;
  IPDFview* viewer_ = nullptr;
};

TEST_F(ViewerControlTest, RegistersItsClassAndProgIdWithTheFileThatHoldsIt) {
  const std::string key = "CLSID\\{441CE133-66BA-49D1-9D81-08F2403EACCD}";
  EXPECT_EQ(GetRegistryValue(HKEY_CLASSES_ROOT, key + "\\ProgID"), kPDFviewProgId);
  const std::string server = GetRegistryValue(HKEY_CLASSES_ROOT, key + "\\InprocServer32");
  EXPECT_TRUE(std::filesystem::exists(server)) << server;
  CLSID clsid{};
  EXPECT_EQ(CLSIDFromProgID(AnsiToWide(kPDFviewProgId).c_str(), &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_PDFview);

  // The OLE host's verbs, and the reserved slots of the main interface.
  IOleObjectLite* ole = nullptr;
  ASSERT_EQ(viewer_->QueryInterface(IID_IOleObjectLite, reinterpret_cast<void**>(&ole)), S_OK);
  EXPECT_EQ(ole->DoVerb(OLEIVERB_PRIMARY), S_OK);
  EXPECT_EQ(ole->DoVerb(42), OLEOBJ_S_INVALIDVERB);
  ole->Release();
  EXPECT_EQ(viewer_->Reserved13(), E_NOTIMPL);
}

TEST_F(ViewerControlTest, FillsTheSampleFormAsTheWrapperDoesAndRaisesItsEvents) {
  RecordingSink sink;
  IConnectionPointContainer* container = nullptr;
  IConnectionPoint* point = nullptr;
  ASSERT_EQ(viewer_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
  ASSERT_EQ(container->FindConnectionPoint(IID__IPDFviewEvents, &point), S_OK);
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);

  VARIANT zero;
  VariantInit(&zero);
  zero.vt = VT_I4;
  zero.lVal = 0;
  Text property("Documents.UseStreamsDirectly");
  ASSERT_EQ(viewer_->SetProperty(property.b, zero, 0), S_OK);

  std::int32_t id = 0;
  ASSERT_EQ(Open("T:\\form1.pdf", id), S_OK);
  EXPECT_EQ(id, 1);
  std::string result = "unset";
  ASSERT_EQ(Run(id, FillScript(SamplePairs()), &result), S_OK) << TakeErrorDescription();
  EXPECT_EQ(result, "");
  ASSERT_EQ(Save(id, "T:\\form1-filled.pdf"), S_OK) << TakeErrorDescription();
  ASSERT_EQ(Close(id), S_OK);
  EXPECT_EQ(control().OpenDocumentCount(), 0u);

  ASSERT_EQ(sink.events.size(), 4u);
  const std::int32_t types[] = {kEventDocumentOpened, kEventScriptRun, kEventDocumentSaved, kEventDocumentClosed};
  const char* names[] = {"DocumentOpened", "ScriptRun", "DocumentSaved", "DocumentClosed"};
  const std::int32_t flags[] = {0, 0, kSaveFlagReplace, kCloseFlagDiscard};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(sink.events[i].type, types[i]);
    EXPECT_EQ(sink.events[i].name, names[i]);
    EXPECT_EQ(sink.events[i].documentId, id);
    EXPECT_EQ(sink.events[i].flags, flags[i]);
  }
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  point->Release();
  container->Release();

  // An independent reader sees every value of the fill; the master is untouched.
  const std::string filled = scratch_ / "form1-filled.pdf";
  auto fields = ReadFields(filled);
  const std::map<std::string, std::string> expected = {
      {"Country", "South Africa"}, {"Email", "jane.doe@example.com"}, {"Account", "1234567890"},
      {"Password", "mirok2719"},   {"FirstName", "Jane"},             {"LastName", "Doe"},
      {"Birthdate", "15/01/1960"}, {"AddlInfo", "Just a lot of stuff in here"},
      {"BooksChk", "Yes"},         {"NewspapersChk", "Off"},          {"MagazinesChk", "Off"},
      {"Text1", ""}};
  for (const auto& [name, value] : expected) {
    EXPECT_EQ(fields[name], value) << name;
  }
  for (int i = 2; i <= 40; ++i) {
    EXPECT_EQ(fields["Text" + std::to_string(i)], "Text" + std::to_string(i));
  }
  EXPECT_EQ(ReadFields(scratch_ / "form1.pdf")["Country"], "");

  // What a viewer that does not redraw shows: drawn values, the password masked, the check box
  // in its on-state, the multiline field wrapped in its box; nothing is left to the viewer.
  QPDF pdf;
  pdf.processFile(filled.c_str());
  QPDFAcroFormDocumentHelper acro(pdf);
  auto appearance = [&](const std::string& name) {
    for (auto& f : acro.getFormFields()) {
      if (f.getFullyQualifiedName() == name) {
        auto n = f.getObjectHandle().getKey("/AP").getKey("/N");
        return n.isStream() ? n.getStreamData(qpdf_dl_generalized)->getSize() > 0
                                  ? std::string(reinterpret_cast<const char*>(n.getStreamData(qpdf_dl_generalized)->getBuffer()),
                                                n.getStreamData(qpdf_dl_generalized)->getSize())
                                  : std::string()
                            : std::string();
      }
    }
    return std::string("missing");
  };
  EXPECT_NE(appearance("Country").find("(South Africa) Tj"), std::string::npos);
  EXPECT_NE(appearance("Text7").find("(Text7) Tj"), std::string::npos);
  EXPECT_NE(appearance("Password").find("(*********) Tj"), std::string::npos);
  EXPECT_EQ(appearance("Password").find("mirok"), std::string::npos);
  EXPECT_NE(appearance("Birthdate").find("(15/01/1960) Tj"), std::string::npos);
  EXPECT_NE(appearance("AddlInfo").find("(Just a lot of stuff in here) Tj"), std::string::npos);
  EXPECT_FALSE(pdf.getRoot().getKey("/AcroForm").getKey("/NeedAppearances").isBool());
  for (auto& f : acro.getFormFields()) {
    if (f.getFullyQualifiedName() == "BooksChk") {
      EXPECT_TRUE(f.getObjectHandle().getKey("/AS").isNameAndEquals("/Yes"));
    }
  }

  // The picture, for a person to look at: <build>/tests/filled-sample-1.png and -2.png.
  const std::string picture = BinaryDir() + "/tests/filled-sample";
  const std::string command = "pdftoppm -png -r 60 '" + filled + "' '" + picture + "'";
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_TRUE(std::filesystem::exists(picture + "-1.png"));
}

TEST_F(ViewerControlTest, OpenFailuresReturnTheirCodeAndADescription) {
  const std::string sample = ReadFile(SampleForm());
  WriteFile(scratch_ / "notes.txt", "just some text, not a document\n");
  WriteFile(scratch_ / "truncated.pdf", sample.substr(0, sample.size() / 2));
  WriteEncryptedCopy(SampleForm(), scratch_ / "locked.pdf", "right");
  struct Case {
    const char* name;
    const char* password;
    ViewerError error;
  } cases[] = {
      {"T:\\missing.pdf", "", ViewerError::FileNotFound},
      {"T:\\notes.txt", "", ViewerError::NotAPdf},
      {"T:\\truncated.pdf", "", ViewerError::DamagedPdf},
      {"T:\\locked.pdf", "wrong", ViewerError::WrongPassword},
      {"T:\\locked.pdf", "", ViewerError::WrongPassword},
  };
  for (const auto& c : cases) {
    std::int32_t id = -7;
    EXPECT_EQ(Open(c.name, id, c.password), ToResultCode(c.error)) << c.name;
    EXPECT_EQ(id, -7);
    EXPECT_FALSE(TakeErrorDescription().empty()) << c.name;
    std::int32_t number = 0;
    EXPECT_EQ(viewer_->GetTextFromResult(ToResultCode(c.error), &number), S_OK);
    EXPECT_EQ(number, static_cast<std::int32_t>(c.error));
  }
  std::int32_t number = 0;
  EXPECT_NE(viewer_->GetTextFromResult(E_FAIL, &number), S_OK);
  EXPECT_EQ(number, 0);

  std::int32_t id = 0;
  ASSERT_EQ(Open("T:\\locked.pdf", id, "right"), S_OK);
  EXPECT_EQ(Close(id), S_OK);
}

TEST_F(ViewerControlTest, ScriptFailuresKeepTheDocumentCloseable) {
  // Only a script that never ends meets the short time limit; the others end by themselves under a
  // limit that no machine, however slow or loaded, comes near.
  control().SetScriptLimits({std::chrono::milliseconds(200), 8u << 20});
  std::int32_t endless = 0;
  ASSERT_EQ(Open("T:\\form1.pdf", endless), S_OK);
  EXPECT_EQ(Run(endless, "for (;;) {}"), ToResultCode(ViewerError::ScriptTimeout));
  EXPECT_NE(TakeErrorDescription().find("RangeError: execution timeout"), std::string::npos);
  EXPECT_EQ(Close(endless), S_OK);

  control().SetScriptLimits({std::chrono::seconds(60), 8u << 20});
  std::int32_t id = 0;
  ASSERT_EQ(Open("T:\\form1.pdf", id), S_OK);
  struct Case {
    const char* script;
    ViewerError error;
    const char* message;
  } cases[] = {
      {"loadfield(", ViewerError::ScriptSyntax, "SyntaxError"},
      {"x.value = 1", ViewerError::ScriptRuntime, "ReferenceError: identifier 'x' undefined"},
      {"this.getField('Nope').value = 1", ViewerError::ScriptRuntime, "TypeError"},
      {"var s = 'x'; var a = []; for (;;) { a.push(s += s); }", ViewerError::ScriptMemory, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(id, c.script), ToResultCode(c.error)) << c.script;
    EXPECT_NE(TakeErrorDescription().find(c.message), std::string::npos) << c.script;
  }
  std::string result;
  EXPECT_EQ(Run(id, "this.numFields + ' ' + this.getField('Country').type", &result), S_OK);
  EXPECT_EQ(result, "51 combobox");
  EXPECT_EQ(Close(id), S_OK);
}

TEST_F(ViewerControlTest, RefusesUnknownIdsPropertiesAndFlags) {
  const HRESULT unknown = ToResultCode(ViewerError::UnknownDocument);
  EXPECT_EQ(Run(99, "1"), unknown);
  EXPECT_EQ(Save(99, "T:\\x.pdf"), unknown);
  EXPECT_EQ(Close(99), unknown);
  EXPECT_FALSE(TakeErrorDescription().empty());

  VARIANT one;
  VariantInit(&one);
  one.vt = VT_I4;
  one.lVal = 1;
  Text other("Documents.Other");
  EXPECT_EQ(viewer_->SetProperty(other.b, one, 0), ToResultCode(ViewerError::UnknownProperty));
  EXPECT_NE(TakeErrorDescription().find("Documents.Other"), std::string::npos);

  std::int32_t id = 0;
  Text name("T:\\form1.pdf"), empty("");
  EXPECT_EQ(viewer_->OpenDocument(name.b, empty.b, &id, 1), ToResultCode(ViewerError::BadFlags));
  ASSERT_EQ(Open("T:\\form1.pdf", id), S_OK);
  Text to("T:\\copy.pdf");
  EXPECT_EQ(viewer_->SaveDocument(id, to.b, 1, 0), ToResultCode(ViewerError::BadFlags));
  EXPECT_EQ(viewer_->CloseDocument(id, 1), ToResultCode(ViewerError::BadFlags));
  // Ids are not reused.
  std::int32_t second = 0;
  ASSERT_EQ(Open("T:\\form1.pdf", second), S_OK);
  EXPECT_EQ(second, id + 1);
  EXPECT_EQ(Close(id), S_OK);
  EXPECT_EQ(Close(second), S_OK);
}

TEST_F(ViewerControlTest, TheSameMethodsAnswerThroughIDispatch) {
  auto id_of = [&](const char16_t* name) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    EXPECT_EQ(viewer_->GetIDsOfNames(GUID_NULL, names, 1, 0, &id), S_OK) << AnsiFromWide(name);
    return id;
  };
  // Arguments travel in reverse order.
  auto call = [&](DISPID member, std::vector<VARIANT> args, VARIANT* result) {
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    const HRESULT hr = viewer_->Invoke(member, GUID_NULL, 0, DISPATCH_METHOD, &params, result, nullptr, nullptr);
    for (auto& a : args) {
      VariantClear(&a);
    }
    return hr;
  };
  auto i4 = [](LONG v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_I4;
    x.lVal = v;
    return x;
  };
  auto text = [](const std::string& v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_BSTR;
    x.bstrVal = BstrFromAnsi(v);
    return x;
  };
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(call(id_of(u"OpenDocument"), {i4(0), text(""), text("T:\\form1.pdf")}, &result), S_OK);
  ASSERT_EQ(result.vt, VT_I4);
  const LONG id = result.lVal;
  ASSERT_EQ(call(id_of(u"RunJavaScript"), {i4(0), i4(id), text("this.getField('Country').numItems")}, &result), S_OK);
  ASSERT_EQ(result.vt, VT_BSTR);
  EXPECT_EQ(AnsiFromWide(result.bstrVal), "24");
  VariantClear(&result);
  EXPECT_EQ(call(id_of(u"CloseDocument"), {i4(0), i4(id)}, nullptr), S_OK);
  EXPECT_EQ(call(id_of(u"CloseDocument"), {i4(0), i4(id)}, nullptr), ToResultCode(ViewerError::UnknownDocument));
  DISPID unknown = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(u"Print")};
  EXPECT_EQ(viewer_->GetIDsOfNames(GUID_NULL, names, 1, 0, &unknown), DISP_E_UNKNOWNNAME);
}

} // namespace
} // namespace quorin::pdfview
