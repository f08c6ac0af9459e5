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

    // A small window manager (openbox) on the test's display, running when this returns.
    void StartWindowManager();
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
    // Types the e-mail and the account into an open record form and stores it with Return.
    void StoreInForm(WindowId form, const Typed& typed);
    // The browse lists a record when Alt+C opens it in the record form; Cancel closes it.
    void ExpectListed(WindowId main);
    // The data file holds exactly this one record.
    void ExpectStored(const Typed& typed);

    // With QUORIN_E2E_SHOTS naming a folder, a picture of the screen there under `name` (.ppm);
    // its path, or nothing.
    std::optional<std::filesystem::path> Shot(const std::string& name);

    // Where the window lies (xdotool); nothing when it cannot be read.
    std::optional<Placed> Geometry(WindowId window);
    // The whole window, frame and all, on the 1024 by 768 screen.
    void ExpectOnScreen(WindowId window);

    // Outside readers: the data file through SQLite, the INI file through configparser.
    std::vector<StoredRecord> StoredRecords();
    std::vector<std::string> IniSections();

    std::filesystem::path root_;
    std::filesystem::path work_;
    std::filesystem::path driveC_;
    std::unique_ptr<XServer> x_;
    std::unique_ptr<Child> windowManager_;
    std::unique_ptr<Xdo> xdo_;
};

// A desktop test run once without a window manager and once under openbox.
class WindowManagerTest : public DesktopTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override;
    // The window of this title once it shows and has the keyboard; none (and a failure) else.
    WindowId Await(const std::string& title);
    // Waits for a window of this title, answers it with `keys` and waits for it to go; then
    // `back`, when given, must have the keyboard again.
    void Answer(const std::string& title, const std::vector<std::string>& keys, WindowId back = {});
    // Waits for `window` to go; then `back` must have the keyboard again.
    void Closed(WindowId window, WindowId back, const std::string& what);
};
std::string WindowManagerName(const ::testing::TestParamInfo<bool>& param);

std::filesystem::path BuiltFile(const std::string& relative);

} // namespace quorin::e2e
