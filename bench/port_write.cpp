// One-byte writes through the engine against the bare system calls they stand
// on (a one-byte write() and a TIOCOUTQ check), over pseudo-terminals with a
// reader draining the far side. Prints ns per byte and the ratio.
#include "BenchPty.h"
#include "cport/ComPort.h"
#include "cport/posix/PortTable.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {
using bench::Pty;
constexpr int kBytes = 100000;

// Reads the master side until `expected` bytes arrived.
std::thread Drainer(int fd, long expected) {
    return std::thread([fd, expected] {
        char buf[65536];
        long got = 0;
        while (got < expected) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 2000) <= 0)
                break;
            const ssize_t n = read(fd, buf, sizeof buf);
            if (n > 0)
                got += n;
        }
    });
}

double BareNsPerByte() {
    Pty pty;
    std::thread drain = Drainer(pty.master, kBytes);
    const char c = 'x';
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kBytes; ++i) {
        while (write(pty.slave, &c, 1) != 1) {
            pollfd p{pty.slave, POLLOUT, 0};
            poll(&p, 1, 100);
        }
        int queued = 0;
        ioctl(pty.slave, TIOCOUTQ, &queued);
    }
    const auto took = std::chrono::steady_clock::now() - start;
    drain.join();
    return std::chrono::duration<double, std::nano>(took).count() / kBytes;
}

double EngineNsPerByte(cport::TComEvents events) {
    Pty pty;
    cport::TPortTable::Instance().SetEntry("COM2", pty.path);
    cport::TComPort port;
    port.SetPort("COM2");
    port.SetEvents(events);
    port.Open();
    std::thread drain = Drainer(pty.master, kBytes);
    const std::string one = "x";
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kBytes; ++i)
        port.WriteString(one);
    const auto took = std::chrono::steady_clock::now() - start;
    drain.join();
    port.Close();
    return std::chrono::duration<double, std::nano>(took).count() / kBytes;
}
} // namespace

int main() {
    BareNsPerByte(); // warm up
    const double bare = BareNsPerByte();
    const double engine = EngineNsPerByte({});
    const double withThread = EngineNsPerByte(cport::AllComEvents());
    std::printf("one-byte writes over a pseudo-terminal, %d bytes\n", kBytes);
    std::printf("  bare write + TIOCOUTQ         %8.0f ns/byte\n", bare);
    std::printf("  WriteString (no event thread) %8.0f ns/byte  ratio %.2f (target <= 1.5)\n", engine, engine / bare);
    std::printf("  WriteString (event thread)    %8.0f ns/byte  ratio %.2f\n", withThread, withThread / bare);
    return 0;
}
