#include "forms/MainWindowDefinition.h"

#include <optional>
#include <string>

namespace quorin::forms {

namespace {

struct Place {
    int x, y;
    std::optional<int> width, height; // unset: sized to the content
};

ControlDefinition Define(std::string label, ControlKind kind, std::string caption, std::uint32_t attributes,
                         Place place)
{
    ControlDefinition c;
    c.label = std::move(label);
    c.kind = kind;
    c.caption = std::move(caption);
    c.attributes = attributes;
    c.x = place.x;
    c.y = place.y;
    c.width = place.width;
    c.height = place.height;
    return c;
}

ControlDefinition DefineList(std::string label, std::string format, std::uint32_t attributes, Place place)
{
    ControlDefinition c = Define(std::move(label), ControlKind::List, "", attributes, place);
    c.listFormat = std::move(format);
    return c;
}

} // namespace

WindowDefinition MainWindowDefinition()
{
    WindowDefinition d;
    d.module = std::string(kMainModule);
    d.name = std::string(kMainWindowName);
    d.title = "PDF Form Filling";
    d.font = {"MS Sans Serif", 8, 400, -1};
    d.width = 330;
    d.height = 345;
    d.attributes = kWinGray | kWinDouble;

    ControlDefinition browse = DefineList(
        "?LIST",
        "49R(2)|M~Date~L@D17@34R(2)|M~Time~L@T7@85L(2)|M~Account~@s20@80L(2)|M~Password~@s20@1020L(2)~Email~@s255@",
        kCtlImm | kCtlVScroll, {9, 7, 311, 132});
    browse.msg = "Browsing Records";

    d.controls = {
        Define("?PDFFILENAME:PROMPT", ControlKind::Prompt, "PDF &Form Name:", 0, {9, 292, {}, {}}),
        Define("?PDFMASTER", ControlKind::Entry, "s255", kCtlReq, {65, 292, 235, 10}),
        Define("?LOOKUPFILE", ControlKind::Button, "...", 0, {308, 291, 12, 12}),
        DefineList("?LIST1", "150L(2)|M~Field Name~@s100@400L(2)~Field Data~@s100@", kCtlVScroll, {9, 166, 311, 119}),
        Define("?PDFSAVEAS:PROMPT", ControlKind::Prompt, "PDF Save &As:", 0, {9, 311, {}, {}}),
        Define("?PDFSAVEAS", ControlKind::Entry, "s255", kCtlReq, {65, 310, 235, 10}),
        Define("?LOOKUPFILE:2", ControlKind::Button, "...", 0, {308, 309, 12, 12}),
        Define("?REGION1", ControlKind::Region, "", kCtlHide, {9, 327, 34, 14}),
        Define("?CLOSE", ControlKind::Button, "Close", 0, {275, 327, 45, 14}),
        Define("?EXPORTSCRIPT", ControlKind::Check, " E&xport Script", 0, {65, 329, {}, {}}),
        browse,
        Define("?INSERT", ControlKind::Button, "&Insert", 0, {9, 146, 60, 14}),
        Define("?CHANGE", ControlKind::Button, "&Change", 0, {83, 146, 60, 14}),
        Define("?DELETE", ControlKind::Button, "&Delete", 0, {157, 146, 60, 14}),
        Define("?SELECT", ControlKind::Button, "&Select to Form", 0, {260, 146, 60, 14}),
        Define("?TOFORM", ControlKind::Button, "Save &To Form", kCtlReq, {175, 327, 60, 14}),
    };
    return d;
}

} // namespace quorin::forms
