#pragma once
// A row of a script queue or a result queue: one line of a fill script or of the text it returned.
#include "platform/runtime/FixedText.h"
#include "platform/runtime/RecordLayout.h"

namespace quorin::forms {

struct ScriptLineRow {
    FixedText<1024> LINE;
};
static_assert(sizeof(ScriptLineRow) == 1024);

const RecordLayout& ScriptLineRowLayout();

} // namespace quorin::forms
