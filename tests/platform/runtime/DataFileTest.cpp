#include "platform/runtime/DataFile.h"
#include "platform/runtime/RuntimeError.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace quorin {
namespace {

namespace fs = std::filesystem;

// A record like the saved form record, smaller: date, time and a name.
const RecordLayout& Layout()
{
    static const RecordLayout layout("TST", {{"TST:DATE", FieldType::Long}, {"TST:TIME", FieldType::Long},
                                            {"TST:NAME", FieldType::Text, 20}});
    return layout;
}

DataFileDeclaration Declaration(std::uint16_t keyAttributes = kKeyOpt | kKeyNoCase | kKeyPrimary)
{
    return {&Layout(), {{"TST:BYDATETIME", {1, 2}, keyAttributes}}, kFileCreate | kFileReclaim | kFileThread};
}

std::string Record(int date, int time, std::string_view name = "x")
{
    std::string image(Layout().Size(), '\0');
    Layout().Clear(image.data());
    Layout().SetLong(image.data(), 1, date);
    Layout().SetLong(image.data(), 2, time);
    Layout().SetText(image.data(), 3, name);
    return image;
}

using testing::Slurp;

class DataFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string templ = (fs::temp_directory_path() / "quorin-datafile-XXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        dir_ = templ;
        path_ = (dir_ / "test.tps").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    // A new file holding records of the given (date, time) pairs, open for reading and writing.
    void Fill(DataFile& file, const std::vector<std::pair<int, int>>& keys)
    {
        ASSERT_EQ(file.Create(path_), 0);
        ASSERT_EQ(file.Open(path_, 0x42), 0);
        for (const auto& [d, t] : keys) {
            ASSERT_EQ(file.Add(Record(d, t, std::to_string(d) + "/" + std::to_string(t)).data()), 0);
        }
    }

    static std::vector<std::pair<int, int>> Keys(const std::vector<DataRecord>& rows)
    {
        std::vector<std::pair<int, int>> keys;
        for (const auto& r : rows) {
            keys.emplace_back(Layout().GetLong(r.image.data(), 1), Layout().GetLong(r.image.data(), 2));
        }
        return keys;
    }

    fs::path dir_;
    std::string path_;
};

TEST_F(DataFileTest, ReadsInKeyOrderAndLeavesZeroKeysOut)
{
    DataFile file(Declaration());
    Fill(file, {{20, 5}, {10, 900}, {0, 0}, {20, 1}, {10, 3}, {0, 0}});

    std::vector<DataRecord> rows;
    ASSERT_EQ(file.ReadPage(0, ReadDirection::Forward, nullptr, 0, 100, rows), 0);
    // By date, then time: an earlier date with a later time comes first; the zero keys are absent.
    EXPECT_EQ(Keys(rows), (std::vector<std::pair<int, int>>{{10, 3}, {10, 900}, {20, 1}, {20, 5}}));
    ASSERT_EQ(file.ReadPage(0, ReadDirection::Backward, nullptr, 0, 100, rows), 0);
    EXPECT_EQ(Keys(rows), (std::vector<std::pair<int, int>>{{20, 5}, {20, 1}, {10, 900}, {10, 3}}));

    // Stored all the same, and not found through the key.
    std::int64_t count = 0;
    ASSERT_EQ(file.Count(count), 0);
    EXPECT_EQ(count, 6);
    std::string found(Layout().Size(), '\0');
    EXPECT_EQ(file.Get(0, Record(0, 0).data(), found.data()), kRecordNotFound);
    ASSERT_EQ(file.Get(0, Record(10, 900).data(), found.data()), 0);
    EXPECT_EQ(Layout().FieldAsText(found.data(), 3), "10/900");
}

TEST_F(DataFileTest, RefusesDuplicateKeysOnAddAndChangeAndKeepsTheFile)
{
    DataFile file(Declaration());
    Fill(file, {{10, 1}, {10, 2}});
    std::vector<DataRecord> before;
    ASSERT_EQ(file.ReadPage(0, ReadDirection::Forward, nullptr, 0, 100, before), 0);

    EXPECT_EQ(file.Add(Record(10, 2, "other").data()), kCreatesDuplicateKey);
    EXPECT_EQ(RuntimeError(), kCreatesDuplicateKey);
    EXPECT_EQ(file.DuplicateKey(), 0);

    std::string current(Layout().Size(), '\0');
    ASSERT_EQ(file.Get(0, Record(10, 1).data(), current.data()), 0);
    EXPECT_EQ(file.Put(Record(10, 2, "moved").data()), kCreatesDuplicateKey);
    EXPECT_EQ(file.DuplicateKey(), 0);

    std::vector<DataRecord> after;
    ASSERT_EQ(file.ReadPage(0, ReadDirection::Forward, nullptr, 0, 100, after), 0);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].image, before[i].image);
    }

    // Zero keys are out of the key, so they never collide; a change to a free key goes through.
    EXPECT_EQ(file.Add(Record(0, 0).data()), 0);
    EXPECT_EQ(file.Add(Record(0, 0).data()), 0);
    ASSERT_EQ(file.Get(0, Record(10, 1).data(), current.data()), 0);
    EXPECT_EQ(file.Put(Record(11, 1, "moved").data()), 0);
    ASSERT_EQ(file.Get(0, Record(11, 1).data(), current.data()), 0);
    EXPECT_EQ(Layout().FieldAsText(current.data(), 3), "moved");
    EXPECT_EQ(file.Delete(), 0);
    EXPECT_EQ(file.Get(0, Record(11, 1).data(), current.data()), kRecordNotFound);
    EXPECT_EQ(file.Delete(), kRecordNotAvailable); // nothing current after a delete
}

