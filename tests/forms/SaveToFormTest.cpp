// "Save &To Form": with the real viewer control the filled copy and the exported script as a reader
// that is not ours sees them; with the viewer control double every path of the request, what the
// user is shown on each, and the button that stays disabled while the viewer works.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "forms/BuildFillScript.h"
#include "forms/MainFixture.h"
#include "forms/MainWindowDefinition.h"
#include "platform/com/HResult.h"
#include "platform/pdfview/FillScript.h"
#include "platform/pdfview/PdfViewControl.h"
#include "support/TestFiles.h"
#include "support/ViewerControlDouble.h"

namespace quorin::forms::testing {
namespace {

using quorin::testing::Slurp;

// The lines of a text file that ends each line with CR LF; a line without one is kept as it is.
std::vector<std::string> CrLfLines(const std::string& text, bool* allCrLf)
{
    std::vector<std::string> lines;
    *allCrLf = true;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            *allCrLf = false;
            lines.push_back(text.substr(at));
            break;
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// The script the window should export for the sample pairs, line by line.
std::vector<std::string> ExpectedScript()
{
    std::vector<std::string> lines = pdfview::testing::LoadFieldLines();
    for (const auto& [name, value] : pdfview::testing::SamplePairs()) {
        lines.push_back("loadfield(\"" + name + "\",\"" + value + "\");");
    }
    return lines;
}

// ---- with the real viewer control ----

class SaveToFormTest : public MainFixture {
protected:
    void SetUp() override
    {
        MainFixture::SetUp();
        fs::copy_file(pdfview::testing::SampleForm(), MasterPath());
    }

    // Field name -> value as python3-pypdf reads the file (a name value without its slash). The
    // Debian package installs pypdf for the system's interpreter.
    static std::map<std::string, std::string> ReadWithPypdf(const fs::path& pdf)
    {
        const std::string command =
            "/usr/bin/python3 -c 'import sys\nfrom pypdf import PdfReader\n"
            "for k, f in PdfReader(sys.argv[1]).get_fields().items():\n"
            "    v = f.get(\"/V\")\n    print(k + \"\\t\" + (\"\" if v is None else str(v).lstrip(\"/\")))' '" +
            pdf.string() + "'";
        std::map<std::string, std::string> fields;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr) {
            return fields;
        }
        char line[4096];
        while (std::fgets(line, sizeof line, pipe) != nullptr) {
            std::string text(line);
            if (!text.empty() && text.back() == '\n') {
                text.pop_back();
            }
            const std::size_t tab = text.find('\t');
            if (tab != std::string::npos) {
                fields[text.substr(0, tab)] = text.substr(tab + 1);
            }
        }
        EXPECT_EQ(::pclose(pipe), 0) << "python3-pypdf could not read " << pdf;
        return fields;
    }

    pdfview::ViewerControlRegistration control_;
};

TEST_F(SaveToFormTest, FillsTheSaveAsCopyWithTheSamplesAndExportsTheScript)
{
    const std::string master = Slurp(MasterPath());
    ui_.Press(mainctl::kExportScript);
    ui_.Press(mainctl::kToForm);
    ui_.Do([&](Window& w) { EXPECT_TRUE(C(w, mainctl::kToForm).enabled()); });
    ui_.Press(mainctl::kClose);
    ASSERT_EQ(RunMain(), 0);
    EXPECT_TRUE(Boxes().empty());

    std::map<std::string, std::string> expected;
    for (const auto& [name, value] : pdfview::testing::SamplePairs()) {
        expected[name] = value; // a later row of the same name wins
    }
    expected["Text1"] = "";
    expected["MagazinesChk"] = "Off";
    ASSERT_TRUE(fs::exists(FilledPath()));
    EXPECT_EQ(ReadWithPypdf(FilledPath()), expected);
    EXPECT_EQ(expected["NewspapersChk"], "Off");
    EXPECT_EQ(Slurp(MasterPath()), master);

    bool allCrLf = false;
    const std::vector<std::string> lines = CrLfLines(Slurp(dir_ / "quorin36.js"), &allCrLf);
    EXPECT_TRUE(allCrLf);
    ASSERT_EQ(lines.size(), 95u);
    EXPECT_EQ(lines[0], "function loadfield( fldName, fldValue ) {");
    EXPECT_EQ(lines[45], "loadfield(\"Country\",\"South Africa\");");
    EXPECT_EQ(lines, ExpectedScript());
    EXPECT_EQ(GlobalScriptFileName().Clipped(), (dir_ / "quorin36.js").string());
}

// A second fill in one session refills the field list and the script rather than adding to them:
// the list keeps one fill's 50 rows and the export one script's 95 lines.
TEST_F(SaveToFormTest, ASecondFillInOneSessionLeavesOneFillsRowsAndLines)
{
    ui_.Press(mainctl::kExportScript);
    ui_.Press(mainctl::kToForm);
    ui_.Do([&](Window&) {
        fs::remove(FilledPath());
        fs::remove(dir_ / "quorin36.js");
    });
    ui_.Press(mainctl::kToForm);
    ui_.Do([&](Window& w) {
        EXPECT_EQ(C(w, mainctl::kList1).RowCount(), 50);
        EXPECT_EQ(RunningMain()->fieldList->Records(), 50u);
    });
    ui_.Press(mainctl::kClose);
    ASSERT_EQ(RunMain(), 0);
    EXPECT_TRUE(Boxes().empty());
    bool allCrLf = false;
    const std::vector<std::string> lines = CrLfLines(Slurp(dir_ / "quorin36.js"), &allCrLf);
    EXPECT_TRUE(allCrLf);
    EXPECT_EQ(lines.size(), 95u);
    EXPECT_EQ(lines, ExpectedScript());
    EXPECT_TRUE(fs::exists(FilledPath()));
}

// Unticked, the export leaves an earlier script file and the remembered script-file name alone,
// also when it was ticked and unticked again before the fill.
TEST_F(SaveToFormTest, WithoutTheExportTickedNeitherTheScriptFileNorItsNameIsTouched)
{
    const std::string earlier = "// an earlier export\r\n";
    const std::string name = "C:\\Elsewhere\\kept.js";
    std::ofstream(dir_ / "quorin36.js", std::ios::binary) << earlier;
    const auto stamp = fs::last_write_time(dir_ / "quorin36.js");
    ui_.Press(mainctl::kToForm);
    ui_.Press(mainctl::kExportScript);
    ui_.Press(mainctl::kExportScript);
    ui_.Do([&](Window& w) {
        EXPECT_FALSE(C(w, mainctl::kExportScript).checked());
        fs::remove(FilledPath());
    });
    ui_.Press(mainctl::kToForm);
    ui_.Do([&](Window&) { EXPECT_EQ(GlobalScriptFileName().Clipped(), name); });
    ui_.Press(mainctl::kClose);
    ASSERT_EQ(RunMain([&] { GlobalScriptFileName() = name; }), 0);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(fs::exists(FilledPath()));
    EXPECT_EQ(Slurp(dir_ / "quorin36.js"), earlier);
    EXPECT_EQ(fs::last_write_time(dir_ / "quorin36.js"), stamp);
    EXPECT_EQ(GlobalScriptFileName().Clipped(), name);
}

TEST_F(SaveToFormTest, AnExportReplacesALongerScriptWhole)
{
    {
        std::ofstream old(dir_ / "quorin36.js", std::ios::binary);
        for (int i = 0; i < 300; ++i) {
            old << "old line " << i << "\r\n";
        }
    }
    ui_.Press(mainctl::kExportScript);
    ui_.Press(mainctl::kToForm);
    ui_.Press(mainctl::kClose);
    RunMain();
    bool allCrLf = false;
    EXPECT_EQ(CrLfLines(Slurp(dir_ / "quorin36.js"), &allCrLf), ExpectedScript());
    EXPECT_TRUE(allCrLf);
}

// ---- with the viewer control double ----

bool IsDocumentCall(const std::string& method)
{
    return method == "OpenDocument" || method == "RunJavaScript" || method == "SaveDocument" ||
           method == "CloseDocument";
}

class SaveToFormPathsTest : public MainFixture {
protected:
    std::vector<std::string> DocumentCalls() const
    {
        std::vector<std::string> calls;
        for (const std::string& method : control_->Methods()) {
            if (IsDocumentCall(method)) {
                calls.push_back(method);
            }
        }
        return calls;
    }

