#include "ViewerFixture.h"

#include "platform/runtime/FixedText.h"
#include "platform/runtime/Queue.h"

namespace quorin::viewer::testing {
namespace {

RecordLayout LineLayout() { return RecordLayout("LINES", {{"LINE", FieldType::Text, kScriptLineWidth}}); }

void Fill(Queue& queue, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        queue.SetText(1, line);
        queue.Add();
    }
}

std::vector<std::string> Rows(Queue& queue)
{
    std::vector<std::string> rows;
    for (std::size_t i = 1; i <= queue.Records(); ++i) {
        queue.Get(i);
        rows.emplace_back(Clip(queue.GetText(1)));
    }
    return rows;
}

class ScriptRunnerTest : public ViewerTest {
protected:
    void SetUp() override
    {
        ViewerTest::SetUp();
        viewer_ = HoldingViewer();
    }
    std::unique_ptr<RecordingViewer> viewer_;
    Queue script_{LineLayout()};
    Queue result_{LineLayout()};
};

TEST_F(ScriptRunnerTest, JoinsNonBlankLinesEachAfterOneBlank)
{
    struct Case {
        std::vector<std::string> lines;
        std::u16string script;
    };
    const Case table[] = {
        {{"a", "", "b"}, u" a b"},
        {{"x"}, u" x"},
        {{"  y"}, u"   y"},
        {{"a   ", "   ", "b   ", ""}, u" a b"},
        {{"f(\"\xC3\xA9\");"}, u" f(\"é\");"},
    };
    for (const Case& c : table) {
        script_.Free();
        control_->calls.clear();
        Fill(script_, c.lines);
        EXPECT_EQ(viewer_->RunScriptLines(5, script_, result_, 8), 1);
        const auto calls = control_->CallsOf("RunJavaScript");
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].texts[0], std::optional<std::u16string>(c.script));
        EXPECT_EQ(calls[0].numbers, (std::vector<std::int64_t>{5, 8}));
    }
}

TEST_F(ScriptRunnerTest, EmptyScriptDoesNotReachTheControl)
{
    Fill(result_, {"kept"});
    EXPECT_EQ(viewer_->RunScriptLines(1, script_, result_, 0), 0);
    Fill(script_, {"", "    "});
    EXPECT_EQ(viewer_->RunScriptLines(1, script_, result_, 0), 0);
    EXPECT_TRUE(control_->calls.empty());
    EXPECT_EQ(Rows(result_), std::vector<std::string>{"kept"});
}

TEST_F(ScriptRunnerTest, SplitsTheResultAtCrLfOnly)
{
    struct Case {
        std::u16string text;
        std::vector<std::string> rows;
    };
    const Case table[] = {
        {u"one\r\ntwo", {"one", "two"}},
        {u"one\r\n", {"one"}},
        {u"\r\n\r\n", {"", ""}},
        {u"", {}},
        {u"\r\nx", {"", "x"}},
        {u"a\rb\nc", {"a\rb\nc"}},
        {u"  lead  \r\nnext", {"  lead", "next"}},
        {std::u16string(u"cut\0after", 9), {"cut"}},
    };
    Fill(script_, {"run()"});
    for (const Case& c : table) {
        Fill(result_, {"old row"});
        control_->scriptResult = c.text;
        EXPECT_EQ(viewer_->RunScriptLines(1, script_, result_, 0), 1);
        EXPECT_EQ(Rows(result_), c.rows); // only the new rows
    }
}

TEST_F(ScriptRunnerTest, LongPieceIsCutToOneRowAndNullResultGivesNone)
{
    Fill(script_, {"run()"});
    control_->scriptResult = std::u16string(1500, u'z') + u"\r\nend";
    EXPECT_EQ(viewer_->RunScriptLines(1, script_, result_, 0), 1);
    const std::vector<std::string> rows = Rows(result_);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], std::string(kScriptLineWidth, 'z'));
    EXPECT_EQ(rows[1], "end");

    control_->scriptResult.reset(); // a null result cell
    EXPECT_EQ(viewer_->RunScriptLines(1, script_, result_, 0), 1);
    EXPECT_EQ(result_.Records(), 0u);
}

TEST_F(ScriptRunnerTest, FailedRunLeavesTheResultQueueAlone)
{
    Fill(script_, {"broken("});
    Fill(result_, {"before 1", "before 2"});
    control_->scriptResult = u"ignored";
    for (HRESULT code : {com::E_FAIL, com::S_FALSE}) {
        control_->results["RunJavaScript"] = code;
        EXPECT_EQ(viewer_->RunScriptLines(1, script_, result_, 0), 0);
        EXPECT_EQ(Rows(result_), (std::vector<std::string>{"before 1", "before 2"}));
    }
}

} // namespace
} // namespace quorin::viewer::testing
