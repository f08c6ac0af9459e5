#include "platform/runtime/Module.h"
#include "platform/runtime/RuntimeError.h"
#include "platform/runtime/ThreadVar.h"

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quorin {

namespace {
std::atomic<ModuleTable*> g_active{nullptr};
std::atomic<std::int32_t> g_nextNumber{2};
std::atomic<bool> g_haveFirst{false};
} // namespace

struct ThreadState {
    std::vector<std::shared_ptr<void>> slots;
    bool entered = false;
    bool runsModules = false; // per-thread finalisers due at the thread's end
    std::int32_t number = 0;
    const ModuleTable* table = nullptr;

    ~ThreadState()
    {
        if (runsModules && table) {
            runsModules = false;
            table->EndThread();
        }
    }
};

namespace {
thread_local ThreadState t_state;
} // namespace

std::int32_t CurrentThreadNumber() { return t_state.number; }

void EnterThread()
{
    ThreadState& state = t_state;
    if (state.entered)
        return;
    state.entered = true;
    // Thread 1 is the process's first thread (or the one that ran the start-up).
    bool expected = false;
    const bool mainThread = ::gettid() == ::getpid();
    state.number = mainThread && g_haveFirst.compare_exchange_strong(expected, true) ? 1 : g_nextNumber++;
    if (ModuleTable* table = g_active.load()) {
        state.table = table;
        state.runsModules = true;
        table->StartThread();
    }
}

namespace detail {

std::size_t NewThreadSlot()
{
    static std::atomic<std::size_t> next{0};
    return next++;
}

std::shared_ptr<void>& ThreadSlot(std::size_t slot)
{
    std::vector<std::shared_ptr<void>>& slots = t_state.slots;
    if (slots.size() <= slot)
        slots.resize(slot + 1);
    return slots[slot];
}

} // namespace detail

void HaltProgram(int status) { throw ProgramHalt{status == 0 ? 1 : status}; }

ModuleTable* ModuleTable::Active() { return g_active.load(); }

void ModuleTable::StartUp()
{
    ThreadState& state = t_state;
    state.slots.clear();
    state.entered = true;
    state.number = 1;
    state.table = this;
    state.runsModules = false; // the first thread's finalisers run from ShutDown
    g_haveFirst = true;
    g_active = this;
    for (const Module& m : modules_) {
        if (m.threadFileSetup)
            m.threadFileSetup();
        if (m.moduleInit)
            m.moduleInit();
        if (m.threadInit)
            m.threadInit();
    }
}

void ModuleTable::ShutDown()
{
    for (auto it = modules_.rbegin(); it != modules_.rend(); ++it) {
        if (it->threadTerm)
            it->threadTerm();
        if (it->moduleTerm)
            it->moduleTerm();
    }
    ModuleTable* self = this;
    g_active.compare_exchange_strong(self, nullptr);
    ThreadState& state = t_state;
    state.slots.clear();
    state.table = nullptr;
}

int ModuleTable::Run(const std::function<int()>& body)
{
    StartUp();
    int status = 0;
    try {
        status = body ? body() : 0;
    } catch (const ProgramHalt& halt) {
        status = halt.status;
    } catch (...) {
        ShutDown(); // open files still close before the failure goes on
        throw;
    }
    ShutDown();
    return status;
}

void ModuleTable::StartThread() const
{
    for (const Module& m : modules_) {
        if (m.threadFileSetup)
            m.threadFileSetup();
        if (m.threadInit)
            m.threadInit();
    }
}

void ModuleTable::EndThread() const
{
    for (auto it = modules_.rbegin(); it != modules_.rend(); ++it)
        if (it->threadTerm)
            it->threadTerm();
}

namespace {
std::mutex g_staticMutex;
std::condition_variable g_staticDone;
} // namespace

int BeginStaticInit(StaticInitGuard& guard)
{
    EnterThread();
    std::unique_lock lock(g_staticMutex);
    for (;;) {
        if (guard.state == 0) {
            guard.state = 1;
            guard.owner = CurrentThreadNumber();
            return 0;
        }
        if (guard.state == 2)
            return 1;
        if (guard.owner == CurrentThreadNumber()) {
            SetRuntimeError(kRecursiveStaticInit);
            return 1;
        }
        g_staticDone.wait(lock);
    }
}

void EndStaticInit(StaticInitGuard& guard)
{
    {
        std::lock_guard lock(g_staticMutex);
        guard.state = 2;
    }
    g_staticDone.notify_all();
}

void SeedRandomOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { std::srand(static_cast<unsigned>(std::time(nullptr))); });
}

} // namespace quorin
