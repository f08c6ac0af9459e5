#pragma once
// A row of the form-filling window's field list: a field of the form to fill and its value.
#include "platform/runtime/FixedText.h"
#include "platform/runtime/RecordLayout.h"

namespace quorin::forms {

struct FieldListEntry {
    FixedText<100> FIELDNAME;
    FixedText<100> FIELDDATA;
};
static_assert(sizeof(FieldListEntry) == 200);

const RecordLayout& FieldListEntryLayout();

} // namespace quorin::forms
