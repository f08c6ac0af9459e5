#pragma once
// Answers the modal dialogs a test provokes. The code under test blocks in a modal loop, so the
// test queues steps beforehand: each waits for a modal widget it accepts, then acts on it.
#include <QObject>
#include <QString>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <string>

namespace quorin::ui::test {

class ModalDriver {
public:
    using Match = std::function<bool(QWidget*)>;
    using Action = std::function<void(QWidget*)>;

    ModalDriver();
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    // Waits for an active modal widget of type T (and the optional extra test), then acts on it.
    template <class T>
    void When(std::function<void(T*)> action, std::function<bool(T*)> extra = {})
    {
        steps_.push_back({[extra](QWidget* w) {
                              auto* typed = qobject_cast<T*>(w);
                              return typed != nullptr && (!extra || extra(typed));
                          },
                          [action](QWidget* w) { action(qobject_cast<T*>(w)); }});
        timer_.start();
    }

    // Runs an action once the event loop of the code under test is running (no modal needed).
    void Soon(std::function<void()> action);

    // Steps still waiting; a test that ends with some left shows a dialog that never came.
    std::size_t Pending() const { return steps_.size(); }

private:
    struct Step {
        Match match;
        Action action;
    };
    void Poll();

    std::deque<Step> steps_;
    QTimer timer_;
};

} // namespace quorin::ui::test

class QFileDialog;

namespace quorin::ui::test {

// Types a name into Qt's file dialog as a user would and presses its Open or Save button
// (QFileDialog::selectFile does not reach a name field that has the focus).
void ChooseFile(QFileDialog* dialog, const QString& name);

} // namespace quorin::ui::test
