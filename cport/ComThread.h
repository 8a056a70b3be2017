#pragma once

#include "ComTypes.h"
#include "framework/Thread.h"

#include <thread>

namespace cport {

class TCustomComPort;
class TComDevice;

// Waits for the open port's line events and hands each batch to the port's
// event handling in the thread its SyncMethod names.
class TComThread : public fw::TThread {
  public:
    // Sets the device's event mask from the port's Events; Start runs it, once
    // the port has recorded the thread (a handler may close the port at once).
    // Under smWindowSync the events go to `opener`, the thread that opened the port.
    TComThread(TCustomComPort *port, std::thread::id opener);
    // Signals the stop and waits until the thread has ended, serving
    // deliveries that are already on their way meanwhile.
    ~TComThread() override;

  protected:
    void Execute() override;

  private:
    void Deliver();
    void DispatchEvents();
    void SendEventMessages();

    TCustomComPort *port_;
    TComDevice *device_; // the device it was started on, also once the port has let go of it
    std::thread::id opener_;
    TComEvents events_;
};

} // namespace cport
