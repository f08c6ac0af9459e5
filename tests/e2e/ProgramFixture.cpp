#include "e2e/ProgramFixture.h"

#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

namespace quorin::e2e {

namespace {

// "Close" of the form-filling window: 275, 327, 45 by 14 of 330 by 345 dialog units.
constexpr double kCloseX = (275 + 45 / 2.0) / 330;
constexpr double kCloseY = (327 + 14 / 2.0) / 345;

// The saved form record's image: date and time, then the texts back to back.
constexpr const char* kReadRecords = R"(
import sqlite3, struct, sys
db = sqlite3.connect('file:' + sys.argv[1] + '?mode=ro', uri=True)
texts = [256, 20, 20, 30, 30, 10, 1024, 3, 3, 3, 30]
for (image,) in db.execute('SELECT image FROM records ORDER BY id'):
    date, time = struct.unpack_from('<ii', image, 0)
    at, fields = 8, []
    for size in texts:
        fields.append(image[at:at + size].decode('utf-8', 'replace').rstrip(' '))
        at += size
    email, account, password, first, last = fields[0:5]
    addl = fields[6].replace('\r\n', ' ').replace('\t', ' ')
    print('\t'.join([str(date), str(time), email, account, password, first, last, addl, fields[10]]))
)";

constexpr const char* kReadIni = R"(
import configparser, sys
ini = configparser.ConfigParser(strict=False, interpolation=None)
ini.read(sys.argv[1], encoding='utf-8')
print('\n'.join(ini.sections()))
)";

constexpr const char* kMarkMaster = R"(
import sys
from pypdf import PdfReader, PdfWriter
from pypdf.generic import NameObject, TextStringObject
writer = PdfWriter()
writer.clone_reader_document_root(PdfReader(sys.argv[1]))
for field in writer._root_object['/AcroForm']['/Fields']:
    field = field.get_object()
    if field.get('/T') == 'Text1':
        field[NameObject('/V')] = TextStringObject(sys.argv[3])
writer.write(sys.argv[2])
)";

constexpr const char* kReadFields = R"(
import sys
from pypdf import PdfReader
for name, field in PdfReader(sys.argv[1]).get_fields().items():
    value = field.get('/V')
    print(name + '\t' + ('' if value is None else str(value)))
)";

// Every part, the empty ones at the end included.
std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find(separator, at)) != std::string::npos; at = end + 1) {
        parts.push_back(text.substr(at, end - at));
    }
    parts.push_back(text.substr(at));
    return parts;
}

// The browse's left edge, where no text is drawn: one column down the list (9, 7, 311 by 132 of
// 330 by 345 dialog units), in pixels of a window of this size.
Area BrowseEdge(int width, int height)
{
    const int top = static_cast<int>(7 / 345.0 * height);
    return {static_cast<int>((9 + 2) / 330.0 * width), top, 1, static_cast<int>((7 + 132) / 345.0 * height) - top};
}

// The highlighted rows of the browse: runs of the selection colour down its left edge.
std::vector<Band> HighlightedRows(const Image& image)
{
    const Area edge = BrowseEdge(image.width, image.height);
    const auto selected = [](std::uint32_t pixel) {
        const int r = static_cast<int>(pixel >> 16 & 0xFF);
        const int b = static_cast<int>(pixel & 0xFF);
        return b > 120 && b > r + 60;
    };
    std::vector<Band> bands;
    for (int y = edge.y; y < edge.y + edge.height; ++y) {
        if (!selected(image.At(edge.x, y))) {
            continue;
        }
        if (bands.empty() || bands.back().top + bands.back().height != y) {
            bands.push_back({y, 0});
        }
        ++bands.back().height;
    }
    return bands;
}

} // namespace

std::filesystem::path BuiltFile(const std::string& relative)
{
    return std::filesystem::path(QUORIN_TEST_BINARY_DIR) / relative;
}

void DesktopTest::SetUp()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quorin-e2e-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    work_ = root_ / "work";
    driveC_ = root_ / "drive-c";
    std::filesystem::create_directories(work_);
    std::filesystem::create_directories(driveC_ / "Morvek20");
    // An unprivileged run must reach the folders.
    for (const auto& folder : {root_, work_, driveC_, driveC_ / "Morvek20"}) {
        ::chmod(folder.c_str(), 0777);
    }
    // Qt wants a runtime folder of the user's own, closed to others.
    std::filesystem::create_directories(root_ / "runtime");
    ::chmod((root_ / "runtime").c_str(), 0700);
    x_ = std::make_unique<XServer>();
    ASSERT_TRUE(x_->ok()) << "Xvfb did not start";
    xdo_ = std::make_unique<Xdo>(x_->display());
}

