#include "platform/runtime/DataFile.h"

#include <sqlite3.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/runtime/FixedText.h"
#include "platform/runtime/RuntimeError.h"

namespace quorin {

namespace {

// How long a write waits for another user's lock before it counts as refused.
constexpr int kBusyTimeoutMs = 10000;
constexpr const char* kFormatVersion = "1";

bool IsNumber(FieldType type) { return type == FieldType::Long || type == FieldType::Short || type == FieldType::Byte; }

std::string Column(std::size_t key, std::size_t component)
{
    return "k" + std::to_string(key) + "_" + std::to_string(component);
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool FolderExists(const std::string& path)
{
    struct stat st {};
    return ::stat(FolderOf(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}


int SqlCode(int rc)
{
    switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW: return kNoError;
    case SQLITE_CONSTRAINT: return kCreatesDuplicateKey;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return kFileLocked;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH: return kAccessDenied;
    case SQLITE_NOMEM: return kInsufficientMemory;
    case SQLITE_NOTADB: return kInvalidRecordDeclaration;
    default: return kFileSystemError;
    }
}

void SyncFolder(const std::string& path)
{
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A database of this driver: SQLite's header with our application id, read without SQLite, so
// that nothing of SQLite (hot-journal playback included) ever touches a foreign file.
bool HasOurHeader(const std::string& path, int& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = RuntimeErrorFromErrno(errno);
        return false;
    }
    unsigned char header[100];
    std::size_t got = 0;
    while (got < sizeof header) {
        const ssize_t n = ::read(fd, header + got, sizeof header - got);
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    error = kInvalidRecordDeclaration;
    if (got < sizeof header || std::memcmp(header, "SQLite format 3", 16) != 0) {
        return false;
    }
    const std::uint32_t appId = static_cast<std::uint32_t>(header[68]) << 24 | static_cast<std::uint32_t>(header[69]) << 16 |
                                static_cast<std::uint32_t>(header[70]) << 8 | header[71];
    // Bytes 18 and 19 are 1 for a rollback-journal database; WAL is never used here.
    if (appId != static_cast<std::uint32_t>(kDataFileApplicationId) || header[18] != 1 || header[19] != 1) {
        return false;
    }
    error = kNoError;
    return true;
}

bool Writable(const std::string& path, const struct stat& st)
{
    // A file without any write bit is read-only for everyone, as a read-only attribute would be.
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && ::access(path.c_str(), W_OK) == 0 &&
           ::access(FolderOf(path).c_str(), W_OK) == 0; // the journal lives beside the file
}

// This host's name; a temporary file names its host so that only this host's are cleaned up (a
// process id says nothing about another machine sharing the folder).
std::string HostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "host";
    }
    std::string host(name);
    for (char& c : host) {
        if (c == '/' || c == '-') {
            c = '_';
        }
    }
    return host;
}

std::string TemporaryPrefix(const std::string& path) { return path + ".new-" + HostName() + "-"; }

// Temporary files of creations on this host whose process died before linking them in.
void RemoveAbandonedTemporaries(const std::string& path)
{
    const std::string folder = FolderOf(path);
    const std::string full = TemporaryPrefix(path);
    const std::string prefix = full.substr(full.find_last_of('/') + 1);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            ::unlink((folder + "/" + name).c_str());
        }
    }
    ::closedir(dir);
}

} // namespace

// Prepared statements, made on first use and kept while the file is open.
struct DataFile::Statements {
    std::map<std::string, sqlite3_stmt*> cache;
    ~Statements()
    {
        for (auto& [sql, stmt] : cache) {
            sqlite3_finalize(stmt);
        }
    }
};

namespace {

class Schema {
public:
    explicit Schema(const DataFileDeclaration& d) : d_(d) {}

    const FieldDesc& ComponentField(std::size_t key, std::size_t c) const
    {
        return d_.layout->Field(std::abs(d_.keys[key].components[c]));
    }
    bool Descending(std::size_t key, std::size_t c) const { return d_.keys[key].components[c] < 0; }
    bool Unique(std::size_t key) const { return (d_.keys[key].attributes & kKeyDuplicates) == 0; }