// A key number past the last declared key is refused with a code, never read past the keys.
TEST_F(DataFileTest, ReadsByAKeyThatIsNotDeclaredAreRefused)
{
    DataFile file(Declaration());
    Fill(file, {{10, 1}});
    std::string found(Layout().Size(), '\0');
    ASSERT_EQ(file.Get(0, Record(10, 1).data(), found.data()), 0);
    const std::int64_t current = file.Current();
    for (const std::size_t key : {std::size_t{1}, std::size_t{7}}) {
        ClearRuntimeError();
        EXPECT_EQ(file.Get(key, Record(10, 1).data(), found.data()), kEntryNotFound) << key;
        EXPECT_EQ(RuntimeError(), kEntryNotFound);
        std::vector<DataRecord> rows{{1, "stale"}};
        EXPECT_EQ(file.ReadPage(key, ReadDirection::Forward, nullptr, 0, 10, rows), kEntryNotFound) << key;
        EXPECT_EQ(file.ReadPage(key, ReadDirection::Backward, Record(10, 1).data(), 0, 10, rows), kEntryNotFound);
        EXPECT_TRUE(rows.empty());
    }
    EXPECT_EQ(file.Current(), current); // a refused read leaves the current record
    std::vector<DataRecord> rows;
    EXPECT_EQ(file.ReadPage(0, ReadDirection::Forward, nullptr, 0, 10, rows), 0);
    EXPECT_EQ(rows.size(), 1u);
}

TEST_F(DataFileTest, PagesFromAKeyValueInBothDirections)
{
    DataFile file(Declaration(kKeyDuplicates | kKeyOpt));
    std::vector<std::pair<int, int>> keys;
    for (int d = 1; d <= 5; ++d) {
        for (int t = 1; t <= 4; ++t) {
            keys.emplace_back(d, t);
        }
    }
    keys.emplace_back(3, 2); // a duplicate: pages must not skip or repeat it
    Fill(file, keys);

    struct Case {
        ReadDirection direction;
        std::pair<int, int> from;
        std::size_t count;
        std::vector<std::pair<int, int>> expected;
    };
    const Case cases[] = {
        {ReadDirection::Forward, {3, 2}, 4, {{3, 2}, {3, 2}, {3, 3}, {3, 4}}},
        {ReadDirection::Forward, {3, 5}, 2, {{4, 1}, {4, 2}}}, // between values: starts at the next
        {ReadDirection::Backward, {3, 2}, 4, {{3, 2}, {3, 2}, {3, 1}, {2, 4}}},
        {ReadDirection::Forward, {5, 4}, 3, {{5, 4}}},
        {ReadDirection::Backward, {1, 1}, 3, {{1, 1}}},
        {ReadDirection::Forward, {9, 9}, 3, {}},
    };
    for (const auto& c : cases) {
        std::vector<DataRecord> rows;
        ASSERT_EQ(file.ReadPage(0, c.direction, Record(c.from.first, c.from.second).data(), 0, c.count, rows), 0);
        EXPECT_EQ(Keys(rows), c.expected) << c.from.first << "/" << c.from.second;
    }

    // Page after page from the last row of each, forward and back, gives every record once.
    for (auto direction : {ReadDirection::Forward, ReadDirection::Backward}) {
        std::vector<DataRecord> page, all;
        ASSERT_EQ(file.ReadPage(0, direction, nullptr, 0, 3, page), 0);
        while (!page.empty()) {
            all.insert(all.end(), page.begin(), page.end());
            const DataRecord last = page.back();
            ASSERT_EQ(file.ReadPage(0, direction, last.image.data(), last.id, 3, page), 0);
        }
        EXPECT_EQ(all.size(), keys.size());
        for (std::size_t i = 1; i < all.size(); ++i) {
            const auto a = Keys({all[i - 1]}).front(), b = Keys({all[i]}).front();
            EXPECT_TRUE(direction == ReadDirection::Forward ? a <= b : a >= b);
            EXPECT_NE(all[i - 1].id, all[i].id);
        }
    }
}

