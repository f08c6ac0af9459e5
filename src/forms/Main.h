#pragma once
// The procedure of the form-filling window "PDF Form Filling", and its module's start-up and
// per-thread shut-down steps.
#include "platform/runtime/Module.h"

namespace quorin::forms {

// Runs the window once; leaves the window's response in the thread's global response.
void Main();

// Links the control kinds the window is made of: region, entry, button, prompt, check box, list.
void MainWindowModuleInit();
// Closes the ending thread's browse view when `Main` ran on the thread.
void MainWindowModuleThreadTerm();

// The module's entry of the module table; its start-up also enters the window's definition into
// the program's resources.
Module MainWindowModule();

} // namespace quorin::forms
