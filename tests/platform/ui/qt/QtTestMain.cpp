// The Qt tests need a QApplication before the first test and run the real widgets without a
// display unless one is asked for. A watchdog ends the run when one test hangs (a modal dialog
// that no step answers would otherwise block CI until its own time limit).
#include <QApplication>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

class Watchdog : public testing::EmptyTestEventListener {
public:
    explicit Watchdog(std::chrono::seconds limit) : limit_(limit), thread_([this] { Watch(); }) {}
    ~Watchdog() override
    {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }

    void OnTestStart(const testing::TestInfo& info) override
    {
        std::lock_guard lock(mutex_);
        current_ = std::string(info.test_suite_name()) + "." + info.name();
        deadline_ = std::chrono::steady_clock::now() + limit_;
        running_ = true;
        wake_.notify_all();
    }
    void OnTestEnd(const testing::TestInfo&) override
    {
        std::lock_guard lock(mutex_);
        running_ = false;
    }

private:
    void Watch()
    {
        std::unique_lock lock(mutex_);
        while (!stop_) {
            if (!running_) {
                wake_.wait(lock);
                continue;
            }
            const auto deadline = deadline_;
            if (wake_.wait_until(lock, deadline) == std::cv_status::timeout && running_ && deadline_ == deadline) {
                std::fprintf(stderr, "watchdog: %s did not finish; ending the run\n", current_.c_str());
                std::fflush(stderr);
                _exit(3);
            }
        }
    }

    std::chrono::seconds limit_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::string current_;
    std::chrono::steady_clock::time_point deadline_{};
    bool running_ = false;
    bool stop_ = false;
    std::thread thread_;
};

// The offscreen platform says so for every window it cannot raise or resize; nothing to see there.
void QuietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support"))) {
        return;
    }
    std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, message).toLocal8Bit().constData());
}

} // namespace

int main(int argc, char** argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    qInstallMessageHandler(QuietOffscreenNotes);
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    // Owned by GoogleTest's listener list once appended.
    const char* limit = std::getenv("QUORIN_TEST_WATCHDOG_SECONDS");
    auto* watchdog = new Watchdog(std::chrono::seconds(limit != nullptr ? std::atoi(limit) : 120));
    testing::UnitTest::GetInstance()->listeners().Append(watchdog);
    const int result = RUN_ALL_TESTS();
    delete testing::UnitTest::GetInstance()->listeners().Release(watchdog);
    return result;
}
