#pragma once

#include "LoaderLine.h"
#include "LoaderProtocol.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
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
    // Every byte takes its line time at the measured rate (10 bits), both ways.
    bool paceToBaudRate = false;
};

struct TReceivedByte {
    std::chrono::steady_clock::time_point time;
    std::uint8_t byte;
};

// A DS5000 kit on the far end of a pseudo-terminal: the programmer opens
// SlavePath(), the simulator serves the master side in a thread of its own and
// records every byte it receives. It answers only a programmer whose end is set
// to one of the loader's rates with 8N1 (see TLoaderLine). A pseudo-terminal
// cannot carry a break (tcsendbreak on it sends nothing), so Break() stands in
// for one.
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
    // What the loader put on the line, in order (as the programmer's end got it:
    // garbage when its settings differed from the measured rate).
    std::string Sent() const;
    void ClearLog();
    // Waits until at least `count` bytes arrived (true) or the timeout passed.
    bool WaitForReceived(std::size_t count, std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) const;

    // As a press of the kit's reset button: waits for a wake-up again.
    void Reset();
    // A break from the programmer: the next carriage return measures the rate again.
    void Break();
    // Sends bytes to the programmer as if the loader had sent them (after what
    // is already waiting to go, and held by XOFF like the rest).
    void SendRaw(const std::string &bytes);

    bool LineClosed() const { return lineClosed_; }
    // After a pulled cable: a new line (a new pseudo-terminal, so a new path).
    void Replug();

    TLoaderProtocol::TImage Image() const;
    bool WriteImage(const std::string &path) const;
    // Puts bytes into the kit's memory, as a kit programmed earlier would hold them.
    void Poke(std::size_t address, const std::vector<std::uint8_t> &bytes);
    int PartitionRegister() const;
    std::uint8_t Mcon() const;
    bool Locked() const;
    std::uint64_t Key() const;
    TLoaderProtocol::TPorts Ports() const;
    std::size_t CompletedLoads() const;
    bool AwaitingWakeUp() const;
    // The rate the last wake-up measured; 0 while waiting for one.
    unsigned MeasuredRate() const;

  private:
    using TClock = std::chrono::steady_clock;
    // Bytes to send; a segment with a gap goes out that long after the one before.
    struct TSegment {
        std::string bytes;
        std::chrono::milliseconds gap{0};
    };

    void OpenLine();
    void CloseLine();
    void StartThread();
    void StopThread();
    void Wake();
    void Serve();
    void ReceiveBytes(const TLineFormat &format, TClock::duration byteTime, TClock::time_point now);
    void HandleByte(std::uint8_t byte, const TLineFormat &format, TClock::time_point arrival);
    void TransmitBytes(const TLineFormat &format, TClock::duration byteTime, TClock::time_point now);
    void QueueBanner();
    void Queue(std::string bytes, std::chrono::milliseconds gap = std::chrono::milliseconds(0));
    TClock::duration ByteTime(unsigned rate) const;
    // The line time of a byte sent, and the time between bytes taken.
    std::pair<TClock::duration, TClock::duration> ByteTimes(const TLineFormat &format) const;

    TSimulatorOptions options_;
    mutable std::mutex mutex_;
    TLoaderProtocol protocol_;
    TLoaderLine chipLine_{protocol_};
    std::deque<TSegment> output_;
    std::size_t outputOffset_ = 0;
    TClock::time_point gapUntil_{};
    // The deadline clocks of the paced line: when the next byte is complete.
    bool receiveIdle_ = true;
    TClock::time_point receiveDeadline_{};
    bool transmitIdle_ = true;
    TClock::time_point transmitDeadline_{};
    std::vector<TReceivedByte> log_;
    std::string sent_;
    std::string slavePath_;
    int master_ = -1;
    int slaveKeep_ = -1;
    int stopPipe_[2] = {-1, -1}; // "s" stops the thread, anything else wakes it
    std::atomic<bool> lineClosed_{false};
    long long receivedTotal_ = 0;
    std::thread thread_;
};

} // namespace loadersim