    std::string KeySignature() const
    {
        std::string s;
        for (const auto& k : d_.keys) {
            s += k.label + "(";
            for (int c : k.components) {
                s += std::to_string(c) + ",";
            }
            s += ")" + std::to_string(k.attributes) + ";";
        }
        return s;
    }

    std::string CreateRecords(const std::string& table) const
    {
        std::string sql = "CREATE TABLE " + table + "(id INTEGER PRIMARY KEY, image BLOB NOT NULL CHECK(length(image) = " +
                          std::to_string(d_.layout->Size()) + ")";
        ForEachColumn([&](std::size_t k, std::size_t c) {
            sql += ", " + Column(k, c);
            if (IsNumber(ComponentField(k, c).type)) {
                sql += " INTEGER NOT NULL";
            } else {
                sql += " TEXT NOT NULL";
                if (d_.keys[k].attributes & kKeyNoCase) {
                    sql += " COLLATE NOCASE";
                }
            }
        });
        return sql + ")";
    }

    std::string CreateIndex(std::size_t k) const
    {
        std::string sql = std::string("CREATE ") + (Unique(k) ? "UNIQUE " : "") + "INDEX key" + std::to_string(k) + " ON records(";
        for (std::size_t c = 0; c < d_.keys[k].components.size(); ++c) {
            sql += (c ? ", " : "") + Column(k, c) + (Descending(k, c) ? " DESC" : "");
        }
        sql += ")";
        if (d_.keys[k].attributes & kKeyOpt) {
            sql += " WHERE " + InKey(k);
        }
        return sql;
    }

    // The condition for a record to be in key k; repeated word for word in the queries, so that
    // SQLite uses the partial index of an OPT key.
    std::string InKey(std::size_t k) const
    {
        if ((d_.keys[k].attributes & kKeyOpt) == 0) {
            return "1";
        }
        std::string s = "NOT (";
        for (std::size_t c = 0; c < d_.keys[k].components.size(); ++c) {
            s += (c ? " AND " : "") + Column(k, c) + (IsNumber(ComponentField(k, c).type) ? " = 0" : " = ''");
        }
        return s + ")";
    }

    std::string Order(std::size_t k, bool backward) const
    {
        std::string s;
        for (std::size_t c = 0; c < d_.keys[k].components.size(); ++c) {
            s += Column(k, c) + ((Descending(k, c) != backward) ? " DESC, " : ", ");
        }
        return s + (backward ? "id DESC" : "id");
    }

    std::string ColumnList() const
    {
        std::string s;
        ForEachColumn([&](std::size_t k, std::size_t c) { s += ", " + Column(k, c); });
        return s;
    }

    std::size_t ColumnCount() const
    {
        std::size_t n = 0;
        ForEachColumn([&](std::size_t, std::size_t) { ++n; });
        return n;
    }

    template <typename F>
    void ForEachColumn(F f) const
    {
        for (std::size_t k = 0; k < d_.keys.size(); ++k) {
            for (std::size_t c = 0; c < d_.keys[k].components.size(); ++c) {
                f(k, c);
            }
        }
    }

    // Binds the components of key k taken from the record to parameters first, first + 1, ...
    void BindKey(sqlite3_stmt* stmt, int first, std::size_t k, const void* record) const
    {
        for (std::size_t c = 0; c < d_.keys[k].components.size(); ++c) {
            BindField(stmt, first + static_cast<int>(c), ComponentField(k, c).number, record);
        }
    }

    void BindAll(sqlite3_stmt* stmt, int first, const void* record) const
    {
        int p = first;
        ForEachColumn([&](std::size_t k, std::size_t c) { BindField(stmt, p++, ComponentField(k, c).number, record); });
    }

    void BindField(sqlite3_stmt* stmt, int param, int number, const void* record) const
    {
        const RecordLayout& layout = *d_.layout;
        if (IsNumber(layout.Field(number).type)) {
            sqlite3_bind_int64(stmt, param, layout.GetLong(record, number));
        } else {
            const std::string_view text = Clip(layout.GetText(record, number));
            sqlite3_bind_text(stmt, param, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        }
    }

private:
    const DataFileDeclaration& d_;
};

int Exec(sqlite3* db, const std::string& sql) { return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr); }

// The number of records is kept by the writes themselves, so that counting reads one row.
std::string CountTriggers()
{
    return "CREATE TRIGGER count_add AFTER INSERT ON records BEGIN UPDATE quorin_count SET n = n + 1; END;"
           "CREATE TRIGGER count_remove AFTER DELETE ON records BEGIN UPDATE quorin_count SET n = n - 1; END;";
}

} // namespace

