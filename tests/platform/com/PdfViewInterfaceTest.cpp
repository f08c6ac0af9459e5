#include <gtest/gtest.h>

#include <cstring>

#include "platform/pdfview/PdfViewInterface.h"

namespace quorin::pdfview {
namespace {

// The table slot of a virtual member function: under the Itanium C++ ABI a pointer to a virtual
// member holds 1 + the slot's byte offset in the table.
template <class F>
std::ptrdiff_t Slot(F member)
{
    static_assert(sizeof(F) == 2 * sizeof(std::ptrdiff_t));
    std::ptrdiff_t words[2];
    std::memcpy(words, &member, sizeof words);
    return (words[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

TEST(PdfViewInterface, MethodsStandAtTheirTablePositions)
{
    EXPECT_EQ(Slot(&IPDFview::QueryInterface), 0);
    EXPECT_EQ(Slot(&IPDFview::Release), 2);
    EXPECT_EQ(Slot(&IPDFview::Invoke), 6);
    EXPECT_EQ(Slot(&IPDFview::GetTextFromResult), 8);
    EXPECT_EQ(Slot(&IPDFview::OpenDocument), 11);
    EXPECT_EQ(Slot(&IPDFview::CloseDocument), 12);
    EXPECT_EQ(Slot(&IPDFview::SaveDocument), 16);
    EXPECT_EQ(Slot(&IPDFview::RunJavaScript), 25);
    EXPECT_EQ(Slot(&IPDFview::SetProperty), 28);
    EXPECT_EQ(Slot(&_IPDFviewEvents::Invoke), 6);
    EXPECT_EQ(Slot(&_IPDFviewEvents::OnEvent), 7);
}

TEST(PdfViewInterface, IdsAreTheControlsOwn)
{
    EXPECT_EQ(com::FormatGuid(CLSID_PDFview), "{441CE133-66BA-49D1-9D81-08F2403EACCD}");
    EXPECT_EQ(com::FormatGuid(IID_IPDFview), "{731C97DD-C836-4136-810E-DA795F62A440}");
    EXPECT_EQ(com::FormatGuid(IID__IPDFviewEvents), "{F448D26C-3558-4CE6-AD6F-7A65EA093F02}");
}

} // namespace
} // namespace quorin::pdfview
