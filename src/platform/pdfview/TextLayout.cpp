#include "platform/pdfview/TextLayout.h"

namespace quorin::pdfview {
namespace {

// Ideographs, kana and hangul break between any two characters, as they carry no spaces.
bool Wide(char32_t c) {
  return (c >= 0x2E80 && c < 0xA000) || (c >= 0xAC00 && c < 0xD7B0) || (c >= 0xF900 && c < 0xFB00) ||
         (c >= 0xFF00 && c < 0xFFF0) || (c >= 0x20000 && c < 0x40000);
}

bool BreakBefore(const GlyphLine& text, std::size_t i) {
  return i > 0 && (text[i - 1].text == ' ' || Wide(text[i - 1].text) || Wide(text[i].text));
}

void TrimEnd(GlyphLine& line) {
  while (!line.empty() && line.back().text == ' ') {
    line.pop_back();
  }
}

} // namespace

double LineWidth(const GlyphLine& line) {
  double total = 0;
  for (const auto& g : line) {
    total += g.width;
  }
  return total;
}

std::vector<GlyphLine> WrapLines(const GlyphLine& text, double width) {
  std::vector<GlyphLine> lines;
  GlyphLine line;
  double used = 0;
  auto endLine = [&] {
    TrimEnd(line);
    lines.push_back(std::move(line));
    line.clear();
    used = 0;
  };
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i].text == '\n') {
      endLine();
      ++i;
      continue;
    }
    // The next word: up to the next break opportunity or line break.
    std::size_t end = i + 1;
    while (end < text.size() && text[end].text != '\n' && !BreakBefore(text, end)) {
      ++end;
    }
    double inked = 0;   // without its trailing spaces
    double full = 0;
    for (std::size_t k = i; k < end; ++k) {
      full += text[k].width;
      if (text[k].text != ' ') {
        inked = full;
      }
    }
    if (!line.empty() && used + inked > width) {
      endLine();
    }
    if (line.empty() && inked > width) {
      for (std::size_t k = i; k < end; ++k) {
        if (!line.empty() && used + text[k].width > width && text[k].text != ' ') {
          endLine();
        }
        if (line.empty() && text[k].text == ' ') {
          continue;
        }
        line.push_back(text[k]);
        used += text[k].width;
      }
    } else if (!(line.empty() && inked == 0)) {
      line.insert(line.end(), text.begin() + static_cast<std::ptrdiff_t>(i), text.begin() + static_cast<std::ptrdiff_t>(end));
      used += full;
    }
    i = end;
  }
  if (!line.empty() || lines.empty() || text.back().text == '\n') {
    endLine();
  }
  return lines;
}

} // namespace quorin::pdfview
