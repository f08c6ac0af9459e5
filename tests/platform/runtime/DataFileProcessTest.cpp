// The keyed data file under other processes: writers killed at random moments, and two writers at
// once. Children are forked and end with _exit, so nothing of the test framework runs in them.
#include "platform/runtime/DataFile.h"
#include "platform/runtime/RuntimeError.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <poll.h>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quorin {
namespace {

namespace fs = std::filesystem;
using testing::Slurp;

// A big record, as the saved form record is, so that an image spans more than one page of SQLite.
const RecordLayout& Layout()
{
    static const RecordLayout layout("CRA", {{"CRA:DATE", FieldType::Long},
                                            {"CRA:TIME", FieldType::Long},
                                            {"CRA:SEQ", FieldType::Long},
                                            {"CRA:BODY", FieldType::Text, 5000}});
    return layout;
}

DataFileDeclaration Declaration()
{
    return {&Layout(), {{"CRA:BYDATETIME", {1, 2}, kKeyOpt | kKeyNoCase | kKeyPrimary}}, kFileCreate};
}

// The body repeats a pattern made from the sequence number, so a torn image shows.
std::string Record(int date, int time, int seq)
{
    std::string image(Layout().Size(), ' ');
    Layout().SetLong(image.data(), 1, date);
    Layout().SetLong(image.data(), 2, time);
    Layout().SetLong(image.data(), 3, seq);
    std::string body;
    while (body.size() < 5000) {
        body += "<" + std::to_string(seq) + ">";
    }
    Layout().SetText(image.data(), 4, body);
    return image;
}

bool Whole(const std::string& image)
{
    const int seq = Layout().GetLong(image.data(), 3);
    return image == Record(Layout().GetLong(image.data(), 1), Layout().GetLong(image.data(), 2), seq);
}

class DataFileProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string templ = (fs::temp_directory_path() / "quorin-dataproc-XXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        dir_ = templ;
        path_ = (dir_ / "shared.tps").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs `body` in a child process; returns its id.
    template <typename F>
    static pid_t Child(F body)
    {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::_exit(body());
        }
        return pid;
    }

    static int Status(pid_t pid)
    {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return status;
    }

    static std::string IntegrityCheck(const std::string& path)
    {
        sqlite3* db = nullptr;
        std::string result = "cannot open";
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* stmt = nullptr;
            if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK &&
                sqlite3_step(stmt) == SQLITE_ROW) {
                result = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            }
            sqlite3_finalize(stmt);
        }
        sqlite3_close(db);
        return result;
    }

    fs::path dir_;
    std::string path_;
};

// What a complete journal of SQLite begins with.
constexpr char kJournalMagic[] = {'\xd9', '\xd5', '\x05', '\xf9', '\x20', '\xa1', '\x63', '\xd7'};

int Rounds(int fallback)
{
    const char* v = std::getenv("QUORIN_CRASH_ROUNDS"); // a stress run outside CI asks for more
    return v != nullptr && std::atoi(v) > 0 ? std::atoi(v) : fallback;
}

// Waits for one byte on `fd`; false at its end (the writer died first) or after `guard`, which only
// keeps a broken run from hanging.
bool AwaitByte(int fd, std::chrono::seconds guard)
{
    pollfd p{fd, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&p, 1, static_cast<int>(std::chrono::milliseconds(guard).count()));
    } while (ready < 0 && errno == EINTR);
    char byte = 0;
    return ready == 1 && ::read(fd, &byte, 1) == 1;
}

