#pragma once
// The real program under a real X server, driven as a person drives it. Each test gets its own
// Xvfb on a free display, a scratch working folder and a scratch folder for drive C; everything
// started is ended again by its process id. Every wait is for an event (a pipe, a process that
// ends, a window that maps, takes the keyboard or goes, a file that appears, a window the program
// drew again); the bounds only guard against a hang.
#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorin::e2e {

using namespace std::chrono_literals;

// Bounds only guard against a hang; each is scaled by QUORIN_E2E_SLOWDOWN (a factor, 1 when unset),
// which a slow machine or a sanitizer build raises.
std::chrono::milliseconds Bound(std::chrono::milliseconds base);
inline const std::chrono::milliseconds kWindowBound = Bound(90s);
inline const std::chrono::milliseconds kExitBound = Bound(120s);

struct SpawnOptions {
    std::filesystem::path workingFolder;           // empty: the caller's
    std::map<std::string, std::string> environment; // set over the caller's environment
    std::vector<std::string> unset;                 // removed from it
    bool captureOutput = false;                     // stdout into a pipe
    bool unprivileged = false;                      // as the user 65534 when this process is root
    int keepFd = -1;                                // one descriptor the child keeps open
    bool quiet = false;                             // stderr to /dev/null
};

// A child process, ended (SIGKILL) and reaped when the object goes and it still runs.
class Child {
public:
    Child(const std::vector<std::string>& argv, const SpawnOptions& options = {});
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // The wait status once the process ended within the bound; nothing when it still runs. The
    // process's resource use (its peak memory) goes to `usage` when given.
    std::optional<int> Wait(std::chrono::milliseconds bound, rusage* usage = nullptr);
    void Signal(int signal);
    // SIGSTOP, returning once the process is stopped (or ended): input sent meanwhile waits in
    // its queue. Continue sends SIGCONT.
    void Stop();
    void Continue();
    // Everything the child wrote to its stdout up to its end (captureOutput).
    std::string Output(std::chrono::milliseconds bound);
    // The read end of its stdout (captureOutput), to wait on beside other descriptors.
    int OutputFd() const { return out_; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int pidfd_ = -1;
    int out_ = -1;
    std::optional<int> status_;
};

// "exited 0", "killed by 9", for messages.
std::string DescribeStatus(std::optional<int> status);
bool ExitedWith(std::optional<int> status, int code);

// Xvfb on a display it picks itself (-displayfd).
class XServer {
public:
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    const std::string& display() const { return display_; }
    bool ok() const { return !display_.empty(); }

private:
    std::unique_ptr<Child> server_;
    std::string display_;
};

// One top-level window as xdotool finds it.
struct WindowId {
    unsigned long id = 0;
    explicit operator bool() const { return id != 0; }
    std::string text() const { return std::to_string(id); }
};

// xdotool on one display.
class Xdo {
public:
    explicit Xdo(std::string display) : display_(std::move(display)) {}

    // The visible window whose whole title is one of `titles`, waited for; 0 when none came in
    // the bound.
    WindowId FindAny(const std::vector<std::string>& titles, std::chrono::milliseconds bound = kWindowBound) const;
    WindowId Find(const std::string& title, std::chrono::milliseconds bound = kWindowBound) const
    {
        return FindAny({title}, bound);
    }
    // The same among the windows of one program, when several show windows of the same title.
    WindowId FindOf(const Child& program, const std::string& title, std::chrono::milliseconds bound = kWindowBound) const
    {
        return Search({title}, bound, program.pid());
    }
    // Gives the window the keyboard, then presses the keys (xdotool key names, e.g. "alt+t").
    bool Keys(WindowId window, const std::vector<std::string>& keys) const;
    bool Type(WindowId window, const std::string& text) const;
    // A left click at a point given as fractions of the window's width and height.
    bool Click(WindowId window, double fx, double fy) const;
    // A click of `button` (1 left, 3 right, 4 and 5 the wheel) at a point of the window, in pixels.
    // A left, middle or right click as near the one before of its button as a double click takes
    // in the same program is refused (false, and says why): two clicks a test means as single ones
    // join into a double click on a machine fast enough, so it must make them at places apart.
    bool ClickAt(WindowId window, int x, int y, int button = 1) const;
    std::string Name(WindowId window) const;
    // Whether Keys, Type and Click first give the window the keyboard (on by default). A test that
    // drives the program as a person does turns it off: keys then go where the program and the
    // window manager put the focus, and a lost keyboard shows.
    void FocusFirst(bool on) { focusFirst_ = on; }
    // Whether Keys and Type send their keys with no pause between them (off by default).
    void NoDelay(bool on) { noDelay_ = on; }
    // A search for a visible window with one of the titles, left running: its output turns
    // readable when one shows, so a test can wait for it beside other events.
    std::unique_ptr<Child> Watch(const std::vector<std::string>& titles) const;

