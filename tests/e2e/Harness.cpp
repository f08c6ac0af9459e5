#include "e2e/Harness.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <system_error>
#include <utility>

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

// Titles as one alternative of xdotool's regular expressions.
std::string Pattern(const std::vector<std::string>& titles)
{
    std::string pattern;
    for (const std::string& title : titles) {
        if (!pattern.empty()) {
            pattern += '|';
        }
        pattern += Literal(title);
    }
    return pattern;
}

} // namespace

std::chrono::milliseconds Bound(std::chrono::milliseconds base)
{
    static const double factor = [] {
        const char* text = std::getenv("QUORIN_E2E_SLOWDOWN");
        const double f = text != nullptr ? std::strtod(text, nullptr) : 1.0;
        return f > 1.0 ? f : 1.0;
    }();
    return std::chrono::duration_cast<std::chrono::milliseconds>(base * factor);
}

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

void Child::Stop()
{
    if (pid_ <= 0 || status_) {
        return;
    }
    ::kill(pid_, SIGSTOP);
    // Waits for the stop, or for an end, which WNOWAIT leaves for Wait to collect.
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid_), &info, WSTOPPED | WEXITED | WNOWAIT) != 0 && errno == EINTR) {
    }
}

void Child::Continue() { Signal(SIGCONT); }

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
    const auto deadline = Clock::now() + bound;
    Child xdo(argv, options);
    std::string output = xdo.Output(bound);
    if (!ExitedWith(xdo.Wait(std::chrono::milliseconds(Remaining(deadline))), 0)) {
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
    std::vector<std::string> arguments{"search", "--sync", "--onlyvisible", "--name", "^(" + Pattern(titles) + ")$"};
    if (pid > 0) {
        // The program's own windows, by the _NET_WM_PID that Qt sets on each.
        arguments.insert(arguments.begin() + 1, {"--all", "--pid", std::to_string(pid)});
    }
    // xdotool ends on an X error when a window it walks past goes meanwhile (a box or form that
    // closed): that is no answer, so it looks again while the bound lasts.
    const auto deadline = Clock::now() + bound;
    WindowId window;
    do {
        if (const auto output = Run(arguments, std::chrono::milliseconds(Remaining(deadline)))) {
            std::istringstream lines(*output);
            lines >> window.id;
        }
    } while (!window && Remaining(deadline) > 0);
    return window;
}

bool Xdo::Focus(WindowId window) const
{
    return !focusFirst_ || Run({"windowfocus", "--sync", window.text()}).has_value();
}

bool Xdo::Keys(WindowId window, const std::vector<std::string>& keys) const
{
    std::vector<std::string> arguments{"key", "--clearmodifiers"};
    if (noDelay_) {
        arguments.insert(arguments.end(), {"--delay", "0"});
    }
    arguments.insert(arguments.end(), keys.begin(), keys.end());
    return Focus(window) && Run(arguments).has_value();
}

bool Xdo::Type(WindowId window, const std::string& text) const
{
    return Focus(window) && Run({"type", "--clearmodifiers", "--delay", noDelay_ ? "0" : "20", text}).has_value();
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
    return ClickAt(window, static_cast<int>(fx * width), static_cast<int>(fy * height));
}

bool Xdo::ClickAt(WindowId window, int x, int y, int button) const
{
    if (!Focus(window)) {
        return false;
    }
    // The move reports where it put the pointer on the screen, as the double click is judged
    // there, among the clicks one program takes (by the _NET_WM_PID of the window); the click then
    // comes from a second connection, after the move was done. --sync would wait some seconds for
    // a move to a place where the pointer already is.
    const auto moved = Run({"getwindowpid", window.text(), "mousemove", "--window", window.text(), std::to_string(x),
                            std::to_string(y), "getmouselocation", "--shell"});
    if (!moved) {
        return false;
    }
    Press press{-1, -1, button, 0};
    std::istringstream lines(*moved);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("X=", 0) == 0) {
            press.x = std::atoi(line.c_str() + 2);
        } else if (line.rfind("Y=", 0) == 0) {
            press.y = std::atoi(line.c_str() + 2);
        } else if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) {
            press.pid = std::atoi(line.c_str());
        }
    }
    constexpr int kApart = 5; // the toolkit's double-click distance, in pixels on each axis
    if (button <= 3 && lastPress_ && lastPress_->button == button && lastPress_->pid == press.pid && std::abs(press.x - lastPress_->x) <= kApart
        && std::abs(press.y - lastPress_->y) <= kApart) {
        std::fprintf(stderr, "click at (%d, %d) refused: within %d pixels of the click before, at (%d, %d), it "
                     "would join it into a double click on a fast machine\n",
                     press.x, press.y, kApart, lastPress_->x, lastPress_->y);
        return false;
    }
    if (!Run({"click", std::to_string(button)})) {
        return false;
    }
    if (button <= 3) {
        lastPress_ = press;
    }
    return true;
}

