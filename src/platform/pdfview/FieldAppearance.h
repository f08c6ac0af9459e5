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
};

// Draws the widget's /AP /N in the field's font and size (size 0: fitted to the box). False, with
// nothing changed, when it cannot be drawn faithfully: no usable font, a character the font's
// encoding lacks, a rotated widget.
bool DrawFieldAppearance(FormContext& form, const FormField& field, QPDFObjectHandle widget,
                         const AppearanceContent& content);

// Background and border only, for a value the reader must draw itself.
void DrawBlankAppearance(FormContext& form, const FormField& field, QPDFObjectHandle widget);

} // namespace quorin::pdfview
