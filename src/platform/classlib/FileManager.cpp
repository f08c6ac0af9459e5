#include "platform/classlib/FileManager.h"

#include <cstring>
#include <utility>

#include "platform/runtime/RuntimeError.h"

namespace quorin {

namespace {

// Why the file could not be used: the runtime's last error, or not open when it set none.
int FailureCode() { return RuntimeError() != kNoError ? RuntimeError() : kFileNotOpen; }

} // namespace

FileManager::~FileManager()
{
    if (KILLED == 0) {
        // Not through the table: a derived manager is already gone at this point.
        FileManager::Kill();
    }
    FILENAME = {};
    Unregister(); // a manager disposed without InitFile is still listed
}

void FileManager::Register() { listing_.Enter(this); }

void FileManager::Unregister() { listing_.Leave(); }

std::vector<FileManager*> FileManager::ThreadFileManagers() { return ThreadList<FileManager>::OfThisThread(); }

void FileManager::Init()
{
    OPENED = 0;
    LAZYOPEN = 1;
    KILLED = 0;
    USEMRP = 0;
    MRPSIZE = 10;
    Register();
}

void FileManager::InitFile(FileDeclaration& file, ErrorManager& errors)
{
    ERRORS = &errors;
    FILE = &file;
    KEYS.clear();
    if (OPENMODEOVERRIDDEN == 0) {
        OPENMODE = 0x42;
    }
    CREATE = 1;
    LOCKRECOVER = 10;
    PRIMARYKEY = 0;
    FILENAMEVALUE = file.Name();
    INITIALIZED = 1;
    KILLED = 0;
    USEMRP = 0;
    MRPSIZE = 20;
    attached_ = true;
}

void FileManager::AddKey(FileKey& key, std::string_view description, std::uint8_t autoIncrement)
{
    const KeyDeclaration& declared = key.Declaration();
    FileKeyEntry entry;
    entry.KEY = &key;
    entry.DESCRIPTION = description;
    entry.FIELDS = declared.components;
    entry.AUTOINC = autoIncrement;
    entry.DUPS = (declared.attributes & kKeyDuplicates) ? 1 : 0;
    entry.NOCASE = (declared.attributes & kKeyNoCase) ? 1 : 0;
    KEYS.push_back(std::move(entry));
    if (autoIncrement != 0) {
        HASAUTOINC = 1;
    }
    if (declared.attributes & kKeyPrimary) {
        PRIMARYKEY = 1;
    }
}

std::string FileManager::FileName() const
{
    if (FILENAME.address != nullptr) {
        return std::string(Clip(std::string_view(FILENAME.address, FILENAME.width)));
    }
    if (!FILENAMEVALUE.IsBlank()) {
        return FILENAMEVALUE.Str();
    }
    if (FILE != nullptr && !FILE->Name().empty()) {
        return FILE->Name();
    }
    return "Unknown File";
}

Level FileManager::Report(int messageId, int code)
{
    if (ERRORS == nullptr) {
        return level::kFatal;
    }
    ERRORS->SetErrors(code);
    ERRORS->SetFileError(code, RuntimeErrorText(code));
    return ERRORS->ThrowFile(messageId, FileName());
}

Level FileManager::UseFile(std::uint8_t useType)
{
    if (useType == use::kInitialise) {
        return level::kBenign;
    }
    if (IsOpenForReal()) {
        return level::kBenign;
    }
    if (OPENED <= 0 || FILE == nullptr) {
        SetRuntimeError(kFileNotOpen);
        return Report(msg::kUseClosedFile, kFileNotOpen);
    }
    // The real open must not disturb what the caller already put in the record buffer.
    const FileState state = State();
    const Level result = OpenForReal();
    RestoreFile(state);
    return result;
}

Level FileManager::Open()
{
    UseFile(use::kInitialise);
    if (FILE == nullptr) {
        SetRuntimeError(kFileNotOpen);
        return Report(msg::kUseClosedFile, kFileNotOpen);
    }
    if (LAZYOPEN == 0 && !IsOpenForReal()) {
        const Level result = OpenForReal();
        if (result != level::kBenign) {
            return result;
        }
    }
    ++OPENED;
    return level::kBenign;
}

Level FileManager::OpenForReal()
{
    UseFile(use::kInitialise);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int rc = FILE->Open(OPENMODE);
        switch (rc) {
        case kNoError: return level::kBenign;
        case kFileNotFound:
            if (CREATE == 0) {
                return Report(msg::kOpenFailed, rc);
            }
            if (const int created = FILE->Create(); created != kNoError) {
                return Report(msg::kCreateError, created);
            }
            continue;
        case kAccessDenied:
            if (!WantsWrite(OPENMODE)) {
                return Report(msg::kOpenFailed, rc);
            }
            if (const Level shown = Report(msg::kAccessDenied, rc); shown != level::kNotify && shown != level::kBenign) {
                return shown;
            }
            OPENMODE = static_cast<std::uint8_t>(OPENMODE & ~kAccessMask);
            continue;
        case kKeyFileMustBeRebuilt:
            if (const Level shown = Report(msg::kRebuildKey, rc); shown != level::kNotify && shown != level::kBenign) {
                return shown;
            }
            if (const int built = FILE->BuildKeys(); built != kNoError) {
                return Report(msg::kRebuildError, built);
            }
            continue;
        case kInvalidRecordDeclaration: return Report(msg::kInvalidFile, rc);
        default: return Report(msg::kOpenFailed, rc);
        }
    }
    return Report(msg::kOpenFailed, FailureCode());
}