std::unique_ptr<Child> Xdo::Watch(const std::vector<std::string>& titles) const
{
    SpawnOptions options;
    options.environment["DISPLAY"] = display_;
    options.captureOutput = true;
    return std::make_unique<Child>(
        std::vector<std::string>{"xdotool", "search", "--sync", "--onlyvisible", "--name", "^(" + Pattern(titles) + ")$"},
        options);
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

namespace {

using XConnection = std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)>;
using XEvent = std::unique_ptr<xcb_generic_event_t, decltype(&std::free)>;

XConnection Connect(const std::string& display)
{
    return XConnection(xcb_connect(display.c_str(), nullptr), xcb_disconnect);
}

// The next event, waited for until the deadline; null when none came or the connection broke.
XEvent NextEvent(xcb_connection_t* x, Clock::time_point deadline)
{
    for (;;) {
        if (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
            return XEvent(event, std::free);
        }
        if (xcb_connection_has_error(x) != 0 || !Readable(xcb_get_file_descriptor(x), deadline)) {
            return XEvent(nullptr, std::free);
        }
    }
}

int EventType(const XEvent& event) { return event->response_type & 0x7F; }

xcb_window_t Root(xcb_connection_t* x) { return xcb_setup_roots_iterator(xcb_get_setup(x)).data->root; }

// Events of `mask` from the window, asked for and in force when this returns.
void Listen(xcb_connection_t* x, xcb_window_t window, std::uint32_t mask)
{
    xcb_change_window_attributes(x, window, XCB_CW_EVENT_MASK, &mask);
    std::free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr)); // a round trip
}

} // namespace

bool WaitWindowGone(const std::string& display, WindowId window, std::chrono::milliseconds bound)
{
    const XConnection x = Connect(display);
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
    while (const XEvent event = NextEvent(x.get(), deadline)) {
        if (EventType(event) == XCB_UNMAP_NOTIFY || EventType(event) == XCB_DESTROY_NOTIFY) {
            return true;
        }
    }
    return false;
}

bool WaitFocus(const std::string& display, WindowId window, std::chrono::milliseconds bound)
{
    const XConnection x = Connect(display);
    if (xcb_connection_has_error(x.get()) != 0) {
        return false;
    }
    const auto id = static_cast<xcb_window_t>(window.id);
    const xcb_window_t root = Root(x.get());
    Listen(x.get(), id, XCB_EVENT_MASK_FOCUS_CHANGE);
    const auto focused = [&] {
        std::unique_ptr<xcb_get_input_focus_reply_t, decltype(&std::free)> focus(
            xcb_get_input_focus_reply(x.get(), xcb_get_input_focus(x.get()), nullptr), std::free);
        // The focus window, then its parents up to the root.
        for (xcb_window_t at = focus ? focus->focus : XCB_NONE; at != XCB_NONE && at != root &&
                                                                at != XCB_INPUT_FOCUS_POINTER_ROOT;) {
            if (at == id) {
                return true;
            }
            std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
                xcb_query_tree_reply(x.get(), xcb_query_tree(x.get(), at), nullptr), std::free);
            at = tree ? tree->parent : XCB_NONE;
        }
        return false;
    };
    const auto deadline = Clock::now() + bound;
    if (focused()) {
        return true;
    }
    while (const XEvent event = NextEvent(x.get(), deadline)) {
        if (EventType(event) == XCB_FOCUS_IN && focused()) {
            return true;
        }
    }
    return false;
}

bool WaitForWindowManager(const std::string& display, std::chrono::milliseconds bound)
{
    const XConnection x = Connect(display);
    if (xcb_connection_has_error(x.get()) != 0) {
        return false;
    }
    const xcb_window_t root = Root(x.get());
    const xcb_atom_t check = Atom(x.get(), "_NET_SUPPORTING_WM_CHECK");
    Listen(x.get(), root, XCB_EVENT_MASK_PROPERTY_CHANGE);
    // A manager that ended leaves its name behind (openbox does): the window named must still be.
    const auto named = [&] {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(x.get(), xcb_get_property(x.get(), 0, root, check, XCB_ATOM_WINDOW, 0, 1), nullptr),
            std::free);
        if (!reply || xcb_get_property_value_length(reply.get()) < static_cast<int>(sizeof(xcb_window_t))) {
            return false;
        }
        const xcb_window_t support = *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
        std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> alive(
            xcb_get_window_attributes_reply(x.get(), xcb_get_window_attributes(x.get(), support), nullptr), std::free);
        return alive != nullptr;
    };
    const auto deadline = Clock::now() + bound;
    if (named()) {
        return true;
    }
    while (const XEvent event = NextEvent(x.get(), deadline)) {
        if (EventType(event) == XCB_PROPERTY_NOTIFY &&
            reinterpret_cast<const xcb_property_notify_event_t*>(event.get())->atom == check && named()) {
            return true;
        }
    }
    return false;
}