DataFile::DataFile(DataFileDeclaration declaration) : declaration_(std::move(declaration)) {}

DataFile::~DataFile() { Close(); }

int DataFile::Fail(int code)
{
    SetRuntimeError(code);
    return code;
}

int DataFile::FailSql(int rc) { return Fail(SqlCode(rc)); }

int DataFile::ChangeRefusal(bool ofCurrent) const
{
    if (db_ == nullptr) {
        return kFileNotOpen;
    }
    if (readOnly_) {
        return kAccessDenied;
    }
    if (ofCurrent && current_ == 0) {
        return kRecordNotAvailable;
    }
    return kNoError;
}

int DataFile::ReadRefusal(std::size_t key) const
{
    if (db_ == nullptr) {
        return kFileNotOpen;
    }
    return key < declaration_.keys.size() ? kNoError : kEntryNotFound;
}

int DataFile::Create(const std::string& path)
{
    ClearRuntimeError();
    if (path.empty()) {
        return Fail(kInvalidFilename);
    }
    if (!FolderExists(path)) {
        return Fail(kPathNotFound);
    }
    RemoveAbandonedTemporaries(path);
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        return kNoError; // already there: never replaced
    }
    if (::access(FolderOf(path).c_str(), W_OK) != 0) {
        return Fail(kAccessDenied);
    }

    // Made complete under a temporary name, then linked in: the name never shows a half-made file,
    // and link, unlike rename, never replaces a file that appeared meanwhile.
    static std::atomic<unsigned> counter{0};
    const std::string temp = TemporaryPrefix(path) + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    const Schema schema(declaration_);
    if (rc == SQLITE_OK) {
        std::string sql = "PRAGMA application_id = " + std::to_string(kDataFileApplicationId) +
                          "; PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL; BEGIN;"
                          "CREATE TABLE quorin_meta(name TEXT PRIMARY KEY, value TEXT NOT NULL);"
                          "CREATE TABLE quorin_count(n INTEGER NOT NULL); INSERT INTO quorin_count VALUES(0);" +
                          schema.CreateRecords("records") + ";" + CountTriggers();
        for (std::size_t k = 0; k < declaration_.keys.size(); ++k) {
            sql += schema.CreateIndex(k) + ";";
        }
        rc = Exec(db, sql);
    }
    if (rc == SQLITE_OK) {
        sqlite3_stmt* meta = nullptr;
        rc = sqlite3_prepare_v2(db, "INSERT INTO quorin_meta VALUES(?1, ?2)", -1, &meta, nullptr);
        const std::pair<const char*, std::string> rows[] = {
            {"format", kFormatVersion},
            {"layout", declaration_.layout->Signature()},
            {"size", std::to_string(declaration_.layout->Size())},
            {"keys", schema.KeySignature()},
            {"attributes", std::to_string(declaration_.attributes)},
        };
        for (const auto& [name, value] : rows) {
            if (rc != SQLITE_OK) {
                break;
            }
            sqlite3_bind_text(meta, 1, name, -1, SQLITE_STATIC);
            sqlite3_bind_text(meta, 2, value.c_str(), -1, SQLITE_TRANSIENT);
            rc = sqlite3_step(meta) == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(db);
            sqlite3_reset(meta);
        }
        sqlite3_finalize(meta);
    }
    if (rc == SQLITE_OK) {
        rc = Exec(db, "COMMIT");
    }
    const int openErrno = rc == SQLITE_CANTOPEN ? sqlite3_system_errno(db) : 0;
    sqlite3_close(db);

    int code = kNoError;
    if (rc != SQLITE_OK) {
        code = openErrno != 0 ? RuntimeErrorFromErrno(openErrno) : SqlCode(rc);
    } else if (::link(temp.c_str(), path.c_str()) != 0 && errno != EEXIST) {
        code = RuntimeErrorFromErrno(errno);
    }
    ::unlink(temp.c_str());
    ::unlink((temp + "-journal").c_str());
    SyncFolder(path);
    return code == kNoError ? kNoError : Fail(code);
}

