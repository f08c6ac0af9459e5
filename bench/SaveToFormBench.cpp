// "Save To Form" in-process on the scripted backend, from the press to the button enabled again
// (sample pairs, fill script, its export, and the viewer's open, run, save and close), beside the
// bare fill through the viewer control (open, the same script, save, close). On the sample form and
// on the form followed by 3000 pages; and the window's own work alone (sample pairs, script, export).
// Prints how much the window's own work adds to the fill; floor: 5 %.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "forms/BuildFillScript.h"
#include "forms/FillSampleFields.h"
#include "forms/Main.h"
#include "forms/MainContext.h"
#include "forms/MainWindowDefinition.h"
#include "forms/UpdateSaveData.h"
#include "frame/DataDictionary.h"
#include "frame/Program.h"
#include "platform/com/Bstr.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/Variant.h"
#include "platform/pdfview/FillScript.h"
#include "platform/pdfview/PdfViewControl.h"
#include "platform/runtime/Window.h"
#include "platform/ui/scripted/ScriptedUi.h"
#include "viewer/ViewerModule.h"

namespace {

namespace fs = std::filesystem;
using namespace quorin;

constexpr double kFloorPercent = 5.0;

// The scratch folder: the working folder, drive C with the two master forms.
struct Scratch {
    fs::path dir;
    fs::path sample;   // drive C: Morvek20\form1.pdf
    fs::path withPages;

    Scratch()
    {
        std::string pattern = (fs::temp_directory_path() / "quorin-bench-XXXXXX").string();
        dir = ::mkdtemp(pattern.data());
        fs::create_directories(dir / "c" / "Morvek20");
        ::setenv("QUORIN_DRIVE_C", (dir / "c").c_str(), 1);
        fs::current_path(dir);
        sample = dir / "sample.pdf";
        fs::copy_file(pdfview::testing::SampleForm(), sample);
        withPages = dir / "sample-3000.pdf";
        AppendPages(sample, withPages, 3000);
    }
    ~Scratch()
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    // The form followed by `count` pages with a line of text each.
    static void AppendPages(const fs::path& from, const fs::path& to, int count)
    {
        QPDF pdf;
        pdf.processFile(from.c_str());
        QPDFPageDocumentHelper pages(pdf);
        QPDFObjectHandle font = pdf.makeIndirectObject(
            QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"));
        for (int i = 1; i <= count; ++i) {
            QPDFObjectHandle page = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 612 792] >>"));
            QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
            QPDFObjectHandle fonts = QPDFObjectHandle::newDictionary();
            fonts.replaceKey("/F1", font);
            resources.replaceKey("/Font", fonts);
            page.replaceKey("/Resources", resources);
            page.replaceKey("/Contents", QPDFObjectHandle::newStream(
                                             &pdf, "BT /F1 12 Tf 72 720 Td (Page " + std::to_string(i) + ") Tj ET\n"));
            pages.addPage(QPDFPageObjectHelper(page), false);
        }
        QPDFWriter writer(pdf, to.c_str());
        writer.write();
    }

    const fs::path& Master(std::int64_t which) const { return which == 0 ? sample : withPages; }
};

Scratch& Files()
{
    static Scratch scratch;
    return scratch;
}

// A scripted user whose presses are the benchmark's iterations: it ticks " E&xport Script" once,
// then presses "Save &To Form" for each iteration; the window asks for the next action only once
// the request has ended and the button is enabled again.
class PressingUser : public ScriptedUi {
public:
    PressingUser(benchmark::State& state, bool exportScript) : state_(state), ticked_(!exportScript) {}

