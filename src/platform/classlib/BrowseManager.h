#pragma once
// The browse: a list control showing a page of a view in the order of a key. It fills the list's
// queue with the rows that fit the list through its field pairs, pages and scrolls by key position,
// copies the selected row's record into the file's record buffer for an update, and sends inserts,
// changes, deletes and views to its window manager's RunProcedure.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/BrowsePage.h"
#include "platform/classlib/Toolbar.h"
#include "platform/classlib/WindowComponent.h"
#include "platform/runtime/BoundVariable.h"

namespace quorin {

class BrowseManager;
struct FileKey;
class Queue;
class RelationManager;
class View;
class WindowManager;

// VCR requests a record form may leave for its browse: move, then ask again.
namespace vcr {
inline constexpr std::int32_t kNone = 0;
inline constexpr std::int32_t kForward = 1;
inline constexpr std::int32_t kBackward = 2;
inline constexpr std::int32_t kPageForward = 3;
inline constexpr std::int32_t kPageBackward = 4;
inline constexpr std::int32_t kFirst = 5;
inline constexpr std::int32_t kLast = 6;
inline constexpr std::int32_t kInsert = 7; // ask for an insert next
} // namespace vcr

// Base of the browse; its destructor kills the browse when it was initialised and not yet killed.
class ViewManager {
public:
    ViewManager() = default;
    virtual ~ViewManager();
    ViewManager(const ViewManager&) = delete;
    ViewManager& operator=(const ViewManager&) = delete;

    virtual void Kill() {}

protected:
    bool initialised_ = false;
    bool killed_ = false;
};

class BrowseLocator {
public:
    BrowseManager* VIEWMANAGER = nullptr;
    BrowseManager* BROWSEMANAGER = nullptr;
    std::int32_t CONTROL = 0;
    BoundVariable FREEELEMENT; // the located field, the locator's own copy of the reference
    std::uint8_t NOCASE = 0;

    void Init(std::int32_t control, const BoundVariable& field, std::uint8_t noCase, BrowseManager& browse);
    // Positions the browse at the located field's value (the record buffer holds it).
    void Locate();
    ~BrowseLocator() { FREEELEMENT = BoundVariable(); }
};

class BrowseManager : public ViewManager, public WindowComponent, public ToolbarTarget {
public:
    std::uint8_t USEPOPUP = 0;
    std::uint8_t EDITVIAPOPUP = 0;
    std::uint8_t USEWAITCURSOR = 0;
    std::int32_t INSERTCONTROL = 0;
    std::int32_t CHANGECONTROL = 0;
    std::int32_t DELETECONTROL = 0;
    std::int32_t VIEWCONTROL = 0;
    std::int32_t SELECTCONTROL = 0;
    std::int32_t ASKPROCEDURE = 0;

    BrowseManager();
    ~BrowseManager() override;

    void Init(int listControl, char* positionField, std::size_t positionLength, View& view, Queue& listQueue,
              RelationManager& file, WindowManager& window);
    // A sort order on `key`, a key of the view's file; answers the order's number, from 1.
    int AddSortOrder(int thumbControl, FileKey& key);
    void AddLocator(BrowseLocator& locator);
    // Field pairs, after Init with a bound view: each field must lie inside the view's record buffer
    // and the list queue's row buffer. A pair that does not is refused: an assertion in a debug
    // build, runtime error 47 otherwise.
    void AddLongField(std::int32_t* recordField, std::int32_t* queueField);
    void AddStringField(std::size_t recordLength, char* recordField, std::size_t queueLength, char* queueField);
    void AddToolbarTarget(Toolbar& toolbar);
    // An insert (1), change (2), delete (3) or view (6) through the window's RunProcedure; the response.
    std::uint8_t Ask(std::uint8_t request);

    // Reads the page again from the file and shows it (the first page when nothing was shown).
    void ResetPage();
    // The page at the first record at or after the key values in the record buffer.
    void LocateRecord();

    // WindowComponent
    std::uint8_t TakeEvent() override;
    void Update() override;
    void SetAlerts() override;
    void Kill() override;
    // ToolbarTarget
    bool TakeToolbarAction(int action) override;

    const BrowsePage* page() const { return page_.get(); }
    int listControl() const { return listControl_; }
    RelationManager* relation() const { return relation_; }
    View* view() const { return view_; }
    // Rows that fit the list.
    std::size_t PageRows() const;

private:
    struct Pair {
        std::size_t recordOffset;
        std::size_t queueOffset;
        std::size_t length;
    };

    void EnsureLoaded();
    void Show();           // the page into the queue and the list
    void Loading(bool on); // the wait cursor
    std::uint8_t TakeListKey(int key);
    // The popup menu; `atRowOf` as UserInterface::PopupMenu takes it.
    std::uint8_t Popup(int atRowOf);
    bool Move(std::int32_t vcrRequest);
    void Refresh(std::uint8_t request, std::uint8_t response, const std::string& before);
    std::uint8_t AskFromButton(std::uint8_t request);

    int listControl_ = 0;
    char* position_ = nullptr;
    std::size_t positionLength_ = 0;
    View* view_ = nullptr;
    Queue* queue_ = nullptr;
    RelationManager* relation_ = nullptr;
    WindowManager* window_ = nullptr;
    Toolbar* toolbar_ = nullptr;
    BrowseLocator* locator_ = nullptr;
    std::vector<std::size_t> orders_;
    std::vector<Pair> pairs_;
    std::unique_ptr<BrowsePage> page_;
    bool loaded_ = false;
};

} // namespace quorin
