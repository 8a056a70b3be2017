#pragma once

#include "LoaderProtocol.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace loadersim {

// How the simulated kit misbehaves, for tests of the programmer's robustness.
struct TSimulatorOptions {
    bool lowerCaseBanner = false;
    // The banner line goes out in this many separate writes.
    int bannerPieces = 1;
    std::chrono::milliseconds pieceGap{30};
    // Sent in front of the banner, as line noise after a power-up would be.
    std::string noiseBeforeBanner;
    // The line is closed (the cable pulled) once this many bytes arrived; negative: never.
    long long closeAfterBytes = -1;
    // A slow reader takes the bytes one at a time with this pause before each.
    std::chrono::microseconds readDelay{0};
};

struct TReceivedByte {
    std::chrono::steady_clock::time_point time;
    std::uint8_t byte;
};

// A DS5000 kit on the far end of a pseudo-terminal: the programmer opens
// SlavePath(), the simulator serves the master side in a thread of its own and
// records every byte it receives.
class TLoaderSimulator {
  public:
    explicit TLoaderSimulator(TSimulatorOptions options = {});
    ~TLoaderSimulator();
    TLoaderSimulator(const TLoaderSimulator &) = delete;
    TLoaderSimulator &operator=(const TLoaderSimulator &) = delete;

    // The device path the programmer opens (changes with Replug).
    std::string SlavePath() const;

    std::vector<TReceivedByte> Log() const;
    std::string Received() const;
    std::size_t ReceivedCount() const;
    // What the loader sent back, in order.
    std::string Sent() const;
    void ClearLog();
    // Waits until at least `count` bytes arrived (true) or the timeout passed.
    bool WaitForReceived(std::size_t count, std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) const;

    // As a press of the kit's reset button: waits for a wake-up again.
    void Reset();
    // Writes bytes to the programmer as if the loader had sent them.
    void SendRaw(const std::string &bytes);

    bool LineClosed() const { return lineClosed_; }
    // After a pulled cable: a new line (a new pseudo-terminal, so a new path).
    void Replug();

    TLoaderProtocol::TImage Image() const;
    bool WriteImage(const std::string &path) const;
    int PartitionRegister() const;
    std::size_t CompletedLoads() const;
    bool AwaitingWakeUp() const;

  private:
    void OpenLine();
    void CloseLine();
    void StartThread();
    void StopThread();
    void Serve();
    void HandleByte(std::uint8_t byte);
    void SendBanner();
    void WriteOut(const std::string &bytes);

    TSimulatorOptions options_;
    mutable std::mutex mutex_;
    TLoaderProtocol protocol_;
    std::vector<TReceivedByte> log_;
    std::string sent_;
    std::string slavePath_;
    int master_ = -1;
    int slaveKeep_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::atomic<bool> lineClosed_{false};
    long long receivedTotal_ = 0;
    std::thread thread_;
};

} // namespace loadersim
