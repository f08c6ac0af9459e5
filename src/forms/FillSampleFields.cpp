#include "forms/FillSampleFields.h"

#include "forms/MainContext.h"

namespace quorin::forms {

const std::vector<std::pair<std::string, std::string>>& SamplePairs()
{
    static const auto pairs = [] {
        std::vector<std::pair<std::string, std::string>> p = {
            {"Country", "South Africa"},
            {"Email", "jane.doe@example.com"},
            {"Account", "1234567890"},
            {"Password", "mirok2719"},
            {"FirstName", "Jane"},
            {"LastName", "Doe"},
            {"Birthdate", "15/01/1960"},
            {"AddlInfo", "Just a lot of stuff in here"},
            {"BooksChk", "Yes"},
            {"NewspapersChk", "Yes"},
            {"NewspapersChk", "Off"},
        };
        for (int n = 2; n <= 40; ++n) {
            p.emplace_back("Text" + std::to_string(n), "Text" + std::to_string(n));
        }
        return p;
    }();
    return pairs;
}

void FillSampleFields(MainContext& main)
{
    Queue& list = *main.fieldList;
    list.Free();
    for (const auto& [name, value] : SamplePairs()) {
        main.fieldListRow.FIELDNAME = name;
        main.fieldListRow.FIELDDATA = value;
        list.Add();
    }
}

} // namespace quorin::forms
