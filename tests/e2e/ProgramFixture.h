#pragma once
// A scratch desktop for one run of the built program: its own X server, working folder and drive C.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
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

// A row of the browse as the screen shows it: its top and height in pixels of the window.
struct Band {
    int top = 0;
    int height = 0;
};

// The browse's rows, placed by the first one as the screen shows it.
struct BrowseRows {
    Band first;
    // The middle of a row (from 1), in pixels of the window.
    int At(int row) const { return first.top + (row - 1) * first.height + first.height / 2; }
    // The row a band shows.
    int Of(const Band& band) const { return first.height > 0 ? (band.top - first.top) / first.height + 1 : 0; }
};

// What a folder got: the name of a file written into it, or a box that showed instead; with every
// event of the folder read meanwhile.
struct Written {
    std::optional<std::string> name;
    bool boxed = false;
    std::vector<FolderWatch::Event> events;
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
    // Masters of these names in drive C's default folder, each the sample form with its "Text1"
    // set to Mark(name): the fill leaves that field alone, so a filled copy names its master.
    void PutMarkedMasters(const std::vector<std::string>& names);
    static std::string Mark(const std::string& master) { return "master " + master; }
    // The "Text1" of a PDF form as pypdf reads it; nothing when it does not read.
    std::optional<std::string> MarkOf(const std::filesystem::path& pdf);
    // Every field of a PDF form and its value as pypdf reads them; nothing when it does not read.
    std::optional<std::map<std::string, std::string>> FormFields(const std::filesystem::path& pdf);
    std::unique_ptr<Child> Start(bool unprivileged = false);
    // Finds the form-filling window of a started program (a failure when none appears).
    WindowId MainWindow();
    // Clicks "Close" as a person would and waits for the program to end.
    std::optional<int> Close(Child& program, WindowId main);
    // One run of the program: started, `body` in its window, closed with "Close" and status 0. The
    // program runs as program_ meanwhile.
    void Session(const std::function<void(WindowId main)>& body, bool unprivileged = false);
    // Stops the program while `send` sends input, then lets it go on: all of that input waits in
    // its queue, however fast the program is.
    void WhileStopped(Child& program, const std::function<void()>& send);

    // Alt+I in the main window, the e-mail and account typed into the new record, Return.
    void AddRecord(WindowId main, const Typed& typed);
    // Types the e-mail and the account into an open record form and stores it with Return.
    void StoreInForm(WindowId form, const Typed& typed);
    // The browse lists a record when Alt+C opens it in the record form; Cancel closes it.
    void ExpectListed(WindowId main);
    // The data file holds exactly this one record.
    void ExpectStored(const Typed& typed);

    // Waits until a file is written into the watched folder (closed after writing or renamed into
    // place; a name starting with "." is the writer's own) or a window titled `box` shows.
    Written WrittenOrBox(FolderWatch& watch, const std::string& box);

    // With QUORIN_E2E_SHOTS naming a folder, a picture there under the test's name and `name`
    // (.ppm): the one given, else one of the screen; its path, or nothing.
    std::optional<std::filesystem::path> Shot(const std::string& name, const Image* picture = nullptr);

    // Where the window lies (xdotool); nothing when it cannot be read.
    std::optional<Placed> Geometry(WindowId window);
    // The whole window, frame and all, on the 1024 by 768 screen.
    void ExpectOnScreen(WindowId window);

    // Outside readers: the data file through SQLite, the INI file through configparser.
    std::vector<StoredRecord> StoredRecords();
    std::vector<std::string> StoredAccounts();
    std::vector<std::string> IniSections();

    std::filesystem::path root_;
    std::filesystem::path work_;
    std::filesystem::path driveC_;
    std::unique_ptr<XServer> x_;
    std::unique_ptr<Child> windowManager_;
    std::unique_ptr<Xdo> xdo_;
    std::unique_ptr<Child> program_;
};

// A desktop test run once without a window manager and once under openbox.
class WindowManagerTest : public DesktopTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override;
    // From here on keys go where the program and the window manager put the keyboard, as a
    // person's do; the started program's window must have it first.
    void DriveAsAPerson(WindowId main);
    // The window of this title once it shows and has the keyboard; none (and a failure) else.
    WindowId Await(const std::string& title);
    // Waits for a window of this title, answers it with `keys` and waits for it to go; then
    // `back`, when given, must have the keyboard again.
    void Answer(const std::string& title, const std::vector<std::string>& keys, WindowId back = {});
    // Waits for `window` to go; then `back` must have the keyboard again.
    void Closed(WindowId window, WindowId back, const std::string& what);

    // The one row the browse highlights while the box `title`, opened by what came before, is up,
    // as the screen shows it once the program drew all it did; the box is then answered by `answer`.
    Band HighlightedWhileAsked(WindowId main, const std::string& title, const std::string& answer);
    // Records "row1@example.org" with account "ACC1" and so on up to `count`, added as AddRecord
    // does; then the rows' places: the highlighted one by F1's help box, a click on it, the first
    // by Home. The first row is highlighted when this returns.
    BrowseRows ListRows(WindowId main, int count);
    // Alt+I in the main window and the record form it opens, once that has the keyboard.
    WindowId NewRecordForm(WindowId main);
    // Returns once the window manager handled what reached it before, such as a key it acts on
    // (Alt+F4): it answers a request for a window's frame extents in order with its other events.
    bool WindowManagerCaughtUp();

private:
    int looks_ = 0;
};
std::string WindowManagerName(const ::testing::TestParamInfo<bool>& param);

std::filesystem::path BuiltFile(const std::string& relative);

} // namespace quorin::e2e