int DataFile::Open(const std::string& path, std::uint8_t mode)
{
    Close();
    ClearRuntimeError();
    const int code = OpenChecked(path, WantsWrite(mode), true);
    if (code != kNoError) {
        Close();
        return Fail(code);
    }
    if ((mode & kShareMask) == kShareExclusive && !readOnly_) {
        // Holds the file's exclusive lock until it is closed.
        if (Exec(db_, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT") != SQLITE_OK) {
            Close();
            return Fail(kAccessDenied);
        }
    }
    return kNoError;
}

int DataFile::OpenChecked(const std::string& path, bool writable, bool checkKeys)
{
    if (path.empty()) {
        return kInvalidFilename;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return errno == ENOENT && !FolderExists(path) ? kPathNotFound : RuntimeErrorFromErrno(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return S_ISDIR(st.st_mode) ? kAccessDenied : kInvalidRecordDeclaration;
    }
    int error = kNoError;
    if (!HasOurHeader(path, error)) {
        return error;
    }
    if (writable && !Writable(path, st)) {
        return kAccessDenied;
    }
    const int flags = (writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_NOMUTEX;
    int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const int err = sqlite3_system_errno(db_);
        return rc == SQLITE_CANTOPEN && err != 0 ? RuntimeErrorFromErrno(err) : SqlCode(rc);
    }
    if (writable && sqlite3_db_readonly(db_, "main") == 1) {
        return kAccessDenied;
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db_, 1);
    rc = Exec(db_, "PRAGMA synchronous = FULL");
    if (rc == SQLITE_OK && writable) {
        rc = Exec(db_, "PRAGMA journal_mode = DELETE");
    }
    if (rc != SQLITE_OK) {
        return SqlCode(rc);
    }
    path_ = path;
    readOnly_ = !writable;
    stmts_ = std::make_unique<Statements>();
    return CheckSchema(checkKeys);
}

int DataFile::CheckSchema(bool checkKeys)
{
    const Schema schema(declaration_);
    std::map<std::string, std::string> meta;
    sqlite3_stmt* stmt = nullptr;
    // Any failure to read our own table means this is not our file (or not a sound one).
    int rc = sqlite3_prepare_v2(db_, "SELECT name, value FROM quorin_meta", -1, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        const int code = SqlCode(rc);
        return code == kFileLocked ? code : kInvalidRecordDeclaration;
    }
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        meta[reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))] =
            reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) {
        const int code = SqlCode(rc);
        return code == kFileLocked ? code : kInvalidRecordDeclaration;
    }
    if (meta["format"] != kFormatVersion || meta["layout"] != declaration_.layout->Signature() ||
        meta["size"] != std::to_string(declaration_.layout->Size())) {
        return kInvalidRecordDeclaration;
    }
    if (!checkKeys) {
        return kNoError;
    }
    if (meta["keys"] != schema.KeySignature()) {
        return kKeyFileMustBeRebuilt;
    }
    // Every index must be there and must be the one the declaration makes.
    rc = sqlite3_prepare_v2(db_, "SELECT sql FROM sqlite_master WHERE type = 'index' AND name = ?1", -1, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        return kInvalidRecordDeclaration;
    }
    int code = kNoError;
    for (std::size_t k = 0; k < declaration_.keys.size() && code == kNoError; ++k) {
        const std::string name = "key" + std::to_string(k);
        sqlite3_bind_text(stmt, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(stmt) != SQLITE_ROW || sqlite3_column_type(stmt, 0) != SQLITE_TEXT ||
            schema.CreateIndex(k) != reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))) {
            code = kKeyFileMustBeRebuilt;
        }
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    return code;
}

void DataFile::Close()
{
    if (db_ == nullptr) {
        return;
    }
    if (inTransaction_) {
        Exec(db_, "ROLLBACK");
        inTransaction_ = false;
    }
    stmts_.reset();
    sqlite3_close(db_);
    db_ = nullptr;
    path_.clear();
    readOnly_ = false;
    current_ = 0;
}

