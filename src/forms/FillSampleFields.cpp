#include "forms/FillSampleFields.h"

#include <string>

#include "forms/MainContext.h"

namespace quorin::forms {

const std::vector<std::pair<std::string_view, std::string_view>>& SamplePairs()
{
    static const auto pairs = [] {
        std::vector<std::pair<std::string_view, std::string_view>> p = {
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
        // "Text2" to "Text40", each its own value; the texts live as long as the table.
        static std::vector<std::string> texts;
        for (int n = 2; n <= 40; ++n) {
            texts.push_back("Text" + std::to_string(n));
        }
        for (const std::string& text : texts) {
            p.emplace_back(text, text);
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
