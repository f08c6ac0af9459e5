#include "e2e/Harness.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <system_error>

extern char** environ;

namespace quorin::e2e {

namespace {

using Clock = std::chrono::steady_clock;

int Remaining(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits until the descriptor is readable or the deadline passes.
bool Readable(int fd, Clock::time_point deadline)
{
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int n = ::poll(&p, 1, Remaining(deadline));
        if (n > 0) {
            return true;
        }
        if (n == 0 || errno != EINTR) {
            return false;
        }
    }
}

std::vector<std::string> Environment(const SpawnOptions& options)
{
    std::map<std::string, std::string> merged;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const auto eq = entry.find('=');
        if (eq != std::string::npos) {
            merged[entry.substr(0, eq)] = entry.substr(eq + 1);
        }
    }
    for (const std::string& name : options.unset) {
        merged.erase(name);
    }
    for (const auto& [name, value] : options.environment) {
        merged[name] = value;
    }
    std::vector<std::string> result;
    for (const auto& [name, value] : merged) {
        result.push_back(name + "=" + value);
    }
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts)
{
    std::vector<char*> result;
    for (std::string& t : texts) {
        result.push_back(t.data());
    }
    result.push_back(nullptr);
    return result;
}

// Escapes a title for xdotool's regular expressions.
std::string Literal(const std::string& text)
{
    std::string result;
    for (char c : text) {
        if (std::strchr("\\^$.|?*+()[]{}", c) != nullptr) {
            result += '\\';
        }
        result += c;
    }
    return result;
}

} // namespace

Child::Child(const std::vector<std::string>& argv, const SpawnOptions& options)
{
    // Everything the child needs is made before the fork: only async-signal-safe calls follow.
    std::vector<std::string> args = argv;
    std::vector<std::string> env = Environment(options);
    std::vector<char*> argp = Pointers(args);
    std::vector<char*> envp = Pointers(env);
    const std::string folder = options.workingFolder.string();
    const bool drop = options.unprivileged && ::geteuid() == 0;
    int pipeFds[2] = {-1, -1};
    if (options.captureOutput && ::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return;
    }
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(devNull, 0);
        if (options.captureOutput) {
            ::dup2(pipeFds[1], 1);
        }
        if (options.quiet) {
            ::dup2(devNull, 2);
        }
        if (options.keepFd >= 0) {
            ::fcntl(options.keepFd, F_SETFD, 0);
        }
        if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
            ::_exit(126);
        }
        if (drop && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(126);
        }
        ::execvpe(argp[0], argp.data(), envp.data());
        ::_exit(127);
    }
    if (devNull >= 0) {
        ::close(devNull);
    }
    if (options.captureOutput) {
        ::close(pipeFds[1]);
        out_ = pipeFds[0];
    }
    if (pid_ > 0) {
        // Waits are for the process descriptor to turn readable; every kernel since 5.3 has one.
        pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
        if (pidfd_ < 0) {
            const int error = errno;
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
            throw std::system_error(error, std::generic_category(), "pidfd_open");
        }
    }
}

Child::~Child()
{
    if (pid_ > 0 && !status_) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    if (pidfd_ >= 0) {
        ::close(pidfd_);
    }
    if (out_ >= 0) {
        ::close(out_);
    }
}

std::optional<int> Child::Wait(std::chrono::milliseconds bound, rusage* usage)
{
    if (status_ || pid_ <= 0) {
        return status_;
    }
    // The process descriptor becomes readable when the process ends.
    int status = 0;
    if (Readable(pidfd_, Clock::now() + bound) && ::wait4(pid_, &status, 0, usage) == pid_) {
        status_ = status;
    }
    return status_;
}

void Child::Signal(int signal)
{
    if (pid_ > 0 && !status_) {
        ::kill(pid_, signal);
    }
}

std::string Child::Output(std::chrono::milliseconds bound)
{
    std::string text;
    const auto deadline = Clock::now() + bound;
    while (out_ >= 0 && Readable(out_, deadline)) {
        std::array<char, 4096> buffer{};
        const ssize_t n = ::read(out_, buffer.data(), buffer.size());
        if (n <= 0) {
            break;
        }
        text.append(buffer.data(), static_cast<std::size_t>(n));
    }
    return text;
}

