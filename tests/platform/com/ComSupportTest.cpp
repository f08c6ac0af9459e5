#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "CountedObject.h"
#include "platform/com/ComServerObject.h"
#include "platform/com/ComStrings.h"

namespace quorin::com {
namespace {

TEST(ComObject, AttachedNotOwnedPointerIsNotReleased)
{
    auto* object = new testing::CountedObject();
    {
        ComObject holder;
        EXPECT_EQ(holder.AttachInterface(nullptr, 0), 1);
        EXPECT_EQ(holder.AttachInterface(object, 1), 0);
        EXPECT_EQ(holder.FPREINSTANTIATED, 1);
        EXPECT_EQ(holder.AttachInterface(object, 0), 1); // holding already
        holder.ReleaseOwned();
        EXPECT_EQ(object->Count(), 1u);
    }
    object->AddRef();
    ComObject owner;
    EXPECT_EQ(owner.AttachInterface(object, 0), 0); // no AddRef: the attached reference is the holder's
    EXPECT_EQ(object->Count(), 2u);
    owner.ReleaseOwned();
    EXPECT_EQ(object->Count(), 1u);
    owner.ClearInterface();
    EXPECT_EQ(owner.GetInterface(), nullptr);
    object->Release();
}

class Server final : public ComServerObject {
public:
    explicit Server(bool& destroyed) : destroyed_(destroyed) {}

private:
    ~Server() override { destroyed_ = true; }
    bool& destroyed_;
};

TEST(ComServerObject, CountsAndEndsItselfAtZero)
{
    bool destroyed = false;
    auto* server = new Server(destroyed);
    EXPECT_EQ(server->CREF.load(), 0);
    server->InitServer();
    EXPECT_EQ(server->CREF.load(), 1);
    EXPECT_EQ(server->GetInterface(), &server->IUNKNOWN);

    void* out = nullptr;
    EXPECT_EQ(server->QueryInterface(IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, &server->IUNKNOWN);
    EXPECT_EQ(server->CREF.load(), 2);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(server->IUNKNOWN.QueryInterface(IID_IDispatch, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(server->CREF.load(), 2);

    EXPECT_EQ(server->IUNKNOWN.AddRef(), 3u);
    EXPECT_EQ(server->IUNKNOWN.Release(), 2u);
    EXPECT_EQ(server->Release(), 1u);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(server->Release(), 0u);
    EXPECT_TRUE(destroyed);
}

TEST(ComServerObject, CountChangesAtomically)
{
    bool destroyed = false;
    auto* server = new Server(destroyed);
    server->InitServer();
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([server] {
            for (int i = 0; i < 20000; ++i) {
                server->AddRef();
                server->Release();
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(server->CREF.load(), 1);
    EXPECT_FALSE(destroyed);
    server->Release();
    EXPECT_TRUE(destroyed);
}

TEST(BstrString, DropsTrailingBlanksStopsAtZeroAndKeepsEmptyNonNull)
{
    struct Case {
        std::string_view text;
        std::u16string_view expected;
    };
    const Case table[] = {
        {"  name   ", u"  name"},
        {"", u""},
        {"     ", u""},
        {std::string_view("ab\0cd", 5), u"ab"},
        {std::string_view("ab \0cd  ", 8), u"ab "},
        {"\xC3\xA9t\xC3\xA9 ", u"été"},
    };
    for (const Case& c : table) {
        BstrString holder;
        const BSTR made = holder.FromText(c.text, true);
        ASSERT_NE(made, nullptr) << c.text;
        EXPECT_EQ(holder.Get(), made);
        EXPECT_EQ(BstrView(made), c.expected);
        EXPECT_EQ(holder.DWBYTES, c.expected.size() * 2);
    }
    BSTR kept = nullptr;
    {
        BstrString holder;
        kept = holder.FromText("kept", false); // not self-cleaning: the caller's
    }
    EXPECT_EQ(BstrView(kept), u"kept");
    FreeBstr(kept);
}

TEST(NarrowString, ConvertsOwnsAndOptionallyFreesTheSource)
{
    NarrowString empty;
    empty.FromWide(u"", true, false);
    EXPECT_EQ(empty.Text(), nullptr);
    EXPECT_EQ(empty.Length(), 0u);
    NarrowString none;
    none.FromWide(nullptr, true, false);
    EXPECT_EQ(none.Text(), nullptr);

    BSTR source = BstrFromAnsi("\xC3\xA9t\xC3\xA9");
    {
        NarrowString text;
        text.FromWide(source, true, true); // frees the source
        ASSERT_NE(text.Text(), nullptr);
        EXPECT_STREQ(text.Text(), "\xC3\xA9t\xC3\xA9");
        EXPECT_EQ(text.Length(), 5u);
    }

    WideString wide;
    EXPECT_EQ(wide.Attach(nullptr), 0);
    EXPECT_EQ(wide.Attach(u"abc"), 1);
    EXPECT_EQ(wide.Attach(u"xyz"), 0); // holds one already
    NarrowString fromWide;
    fromWide.FromWideString(wide, false);
    EXPECT_STREQ(fromWide.Text(), "abc");
    NarrowString::FreeText(fromWide.CSTR);
}

TEST(ResetBstr, FreesAndClears)
{
    BSTR held = BstrFromAnsi("x");
    ResetBstr(&held);
    EXPECT_EQ(held, nullptr);
    ResetBstr(&held);
    FreeBstr(nullptr);
}

} // namespace
} // namespace quorin::com
