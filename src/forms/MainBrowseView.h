#pragma once
// Per-thread data of `Main`'s module: the browse view over the saved form records, the flag that
// says `Main` ran on the thread (so its end closes the view), and the guard of `Main`'s once-only
// initialisation.
#include <cstdint>

#include "platform/classlib/View.h"
#include "platform/runtime/ThreadVar.h"

namespace quorin::forms {

// The calling thread's browse view; its first use on a thread binds it (`BindMainViewToFile`).
View& MainBrowseView();
// Binds the calling thread's browse view to the calling thread's `PdfFormSaveData`, projecting
// SAV:DATE, SAV:TIME, SAV:ACCOUNT, SAV:PASSWORD, SAV:EMAIL and SAV:ADDLINFO.
void BindMainViewToFile();

std::uint8_t& MainViewUsed();
StaticInitGuard& MainStaticInitGuard();

} // namespace quorin::forms
