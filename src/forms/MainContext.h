#pragma once
// `Main`'s locals, in the order `Main` makes them. The objects of `Main`'s own classes (window
// manager, browse, viewer) hold a link to the context and reach the window's data through it while
// `Main` runs. Should the program end while the window is up, the members go in the reverse of
// their order, which is the order in which `Main` releases them itself.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "forms/FieldListEntry.h"
#include "forms/ScriptLineRow.h"
#include "platform/classlib/BrowseManager.h"
#include "platform/classlib/FileLookup.h"
#include "platform/classlib/Toolbar.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/Queue.h"
#include "platform/runtime/RecordLayout.h"
#include "platform/runtime/Window.h"

namespace quorin::forms {

class MainBrowse;
class MainViewer;
class MainWindow;

// A row of the browse list: five shown columns, then what is carried but not shown.
struct MainBrowseRow {
    std::int32_t SAVDATE = 0;
    std::int32_t SAVTIME = 0;
    FixedText<20> SAVACCOUNT;
    FixedText<20> SAVPASSWORD;
    FixedText<256> SAVEMAIL;
    FixedText<1024> SAVADDLINFO;
    std::uint8_t MARK = 0;
    FixedText<1024> VIEWPOSITION;
};
const RecordLayout& MainBrowseRowLayout();

// The function `loadfield` that heads every fill script: lines L1 to L45.
inline constexpr std::size_t kLoadFieldLines = 45;
using LoadFieldGroup = std::array<FixedText<44>, kLoadFieldLines>;

struct MainContext {
    MainContext();
    ~MainContext();
    MainContext(const MainContext&) = delete;
    MainContext& operator=(const MainContext&) = delete;

    FixedText<260> formName;   // ?PDFMASTER
    FixedText<260> saveAsName; // ?PDFSAVEAS
    FieldListEntry fieldListRow;
    std::optional<Queue> fieldList; // ?LIST1
    std::uint8_t exportFlag = 0;    // ?EXPORTSCRIPT
    ScriptLineRow scriptRow;
    std::optional<Queue> scriptQueue;
    ScriptLineRow resultRow;
    std::optional<Queue> resultQueue;
    std::optional<LoadFieldGroup> loadfield;
    MainBrowseRow browseRow;
    std::optional<Queue> browseQueue; // ?LIST
    std::unique_ptr<Window> window;
    std::unique_ptr<MainViewer> viewer;
    std::int32_t documentId = 0;
    std::unique_ptr<MainWindow> windowManager;
    Toolbar toolbar;
    std::unique_ptr<FileLookup> formNameLookup;
    std::unique_ptr<FileLookup> saveAsLookup;
    std::unique_ptr<MainBrowse> browse;
    std::optional<BrowseLocator> locator;

private:
    MainContext* outer_; // the thread's running context before this one
};

// The context of the `Main` running on the calling thread; null when none runs.
MainContext* RunningMain();

} // namespace quorin::forms
