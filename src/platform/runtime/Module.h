#pragma once
// The module table: each module's start-up and shut-down steps, run in table order and back.
// Start-up runs, module by module, its per-thread file set-up, module initialiser and per-thread
// initialiser; shut-down runs, in reverse order, each module's per-thread finaliser and module
// finaliser. A thread started later runs every module's per-thread steps on its first use of a
// thread-bound variable, and its per-thread finalisers when it ends.
#include <functional>
#include <string>
#include <vector>

namespace quorin {

struct Module {
    std::string name;
    std::function<void()> threadFileSetup;
    std::function<void()> moduleInit;
    std::function<void()> threadInit;
    std::function<void()> threadTerm;
    std::function<void()> moduleTerm;
};

// Thrown to end the program: unwinds to the program body, whose caller runs the finalisers.
struct ProgramHalt {
    int status = 1;
};

// Ends the program with `status` (non-zero) by unwinding to `ModuleTable::Run`.
[[noreturn]] void HaltProgram(int status = 1);

class ModuleTable {
public:
    ModuleTable() = default;
    explicit ModuleTable(std::vector<Module> modules) : modules_(std::move(modules)) {}

    void Add(Module module) { modules_.push_back(std::move(module)); }
    const std::vector<Module>& Modules() const { return modules_; }

    // On the calling thread, which becomes thread 1; the table becomes the process's active table
    // (later threads run its per-thread steps). It must outlive every thread that uses it.
    void StartUp();
    // For the calling thread: per-thread finaliser, then module finaliser, module by module in reverse.
    // Its thread-bound instances are dropped, so a next start-up begins from the initial values.
    void ShutDown();

    // Start-up, the body, shut-down. The result is the body's, or the status of a `ProgramHalt` that
    // ended it; the finalisers run either way.
    int Run(const std::function<int()>& body);

    // The table started and not yet shut down, null when none.
    static ModuleTable* Active();

    // A later thread's per-thread steps (the runtime runs them on its first use and at its end).
    void StartThread() const;
    void EndThread() const;

private:

    std::vector<Module> modules_;
};

} // namespace quorin
