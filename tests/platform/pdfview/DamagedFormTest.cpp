// Damaged forms through the control, as the wrapper drives it: copies of the sample form and of the
// other producer's form, damaged in the ways files get damaged (objects shifted, a wrong startxref,
// flipped bits, an overwritten chunk, a cut tail), open wherever poppler opens them and fill and save
// unless the damage destroyed part of the form; every saved copy is sound, and a save that fails
// leaves its destination alone.
//
// QUORIN_DAMAGED_COPIES sets the copies per form and kind (default 8), QUORIN_DAMAGED_SEED the seed,
// for a larger run outside the suite (fuzz/run-damaged-corpus.sh).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "platform/pdfview/ControlCalls.h"
#include "platform/pdfview/PdfTestFiles.h"
#include "platform/pdfview/PdfViewControl.h"

namespace quorin::pdfview {
namespace {

using namespace quorin::com;
using namespace quorin::pdfview::testing;

enum class Damage { Shifted, WrongStartxref, FlippedBits, RandomChunk, CutTail };
constexpr Damage kDamages[] = {Damage::Shifted, Damage::WrongStartxref, Damage::FlippedBits, Damage::RandomChunk,
                               Damage::CutTail};
const char* DamageName(Damage d) {
  switch (d) {
  case Damage::Shifted: return "objects shifted";
  case Damage::WrongStartxref: return "wrong startxref";
  case Damage::FlippedBits: return "flipped bits";
  case Damage::RandomChunk: return "random chunk";
  case Damage::CutTail: return "cut tail";
  }
  return "";
}

// Draws are taken straight from the engine (not through a distribution) so that a seed gives the
// same copies with every standard library.
class Damager {
public:
  explicit Damager(std::uint32_t seed) : rng_(seed) {}

  std::string Apply(std::string bytes, Damage kind) {
    const std::size_t size = bytes.size();
    const std::size_t xref = StartxrefPosition(bytes);
    switch (kind) {
    case Damage::Shifted: {
      // Between two objects of the body, so that the objects after it and the cross-references
      // all sit some bytes off while every object itself is whole.
      const auto at = bytes.find("endobj", 16 + Below(xref - 16));
      bytes.insert(at == std::string::npos || at > xref ? xref : at + 6, Junk(1 + Below(64)));
      break;
    }
    case Damage::WrongStartxref: {
      const auto at = bytes.rfind("startxref");
      const auto end = bytes.find("%%EOF", at);
      bytes.replace(at, end - at, "startxref\n" + std::to_string(Below(size)) + "\n");
      break;
    }
    case Damage::FlippedBits:
      for (std::size_t n = 1 + Below(5); n > 0; --n) {
        bytes[Below(size)] ^= static_cast<char>(1u << Below(8));
      }
      break;
    case Damage::RandomChunk: {
      const std::size_t length = 16 + Below(497);
      bytes.replace(Below(size - length), length, Junk(length));
      break;
    }
    case Damage::CutTail:
      // Half lose the last few hundred bytes (an interrupted copy), half up to a quarter of the file.
      bytes.resize(size - 1 - Below(Below(2) == 0 ? 512 : size / 4));
      break;
    }
    return bytes;
  }

private:
  std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(rng_() % n); }
  std::string Junk(std::size_t n) {
    std::string junk(n, '\0');
    for (auto& c : junk) {
      c = static_cast<char>(rng_() & 0xFF);
    }
    return junk;
  }
  static std::size_t StartxrefPosition(const std::string& bytes) {
    const auto at = bytes.rfind("startxref");
    return at == std::string::npos ? bytes.size() : std::strtoul(bytes.c_str() + at + 9, nullptr, 10);
  }