std::string DescribeStatus(std::optional<int> status)
{
    if (!status) {
        return "still running";
    }
    if (WIFEXITED(*status)) {
        return "exited " + std::to_string(WEXITSTATUS(*status));
    }
    if (WIFSIGNALED(*status)) {
        return "killed by signal " + std::to_string(WTERMSIG(*status));
    }
    return "status " + std::to_string(*status);
}

bool ExitedWith(std::optional<int> status, int code)
{
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == code;
}

XServer::XServer()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return;
    }
    SpawnOptions options;
    options.keepFd = fds[1];
    options.quiet = true;
    // -noreset: the server stays as it is when its last client goes, so a window id stays valid.
    server_ = std::make_unique<Child>(std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(fds[1]),
                                                               "-nolisten", "tcp", "-noreset", "-screen", "0", "1024x768x24"},
                                      options);
    ::close(fds[1]);
    // The server writes its display number once it takes connections.
    std::string number;
    const auto deadline = Clock::now() + kWindowBound;
    while (number.find('\n') == std::string::npos && Readable(fds[0], deadline)) {
        char c = 0;
        if (::read(fds[0], &c, 1) != 1) {
            break;
        }
        number += c;
    }
    ::close(fds[0]);
    if (number.find('\n') != std::string::npos) {
        display_ = ':';
        display_ += number.substr(0, number.find('\n'));
    }
}

XServer::~XServer()
{
    if (server_) {
        server_->Signal(SIGTERM);
        if (!server_->Wait(kExitBound)) {
            server_->Signal(SIGKILL);
        }
    }
}

std::optional<std::string> Xdo::Run(const std::vector<std::string>& arguments, std::chrono::milliseconds bound) const
{
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    SpawnOptions options;
    options.environment["DISPLAY"] = display_;
    options.captureOutput = true;
    Child xdo(argv, options);
    std::string output = xdo.Output(bound);
    if (!ExitedWith(xdo.Wait(bound), 0)) {
        return std::nullopt; // the destructor ends one that hangs
    }
    return output;
}

WindowId Xdo::FindAny(const std::vector<std::string>& titles, std::chrono::milliseconds bound) const
{
    return Search(titles, bound, 0);
}

WindowId Xdo::Search(const std::vector<std::string>& titles, std::chrono::milliseconds bound, pid_t pid) const
{
    std::string pattern;
    for (const std::string& title : titles) {
        if (!pattern.empty()) {
            pattern += '|';
        }
        pattern += Literal(title);
    }
    std::vector<std::string> arguments{"search", "--sync", "--onlyvisible", "--name", "^(" + pattern + ")$"};
    if (pid > 0) {
        // The program's own windows, by the _NET_WM_PID that Qt sets on each.
        arguments.insert(arguments.begin() + 1, {"--all", "--pid", std::to_string(pid)});
    }
    const auto output = Run(arguments, bound);
    WindowId window;
    if (output) {
        std::istringstream lines(*output);
        lines >> window.id;
    }
    return window;
}

bool Xdo::Focus(WindowId window) const { return Run({"windowfocus", "--sync", window.text()}).has_value(); }

bool Xdo::Keys(WindowId window, const std::vector<std::string>& keys) const
{
    std::vector<std::string> arguments{"key", "--clearmodifiers"};
    arguments.insert(arguments.end(), keys.begin(), keys.end());
    return Focus(window) && Run(arguments).has_value();
}

bool Xdo::Type(WindowId window, const std::string& text) const
{
    return Focus(window) && Run({"type", "--clearmodifiers", "--delay", "20", text}).has_value();
}

