// The keyed data file under other processes: writers killed inside each phase of a write, and two
// writers at once. Children are forked and end with _exit, so nothing of the test framework runs in them.
#include "platform/runtime/DataFile.h"
#include "platform/runtime/RuntimeError.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <map>
#include <random>
#include <poll.h>
#include <set>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
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

// Where a writer is stopped inside a transaction: cutting a write to its journal (the journal not
// yet complete, the file not yet changed), cutting a write to the file itself (the journal complete,
// so the open must play it back), just before the journal is removed (the commit point: still
// undone) and just after (done, so kept).
enum class Phase { Journal, Database, BeforeCommit, AfterCommit };
constexpr Phase kPhases[] = {Phase::Journal, Phase::Database, Phase::BeforeCommit, Phase::AfterCommit};

const char* Name(Phase phase)
{
    switch (phase) {
    case Phase::Journal: return "journal write";
    case Phase::Database: return "file write";
    case Phase::BeforeCommit: return "before commit";
    case Phase::AfterCommit: return "after commit";
    }
    return "?";
}

// The largest k drawn: a few transactions' worth of the phase's events, so the stop falls in a
// writer's first transaction or a later one, at any of its writes.
int MostEvents(Phase phase)
{
    switch (phase) {
    case Phase::Journal: return 40;
    case Phase::Database: return 16;
    default: return 3;
    }
}

// The stop staged in a writer, which alone registers the shim below as its default file system:
// at the k-th event of the phase it tells the parent over `fd` how many transactions were done
// and waits for its kill.
struct Stage {
    Phase phase = Phase::Journal;
    int k = 0;
    int fd = -1;
    int seen = 0;
    std::int32_t commits = 0;
    std::string journal; // the rollback journal's name as the pager opened it
    sqlite3_vfs* real = nullptr;
    sqlite3_vfs shim{};
};
Stage stage;

[[noreturn]] void Stop()
{
    (void)!::write(stage.fd, &stage.commits, sizeof stage.commits);
    for (;;) {
        ::pause();
    }
}

enum class Kind { Other, Database, Journal };

// A file of the shim; the real file's state follows it in the same allocation.
struct ShimFile {
    sqlite3_file base;
    Kind kind;
    sqlite3_file* real;
};

sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<ShimFile*>(f)->real; }

int ShimWrite(sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset)
{
    const ShimFile& file = *reinterpret_cast<ShimFile*>(f);
    const bool counts = (stage.phase == Phase::Journal && file.kind == Kind::Journal) ||
                        (stage.phase == Phase::Database && file.kind == Kind::Database);
    if (counts && ++stage.seen == stage.k) {
        // Torn, as by a power cut: the first half reaches the file, the rest never does.
        if (amount / 2 > 0) {
            file.real->pMethods->xWrite(file.real, data, amount / 2, offset);
        }
        Stop();
    }
    return file.real->pMethods->xWrite(file.real, data, amount, offset);
}

// Atomic or safe-append writes would let SQLite skip its journal or mark it complete at once; a
// common disk reports neither, and the phases rely on the journal being built that way.
constexpr int kAtomicWrites = SQLITE_IOCAP_ATOMIC | SQLITE_IOCAP_ATOMIC512 | SQLITE_IOCAP_ATOMIC1K |
                              SQLITE_IOCAP_ATOMIC2K | SQLITE_IOCAP_ATOMIC4K | SQLITE_IOCAP_ATOMIC8K |
                              SQLITE_IOCAP_ATOMIC16K | SQLITE_IOCAP_ATOMIC32K | SQLITE_IOCAP_ATOMIC64K |
                              SQLITE_IOCAP_SAFE_APPEND | SQLITE_IOCAP_BATCH_ATOMIC;

