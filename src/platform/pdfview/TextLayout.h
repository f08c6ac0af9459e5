#pragma once
// Laying a field's text out in lines: the part of drawing an appearance that knows widths but
// not fonts or content streams.
#include <vector>

namespace quorin::pdfview {

// One character as drawn: which of the appearance's fonts, the code that shows it there, and its
// advance in thousandths of the font size. A line break is a glyph of its own, with no font.
struct Glyph {
  char32_t text = 0;
  int font = -1;
  unsigned code = 0;
  double width = 0;
};

using GlyphLine = std::vector<Glyph>;

double LineWidth(const GlyphLine& line);

// The text in lines no wider than `width` (thousandths of the font size): a new line at each line
// break, else at the last space or between two CJK characters that still fit; a word wider than a
// whole line is broken between characters. Spaces at the end of a line are dropped.
std::vector<GlyphLine> WrapLines(const GlyphLine& text, double width);

} // namespace quorin::pdfview