bool Xdo::Click(WindowId window, double fx, double fy) const
{
    const auto geometry = Run({"getwindowgeometry", "--shell", window.text()});
    if (!geometry) {
        return false;
    }
    int width = 0;
    int height = 0;
    std::istringstream lines(*geometry);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("WIDTH=", 0) == 0) {
            width = std::atoi(line.c_str() + 6);
        } else if (line.rfind("HEIGHT=", 0) == 0) {
            height = std::atoi(line.c_str() + 7);
        }
    }
    if (width <= 0 || height <= 0) {
        return false;
    }
    const int x = static_cast<int>(fx * width);
    const int y = static_cast<int>(fy * height);
    return Focus(window) &&
           Run({"mousemove", "--sync", "--window", window.text(), std::to_string(x), std::to_string(y), "click", "1"})
               .has_value();
}

std::string Xdo::Name(WindowId window) const
{
    auto name = Run({"getwindowname", window.text()});
    if (!name) {
        return {};
    }
    while (!name->empty() && name->back() == '\n') {
        name->pop_back();
    }
    return *name;
}

namespace {

xcb_atom_t Atom(xcb_connection_t* x, const char* name)
{
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr),
        std::free);
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

} // namespace

bool PressCloseBox(const std::string& display, WindowId window)
{
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> x(xcb_connect(display.c_str(), nullptr),
                                                                    xcb_disconnect);
    if (xcb_connection_has_error(x.get()) != 0) {
        return false;
    }
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(window.id);
    message.type = Atom(x.get(), "WM_PROTOCOLS");
    message.data.data32[0] = Atom(x.get(), "WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    const xcb_void_cookie_t sent = xcb_send_event_checked(x.get(), 0, message.window, XCB_EVENT_MASK_NO_EVENT,
                                                          reinterpret_cast<const char*>(&message));
    std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(xcb_request_check(x.get(), sent), std::free);
    return error == nullptr;
}

bool WaitWindowGone(const std::string& display, WindowId window, std::chrono::milliseconds bound)
{
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> x(xcb_connect(display.c_str(), nullptr),
                                                                    xcb_disconnect);
    if (xcb_connection_has_error(x.get()) != 0) {
        return false;
    }
    const auto id = static_cast<xcb_window_t>(window.id);
    // Ask for its structure events first, then look at it: an unmap in between is not missed.
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(x.get(), id, XCB_CW_EVENT_MASK, &mask);
    std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
        xcb_get_window_attributes_reply(x.get(), xcb_get_window_attributes(x.get(), id), nullptr), std::free);
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) {
        return true;
    }
    const auto deadline = Clock::now() + bound;
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(x.get())) {
            const int type = event->response_type & 0x7F;
            std::free(event);
            if (type == XCB_UNMAP_NOTIFY || type == XCB_DESTROY_NOTIFY) {
                return true;
            }
        }
        if (xcb_connection_has_error(x.get()) != 0 || !Readable(xcb_get_file_descriptor(x.get()), deadline)) {
            return false;
        }
    }
}

bool WaitForFile(const std::filesystem::path& path, std::chrono::milliseconds bound)
{
    const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (watch < 0) {
        return false;
    }
    ::inotify_add_watch(watch, path.parent_path().c_str(), IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE);
    const auto deadline = Clock::now() + bound;
    bool found = false;
    for (;;) {
        std::error_code ec;
        if (std::filesystem::exists(path, ec)) {
            found = true;
            break;
        }
        if (!Readable(watch, deadline)) {
            break;
        }
        std::array<char, 4096> events{};
        while (::read(watch, events.data(), events.size()) > 0) {
        }
    }
    ::close(watch);
    return found;
}

std::string Python()
{
    static const std::string python = [] {
        Child probe({"python3", "-c", "import pypdf"}, SpawnOptions{.quiet = true});
        return ExitedWith(probe.Wait(kExitBound), 0) ? std::string("python3") : std::string("/usr/bin/python3");
    }();
    return python;
}

std::optional<std::string> RunPython(const std::string& program, const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv{Python(), "-c", program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    SpawnOptions options;
    options.captureOutput = true;
    Child python(argv, options);
    std::string output = python.Output(kExitBound);
    if (!ExitedWith(python.Wait(kExitBound), 0)) {
        return std::nullopt;
    }
    return output;
}

} // namespace quorin::e2e