// Everything but writes goes to the real file as it is.
const sqlite3_io_methods kShimMethods = {
    3,
    [](sqlite3_file* f) { return Real(f)->pMethods->xClose(Real(f)); },
    [](sqlite3_file* f, void* data, int amount, sqlite3_int64 offset) {
        return Real(f)->pMethods->xRead(Real(f), data, amount, offset);
    },
    ShimWrite,
    [](sqlite3_file* f, sqlite3_int64 size) { return Real(f)->pMethods->xTruncate(Real(f), size); },
    [](sqlite3_file* f, int flags) { return Real(f)->pMethods->xSync(Real(f), flags); },
    [](sqlite3_file* f, sqlite3_int64* size) { return Real(f)->pMethods->xFileSize(Real(f), size); },
    [](sqlite3_file* f, int lock) { return Real(f)->pMethods->xLock(Real(f), lock); },
    [](sqlite3_file* f, int lock) { return Real(f)->pMethods->xUnlock(Real(f), lock); },
    [](sqlite3_file* f, int* out) { return Real(f)->pMethods->xCheckReservedLock(Real(f), out); },
    [](sqlite3_file* f, int op, void* arg) { return Real(f)->pMethods->xFileControl(Real(f), op, arg); },
    [](sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); },
    [](sqlite3_file* f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)) & ~kAtomicWrites; },
    [](sqlite3_file* f, int region, int size, int extend, void volatile** out) {
        return Real(f)->pMethods->xShmMap(Real(f), region, size, extend, out);
    },
    [](sqlite3_file* f, int offset, int n, int flags) {
        return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags);
    },
    [](sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); },
    [](sqlite3_file* f, int deleteFlag) { return Real(f)->pMethods->xShmUnmap(Real(f), deleteFlag); },
    [](sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
        return Real(f)->pMethods->xFetch(Real(f), offset, amount, out);
    },
    [](sqlite3_file* f, sqlite3_int64 offset, void* p) { return Real(f)->pMethods->xUnfetch(Real(f), offset, p); },
};

int ShimOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags)
{
    auto* file = reinterpret_cast<ShimFile*>(f);
    file->kind = (flags & SQLITE_OPEN_MAIN_DB) != 0        ? Kind::Database
                 : (flags & SQLITE_OPEN_MAIN_JOURNAL) != 0 ? Kind::Journal
                                                           : Kind::Other;
    if (file->kind == Kind::Journal) {
        stage.journal = name;
    }
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    file->real->pMethods = nullptr;
    const int rc = stage.real->xOpen(stage.real, name, file->real, flags, outFlags);
    // SQLite closes a file whose methods are set, even after a failed open.
    file->base.pMethods = file->real->pMethods != nullptr ? &kShimMethods : nullptr;
    return rc;
}

int ShimDelete(sqlite3_vfs*, const char* name, int syncDir)
{
    const bool journal = !stage.journal.empty() && stage.journal == name;
    if (journal && stage.phase == Phase::BeforeCommit && ++stage.seen == stage.k) {
        Stop();
    }
    const int rc = stage.real->xDelete(stage.real, name, syncDir);
    if (journal && rc == SQLITE_OK) {
        ++stage.commits; // removing its journal is what makes a transaction done
        if (stage.phase == Phase::AfterCommit && ++stage.seen == stage.k) {
            Stop();
        }
    }
    return rc;
}

// The real default file system, but for opening and deleting files. The system-call hooks of a
// later version are for SQLite's own tests.
sqlite3_vfs ShimVfs(sqlite3_vfs* real)
{
    sqlite3_vfs v{};
    v.iVersion = 2;
    v.szOsFile = static_cast<int>(sizeof(ShimFile)) + real->szOsFile;
    v.mxPathname = real->mxPathname;
    v.zName = "quorin-staged-crash";
    v.xOpen = ShimOpen;
    v.xDelete = ShimDelete;
    v.xAccess = [](sqlite3_vfs*, const char* name, int flags, int* out) {
        return stage.real->xAccess(stage.real, name, flags, out);
    };
    v.xFullPathname = [](sqlite3_vfs*, const char* name, int size, char* out) {
        return stage.real->xFullPathname(stage.real, name, size, out);
    };
    v.xDlOpen = [](sqlite3_vfs*, const char* name) { return stage.real->xDlOpen(stage.real, name); };
    v.xDlError = [](sqlite3_vfs*, int size, char* out) { stage.real->xDlError(stage.real, size, out); };
    v.xDlSym = [](sqlite3_vfs*, void* handle, const char* symbol) {
        return stage.real->xDlSym(stage.real, handle, symbol);
    };
    v.xDlClose = [](sqlite3_vfs*, void* handle) { stage.real->xDlClose(stage.real, handle); };
    v.xRandomness = [](sqlite3_vfs*, int size, char* out) { return stage.real->xRandomness(stage.real, size, out); };
    v.xSleep = [](sqlite3_vfs*, int micros) { return stage.real->xSleep(stage.real, micros); };
    v.xCurrentTime = [](sqlite3_vfs*, double* now) { return stage.real->xCurrentTime(stage.real, now); };
    v.xGetLastError = [](sqlite3_vfs*, int size, char* out) {
        return stage.real->xGetLastError(stage.real, size, out);
    };
    v.xCurrentTimeInt64 = [](sqlite3_vfs*, sqlite3_int64* now) {
        return stage.real->xCurrentTimeInt64(stage.real, now);
    };
    return v;
}

