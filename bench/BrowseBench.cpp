// A browse over a large keyed file: open it and show the first page, then page down 100 times.
// The time and the memory must not depend on how many records the file holds: the browse reads a
// page at a time. The record files are made once and kept (QUORIN_BENCH_DATA, else /dev/shm or the
// temp folder), since adding a million records one durable transaction at a time takes a while.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "platform/classlib/BrowseManager.h"
#include "platform/classlib/RelationManager.h"
#include "platform/classlib/Toolbar.h"
#include "platform/classlib/View.h"
#include "platform/classlib/WindowManager.h"
#include "platform/runtime/ControlKinds.h"
#include "platform/runtime/DataFile.h"
#include "platform/runtime/FileDeclaration.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/Queue.h"
#include "platform/runtime/Window.h"

namespace quorin {
namespace {

struct Item {
    std::int32_t id = 0;
    FixedText<60> name;
};

struct ItemRow {
    std::int32_t id = 0;
    FixedText<60> name;
    FixedText<20> position;
};

const RecordLayout& ItemLayout()
{
    static const RecordLayout layout("ITEMS", {{"ITM:ID", FieldType::Long}, {"ITM:NAME", FieldType::Text, 60}});
    return layout;
}

const RecordLayout& RowLayout()
{
    static const RecordLayout layout(
        "ROW", {{"ID", FieldType::Long}, {"NAME", FieldType::Text, 60}, {"POSITION", FieldType::Text, 20}});
    return layout;
}

DataFileDeclaration Declaration()
{
    return {&ItemLayout(), {{"ITM:BYID", {1}, kKeyPrimary}}, kFileCreate};
}

std::filesystem::path DataFolder()
{
    if (const char* folder = std::getenv("QUORIN_BENCH_DATA")) {
        return folder;
    }
    std::error_code ec;
    if (std::filesystem::is_directory("/dev/shm", ec)) {
        return "/dev/shm/quorin-bench";
    }
    return std::filesystem::temp_directory_path() / "quorin-bench";
}

void MakeRecordFile(const std::string& path, std::int64_t count);

// The file of `count` records, made when missing or incomplete. It is made in a child process, so
// the memory that adding a million records takes does not count in this process's peak.
std::string RecordFile(std::int64_t count)
{
    const std::string path = (DataFolder() / ("browse-" + std::to_string(count) + ".dat")).string();
    const pid_t child = fork();
    if (child == 0) {
        MakeRecordFile(path, count);
        _exit(0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::cerr << "cannot make " << path << "\n";
        std::exit(1);
    }
    return path;
}

void MakeRecordFile(const std::string& path, std::int64_t count)
{
    std::filesystem::create_directories(DataFolder());
    DataFile file(Declaration());
    std::int64_t have = 0;
    // A file this build cannot use (an older format, a broken one) is made again.
    if (file.Create(path) != 0 || file.Open(path, kAccessReadWrite | kShareDenyNone) != 0 || file.Count(have) != 0) {
        file.Close();
        std::filesystem::remove(path);
        have = 0;
        if (file.Create(path) != 0 || file.Open(path, kAccessReadWrite | kShareDenyNone) != 0) {
            std::cerr << "cannot make " << path << "\n";
            std::exit(1);
        }
    }
    if (have < count) {
        std::cerr << "making " << path << " (" << count << " records)...\n";
        Item item;
        for (std::int64_t i = have + 1; i <= count; ++i) {
            item.id = static_cast<std::int32_t>(i);
            item.name = "record number " + std::to_string(i);
            if (file.Add(&item) != 0) {
                std::cerr << "cannot add record " << i << " to " << path << "\n";
                std::exit(1);
            }
        }
    }
    file.Close();
}

long PeakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

WindowDefinition ListWindow()
{
    WindowDefinition d;
    d.module = "bench$browse";
    d.name = "LIST";
    d.width = 320;
    d.height = 160;
    ControlDefinition list;
    list.label = "?LIST";
    list.kind = ControlKind::List;
    list.listFormat = "40R(2)~Id~@s10@200L(2)~Name~@s60@";
    list.x = 4, list.y = 4, list.width = 312, list.height = 132;
    d.controls.push_back(list);
    return d;
}

void BrowsePaging(benchmark::State& state)
{
    const std::int64_t count = state.range(0);
    const std::string path = RecordFile(count);
    LinkAllControlKinds();
    RegisterWindowDefinition(ListWindow());

    for (auto _ : state) {
        DataFile file(Declaration());
        file.Open(path, kAccessReadWrite | kShareDenyNone);
        Item buffer;
        ItemRow row;
        Queue queue(RowLayout(), &row);
        View view;
        view.Bind(file, &buffer, ItemLayout());
        std::unique_ptr<Window> window = NewWindow("bench$browse", "LIST", {BoundVariable::Of(queue)});
        WindowManager manager;
        manager.Init();
        manager.Open(*window);
        Toolbar toolbar;
        manager.SetToolbar(toolbar);
        RelationManager relation; // names the file only; the view reads it
        BrowseManager browse;
        browse.Init(1, row.position.Data(), 20, view, queue, relation, manager);
        FileKey firstKey{nullptr, 0}; // the file's first key; the view reads the file itself
        browse.AddSortOrder(0, firstKey);
        browse.AddLongField(&buffer.id, &row.id);
        browse.AddStringField(60, buffer.name.Data(), 60, row.name.Data());
        browse.AddToolbarTarget(toolbar);
        browse.ResetPage(); // the first page
        for (int i = 0; i < 100; ++i) {
            toolbar.TakeAccepted(toolbar::kPageDown, 0);
        }
        benchmark::DoNotOptimize(queue.Records());
        manager.Kill();
        DisposeWindow(window);
        file.Close();
    }
    state.counters["records"] = static_cast<double>(count);
    state.counters["peak_kB"] = static_cast<double>(PeakKilobytes());
}

// Small file first, so the peak of the large one shows what it adds.
BENCHMARK(BrowsePaging)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
} // namespace quorin

BENCHMARK_MAIN();
