#pragma once
// The fill script as the form-filling window builds it and the wrapper joins it: the 45 lines of
// `loadfield`, one call line per pair, each line preceded by one blank, no line breaks.
#include <string>
#include <utility>
#include <vector>

namespace quorin::pdfview::testing {

inline const std::vector<std::string>& LoadFieldLines() {
  static const std::vector<std::string> lines = {
      "function loadfield( fldName, fldValue ) {",
      "var tst = fldName.toUpperCase();",
      "for ( var i = 0; i < this.numFields; i++ ) {",
      "var fname = this.getNthFieldName(i);",
      "var ft = fname.toUpperCase();",
      "if ( tst == ft ) {",
      "var f = this.getField(fname);",
      "switch( f.type ) {",
      "case \"text\":",
      "f.value = fldValue;",
      "break;",
      "case \"listbox\":",
      "case \"combobox\":",
      "for ( var j = 0; j < f.numItems; j++ ) {",
      "if ( fldValue == f.getItemAt(j) ) {",
      "f.currentValueIndices = j;",
      "break;",
      "}",
      "}",
      "if ( f.type == \"combobox\" )",
      "f.value = fldValue;",
      "break;",
      "case \"checkbox\":",
      "switch ( fldValue.toUpperCase() ) {",
      "case \"OFF\":",
      "case \"NO\":",
      "case \"FALSE\":",
      "case \"0\":",
      "f.checkThisBox(0, false);",
      "break;",
      "default:",
      "f.checkThisBox(0, true);",
      "break;",
      "}",
      "break;",
      "case \"radiobutton\":",
      "f.checkThisBox(fldValue - 0);",
      "case \"button\":",
      "case \"signature\":",
      "default:",
      "break;",
      "}",
      "}",
      "}",
      "}",
  };
  return lines;
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

inline const Pairs& SamplePairs() {
  static const Pairs pairs = [] {
    Pairs p = {{"Country", "South Africa"},  {"Email", "jane.doe@example.com"},
               {"Account", "1234567890"},    {"Password", "mirok2719"},
               {"FirstName", "Jane"},        {"LastName", "Doe"},
               {"Birthdate", "15/01/1960"},  {"AddlInfo", "Just a lot of stuff in here"},
               {"BooksChk", "Yes"},          {"NewspapersChk", "Yes"},
               {"NewspapersChk", "Off"}};
    for (int i = 2; i <= 40; ++i) {
      p.emplace_back("Text" + std::to_string(i), "Text" + std::to_string(i));
    }
    return p;
  }();
  return pairs;
}

inline std::string FillScript(const Pairs& pairs) {
  std::string script;
  for (const auto& line : LoadFieldLines()) {
    script += " " + line;
  }
  for (const auto& [name, value] : pairs) {
    script += " loadfield(\"" + name + "\",\"" + value + "\");";
  }
  return script;
}

inline std::string BinaryDir() { return QUORIN_TEST_BINARY_DIR; }
inline std::string SourceDir() { return QUORIN_TEST_SOURCE_DIR; }
inline std::string SampleForm() { return BinaryDir() + "/tools/sample-form.pdf"; }

} // namespace quorin::pdfview::testing