namespace {

sqlite3_stmt* Prepared(sqlite3* db, std::map<std::string, sqlite3_stmt*>& cache, const std::string& sql)
{
    auto it = cache.find(sql);
    if (it != cache.end()) {
        sqlite3_reset(it->second);
        sqlite3_clear_bindings(it->second);
        return it->second;
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v3(db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK) {
        return nullptr;
    }
    cache.emplace(sql, stmt);
    return stmt;
}

// Resets the statement when it goes out of scope, so that no read lock outlives the call.
struct ResetOnExit {
    sqlite3_stmt* stmt;
    ~ResetOnExit()
    {
        if (stmt != nullptr) {
            sqlite3_reset(stmt);
        }
    }
};

// The condition of a change or delete that writes only while the stored record is still the one
// read; nothing without an image as read. Blobs compare byte for byte, so any change counts.
std::string UnchangedSince(const void* asRead, int parameter)
{
    return asRead != nullptr ? " AND image = ?" + std::to_string(parameter) : std::string();
}

void BindAsRead(sqlite3_stmt* stmt, int parameter, const void* asRead, std::size_t size)
{
    if (asRead != nullptr) {
        sqlite3_bind_blob(stmt, parameter, asRead, static_cast<int>(size), SQLITE_STATIC);
    }
}

// Why a change or delete of the current record touched no row.
int NotWritten(const void* asRead) { return asRead != nullptr ? kRecordChanged : kRecordNotAvailable; }

} // namespace

int DataFile::Add(const void* record)
{
    ClearRuntimeError();
    duplicateKey_ = -1;
    if (const int refusal = ChangeRefusal(false); refusal != kNoError) {
        return Fail(refusal);
    }
    const Schema schema(declaration_);
    std::string sql = "INSERT INTO records(image" + schema.ColumnList() + ") VALUES(?1";
    for (std::size_t i = 0; i < schema.ColumnCount(); ++i) {
        sql += ", ?" + std::to_string(i + 2);
    }
    sqlite3_stmt* stmt = Prepared(db_, stmts_->cache, sql + ")");
    if (stmt == nullptr) {
        return FailSql(sqlite3_errcode(db_));
    }
    ResetOnExit reset{stmt};
    sqlite3_bind_blob(stmt, 1, record, static_cast<int>(declaration_.layout->Size()), SQLITE_STATIC);
    schema.BindAll(stmt, 2, record);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE) {
        if ((rc & 0xFF) == SQLITE_CONSTRAINT) {
            FindDuplicate(record, 0);
        }
        return FailSql(rc);
    }
    current_ = sqlite3_last_insert_rowid(db_);
    return kNoError;
}

int DataFile::Put(const void* record, const void* asRead)
{
    ClearRuntimeError();
    duplicateKey_ = -1;
    if (const int refusal = ChangeRefusal(true); refusal != kNoError) {
        return Fail(refusal);
    }
    const Schema schema(declaration_);
    std::string sql = "UPDATE records SET image = ?1";
    int p = 2;
    schema.ForEachColumn([&](std::size_t k, std::size_t c) { sql += ", " + Column(k, c) + " = ?" + std::to_string(p++); });
    sql += " WHERE id = ?" + std::to_string(p) + UnchangedSince(asRead, p + 1);
    sqlite3_stmt* stmt = Prepared(db_, stmts_->cache, sql);
    if (stmt == nullptr) {
        return FailSql(sqlite3_errcode(db_));
    }
    ResetOnExit reset{stmt};
    sqlite3_bind_blob(stmt, 1, record, static_cast<int>(declaration_.layout->Size()), SQLITE_STATIC);
    schema.BindAll(stmt, 2, record);
    sqlite3_bind_int64(stmt, p, current_);
    BindAsRead(stmt, p + 1, asRead, declaration_.layout->Size());
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE) {
        if ((rc & 0xFF) == SQLITE_CONSTRAINT) {
            FindDuplicate(record, current_);
        }
        return FailSql(rc);
    }
    if (sqlite3_changes(db_) == 0) {
        return Fail(NotWritten(asRead)); // another user deleted it meanwhile, or changed it since it was read
    }
    return kNoError;
}

