#include "ComThread.h"

#include "ComPort.h"
#include "framework/MainThreadSync.h"

namespace cport {

namespace {
constexpr TComEvent kDeliveryOrder[] = {evRxChar, evTxEmpty, evBreak, evRing,  evCTS,
                                        evDSR,    evRxFlag,  evRLSD,  evError, evRx80Full};
}

TComThread::TComThread(TCustomComPort *port, std::thread::id opener)
    : port_(port), device_(port->Device()), opener_(opener) {
    device_->SetEventMask(EventsToMask(port_->Events()));
}

TComThread::~TComThread() {
    device_->StopWaiting();
    WaitFor();
}

void TComThread::Execute() {
    TComDevice *device = device_;
    for (;;) {
        std::uint32_t mask = 0;
        if (device->WaitEvent(mask) != 0)
            break;
        events_ = MaskToEvents(mask);
        if (events_.Empty())
            continue;
        // Handlers and listeners catch nothing; an error ends this batch only,
        // and the thread goes on with the next one.
        try {
            Deliver();
        } catch (...) {
            fw::ReportDeliveryError(std::current_exception());
        }
    }
    device->SetEventMask(0);
    device->Purge(comm::PURGE_TXCLEAR | comm::PURGE_RXCLEAR);
}

void TComThread::Deliver() {
    switch (port_->SyncMethod()) {
    case smThreadSync:
        fw::TMainThreadSync::Instance().Synchronize([this] { DispatchEvents(); });
        break;
    case smWindowSync:
        SendEventMessages();
        break;
    case smNone:
        DispatchEvents();
        break;
    }
}

void TComThread::DispatchEvents() { port_->DispatchEvents(events_); }

// Each event goes on its own to the thread that opened the port, which runs
// it when it checks for its pending calls; this thread waits for each.
void TComThread::SendEventMessages() {
    // A handler that closed the port ends the batch: the rest of it belongs
    // to the device that was closed, not to one opened since.
    for (TComEvent e : kDeliveryOrder)
        if (events_.Contains(e) && !Terminated())
            fw::TMainThreadSync::Instance().SynchronizeTo(opener_, [this, e] { port_->HandleEvent(e); });
}

} // namespace cport