namespace {

// Tells one who asks for the clipboard while this process holds it that there is nothing.
void Refuse(xcb_connection_t* x, const xcb_selection_request_event_t& request)
{
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = XCB_ATOM_NONE;
    xcb_send_event(x, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&notify));
    xcb_flush(x);
}

} // namespace

std::optional<std::string> CopiedText(const std::string& display, const std::function<bool()>& copy,
                                      std::chrono::milliseconds bound)
{
    const XConnection connection = Connect(display);
    xcb_connection_t* x = connection.get();
    if (xcb_connection_has_error(x) != 0) {
        return std::nullopt;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const xcb_window_t own = xcb_generate_id(x);
    xcb_create_window(x, XCB_COPY_FROM_PARENT, own, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      screen->root_visual, 0, nullptr);
    const xcb_atom_t clipboard = Atom(x, "CLIPBOARD");
    const xcb_atom_t utf8 = Atom(x, "UTF8_STRING");
    const xcb_atom_t into = Atom(x, "QUORIN_E2E_COPIED");
    xcb_set_selection_owner(x, own, clipboard, XCB_CURRENT_TIME);
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(x, xcb_get_selection_owner(x, clipboard), nullptr), std::free);
    if (!owner || owner->owner != own || !copy()) {
        return std::nullopt;
    }
    // The copy takes the clipboard from this process: then it holds the text.
    const auto deadline = Clock::now() + bound;
    for (bool taken = false; !taken;) {
        const XEvent event = NextEvent(x, deadline);
        if (!event) {
            return std::nullopt;
        }
        if (EventType(event) == XCB_SELECTION_CLEAR) {
            taken = reinterpret_cast<const xcb_selection_clear_event_t*>(event.get())->selection == clipboard;
        } else if (EventType(event) == XCB_SELECTION_REQUEST) {
            Refuse(x, *reinterpret_cast<const xcb_selection_request_event_t*>(event.get()));
        }
    }
    xcb_convert_selection(x, own, clipboard, utf8, into, XCB_CURRENT_TIME);
    xcb_flush(x);
    while (const XEvent event = NextEvent(x, deadline)) {
        if (EventType(event) != XCB_SELECTION_NOTIFY) {
            continue;
        }
        if (reinterpret_cast<const xcb_selection_notify_event_t*>(event.get())->property == XCB_ATOM_NONE) {
            return std::nullopt;
        }
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(x, xcb_get_property(x, 1, own, into, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 16), nullptr),
            std::free);
        if (!reply) {
            return std::nullopt;
        }
        return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                           static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
    }
    return std::nullopt;
}

bool Repainted(const std::string& display, WindowId window, Area area, std::chrono::milliseconds bound)
{
    const XConnection connection = Connect(display);
    xcb_connection_t* x = connection.get();
    if (xcb_connection_has_error(x) != 0) {
        return false;
    }
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(x, &xcb_damage_id);
    if (damage == nullptr || damage->present == 0) {
        return false;
    }
    std::free(xcb_damage_query_version_reply(x, xcb_damage_query_version(x, 1, 1), nullptr));
    const auto id = static_cast<xcb_window_t>(window.id);
    xcb_damage_create(x, xcb_generate_id(x), id, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    // A new damage object reports the whole window at once: what came before the round trip's
    // reply is that, and goes.
    std::free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr));
    while (xcb_generic_event_t* initial = xcb_poll_for_queued_event(x)) {
        std::free(initial);
    }
    // A sent expose: the program draws the area, the server paints nothing of its own there.
    xcb_expose_event_t expose{};
    expose.response_type = XCB_EXPOSE;
    expose.window = id;
    expose.x = static_cast<std::uint16_t>(area.x);
    expose.y = static_cast<std::uint16_t>(area.y);
    expose.width = static_cast<std::uint16_t>(area.width);
    expose.height = static_cast<std::uint16_t>(area.height);
    xcb_send_event(x, 0, id, XCB_EVENT_MASK_EXPOSURE, reinterpret_cast<const char*>(&expose));
    xcb_flush(x);
    // Drawn in one piece, or in several when the program draws more with it. Whatever it draws from
    // now on it drew after all it had done before this call.
    std::vector<bool> drawn(static_cast<std::size_t>(area.width) * area.height);
    std::size_t left = drawn.size();
    const auto deadline = Clock::now() + bound;
    while (left > 0) {
        const XEvent event = NextEvent(x, deadline);
        if (!event) {
            return false;
        }
        const auto* notify = reinterpret_cast<const xcb_damage_notify_event_t*>(event.get());
        if (EventType(event) != damage->first_event + XCB_DAMAGE_NOTIFY || notify->drawable != id) {
            continue;
        }
        const xcb_rectangle_t& r = notify->area;
        for (int y = std::max<int>(r.y, area.y); y < std::min(r.y + r.height, area.y + area.height); ++y) {
            for (int x0 = std::max<int>(r.x, area.x); x0 < std::min(r.x + r.width, area.x + area.width); ++x0) {
                const std::size_t at = static_cast<std::size_t>(y - area.y) * area.width + (x0 - area.x);
                left -= drawn[at] ? 0 : 1;
                drawn[at] = true;
            }
        }
    }
    return true;
}

