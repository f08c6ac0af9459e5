#include "platform/runtime/ListFormat.h"

#include <cctype>

namespace quorin {

namespace {

bool IsAlignment(char c) { return c == 'L' || c == 'R' || c == 'C' || c == 'D'; }

int ReadNumber(std::string_view text, std::size_t& at)
{
    int value = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
        if (value < 100000)
            value = value * 10 + (text[at] - '0');
        ++at;
    }
    return value;
}

// The text between the mark at `at` and the next same mark, `at` then past the closing one. False
// when the mark is never closed: the rest of the text is taken and nothing follows it.
bool ReadDelimited(std::string_view text, std::size_t& at, std::string& out)
{
    const std::size_t end = text.find(text[at], at + 1);
    if (end == std::string_view::npos) {
        out = std::string(text.substr(at + 1));
        return false;
    }
    out = std::string(text.substr(at + 1, end - at - 1));
    at = end + 1;
    return true;
}

} // namespace

ListFormat ListFormat::Parse(std::string_view text)
{
    ListFormat format;
    std::size_t at = 0;
    while (at < text.size()) {
        if (!std::isdigit(static_cast<unsigned char>(text[at])))
            break;
        ListColumn column;
        column.width = ReadNumber(text, at);
        if (at < text.size() && IsAlignment(text[at]))
            column.alignment = static_cast<Alignment>(text[at++]);
        if (at < text.size() && text[at] == '(') {
            ++at;
            column.indent = ReadNumber(text, at);
            if (at < text.size() && text[at] == ')')
                ++at;
        }
        column.headerAlignment = column.alignment;
        // Marks, up to the header or the picture.
        while (at < text.size() && text[at] != '~' && text[at] != '@'
               && !std::isdigit(static_cast<unsigned char>(text[at]))) {
            const char mark = text[at++];
            column.marks += mark;
            if (mark == '|')
                column.rightBorder = true;
            else if (mark == 'M')
                column.resizable = true;
        }
        if (at < text.size() && text[at] == '~') {
            if (!ReadDelimited(text, at, column.header)) {
                format.columns.push_back(column);
                break;
            }
            // A new column starts with its width, so a letter here is the header's alignment.
            if (at < text.size() && IsAlignment(text[at]))
                column.headerAlignment = static_cast<Alignment>(text[at++]);
        }
        if (at < text.size() && text[at] == '@' && !ReadDelimited(text, at, column.picture)) {
            format.columns.push_back(column);
            break;
        }
        format.columns.push_back(column);
    }
    return format;
}

} // namespace quorin
