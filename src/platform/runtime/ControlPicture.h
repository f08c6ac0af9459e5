#pragma once
// Showing and taking values through a control's picture (the runtime's pictures: "sN", "D17", "T7")
// for the variable it is bound to. Used by entries and list columns.
#include <optional>
#include <string>
#include <string_view>

#include "platform/runtime/BoundVariable.h"
#include "platform/runtime/RecordLayout.h"

namespace quorin {

std::string ShowThroughPicture(std::string_view picture, const BoundVariable& variable);
// Writes the value the text stands for; false (and nothing written) when the picture cannot take it.
bool TakeThroughPicture(std::string_view picture, std::string_view text, const BoundVariable& variable);
// A field of a row image shown through a list column's picture (empty picture: the field as text).
std::string ShowFieldThroughPicture(std::string_view picture, const RecordLayout& layout, const void* row,
                                    int field);
// Most characters an entry with this picture takes; 0 when unlimited.
int PictureMaxLength(std::string_view picture);

} // namespace quorin