void DesktopTest::TearDown()
{
    program_.reset();
    xdo_.reset();
    windowManager_.reset();
    x_.reset();
    std::error_code ec;
    std::filesystem::permissions(work_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(root_, ec);
}

void DesktopTest::StartWindowManager()
{
    SpawnOptions options;
    options.environment = {{"DISPLAY", x_->display()}, {"HOME", root_.string()},
                           {"XDG_CONFIG_HOME", (root_ / "config").string()},
                           {"XDG_RUNTIME_DIR", (root_ / "runtime").string()}};
    options.unset = {"SESSION_MANAGER", "DBUS_SESSION_BUS_ADDRESS"};
    options.quiet = true; // it misses Debian's menu file, which nothing here uses
    windowManager_ = std::make_unique<Child>(std::vector<std::string>{"openbox", "--sm-disable"}, options);
    ASSERT_TRUE(WaitForWindowManager(x_->display())) << "openbox did not start";
}

void WindowManagerTest::SetUp()
{
    DesktopTest::SetUp();
    if (!HasFatalFailure() && GetParam()) {
        StartWindowManager();
    }
}

void WindowManagerTest::DriveAsAPerson(WindowId main)
{
    xdo_->FocusFirst(false);
    // A window that shows has not always taken the keyboard yet: a key sent before would be lost.
    ASSERT_TRUE(WaitFocus(x_->display(), main)) << "the window did not take the keyboard when it showed";
}

WindowId WindowManagerTest::Await(const std::string& title)
{
    const WindowId window = xdo_->Find(title);
    if (!window) {
        ADD_FAILURE() << "no \"" << title << "\"";
        return {};
    }
    if (!WaitFocus(x_->display(), window)) {
        ADD_FAILURE() << "\"" << title << "\" did not take the keyboard";
        return {};
    }
    return window;
}

void WindowManagerTest::Answer(const std::string& title, const std::vector<std::string>& keys, WindowId back)
{
    const WindowId box = Await(title);
    ASSERT_TRUE(box);
    ASSERT_TRUE(xdo_->Keys(box, keys));
    ASSERT_NO_FATAL_FAILURE(Closed(box, back, "\"" + title + "\""));
}

void WindowManagerTest::Closed(WindowId window, WindowId back, const std::string& what)
{
    ASSERT_TRUE(WaitWindowGone(x_->display(), window)) << what << " stayed up";
    if (back) {
        ASSERT_TRUE(WaitFocus(x_->display(), back)) << "the keyboard did not come back after " << what << " closed";
    }
}

Band WindowManagerTest::HighlightedWhileAsked(WindowId main, const std::string& title, const std::string& answer)
{
    const WindowId shown = Await(title);
    const std::optional<Placed> placed = Geometry(main);
    EXPECT_TRUE(placed && Repainted(x_->display(), main, BrowseEdge(placed->width, placed->height)))
        << "the browse was not drawn again while \"" << title << "\" was up";
    const auto image = Grab(x_->display(), main);
    EXPECT_TRUE(image) << "no picture of the window";
    const std::vector<Band> bands = image ? HighlightedRows(*image) : std::vector<Band>{};
    const std::string shot = "browse-" + title + "-" + std::to_string(++looks_);
    if (image && bands.size() != 1) {
        Shot(shot + "-window", &*image);
    }
    Shot(shot);
    EXPECT_TRUE(shown && xdo_->Keys(shown, {answer}));
    Closed(shown, main, "\"" + title + "\"");
    EXPECT_EQ(bands.size(), 1u) << "rows highlighted while \"" << title << "\" was up";
    return bands.empty() ? Band{} : bands.front();
}

BrowseRows WindowManagerTest::ListRows(WindowId main, int count)
{
    for (int i = 1; i <= count && !HasFatalFailure(); ++i) {
        AddRecord(main, {"row" + std::to_string(i) + "@example.org", "ACC" + std::to_string(i)});
    }
    if (HasFatalFailure()) {
        return {};
    }
    EXPECT_TRUE(xdo_->Keys(main, {"F1"}));
    const Band any = HighlightedWhileAsked(main, "Help", "Return");
    EXPECT_GT(any.height, 4);
    // The click puts the keyboard into the list, so Home moves its highlight. Tests click rows
    // further along (from x 80), so that theirs never join this one into a double click.
    EXPECT_TRUE(xdo_->ClickAt(main, 40, any.top + any.height / 2));
    EXPECT_TRUE(xdo_->Keys(main, {"Home", "F1"}));
    const BrowseRows rows{HighlightedWhileAsked(main, "Help", "Return")};
    EXPECT_EQ(any.height, rows.first.height);
    return rows;
}

WindowId WindowManagerTest::NewRecordForm(WindowId main)
{
    EXPECT_TRUE(xdo_->Keys(main, {"alt+i"}));
    return Await("Record Will Be Added");
}

bool WindowManagerTest::WindowManagerCaughtUp()
{
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> x(
        xcb_connect(x_->display().c_str(), nullptr), xcb_disconnect);
    if (xcb_connection_has_error(x.get()) != 0) {
        return false;
    }
    const auto atom = [&](const char* name) {
        const xcb_intern_atom_cookie_t asked =
            xcb_intern_atom(x.get(), 0, static_cast<std::uint16_t>(std::strlen(name)), name);
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(x.get(), asked, nullptr), std::free);
        return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    };
    const xcb_atom_t extents = atom("_NET_FRAME_EXTENTS");
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x.get())).data;
    // A window of this connection's own, never mapped: the window manager only sets its property.
    const xcb_window_t window = xcb_generate_id(x.get());
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(x.get(), XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK, &mask);
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = window;
    request.type = atom("_NET_REQUEST_FRAME_EXTENTS");
    xcb_send_event(x.get(), 0, screen->root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&request));
    xcb_flush(x.get());
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(x.get())) {
            const bool answered = (event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY &&
                                  reinterpret_cast<xcb_property_notify_event_t*>(event)->atom == extents;
            std::free(event);
            if (answered) {
                return true;
            }
        }
        if (xcb_connection_has_error(x.get()) != 0 || !WaitReadable({xcb_get_file_descriptor(x.get())}, kWindowBound)) {
            return false;
        }
    }
}

