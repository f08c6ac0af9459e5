#include "forms/FieldListEntry.h"

namespace quorin::forms {

const RecordLayout& FieldListEntryLayout()
{
    static const RecordLayout layout("FIELDLIST",
                                     {{"FIELDNAME", FieldType::Text, 100}, {"FIELDDATA", FieldType::Text, 100}});
    return layout;
}

} // namespace quorin::forms
