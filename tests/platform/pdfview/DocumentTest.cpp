// The document engine on a form made by another producer: the scripts' object model, the fill
// script on check boxes with other on-states, radio groups, choices, names that differ in case and
// hierarchical names; appearances that cannot be drawn; the safe save.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <qpdf/QPDFPageDocumentHelper.hh>

#include "platform/pdfview/PdfDocument.h"
#include "platform/pdfview/PdfTestFiles.h"
#include "support/Unprivileged.h"

namespace quorin::pdfview {
namespace {

using namespace quorin::pdfview::testing;

std::string OtherProducerForm() { return SourceDir() + "/tests/platform/pdfview/data/other-producer-form.pdf"; }

// What the other producer cannot make is added with qpdf: the check box's on-state becomes "On",
// a hierarchical text field address.city, a signature field, and the list box allows several.
void WriteOtherForm(const std::string& to) {
  QPDF pdf;
  pdf.processFile(OtherProducerForm().c_str());
  auto acro = pdf.getRoot().getKey("/AcroForm");
  auto fields = acro.getKey("/Fields");
  auto page = pdf.getAllPages().front();
  for (auto f : fields.aitems()) {
    const std::string name = f.getKey("/T").getUTF8Value();
    if (name == "Agree") {
      for (const char* kind : {"/N", "/D"}) {
        auto states = f.getKey("/AP").getKey(kind);
        if (states.isDictionary() && states.hasKey("/Yes")) {
          states.replaceKey("/On", states.getKey("/Yes"));
          states.removeKey("/Yes");
        }
      }
    } else if (name == "Fruit") {
      f.replaceKey("/Ff", QPDFObjectHandle::newInteger(1 << 21));
    }
  }
  auto parent = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /T (address) /FT /Tx >>"));
  auto city = pdf.makeIndirectObject(QPDFObjectHandle::parse(
      "<< /Type /Annot /Subtype /Widget /T (city) /Rect [180 420 430 440] /F 4 /DA (/Helv 10 Tf 0 g) >>"));
  city.replaceKey("/Parent", parent);
  city.replaceKey("/P", page);
  parent.replaceKey("/Kids", QPDFObjectHandle::newArray(std::vector<QPDFObjectHandle>{city}));
  auto sig = pdf.makeIndirectObject(QPDFObjectHandle::parse(
      "<< /Type /Annot /Subtype /Widget /T (Signature) /FT /Sig /Rect [180 380 430 400] /F 4 >>"));
  sig.replaceKey("/P", page);
  fields.appendItem(parent);
  fields.appendItem(sig);
  auto annots = page.getKey("/Annots");
  annots.appendItem(city);
  annots.appendItem(sig);
  QPDFWriter(pdf, to.c_str()).write();
}

class DocumentTest : public ::testing::Test {
protected:
  void SetUp() override { WriteOtherForm(form_); }
  std::unique_ptr<PdfDocument> Open(const std::string& path, bool readWhole = true) {
    OpenOptions options;
    options.readWhole = readWhole;
    std::unique_ptr<PdfDocument> doc;
    const auto status = PdfDocument::Open(path, "", options, doc);
    EXPECT_TRUE(status.ok()) << status.description;
    return doc;
  }
  std::string Eval(PdfDocument& doc, const std::string& script) {
    std::string result;
    const auto status = doc.RunScript(script, result);
    return status.ok() ? result : "error: " + status.description;
  }

