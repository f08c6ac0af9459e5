#pragma once
// A list control's format: one group per column, e.g. "150L(2)|M~Field Name~@s100@".
// Width in dialog units, alignment letter with its indent, marks, header text with its own
// alignment, and the picture between "@" marks.
#include <string>
#include <string_view>
#include <vector>

namespace quorin {

enum class Alignment : char { Left = 'L', Right = 'R', Center = 'C', Decimal = 'D' };

struct ListColumn {
    int width = 0;
    Alignment alignment = Alignment::Left;
    int indent = 0;
    bool rightBorder = false; // "|"
    bool resizable = false;   // "M"
    std::string marks;        // every mark letter as given
    std::string header;
    Alignment headerAlignment = Alignment::Left; // the column's own when the header gives none
    std::string picture;                         // "s100", "D17", "T7"
};

struct ListFormat {
    std::vector<ListColumn> columns;
    // An empty or malformed tail yields the columns read so far.
    static ListFormat Parse(std::string_view format);
};

} // namespace quorin
