#include "platform/classlib/FileManager.h"
#include "platform/classlib/RelationManager.h"
#include "platform/runtime/Module.h"
#include "platform/runtime/RuntimeError.h"
#include "platform/ui/scripted/ScriptedUi.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace quorin {
namespace {

namespace fs = std::filesystem;

const RecordLayout& Layout()
{
    static const RecordLayout layout("REC", {{"REC:DATE", FieldType::Long}, {"REC:TIME", FieldType::Long},
                                            {"REC:NAME", FieldType::Text, 30}});
    return layout;
}

using testing::Slurp;

// Runs a test's step on this thread whenever a statement begins on a SQLite connection opened while
// the object lives: the moments at which another user's write could come between two of ours.
class StatementHook {
public:
    StatementHook() { sqlite3_auto_extension(reinterpret_cast<void (*)()>(&Trace)); }
    ~StatementHook()
    {
        sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&Trace));
        step_ = nullptr;
    }
    StatementHook(const StatementHook&) = delete;
    StatementHook& operator=(const StatementHook&) = delete;

    void Set(std::function<void(sqlite3*)> step) { step_ = std::move(step); }

private:
    static int Trace(sqlite3* db, const char**, const sqlite3_api_routines*)
    {
        sqlite3_trace_v2(db, SQLITE_TRACE_STMT, &Began, nullptr);
        return SQLITE_OK;
    }
    static int Began(unsigned, void*, void* statement, void*)
    {
        if (step_) {
            step_(sqlite3_db_handle(static_cast<sqlite3_stmt*>(statement)));
        }
        return 0;
    }
    static inline std::function<void(sqlite3*)> step_;
};

class FileManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string templ = (fs::temp_directory_path() / "quorin-filemanager-XXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        dir_ = templ;
        saved_ = fs::current_path();
        fs::current_path(dir_);
        errors.Init(&status);
        BindThreadFile(file, initial);
        manager.BUFFER = {file.Record(), &Layout(), Layout().Size()};
        manager.FILENAMEVALUE = "RecordFile";
        manager.SetErrors(errors);
        manager.Init();
        relations.Init(manager, 1);
    }
    void TearDown() override
    {
        relations.Kill();
        manager.Kill();
        ReleaseThreadFile(&file);
        fs::current_path(saved_);
        fs::remove_all(dir_);
    }

    // What the first use of the file does in a derived manager.
    void InitialiseFile()
    {
        manager.InitFile(file, errors);
        manager.AddKey(file.Key(0), "REC:ByDateTime", 0);
    }

    void SetRecord(int date, int time, std::string_view name)
    {
        Layout().Clear(file.Record());
        Layout().SetLong(file.Record(), 1, date);
        Layout().SetLong(file.Record(), 2, time);
        Layout().SetText(file.Record(), 3, name);
    }

    std::vector<std::string> Titles() const
    {
        std::vector<std::string> titles;
        for (const auto& m : ui.Messages()) {
            titles.push_back(m.caption);
        }
        return titles;
    }

    std::vector<DataRecord> All()
    {
        std::vector<DataRecord> rows;
        EXPECT_EQ(manager.Keyed()->ReadPage(0, ReadDirection::Forward, nullptr, 0, 100, rows), 0);
        return rows;
    }

    fs::path dir_, saved_;
    ScriptedUi ui;
    ScopedUserInterface installed{ui};
    ThreadVar<ErrorStatusBlock> status;
    ErrorManager errors;
    FileDeclaration initial{FileKind::Keyed, "REC", Layout(),
                            {{"REC:BYDATETIME", {1, 2}, kKeyOpt | kKeyNoCase | kKeyPrimary}},
                            kFileCreate | kFileReclaim | kFileThread, "records.tps"};
    FileDeclaration file;
    FileManager manager;
    RelationManager relations;
};