int DataFile::Delete(const void* asRead)
{
    ClearRuntimeError();
    if (const int refusal = ChangeRefusal(true); refusal != kNoError) {
        return Fail(refusal);
    }
    sqlite3_stmt* stmt = Prepared(db_, stmts_->cache, "DELETE FROM records WHERE id = ?1" + UnchangedSince(asRead, 2));
    if (stmt == nullptr) {
        return FailSql(sqlite3_errcode(db_));
    }
    ResetOnExit reset{stmt};
    sqlite3_bind_int64(stmt, 1, current_);
    BindAsRead(stmt, 2, asRead, declaration_.layout->Size());
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE) {
        return FailSql(rc);
    }
    const bool deleted = sqlite3_changes(db_) != 0;
    current_ = 0;
    return deleted ? kNoError : Fail(NotWritten(asRead));
}

int DataFile::FindDuplicate(const void* record, std::int64_t exceptId)
{
    const Schema schema(declaration_);
    for (std::size_t k = 0; k < declaration_.keys.size(); ++k) {
        const KeyDeclaration& key = declaration_.keys[k];
        if (!schema.Unique(k)) {
            continue;
        }
        std::vector<int> numbers;
        for (int c : key.components) {
            numbers.push_back(std::abs(c));
        }
        if ((key.attributes & kKeyOpt) && declaration_.layout->IsZeroOrBlank(record, numbers)) {
            continue;
        }
        std::string sql = "SELECT id FROM records WHERE " + schema.InKey(k);
        for (std::size_t c = 0; c < key.components.size(); ++c) {
            sql += " AND " + Column(k, c) + " = ?" + std::to_string(c + 1);
        }
        sql += " AND id <> ?" + std::to_string(key.components.size() + 1) + " LIMIT 1";
        sqlite3_stmt* stmt = Prepared(db_, stmts_->cache, sql);
        if (stmt == nullptr) {
            continue;
        }
        ResetOnExit reset{stmt};
        schema.BindKey(stmt, 1, k, record);
        sqlite3_bind_int64(stmt, static_cast<int>(key.components.size()) + 1, exceptId);
        if (sqlite3_step(stmt) == SQLITE_ROW) {
            duplicateKey_ = static_cast<int>(k);
            return duplicateKey_;
        }
    }
    return -1;
}

int DataFile::StepToRecord(sqlite3_stmt* stmt, int imageColumn, void* record)
{
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE) {
        return Fail(kRecordNotFound);
    }
    if (rc != SQLITE_ROW) {
        return FailSql(rc);
    }
    if (static_cast<std::size_t>(sqlite3_column_bytes(stmt, imageColumn)) != declaration_.layout->Size()) {
        return Fail(kFileSystemError);
    }
    std::memcpy(record, sqlite3_column_blob(stmt, imageColumn), declaration_.layout->Size());
    return kNoError;
}

int DataFile::Get(std::size_t key, const void* values, void* record)
{
    ClearRuntimeError();
    if (const int refusal = ReadRefusal(key); refusal != kNoError) {
        return Fail(refusal);
    }
    const Schema schema(declaration_);
    std::string sql = "SELECT id, image FROM records WHERE " + schema.InKey(key);
    for (std::size_t c = 0; c < declaration_.keys[key].components.size(); ++c) {
        sql += " AND " + Column(key, c) + " = ?" + std::to_string(c + 1);
    }
    sql += " ORDER BY " + schema.Order(key, false) + " LIMIT 1";
    sqlite3_stmt* stmt = Prepared(db_, stmts_->cache, sql);
    if (stmt == nullptr) {
        return FailSql(sqlite3_errcode(db_));
    }
    ResetOnExit reset{stmt};
    schema.BindKey(stmt, 1, key, values);
    if (const int code = StepToRecord(stmt, 1, record); code != kNoError) {
        return code;
    }
    current_ = sqlite3_column_int64(stmt, 0);
    return kNoError;
}

int DataFile::Fetch(std::int64_t id, void* record)
{
    ClearRuntimeError();
    if (db_ == nullptr) {
        return Fail(kFileNotOpen);
    }
    sqlite3_stmt* stmt = Prepared(db_, stmts_->cache, "SELECT image FROM records WHERE id = ?1");
    if (stmt == nullptr) {
        return FailSql(sqlite3_errcode(db_));
    }
    ResetOnExit reset{stmt};
    sqlite3_bind_int64(stmt, 1, id);
    if (const int code = StepToRecord(stmt, 0, record); code != kNoError) {
        return code;
    }
    current_ = id;
    return kNoError;
}