  ScratchFolder scratch_;
  std::string form_ = scratch_ / "other.pdf";
};

TEST_F(DocumentTest, ListsFieldsInDocumentOrderWithFullNamesAndTypes) {
  auto doc = Open(form_);
  ASSERT_TRUE(doc);
  EXPECT_EQ(Eval(*doc, "var a = []; for (var i = 0; i < this.numFields; i++) {"
                       " var n = this.getNthFieldName(i); a.push(n + ':' + this.getField(n).type); } a.join(' ')"),
            "Name:text NAME:text Agree:checkbox Direction:radiobutton Colour:combobox Fruit:listbox "
            "Comment:text address.city:text Signature:signature");
  EXPECT_EQ(Eval(*doc, "[this.getField('name'), this.getField('address.city').name, this.getField('Nope')].join('|')"),
            "|address.city|");
  EXPECT_EQ(Eval(*doc, "this.getNthFieldName(99)"), "error: RangeError: getNthFieldName: no field 99");
}

TEST_F(DocumentTest, TheFillScriptSetsEveryKindOfFieldOfTheOtherForm) {
  auto doc = Open(form_);
  ASSERT_TRUE(doc);
  const Pairs pairs = {{"name", "Both of us"}, {"Agree", "Yes"},          {"Direction", "1"},
                       {"Colour", "Purple"},   {"Fruit", "banana"},       {"ADDRESS.CITY", "Durban"},
                       {"Signature", "x"},     {"Comment", "Crème brûlée"}};
  std::string result;
  const auto status = doc->RunScript(FillScript(pairs), result);
  ASSERT_TRUE(status.ok()) << status.description;
  const std::string out = scratch_ / "filled.pdf";
  ASSERT_TRUE(doc->Save(out, true).ok());

  auto fields = ReadFields(out);
  const std::map<std::string, std::string> expected = {
      {"Name", "Both of us"}, {"NAME", "Both of us"}, {"Agree", "On"},           {"Direction", "south"},
      {"Colour", "Purple"},   {"Fruit", "banana"},    {"address.city", "Durban"}, {"Comment", "Crème brûlée"}};
  for (const auto& [name, value] : expected) {
    EXPECT_EQ(fields[name], value) << name;
  }
  auto reopened = Open(out);
  ASSERT_TRUE(reopened);
  EXPECT_EQ(Eval(*reopened, "var f = this.getField('Fruit'); f.currentValueIndices + ' ' + f.value"), "1 banana");
  EXPECT_EQ(Eval(*reopened, "var d = this.getField('Direction'); [d.isBoxChecked(0), d.isBoxChecked(1)].join()"),
            "false,true");
  // The producer's font renames codes, so the accented value is drawn in a fallback font, never
  // with "?" in place of its letters, and nothing is left for the reader to draw.
  EXPECT_FALSE(reopened->pdf().getRoot().getKey("/AcroForm").getKey("/NeedAppearances").isBool());
}

TEST_F(DocumentTest, FieldOperationsBehaveAsAViewersDo) {
  auto doc = Open(form_);
  ASSERT_TRUE(doc);
  struct Case {
    const char* script;
    const char* result;
  } cases[] = {
      {"var f = this.getField('Fruit'); f.getItemAt(0) + f.getItemAt(0, false) + f.numItems", "appleApple3"},
      {"var f = this.getField('Fruit'); f.currentValueIndices = [2, 0]; f.value.join() + '|' + f.currentValueIndices",
       "apple,cherry|0,2"},
      {"var f = this.getField('Colour'); f.currentValueIndices = 2; f.value + f.currentValueIndices", "Blue2"},
      {"var f = this.getField('Colour'); f.value = 'Mauve'; f.value + f.currentValueIndices", "Mauve-1"},
      {"var f = this.getField('Agree'); f.checkThisBox(0); var a = f.value + f.isBoxChecked(0);"
       " f.checkThisBox(0, false); a + f.value",
       "Ontrue" "Off"},
      {"var f = this.getField('Agree'); f.value = 'On'; f.value", "On"},
      {"var f = this.getField('Direction'); f.checkThisBox(0); f.value", "north"},
      {"this.getField('Direction').checkThisBox('Yes' - 0)", "error: RangeError: checkThisBox: not a valid index"},
      {"this.getField('Direction').checkThisBox(5)", "error: RangeError: checkThisBox: field 'Direction' has no widget 5"},
      {"this.getField('Signature').value = 'x'",
       "error: TypeError: field 'Signature' is a signature field: its value cannot be set"},
      {"this.getField('Colour').getItemAt(7)", "error: RangeError: getItemAt: field 'Colour' has no item 7"},
      {"this.getField('Comment').value = 42; typeof this.getField('Comment').value", "string"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Eval(*doc, c.script), c.result) << c.script;
  }
}

TEST_F(DocumentTest, DrawsWhatTheFontCanShowInItAndTheRestInAFallbackFont) {
  struct Case {
    const char* value;
    const char* drawn;   // null: not drawn, NeedAppearances set
  } cases[] = {
      {"Plain (text)", "(Plain \\(text\\)) Tj"},
      {"Müller", "(M\\374ller) Tj"},
      {"Ωμέγα", "/QFb0 10 Tf"},
      {"\\uE000", nullptr},   // private use: no font has it
      {"שלום", nullptr},       // right to left: drawn glyph by glyph it would read backwards
  };
  for (const auto& c : cases) {
    auto doc = Open(SampleForm());
    ASSERT_TRUE(doc);
    ASSERT_EQ(Eval(*doc, std::string("this.getField('Email').value = '") + c.value + "'; 1"), "1");
    auto widget = doc->FindField("Email")->widgets().front();
    auto ap = widget.getKey("/AP").getKey("/N");
    ASSERT_TRUE(ap.isStream());
    auto data = ap.getStreamData(qpdf_dl_generalized);
    const std::string content(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
    auto need = doc->pdf().getRoot().getKey("/AcroForm").getKey("/NeedAppearances");
    if (c.drawn != nullptr) {
      EXPECT_NE(content.find(c.drawn), std::string::npos) << content;
      EXPECT_FALSE(need.isBool() && need.getBoolValue());
    } else {
      EXPECT_EQ(content.find('?'), std::string::npos) << content;
      EXPECT_TRUE(need.isBool() && need.getBoolValue());
    }
  }
}

// Only a script that never ends meets the short time limit; the others end by themselves under a
// limit that no machine, however slow or loaded, comes near.
TEST_F(DocumentTest, ScriptLimitsStopRunawayScriptsAndTheHeapStaysUsable) {
  OpenOptions options;
  options.limits = {std::chrono::milliseconds(100), 4u << 20};
  std::unique_ptr<PdfDocument> doc;
  ASSERT_TRUE(PdfDocument::Open(form_, "", options, doc).ok());
  std::string result;
  EXPECT_EQ(doc->RunScript("while (true) { try { for (;;) {} } catch (e) {} }", result).error, ViewerError::ScriptTimeout);

  options.limits.time = std::chrono::seconds(60);
  ASSERT_TRUE(PdfDocument::Open(form_, "", options, doc).ok());
  EXPECT_EQ(doc->RunScript("var big = []; for (;;) big.push(new Array(1000).join('x') + big.length);", result).error,
            ViewerError::ScriptMemory);
  EXPECT_EQ(doc->RunScript("big = null; this.numFields", result).error, ViewerError::None);
  EXPECT_EQ(result, "9");
  EXPECT_EQ(doc->RunScript("undefined", result).error, ViewerError::None);
  EXPECT_EQ(result, "");
  EXPECT_EQ(doc->RunScript("typeof require + typeof print + typeof alert", result).error, ViewerError::None);
  EXPECT_EQ(result, "undefinedundefinedundefined");
}

TEST_F(DocumentTest, SavingOverTheOpenFileKeepsItsModeAndAFailedSaveLeavesTheDestination) {
  for (bool readWhole : {true, false}) {
    const std::string path = scratch_ / (readWhole ? "whole.pdf" : "lazy.pdf");
    std::filesystem::copy_file(SampleForm(), path);
    ::chmod(path.c_str(), 0640);
    auto doc = Open(path, readWhole);
    ASSERT_TRUE(doc);
    ASSERT_EQ(Eval(*doc, FillScript(SamplePairs()) + " 1"), "1");
    ASSERT_TRUE(doc->Save(path, true).ok());
    ASSERT_TRUE(doc->Save(path, true).ok());   // and again, from the same open document
    struct stat info{};
    ::stat(path.c_str(), &info);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadFields(path)["Text40"], "Text40") << readWhole;
  }

  // Refused or failed saves: the destination keeps its bytes and no temporary file is left.
  const std::string dest = scratch_ / "dest.pdf";
  WriteFile(dest, "the old content");
  auto doc = Open(SampleForm());
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->Save(dest, false).error, ViewerError::DestinationExists);

