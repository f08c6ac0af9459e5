// Placeholder until the record form lands: refuses every request.
#include "forms/UpdateSaveData.h"

#include "frame/Program.h"

namespace quorin::forms {

void UpdateSaveData()
{
    *GlobalRequest = 0;
    *GlobalResponse = 2;
}

void UpdateSaveDataModuleInit() {}

} // namespace quorin::forms