TEST_F(FileManagerTest, OpensLazilyCreatesTheMissingFileAndNamesItByItsExternalName)
{
    EXPECT_EQ(manager.FileName(), "RecordFile");
    InitialiseFile();
    EXPECT_EQ(manager.FileName(), "records.tps");
    EXPECT_EQ(manager.OPENMODE, 0x42);
    EXPECT_EQ(manager.PRIMARYKEY, 1);
    ASSERT_EQ(manager.KEYS.size(), 1u);
    EXPECT_EQ(manager.KEYS[0].DESCRIPTION, "REC:ByDateTime");
    EXPECT_EQ(manager.KEYS[0].DUPS, 0);
    EXPECT_EQ(manager.KEYS[0].NOCASE, 1);

    ASSERT_EQ(relations.Open(0), 0);
    EXPECT_FALSE(fs::exists("records.tps")); // counted only, until the first real use
    SetRecord(81000, 100, "first");
    ASSERT_EQ(manager.Insert(), 0);
    EXPECT_TRUE(fs::exists("records.tps"));
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(All().size(), 1u);

    // Two opens held: the first close keeps the file open.
    ASSERT_EQ(relations.Open(0), 0);
    relations.Close(0);
    EXPECT_TRUE(manager.IsOpenForReal());
    relations.Close(0);
    EXPECT_FALSE(manager.IsOpenForReal());
}

TEST_F(FileManagerTest, DuplicateKeyIsRefusedOnInsertAndChangeWithTheKeysDescription)
{
    InitialiseFile();
    ASSERT_EQ(relations.Open(0), 0);
    SetRecord(81000, 100, "first");
    ASSERT_EQ(manager.Insert(), 0);
    SetRecord(81000, 200, "second");
    ASSERT_EQ(manager.Insert(), 0);
    const auto before = All();

    SetRecord(81000, 100, "again");
    EXPECT_EQ(manager.Insert(), level::kNotify);
    ASSERT_EQ(ui.MessageCount(), 1u);
    EXPECT_EQ(ui.LastMessage().caption, "Duplicate Key Error");
    EXPECT_EQ(ui.LastMessage().text, "Adding this record creates a duplicate entry for the key: REC:ByDateTime");

    // The change of the second record onto the first one's date and time.
    manager.SetCurrent(before[1].id);
    SetRecord(81000, 100, "moved");
    EXPECT_EQ(manager.Update(), level::kNotify);
    EXPECT_EQ(ui.LastMessage().caption, "Duplicate Key Error");
    EXPECT_EQ(ui.MessageCount(), 2u);

    const auto after = All();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].image, before[i].image);
    }
    SetRecord(81001, 1, "moved");
    EXPECT_EQ(manager.Update(), 0);
}

TEST_F(FileManagerTest, ReadOnlyFileOpensReadOnlyAfterAccessDenied)
{
    InitialiseFile();
    ASSERT_EQ(relations.Open(0), 0);
    SetRecord(81000, 100, "kept");
    ASSERT_EQ(manager.Insert(), 0);
    relations.Close(0);
    ::chmod("records.tps", 0444);

    ASSERT_EQ(relations.Open(0), 0);
    ASSERT_EQ(manager.UseFile(use::kUse), 0);
    EXPECT_EQ(Titles(), std::vector<std::string>{"Access Denied"});
    EXPECT_EQ(ui.LastMessage().text, "Could not get write access to records.tps so trying read-only.");
    EXPECT_EQ(manager.OPENMODE, 0x40);
    EXPECT_EQ(All().size(), 1u);

    SetRecord(81000, 200, "refused");
    EXPECT_EQ(manager.Insert(), level::kNotify);
    EXPECT_EQ(ui.LastMessage().caption, "Record Insert Error");
    EXPECT_NE(ui.LastMessage().text.find("Error: Access Denied."), std::string::npos);
}

