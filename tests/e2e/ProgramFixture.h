#pragma once
// A scratch desktop for one run of the built program: its own X server, working folder and drive C.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "e2e/Harness.h"

namespace quorin::e2e {

// A saved form record as an outside reader sees it in the data file.
struct StoredRecord {
    std::int32_t date = 0;
    std::int32_t time = 0;
    std::string email;
    std::string account;
    std::string password;
    std::string firstName;
    std::string lastName;
    std::string addlInfo;
    std::string country;
};

// Where a window's client area lies on the screen, in pixels.
struct Placed {
    int x = 0, y = 0, width = 0, height = 0;
};

// What a test types into a new record.
struct Typed {
    std::string email;
    std::string account;
};

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The sample master form at drive C's default place.
    void PutMasterForm();
    std::unique_ptr<Child> Start(bool unprivileged = false);
    // Finds the form-filling window of a started program (a failure when none appears).
    WindowId MainWindow();
    // Clicks "Close" as a person would and waits for the program to end.
    std::optional<int> Close(Child& program, WindowId main);
    // One run of the program: started, `body` in its window, closed with "Close" and status 0.
    void Session(const std::function<void(WindowId main)>& body, bool unprivileged = false);

    // Alt+I in the main window, the e-mail and account typed into the new record, Return.
    void AddRecord(WindowId main, const Typed& typed);
    // The browse lists a record when Alt+C opens it in the record form; Cancel closes it.
    void ExpectListed(WindowId main);
    // The data file holds exactly this one record.
    void ExpectStored(const Typed& typed);

    // Where the window lies (xdotool); nothing when it cannot be read.
    std::optional<Placed> Geometry(WindowId window);

    // Outside readers: the data file through SQLite, the INI file through configparser.
    std::vector<StoredRecord> StoredRecords();
    std::vector<std::string> IniSections();

    std::filesystem::path root_;
    std::filesystem::path work_;
    std::filesystem::path driveC_;
    std::unique_ptr<XServer> x_;
    std::unique_ptr<Xdo> xdo_;
};

std::filesystem::path BuiltFile(const std::string& relative);

} // namespace quorin::e2e
