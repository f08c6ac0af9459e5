#include <string>

#include "platform/com/ComStrings.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/Queue.h"
#include "viewer/IPDFviewClass.h"

namespace quorin::viewer {

std::int32_t IPDFviewClass::RunScriptLines(std::int32_t documentId, Queue& script, Queue& result, std::int32_t flags)
{
    // Measure first, so the joined text is built in one buffer of its exact size.
    std::size_t total = 0;
    const std::size_t rows = script.Records();
    for (std::size_t row = 1; row <= rows; ++row) {
        script.Get(row);
        const std::string_view line = Clip(script.GetText(1));
        if (!line.empty()) {
            total += line.size() + 1;
        }
    }
    if (total == 0) {
        return 0;
    }
    std::string joined;
    joined.reserve(total);
    for (std::size_t row = 1; row <= rows; ++row) {
        script.Get(row);
        const std::string_view line = Clip(script.GetText(1));
        if (!line.empty()) {
            joined += ' ';
            joined += line;
        }
    }
    com::BstrString scriptBstr;
    scriptBstr.FromText(joined, true);
    joined = std::string();

    BSTR output = nullptr;
    if (RunJavaScript(scriptBstr.Get(), &output, documentId, flags) != 0) {
        return 0;
    }
    result.Free();
    if (output == nullptr) {
        return 1;
    }
    {
        com::NarrowString narrow;
        narrow.FromWide(output, true, false);
        std::string_view rest(narrow.Text() == nullptr ? "" : narrow.Text(), narrow.Length());
        while (!rest.empty()) {
            const std::size_t cut = rest.find("\r\n");
            result.ClearBuffer();
            result.SetText(1, rest.substr(0, cut)); // cut at the field's width, the rest of a piece dropped
            result.Add();
            rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 2);
        }
    }
    com::SysFreeString(output);
    return 1;
}

} // namespace quorin::viewer
