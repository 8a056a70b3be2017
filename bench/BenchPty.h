#pragma once

#include <pty.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace bench {

// A raw pseudo-terminal pair for the benchmarks: the engine (or the bare
// baseline) uses the slave, the benchmark drives the master.
struct Pty {
    int master = -1, slave = -1;
    std::string path;
    Pty() {
        char name[256];
        openpty(&master, &slave, name, nullptr, nullptr);
        termios t{};
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
        path = name;
    }
    ~Pty() {
        close(master);
        close(slave);
    }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;
};

} // namespace bench