int DataFile::ReadPage(std::size_t key, ReadDirection direction, const void* from, std::int64_t fromId, std::size_t count,
                       std::vector<DataRecord>& rows)
{
    ClearRuntimeError();
    rows.clear();
    if (const int refusal = ReadRefusal(key); refusal != kNoError) {
        return Fail(refusal);
    }
    const Schema schema(declaration_);
    const bool backward = direction == ReadDirection::Backward;
    const std::size_t n = declaration_.keys[key].components.size();
    std::string sql = "SELECT id, image FROM records WHERE " + schema.InKey(key);
    if (from != nullptr) {
        // Terms of the walk's order: the components, then the identity when the walk starts past
        // one record. Each term is "beyond" in the walk's direction by its own comparison.
        std::vector<std::pair<std::string, bool>> terms; // column, ascending in walk order
        for (std::size_t c = 0; c < n; ++c) {
            terms.emplace_back(Column(key, c), schema.Descending(key, c) == backward);
        }
        if (fromId != 0) {
            terms.emplace_back("id", !backward);
        }
        const bool inclusive = fromId == 0;
        bool sameWay = true;
        for (const auto& t : terms) {
            sameWay = sameWay && t.second == terms.front().second;
        }
        auto param = [&](std::size_t i) { return "?" + std::to_string(i + 1); };
        if (sameWay) {
            // A row value: SQLite walks the index from the bound on.
            std::string lhs, rhs;
            for (std::size_t i = 0; i < terms.size(); ++i) {
                lhs += (i ? ", " : "") + terms[i].first;
                rhs += (i ? ", " : "") + param(i);
            }
            const std::string op = std::string(terms.front().second ? ">" : "<") + (inclusive ? "=" : "");
            sql += " AND (" + lhs + ") " + op + " (" + rhs + ")";
        } else {
            std::string cond;
            for (std::size_t i = 0; i < terms.size(); ++i) {
                std::string part;
                for (std::size_t j = 0; j < i; ++j) {
                    part += terms[j].first + " = " + param(j) + " AND ";
                }
                part += terms[i].first + (terms[i].second ? " > " : " < ") + param(i);
                cond += (i ? " OR (" : "(") + part + ")";
            }
            if (inclusive) {
                std::string all;
                for (std::size_t i = 0; i < terms.size(); ++i) {
                    all += (i ? " AND " : "") + terms[i].first + " = " + param(i);
                }
                cond += " OR (" + all + ")";
            }
            sql += " AND (" + cond + ")";
        }
    }
    sql += " ORDER BY " + schema.Order(key, backward) + " LIMIT ?" + std::to_string(n + 2);
    sqlite3_stmt* stmt = Prepared(db_, stmts_->cache, sql);
    if (stmt == nullptr) {
        return FailSql(sqlite3_errcode(db_));
    }
    ResetOnExit reset{stmt};
    if (from != nullptr) {
        schema.BindKey(stmt, 1, key, from);
        if (fromId != 0) {
            sqlite3_bind_int64(stmt, static_cast<int>(n) + 1, fromId);
        }
    }
    sqlite3_bind_int64(stmt, static_cast<int>(n) + 2, static_cast<sqlite3_int64>(count));
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const auto size = static_cast<std::size_t>(sqlite3_column_bytes(stmt, 1));
        if (size != declaration_.layout->Size()) {
            rows.clear();
            return Fail(kFileSystemError);
        }
        rows.push_back({sqlite3_column_int64(stmt, 0), std::string(static_cast<const char*>(sqlite3_column_blob(stmt, 1)), size)});
    }
    if (rc != SQLITE_DONE) {
        rows.clear();
        return FailSql(rc);
    }
    return kNoError;
}

int DataFile::Count(std::int64_t& count)
{
    ClearRuntimeError();
    count = 0;
    if (db_ == nullptr) {
        return Fail(kFileNotOpen);
    }
    sqlite3_stmt* stmt = Prepared(db_, stmts_->cache, "SELECT n FROM quorin_count");
    if (stmt == nullptr) {
        return FailSql(sqlite3_errcode(db_));
    }
    ResetOnExit reset{stmt};
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW) {
        return FailSql(rc);
    }
    count = sqlite3_column_int64(stmt, 0);
    return kNoError;
}

