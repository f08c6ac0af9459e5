#pragma once
// A window the program shows under X is mapped by the window manager, once it reads the request.
// A manager that starts while the request comes may read it into a queue of its own during its
// start-up and then sleep on its connection, taking the request only when some other event wakes
// it; the window then stays unmapped and the user sees nothing. So while a shown window waits
// for its map, the program keeps the manager awake: each change of a property on the root window
// is an event the manager takes (and which comes back to the program, paced by the server), until
// the window is mapped, reparented or given its state by the manager. Without a manager holding
// the root, the map request is sent again, as the server then maps the window at once.
#include <QAbstractNativeEventFilter>
#include <QObject>

#include <cstdint>
#include <set>

struct xcb_connection_t;

namespace quorin::ui {

class MapWatch : public QObject, public QAbstractNativeEventFilter {
public:
    // Watches the application's windows when it runs on X; does nothing on another platform.
    MapWatch();
    ~MapWatch() override;
    MapWatch(const MapWatch&) = delete;
    MapWatch& operator=(const MapWatch&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void Await(std::uint32_t window);
    // A root property change; with `mayMap`, first the map itself when no manager holds the root.
    void Nudge(bool mayMap);
    std::uint32_t Atom(const char* name) const;

    xcb_connection_t* x_ = nullptr;
    std::uint32_t root_ = 0;
    std::uint32_t nudge_ = 0;   // the root property changed to wake the manager
    std::uint32_t wmState_ = 0; // WM_STATE, which a manager sets on a window it took
    std::uint32_t manager_ = 0; // WM_S<screen>, owned by the running manager
    bool nudging_ = false;      // a change is on its way back
    int left_ = 0;              // changes the watch may still make on its own pace
    std::set<std::uint32_t> waiting_; // windows shown and not yet taken
};

} // namespace quorin::ui
