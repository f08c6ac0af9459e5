#pragma once
// A file declaration: what a data file is (kind, external name, record, keys, attributes) together
// with one thread's use of it: its own record buffer, its keys and its open state. The program holds
// the initial declaration; each thread binds its own instance of it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/DataFile.h"
#include "platform/runtime/RecordLayout.h"
#include "platform/runtime/TextFile.h"

namespace quorin {

enum class FileKind { Keyed, Text };

class FileDeclaration;

// A key of one thread's file instance.
struct FileKey {
    FileDeclaration* file = nullptr;
    std::size_t index = 0; // into the declaration's keys
    const KeyDeclaration& Declaration() const;
};

class FileDeclaration {
public:
    FileDeclaration() = default;
    // A file whose external name is a constant ("form1.tps").
    FileDeclaration(FileKind kind, std::string prefix, const RecordLayout& layout, std::vector<KeyDeclaration> keys,
                    std::uint8_t attributes, std::string externalName);
    // A file named by the current content of a text variable of `width` bytes (clipped when used).
    FileDeclaration(FileKind kind, std::string prefix, const RecordLayout& layout, std::vector<KeyDeclaration> keys,
                    std::uint8_t attributes, const char* nameVariable, std::size_t width);
    ~FileDeclaration();
    // Copying gives an unbound instance of the same declaration.
    FileDeclaration(const FileDeclaration& other);
    FileDeclaration& operator=(const FileDeclaration& other);

    FileKind Kind() const { return kind_; }
    const std::string& Prefix() const { return prefix_; }
    const RecordLayout& Layout() const { return *layout_; }
    std::uint8_t Attributes() const { return attributes_; }
    const std::vector<KeyDeclaration>& KeyDeclarations() const { return keys_; }
    // The external name as it stands now, without trailing blanks.
    std::string Name() const;

    // After BindThreadFile.
    bool IsBound() const { return bound_; }
    char* Record() { return record_.data(); }
    const char* Record() const { return record_.data(); }
    std::size_t RecordSize() const { return record_.size(); }
    FileKey& Key(std::size_t index) { return boundKeys_.at(index); }
    DataFile* Keyed() { return keyed_.get(); }
    TextFile* Text() { return text_.get(); }

    // The driver's operations on the file the name gives (mapped to this system's paths); each
    // answers 0 or a runtime error code.
    int Create();
    int Open(std::uint8_t mode);
    void Close();
    bool IsOpen() const;
    int BuildKeys();
    int Add();             // the record buffer as a new record
    // With `asRead`, only while the stored record still equals that image (DataFile::Put).
    int Put(const void* asRead = nullptr);    // the record buffer over the current record (keyed file)
    int Delete(const void* asRead = nullptr); // the current record (keyed file)
    std::string OpenPath() const { return openPath_; }

private:
    friend void BindThreadFile(FileDeclaration& instance, const FileDeclaration& initial);
    friend void ReleaseThreadFile(FileDeclaration* instance);
    std::string NativeName() const;

    FileKind kind_ = FileKind::Keyed;
    std::string prefix_;
    const RecordLayout* layout_ = nullptr;
    std::vector<KeyDeclaration> keys_;
    std::uint8_t attributes_ = 0;
    std::string constantName_;
    const char* nameVariable_ = nullptr;
    std::size_t nameWidth_ = 0;

    bool bound_ = false;
    std::vector<char> record_;
    std::vector<FileKey> boundKeys_;
    std::unique_ptr<DataFile> keyed_;
    std::unique_ptr<TextFile> text_;
    std::string openPath_;
};

// Makes `instance` this thread's usable copy of `initial`: its own cleared record buffer, keys that
// refer to it, no file open.
void BindThreadFile(FileDeclaration& instance, const FileDeclaration& initial);
// Closes the file when the thread still holds it open; a null instance does nothing.
void ReleaseThreadFile(FileDeclaration* instance);

} // namespace quorin