  std::mt19937 rng_;
};

std::size_t EnvNumber(const char* name, std::size_t fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::strtoul(text, nullptr, 10) : fallback;
}

int ExitCode(const std::string& command) {
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
bool Succeeds(const std::string& command) { return ExitCode(command) == 0; }

// Poppler has opened a file when pdftoppm draws at least one page of it (it also exits with 0 when
// it finds no page at all).
bool PopplerDraws(const std::string& path, const std::filesystem::path& folder) {
  std::filesystem::remove_all(folder);
  std::filesystem::create_directory(folder);
  return Succeeds("pdftoppm -r 8 -png '" + path + "' '" + (folder / "page").string() + "'") &&
         !std::filesystem::is_empty(folder);
}

class DamagedFormTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(PdfViewControl::Create(nullptr, IID_IPDFview, reinterpret_cast<void**>(&viewer_)), S_OK);
    IConnectionPointContainer* container = nullptr;
    ASSERT_EQ(viewer_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
    ASSERT_EQ(container->FindConnectionPoint(IID__IPDFviewEvents, &point_), S_OK);
    container->Release();
    ASSERT_EQ(point_->Advise(&sink_, &cookie_), S_OK);
  }
  void TearDown() override {
    if (point_ != nullptr) {
      point_->Unadvise(cookie_);
      point_->Release();
    }
    if (viewer_ != nullptr) {
      viewer_->Release();
    }
  }

  struct Outcome {
    bool opened = false, filled = false, saved = false;
    std::string why;   // the description of the step that failed
  };
  // The whole request on one file: open, the fill script, save over `to`, close.
  Outcome Fill(const std::string& path, const Pairs& pairs, const std::string& to) {
    Outcome outcome;
    Text name(path), password("");
    std::int32_t id = 0;
    if (viewer_->OpenDocument(name.b, password.b, &id, 0) != S_OK) {
      outcome.why = TakeErrorDescription();
      return outcome;
    }
    outcome.opened = true;
    Text script(FillScript(pairs));
    BSTR result = nullptr;
    outcome.filled = viewer_->RunJavaScript(script.b, &result, id, 0) == S_OK;
    SysFreeString(result);
    if (outcome.filled) {
      Text destination(to);
      outcome.saved = viewer_->SaveDocument(id, destination.b, kSaveOptionFullRewrite, kSaveFlagReplace) == S_OK;
    }
    if (!outcome.saved) {
      outcome.why = TakeErrorDescription();
    }
    EXPECT_EQ(viewer_->CloseDocument(id, kCloseFlagDiscard), S_OK);
    return outcome;
  }

  ScratchFolder scratch_;
  IPDFview* viewer_ = nullptr;
  IConnectionPoint* point_ = nullptr;
  DWORD cookie_ = 0;
  RecordingSink sink_;
};

const Pairs& OtherFormPairs() {
  static const Pairs pairs = {{"Name", "Both of us"}, {"Agree", "Yes"},    {"Direction", "1"},
                              {"Colour", "Blue"},     {"Fruit", "banana"}, {"Comment", "Crème brûlée"}};
  return pairs;
}

// The text fields of a form's pairs: what a reader of the filled copy must find in them.
std::map<std::string, std::string> TextValues(const Pairs& pairs) {
  std::map<std::string, std::string> values;
  for (const auto& [name, value] : pairs) {
    if (name.find("Chk") == std::string::npos && name != "Agree" && name != "Direction" && name != "Colour" &&
        name != "Fruit" && name != "Country") {
      values[name] = value;
    }
  }
  return values;
}

TEST_F(DamagedFormTest, ARepairedFormOpensWithTheRepairInItsEventAndFillsAsASoundOne) {
  std::string bytes = ReadFile(SampleForm());
  const auto at = bytes.rfind("startxref");
  bytes.replace(at, bytes.find("%%EOF", at) - at, "startxref\n999\n");
  const std::string damaged = scratch_ / "damaged.pdf";
  const std::string sound = scratch_ / "sound.pdf";
  WriteFile(damaged, bytes);
  std::filesystem::copy_file(SampleForm(), sound);

  for (const auto& path : {sound, damaged}) {
    const std::string filled = path + ".filled.pdf";
    const auto outcome = Fill(path, SamplePairs(), filled);
    ASSERT_TRUE(outcome.saved) << path << ": " << TakeErrorDescription();
    const auto fields = ReadFields(filled);
    EXPECT_EQ(fields.at("Country"), "South Africa");
    EXPECT_EQ(fields.at("BooksChk"), "Yes");
    EXPECT_EQ(fields.at("Text40"), "Text40");
    EXPECT_TRUE(Succeeds("qpdf --check '" + filled + "'")) << path;
  }
  ASSERT_EQ(sink_.events.size(), 8u);
  ASSERT_EQ(sink_.events[0].type, kEventDocumentOpened);
  EXPECT_EQ(sink_.events[0].detail, sound);
  ASSERT_EQ(sink_.events[4].type, kEventDocumentOpened);
  const std::string repaired = sink_.events[4].detail;
  EXPECT_EQ(repaired.rfind(damaged + "\r\nThe document was damaged and has been repaired: ", 0), 0u) << repaired;
  EXPECT_NE(repaired.find("xref not found"), std::string::npos) << repaired;
}

// The bytes of object `number` between "obj" and "endobj" (or, for a stream, the middle of its
// data) overwritten with `junk`, so that no reader can make anything of them; offsets stay.
std::string Destroyed(std::string bytes, int number, char junk, bool streamData = false) {
  const auto at = bytes.find("\n" + std::to_string(number) + " 0 obj");
  auto from = bytes.find(streamData ? "stream\n" : "obj", at + 1) + (streamData ? 7 : 3);
  auto to = bytes.find(streamData ? "endstream" : "endobj", from);
  if (streamData) {
    from += (to - from) / 3;
    to = from + 8;
  }
  bytes.replace(from, to - from, std::string(to - from, junk));
  return bytes;
}

// What a repair cannot give back is not papered over: a form whose page tree is gone does not open,
// and a copy without a field or with a stream that does not decode is not saved.
TEST_F(DamagedFormTest, WhatTheDamageDestroyedIsNeverSavedAsIfItWereWhole) {
  const std::string sample = ReadFile(SampleForm());
  QPDF pdf;
  pdf.processFile(SampleForm().c_str());
  const int pages = pdf.getRoot().getKey("/Pages").getObjectID();
  const int content = QPDFObjectHandle(pdf.getAllPages().front()).getKey("/Contents").getObjectID();
  int text7 = 0;
  for (auto& field : QPDFAcroFormDocumentHelper(pdf).getFormFields()) {
    if (field.getFullyQualifiedName() == "Text7") {
      text7 = field.getObjectHandle().getObjectID();
    }
  }
  ASSERT_NE(text7, 0);
  struct Case {
    const char* name;
    std::string bytes;
    bool opens;
    const char* why;
  } cases[] = {
      {"page tree", Destroyed(sample, pages, '}'), false, "no page can be read"},
      {"field", Destroyed(sample, text7, '}'), true, "1 form field could not be read"},
      {"content stream", Destroyed(sample, content, '\xFF', true), true, "cannot be decoded"},
  };
  const std::string out = scratch_ / "out.pdf";
  for (const auto& c : cases) {
    const std::string path = scratch_ / (std::string(c.name) + ".pdf");
    WriteFile(path, c.bytes);
    WriteFile(out, "what the destination held");
    const auto outcome = Fill(path, SamplePairs(), out);
    EXPECT_EQ(outcome.opened, c.opens) << c.name;
    EXPECT_EQ(outcome.filled, c.opens) << c.name << ": " << outcome.why;
    EXPECT_FALSE(outcome.saved) << c.name;
    EXPECT_NE(outcome.why.find(c.why), std::string::npos) << c.name << ": " << outcome.why;
    EXPECT_EQ(ReadFile(out), "what the destination held") << c.name;
  }
}

// Against pdftoppm, kind by kind; the counts are printed for the record. Damage that leaves every
// object whole loses nothing, so whatever poppler draws is filled and saved with every value. Where
// the damage destroyed a field, a page or a stream's data, the document opens and fills but the save
// refuses with a description and leaves the destination as it was.
TEST_F(DamagedFormTest, OpensFillsAndSavesWhatPopplerOpens) {
  const std::size_t copies = EnvNumber("QUORIN_DAMAGED_COPIES", 8);
  Damager damager(static_cast<std::uint32_t>(EnvNumber("QUORIN_DAMAGED_SEED", 20261210)));
  struct Form {
    const char* label;
    std::string path;
    const Pairs& pairs;
  } forms[] = {{"sample", SampleForm(), SamplePairs()},
               {"other", SourceDir() + "/tests/platform/pdfview/data/other-producer-form.pdf", OtherFormPairs()}};
  const std::string copy = scratch_ / "copy.pdf";
  const std::string out = scratch_ / "out.pdf";
  const std::string before = "what the destination held";

  struct Count {
    std::size_t made = 0, poppler = 0, opened = 0, filled = 0, saved = 0, openedOfPoppler = 0, savedOfPoppler = 0;
  };
  std::vector<Count> counts(std::size(kDamages));
  Count total;
  for (const auto& form : forms) {
    const std::string original = ReadFile(form.path);
    ASSERT_FALSE(original.empty()) << form.path;
    for (std::size_t k = 0; k < std::size(kDamages); ++k) {
      const bool whole = kDamages[k] == Damage::Shifted || kDamages[k] == Damage::WrongStartxref;
      for (std::size_t i = 0; i < copies; ++i) {
        const std::string label = std::string(form.label) + " / " + DamageName(kDamages[k]) + " #" + std::to_string(i);
        WriteFile(copy, damager.Apply(original, kDamages[k]));
        WriteFile(out, before);
        const bool poppler = PopplerDraws(copy, scratch_.path() / "pages");
        const auto outcome = Fill(copy, form.pairs, out);
        // A fill fails only where the damage left a field the script cannot set, and says which.
        EXPECT_TRUE(outcome.filled || !outcome.opened || outcome.why.find("field") != std::string::npos)
            << label << ": " << outcome.why;
        if (outcome.saved) {
          // qpdf --check: 0 sound, 3 sound with warnings, 2 errors. A flipped bit can leave a token
          // that is odd but readable (a name with a stray '#'), and the copy says what the master said.
          const int check = ExitCode("qpdf --check '" + out + "'");
          EXPECT_TRUE(check == 0 || (!whole && check == 3)) << label << ": qpdf --check exits with " << check;
          if (whole) {
            const auto fields = ReadFields(out);
            for (const auto& [name, value] : TextValues(form.pairs)) {
              EXPECT_EQ(fields.count(name) ? fields.at(name) : "missing", value) << label << ": " << name;
            }
          }
        } else {
          EXPECT_EQ(ReadFile(out), before) << label;
          EXPECT_FALSE(outcome.why.empty()) << label;
        }
        if (poppler && !outcome.saved) {
          std::printf("  %s: poppler draws it, the control did not save it: %s\n", label.c_str(), outcome.why.c_str());
        }
        for (Count* c : {&counts[k], &total}) {
          c->made += 1;
          c->poppler += poppler;
          c->opened += outcome.opened;
          c->filled += outcome.filled;
          c->saved += outcome.saved;
          c->openedOfPoppler += poppler && outcome.opened;
          c->savedOfPoppler += poppler && outcome.saved;
        }
      }
      if (whole) {
        EXPECT_EQ(counts[k].savedOfPoppler, counts[k].poppler) << DamageName(kDamages[k]);
      }
    }
  }
  std::printf("%-16s %6s %8s %7s %7s %6s %17s %16s\n", "damage", "copies", "poppler", "opened", "filled", "saved",
              "opened of poppler", "saved of poppler");
  for (std::size_t k = 0; k <= std::size(kDamages); ++k) {
    const Count& c = k < std::size(kDamages) ? counts[k] : total;
    std::printf("%-16s %6zu %8zu %7zu %7zu %6zu %17zu %16zu\n",
                k < std::size(kDamages) ? DamageName(kDamages[k]) : "all", c.made, c.poppler, c.opened, c.filled,
                c.saved, c.openedOfPoppler, c.savedOfPoppler);
  }
  EXPECT_GE(total.openedOfPoppler * 100, total.poppler * 95);
  EXPECT_GT(total.poppler, total.made / 2) << "the damage is too heavy to measure anything";
}

} // namespace
} // namespace quorin::pdfview