TEST_F(FileManagerTest, FatalFileFailuresEndTheProgramAndLeaveTheFileAlone)
{
    // A use before any open, and a file that is not a data file.
    struct Case {
        const char* content; // null: no file is made
        bool open;
        const char* title;
    } const cases[] = {
        {nullptr, false, "File Usage Error"},
        {"not a data file at all\r\n", true, "Invalid File"},
    };
    InitialiseFile();
    for (const Case& c : cases) {
        ui.ClearMessages();
        if (c.content != nullptr) {
            std::ofstream("records.tps", std::ios::binary) << c.content << std::string(300, '#');
        }
        const std::string bytes = c.content != nullptr ? Slurp("records.tps") : "";
        if (c.open) {
            ASSERT_EQ(relations.Open(0), 0);
        }
        EXPECT_THROW(manager.UseFile(use::kUse), ProgramHalt) << c.title;
        EXPECT_EQ(Titles(), std::vector<std::string>{c.title});
        EXPECT_NE(ui.LastMessage().text.find("  Press OK to end this application"), std::string::npos);
        if (c.content != nullptr) {
            EXPECT_EQ(Slurp("records.tps"), bytes);
        }
    }

    FileDeclaration lost(FileKind::Keyed, "REC", Layout(), initial.KeyDeclarations(), kFileCreate, "no/such/records.tps");
    BindThreadFile(lost, lost);
    FileManager other;
    other.Init();
    other.InitFile(lost, errors);
    ASSERT_EQ(other.Open(), 0);
    ui.ClearMessages();
    EXPECT_THROW(other.UseFile(use::kUse), ProgramHalt);
    // Neither opened nor created: the folder is missing.
    EXPECT_EQ(Titles(), std::vector<std::string>{"File Access Error"});
    EXPECT_EQ(ui.LastMessage().text.rfind("File no/such/records.tps could not be opened.  Error: Path Not Found.", 0), 0u);
}

TEST_F(FileManagerTest, DeleteAsksFirstAndNoKeepsTheRecord)
{
    InitialiseFile();
    ASSERT_EQ(relations.Open(0), 0);
    SetRecord(81000, 100, "doomed");
    ASSERT_EQ(manager.Insert(), 0);

    ui.QueueAnswer(button::kNo);
    EXPECT_EQ(relations.Delete(1), level::kCancel);
    EXPECT_EQ(ui.LastMessage().caption, "Confirm Delete");
    EXPECT_EQ(ui.LastMessage().defaultButton, button::kYes);
    EXPECT_EQ(All().size(), 1u);

    ui.QueueAnswer(button::kYes);
    EXPECT_EQ(relations.Delete(1), 0);
    EXPECT_TRUE(All().empty());
}

TEST_F(FileManagerTest, StaleKeysAreRebuiltAfterTheInvalidKeyMessage)
{
    {
        FileDeclaration loose(FileKind::Keyed, "REC", Layout(), {{"REC:BYDATETIME", {1, 2}, kKeyDuplicates}}, 0,
                              "records.tps");
        BindThreadFile(loose, loose);
        ASSERT_EQ(loose.Create(), 0);
        ASSERT_EQ(loose.Open(0x42), 0);
        ASSERT_EQ(loose.Add(), 0);
    }
    InitialiseFile();
    ASSERT_EQ(relations.Open(0), 0);
    ASSERT_EQ(manager.UseFile(use::kUse), 0);
    EXPECT_EQ(Titles(), std::vector<std::string>{"Invalid Key"});
    EXPECT_EQ(ui.LastMessage().text, "records.tps key file is invalid. Key must be rebuilt.");
    EXPECT_TRUE(manager.IsOpenForReal());
}

