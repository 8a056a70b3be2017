#include "Pty.h"

#include "cport/posix/PortTable.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace testsupport {

PtyPair::PtyPair() {
    int slave = -1;
    char name[256] = {};
    if (openpty(&master_, &slave, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    // The master side must pass bytes untouched in both directions.
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    slavePath_ = name;
    slaveKeep_ = slave;
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair() {
    if (slaveKeep_ >= 0)
        close(slaveKeep_);
    if (master_ >= 0)
        close(master_);
}

void PtyPair::CloseMaster() {
    if (master_ >= 0)
        close(master_);
    master_ = -1;
}

void PtyPair::MapAs(const std::string &comName) const { cport::TPortTable::Instance().SetEntry(comName, slavePath_); }

void PtyPair::Send(const std::string &bytes) const {
    std::size_t off = 0;
    while (off < bytes.size()) {
        const ssize_t n = write(master_, bytes.data() + off, bytes.size() - off);
        if (n > 0) {
            off += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{master_, POLLOUT, 0};
            poll(&p, 1, 100);
        } else {
            throw std::runtime_error("pty write failed");
        }
    }
}

std::string PtyPair::Receive(std::size_t count, std::chrono::milliseconds timeout) const {
    std::string out;
    const auto end = std::chrono::steady_clock::now() + timeout;
    char buf[4096];
    while (out.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        const ssize_t n = read(master_, buf, std::min(sizeof buf, count - out.size()));
        if (n > 0)
            out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

std::string PtyPair::Drain(std::chrono::milliseconds quiet) const {
    std::string out;
    char buf[4096];
    for (;;) {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(quiet.count())) <= 0)
            return out;
        const ssize_t n = read(master_, buf, sizeof buf);
        if (n <= 0)
            return out;
        out.append(buf, static_cast<std::size_t>(n));
    }
}

} // namespace testsupport