// One write of the writer, a transaction of its own: a record added, or the one just added changed
// or deleted.
struct Write {
    enum What { Add, Put, Delete } what;
    int date, time, seq;
};

// The writer's writes from sequence number `first` on, as in a form's life: every record added,
// every third changed, every seventh deleted. Their keys are new to writes from another `first`
// at least `count` away.
std::vector<Write> Writes(int first, std::size_t count)
{
    std::vector<Write> writes;
    for (int s = first; writes.size() < count; ++s) {
        const int date = 1 + s / 100, time = 1 + s % 100;
        writes.push_back({Write::Add, date, time, s});
        if (s % 3 == 0) {
            writes.push_back({Write::Put, date, time, s + 1000000});
        }
        if (s % 7 == 0) {
            writes.push_back({Write::Delete, date, time, s});
        }
    }
    writes.resize(count);
    return writes;
}

int Do(DataFile& file, const Write& w)
{
    switch (w.what) {
    case Write::Add: return file.Add(Record(w.date, w.time, w.seq).data());
    case Write::Put: return file.Put(Record(w.date, w.time, w.seq).data());
    case Write::Delete: return file.Delete();
    }
    return -1;
}

// The records a file must hold, by key.
using Records = std::map<std::pair<int, int>, std::string>;

void Apply(Records& records, const Write& w)
{
    if (w.what == Write::Delete) {
        records.erase({w.date, w.time});
    } else {
        records[{w.date, w.time}] = Record(w.date, w.time, w.seq);
    }
}

// How the rows differ from the records expected, by sequence number; empty when they match.
std::string Differences(const Records& expected, const std::vector<DataRecord>& rows)
{
    Records found;
    for (const auto& r : rows) {
        found[{Layout().GetLong(r.image.data(), 1), Layout().GetLong(r.image.data(), 2)}] = r.image;
    }
    auto seq = [](const std::string& image) { return std::to_string(Layout().GetLong(image.data(), 3)); };
    std::string out;
    for (const auto& [key, image] : expected) {
        const auto it = found.find(key);
        if (it == found.end()) {
            out += " lost " + seq(image) + ";";
        } else if (it->second != image) {
            out += (Whole(it->second) ? " other than " : " torn ") + seq(image) + ";";
        }
    }
    for (const auto& [key, image] : found) {
        if (expected.count(key) == 0) {
            out += " extra " + seq(image) + ";";
        }
    }
    return out;
}

// How a writer that did not stop in its phase ended.
enum WriterExit { kNoShim = 1, kNoOpen, kRefused, kAllWritesDone };

std::string HowItEnded(int status)
{
    if (WIFSIGNALED(status)) {
        return "no word from it before the guard ran out";
    }
    switch (WIFEXITED(status) ? WEXITSTATUS(status) : -1) {
    case kNoShim: return "it could not register the shim";
    case kNoOpen: return "it could not open the file";
    case kRefused: return "a write was refused";
    case kAllWritesDone: return "it did all its writes without reaching the phase";
    }
    return "status " + std::to_string(status);
}

// Waits for the writer's word on `fd`; false at its end (the writer died first) or after `guard`,
// which only keeps a broken run from hanging.
bool AwaitWord(int fd, std::int32_t& word, std::chrono::seconds guard)
{
    pollfd p{fd, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&p, 1, static_cast<int>(std::chrono::milliseconds(guard).count()));
    } while (ready < 0 && errno == EINTR);
    // One write smaller than a pipe's buffer arrives whole.
    return ready == 1 && ::read(fd, &word, sizeof word) == static_cast<ssize_t>(sizeof word);
}