    bool WaitForAction(Window& window) override
    {
        if (!ticked_) {
            ticked_ = true;
            window.UserPress(forms::mainctl::kExportScript);
            return true;
        }
        if (presses_ > 0 && !window.control(forms::mainctl::kToForm)->enabled()) {
            state_.SkipWithError("the button stayed disabled");
            return false;
        }
        if (!state_.KeepRunning()) {
            return false;
        }
        ++presses_;
        window.UserPress(forms::mainctl::kToForm);
        return true;
    }

private:
    benchmark::State& state_;
    bool ticked_ = false;
    long presses_ = 0;
};

void BM_SaveToForm(benchmark::State& state)
{
    Scratch& files = Files();
    fs::copy_file(files.Master(state.range(0)), files.dir / "c" / "Morvek20" / "form1.pdf",
                  fs::copy_options::overwrite_existing);
    pdfview::ViewerControlRegistration registration;
    PressingUser user(state, state.range(1) != 0);
    ScopedUserInterface installed(user);
    InstallDataDictionary(Hooks());
    Hooks().main = forms::Main;
    Module recordForm{"quorin20002"};
    recordForm.moduleInit = forms::UpdateSaveDataModuleInit;
    Module viewerModule{"viewer"};
    viewerModule.moduleInit = viewer::ViewerModuleInit;
    ModuleTable table({ProgramModule(), forms::MainWindowModule(), recordForm, viewerModule});
    table.Run([] {
        RunProgram();
        return 0;
    });
    Hooks() = ProgramHooks{};
    if (!user.Messages().empty()) {
        state.SkipWithError(user.Messages().front().text.c_str());
    } else if (!fs::exists(files.dir / "c" / "Morvek20" / "form1-filled.pdf")) {
        state.SkipWithError("no filled copy");
    }
}

// The window's own work alone: the sample pairs and the fill script with (or without) its export,
// as the request does them between the open and the run.
void BM_WindowWork(benchmark::State& state)
{
    Files();
    ScriptedUi user;
    ScopedUserInterface installed(user);
    InstallDataDictionary(Hooks());
    Hooks().main = [&state] {
        forms::MainContext main;
        main.fieldList.emplace(forms::FieldListEntryLayout(), &main.fieldListRow);
        main.scriptQueue.emplace(forms::ScriptLineRowLayout(), &main.scriptRow);
        main.loadfield.emplace();
        for (std::size_t n = 0; n < forms::kLoadFieldLines; ++n) {
            (*main.loadfield)[n] = forms::kLoadFieldText[n];
        }
        main.exportFlag = static_cast<std::uint8_t>(state.range(0));
        for (auto _ : state) {
            forms::FillSampleFields(main);
            forms::BuildFillScript(main);
        }
        if (main.scriptQueue->Records() != 95) {
            state.SkipWithError("the script is not whole");
        }
    };
    ModuleTable table({ProgramModule()});
    table.Run([] {
        RunProgram();
        return 0;
    });
    Hooks() = ProgramHooks{};
}

void BM_BareFill(benchmark::State& state)
{
    using namespace quorin::com;
    Scratch& files = Files();
    pdfview::ViewerControlRegistration registration;
    pdfview::IPDFview* viewer = nullptr;
    if (CoCreateInstance(pdfview::CLSID_PDFview, nullptr, CLSCTX_INPROC_SERVER, pdfview::IID_IPDFview,
                         reinterpret_cast<void**>(&viewer)) != S_OK) {
        state.SkipWithError("no viewer control");
        return;
    }
    VARIANT zero;
    VariantInit(&zero);
    zero.vt = VT_I4;
    zero.lVal = 0;
    BSTR property = BstrFromAnsi("Documents.UseStreamsDirectly");
    BSTR in = BstrFromAnsi(files.Master(state.range(0)).string());
    BSTR out = BstrFromAnsi((files.dir / "bare-filled.pdf").string());
    BSTR password = BstrFromAnsi("");
    BSTR script = BstrFromAnsi(pdfview::testing::FillScript(pdfview::testing::SamplePairs()));
    viewer->SetProperty(property, zero, 0);
    for (auto _ : state) {
        std::int32_t id = 0;
        BSTR result = nullptr;
        if (viewer->OpenDocument(in, password, &id, 0) != S_OK ||
            viewer->RunJavaScript(script, &result, id, 0) != S_OK ||
            viewer->SaveDocument(id, out, pdfview::kSaveOptionFullRewrite, pdfview::kSaveFlagReplace) != S_OK) {
            state.SkipWithError("the fill failed");
        }
        SysFreeString(result);
        viewer->CloseDocument(id, pdfview::kCloseFlagDiscard);
    }
    for (BSTR b : {property, in, out, password, script}) {
        SysFreeString(b);
    }
    viewer->Release();
}

// Medians of five repetitions: a busy machine moves single runs by more than the floor.
void Measured(benchmark::internal::Benchmark* b)
{
    b->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(5)->ReportAggregatesOnly(true);
}

BENCHMARK(BM_WindowWork)
    ->ArgName("export")
    ->Arg(0)
    ->Arg(1)
    ->Apply(Measured);
BENCHMARK(BM_BareFill)
    ->ArgName("pages3000")
    ->Arg(0)
    ->Arg(1)
    ->Apply(Measured);
BENCHMARK(BM_SaveToForm)
    ->ArgNames({"pages3000", "export"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Apply(Measured);

// Keeps each run's times per iteration, to print the window's share after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    struct Times {
        double real = 0;
        double cpu = 0;
    };
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred) {
                continue;
            }
            // With repetitions the median stands for the benchmark; without, its one run.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (median || (run.run_type == Run::RT_Iteration && run.repetitions <= 1)) {
                times[run.run_name.function_name][run.run_name.args] = {run.GetAdjustedRealTime(),
                                                                        run.GetAdjustedCPUTime()};
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, std::map<std::string, Times>> times; // function -> arguments -> times
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& bare = reporter.times["BM_BareFill"];
    // The window's own work measured alone, against the fill through the control.
    for (const auto& [exportArgs, work] : reporter.times["BM_WindowWork"]) {
        for (const auto& [pages, fill] : bare) {
            if (fill.real <= 0) {
                continue;
            }
            const double percent = work.real / fill.real * 100.0;
            std::printf("window's own work (%s) on %s: %.3f ms, %.2f %% of the bare fill (floor %.0f %%): %s\n",
                        exportArgs.c_str(), pages.c_str(), work.real, percent, kFloorPercent,
                        percent < kFloorPercent ? "within" : "over");
        }
    }
    // The whole request from the press, against the fill alone (this one also carries the machine's noise).
    for (const auto& [args, request] : reporter.times["BM_SaveToForm"]) {
        const auto fill = bare.find(args.substr(0, args.find('/'))); // "pages3000:N"
        if (fill == bare.end() || fill->second.real <= 0) {
            continue;
        }
        std::printf("whole request (%s): %.2f ms against %.2f ms, %+.1f %%\n", args.c_str(), request.real,
                    fill->second.real, (request.real / fill->second.real - 1.0) * 100.0);
    }
    benchmark::Shutdown();
    return 0;
}
