#pragma once
// Objects listed under the thread that listed them. One list per kind, kept across all threads, so
// that an object destroyed on any thread leaves no entry behind.
#include <algorithm>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace quorin {

template <class T>
class ThreadList {
public:
    ThreadList() = default;
    ThreadList(const ThreadList&) = delete;
    ThreadList& operator=(const ThreadList&) = delete;
    ~ThreadList() { Leave(); }

    // Lists `object` under the calling thread; nothing while it is already listed.
    void Enter(T* object)
    {
        if (listed_ != nullptr) {
            return;
        }
        std::lock_guard lock(Lock());
        Entries().emplace_back(std::this_thread::get_id(), object);
        listed_ = object;
    }

    // Takes the object off the list; nothing while it is not listed.
    void Leave()
    {
        if (listed_ == nullptr) {
            return;
        }
        std::lock_guard lock(Lock());
        auto& entries = Entries();
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [this](const auto& e) { return e.second == listed_; }),
                      entries.end());
        listed_ = nullptr;
    }

    // The calling thread's objects, in the order listed.
    static std::vector<T*> OfThisThread()
    {
        std::lock_guard lock(Lock());
        std::vector<T*> mine;
        for (const auto& [thread, object] : Entries()) {
            if (thread == std::this_thread::get_id()) {
                mine.push_back(object);
            }
        }
        return mine;
    }

private:
    static std::mutex& Lock()
    {
        static std::mutex lock;
        return lock;
    }
    static std::vector<std::pair<std::thread::id, T*>>& Entries()
    {
        static std::vector<std::pair<std::thread::id, T*>> entries;
        return entries;
    }

    T* listed_ = nullptr;
};

} // namespace quorin
