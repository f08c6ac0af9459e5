#pragma once
// The window manager: runs one window's life (Init, the event loop, Kill) and the class library's
// handling of its events: close buttons, the form's completion (insert or change of the primary
// file's record), the cancel question, the field history, and the components (a browse) that see
// the window's events after it. A window procedure derives from it and overrides what it needs.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/classlib/ErrorManager.h"
#include "platform/classlib/FileManager.h"

namespace quorin {

class RecordLayout;
class RelationManager;
class Toolbar;
class Window;
class WindowComponent;
class WindowResizer;

// Requests and responses of a window.
namespace request {
inline constexpr std::uint8_t kNone = 0;
inline constexpr std::uint8_t kInsert = 1;
inline constexpr std::uint8_t kChange = 2;
inline constexpr std::uint8_t kDelete = 3;
inline constexpr std::uint8_t kSelect = 4;
inline constexpr std::uint8_t kView = 6;
} // namespace request
namespace response {
inline constexpr std::uint8_t kNone = 0;
inline constexpr std::uint8_t kCompleted = 1;
inline constexpr std::uint8_t kCancelled = 2;
} // namespace response

class WindowManager {
public:
    std::uint8_t REQUEST = 0;
    std::uint8_t ORIGINALREQUEST = 0;
    std::uint8_t RESPONSE = 0;
    std::int32_t FIRSTFIELD = 0;
    std::int32_t OKCONTROL = 0;
    std::int32_t* VCRREQUEST = nullptr;
    ErrorManager* ERRORS = nullptr;
    std::int32_t HISTORYKEY = 0;
    std::uint8_t FILESOPENED = 0;
    std::uint8_t OPENED = 0;
    std::uint8_t BATCHPROCESSING = 0;
    RelationManager* PRIMARY = nullptr;
    std::uint8_t INSERTACTION = 0;
    std::uint8_t CHANGEACTION = 0;
    std::uint8_t DELETEACTION = 0;
    std::uint8_t CANCELACTION = 0;

    WindowManager() = default;
    virtual ~WindowManager() = default;
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    // The class library's table, in its order.
    virtual void ProcessEvents();
    virtual Level Init();
    virtual Level Kill();
    virtual void OnWindowOpened() {}
    virtual void Open(Window& window, Window* owner = nullptr);
    virtual void PrimeFields() {}
    virtual Level PrimeUpdate();
    virtual void Reset() {}
    virtual void RestoreField(int control);
    virtual std::uint8_t Run();
    virtual std::uint8_t RunProcedure(std::int32_t procedure, std::uint8_t request);
    virtual void SetAlertKeys();
    virtual void SetResponse(std::uint8_t response);
    virtual Level HandleAccepted();
    virtual Level HandleCompleted();
    virtual Level HandleCloseEvent();
    virtual Level HandleEvent();
    virtual Level HandleFieldEvent();
    virtual Level HandleNewSelection() { return 0; }
    virtual Level HandleNotify() { return 0; }
    virtual Level HandleRejected() { return 0; }
    virtual Level HandleSelected() { return 0; }
    virtual Level HandleWindowEvent();
    virtual void UpdateComponents();
    virtual void DisableControl(int control);
    virtual Level CompleteInsert();
    virtual Level CompleteChange();
    virtual Level CompleteDelete();
    virtual Level SaveAndContinueChange() { return CompleteChange(); }
    virtual Level SaveAndContinueInsert() { return CompleteInsert(); }
    virtual void SelectFirstField();

    // Not virtual.
    void SetToolbar(Toolbar& toolbar);
    // Before Open: the button leaves with `response`; Open marks it in the window so that pressing
    // it checks no entry's picture.
    void AddCloseButton(int control, std::uint8_t response);
    void AddFile(FileManager& file);
    void SetResizer(WindowResizer& resizer);
    void SetHistoryRecords(void* buffer, const RecordLayout& bufferLayout, std::size_t bufferSize, void* saved,
                           const RecordLayout& savedLayout, std::size_t savedSize);
    void AddHistoryField(int control, int field);
    // A component that sees the window's events (a browse registers itself).
    void AddItem(WindowComponent& component);
    void RemoveItem(WindowComponent& component);

    Window* window() const { return window_; }
    Toolbar* toolbar() const { return toolbar_; }
    WindowResizer* resizer() const { return resizer_; }
    bool Dead() const { return dead_; }
    // The primary file's record buffer as PrimeUpdate took it, for the close check.
    const std::string& PrimedState() const { return primedState_; }

private:
    struct CloseButton {
        int control;
        std::uint8_t response;
    };
    struct HistoryField {
        int control;
        int field;
    };
    struct History {
        char* buffer = nullptr;
        const RecordLayout* bufferLayout = nullptr;
        std::size_t bufferSize = 0;
        char* saved = nullptr;
        const RecordLayout* savedLayout = nullptr;
        std::size_t savedSize = 0;
    };

    // The steps on the primary file and the registered files (WindowManagerFiles.cpp).
    std::string PrimaryImage() const; // the primary file's record buffer; empty without one
    Level UsePrimaryForUpdate();
    void SaveFileStates();
    void RestoreFileStates();
    Level InsertPrimary();       // 0 when added; a failure is reported by the file manager
    int ChangePrimary();         // 0 when written, else the runtime error code; 34 is reported here
    Level DeletePrimary(bool ask); // 0 when deleted

    int HistoryFieldOf(int control) const;
    void PostClose();
    void AcceptOk(); // posts the acceptance of OKCONTROL

    Window* window_ = nullptr;
    Window* owner_ = nullptr;
    Toolbar* toolbar_ = nullptr;
    WindowResizer* resizer_ = nullptr;
    bool listsMade_ = false;
    bool dead_ = false;
    std::vector<WindowComponent*> components_;
    std::vector<CloseButton> closeButtons_;
    std::vector<FileManager*> files_;
    std::vector<HistoryField> historyFields_;
    History history_;
    std::string primedState_;
    std::vector<FileState> savedStates_; // one per registered file, then the primary's
};

} // namespace quorin
