// The program and a window manager started at the same moment, as a session's start-up script
// does. The manager is held at a known point of its start (after it took the root, before it read
// what came meanwhile): its configuration file is a pipe the test fills only once the program made
// its window and asked for it to be shown. The map request then reaches the manager while it starts.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "e2e/ProgramFixture.h"

namespace quorin::e2e {
namespace {

namespace fs = std::filesystem;

class WindowManagerStartTest : public DesktopTest {
protected:
    // openbox, held before it reads its configuration (the desktop's own, given through a pipe).
    // The pipe is opened here for reading and writing, so the manager's open does not wait and
    // its read does until Release.
    void StartHeldWindowManager()
    {
        const fs::path folder = root_ / "config" / "openbox";
        fs::create_directories(folder);
        const fs::path config = folder / "rc.xml";
        fs::remove(config);
        ASSERT_EQ(::mkfifo(config.c_str(), 0600), 0);
        held_ = ::open(config.c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(held_, 0);
        ASSERT_NO_FATAL_FAILURE(StartWindowManager()); // returns once it took the root
    }
    void Release()
    {
        std::ifstream in("/etc/xdg/openbox/rc.xml", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf(); // empty when the desktop has none: openbox then takes its defaults
        const std::string bytes = text.str();
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::write(held_, bytes.data() + done, bytes.size() - done);
            ASSERT_GT(n, 0);
            done += static_cast<std::size_t>(n);
        }
        ::close(held_);
        held_ = -1;
    }
    void TearDown() override
    {
        if (held_ >= 0) {
            ::close(held_);
        }
        DesktopTest::TearDown();
    }

    int held_ = -1;
};

// Five starts without a stored place and five with one: each time the window shows, takes the
// keyboard, and a key typed into it acts (F1 opens the help box).
TEST_F(WindowManagerStartTest, TheWindowShowsWhenTheWindowManagerStartsMeanwhile)
{
    PutMasterForm();
    for (const bool placed : {false, true}) {
        for (int run = 1; run <= 5; ++run) {
            SCOPED_TRACE(std::string(placed ? "with" : "without") + " a stored place, start " + std::to_string(run));
            fs::remove(work_ / "quorin20.INI");
            if (placed) {
                std::ofstream(work_ / "quorin20.INI") << "[Main]\nMaximize=0\nMinimize=0\nXPos=40\nYPos=30\n";
            }
            ASSERT_NO_FATAL_FAILURE(StartHeldWindowManager());
            auto program = Start();
            // The window is made and asked to show in one step of the program.
            ASSERT_TRUE(xdo_->Run({"search", "--sync", "--name", "^PDF Form Filling$"}, kWindowBound))
                << "the program made no window";
            ASSERT_NO_FATAL_FAILURE(Release());

            const WindowId main = MainWindow();
            ASSERT_TRUE(main) << "the window was made but never shown";
            ASSERT_TRUE(WaitFocus(x_->display(), main)) << "the window did not take the keyboard";
            Shot(std::string(placed ? "placed-" : "unplaced-") + std::to_string(run));
            xdo_->FocusFirst(false);
            ASSERT_TRUE(xdo_->Keys(main, {"F1"}));
            const WindowId help = xdo_->Find("Help");
            ASSERT_TRUE(help) << "F1 typed into the window did nothing";
            ASSERT_TRUE(xdo_->Keys(help, {"Return"}));
            ASSERT_TRUE(WaitWindowGone(x_->display(), help));
            xdo_->FocusFirst(true);

            const auto status = Close(*program, main);
            ASSERT_TRUE(ExitedWith(status, 0)) << DescribeStatus(status);
            // The next start has a manager of its own; one ended by SIGTERM takes its name off the root.
            windowManager_->Signal(SIGTERM);
            ASSERT_TRUE(windowManager_->Wait(kExitBound)) << "openbox did not end";
            windowManager_.reset();
        }
    }
}

} // namespace
} // namespace quorin::e2e