TEST_F(DataFileTest, DescendingAndTextComponentsOrderAsDeclared)
{
    const RecordLayout& l = Layout();
    DataFileDeclaration d{&l, {{"TST:BYNAME", {3, -1}, kKeyDuplicates | kKeyNoCase}}, 0};
    DataFile file(d);
    ASSERT_EQ(file.Create(path_), 0);
    ASSERT_EQ(file.Open(path_, 0x42), 0);
    for (auto [date, name] : std::vector<std::pair<int, const char*>>{{1, "beta"}, {2, "Alpha"}, {3, "alpha"}, {4, "Beta"}}) {
        ASSERT_EQ(file.Add(Record(date, 0, name).data()), 0);
    }
    std::vector<DataRecord> rows;
    ASSERT_EQ(file.ReadPage(0, ReadDirection::Forward, nullptr, 0, 10, rows), 0);
    std::vector<int> dates;
    for (const auto& r : rows) {
        dates.push_back(l.GetLong(r.image.data(), 1));
    }
    EXPECT_EQ(dates, (std::vector<int>{3, 2, 4, 1})); // names without case, then date descending
    ASSERT_EQ(file.ReadPage(0, ReadDirection::Forward, Record(2, 0, "ALPHA").data(), 0, 10, rows), 0);
    EXPECT_EQ(rows.size(), 3u); // the mixed-direction bound starts at ("alpha", 2)
}

