#include "platform/runtime/Module.h"
#include "platform/runtime/RuntimeError.h"
#include "platform/runtime/ThreadVar.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quorin {
namespace {

std::mutex g_traceMutex;
std::vector<std::string> g_trace;

void Trace(const std::string& step)
{
    std::lock_guard lock(g_traceMutex);
    g_trace.push_back(step + "@" + std::to_string(CurrentThreadNumber()));
}

ThreadVar<int> g_counter{7};

Module Traced(const std::string& name)
{
    return Module{name,
                  [name] { Trace(name + ".files"); },
                  [name] { Trace(name + ".init"); },
                  [name] { Trace(name + ".thread"); ++*g_counter; },
                  [name] { Trace(name + ".threadterm"); },
                  [name] { Trace(name + ".term"); }};
}

TEST(ModuleTable, RunsStepsInTableOrderAndBackOnEveryThread)
{
    g_trace.clear();
    ModuleTable table({Traced("main"), Traced("lib")});
    std::vector<std::string> secondThread;
    int secondCounter = 0;
    const int status = table.Run([&] {
        Trace("body");
        EXPECT_EQ(*g_counter, 9); // 7 plus one per module's per-thread initialiser
        std::thread([&] {
            secondCounter = *g_counter; // first use: the per-thread steps run here
            *g_counter = 100;
        }).join();
        EXPECT_EQ(*g_counter, 9) << "the second thread has its own instance";
        return 3;
    });
    EXPECT_EQ(status, 3);
    EXPECT_EQ(secondCounter, 9);
    const std::vector<std::string> expected = {
        "main.files@1", "main.init@1", "main.thread@1", "lib.files@1", "lib.init@1", "lib.thread@1",
        "body@1",
        // a later thread: per-thread steps only, in start-up order, then back at its end
        "main.files@2", "main.thread@2", "lib.files@2", "lib.thread@2", "lib.threadterm@2",
        "main.threadterm@2",
        "lib.threadterm@1", "lib.term@1", "main.threadterm@1", "main.term@1"};
    ASSERT_EQ(g_trace.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        // Later threads are numbered by the runtime; only "not 1" matters.
        std::string got = g_trace[i];
        if (expected[i].ends_with("@2"))
            EXPECT_FALSE(got.ends_with("@1")) << got;
        else
            EXPECT_EQ(got, expected[i]);
        EXPECT_EQ(got.substr(0, got.find('@')), expected[i].substr(0, expected[i].find('@')));
    }
    EXPECT_EQ(ModuleTable::Active(), nullptr);
}

TEST(ModuleTable, HaltUnwindsToTheBodyAndStillRunsTheFinalisers)
{
    g_trace.clear();
    ModuleTable table({Traced("main")});
    bool after = false;
    const int status = table.Run([&]() -> int {
        HaltProgram(1);
        after = true;
        return 0;
    });
    EXPECT_EQ(status, 1);
    EXPECT_FALSE(after);
    EXPECT_EQ(g_trace.back(), "main.term@1");
    EXPECT_EQ(g_trace[g_trace.size() - 2], "main.threadterm@1");
}

TEST(ModuleTable, ANextStartUpBeginsFromInitialValues)
{
    ModuleTable table({Traced("m")});
    table.Run([] { *g_counter = 50; return 0; });
    table.Run([] { EXPECT_EQ(*g_counter, 8); return 0; });
}

TEST(ThreadNumbers, UnknownThreadIsZero)
{
    std::int32_t before = -1;
    std::int32_t after = -1;
    std::thread([&] {
        before = CurrentThreadNumber();
        EnterThread();
        after = CurrentThreadNumber();
    }).join();
    EXPECT_EQ(before, 0);
    EXPECT_GT(after, 1);
}

TEST(StaticInit, RunsOnceAndReentryIsError411)
{
    StaticInitGuard guard;
    ClearRuntimeError();
    ASSERT_EQ(BeginStaticInit(guard), 0);
    EXPECT_NE(BeginStaticInit(guard), 0); // re-entry while in progress
    EXPECT_EQ(RuntimeError(), kRecursiveStaticInit);
    ClearRuntimeError();
    EndStaticInit(guard);
    EXPECT_NE(BeginStaticInit(guard), 0);
    EXPECT_EQ(RuntimeError(), kNoError);
}

TEST(StaticInit, AnotherThreadWaitsForTheInitialiser)
{
    StaticInitGuard guard;
    ASSERT_EQ(BeginStaticInit(guard), 0);
    int seen = -1;
    int error = -1;
    std::thread other([&] {
        seen = BeginStaticInit(guard);
        error = RuntimeError();
    });
    EndStaticInit(guard);
    other.join();
    EXPECT_NE(seen, 0);
    EXPECT_EQ(error, kNoError);
}

} // namespace
} // namespace quorin