std::string WindowManagerName(const ::testing::TestParamInfo<bool>& param)
{
    return param.param ? "UnderOpenbox" : "WithoutWindowManager";
}

void DesktopTest::PutMasterForm()
{
    SpawnOptions options;
    options.environment["QUORIN_DRIVE_C"] = driveC_.string();
    Child make({BuiltFile("tools/make-sample-form").string(), "C:\\Morvek20\\form1.pdf"}, options);
    ASSERT_TRUE(ExitedWith(make.Wait(kExitBound), 0));
    ASSERT_TRUE(std::filesystem::exists(driveC_ / "Morvek20" / "form1.pdf"));
}

void DesktopTest::PutMarkedMasters(const std::vector<std::string>& names)
{
    ASSERT_NO_FATAL_FAILURE(PutMasterForm());
    const std::filesystem::path folder = driveC_ / "Morvek20";
    const std::filesystem::path sample = root_ / "sample.pdf";
    std::filesystem::rename(folder / "form1.pdf", sample);
    for (const std::string& name : names) {
        ASSERT_TRUE(RunPython(kMarkMaster, {sample.string(), (folder / name).string(), Mark(name)}))
            << "pypdf could not write " << name;
    }
}

std::optional<std::string> DesktopTest::MarkOf(const std::filesystem::path& pdf)
{
    const auto fields = FormFields(pdf);
    if (!fields) {
        return std::nullopt;
    }
    const auto mark = fields->find("Text1");
    return mark != fields->end() ? std::optional<std::string>(mark->second) : std::nullopt;
}

std::optional<std::map<std::string, std::string>> DesktopTest::FormFields(const std::filesystem::path& pdf)
{
    const auto read = RunPython(kReadFields, {pdf.string()});
    if (!read) {
        return std::nullopt;
    }
    std::map<std::string, std::string> fields;
    for (const std::string& row : Split(*read, '\n')) {
        if (row.empty()) {
            continue;
        }
        const auto tab = row.find('\t');
        fields[row.substr(0, tab)] = tab == std::string::npos ? "" : row.substr(tab + 1);
    }
    return fields;
}

