// Appearances a reader that does not redraw fields shows as they are: values in any script drawn
// with an embedded subset of a fallback font, multiline text wrapped, comb fields one character a
// cell; checked by flattening the appearances into the page and reading the text back.
#include <cstdio>
#include <memory>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include <qpdf/QPDFPageDocumentHelper.hh>

#include "platform/pdfview/PdfDocument.h"
#include "platform/pdfview/PdfTestFiles.h"
#include "platform/pdfview/TextLayout.h"

namespace quorin::pdfview {
namespace {

using namespace quorin::pdfview::testing;
using Handle = QPDFObjectHandle;

struct FieldSpec {
  const char* name;
  double x, y, w, h;
  int flags;
  const char* da;
  int maxLen;
};

constexpr int kMultiline = 1 << 12;
constexpr int kComb = 1 << 24;

const FieldSpec kFields[] = {
    {"Latin", 72, 700, 300, 20, 0, "/Helv 10 Tf 0 g", 0},
    {"Greek", 72, 670, 300, 20, 0, "/Helv 10 Tf 0 g", 0},
    {"Cyrillic", 72, 640, 300, 20, 0, "/Helv 0 Tf 0 g", 0},
    {"Japanese", 72, 610, 300, 20, 0, "/Helv 10 Tf 0 g", 0},
    {"Notes", 72, 520, 200, 70, kMultiline, "/Helv 0 Tf 0 g", 0},
    {"Code", 72, 480, 160, 22, kComb, "/Helv 12 Tf 0 g", 8},
};

const Pairs kValues = {
    {"Latin", "Zoë Ångström"},
    {"Greek", "Καλημέρα κόσμε"},
    {"Cyrillic", "Добрый день"},
    {"Japanese", "山田太郎 東京都"},
    {"Notes", "The quick brown fox jumps over the lazy dog while the cat watches from the window sill. "
              "Второй абзац"},
    {"Code", "AB12CD34"},
};

// A one-page form of text fields in Helvetica, as most producers make them.
void WriteForm(const std::string& path) {
  QPDF pdf;
  pdf.emptyPDF();
  auto helv = pdf.makeIndirectObject(
      Handle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
  auto page = pdf.makeIndirectObject(Handle::parse("<< /Type /Page /MediaBox [0 0 612 792] >>"));
  page.replaceKey("/Contents", Handle::newStream(&pdf, ""));
  QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(page), false);
  page = pdf.getAllPages().front();
  auto fields = Handle::newArray();
  auto annots = Handle::newArray();
  for (const auto& f : kFields) {
    auto field = pdf.makeIndirectObject(Handle::parse(
        "<< /Type /Annot /Subtype /Widget /FT /Tx /F 4 /MK << /BC [0.4 0.4 0.4] /BG [0.95 0.96 1] >> >>"));
    field.replaceKey("/T", Handle::newUnicodeString(f.name));
    field.replaceKey("/Rect", Handle::newArray(Handle::Rectangle(f.x, f.y, f.x + f.w, f.y + f.h)));
    field.replaceKey("/DA", Handle::newString(f.da));
    field.replaceKey("/P", page);
    if (f.flags != 0) {
      field.replaceKey("/Ff", Handle::newInteger(f.flags));
    }
    if (f.maxLen != 0) {
      field.replaceKey("/MaxLen", Handle::newInteger(f.maxLen));
    }
    fields.appendItem(field);
    annots.appendItem(field);
  }
  page.replaceKey("/Annots", annots);
  auto acro = pdf.makeIndirectObject(Handle::newDictionary());
  acro.replaceKey("/Fields", fields);
  acro.replaceKey("/DR", Handle::parse("<< /Font << >> >>"));
  acro.getKey("/DR").getKey("/Font").replaceKey("/Helv", helv);
  acro.replaceKey("/DA", Handle::newString("/Helv 0 Tf 0 g"));
  pdf.getRoot().replaceKey("/AcroForm", acro);
  QPDFWriter writer(pdf, path.c_str());
  writer.setStaticID(true);
  writer.write();
}

// What a command printed; the test fails when it does not run to the end.
std::string Output(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << command;
    return out;
  }
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    out.append(buffer, n);
  }
  EXPECT_EQ(::pclose(pipe), 0) << command;
  return out;
}

std::string Collapsed(const std::string& text) { return std::regex_replace(text, std::regex("\\s+"), " "); }

bool NeedAppearances(QPDF& pdf) {
  auto need = pdf.getRoot().getKey("/AcroForm").getKey("/NeedAppearances");
  return need.isBool() && need.getBoolValue();
}

std::string Content(Handle widget) {
  auto ap = widget.getKey("/AP").getKey("/N");
  if (!ap.isStream()) {
    return {};
  }
  auto data = ap.getStreamData(qpdf_dl_generalized);
  return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
}

class AppearanceTest : public ::testing::Test {
protected:
  void SetUp() override { WriteForm(form_); }

