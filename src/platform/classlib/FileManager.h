#pragma once
// The file manager: opens, reads and writes one data file for the thread that made it, and reports
// the file's failures through the error manager. Field names are the class library's own.
//
// Opening is lazy: an open through the relation manager only counts; the first real use opens the
// file (creating a missing one, retrying read-only after "Access Denied", rebuilding stale keys).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/classlib/ErrorManager.h"
#include "platform/classlib/ThreadList.h"
#include "platform/runtime/FileDeclaration.h"
#include "platform/runtime/FixedText.h"

namespace quorin {

// What `FileManager.UseFile` is told.
namespace use {
inline constexpr std::uint8_t kUse = 1;        // the file is about to be read or written
inline constexpr std::uint8_t kUpdate = 3;     // a record is about to be changed or deleted
inline constexpr std::uint8_t kInitialise = 5; // a derived manager initialises itself
} // namespace use

struct RecordBufferRef {
    char* address = nullptr;
    const RecordLayout* layout = nullptr;
    std::size_t size = 0;
};

// An untyped reference to a text variable; null when not set.
struct TextReference {
    const char* address = nullptr;
    std::size_t width = 0;
};

struct FileKeyEntry {
    FileKey* KEY = nullptr;
    FixedText<80> DESCRIPTION;
    std::vector<int> FIELDS; // component field numbers, negative for descending
    std::uint8_t AUTOINC = 0;
    std::uint8_t DUPS = 0;
    std::uint8_t NOCASE = 0;
};

// A file's state that a window saves and puts back: the record buffer and the current record.
// The file manager keeps the state saved last: the record as the window read it, which a change or
// delete of that record must still find stored (another program may have changed it since).
struct FileState {
    std::string buffer;
    std::int64_t current = 0;
};

class FileManager {
public:
    FileManager() = default;
    virtual ~FileManager(); // FileManager.Destruct
    FileManager(const FileManager&) = delete;
    FileManager& operator=(const FileManager&) = delete;

    RecordBufferRef BUFFER;
    std::uint8_t CREATE = 0;
    ErrorManager* ERRORS = nullptr;
    FileDeclaration* FILE = nullptr;
    TextReference FILENAME;
    FixedText<256> FILENAMEVALUE;
    std::uint8_t INUSEFILE = 0;
    std::uint8_t INITIALIZED = 0;
    std::uint8_t KILLED = 0;
    std::uint8_t LAZYOPEN = 0;
    std::int32_t OPENED = 0; // opens held
    std::int16_t LOCKRECOVER = 0;
    std::uint8_t OPENMODE = 0;
    std::uint8_t OPENMODEOVERRIDDEN = 0;
    std::uint8_t PRIMARYKEY = 0;
    std::uint8_t HASAUTOINC = 0;
    std::uint8_t USEMRP = 0;
    std::uint8_t MRPSIZE = 0;
    std::vector<FileKeyEntry> KEYS;

    // Virtual operations.
    virtual void Init();
    virtual void InitFile(FileDeclaration& file, ErrorManager& errors);
    virtual Level Insert(); // reports 15 for a duplicate key, 4 for any other failure
    virtual void Kill();
    virtual Level UseFile(std::uint8_t useType);
    virtual Level Open();  // an open through the relation manager
    virtual void Close();  // gives back one open; the last one closes the file
    virtual int TryInsert(); // no report: the runtime error code
    // A change or delete of the record whose state was saved last writes only while the stored
    // record is still the one saved; otherwise nothing is written and the answer is 34 (message 42).
    virtual Level Update(); // changes the current record; reports 15 for a duplicate key, 42 for 34
    virtual int TryUpdate();
    virtual int TryDelete(); // deletes the current record, no report

    void SetErrors(ErrorManager& errors) { ERRORS = &errors; }
    void AddKey(FileKey& key, std::string_view description, std::uint8_t autoIncrement);

    // The name of the file in messages (what "%File" stands for).
    std::string FileName() const;
    // The file is open for real (not only counted).
    bool IsOpenForReal() const { return FILE != nullptr && FILE->IsOpen(); }
    // The keyed file's driver for reading (a browse's view); null for another kind or no file.
    DataFile* Keyed() const { return FILE != nullptr ? FILE->Keyed() : nullptr; }
    // The record that the record buffer came from (a browse sets it with the selected row).
    void SetCurrent(std::int64_t id);
    std::int64_t Current() const;

    // Shows message `messageId` about this file with the text of runtime error `code`; its level.
    Level Report(int messageId, int code);

    FileState SaveFile(); // and keeps it, as the record read for a change or delete
    void RestoreFile(const FileState& state);

    // The calling thread's file managers, in the order registered.
    static std::vector<FileManager*> ThreadFileManagers();

protected:
    void Register();
    void Unregister();

private:
    Level OpenForReal();
    Level DuplicateReport(int code);
    FileState State() const;
    // The kept record as read when it is the current one; null when there is none to compare.
    const char* AsRead() const;
    // The record buffer over the current record, compared with the kept record as read.
    int PutAsRead();

    ThreadList<FileManager> listing_;
    bool attached_ = false;
    FileState saved_;
};

} // namespace quorin
