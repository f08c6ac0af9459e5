#include "forms/BuildFillScript.h"

#include "frame/DataDictionary.h"
#include "platform/runtime/Paths.h"

namespace quorin::forms {

const std::array<std::string_view, kLoadFieldLines> kLoadFieldText = {
    "function loadfield( fldName, fldValue ) {",
    "var tst = fldName.toUpperCase();",
    "for ( var i = 0; i < this.numFields; i++ ) {",
    "var fname = this.getNthFieldName(i);",
    "var ft = fname.toUpperCase();",
    "if ( tst == ft ) {",
    "var f = this.getField(fname);",
    "switch( f.type ) {",
    "case \"text\":",
    "f.value = fldValue;",
    "break;",
    "case \"listbox\":",
    "case \"combobox\":",
    "for ( var j = 0; j < f.numItems; j++ ) {",
    "if ( fldValue == f.getItemAt(j) ) {",
    "f.currentValueIndices = j;",
    "break;",
    "}",
    "}",
    "if ( f.type == \"combobox\" )",
    "f.value = fldValue;",
    "break;",
    "case \"checkbox\":",
    "switch ( fldValue.toUpperCase() ) {",
    "case \"OFF\":",
    "case \"NO\":",
    "case \"FALSE\":",
    "case \"0\":",
    "f.checkThisBox(0, false);",
    "break;",
    "default:",
    "f.checkThisBox(0, true);",
    "break;",
    "}",
    "break;",
    "case \"radiobutton\":",
    "f.checkThisBox(fldValue - 0);",
    "case \"button\":",
    "case \"signature\":",
    "default:",
    "break;",
    "}",
    "}",
    "}",
    "}",
};

std::string LoadFieldCall(std::string_view name, std::string_view value)
{
    return "loadfield(\"" + std::string(Clip(name)) + "\",\"" + std::string(Clip(value)) + "\");";
}

void BuildFillScript(MainContext& main)
{
    Queue& script = *main.scriptQueue;
    Queue& fields = *main.fieldList;
    script.Free();
    for (std::size_t n = 0; n < kLoadFieldLines; ++n) {
        main.scriptRow.LINE = (*main.loadfield)[n].Clipped();
        script.Add();
    }
    const std::size_t rows = fields.Records();
    for (std::size_t row = 1; row <= rows; ++row) {
        fields.Get(row);
        main.scriptRow.LINE = LoadFieldCall(main.fieldListRow.FIELDNAME.View(), main.fieldListRow.FIELDDATA.View());
        script.Add();
    }
    if (main.exportFlag == 0) {
        return;
    }
    GlobalScriptFileName() = GetLongPath("quorin36.js");
    RemoveFile(GlobalScriptFileName().View());
    if (RelateJavaScriptFile()->Open(0) != 0) {
        return;
    }
    char* line = JavaScriptFile().Record();
    const std::size_t width = JavaScriptFileLayout().Field(1).size;
    const std::size_t lines = script.Records();
    for (std::size_t row = 1; row <= lines; ++row) {
        script.Get(row);
        AssignText(line, width, main.scriptRow.LINE.View());
        AccessJavaScriptFile()->Insert();
    }
    RelateJavaScriptFile()->Close(0);
}

} // namespace quorin::forms