int DataFile::Begin()
{
    ClearRuntimeError();
    if (const int refusal = ChangeRefusal(false); refusal != kNoError) {
        return Fail(refusal);
    }
    const int rc = Exec(db_, "BEGIN IMMEDIATE");
    if (rc != SQLITE_OK) {
        return FailSql(rc);
    }
    inTransaction_ = true;
    return kNoError;
}

int DataFile::Commit()
{
    ClearRuntimeError();
    if (db_ == nullptr || !inTransaction_) {
        return Fail(db_ == nullptr ? kFileNotOpen : kRecordNotAvailable);
    }
    const int rc = Exec(db_, "COMMIT");
    if (rc != SQLITE_OK) {
        Exec(db_, "ROLLBACK");
        inTransaction_ = false;
        return FailSql(rc);
    }
    inTransaction_ = false;
    return kNoError;
}

int DataFile::Rollback()
{
    ClearRuntimeError();
    if (db_ == nullptr || !inTransaction_) {
        return Fail(db_ == nullptr ? kFileNotOpen : kRecordNotAvailable);
    }
    inTransaction_ = false;
    const int rc = Exec(db_, "ROLLBACK");
    return rc == SQLITE_OK ? kNoError : FailSql(rc);
}

int DataFile::BuildKeys(const std::string& path)
{
    Close();
    ClearRuntimeError();
    int code = OpenChecked(path, true, false);
    if (code != kNoError) {
        Close();
        return Fail(code);
    }
    const Schema schema(declaration_);
    // The records are copied into a table of the declared shape, their key columns computed anew.
    std::string sql = "BEGIN IMMEDIATE; DROP TABLE IF EXISTS records_new; " + schema.CreateRecords("records_new");
    int rc = Exec(db_, sql);
    if (rc == SQLITE_OK) {
        sqlite3_stmt* read = nullptr;
        sqlite3_stmt* write = nullptr;
        std::string insert = "INSERT INTO records_new(id, image" + schema.ColumnList() + ") VALUES(?1, ?2";
        for (std::size_t i = 0; i < schema.ColumnCount(); ++i) {
            insert += ", ?" + std::to_string(i + 3);
        }
        rc = sqlite3_prepare_v2(db_, "SELECT id, image FROM records", -1, &read, nullptr);
        if (rc == SQLITE_OK) {
            rc = sqlite3_prepare_v2(db_, (insert + ")").c_str(), -1, &write, nullptr);
        }
        while (rc == SQLITE_OK && sqlite3_step(read) == SQLITE_ROW) {
            if (static_cast<std::size_t>(sqlite3_column_bytes(read, 1)) != declaration_.layout->Size()) {
                rc = SQLITE_CORRUPT;
                break;
            }
            const void* image = sqlite3_column_blob(read, 1);
            sqlite3_bind_int64(write, 1, sqlite3_column_int64(read, 0));
            sqlite3_bind_blob(write, 2, image, static_cast<int>(declaration_.layout->Size()), SQLITE_TRANSIENT);
            schema.BindAll(write, 3, image);
            rc = sqlite3_step(write) == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(db_);
            sqlite3_reset(write);
        }
        sqlite3_finalize(read);
        sqlite3_finalize(write);
    }
    if (rc == SQLITE_OK) {
        sql = "DROP TABLE records; ALTER TABLE records_new RENAME TO records;" + CountTriggers() +
              "UPDATE quorin_count SET n = (SELECT count(*) FROM records);";
        for (std::size_t k = 0; k < declaration_.keys.size(); ++k) {
            sql += schema.CreateIndex(k) + ";";
        }
        std::string keys = schema.KeySignature();
        for (std::size_t i = keys.find('\''); i != std::string::npos; i = keys.find('\'', i + 2)) {
            keys.insert(i, 1, '\'');
        }
        sql += "UPDATE quorin_meta SET value = '" + keys + "' WHERE name = 'keys'; COMMIT;";
        rc = Exec(db_, sql);
    }
    if (rc != SQLITE_OK) {
        code = SqlCode(rc);
        Exec(db_, "ROLLBACK");
    }
    Close();
    return code == kNoError ? kNoError : Fail(code);
}

} // namespace quorin
