#include "forms/MainContext.h"

#include <cstddef>

#include "forms/MainBrowse.h"
#include "forms/MainViewer.h"
#include "forms/MainWindow.h"

namespace quorin::forms {

// The layout describes the struct the browse's field pairs point into.
static_assert(offsetof(MainBrowseRow, SAVADDLINFO) == 304 && offsetof(MainBrowseRow, MARK) == 1328 &&
              offsetof(MainBrowseRow, VIEWPOSITION) == 1329);

namespace {
thread_local MainContext* t_running = nullptr;
} // namespace

const RecordLayout& MainBrowseRowLayout()
{
    static const RecordLayout layout("BROWSEROW", {{"SAV:DATE", FieldType::Long},
                                                   {"SAV:TIME", FieldType::Long},
                                                   {"SAV:ACCOUNT", FieldType::Text, 20},
                                                   {"SAV:PASSWORD", FieldType::Text, 20},
                                                   {"SAV:EMAIL", FieldType::Text, 256},
                                                   {"SAV:ADDLINFO", FieldType::Text, 1024},
                                                   {"MARK", FieldType::Byte},
                                                   {"VIEWPOSITION", FieldType::Text, 1024}});
    return layout;
}

MainContext::MainContext() : outer_(t_running) { t_running = this; }

MainContext::~MainContext() { t_running = outer_; }

MainContext* RunningMain() { return t_running; }

} // namespace quorin::forms
