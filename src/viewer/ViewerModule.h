#pragma once
// Start-up of the viewer wrapper's module.

namespace quorin::viewer {

// Links the runtime's OLE host control kind, so that hosts can be made at run time.
void ViewerModuleInit();

} // namespace quorin::viewer