    // How ?TOFORM stood at each viewer call of the request (OpenDocument and after).
    void WatchTheButton()
    {
        control_->onCall = [this](const std::string& method) {
            if (!IsDocumentCall(method) || RunningMain() == nullptr || !RunningMain()->window) {
                return;
            }
            buttonAtCalls_[method] = RunningMain()->window->control(mainctl::kToForm)->enabled();
        };
    }

    quorin::testing::ViewerDoubleRegistration control_;
    std::map<std::string, bool> buttonAtCalls_;
};

TEST_F(SaveToFormPathsTest, EveryPathClosesWhatItOpenedReportsFailuresAndEnablesTheButton)
{
    const std::string saveAs = "C:\\Morvek20\\form1-filled.pdf";
    struct Case {
        const char* name;
        std::map<std::string, com::HRESULT> results;
        std::map<std::string, std::u16string> descriptions;
        std::vector<std::string> calls;
        std::vector<std::string> boxes;
        bool exported;
    };
    const com::HRESULT failed = com::E_FAIL;
    const Case cases[] = {
        {"all well", {}, {}, {"OpenDocument", "RunJavaScript", "SaveDocument", "CloseDocument"}, {}, true},
        {"the master does not open",
         {{"OpenDocument", failed}},
         {{"OpenDocument", u"no such file"}},
         {"OpenDocument"},
         {"Open document Failed|C:\\Morvek20\\form1.pdf"},
         false},
        {"the script fails",
         {{"RunJavaScript", failed}},
         {{"RunJavaScript", u"SyntaxError: parse error (line 1)  "}},
         {"OpenDocument", "RunJavaScript", "CloseDocument"},
         {"Run script Failed|" + saveAs + "|SyntaxError: parse error (line 1)"},
         true},
        {"the script fails without a word",
         {{"RunJavaScript", failed}},
         {},
         {"OpenDocument", "RunJavaScript", "CloseDocument"},
         {"Run script Failed|" + saveAs},
         true},
        {"the save fails",
         {{"SaveDocument", failed}},
         {{"SaveDocument", u"the destination could not be written"}},
         {"OpenDocument", "RunJavaScript", "SaveDocument", "CloseDocument"},
         {"Save document Failed|" + saveAs + "|the destination could not be written"},
         true},
        {"the close fails",
         {{"CloseDocument", failed}},
         {{"CloseDocument", u"closing went wrong"}},
         {"OpenDocument", "RunJavaScript", "SaveDocument", "CloseDocument"},
         {},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        control_->calls.clear();
        control_->results = c.results;
        control_->errorDescriptions = c.descriptions;
        ui_.ClearMessages();
        buttonAtCalls_.clear();
        WatchTheButton();
        fs::remove(dir_ / "quorin36.js");

        ui_.Press(mainctl::kExportScript);
        ui_.Press(mainctl::kToForm);
        ui_.Do([&](Window& w) {
            EXPECT_TRUE(C(w, mainctl::kToForm).enabled());
            EXPECT_EQ(w.focus(), mainctl::kToForm) << "the keyboard is back on the button";
            EXPECT_EQ(C(w, mainctl::kList1).RowCount(), 50);
        });
        ui_.Press(mainctl::kClose);
        RunMain();

        EXPECT_EQ(DocumentCalls(), c.calls);
        for (const auto& [method, enabled] : buttonAtCalls_) {
            EXPECT_FALSE(enabled) << method;
        }
        EXPECT_EQ(buttonAtCalls_.size(), c.calls.size());
        EXPECT_EQ(Boxes(), c.boxes);
        for (const MessageBoxRequest& box : ui_.Messages()) {
            EXPECT_EQ(box.caption, "Viewer Error");
            EXPECT_EQ(box.icon, icon::kNone);
            EXPECT_EQ(box.buttons, button::kOk);
        }
        EXPECT_EQ(fs::exists(dir_ / "quorin36.js"), c.exported);
        const auto closes = control_->CallsOf("CloseDocument");
        if (!closes.empty()) {
            EXPECT_EQ(closes[0].numbers, (std::vector<std::int64_t>{7, 2}));
        }
        const auto saves = control_->CallsOf("SaveDocument");
        if (!saves.empty()) {
            EXPECT_EQ(saves[0].texts[0], u"C:\\Morvek20\\form1-filled.pdf");
            EXPECT_EQ(saves[0].numbers, (std::vector<std::int64_t>{7, 3, 2}));
        }
    }
}

TEST_F(SaveToFormPathsTest, ABlankNameOnlyMovesTheFocus)
{
    struct Case {
        const char* name;
        std::function<void()> blank;
        int focus;
    };
    const Case cases[] = {
        {"form-name dialog cancelled", [this] { ui_.Press(mainctl::kLookupFile); }, mainctl::kPdfMaster},
        {"save-as dialog cancelled", [this] { ui_.Press(mainctl::kLookupFile2); }, mainctl::kPdfSaveAs},
        {"form name typed blank", [this] { ui_.Type(mainctl::kPdfMaster, "   "); }, mainctl::kPdfMaster},
        {"both blank", [this] {
             ui_.Press(mainctl::kLookupFile2);
             ui_.Press(mainctl::kLookupFile);
         },
         mainctl::kPdfMaster},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        control_->calls.clear();
        c.blank();
        ui_.Press(mainctl::kToForm);
        ui_.Do([&](Window& w) {
            EXPECT_EQ(w.focus(), c.focus);
            EXPECT_EQ(C(w, mainctl::kList1).RowCount(), 0);
        });
        ui_.Press(mainctl::kClose);
        RunMain();
        EXPECT_TRUE(DocumentCalls().empty());
        EXPECT_TRUE(Boxes().empty());
    }
}

TEST_F(SaveToFormPathsTest, SelectToFormChangesNeitherTheListNorTheNames)
{
    ui_.Press(mainctl::kToForm);
    std::string before;
    auto look = [](Window& w) {
        std::string text = C(w, mainctl::kPdfMaster).screenText() + "|" + C(w, mainctl::kPdfSaveAs).screenText();
        for (int row = 1; row <= C(w, mainctl::kList1).RowCount(); ++row) {
            for (const std::string& column : C(w, mainctl::kList1).RowTexts(row)) {
                text += "|" + column;
            }
        }
        return text;
    };
    ui_.Do([&](Window& w) { before = look(w); });
    ui_.Press(mainctl::kSelect);
    ui_.Do([&](Window& w) {
        EXPECT_EQ(look(w), before);
        EXPECT_EQ(C(w, mainctl::kList1).RowCount(), 50);
    });
    ui_.Press(mainctl::kClose);
    RunMain();
    EXPECT_EQ(control_->CallsOf("OpenDocument").size(), 1u);
}

TEST_F(SaveToFormPathsTest, EachRunStartsFromAnEmptyResultQueue)
{
    control_->scriptResult = u"first\r\nsecond";
    std::vector<std::size_t> atRun;
    control_->onCall = [&](const std::string& method) {
        if (method == "RunJavaScript") {
            atRun.push_back(RunningMain()->resultQueue->Records());
        }
    };
    ui_.Press(mainctl::kToForm);
    ui_.Do([&](Window&) {
        EXPECT_EQ(RunningMain()->resultQueue->Records(), 2u);
        control_->results["RunJavaScript"] = com::E_FAIL;
    });
    ui_.Press(mainctl::kToForm);
    ui_.Do([&](Window&) { EXPECT_EQ(RunningMain()->resultQueue->Records(), 0u); });
    ui_.Press(mainctl::kClose);
    RunMain();
    EXPECT_EQ(atRun, (std::vector<std::size_t>{0, 0}));
}

// No viewer registered on the machine: the window opens all the same, and the request says that
// the form did not open.
using SaveToFormWithoutViewerTest = MainFixture;

TEST_F(SaveToFormWithoutViewerTest, TheWindowOpensAndTheRequestReportsTheFormNotOpened)
{
    ui_.Press(mainctl::kToForm);
    ui_.Do([&](Window& w) {
        EXPECT_TRUE(C(w, mainctl::kToForm).enabled());
        EXPECT_EQ(C(w, mainctl::kList1).RowCount(), 50);
    });
    ui_.Press(mainctl::kClose);
    EXPECT_EQ(RunMain(), 0);
    EXPECT_EQ(responses_, std::vector<std::uint8_t>{1});
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Open document Failed|C:\\Morvek20\\form1.pdf"});
}

TEST(FillScriptTest, CallLinesKeepLeadingBlanksAndPassQuotesUnchanged)
{
    struct Case {
        std::string name, value, line;
    };
    const Case cases[] = {
        {"Country   ", "South Africa  ", "loadfield(\"Country\",\"South Africa\");"},
        {"  Lead", "  value", "loadfield(\"  Lead\",\"  value\");"},
        {"", "", "loadfield(\"\",\"\");"},
        {"Say", "a \"quoted\" \\ word", "loadfield(\"Say\",\"a \"quoted\" \\ word\");"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LoadFieldCall(c.name, c.value), c.line);
    }
    EXPECT_EQ(std::vector<std::string>(kLoadFieldText.begin(), kLoadFieldText.end()),
              pdfview::testing::LoadFieldLines());
}

} // namespace
} // namespace quorin::forms::testing