  // A document read as needed whose file was cut short after the open cannot be written.
  const std::string source = scratch_ / "source.pdf";
  std::filesystem::copy_file(SampleForm(), source);
  auto lazy = Open(source, false);
  ASSERT_TRUE(lazy);
  std::filesystem::resize_file(source, 200);
  const auto failed = lazy->Save(dest, true);
  EXPECT_EQ(failed.error, ViewerError::SaveFailed);
  EXPECT_FALSE(failed.description.empty());

  EXPECT_EQ(ReadFile(dest), "the old content");
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(scratch_.path())) {
    files += entry.is_regular_file();
  }
  EXPECT_EQ(files, 5u);   // other, whole, lazy, dest, source
}

TEST_F(DocumentTest, SavingIntoAReadOnlyFolderFailsAndLeavesTheFileThere) {
  const std::string locked = scratch_ / "locked";
  std::filesystem::create_directory(locked);
  WriteFile(locked + "/dest.pdf", "the old content");
  ::chmod(locked.c_str(), 0555);
  ::chmod(scratch_.path().c_str(), 0755);
  auto doc = Open(SampleForm());
  ASSERT_TRUE(doc);
  EXPECT_TRUE(quorin::testing::RunUnprivileged([&] {
    const auto status = doc->Save(locked + "/dest.pdf", true);
    return status.error == ViewerError::SaveFailed && status.description.find("dest.pdf") != std::string::npos;
  }));
  EXPECT_EQ(ReadFile(locked + "/dest.pdf"), "the old content");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(locked), std::filesystem::directory_iterator()), 1);
}

} // namespace
} // namespace quorin::pdfview
