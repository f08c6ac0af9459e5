#include "platform/classlib/IniManager.h"

#include "platform/runtime/CodePage.h"
#include "platform/runtime/Paths.h"

#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace quorin {

namespace {

using Profile = CSimpleIniA; // sections and entries without case

void Configure(Profile& ini)
{
    ini.SetSpaces(false);
    ini.SetMultiKey(false);
    ini.SetMultiLine(false);
    ini.SetUnicode(false);
}

// The file's entries; a missing, unreadable or garbled file (one with zero bytes in it, which no
// profile file has) is empty.
void Load(const std::string& fileName, Profile& ini)
{
    Configure(ini);
    const std::string path = NativePath(fileName);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return;
    std::string data;
    try {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return;
        data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad())
            return;
    } catch (const std::exception&) {
        return; // unreadable: empty
    }
    if (data.find('\0') != std::string::npos)
        return;
    if (ini.LoadData(data.data(), data.size()) < 0)
        ini.Reset();
}

// Written beside the file and renamed over it, so a failed write never leaves half a file.
bool Save(const std::string& fileName, const Profile& ini)
{
    std::string data;
    if (ini.Save(data) < 0)
        return false;
    const std::string path = NativePath(fileName);
    const std::string temp = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.flush();
        if (!out) {
            out.close();
            std::remove(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

std::vector<std::string> SplitCommas(std::string_view text)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        parts.emplace_back(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos)
            return parts;
        start = comma + 1;
    }
}

std::string SectorEntry(std::size_t n) { return std::string(IniManager::kSectorsEntry) + "_" + std::to_string(n); }

} // namespace

IniManager::IniManager() = default;
IniManager::~IniManager() = default;

void IniManager::Init(std::string_view fileName, std::uint8_t nvType, std::uint8_t extraData)
{
    std::lock_guard guard(lock_);
    fileName_ = std::string(Utf8Prefix(fileName, 259));
    nvType_ = nvType;
    extraData_ = extraData;
    sectors_.emplace();
    Profile ini;
    Load(fileName_, ini);
    const char* count = ini.GetValue(kKeepSection.data(), kSectorsEntry.data(), nullptr);
    if (!count)
        return;
    long n = std::strtol(count, nullptr, 10);
    // A garbled count must not drive the loop: no more sectors than entries in the section.
    const long entries = ini.GetSectionSize(kKeepSection.data());
    if (n < 0)
        n = 0;
    if (n > entries)
        n = entries;
    for (long i = 1; i <= n; ++i) {
        const char* value = ini.GetValue(kKeepSection.data(), SectorEntry(static_cast<std::size_t>(i)).c_str(), nullptr);
        if (!value)
            continue; // a count larger than the entries written: keep what is there
        const std::vector<std::string> parts = SplitCommas(value);
        IniSector sector;
        sector.family = parts.size() > 0 ? std::string_view(parts[0]) : std::string_view();
        sector.item = parts.size() > 1 ? std::string_view(parts[1]) : std::string_view();
        sector.type = parts.size() > 2 ? std::string_view(parts[2]) : std::string_view();
        sectors_->push_back(sector);
    }
}

void IniManager::Flush() {}

bool IniManager::Kill()
{
    std::lock_guard guard(lock_);
    if (!sectors_)
        return true;
    Profile ini;
    Load(fileName_, ini);
    ini.SetValue(kKeepSection.data(), kSectorsEntry.data(), std::to_string(sectors_->size()).c_str());
    for (std::size_t i = 0; i < sectors_->size(); ++i) {
        const IniSector& s = (*sectors_)[i];
        const std::string value = s.family.Str() + "," + s.item.Str() + "," + s.type.Str();
        ini.SetValue(kKeepSection.data(), SectorEntry(i + 1).c_str(), value.c_str());
    }
    sectors_.reset();
    return Save(fileName_, ini);
}

std::string IniManager::FileName() const
{
    std::lock_guard guard(lock_);
    return fileName_;
}

std::uint8_t IniManager::NvType() const
{
    std::lock_guard guard(lock_);
    return nvType_;
}

std::uint8_t IniManager::ExtraData() const
{
    std::lock_guard guard(lock_);
    return extraData_;
}

std::optional<std::vector<IniSector>> IniManager::Sectors() const
{
    std::lock_guard guard(lock_);
    return sectors_;
}

void IniManager::AddSector(const IniSector& sector)
{
    std::lock_guard guard(lock_);
    if (sectors_)
        sectors_->push_back(sector);
}

std::optional<std::string> IniManager::TryFetch(std::string_view section, std::string_view entry) const
{
    std::lock_guard guard(lock_);
    Profile ini;
    Load(fileName_, ini);
    const char* value = ini.GetValue(std::string(section).c_str(), std::string(entry).c_str(), nullptr);
    if (!value)
        return std::nullopt;
    return std::string(value);
}

std::string IniManager::Fetch(std::string_view section, std::string_view entry, std::string_view fallback) const
{
    return TryFetch(section, entry).value_or(std::string(fallback));
}

bool IniManager::HasSection(std::string_view section) const
{
    std::lock_guard guard(lock_);
    Profile ini;
    Load(fileName_, ini);
    return ini.GetSectionSize(std::string(section).c_str()) >= 0;
}

bool IniManager::Update(std::string_view section, std::string_view entry, std::string_view value)
{
    std::lock_guard guard(lock_);
    if (fileName_.empty())
        return false;
    Profile ini;
    Load(fileName_, ini);
    ini.SetValue(std::string(section).c_str(), std::string(entry).c_str(), std::string(value).c_str());
    return Save(fileName_, ini);
}

} // namespace quorin
