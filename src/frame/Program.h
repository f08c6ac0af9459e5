#pragma once
// The program's main module: the program-wide objects, the per-thread variables the windows share,
// and the steps the runtime runs when the process and each of its threads start and end.
#include "platform/classlib/ErrorManager.h"
#include "platform/classlib/ErrorStatusBlock.h"
#include "platform/classlib/FuzzyMatcher.h"
#include "platform/classlib/IniManager.h"
#include "platform/runtime/Module.h"
#include "platform/runtime/ThreadVar.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace quorin {

// Where the main module calls out to the data dictionary and to `Main`. The program's start
// (main.cpp) fills them; tests fill them with probes. An empty hook does nothing.
struct ProgramHooks {
    std::function<void()> blankScriptFileName; // the global script-file name := 260 blanks
    std::function<void()> createThreadFiles;   // bind this thread's file structures
    std::function<void()> releaseThreadFiles;  // release them, closing what is still open
    std::function<void()> initDictionary;      // this thread's file and relation managers
    std::function<void()> killDictionary;
    std::function<void()> main;                // the procedure `Main`
};
ProgramHooks& Hooks();

// Program-wide objects: live from `ProgramModuleInit` to `ProgramModuleTerm` (the fuzzy matcher is
// never destroyed). Using one outside that life is a program fault.
ErrorManager& GlobalErrorManager();
IniManager& GlobalIniManager();
FuzzyMatcher& GlobalFuzzyMatcher();
bool ProgramObjectsExist(); // the error manager and the INI manager are there

// The name of the INI file the body opens.
inline constexpr std::string_view kProgramIniFile = ".\\quorin20.INI";

// Per-thread variables.
extern ThreadVar<std::uint8_t> GlobalRequest;   // 1 insert, 2 change, 3 delete, 6 view
extern ThreadVar<std::uint8_t> GlobalResponse;  // 1 completed, 2 cancelled
extern ThreadVar<std::int32_t> GlobalVcrRequest;
extern ThreadVar<ErrorStatusBlock> ThreadErrorStatus;

// Its construction builds the thread's data dictionary (except on thread 1, whose dictionary the
// body builds), its destruction tears it down on every thread.
class ThreadDictionary {
public:
    ThreadDictionary();  // InitThreadDictionary
    ~ThreadDictionary(); // KillThreadDictionary
    ThreadDictionary(const ThreadDictionary&) = delete;
    ThreadDictionary& operator=(const ThreadDictionary&) = delete;
};
// The calling thread's instance, null before `ProgramThreadInit` and after `ProgramThreadTerm`.
ThreadDictionary* CurrentThreadDictionary();

// The per-thread file set-up is the dictionary's `CreateThreadFiles`, reached through the hooks.
void ProgramModuleInit();
void ProgramThreadInit();
void RunProgram();
void ProgramThreadTerm();
void ProgramModuleTerm();

// The main module's entry of the module table.
Module ProgramModule();

} // namespace quorin
