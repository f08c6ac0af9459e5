#pragma once
// One control of a window: the model's truth about it. A backend reads these to draw the control
// and never keeps state of its own that the model does not hold.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/BoundVariable.h"
#include "platform/runtime/ListFormat.h"
#include "platform/runtime/WindowDefinition.h"

namespace quorin {

class Window;

// Properties by the runtime's numbers.
namespace prop {
inline constexpr int kText = 0x7C00;
inline constexpr int kXpos = 0x7C02;
inline constexpr int kYpos = 0x7C03;
inline constexpr int kWidth = 0x7C04;
inline constexpr int kHeight = 0x7C05;
inline constexpr int kResize = 0x7C1A;
inline constexpr int kHide = 0x7C65;
inline constexpr int kIconize = 0x7C69;
inline constexpr int kImm = 0x7C6A;
inline constexpr int kMaximize = 0x7C6F;
inline constexpr int kReadOnly = 0x7C7B;
inline constexpr int kReq = 0x7C7C;
inline constexpr int kMinWidth = 0x7CAD;
inline constexpr int kMinHeight = 0x7CAE;
inline constexpr int kMaxWidth = 0x7CAF;
inline constexpr int kMaxHeight = 0x7CB0;
inline constexpr int kCreate = 0x7CC6;
inline constexpr int kDoVerb = 0x7CCA;
inline constexpr int kRelease = 0x7CCE;
inline constexpr int kDispatchRef = 0x7CF5;
inline constexpr int kAlrt = 0x7D06;
} // namespace prop

// What changed, for ControlChanged / WindowChanged of UserInterface (bits).
enum Change : unsigned {
    kChangeText = 0x001,     // screen text (entry, text), check state, caption of a button or prompt
    kChangeEnabled = 0x002,
    kChangeHidden = 0x004,
    kChangeReadOnly = 0x008,
    kChangeGeometry = 0x010,
    kChangeRows = 0x020,     // a list's rows
    kChangeCurrentRow = 0x040, // a list's current row or top row, a sheet's current tab
    kChangeTitle = 0x080,    // of the window
    kChangeState = 0x100,    // of the window: maximised, minimised, restored
    kChangeRedraw = 0x200,   // DisplayControls: draw the control again from the model
    kChangeAll = 0xFFF,
};

class Control {
public:
    Control(Window& window, int number, const ControlDefinition& definition);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    Window& window() const { return window_; }
    int number() const { return number_; }
    ControlKind kind() const { return definition_.kind; }
    const ControlDefinition& definition() const { return definition_; }
    const std::string& label() const { return definition_.label; }
    // Caption with its "&" mnemonic (buttons, prompts, check boxes, tabs); for an entry its picture.
    const std::string& caption() const { return caption_; }
    void SetCaption(std::string caption);
    const std::string& picture() const { return definition_.caption; }
    const BoundVariable& variable() const { return definition_.variable; }
    int parent() const { return definition_.parent; }

    // Geometry in dialog units, unset ones filled in by the runtime when the control is made.
    int x() const { return x_; }
    int y() const { return y_; }
    int width() const { return width_; }
    int height() const { return height_; }
    void SetGeometry(int x, int y, int width, int height);

    bool enabled() const { return enabled_; }
    // Hidden by itself (Hide); Visible() also counts a hidden parent. A control on a tab that is not
    // in front still counts as visible: the required check and the focus bring its tab forward.
    bool hidden() const { return hidden_; }
    bool Visible() const;
    bool readOnly() const { return readOnly_; }
    bool required() const { return (attributes_ & kCtlReq) != 0; }
    bool immediate() const { return (attributes_ & kCtlImm) != 0; }
    bool isDefault() const { return (attributes_ & kCtlDefault) != 0; }
    std::uint32_t attributes() const { return attributes_; }

    // Screen text: what an entry or text shows (while the user edits: what was typed), a check
    // box's "1" or "0", a prompt's or button's caption.
    const std::string& screenText() const { return screenText_; }
    bool checked() const { return screenText_ == "1"; }
    // The most bytes of text the control takes, so that it never shows more than its variable
    // stores: an entry's picture length, a multi-line text's variable (its line ends as CR LF);
    // 0 where nothing limits it.
    int MaxTextBytes() const;
    // Redraws the screen text from the variable (DisplayControls).
    virtual void Display();

    // Lists: rows through the list format, current row from 1 (0 when empty), first visible row.
    const ListFormat& listFormat() const { return listFormat_; }
    int RowCount() const;
    std::vector<std::string> RowTexts(int position) const; // one text per column
    int currentRow() const { return currentRow_; }
    int topRow() const { return topRow_; }
    void SetCurrentRow(int position); // program side: no event
    // Sheets: the tab shown, its control number.
    int currentTab() const { return currentTab_; }
    void SetCurrentTab(int tab);

    // Alert keys (Alrt).
    const std::vector<int>& alertKeys() const { return alertKeys_; }
    void AddAlertKey(int key);
    void RemoveAlertKey(int key);
    bool IsAlertKey(int key) const;

    // Properties by number; an unknown one reads empty and ignores a write.
    virtual std::string GetProperty(int property) const;
    virtual void SetProperty(int property, std::string_view value);

    // Backend-private data: a backend keeps its widget handle here.
    void* backendData = nullptr;

protected:
    friend class Window;
    Window& window_;
    int number_;
    ControlDefinition definition_;
    std::string caption_;
    std::string screenText_;
    bool editing_ = false; // the user changed the screen text; not yet written back
    int x_ = 0, y_ = 0, width_ = 0, height_ = 0;
    bool enabled_ = true;
    bool hidden_ = false;
    bool readOnly_ = false;
    std::uint32_t attributes_ = 0;
    ListFormat listFormat_;
    int currentRow_ = 0;
    int topRow_ = 1;
    int currentTab_ = 0;
    std::vector<int> alertKeys_;
};

} // namespace quorin
