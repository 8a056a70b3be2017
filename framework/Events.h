#pragma once

#include <functional>

namespace fw {

class TComponent;

// A plain notification: only the sender is passed.
using TNotifyEvent = std::function<void(TComponent *Sender)>;

} // namespace fw
