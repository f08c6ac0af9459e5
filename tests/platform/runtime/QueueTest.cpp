#include "platform/runtime/Queue.h"
#include "platform/runtime/RuntimeError.h"

#include <gtest/gtest.h>

namespace quorin {
namespace {

RecordLayout LineLayout() { return RecordLayout("Line", {{"LINE", FieldType::Text, 8}, {"N", FieldType::Long}}); }

TEST(Queue, AddsCopiesOfTheBufferAndGetsThemBack)
{
    Queue q(LineLayout());
    EXPECT_EQ(q.Records(), 0u);
    EXPECT_EQ(q.GetText(1), "        ");
    for (int i = 1; i <= 3; ++i) {
        q.SetText(1, "row" + std::to_string(i));
        q.SetLong(2, i * 10);
        ASSERT_TRUE(q.Add());
    }
    q.ClearBuffer();
    ASSERT_TRUE(q.Get(2));
    EXPECT_EQ(q.GetText(1), "row2    ");
    EXPECT_EQ(q.GetLong(2), 20);
}

TEST(Queue, BadPositionIsError30AndLeavesTheBuffer)
{
    Queue q(LineLayout());
    q.SetText(1, "only");
    q.Add();
    q.SetText(1, "kept");
    for (std::size_t pos : {std::size_t{0}, std::size_t{2}}) {
        ClearRuntimeError();
        EXPECT_FALSE(q.Get(pos));
        EXPECT_EQ(RuntimeError(), kEntryNotFound);
        EXPECT_EQ(q.GetText(1), "kept    ");
    }
    q.Free(); // clears the pending error, queue stays usable
    EXPECT_EQ(RuntimeError(), kNoError);
    EXPECT_EQ(q.Records(), 0u);
    EXPECT_TRUE(q.Add());
    EXPECT_EQ(q.Records(), 1u);
}

TEST(Queue, OwnersBufferIsUsedAndOutlivesKill)
{
    char row[12];
    Queue q(LineLayout(), row);
    EXPECT_EQ(std::string_view(row, 8), "        ");
    q.SetText(1, "abc");
    q.Add();
    q.Kill();
    EXPECT_EQ(q.Records(), 0u);
    EXPECT_EQ(std::string_view(row, 3), "abc");
}

} // namespace
} // namespace quorin
