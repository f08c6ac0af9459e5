#pragma once
// Thread-bound variables: every thread has its own instance, made from the variable's initial value.
// A thread's first use of any thread-bound variable makes it known to the runtime (a thread number)
// and, when a module table is active and this is a later thread, runs the modules' per-thread steps.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

namespace quorin {

// 1 for the process's first thread (the one that ran the start-up), another number for each other
// thread the runtime knows, 0 for a thread that never used a thread-bound variable.
std::int32_t CurrentThreadNumber();

// Makes the calling thread known (and runs its per-thread start-up) if it is not yet.
void EnterThread();

namespace detail {
std::size_t NewThreadSlot();
// The calling thread's instance in `slot`, or null when not made yet (after `EnterThread`).
std::shared_ptr<void>& ThreadSlot(std::size_t slot);
} // namespace detail

template <typename T>
class ThreadVar {
public:
    ThreadVar() : slot_(detail::NewThreadSlot()) {}
    explicit ThreadVar(T initial) : initial_(std::move(initial)), slot_(detail::NewThreadSlot()) {}

    // The calling thread's instance: the same one every time for the same thread.
    T& ThreadInstance() const
    {
        EnterThread();
        std::shared_ptr<void>& cell = detail::ThreadSlot(slot_);
        if (!cell)
            cell = std::make_shared<T>(initial_);
        return *static_cast<T*>(cell.get());
    }
    T& operator*() const { return ThreadInstance(); }
    T* operator->() const { return &ThreadInstance(); }

private:
    T initial_{};
    std::size_t slot_;
};

// Once-only static initialisation. `BeginStaticInit` gives 0 when the caller must run the
// initialisation now (the guard is then in progress), non-zero when it already ran. Entering it again
// on the same thread while in progress is runtime error 411 (and non-zero); another thread waits.
struct StaticInitGuard {
    int state = 0; // 0 not run, 1 in progress, 2 done
    std::int32_t owner = 0;
};
int BeginStaticInit(StaticInitGuard& guard);
void EndStaticInit(StaticInitGuard& guard);

// Seeds the random-number generator from the date and time on the first call in the process.
void SeedRandomOnce();

} // namespace quorin
