#pragma once

// For the simulator's tests: the programmer's end of the simulated line.

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace loadersim::test {

class TProgrammerEnd {
  public:
    explicit TProgrammerEnd(const std::string &path, speed_t speed = B9600)
        : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        if (fd_ >= 0)
            SetLine(speed);
    }
    ~TProgrammerEnd() {
        if (fd_ >= 0)
            close(fd_);
    }
    TProgrammerEnd(const TProgrammerEnd &) = delete;
    TProgrammerEnd &operator=(const TProgrammerEnd &) = delete;

    bool Opened() const { return fd_ >= 0; }
    // Raw, at `speed`, with the character size and parity given in `cflags`.
    void SetLine(speed_t speed, tcflag_t cflags = CS8) {
        termios t{};
        tcgetattr(fd_, &t);
        cfmakeraw(&t);
        t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
        t.c_cflag |= cflags;
        cfsetspeed(&t, speed);
        tcsetattr(fd_, TCSANOW, &t);
    }
    ssize_t Send(const std::string &bytes) { return write(fd_, bytes.data(), bytes.size()); }
    // Reads until `text` appeared or the timeout passed; also counts the reads it took.
    std::string ReadUntil(const std::string &text, int *reads = nullptr, int timeoutMs = 2000) {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while ((text.empty() || got.find(text) == std::string::npos) && std::chrono::steady_clock::now() < end) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0)
                continue;
            char buf[4096];
            const ssize_t n = read(fd_, buf, sizeof buf);
            if (n > 0) {
                got.append(buf, static_cast<std::size_t>(n));
                if (reads)
                    ++*reads;
            }
        }
        return got;
    }
    // Whatever arrives within `ms`.
    std::string ReadFor(int ms) { return ReadUntil("", nullptr, ms); }

  private:
    int fd_;
};

} // namespace loadersim::test
