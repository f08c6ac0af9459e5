#pragma once
// Normal appearances of text and choice widgets, drawn so that a viewer which does not redraw
// fields shows the value.
#include <string>
#include <vector>

#include "platform/pdfview/FormField.h"

namespace quorin::pdfview {

struct AppearanceContent {
  std::vector<std::string> lines;   // UTF-8; one line unless a list box
  std::vector<bool> selected;       // list box: which lines are highlighted
  bool listBox = false;
  bool multiline = false;           // wrapped inside the box, line breaks kept
  int combCells = 0;                // above 0: one character per cell
};

// Draws the widget's /AP /N in the field's font and size (size 0: fitted to the box); what that
// font cannot encode is drawn in an embedded subset of a fallback font. False, with nothing
// changed, when it cannot be drawn faithfully: a character no font has, a rotated widget.
bool DrawFieldAppearance(FormContext& form, const FormField& field, QPDFObjectHandle widget,
                         const AppearanceContent& content);

// Background and border only, for a value the reader must draw itself.
void DrawBlankAppearance(FormContext& form, const FormField& field, QPDFObjectHandle widget);

} // namespace quorin::pdfview