struct PopupWatch::Connection {
    XConnection x{nullptr, xcb_disconnect};
};

PopupWatch::PopupWatch(const std::string& display) : x_(std::make_unique<Connection>())
{
    x_->x = Connect(display);
    if (xcb_connection_has_error(x_->x.get()) == 0) {
        Listen(x_->x.get(), Root(x_->x.get()), XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    }
}

PopupWatch::~PopupWatch() = default;

bool PopupWatch::Wait(std::chrono::milliseconds bound)
{
    const auto deadline = Clock::now() + bound;
    while (const XEvent event = NextEvent(x_->x.get(), deadline)) {
        if (EventType(event) == XCB_MAP_NOTIFY &&
            reinterpret_cast<const xcb_map_notify_event_t*>(event.get())->override_redirect != 0) {
            return true;
        }
    }
    return false;
}

std::optional<Image> Grab(const std::string& display, WindowId window)
{
    const XConnection x = Connect(display);
    if (xcb_connection_has_error(x.get()) != 0) {
        return std::nullopt;
    }
    const auto id = window ? static_cast<xcb_window_t>(window.id) : Root(x.get());
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
        xcb_get_geometry_reply(x.get(), xcb_get_geometry(x.get(), id), nullptr), std::free);
    if (!geometry) {
        return std::nullopt;
    }
    std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(
        xcb_get_image_reply(x.get(),
                            xcb_get_image(x.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, id, 0, 0, geometry->width,
                                          geometry->height, ~0u),
                            nullptr),
        std::free);
    Image image{geometry->width, geometry->height, {}};
    const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    // Xvfb's 24-bit screen: four bytes a pixel, blue first.
    if (!reply || static_cast<std::size_t>(xcb_get_image_data_length(reply.get())) != count * 4) {
        return std::nullopt;
    }
    const std::uint8_t* data = xcb_get_image_data(reply.get());
    image.pixels.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        image.pixels[i] = static_cast<std::uint32_t>(data[4 * i + 2]) << 16 |
                          static_cast<std::uint32_t>(data[4 * i + 1]) << 8 | data[4 * i];
    }
    return image;
}

bool SavePicture(const Image& image, const std::filesystem::path& path)
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << image.width << ' ' << image.height << "\n255\n";
    for (const std::uint32_t pixel : image.pixels) {
        const char rgb[3] = {static_cast<char>(pixel >> 16), static_cast<char>(pixel >> 8), static_cast<char>(pixel)};
        out.write(rgb, 3);
    }
    return static_cast<bool>(out);
}

FolderWatch::FolderWatch(const std::filesystem::path& folder)
{
    fd_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (fd_ >= 0) {
        ::inotify_add_watch(fd_, folder.c_str(), IN_OPEN | IN_CLOSE_WRITE | IN_MOVED_TO);
    }
}

FolderWatch::~FolderWatch()
{
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void FolderWatch::Drain()
{
    alignas(inotify_event) std::array<char, 8192> buffer{};
    for (;;) {
        const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
        if (n <= 0) {
            return;
        }
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + at);
            if (event->len > 0 && (event->mask & IN_ISDIR) == 0) {
                events_.push_back({event->name, (event->mask & IN_OPEN) != 0,
                                   (event->mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) != 0});
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

std::vector<FolderWatch::Event> FolderWatch::Take()
{
    Drain();
    return std::exchange(events_, {});
}

std::optional<std::size_t> WaitReadable(const std::vector<int>& fds, std::chrono::milliseconds bound)
{
    std::vector<pollfd> polled;
    for (int fd : fds) {
        polled.push_back({fd, POLLIN, 0});
    }
    const auto deadline = Clock::now() + bound;
    for (;;) {
        const int n = ::poll(polled.data(), polled.size(), Remaining(deadline));
        if (n > 0) {
            for (std::size_t i = 0; i < polled.size(); ++i) {
                if (polled[i].revents != 0) {
                    return i;
                }
            }
        }
        if (n == 0 || (n < 0 && errno != EINTR)) {
            return std::nullopt;
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