  std::unique_ptr<PdfDocument> Filled(const Pairs& pairs) {
    std::unique_ptr<PdfDocument> doc;
    const auto status = PdfDocument::Open(form_, "", OpenOptions{}, doc);
    EXPECT_TRUE(status.ok()) << status.description;
    if (doc) {
      std::string result;
      const auto run = doc->RunScript(FillScript(pairs), result);
      EXPECT_TRUE(run.ok()) << run.description;
    }
    return doc;
  }

  // The text a reader finds once the appearances are part of the page.
  std::string TextOnceFlattened(const std::string& filled) {
    const std::string flat = scratch_ / "flat.pdf";
    Output("qpdf --flatten-annotations=all '" + filled + "' '" + flat + "'");
    return Output("pdftotext -enc UTF-8 '" + flat + "' -");
  }

  ScratchFolder scratch_;
  std::string form_ = scratch_ / "form.pdf";
};

TEST_F(AppearanceTest, EveryScriptIsDrawnAndReadsBackOnceFlattened) {
  auto doc = Filled(kValues);
  ASSERT_TRUE(doc);
  EXPECT_FALSE(NeedAppearances(doc->pdf()));
  const std::string filled = scratch_ / "filled.pdf";
  ASSERT_TRUE(doc->Save(filled, true).ok());
  doc.reset();

  const std::string text = Collapsed(TextOnceFlattened(filled));
  for (const auto& [name, value] : kValues) {
    if (name == "Code") {
      // One character a cell: the reader sees the gaps between cells as spaces.
      EXPECT_NE(std::regex_replace(text, std::regex(" "), "").find(value), std::string::npos) << text;
    } else {
      EXPECT_NE(text.find(value), std::string::npos) << name << " in: " << text;
    }
  }

  QPDF pdf;
  pdf.processFile(filled.c_str());
  EXPECT_FALSE(NeedAppearances(pdf));
  // The fallback fonts are subsets: kilobytes, not the megabytes of the fonts they come from,
  // with the length of the font program as readers need it.
  int programs = 0;
  for (auto& object : pdf.getAllObjects()) {
    if (object.isDictionary() && object.getKey("/Type").isNameAndEquals("/FontDescriptor") &&
        object.getKey("/FontFile2").isStream()) {
      auto program = object.getKey("/FontFile2");
      const auto size = program.getStreamData(qpdf_dl_generalized)->getSize();
      EXPECT_LT(size, 40'000u);
      EXPECT_EQ(program.getDict().getKey("/Length1").getIntValue(), static_cast<long long>(size));
      ++programs;
    }
  }
  EXPECT_EQ(programs, 2);   // DejaVu Sans and Droid Sans Fallback, each once for all fields
  EXPECT_LT(std::filesystem::file_size(filled), std::filesystem::file_size(form_) + 50'000);

  // For a person to look at: <build>/tests/appearance-scripts.pdf and its picture -1.png.
  const std::string kept = BinaryDir() + "/tests/appearance-scripts";
  std::filesystem::copy_file(filled, kept + ".pdf", std::filesystem::copy_options::overwrite_existing);
  Output("pdftoppm -png -r 60 '" + filled + "' '" + kept + "'");
}

TEST_F(AppearanceTest, MultilineTextWrapsInsideTheBoxAndCombCharactersSitInTheirCells) {
  auto doc = Filled({{"Notes", "First line\\r\\nsecond line, long enough to be wrapped twice inside the box"},
                     {"Code", "A1"}});
  ASSERT_TRUE(doc);
  // Each line its own text object at a left edge inside the box, baselines descending.
  const std::string notes = Content(doc->FindField("Notes")->widgets().front());
  std::regex td("([0-9.]+) ([0-9.]+) Td");
  std::vector<std::pair<double, double>> at;
  for (std::sregex_iterator it(notes.begin(), notes.end(), td), end; it != end; ++it) {
    at.emplace_back(std::stod((*it)[1]), std::stod((*it)[2]));
  }
  ASSERT_GE(at.size(), 3u) << notes;
  for (std::size_t i = 0; i < at.size(); ++i) {
    EXPECT_EQ(at[i].first, 3) << notes;
    EXPECT_GT(at[i].second, 0) << notes;
    if (i > 0) {
      EXPECT_LT(at[i].second, at[i - 1].second) << notes;
    }
  }
  EXPECT_NE(notes.find("(First line) Tj"), std::string::npos) << notes;

  // Auto size: a text too long for the box at the default size shrinks until every line fits.
  std::string longText;
  for (int i = 0; i < 12; ++i) {
    longText += "a fairly long sentence ";
  }
  auto shrunk = Filled({{"Notes", longText}});
  ASSERT_TRUE(shrunk);
  const std::string text = Content(shrunk->FindField("Notes")->widgets().front());
  std::smatch tf;
  ASSERT_TRUE(std::regex_search(text, tf, std::regex("/Helv ([0-9.]+) Tf"))) << text;
  EXPECT_LT(std::stod(tf[1]), 12);
  EXPECT_GE(std::stod(tf[1]), 4);
  double lowest = 70;
  std::size_t lines = 0;
  for (std::sregex_iterator it(text.begin(), text.end(), td), end; it != end; ++it, ++lines) {
    lowest = std::min(lowest, std::stod((*it)[2]));
  }
  EXPECT_GT(lines, 3u) << text;
  EXPECT_GE(lowest, 1) << text;

  // Cells of 20 points: "A" centred in the first, "1" in the second.
  const std::string code = Content(doc->FindField("Code")->widgets().front());
  std::vector<double> xs;
  for (std::sregex_iterator it(code.begin(), code.end(), td), end; it != end; ++it) {
    xs.push_back(std::stod((*it)[1]));
  }
  ASSERT_EQ(xs.size(), 2u) << code;
  EXPECT_NEAR(xs[0], (20 - 0.667 * 12) / 2, 0.05);
  EXPECT_NEAR(xs[1], 20 + (20 - 0.556 * 12) / 2, 0.05);
}

TEST_F(AppearanceTest, AValueNoFontCanShowIsLeftToTheReaderNeverDrawnWithQuestionMarks) {
  auto doc = Filled({{"Latin", "Zoë \\uE000"}});   // a private-use character
  ASSERT_TRUE(doc);
  EXPECT_TRUE(NeedAppearances(doc->pdf()));
  const std::string content = Content(doc->FindField("Latin")->widgets().front());
  EXPECT_EQ(content.find("Tj"), std::string::npos) << content;
}

TEST_F(AppearanceTest, ACharacterBeyondTheBasicPlaneIsDrawnAndCopiedOutWhole) {
  // The script engine holds it as a surrogate pair: the value keeps it as one character, and the
  // appearance shows one glyph for it.
  auto doc = Filled({{"Greek", "Smile \\uD83D\\uDE00"}});
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->FindField("Greek")->value(), "Smile \xF0\x9F\x98\x80");
  std::string back;
  ASSERT_TRUE(doc->RunScript("var v = this.getField('Greek').value; v.length + ' ' + v.charCodeAt(7).toString(16)"
                             " + ' ' + (v == 'Smile \\uD83D\\uDE00')", back).ok());
  EXPECT_EQ(back, "8 de00 true");
  EXPECT_FALSE(NeedAppearances(doc->pdf()));
  const std::string filled = scratch_ / "filled.pdf";
  ASSERT_TRUE(doc->Save(filled, true).ok());
  doc.reset();
  const std::string text = TextOnceFlattened(filled);
  EXPECT_NE(text.find("Smile \xF0\x9F\x98\x80"), std::string::npos) << text;
}

TEST_F(AppearanceTest, ASecondSaveEmbedsTheGlyphsDrawnSinceTheFirst) {
  auto doc = Filled({{"Greek", "Αθήνα"}});
  ASSERT_TRUE(doc);
  ASSERT_TRUE(doc->Save(scratch_ / "first.pdf", true).ok());
  std::string result;
  ASSERT_TRUE(doc->RunScript(FillScript({{"Cyrillic", "Москва"}}), result).ok());
  const std::string second = scratch_ / "second.pdf";
  const auto saved = doc->Save(second, true);
  ASSERT_TRUE(saved.ok()) << saved.description;
  doc.reset();
  const std::string text = TextOnceFlattened(second);
  EXPECT_NE(text.find("Αθήνα"), std::string::npos) << text;
  EXPECT_NE(text.find("Москва"), std::string::npos) << text;
}

// Glyphs one unit wide, so widths count characters.
GlyphLine Glyphs(const std::u32string& text) {
  GlyphLine out;
  for (char32_t c : text) {
    out.push_back(Glyph{c, c == '\n' ? -1 : 0, static_cast<unsigned>(c), c == '\n' ? 0.0 : 1.0});
  }
  return out;
}

TEST(WrapLinesTest, BreaksAtSpacesBetweenIdeographsAndInsideWordsLongerThanALine) {
  struct Case {
    std::u32string text;
    double width;
    std::vector<std::u32string> lines;
  } cases[] = {
      {U"one two three", 8, {U"one two", U"three"}},
      {U"one two three", 7, {U"one two", U"three"}},
      {U"one two three", 6, {U"one", U"two", U"three"}},
      {U"abcdefghij xy", 4, {U"abcd", U"efgh", U"ij", U"xy"}},
      {U"first\nsecond", 20, {U"first", U"second"}},
      {U"a\n\nb", 20, {U"a", U"", U"b"}},
      {U"東京都新宿区", 4, {U"東京都新", U"宿区"}},
      {U"word   ", 4, {U"word"}},
      {U"", 4, {U""}},
  };
  for (const auto& c : cases) {
    const auto lines = WrapLines(Glyphs(c.text), c.width);
    std::vector<std::u32string> got;
    for (const auto& line : lines) {
      std::u32string s;
      for (const auto& g : line) {
        s.push_back(g.text);
      }
      got.push_back(s);
    }
    EXPECT_EQ(got, c.lines) << std::string(c.text.begin(), c.text.end());
  }
}

} // namespace
} // namespace quorin::pdfview
