#pragma once

#include "TermiosConfig.h"
#include "cport/ComDevice.h"

#include <atomic>
#include <mutex>
#include <string>

namespace cport::posix {

// A tty opened exclusively (TIOCEXCL, which root ignores, plus an advisory
// flock that binds root too), in raw non-blocking mode.
//
// Received bytes pass through a queue of the engine's own: the event thread
// moves what the kernel holds into it, so that the event character and the
// 80 % mark can be seen before anyone reads, and so that waiting for new
// bytes never spins while old ones lie unread. One mutex orders every read
// from the descriptor, so bytes reach the reader in the order they arrived.
//
// Line events on Linux:
//   evRxChar    new bytes moved into the queue since the last report
//   evRxFlag    the moved bytes hold the event character
//   evRx80Full  the queue crossed 80 % of the input size
//   evTxEmpty   a write completed with the output queue (TIOCOUTQ) empty
//   evCTS, evDSR, evRLSD, evRing  TIOCMGET read every 10 ms, compared with the last state
//   evBreak, evError  the TIOCGICOUNT counters, read on the same period
// The periodic status check runs only on devices that have modem lines (a
// pseudo-terminal has none, so those events never fire there) and only while
// one of those events is in the mask.
class TPosixComDevice : public TComDevice {
  public:
    TPosixComDevice(int fd, std::string path);
    ~TPosixComDevice() override;

    std::int32_t SetState(const TDeviceControlBlock &block) override;
    std::int32_t SetTimeouts(const TCommTimeoutsBlock &block) override;
    std::int32_t SetupQueues(std::int32_t inputSize, std::int32_t outputSize) override;
    std::int32_t StartWrite(TAsyncOperation &op) override;
    std::int32_t StartRead(TAsyncOperation &op) override;
    std::int32_t WaitForCompletion(TAsyncOperation &op) override;
    std::int32_t ClearError(std::uint32_t &errors, TComStat &stat) override;
    std::int32_t GetModemStatus(std::uint32_t &status) override;
    std::int32_t EscapeFunction(std::uint32_t function) override;
    std::int32_t Purge(std::uint32_t flags) override;
    std::int32_t SetEventMask(std::uint32_t mask) override;
    std::int32_t WaitEvent(std::uint32_t &events) override;
    void StopWaiting() override;
    void Release() override;

    const std::string &Path() const { return path_; }
    bool HasModemLines() const { return hasModemLines_; }

  private:
    void CloseDescriptor();
    std::int32_t ContinueWrite(TAsyncOperation &op);
    std::int32_t ContinueRead(TAsyncOperation &op);
    std::int32_t AwaitRead(TAsyncOperation &op);
    void FinishWrite();
    std::size_t PendingInput(); // queue + kernel, rxMutex_ held
    std::size_t Filter(char *data, std::size_t n);
    std::int32_t SetModemBit(int bit, bool on);
    void PollLineStatus(std::uint32_t &events);
    void Wake();
    std::int64_t CharTimeNs() const;
    std::size_t QueueCapacity() const;

    int fd_;     // -1 once released
    int wakeFd_; // eventfd: stop, mask change, tx done, queue drained
    std::string path_;
    bool hasModemLines_ = false;

    TTermiosConfig config_;
    TCommTimeoutsBlock timeouts_{};
    std::atomic<std::int32_t> inputSize_{1024};

    std::mutex rxMutex_;
    std::string rxQueue_;    // bytes taken from the kernel, not yet read
    std::size_t rxHead_ = 0; // start of unread bytes in rxQueue_
    bool above80_ = false;
    bool hungUp_ = false; // the far end went away: the descriptor is no longer watched

    std::atomic<std::uint32_t> mask_{0};
    std::atomic<bool> stop_{false};
    std::atomic<bool> txDone_{false};
    std::atomic<std::uint32_t> lineErrors_{0};
    std::uint32_t lastModem_ = 0;
    struct Counters {
        int frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
    } lastCounts_{};
};

} // namespace cport::posix
