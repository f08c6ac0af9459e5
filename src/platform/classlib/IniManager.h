#pragma once
// The INI manager: entries of a profile file (sections and entries compared without case; a write
// keeps the rest of the file), plus the list of "sectors" that it keeps under the entry "Sectors" of
// the section "__Dont_Touch_Me__". Program-wide; guards itself with its own lock. A missing or
// garbled file reads as empty; a write that fails leaves the file as it was and says so.
#include "platform/runtime/FixedText.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorin {

class Window;

struct IniSector {
    FixedText<100> family;
    FixedText<100> item;
    FixedText<100> type;
};

class IniManager {
public:
    static constexpr std::string_view kKeepSection = "__Dont_Touch_Me__";
    static constexpr std::string_view kSectorsEntry = "Sectors";

    IniManager();
    virtual ~IniManager();
    IniManager(const IniManager&) = delete;
    IniManager& operator=(const IniManager&) = delete;

    // Keeps the name (cut to 259 characters), `NVTYPE` and `EXTRADATA`; makes the sector list and
    // loads the entries kept under "Sectors" (none when the file or the entry is missing).
    void Init(std::string_view fileName, std::uint8_t nvType = 0, std::uint8_t extraData = 0);
    // Does nothing.
    void Flush();
    // When the sector list exists: writes its count to "Sectors" and entry n as "Sectors_n"
    // (fields joined by commas), then frees the list. False when the file could not be written.
    bool Kill();

    std::string FileName() const;
    std::uint8_t NvType() const;
    std::uint8_t ExtraData() const;
    // Null when there is no list (before `Init`, after `Kill`).
    std::optional<std::vector<IniSector>> Sectors() const;
    void AddSector(const IniSector& sector);

    // The entry's text, read from the file now; none when the file, section or entry is missing.
    std::optional<std::string> TryFetch(std::string_view section, std::string_view entry) const;
    std::string Fetch(std::string_view section, std::string_view entry, std::string_view fallback = {}) const;
    bool HasSection(std::string_view section) const;
    // Writes the entry into the file, keeping the rest of it. False (file unchanged) when it cannot
    // be written.
    bool Update(std::string_view section, std::string_view entry, std::string_view value);

    // A window's place and state from the section, its size too when it is resizable and one was
    // stored; a missing section changes nothing (IniManagerWindows.cpp).
    void RestoreWindow(std::string_view section, Window& window);
    // The window's state and, when it is neither maximised nor minimised, its place (and, for a
    // resizable window, its size). False when the file could not be written.
    bool SaveWindow(std::string_view section, Window& window);

private:
    mutable std::mutex lock_;
    std::string fileName_;
    std::uint8_t nvType_ = 0;
    std::uint8_t extraData_ = 0;
    std::optional<std::vector<IniSector>> sectors_;
};

} // namespace quorin
