#include "forms/MainBrowse.h"

#include "forms/MainWindowDefinition.h"
#include "platform/classlib/WindowManager.h"

namespace quorin::forms {

void MainBrowse::Init(int listControl, char* positionField, std::size_t positionLength, View& view,
                      Queue& listQueue, RelationManager& file, WindowManager& window)
{
    BrowseManager::Init(listControl, positionField, positionLength, view, listQueue, file, window);
    if (window.REQUEST != request::kView) {
        INSERTCONTROL = mainctl::kInsert;
        CHANGECONTROL = mainctl::kChange;
        DELETECONTROL = mainctl::kDelete;
    }
}

} // namespace quorin::forms
