#include "forms/ScriptLineRow.h"

namespace quorin::forms {

const RecordLayout& ScriptLineRowLayout()
{
    static const RecordLayout layout("SCRIPTLINE", {{"LINE", FieldType::Text, 1024}});
    return layout;
}

} // namespace quorin::forms
