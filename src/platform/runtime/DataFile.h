#pragma once
// The keyed data file: fixed-length record images with their keys, kept in one SQLite database.
//
// The file is shared with other processes: SQLite's rollback journal and file locks (no WAL, which
// fails on network folders), a busy wait before a lock counts as refused, and every write is one
// durable transaction, so a process killed at any moment leaves either the old or the new record.
// A file that is not a database made by this driver, or one made for another record layout, is
// refused and never written to.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/RecordLayout.h"

struct sqlite3;
struct sqlite3_stmt;

namespace quorin {

// Attribute byte of a file declaration.
enum FileAttribute : std::uint8_t {
    kFileEncrypt = 0x02,
    kFileCreate = 0x04,
    kFileReclaim = 0x08,
    kFileThread = 0x10,
};

// Attribute word of a key.
enum KeyAttribute : std::uint16_t {
    kKeyDuplicates = 0x01,
    kKeyOpt = 0x02, // records whose components are all zero or blank are left out of the key
    kKeyNoCase = 0x04,
    kKeyPrimary = 0x10,
    kKeyIndexOnly = 0x4000,
};

// Open mode: the access in the low two bits, the sharing in bits 4 to 6.
enum OpenModeBits : std::uint8_t {
    kAccessRead = 0x00,
    kAccessWrite = 0x01,
    kAccessReadWrite = 0x02,
    kAccessMask = 0x03,
    kShareExclusive = 0x10,
    kShareDenyWrite = 0x20,
    kShareDenyRead = 0x30,
    kShareDenyNone = 0x40,
    kShareMask = 0x70,
};

inline bool WantsWrite(std::uint8_t mode) { return (mode & kAccessMask) != kAccessRead; }

struct KeyDeclaration {
    std::string label;           // e.g. "SAV:BYDATETIME"
    std::vector<int> components; // field numbers from 1; negative for descending
    std::uint16_t attributes = 0;
};

// What a keyed data file stores: the record layout (which must outlive the file) and its keys.
struct DataFileDeclaration {
    const RecordLayout* layout = nullptr;
    // A key's number is its position here, counted from 0: the one numbering of keys in the data
    // file, the file declaration's keys and the class library's views and browses.
    std::vector<KeyDeclaration> keys;
    std::uint8_t attributes = 0;
};

// One record as read: its identity in the file and its image.
struct DataRecord {
    std::int64_t id = 0;
    std::string image;
};

enum class ReadDirection { Forward, Backward };

class DataFile {
public:
    explicit DataFile(DataFileDeclaration declaration);
    ~DataFile();
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    const DataFileDeclaration& Declaration() const { return declaration_; }

    // Every operation answers 0 or a runtime error code, which it also sets as the thread's code.

    // Makes a new, empty file. The file appears complete or not at all; a file that already exists
    // under the name is left alone and the answer is 0, so an open that follows finds it.
    int Create(const std::string& path);
    // 2 missing, 3 folder missing, 5 write access asked of a read-only file (or exclusive use asked
    // while someone else holds it), 47 not this driver's file or another record layout, 46 the keys
    // differ from the declaration (BuildKeys mends that).
    int Open(const std::string& path, std::uint8_t mode);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    bool IsReadOnly() const { return readOnly_; }
    const std::string& Path() const { return path_; }

    // Writes; each is one transaction. A record that would duplicate a unique key is refused (40)
    // and the file stays as it was; DuplicateKey() then names the key.
    // With `asRead` (the image of the current record as it was read), Put and Delete write only
    // while the stored record still equals it, compared in the write's own statement so that no
    // other user's write can come between: 34, with nothing written, when another user changed or
    // deleted it since.
    int Add(const void* record); // the new record becomes the current one
    int Put(const void* record, const void* asRead = nullptr); // changes the current record
    int Delete(const void* asRead = nullptr); // deletes the current record; none is current afterwards
    int DuplicateKey() const { return duplicateKey_; }

    // The first record in key order whose components equal those in `values` (a record image);
    // it becomes the current one. 35 when there is none. Reads by key answer 30 for a key number
    // that names no declared key.
    int Get(std::size_t key, const void* values, void* record);
    // The record of that identity; it becomes the current one.
    int Fetch(std::int64_t id, void* record);
    std::int64_t Current() const { return current_; }
    void SetCurrent(std::int64_t id) { current_ = id; }

    // At most `count` records of key `key` in its order, walking `direction`, starting at the key
    // values of `from` (a record image). With `from` null the walk starts at that end of the key.
    // With `fromId` 0 records equal to `from`'s values are included; otherwise the walk starts past
    // the record (from's values, fromId), so the last row of a page continues the next one.
    // Reads only the rows it returns, whatever the size of the file.
    int ReadPage(std::size_t key, ReadDirection direction, const void* from, std::int64_t fromId, std::size_t count,
                 std::vector<DataRecord>& rows);

    // Number of records in the file, in a key or not.
    int Count(std::int64_t& count);

    // Groups the writes up to Commit into one transaction (others wait for the file meanwhile);
    // Rollback undoes them. Without Begin every write is a transaction of its own.
    int Begin();
    int Commit();
    int Rollback();
    bool InTransaction() const { return inTransaction_; }

    // Rebuilds the keys of the closed file at `path` from its records as the declaration states
    // them (after Open answered 46). 40, with the file left as it was, when the records violate a
    // unique key; 47 when it is not this driver's file of this record layout.
    int BuildKeys(const std::string& path);

private:
    struct Statements;
    int Fail(int code);
    int FailSql(int rc);
    // Why a change cannot be made now: no open file, a read-only one, or, for a change of the
    // current record, none current; kNoError when it can.
    int ChangeRefusal(bool ofCurrent) const;
    // Why a read in the order of `key` cannot be made: no open file or no such key; kNoError when it can.
    int ReadRefusal(std::size_t key) const;
    int OpenChecked(const std::string& path, bool writable, bool checkKeys);
    int CheckSchema(bool checkKeys);
    int FindDuplicate(const void* record, std::int64_t exceptId);
    // Steps a lookup to its one row and copies the image in `imageColumn` into `record`: record not
    // found when there is no row, a file system error when the image is not of the record's size.
    int StepToRecord(sqlite3_stmt* stmt, int imageColumn, void* record);

    DataFileDeclaration declaration_;
    sqlite3* db_ = nullptr;
    std::unique_ptr<Statements> stmts_;
    std::string path_;
    bool readOnly_ = false;
    std::int64_t current_ = 0;
    int duplicateKey_ = -1;
    bool inTransaction_ = false;
};

// What identifies a database of this driver; tests and tools use it to recognise one.
inline constexpr std::int32_t kDataFileApplicationId = 0x51523230;

} // namespace quorin