    // Runs xdotool with these arguments; its output, or nothing when it failed.
    std::optional<std::string> Run(const std::vector<std::string>& arguments,
                                   std::chrono::milliseconds bound = kWindowBound) const;

private:
    bool Focus(WindowId window) const;
    WindowId Search(const std::vector<std::string>& titles, std::chrono::milliseconds bound, pid_t pid) const;
    std::string display_;
    bool focusFirst_ = true;
    bool noDelay_ = false;
    struct Press {
        int x, y, button; // on the screen
        pid_t pid;        // of the program whose window took it
    };
    mutable std::optional<Press> lastPress_;
};

// What happens to the files of one folder, as inotify reports it: which were opened and which
// were written (closed after writing or renamed into place).
class FolderWatch {
public:
    explicit FolderWatch(const std::filesystem::path& folder);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    struct Event {
        std::string name;
        bool opened = false;
        bool written = false;
    };
    int fd() const { return fd_; }
    // Reads what is pending, without waiting.
    void Drain();
    // Everything read since the last Take.
    std::vector<Event> Take();

private:
    int fd_ = -1;
    std::vector<Event> events_;
};

// Waits until one of the descriptors turns readable; its index, or nothing when the bound passed.
std::optional<std::size_t> WaitReadable(const std::vector<int>& fds, std::chrono::milliseconds bound);

// Waits until a window manager runs on the display (it names itself on the root window).
bool WaitForWindowManager(const std::string& display, std::chrono::milliseconds bound = kWindowBound);

// The text that `copy` puts on the clipboard (for example Ctrl+A and Ctrl+C in an entry): this
// process owns the clipboard first, so the new owner's arrival is an event to wait for.
std::optional<std::string> CopiedText(const std::string& display, const std::function<bool()>& copy,
                                      std::chrono::milliseconds bound = kWindowBound);

// Popup windows (override-redirect, as menus are) mapped on the display from construction on.
class PopupWatch {
public:
    explicit PopupWatch(const std::string& display);
    ~PopupWatch();
    PopupWatch(const PopupWatch&) = delete;
    PopupWatch& operator=(const PopupWatch&) = delete;
    bool Wait(std::chrono::milliseconds bound = kWindowBound);

private:
    struct Connection;
    std::unique_ptr<Connection> x_;
};

// A window's pixels as 0xRRGGBB.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
// The window's pixels; with no window, the whole screen's.
std::optional<Image> Grab(const std::string& display, WindowId window);

// A rectangle of a window, in pixels.
struct Area {
    int x = 0, y = 0, width = 0, height = 0;
};
// Exposes `area` of the window and waits until the program drew all of it again (X DAMAGE): the
// expose is answered once the program handled what came before it, with whatever drawing it still
// owed. A picture of the area taken then shows what the program did up to the call.
bool Repainted(const std::string& display, WindowId window, Area area,
               std::chrono::milliseconds bound = kWindowBound);
// The picture as a binary PPM file, for a person to look at.
bool SavePicture(const Image& image, const std::filesystem::path& path);

// What a window manager sends when the user clicks the window's close box (WM_DELETE_WINDOW).
bool PressCloseBox(const std::string& display, WindowId window);

// Waits until the window is unmapped or destroyed (X events, not polling).
bool WaitWindowGone(const std::string& display, WindowId window, std::chrono::milliseconds bound = kWindowBound);

// Waits until the window (or one inside it) has the keyboard focus (X events, not polling).
bool WaitFocus(const std::string& display, WindowId window, std::chrono::milliseconds bound = kWindowBound);

// Waits until `path` exists, watching its folder.
bool WaitForFile(const std::filesystem::path& path, std::chrono::milliseconds bound = kWindowBound);

// A python3 that has pypdf (the one on PATH, else the system's).
std::string Python();
// Runs a python program with arguments; its stdout, or nothing when it failed.
std::optional<std::string> RunPython(const std::string& program, const std::vector<std::string>& arguments);

} // namespace quorin::e2e