std::unique_ptr<Child> DesktopTest::Start(bool unprivileged)
{
    std::filesystem::path program = BuiltFile("src/quorin20");
    std::filesystem::path suppressions = std::filesystem::path(QUORIN_TEST_SOURCE_DIR) / "tests/e2e/lsan.supp";
    if (unprivileged && ::geteuid() == 0) {
        EXPECT_EQ(::chown((root_ / "runtime").c_str(), 65534, 65534), 0);
        // The checkout may lie in a folder only its owner enters: the other user runs copies.
        const auto copy = [&](std::filesystem::path& file) {
            const auto there = root_ / file.filename();
            std::filesystem::copy_file(file, there, std::filesystem::copy_options::overwrite_existing);
            file = there;
        };
        copy(program);
        copy(suppressions);
    }
    SpawnOptions options;
    options.workingFolder = work_;
    options.unprivileged = unprivileged;
    options.environment = {
        {"DISPLAY", x_->display()},
        {"QUORIN_DRIVE_C", driveC_.string()},
        {"QT_QPA_PLATFORM", "xcb"},
        {"HOME", root_.string()},
        {"XDG_DATA_HOME", (root_ / "data").string()},
        {"XDG_RUNTIME_DIR", (root_ / "runtime").string()},
        // A sanitizer build checks the program's own leaks, not those of the desktop libraries.
        {"LSAN_OPTIONS", "print_suppressions=0:suppressions=" + suppressions.string()},
    };
    options.unset = {"SESSION_MANAGER", "DBUS_SESSION_BUS_ADDRESS"};
    return std::make_unique<Child>(std::vector<std::string>{program.string()}, options);
}

WindowId DesktopTest::MainWindow()
{
    const WindowId window = xdo_->Find("PDF Form Filling");
    EXPECT_TRUE(window) << "no window \"PDF Form Filling\"";
    return window;
}

std::optional<int> DesktopTest::Close(Child& program, WindowId main)
{
    EXPECT_TRUE(xdo_->Click(main, kCloseX, kCloseY));
    return program.Wait(kExitBound);
}

void DesktopTest::Session(const std::function<void(WindowId main)>& body, bool unprivileged)
{
    program_ = Start(unprivileged);
    const WindowId main = MainWindow();
    ASSERT_TRUE(main);
    body(main);
    if (HasFatalFailure()) {
        return; // a dialog may still be up: the program is killed at tear-down
    }
    const auto status = Close(*program_, main);
    EXPECT_TRUE(ExitedWith(status, 0)) << DescribeStatus(status);
}

void DesktopTest::WhileStopped(Child& program, const std::function<void()>& send)
{
    program.Stop();
    send();
    program.Continue();
}

void DesktopTest::AddRecord(WindowId main, const Typed& typed)
{
    ASSERT_TRUE(xdo_->Keys(main, {"alt+i"}));
    const WindowId form = xdo_->Find("Record Will Be Added");
    ASSERT_TRUE(form) << "Alt+I opened no \"Record Will Be Added\"";
    ASSERT_TRUE(WaitFocus(x_->display(), form)) << "the record form did not take the keyboard";
    ASSERT_NO_FATAL_FAILURE(StoreInForm(form, typed));
    ASSERT_TRUE(WaitFocus(x_->display(), main)) << "the keyboard did not come back after the record form closed";
}

void DesktopTest::StoreInForm(WindowId form, const Typed& typed)
{
    // The focus starts in the date; the time, then the e-mail and the account follow.
    ASSERT_TRUE(xdo_->Keys(form, {"Tab", "Tab"}));
    ASSERT_TRUE(xdo_->Type(form, typed.email));
    ASSERT_TRUE(xdo_->Keys(form, {"Tab"}));
    ASSERT_TRUE(xdo_->Type(form, typed.account));
    ASSERT_TRUE(xdo_->Keys(form, {"Return"}));
    ASSERT_TRUE(WaitWindowGone(x_->display(), form)) << "Return left the form open";
}

void DesktopTest::ExpectOnScreen(WindowId window)
{
    const std::optional<Placed> g = Geometry(window);
    ASSERT_TRUE(g);
    EXPECT_GE(g->x, 0);
    EXPECT_GE(g->y, 0);
    EXPECT_LE(g->x + g->width, 1024);
    EXPECT_LE(g->y + g->height, 768);
}