// Each round a writer is killed at a random moment inside its loop of adds, changes and deletes
// (it says over a pipe when it is in), and the file must open sound with whole records. A kill that
// interrupted a write leaves the write's journal behind; the test counts those rounds, as a run whose
// kills all fell between writes would prove nothing.
TEST_F(DataFileProcessTest, WriterKilledAtRandomMomentsLeavesASoundFile)
{
    {
        DataFile file(Declaration());
        ASSERT_EQ(file.Create(path_), 0);
    }
    const fs::path journal = path_ + "-journal";
    const int rounds = Rounds(30);
    std::mt19937 random(12345);
    int interrupted = 0;
    int playedBack = 0;
    int seq = 0;
    for (int round = 0; round < rounds; ++round) {
        int inLoop[2];
        ASSERT_EQ(::pipe(inLoop), 0);
        const int first = seq;
        const pid_t pid = Child([&] {
            ::close(inLoop[0]);
            DataFile file(Declaration());
            if (file.Open(path_, 0x42) != 0) {
                return 1;
            }
            for (int s = first;; ++s) {
                file.Add(Record(1 + s / 100, 1 + s % 100, s).data());
                if (s % 3 == 0) {
                    file.Put(Record(1 + s / 100, 1 + s % 100, s + 1000000).data());
                }
                if (s % 7 == 0) {
                    file.Delete();
                }
                if (s == first) {
                    (void)!::write(inLoop[1], "w", 1);
                    ::close(inLoop[1]);
                }
            }
        });
        ASSERT_GT(pid, 0);
        ::close(inLoop[1]);
        const bool inside = AwaitByte(inLoop[0], std::chrono::seconds(120));
        ::close(inLoop[0]);
        if (!inside) {
            ::kill(pid, SIGKILL);
            const int status = Status(pid);
            FAIL() << "round " << round << ": the writer never reached its loop (exit status "
                   << (WIFEXITED(status) ? WEXITSTATUS(status) : -1) << ")";
        }
        // Not a wait for anything: the moment of the kill, somewhere in the writes that follow.
        std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 3000)(random)));
        ::kill(pid, SIGKILL);
        const int status = Status(pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself in round " << round;

        // A journal left behind shows the kill fell inside a write. Its magic is written last, once
        // the journal is complete and before the file itself changes: with it the journal is hot
        // and the open plays it back; without it the write was cut while making its journal.
        const std::string left = Slurp(journal);
        const bool hot = left.compare(0, sizeof kJournalMagic, kJournalMagic, sizeof kJournalMagic) == 0;
        interrupted += left.empty() ? 0 : 1;
        playedBack += hot ? 1 : 0;
        DataFile file(Declaration());
        ASSERT_EQ(file.Open(path_, 0x42), 0) << "round " << round;
        if (hot) {
            EXPECT_FALSE(fs::exists(journal)) << "the open did not play back the journal of round " << round;
        }
        ASSERT_EQ(IntegrityCheck(path_), "ok") << "round " << round;
        std::vector<DataRecord> rows;
        ASSERT_EQ(file.ReadPage(0, ReadDirection::Forward, nullptr, 0, 1000000, rows), 0);
        std::int64_t count = 0;
        ASSERT_EQ(file.Count(count), 0);
        EXPECT_EQ(static_cast<std::int64_t>(rows.size()), count);
        for (const auto& r : rows) {
            ASSERT_TRUE(Whole(r.image)) << "torn record in round " << round;
            seq = std::max(seq, Layout().GetLong(r.image.data(), 3) % 1000000 + 1);
        }
        seq += 10; // the next writer goes on with new keys
    }
    std::printf("%d of %d kills interrupted a write; %d hot journals played back\n", interrupted, rounds, playedBack);
    EXPECT_GE(interrupted, rounds / 3) << "too few kills fell inside a write to show anything";
}

TEST_F(DataFileProcessTest, TwoWritersLoseNoRecordAndKeepTheKeyUnique)
{
    {
        DataFile file(Declaration());
        ASSERT_EQ(file.Create(path_), 0);
    }
    constexpr int kEach = 150;
    // Both add their own records and race for the same shared keys; each shared key goes to one.
    auto writer = [&](int who) {
        return Child([&, who] {
            DataFile file(Declaration());
            if (file.Open(path_, 0x42) != 0) {
                return 10;
            }
            int won = 0;
            for (int i = 0; i < kEach; ++i) {
                if (file.Add(Record(1 + who, i + 1, i).data()) != 0) {
                    return 11;
                }
                const int rc = file.Add(Record(100, i + 1, 1000 + i).data());
                if (rc == 0) {
                    ++won;
                } else if (rc != kCreatesDuplicateKey) {
                    return 12;
                }
            }
            return won > kEach ? 13 : 0;
        });
    };
    const pid_t a = writer(1), b = writer(2);
    const int sa = Status(a), sb = Status(b);
    ASSERT_TRUE(WIFEXITED(sa) && WIFEXITED(sb));
    EXPECT_EQ(WEXITSTATUS(sa), 0);
    EXPECT_EQ(WEXITSTATUS(sb), 0);

    DataFile file(Declaration());
    ASSERT_EQ(file.Open(path_, 0x42), 0);
    std::vector<DataRecord> rows;
    ASSERT_EQ(file.ReadPage(0, ReadDirection::Forward, nullptr, 0, 10000, rows), 0);
    EXPECT_EQ(rows.size(), static_cast<std::size_t>(3 * kEach));
    std::set<std::pair<int, int>> keys;
    for (const auto& r : rows) {
        EXPECT_TRUE(Whole(r.image));
        keys.emplace(Layout().GetLong(r.image.data(), 1), Layout().GetLong(r.image.data(), 2));
    }
    EXPECT_EQ(keys.size(), rows.size());
    EXPECT_EQ(IntegrityCheck(path_), "ok");
}

} // namespace
} // namespace quorin