TEST_F(FileManagerTest, ThreadListNeverKeepsADisposedManager)
{
    auto listed = [](FileManager* m) {
        const auto list = FileManager::ThreadFileManagers();
        return std::find(list.begin(), list.end(), m) != list.end();
    };
    EXPECT_TRUE(listed(&manager));
    FileManager* neverUsed = new FileManager;
    neverUsed->Init();
    EXPECT_TRUE(listed(neverUsed));
    neverUsed->Kill(); // not initialised by InitFile: Kill leaves it alone and listed
    EXPECT_TRUE(listed(neverUsed));
    delete neverUsed;
    EXPECT_FALSE(listed(neverUsed));

    std::thread([&] { EXPECT_FALSE(listed(&manager)); }).join(); // each thread has its own list

    InitialiseFile();
    manager.Kill();
    EXPECT_FALSE(listed(&manager));
    EXPECT_EQ(manager.KILLED, 1);
    EXPECT_EQ(manager.INITIALIZED, 0);
}

// A change or delete compares the stored record with the one read and writes in one transaction:
// another user's write that comes at the start of any statement of the manager's change either
// gets in before the comparison, and the change is refused, or is kept out until the change is
// committed. Never between them, where it would be overwritten without a word.
TEST_F(FileManagerTest, NoOtherWriterComesBetweenTheComparisonAndTheWrite)
{
    StatementHook hook; // before the file opens, so that its connection is watched
    InitialiseFile();
    ASSERT_EQ(relations.Open(0), 0);
    SetRecord(81000, 100, "first");
    ASSERT_EQ(manager.Insert(), 0); // opens the file for real
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open_v2("records.tps", &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    // No busy wait: while the manager holds its transaction the other write is refused at once.
    sqlite3_busy_timeout(other, 0);

    for (const bool deleting : {false, true}) {
        bool allSeen = false;
        for (int at = 1; !allSeen; ++at) {
            SCOPED_TRACE((deleting ? "delete, other write at statement " : "change, other write at statement ") +
                         std::to_string(at));
            ASSERT_EQ(sqlite3_exec(other, "DELETE FROM records", nullptr, nullptr, nullptr), SQLITE_OK);
            SetRecord(81000, 100, "read");
            ASSERT_EQ(manager.Insert(), 0);
            manager.SaveFile(); // as a window does when it begins
            const std::int64_t id = manager.Current();
            SetRecord(81000, 100, "theirs");
            const std::string theirs(file.Record(), Layout().Size());
            SetRecord(81000, 100, "mine");

            int statements = 0;
            int otherWrote = -1; // the other write's SQLite result, -1 before it was tried
            hook.Set([&](sqlite3* db) {
                if (db == other || ++statements != at) {
                    return;
                }
                sqlite3_stmt* put = nullptr;
                ASSERT_EQ(sqlite3_prepare_v2(other, "UPDATE records SET image = ?1 WHERE id = ?2", -1, &put, nullptr),
                          SQLITE_OK);
                sqlite3_bind_blob(put, 1, theirs.data(), static_cast<int>(theirs.size()), SQLITE_STATIC);
                sqlite3_bind_int64(put, 2, id);
                otherWrote = sqlite3_step(put);
                sqlite3_finalize(put);
            });
            const int rc = deleting ? manager.TryDelete() : manager.TryUpdate();
            hook.Set(nullptr);

            allSeen = statements < at;
            const auto rows = All();
            if (otherWrote == SQLITE_DONE) {
                EXPECT_EQ(rc, kRecordChanged);
                ASSERT_EQ(rows.size(), 1u);
                EXPECT_EQ(rows[0].image, theirs);
            } else {
                EXPECT_TRUE(otherWrote == -1 || otherWrote == SQLITE_BUSY) << sqlite3_errstr(otherWrote);
                EXPECT_EQ(rc, kNoError);
                ASSERT_EQ(rows.size(), deleting ? 0u : 1u);
                if (!deleting) {
                    EXPECT_EQ(Layout().FieldAsText(rows[0].image.data(), 3), "mine");
                }
            }
        }
    }
    sqlite3_close(other);
}

} // namespace
} // namespace quorin
