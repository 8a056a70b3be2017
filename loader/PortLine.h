#pragma once

#include "cport/ComPort.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

namespace loader {

// The serial line to one kit, on the engine's port. Received bytes are
// delivered in the port's event thread (no main-thread synchronisation: a
// console program has no event loop to pump, and replies must arrive while
// the main thread is blocked in a write), collected in a buffer, and waited
// for with deadlines. Engine errors become ELoader (port).
class TPortLine {
  public:
    TPortLine();
    ~TPortLine();
    TPortLine(const TPortLine &) = delete;
    TPortLine &operator=(const TPortLine &) = delete;

    // The engine's port, to be set up (name, rate, line settings) before Open.
    cport::TComPort &Port() { return port_; }
    // The line rate in bits per second.
    int BitsPerSecond() const;
    // Time for n characters on the line (10 bits each).
    std::chrono::microseconds LineTime(std::size_t characters) const;

    void Open();
    // Lowers DTR and closes; never raises.
    void Close() noexcept;
    bool IsOpen() const { return port_.Connected(); }
    void SetDTR(bool on);

    // Writes all bytes in one request; raises ELoader (port) when the line
    // does not take them all.
    void Write(const std::string &bytes);

    // Bytes received and not yet taken.
    std::string Peek() const;
    // Removes and returns everything received so far.
    std::string Take();
    // Blocks until `ready` holds on the received bytes, the deadline passes
    // (false) or `cancel` becomes set (false); `ready` runs under the lock.
    bool WaitFor(const std::function<bool(const std::string &)> &ready, std::chrono::steady_clock::time_point deadline,
                 const std::atomic<bool> *cancel) const;
    // Bytes taken by Take so far: Peek()[i] is received byte Taken() + i.
    std::size_t Taken() const;
    // When the delivery that held received byte `offset` (counted from the
    // start) arrived.
    std::chrono::steady_clock::time_point ArrivalOf(std::size_t offset) const;

    // True when the line is gone (a write of a harmless XON fails).
    bool Gone();

    std::size_t BytesSent() const { return sent_; }
    std::size_t BytesReceived() const { return receivedTotal_; }

  private:
    void OnData(const char *data, std::int32_t count);

    cport::TComPort port_;
    cport::TComLink link_;
    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    std::string buffer_;
    std::vector<std::pair<std::size_t, std::chrono::steady_clock::time_point>> arrivals_;
    std::size_t taken_ = 0; // bytes removed from the front of buffer_ since start
    std::size_t sent_ = 0;
    std::atomic<std::size_t> receivedTotal_{0};
};

} // namespace loader
