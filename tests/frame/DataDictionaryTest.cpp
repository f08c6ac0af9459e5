#include "frame/DataDictionary.h"
#include "platform/runtime/RuntimeError.h"
#include "platform/ui/scripted/ScriptedUi.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

namespace quorin {
namespace {

namespace fs = std::filesystem;

using testing::Slurp;

class DataDictionaryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string templ = (fs::temp_directory_path() / "quorin-dictionary-XXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        dir_ = templ;
        saved_ = fs::current_path();
        fs::current_path(dir_);
        errors.Init(&status);
        SetDictionaryErrorManager(&errors);
        GlobalScriptFileName().Clear();
        CreateThreadFiles();
    }
    void TearDown() override
    {
        KillDictionary();
        ReleaseThreadFiles();
        SetDictionaryErrorManager(nullptr);
        fs::current_path(saved_);
        fs::remove_all(dir_);
    }

    static void SetRecord(int date, int time, std::string_view email)
    {
        const RecordLayout& l = PdfFormSaveDataLayout();
        char* r = PdfFormSaveData().Record();
        l.Clear(r);
        l.SetLong(r, sav::kDate, date);
        l.SetLong(r, sav::kTime, time);
        l.SetText(r, sav::kEmail, email);
    }

    fs::path dir_, saved_;
    ScriptedUi ui;
    ScopedUserInterface installed{ui};
    ThreadVar<ErrorStatusBlock> status;
    ErrorManager errors;
};

TEST_F(DataDictionaryTest, RecordLayoutsAndKeyAreAsDeclared)
{
    const RecordLayout& l = PdfFormSaveDataLayout();
    EXPECT_EQ(l.Size(), 1437u);
    EXPECT_EQ(l.FieldCount(), 13);
    EXPECT_EQ(l.Field(sav::kAddlInfo).offset, 374u);
    EXPECT_EQ(l.Field(sav::kCountry).offset, 1407u);
    EXPECT_EQ(JavaScriptFileLayout().Size(), 255u);
    EXPECT_EQ(PdfFormSaveData().Attributes(), 0x1C);
    EXPECT_EQ(JavaScriptFile().Attributes(), 0x14);
    EXPECT_EQ(SavByDateTime().Declaration().attributes, 0x16);
    EXPECT_EQ(SavByDateTime().Declaration().label, "SAV:BYDATETIME");
    // A thread's buffer starts blank and zero.
    EXPECT_TRUE(l.IsZeroOrBlank(PdfFormSaveData().Record(), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
    EXPECT_EQ(std::string(PdfFormSaveData().Record() + 8, 1429), std::string(1429, ' '));
}

TEST_F(DataDictionaryTest, ManagersArePublishedInOrderAndGoneAfterKill)
{
    EXPECT_EQ(RelatePdfFormSaveData(), nullptr);
    CreateFileManagers();
    EXPECT_NE(RelatePdfFormSaveData(), nullptr);
    EXPECT_NE(RelateJavaScriptFile(), nullptr);
    EXPECT_EQ(AccessPdfFormSaveData(), nullptr); // until the relation managers' Init
    InitRelationManagers();
    ASSERT_NE(AccessPdfFormSaveData(), nullptr);
    ASSERT_NE(AccessJavaScriptFile(), nullptr);
    EXPECT_EQ(RelatePdfFormSaveData()->ME, AccessPdfFormSaveData());
    EXPECT_EQ(AccessPdfFormSaveData()->INITIALIZED, 0);
    EXPECT_EQ(AccessPdfFormSaveData()->LAZYOPEN, 1);
    const auto listed = FileManager::ThreadFileManagers();
    EXPECT_EQ(listed, (std::vector<FileManager*>{AccessJavaScriptFile(), AccessPdfFormSaveData()}));

    // The first use of any type initialises once: one key, auto-increment off.
    ASSERT_EQ(RelatePdfFormSaveData()->Open(0), 0);
    EXPECT_EQ(AccessPdfFormSaveData()->UseFile(use::kUse), 0);
    EXPECT_EQ(AccessPdfFormSaveData()->UseFile(use::kInitialise), 0);
    ASSERT_EQ(AccessPdfFormSaveData()->KEYS.size(), 1u);
    EXPECT_EQ(AccessPdfFormSaveData()->KEYS[0].DESCRIPTION, "SAV:ByDateTime");
    EXPECT_EQ(AccessPdfFormSaveData()->HASAUTOINC, 0);
    RelatePdfFormSaveData()->Close(0);

    // The script file's manager was never used; it is killed and disposed all the same.
    KillDictionary();
    EXPECT_EQ(RelatePdfFormSaveData(), nullptr);
    EXPECT_EQ(AccessPdfFormSaveData(), nullptr);
    EXPECT_EQ(RelateJavaScriptFile(), nullptr);
    EXPECT_EQ(AccessJavaScriptFile(), nullptr);
    EXPECT_TRUE(FileManager::ThreadFileManagers().empty());
    EXPECT_TRUE(RelationManager::ThreadRelationManagers().empty());
}

TEST_F(DataDictionaryTest, SavedRecordsInKeyOrderWithDuplicatesRefusedNamingTheKey)
{
    InitDictionary();
    EXPECT_EQ(AccessPdfFormSaveData()->FileName(), "PdfFormSaveData");
    ASSERT_FALSE(fs::exists("form1.tps"));
    ASSERT_EQ(RelatePdfFormSaveData()->Open(0), 0);
    FileManager& m = *AccessPdfFormSaveData();
    for (auto [d, t] : std::vector<std::pair<int, int>>{{80002, 100}, {80001, 900000}, {0, 0}, {80002, 5}}) {
        SetRecord(d, t, std::to_string(d) + "@" + std::to_string(t));
        ASSERT_EQ(m.Insert(), 0);
    }
    EXPECT_TRUE(fs::exists("form1.tps"));
    EXPECT_EQ(m.FileName(), "form1.tps");

    std::vector<DataRecord> rows;
    ASSERT_EQ(m.Keyed()->ReadPage(0, ReadDirection::Forward, nullptr, 0, 20, rows), 0);
    std::vector<std::string> emails;
    for (const auto& r : rows) {
        emails.push_back(PdfFormSaveDataLayout().FieldAsText(r.image.data(), sav::kEmail));
    }
    EXPECT_EQ(emails, (std::vector<std::string>{"80001@900000", "80002@5", "80002@100"}));
    std::int64_t count = 0;
    ASSERT_EQ(m.Keyed()->Count(count), 0);
    EXPECT_EQ(count, 4); // the record without date and time is stored, out of the key

    SetRecord(80002, 5, "same moment");
    EXPECT_EQ(m.Insert(), level::kNotify);
    EXPECT_EQ(ui.LastMessage().caption, "Duplicate Key Error");
    EXPECT_EQ(ui.LastMessage().text, "Adding this record creates a duplicate entry for the key: SAV:ByDateTime");
    m.SetCurrent(rows[2].id);
    SetRecord(80002, 5, "changed onto another");
    EXPECT_EQ(m.Update(), level::kNotify);
    EXPECT_EQ(ui.MessageCount(), 2u);
    ASSERT_EQ(m.Keyed()->Count(count), 0);
    EXPECT_EQ(count, 4);
    RelatePdfFormSaveData()->Close(0);
}

TEST_F(DataDictionaryTest, ReadOnlyFormFileOpensReadOnlyAfterAccessDenied)
{
    InitDictionary();
    ASSERT_EQ(RelatePdfFormSaveData()->Open(0), 0);
    SetRecord(80001, 1, "kept");
    ASSERT_EQ(AccessPdfFormSaveData()->Insert(), 0);
    RelatePdfFormSaveData()->Close(0);
    ASSERT_EQ(::chmod("form1.tps", 0444), 0);

    ASSERT_EQ(RelatePdfFormSaveData()->Open(0), 0);
    ASSERT_EQ(AccessPdfFormSaveData()->UseFile(use::kUse), 0);
    ASSERT_EQ(ui.MessageCount(), 1u);
    EXPECT_EQ(ui.LastMessage().caption, "Access Denied");
    EXPECT_EQ(ui.LastMessage().text, "Could not get write access to form1.tps so trying read-only.");
    std::int64_t count = 0;
    ASSERT_EQ(AccessPdfFormSaveData()->Keyed()->Count(count), 0);
    EXPECT_EQ(count, 1);
    RelatePdfFormSaveData()->Close(0);
}

TEST_F(DataDictionaryTest, ScriptLinesAreWrittenUnderTheGlobalName)
{
    InitDictionary();
    const std::string path = (dir_ / "quorin36.js").string();
    GlobalScriptFileName() = path;
    EXPECT_EQ(AccessJavaScriptFile()->FileName(), path); // named by the variable itself
    ASSERT_EQ(RelateJavaScriptFile()->Open(0), 0);
    for (const char* line : {"function loadfield(n, v) {   ", "", "      ", "}"}) {
        JavaScriptFileLayout().SetText(JavaScriptFile().Record(), 1, line);
        EXPECT_EQ(AccessJavaScriptFile()->Insert(), 0);
    }
    RelateJavaScriptFile()->Close(0);
    EXPECT_EQ(Slurp(path), "function loadfield(n, v) {\r\n\r\n\r\n}\r\n");
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(DataDictionaryTest, ASecondThreadHasItsOwnDictionaryAndRecordBuffer)
{
    InitDictionary();
    SetRecord(1, 2, "first thread");
    const char* mine = PdfFormSaveData().Record();
    FileManager* myManager = AccessPdfFormSaveData();

    std::thread([&] {
        CreateThreadFiles();
        EXPECT_EQ(AccessPdfFormSaveData(), nullptr);
        InitDictionary();
        EXPECT_NE(AccessPdfFormSaveData(), nullptr);
        EXPECT_NE(AccessPdfFormSaveData(), myManager);
        EXPECT_NE(PdfFormSaveData().Record(), mine);
        EXPECT_EQ(PdfFormSaveDataLayout().GetLong(PdfFormSaveData().Record(), sav::kDate), 0);
        ASSERT_EQ(RelatePdfFormSaveData()->Open(0), 0);
        SetRecord(5, 5, "second thread");
        EXPECT_EQ(AccessPdfFormSaveData()->Insert(), 0);
        KillDictionary();
        EXPECT_EQ(AccessPdfFormSaveData(), nullptr);
        ReleaseThreadFiles();
    }).join();

    EXPECT_EQ(AccessPdfFormSaveData(), myManager);
    EXPECT_EQ(PdfFormSaveDataLayout().FieldAsText(PdfFormSaveData().Record(), sav::kEmail), "first thread");
    ASSERT_EQ(RelatePdfFormSaveData()->Open(0), 0);
    ASSERT_EQ(AccessPdfFormSaveData()->UseFile(use::kUse), 0);
    std::int64_t count = 0;
    ASSERT_EQ(AccessPdfFormSaveData()->Keyed()->Count(count), 0);
    EXPECT_EQ(count, 1); // the other thread's record, through this thread's own open
    RelatePdfFormSaveData()->Close(0);
}

} // namespace
} // namespace quorin
