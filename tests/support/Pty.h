#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace testsupport {

// A pseudo-terminal pair standing in for a serial cable: the engine opens the
// slave through a COM name mapped to it, the test talks through the master.
class PtyPair {
  public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    const std::string &SlavePath() const { return slavePath_; }
    int MasterFd() const { return master_; }

    // Hangs the line up, as a pulled cable or a peer that went away.
    void CloseMaster();

    // Maps comName to this pair's slave in the engine's port table.
    void MapAs(const std::string &comName) const;

    // Writes all bytes to the master side.
    void Send(const std::string &bytes) const;
    // Reads from the master until `count` bytes arrived or the timeout passed.
    std::string Receive(std::size_t count, std::chrono::milliseconds timeout = std::chrono::milliseconds(2000)) const;
    // Reads whatever arrives until the line has been quiet for `quiet`.
    std::string Drain(std::chrono::milliseconds quiet = std::chrono::milliseconds(100)) const;

  private:
    int master_ = -1;
    int slaveKeep_ = -1; // keeps the slave alive between the engine's opens
    std::string slavePath_;
};

// Runs fn until it returns true or the timeout passes; returns its last answer.
template <typename Fn> bool WaitUntil(Fn fn, std::chrono::milliseconds timeout = std::chrono::milliseconds(3000));

} // namespace testsupport

#include <thread>

template <typename Fn> bool testsupport::WaitUntil(Fn fn, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!fn()) {
        if (std::chrono::steady_clock::now() > end)
            return fn();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
