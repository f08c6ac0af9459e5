// The keyed data file with many records: reading the first page (20 rows) in key order, a page from
// the middle by key value, and the count, at 1 000, 10 000 and 100 000 records. A page read must
// cost the same at every size; the ratio against the smallest file is printed as "vs_1k".
// Also the cost of filling the file, one transaction per 1 000 records, and the peak memory.
#include "platform/runtime/DataFile.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace quorin;

const RecordLayout& Layout()
{
    // The shape of a saved form record: date, time and 1429 bytes of texts.
    static const RecordLayout layout("BEN", {{"BEN:DATE", FieldType::Long}, {"BEN:TIME", FieldType::Long},
                                            {"BEN:TEXT", FieldType::Text, 1429}});
    return layout;
}

DataFileDeclaration Declaration()
{
    return {&Layout(), {{"BEN:BYDATETIME", {1, 2}, kKeyOpt | kKeyNoCase | kKeyPrimary}}, kFileCreate};
}

std::string Record(int i)
{
    std::string image(Layout().Size(), ' ');
    Layout().SetLong(image.data(), 1, 80000 + i / 1000);
    Layout().SetLong(image.data(), 2, 1 + (i % 1000) * 8000);
    Layout().SetText(image.data(), 3, "record " + std::to_string(i) + "@example.org");
    return image;
}

fs::path Folder()
{
    static const fs::path folder = [] {
        std::string templ = (fs::temp_directory_path() / "quorin-bench-XXXXXX").string();
        if (::mkdtemp(templ.data()) == nullptr) {
            std::abort();
        }
        return fs::path(templ);
    }();
    return folder;
}

// One file per size, filled once, kept open for the benchmarks of that size.
DataFile& FileOf(int records)
{
    static std::map<int, std::unique_ptr<DataFile>> files;
    auto& file = files[records];
    if (!file) {
        file = std::make_unique<DataFile>(Declaration());
        const std::string path = (Folder() / ("bench-" + std::to_string(records) + ".tps")).string();
        if (file->Create(path) != 0 || file->Open(path, 0x42) != 0) {
            std::abort();
        }
        for (int i = 0; i < records; i += 1000) {
            file->Begin();
            for (int j = i; j < std::min(records, i + 1000); ++j) {
                file->Add(Record(j).data());
            }
            file->Commit();
        }
    }
    return *file;
}

double PeakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

std::map<std::string, double> g_smallest; // ns per iteration at 1 000 records, by benchmark

void Report(benchmark::State& state, const std::string& name, double nsPerIteration)
{
    if (state.range(0) == 1000) {
        g_smallest[name] = nsPerIteration;
    }
    if (g_smallest.count(name) != 0 && g_smallest[name] > 0) {
        state.counters["vs_1k"] = nsPerIteration / g_smallest[name];
    }
    state.counters["peak_MB"] = PeakMegabytes();
}

template <typename F>
void Timed(benchmark::State& state, const std::string& name, F body)
{
    const auto start = std::chrono::steady_clock::now();
    std::int64_t n = 0;
    for (auto _ : state) {
        body();
        ++n;
    }
    const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    Report(state, name, n > 0 ? ns / static_cast<double>(n) : 0);
}

void BM_FirstPage(benchmark::State& state)
{
    DataFile& file = FileOf(static_cast<int>(state.range(0)));
    std::vector<DataRecord> rows;
    Timed(state, "first", [&] {
        file.ReadPage(0, ReadDirection::Forward, nullptr, 0, 20, rows);
        benchmark::DoNotOptimize(rows.data());
    });
    if (rows.size() != 20) {
        state.SkipWithError("short page");
    }
}

void BM_MiddlePage(benchmark::State& state)
{
    const int records = static_cast<int>(state.range(0));
    DataFile& file = FileOf(records);
    const std::string middle = Record(records / 2);
    std::vector<DataRecord> rows;
    Timed(state, "middle", [&] {
        file.ReadPage(0, ReadDirection::Forward, middle.data(), 0, 20, rows);
        benchmark::DoNotOptimize(rows.data());
    });
    if (rows.size() != 20 || rows.front().image != middle) {
        state.SkipWithError("wrong page");
    }
}

void BM_PageBack(benchmark::State& state)
{
    const int records = static_cast<int>(state.range(0));
    DataFile& file = FileOf(records);
    const std::string middle = Record(records / 2);
    std::vector<DataRecord> rows;
    Timed(state, "back", [&] {
        file.ReadPage(0, ReadDirection::Backward, middle.data(), 0, 20, rows);
        benchmark::DoNotOptimize(rows.data());
    });
}

void BM_Count(benchmark::State& state)
{
    DataFile& file = FileOf(static_cast<int>(state.range(0)));
    std::int64_t count = 0;
    Timed(state, "count", [&] {
        file.Count(count);
        benchmark::DoNotOptimize(count);
    });
    if (count != state.range(0)) {
        state.SkipWithError("wrong count");
    }
}

// Durable single adds, each its own transaction, into the largest file.
void BM_AddOne(benchmark::State& state)
{
    DataFile& file = FileOf(static_cast<int>(state.range(0)));
    int next = 10000000;
    for (auto _ : state) {
        const std::string r = Record(next++);
        file.Add(r.data());
    }
    state.counters["peak_MB"] = PeakMegabytes();
}

BENCHMARK(BM_FirstPage)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_MiddlePage)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_PageBack)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_Count)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_AddOne)->Arg(100000)->Iterations(50);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(Folder());
    return 0;
}