// Each round a writer is stopped on purpose inside one phase of a transaction, the phases in turn:
// the shim in the writer stages the stop at the k-th event of the phase, says so over a pipe, and
// the writer is killed there. The journal left must be the phase's, which shows the kill fell where
// it was meant to; then the file must open sound, holding exactly the records of the transactions
// done before the kill, those of earlier writers included.
TEST_F(DataFileProcessTest, WriterKilledInEachPhaseOfAWriteLeavesASoundFile)
{
    {
        DataFile file(Declaration());
        ASSERT_EQ(file.Create(path_), 0);
    }
    const fs::path journal = path_ + "-journal";
    constexpr std::size_t kMaxWrites = 20; // far more than the largest k of any phase needs
    constexpr unsigned kSeed = 12345;
    const int rounds = Rounds(24);
    std::mt19937 random(kSeed);
    Records expected;
    for (int round = 0, first = 0; round < rounds; ++round, first += kMaxWrites) {
        const Phase phase = kPhases[round % std::size(kPhases)];
        const int k = std::uniform_int_distribution<int>(1, MostEvents(phase))(random);
        SCOPED_TRACE("seed " + std::to_string(kSeed) + ", round " + std::to_string(round) + ": " + Name(phase) +
                     " " + std::to_string(k));
        const std::vector<Write> writes = Writes(first, kMaxWrites);
        int word[2];
        ASSERT_EQ(::pipe(word), 0);
        const pid_t pid = Child([&] {
            ::close(word[0]);
            ::prctl(PR_SET_PDEATHSIG, SIGKILL); // a parent killed mid-run leaves no writer waiting
            stage.phase = phase;
            stage.k = k;
            stage.fd = word[1];
            stage.real = sqlite3_vfs_find(nullptr);
            if (stage.real == nullptr) {
                return kNoShim;
            }
            stage.shim = ShimVfs(stage.real);
            if (sqlite3_vfs_register(&stage.shim, 1) != SQLITE_OK) {
                return kNoShim;
            }
            DataFile file(Declaration());
            if (file.Open(path_, 0x42) != 0) {
                return kNoOpen;
            }
            for (const Write& w : writes) {
                if (Do(file, w) != 0) {
                    return kRefused;
                }
            }
            return kAllWritesDone;
        });
        ASSERT_GT(pid, 0);
        ::close(word[1]);
        std::int32_t done = -1;
        const bool stopped = AwaitWord(word[0], done, std::chrono::seconds(120));
        ::close(word[0]);
        ::kill(pid, SIGKILL);
        const int status = Status(pid);
        ASSERT_TRUE(stopped) << "the writer never stopped in its phase: " << HowItEnded(status);
        ASSERT_GE(done, 0);
        ASSERT_LE(done, static_cast<std::int32_t>(kMaxWrites));

        // The journal's magic is written last, once the journal is complete and before the file
        // changes: with it the journal is hot and the open must play it back.
        const bool left = fs::exists(journal);
        const bool hot = Slurp(journal).compare(0, sizeof kJournalMagic, kJournalMagic, sizeof kJournalMagic) == 0;
        switch (phase) {
        case Phase::Journal:
            EXPECT_TRUE(left) << "the cut journal write left no journal";
            EXPECT_FALSE(hot) << "the journal was marked complete before all of it was written";
            break;
        case Phase::Database:
        case Phase::BeforeCommit:
            EXPECT_TRUE(hot) << "no complete journal was left while the file changed";
            break;
        case Phase::AfterCommit:
            EXPECT_FALSE(left) << "the done transaction left its journal";
            break;
        }
        for (std::int32_t i = 0; i < done; ++i) {
            Apply(expected, writes[static_cast<std::size_t>(i)]);
        }

        DataFile file(Declaration());
        ASSERT_EQ(file.Open(path_, 0x42), 0);
        if (hot) {
            EXPECT_FALSE(fs::exists(journal)) << "the open did not play back the journal";
        }
        ASSERT_EQ(IntegrityCheck(path_), "ok");
        std::vector<DataRecord> rows;
        ASSERT_EQ(file.ReadPage(0, ReadDirection::Forward, nullptr, 0, 1000000, rows), 0);
        std::int64_t count = 0;
        ASSERT_EQ(file.Count(count), 0);
        EXPECT_EQ(static_cast<std::int64_t>(rows.size()), count);
        ASSERT_EQ(Differences(expected, rows), "") << "after " << done << " transactions done by the writer";
    }
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
