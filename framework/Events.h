#pragma once

#include <functional>
#include <utility>

namespace fw {

class TComponent;

// A plain notification: only the sender is passed.
using TNotifyEvent = std::function<void(TComponent *Sender)>;

// Fires an event property or listener callback when it is assigned. The call
// runs on a copy, so a handler may assign, replace or clear the very property
// it was called through (or free the object holding it) without pulling the
// running code out from under itself.
template <typename Event, typename... Args> void Fire(const Event &event, Args &&...args) {
    if (!event)
        return;
    const Event call = event;
    call(std::forward<Args>(args)...);
}

} // namespace fw
