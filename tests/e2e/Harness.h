#pragma once
// The real program under a real X server, driven as a person drives it. Each test gets its own
// Xvfb on a free display, a scratch working folder and a scratch folder for drive C; everything
// started is ended again by its process id. Every wait is for an event (a pipe, a process that
// ends, a window that maps or goes, a file that appears); the bounds only guard against a hang.
#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorin::e2e {

using namespace std::chrono_literals;

// Guards: long enough for a sanitizer build on a loaded machine.
inline constexpr std::chrono::milliseconds kWindowBound = 90s;
inline constexpr std::chrono::milliseconds kExitBound = 120s;

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
    // Everything the child wrote to its stdout up to its end (captureOutput).
    std::string Output(std::chrono::milliseconds bound);
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
    std::string Name(WindowId window) const;

    // Runs xdotool with these arguments; its output, or nothing when it failed.
    std::optional<std::string> Run(const std::vector<std::string>& arguments,
                                   std::chrono::milliseconds bound = kWindowBound) const;

private:
    bool Focus(WindowId window) const;
    WindowId Search(const std::vector<std::string>& titles, std::chrono::milliseconds bound, pid_t pid) const;
    std::string display_;
};

// What a window manager sends when the user clicks the window's close box (WM_DELETE_WINDOW).
bool PressCloseBox(const std::string& display, WindowId window);

// Waits until the window is unmapped or destroyed (X events, not polling).
bool WaitWindowGone(const std::string& display, WindowId window, std::chrono::milliseconds bound = kWindowBound);

// Waits until `path` exists, watching its folder.
bool WaitForFile(const std::filesystem::path& path, std::chrono::milliseconds bound = kWindowBound);

// A python3 that has pypdf (the one on PATH, else the system's).
std::string Python();
// Runs a python program with arguments; its stdout, or nothing when it failed.
std::optional<std::string> RunPython(const std::string& program, const std::vector<std::string>& arguments);

} // namespace quorin::e2e
