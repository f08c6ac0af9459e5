#pragma once
// The runtime's control factory: a control kind is made only once a module linked its maker.
#include <functional>
#include <memory>

#include "platform/runtime/WindowDefinition.h"

namespace quorin {

class Control;
class Window;

using ControlMaker = std::function<std::unique_ptr<Control>(Window&, int number, const ControlDefinition&)>;

// Enters the maker of a kind; linking a kind again replaces its maker.
void LinkControlKind(ControlKind kind, ControlMaker maker);
bool IsControlKindLinked(ControlKind kind);
// Null when the kind is not linked.
std::unique_ptr<Control> MakeControl(Window& window, int number, const ControlDefinition& definition);
// Forgets every linked kind (tests start from an empty factory).
void UnlinkAllControlKinds();

void LinkRegionControlKind();
void LinkEntryControlKind();
void LinkButtonControlKind();
void LinkPromptControlKind();
void LinkCheckControlKind();
void LinkListControlKind();
void LinkTextControlKind();
void LinkOleControlKind();
void LinkSheetControlKind();
void LinkTabControlKind();
// Every kind above, for tests and tools.
void LinkAllControlKinds();

} // namespace quorin
