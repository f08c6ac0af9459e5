// The script engine's heap: the control's own case conversion gives what the engine's gives.
#include <string>

#include <gtest/gtest.h>

#include "platform/pdfview/ScriptHeap.h"

namespace quorin::pdfview {
namespace {

TEST(ScriptHeapTest, CaseConversionAnswersAsTheEnginesOwn) {
  ScriptHeap heap(ScriptLimits{});
  ASSERT_NE(heap.context(), nullptr);
  struct Case {
    const char* script;
    const char* result;
  } cases[] = {
      {"'Text12 mixed_Case'.toUpperCase()", "TEXT12 MIXED_CASE"},
      {"'Text12 MIXED'.toLowerCase()", "text12 mixed"},
      {"'ALREADY'.toUpperCase() + ''.toUpperCase()", "ALREADY"},
      {"'straße ärger'.toUpperCase()", "STRASSE ÄRGER"},
      {"'ΑΒΓ'.toLowerCase()", "αβγ"},
      {"new String('obj').toUpperCase()", "OBJ"},
      {"String.prototype.toUpperCase.call(42) + String.prototype.toLowerCase.call(true)", "42true"},
      {"try { String.prototype.toUpperCase.call(null); 'no error' } catch (e) { e.name }", "TypeError"},
      {"Object.keys(String.prototype).length + ' ' + 'x'.toUpperCase.length", "0 0"},
  };
  for (const auto& c : cases) {
    std::string result;
    const auto status = heap.Run(c.script, result);
    EXPECT_TRUE(status.ok()) << c.script << ": " << status.description;
    EXPECT_EQ(result, c.result) << c.script;
  }
}

} // namespace
} // namespace quorin::pdfview
