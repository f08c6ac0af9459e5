#pragma once
// The browse list of saved form records in the form-filling window, tied to its three buttons.
#include <cstddef>

#include "platform/classlib/BrowseManager.h"

namespace quorin::forms {

struct MainContext;

class MainBrowse : public BrowseManager {
public:
    explicit MainBrowse(MainContext& main) : main_(main) {}

    // The class library's set-up, then the insert, change and delete buttons, unless the window
    // runs in view mode.
    void Init(int listControl, char* positionField, std::size_t positionLength, View& view, Queue& listQueue,
              RelationManager& file, WindowManager& window);

    Queue* Q = nullptr; // `Main`'s browse queue

private:
    [[maybe_unused]] MainContext& main_;
};

} // namespace quorin::forms