void DesktopTest::ExpectListed(WindowId main)
{
    ASSERT_TRUE(xdo_->Keys(main, {"alt+c"}));
    const WindowId form = xdo_->Find("Record Will Be Changed");
    ASSERT_TRUE(form) << "the browse lists no record to change";
    ASSERT_TRUE(xdo_->Keys(form, {"alt+c"})); // "&Cancel": nothing was edited, so no question
    ASSERT_TRUE(WaitWindowGone(x_->display(), form));
}

void DesktopTest::ExpectStored(const Typed& typed)
{
    const std::vector<StoredRecord> records = StoredRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].email, typed.email);
    EXPECT_EQ(records[0].account, typed.account);
    EXPECT_GT(records[0].date, 0) << "the new record starts with today's date";
}

Written DesktopTest::WrittenOrBox(FolderWatch& watch, const std::string& box)
{
    Written outcome;
    auto shows = xdo_->Watch({box});
    while (!outcome.name && !outcome.boxed) {
        const auto ready = WaitReadable({watch.fd(), shows->OutputFd()}, kWindowBound);
        if (!ready) {
            break;
        }
        if (*ready == 1) {
            // A watch that ended without naming a window died on an X error (a window it walked
            // past went meanwhile): it watches again.
            if (shows->Output(kWindowBound).find_first_not_of(" \n") == std::string::npos) {
                shows = xdo_->Watch({box});
                continue;
            }
            outcome.boxed = true;
            break;
        }
        for (const auto& event : watch.Take()) {
            outcome.events.push_back(event);
            if (event.written && event.name.front() != '.') {
                outcome.name = event.name;
            }
        }
    }
    for (const auto& event : watch.Take()) {
        outcome.events.push_back(event);
    }
    return outcome;
}

std::optional<std::filesystem::path> DesktopTest::Shot(const std::string& name, const Image* picture)
{
    const char* folder = std::getenv("QUORIN_E2E_SHOTS");
    if (folder == nullptr || *folder == '\0') {
        return std::nullopt;
    }
    // Tests run side by side: each names its pictures after itself.
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string prefix = std::string(test->test_suite_name()) + "." + test->name() + "-";
    std::replace(prefix.begin(), prefix.end(), '/', '-');
    const auto path = std::filesystem::path(folder) / (prefix + name + ".ppm");
    const auto screen = picture != nullptr ? std::optional<Image>(*picture) : Grab(x_->display(), WindowId{});
    if (!screen || !SavePicture(*screen, path)) {
        return std::nullopt;
    }
    return path;
}

std::optional<Placed> DesktopTest::Geometry(WindowId window)
{
    const auto shell = xdo_->Run({"getwindowgeometry", "--shell", window.text()});
    if (!shell) {
        return std::nullopt;
    }
    std::map<std::string, int> g;
    for (const std::string& line : Split(*shell, '\n')) {
        if (const auto eq = line.find('='); eq != std::string::npos) {
            g[line.substr(0, eq)] = std::atoi(line.c_str() + eq + 1);
        }
    }
    return Placed{g["X"], g["Y"], g["WIDTH"], g["HEIGHT"]};
}

std::vector<StoredRecord> DesktopTest::StoredRecords()
{
    std::vector<StoredRecord> records;
    const auto output = RunPython(kReadRecords, {(work_ / "form1.tps").string()});
    EXPECT_TRUE(output) << "the data file does not read as a database";
    for (const std::string& line : Split(output.value_or(""), '\n')) {
        const std::vector<std::string> f = Split(line, '\t');
        if (f.size() < 9) {
            continue;
        }
        records.push_back({std::atoi(f[0].c_str()), std::atoi(f[1].c_str()), f[2], f[3], f[4], f[5], f[6], f[7], f[8]});
    }
    return records;
}

std::vector<std::string> DesktopTest::StoredAccounts()
{
    std::vector<std::string> accounts;
    for (const StoredRecord& record : StoredRecords()) {
        accounts.push_back(record.account);
    }
    return accounts;
}

std::vector<std::string> DesktopTest::IniSections()
{
    const auto output = RunPython(kReadIni, {(work_ / "quorin20.INI").string()});
    return output ? Split(*output, '\n') : std::vector<std::string>{};
}

} // namespace quorin::e2e
