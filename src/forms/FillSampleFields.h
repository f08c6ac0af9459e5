#pragma once
// The fixed sample pairs that "Save &To Form" writes into the master form.
#include <string>
#include <utility>
#include <vector>

namespace quorin::forms {

struct MainContext;

// Empties `Main`'s field list and adds the 50 sample rows in their order.
void FillSampleFields(MainContext& main);

// The 50 pairs of field name and value, in the order the field list gets them.
const std::vector<std::pair<std::string, std::string>>& SamplePairs();

} // namespace quorin::forms