TEST_F(DataFileTest, RefusesFilesThatAreNotItsOwnAndLeavesThemAlone)
{
    // A plain file, an empty one, another program's database, and one of ours made for another
    // record layout.
    const fs::path text = dir_ / "text.tps", empty = dir_ / "empty.tps", foreign = dir_ / "foreign.tps",
                   other = dir_ / "other.tps";
    std::ofstream(text, std::ios::binary) << "just some text, long enough to look like a header of a file\n"
                                          << std::string(200, 'z');
    std::ofstream(empty, std::ios::binary).flush();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(foreign.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE records(id INTEGER PRIMARY KEY, image BLOB)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    const RecordLayout otherLayout("OTH", {{"OTH:DATE", FieldType::Long}, {"OTH:NAME", FieldType::Text, 24}});
    {
        DataFile maker({&otherLayout, {{"OTH:KEY", {1}, 0}}, 0});
        ASSERT_EQ(maker.Create(other.string()), 0);
    }

    for (const fs::path& p : {text, empty, foreign, other}) {
        const std::string bytes = Slurp(p);
        DataFile file(Declaration());
        EXPECT_EQ(file.Open(p.string(), 0x42), kInvalidRecordDeclaration) << p;
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(file.Create(p.string()), 0) << "an existing file is never replaced";
        EXPECT_EQ(file.BuildKeys(p.string()), kInvalidRecordDeclaration) << p;
        EXPECT_EQ(Slurp(p), bytes) << p;
        EXPECT_FALSE(fs::exists(p.string() + "-journal"));
    }
}

TEST_F(DataFileTest, OpenAndCreateFailures)
{
    DataFile file(Declaration());
    EXPECT_EQ(file.Open(path_, 0x42), kFileNotFound);
    EXPECT_EQ(file.Open((dir_ / "no" / "x.tps").string(), 0x42), kPathNotFound);
    EXPECT_EQ(file.Create((dir_ / "no" / "x.tps").string()), kPathNotFound);
    EXPECT_EQ(file.Open("", 0x42), kInvalidFilename);
    EXPECT_EQ(file.Add(Record(1, 1).data()), kFileNotOpen);

    // A file without write bits (read-only for everyone, root included) opens for reading only.
    ASSERT_EQ(file.Create(path_), 0);
    ASSERT_EQ(file.Open(path_, 0x42), 0);
    ASSERT_EQ(file.Add(Record(1, 1).data()), 0);
    file.Close();
    ::chmod(path_.c_str(), 0444);
    EXPECT_EQ(file.Open(path_, 0x42), kAccessDenied);
    ASSERT_EQ(file.Open(path_, 0x40), 0);
    EXPECT_TRUE(file.IsReadOnly());
    EXPECT_EQ(file.Add(Record(2, 2).data()), kAccessDenied);
    std::int64_t count = 0;
    ASSERT_EQ(file.Count(count), 0);
    EXPECT_EQ(count, 1);
}

TEST_F(DataFileTest, ChangedKeysAreRebuiltOrRefusedWhenTheRecordsBreakThem)
{
    {
        DataFile loose(Declaration(kKeyDuplicates));
        Fill(loose, {{1, 1}, {2, 2}, {2, 2}});
    }
    const std::string bytes = Slurp(path_);
    DataFile strict(Declaration());
    EXPECT_EQ(strict.Open(path_, 0x42), kKeyFileMustBeRebuilt);
    EXPECT_EQ(strict.BuildKeys(path_), kCreatesDuplicateKey); // two records share 2/2
    EXPECT_EQ(Slurp(path_), bytes);

    DataFile byName({&Layout(), {{"TST:BYNAME", {3}, kKeyDuplicates}}, 0});
    EXPECT_EQ(byName.Open(path_, 0x42), kKeyFileMustBeRebuilt);
    ASSERT_EQ(byName.BuildKeys(path_), 0);
    ASSERT_EQ(byName.Open(path_, 0x42), 0);
    std::vector<DataRecord> rows;
    ASSERT_EQ(byName.ReadPage(0, ReadDirection::Forward, nullptr, 0, 10, rows), 0);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(Layout().FieldAsText(rows[0].image.data(), 3), "1/1");
}

TEST_F(DataFileTest, TransactionsCommitOrRollBackTogether)
{
    DataFile file(Declaration());
    Fill(file, {});
    ASSERT_EQ(file.Begin(), 0);
    ASSERT_EQ(file.Add(Record(1, 1).data()), 0);
    ASSERT_EQ(file.Add(Record(1, 2).data()), 0);
    ASSERT_EQ(file.Rollback(), 0);
    std::int64_t count = -1;
    ASSERT_EQ(file.Count(count), 0);
    EXPECT_EQ(count, 0);
    ASSERT_EQ(file.Begin(), 0);
    ASSERT_EQ(file.Add(Record(1, 1).data()), 0);
    EXPECT_EQ(file.Add(Record(1, 1).data()), kCreatesDuplicateKey); // refused alone, the rest stays
    ASSERT_EQ(file.Commit(), 0);
    ASSERT_EQ(file.Count(count), 0);
    EXPECT_EQ(count, 1);
}

// A change or delete given the record as it was read writes only while another user has neither
// changed nor deleted it since; the stored file says what happened.
TEST_F(DataFileTest, AChangeOrDeleteOfARecordAnotherUserTouchedSinceItWasReadWritesNothing)
{
    enum class Other { Nothing, Changes, Deletes };
    struct Case {
        Other other;
        bool deleting;
        int answer;
        const char* left; // the stored name, "" when the record is gone
    } const cases[] = {
        {Other::Nothing, false, kNoError, "mine"},          {Other::Changes, false, kRecordChanged, "theirs"},
        {Other::Deletes, false, kRecordChanged, ""},        {Other::Nothing, true, kNoError, ""},
        {Other::Changes, true, kRecordChanged, "theirs"},   {Other::Deletes, true, kRecordChanged, ""},
    };
    DataFile file(Declaration());
    Fill(file, {});
    DataFile other(Declaration());
    ASSERT_EQ(other.Open(path_, 0x42), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.other)) + (c.deleting ? " delete" : " change"));
        ASSERT_EQ(file.Add(Record(10, 1, "read").data()), 0);
        std::string asRead(Layout().Size(), '\0');
        ASSERT_EQ(file.Get(0, Record(10, 1).data(), asRead.data()), 0);

        std::string found(Layout().Size(), '\0');
        ASSERT_EQ(other.Get(0, Record(10, 1).data(), found.data()), 0);
        if (c.other == Other::Changes) {
            ASSERT_EQ(other.Put(Record(10, 1, "theirs").data()), 0);
        } else if (c.other == Other::Deletes) {
            ASSERT_EQ(other.Delete(), 0);
        }

        const int rc = c.deleting ? file.Delete(asRead.data()) : file.Put(Record(10, 1, "mine").data(), asRead.data());
        EXPECT_EQ(rc, c.answer);
        EXPECT_EQ(RuntimeError(), c.answer);
        const int got = file.Get(0, Record(10, 1).data(), found.data());
        EXPECT_EQ(got == kNoError ? Layout().FieldAsText(found.data(), 3) : "", c.left);
        if (got == kNoError) {
            ASSERT_EQ(file.Delete(), 0);
        }
    }
}

} // namespace
} // namespace quorin
