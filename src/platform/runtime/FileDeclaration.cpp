#include "platform/runtime/FileDeclaration.h"

#include "platform/runtime/FixedText.h"
#include "platform/runtime/Paths.h"
#include "platform/runtime/RuntimeError.h"

namespace quorin {

const KeyDeclaration& FileKey::Declaration() const { return file->KeyDeclarations().at(index); }

FileDeclaration::FileDeclaration(FileKind kind, std::string prefix, const RecordLayout& layout,
                                 std::vector<KeyDeclaration> keys, std::uint8_t attributes, std::string externalName)
    : kind_(kind), prefix_(std::move(prefix)), layout_(&layout), keys_(std::move(keys)), attributes_(attributes),
      constantName_(std::move(externalName))
{
}

FileDeclaration::FileDeclaration(FileKind kind, std::string prefix, const RecordLayout& layout,
                                 std::vector<KeyDeclaration> keys, std::uint8_t attributes, const char* nameVariable,
                                 std::size_t width)
    : kind_(kind), prefix_(std::move(prefix)), layout_(&layout), keys_(std::move(keys)), attributes_(attributes),
      nameVariable_(nameVariable), nameWidth_(width)
{
}

FileDeclaration::~FileDeclaration() { Close(); }

FileDeclaration::FileDeclaration(const FileDeclaration& other)
    : kind_(other.kind_), prefix_(other.prefix_), layout_(other.layout_), keys_(other.keys_),
      attributes_(other.attributes_), constantName_(other.constantName_), nameVariable_(other.nameVariable_),
      nameWidth_(other.nameWidth_)
{
}

FileDeclaration& FileDeclaration::operator=(const FileDeclaration& other)
{
    if (this != &other) {
        ReleaseThreadFile(this);
        kind_ = other.kind_;
        prefix_ = other.prefix_;
        layout_ = other.layout_;
        keys_ = other.keys_;
        attributes_ = other.attributes_;
        constantName_ = other.constantName_;
        nameVariable_ = other.nameVariable_;
        nameWidth_ = other.nameWidth_;
        bound_ = false;
        record_.clear();
        boundKeys_.clear();
        keyed_.reset();
        text_.reset();
    }
    return *this;
}

std::string FileDeclaration::Name() const
{
    if (nameVariable_ != nullptr) {
        return std::string(Clip(std::string_view(nameVariable_, nameWidth_)));
    }
    return std::string(Clip(constantName_));
}

std::string FileDeclaration::NativeName() const
{
    const std::string name = Name();
    return name.empty() ? std::string() : GetLongPath(name);
}

int FileDeclaration::Create()
{
    if (!bound_) {
        SetRuntimeError(kFileNotOpen);
        return kFileNotOpen;
    }
    const std::string path = NativeName();
    return kind_ == FileKind::Keyed ? keyed_->Create(path) : text_->Create(path);
}

int FileDeclaration::Open(std::uint8_t mode)
{
    if (!bound_) {
        SetRuntimeError(kFileNotOpen);
        return kFileNotOpen;
    }
    openPath_ = NativeName();
    const int rc = kind_ == FileKind::Keyed ? keyed_->Open(openPath_, mode) : text_->Open(openPath_, mode);
    if (rc != kNoError) {
        openPath_.clear();
    }
    return rc;
}

void FileDeclaration::Close()
{
    if (keyed_) {
        keyed_->Close();
    }
    if (text_) {
        text_->Close();
    }
    openPath_.clear();
}

bool FileDeclaration::IsOpen() const { return (keyed_ && keyed_->IsOpen()) || (text_ && text_->IsOpen()); }

int FileDeclaration::BuildKeys()
{
    if (!bound_ || kind_ != FileKind::Keyed) {
        SetRuntimeError(kFileNotOpen);
        return kFileNotOpen;
    }
    return keyed_->BuildKeys(NativeName());
}

int FileDeclaration::Add()
{
    if (!IsOpen()) {
        SetRuntimeError(kFileNotOpen);
        return kFileNotOpen;
    }
    return kind_ == FileKind::Keyed ? keyed_->Add(record_.data()) : text_->Add(record_.data());
}

int FileDeclaration::Put(const void* asRead)
{
    if (!IsOpen() || kind_ != FileKind::Keyed) {
        SetRuntimeError(kFileNotOpen);
        return kFileNotOpen;
    }
    return keyed_->Put(record_.data(), asRead);
}

int FileDeclaration::Delete(const void* asRead)
{
    if (!IsOpen() || kind_ != FileKind::Keyed) {
        SetRuntimeError(kFileNotOpen);
        return kFileNotOpen;
    }
    return keyed_->Delete(asRead);
}

void BindThreadFile(FileDeclaration& instance, const FileDeclaration& initial)
{
    if (&instance != &initial) {
        instance = initial;
    } else {
        ReleaseThreadFile(&instance);
    }
    instance.record_.assign(instance.layout_->Size(), '\0');
    instance.layout_->Clear(instance.record_.data());
    instance.boundKeys_.clear();
    for (std::size_t k = 0; k < instance.keys_.size(); ++k) {
        instance.boundKeys_.push_back({&instance, k});
    }
    instance.keyed_.reset();
    instance.text_.reset();
    if (instance.kind_ == FileKind::Keyed) {
        instance.keyed_ = std::make_unique<DataFile>(DataFileDeclaration{instance.layout_, instance.keys_, instance.attributes_});
    } else {
        instance.text_ = std::make_unique<TextFile>(*instance.layout_);
    }
    instance.bound_ = true;
}

void ReleaseThreadFile(FileDeclaration* instance)
{
    if (instance != nullptr) {
        instance->Close();
    }
}

} // namespace quorin