void FileManager::Close()
{
    if (OPENED <= 0) {
        return;
    }
    if (--OPENED == 0 && FILE != nullptr) {
        FILE->Close();
    }
}

int FileManager::TryInsert()
{
    if (const Level l = UseFile(use::kUse); l != level::kBenign) {
        return FailureCode();
    }
    return FILE->Add();
}

Level FileManager::Insert()
{
    if (const Level l = UseFile(use::kUse); l != level::kBenign) {
        return l; // the open has reported why
    }
    const int rc = FILE->Add();
    if (rc == kNoError) {
        return level::kBenign;
    }
    if (rc == kCreatesDuplicateKey) {
        return DuplicateReport(rc);
    }
    return Report(msg::kAddError, rc);
}

Level FileManager::DuplicateReport(int rc)
{
    std::string description;
    const DataFile* keyed = Keyed();
    for (const FileKeyEntry& entry : KEYS) {
        if (keyed != nullptr && entry.KEY != nullptr && static_cast<int>(entry.KEY->index) == keyed->DuplicateKey()) {
            description = entry.DESCRIPTION.Str();
        }
    }
    if (ERRORS == nullptr) {
        return level::kFatal;
    }
    ERRORS->SetErrors(rc);
    ERRORS->SetFile(FileName());
    return ERRORS->ThrowMessage(msg::kDuplicateKey, description);
}

int FileManager::TryUpdate()
{
    if (const Level l = UseFile(use::kUpdate); l != level::kBenign) {
        return FailureCode();
    }
    return PutAsRead();
}

int FileManager::PutAsRead()
{
    const char* asRead = AsRead();
    const int rc = FILE->Put(asRead);
    if (rc == kNoError && asRead != nullptr) {
        saved_.buffer.assign(BUFFER.address, BUFFER.size); // the record as this program now knows it
    }
    return rc;
}

Level FileManager::Update()
{
    if (const Level l = UseFile(use::kUpdate); l != level::kBenign) {
        return l;
    }
    const int rc = PutAsRead();
    if (rc == kNoError) {
        return level::kBenign;
    }
    if (rc == kCreatesDuplicateKey) {
        return DuplicateReport(rc);
    }
    if (rc == kRecordChanged) {
        return Report(msg::kRecordChanged, rc);
    }
    return level::kNotify; // the window asks whether to try again
}

int FileManager::TryDelete()
{
    if (const Level l = UseFile(use::kUpdate); l != level::kBenign) {
        return FailureCode();
    }
    const int rc = FILE->Delete(AsRead());
    if (rc == kNoError) {
        saved_ = {};
    }
    return rc;
}

const char* FileManager::AsRead() const
{
    const bool same = saved_.current != 0 && saved_.current == Current() && BUFFER.address != nullptr &&
                      saved_.buffer.size() == BUFFER.size;
    return same ? saved_.buffer.data() : nullptr;
}

void FileManager::SetCurrent(std::int64_t id)
{
    if (DataFile* keyed = Keyed()) {
        keyed->SetCurrent(id);
    }
}

std::int64_t FileManager::Current() const
{
    const DataFile* keyed = Keyed();
    return keyed != nullptr ? keyed->Current() : 0;
}

FileState FileManager::SaveFile()
{
    saved_ = State();
    return saved_;
}

FileState FileManager::State() const
{
    FileState state;
    if (BUFFER.address != nullptr) {
        state.buffer.assign(BUFFER.address, BUFFER.size);
    }
    state.current = Current();
    return state;
}

void FileManager::RestoreFile(const FileState& state)
{
    if (BUFFER.address != nullptr && state.buffer.size() == BUFFER.size) {
        std::memcpy(BUFFER.address, state.buffer.data(), BUFFER.size);
    }
    SetCurrent(state.current);
}

void FileManager::Kill()
{
    if (INITIALIZED == 0) {
        return;
    }
    if (KILLED != 0) {
        return;
    }
    while (OPENED > 0) {
        Close();
    }
    if (FILE != nullptr) {
        FILE->Close();
    }
    KEYS.clear();
    Unregister();
    attached_ = false;
    FILE = nullptr;
    KILLED = 1;
    INITIALIZED = 0;
}

} // namespace quorin
