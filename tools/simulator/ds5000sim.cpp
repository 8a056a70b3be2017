// The DS5000 loader simulator as a program: opens a pseudo-terminal, prints
// "PTY <path>" on the first line of standard output and serves the line until
// it is interrupted or terminated. A pseudo-terminal carries no break, so a
// control FIFO (--control) takes "break" and "reset" lines instead.
#include "LoaderSimulator.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};
void RequestStop(int) { (void)!write(signalPipe[1], "x", 1); }

void Usage() {
    std::cerr << "usage: ds5000sim [--lower] [--split N] [--noise TEXT] [--close-after N]\n"
                 "                 [--slow-us N] [--baud-pace] [--image FILE] [--log FILE]\n"
                 "                 [--link PATH] [--control FIFO]\n"
                 "  --lower          banner in lower case\n"
                 "  --split N        banner sent in N separate writes\n"
                 "  --noise TEXT     TEXT sent before the banner\n"
                 "  --close-after N  close the line after N received bytes (a pulled cable)\n"
                 "  --slow-us N      read one byte at a time, N microseconds apart\n"
                 "  --baud-pace      every byte takes its line time (10 bits) at the measured rate\n"
                 "  --image FILE     write the 32 KB memory image to FILE on exit\n"
                 "  --log FILE       write every received byte to FILE on exit\n"
                 "  --link PATH      make PATH a symbolic link to the pseudo-terminal\n"
                 "  --control FIFO   create FIFO; a line \"break\" there acts as a break on the\n"
                 "                   line (measure the rate again), \"reset\" as the reset button\n";
}

// Acts on the complete lines written to the control FIFO.
void RunControl(loadersim::TLoaderSimulator &simulator, int fd, std::string &pending) {
    char buffer[256];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0)
        return;
    pending.append(buffer, static_cast<std::size_t>(n));
    for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line == "break")
            simulator.Break();
        else if (line == "reset")
            simulator.Reset();
        else if (!line.empty())
            std::cerr << "ds5000sim: unknown control \"" << line << "\"\n";
    }
}

} // namespace

int main(int argc, char **argv) {
    loadersim::TSimulatorOptions options;
    std::string imagePath, logPath, linkPath, controlPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--lower") {
            options.lowerCaseBanner = true;
        } else if (arg == "--split" && hasValue) {
            options.bannerPieces = std::atoi(argv[++i]);
        } else if (arg == "--noise" && hasValue) {
            options.noiseBeforeBanner = argv[++i];
        } else if (arg == "--close-after" && hasValue) {
            options.closeAfterBytes = std::atoll(argv[++i]);
        } else if (arg == "--slow-us" && hasValue) {
            options.readDelay = std::chrono::microseconds(std::atoll(argv[++i]));
        } else if (arg == "--baud-pace") {
            options.paceToBaudRate = true;
        } else if (arg == "--control" && hasValue) {
            controlPath = argv[++i];
        } else if (arg == "--image" && hasValue) {
            imagePath = argv[++i];
        } else if (arg == "--log" && hasValue) {
            logPath = argv[++i];
        } else if (arg == "--link" && hasValue) {
            linkPath = argv[++i];
        } else {
            Usage();
            return 2;
        }
    }

    if (pipe(signalPipe) != 0)
        return 1;
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    int control = -1;
    if (!controlPath.empty()) {
        unlink(controlPath.c_str());
        // Opened for writing too, so that a writer closing it is no end of file.
        if (mkfifo(controlPath.c_str(), 0600) != 0 || (control = open(controlPath.c_str(), O_RDWR | O_NONBLOCK)) < 0) {
            std::cerr << "ds5000sim: cannot create " << controlPath << ": " << std::strerror(errno) << "\n";
            return 2;
        }
    }

    loadersim::TLoaderSimulator simulator(options);
    if (!linkPath.empty()) {
        unlink(linkPath.c_str());
        if (symlink(simulator.SlavePath().c_str(), linkPath.c_str()) != 0)
            std::cerr << "ds5000sim: cannot link " << linkPath << ": " << std::strerror(errno) << "\n";
    }
    std::cout << "PTY " << simulator.SlavePath() << std::endl;

    std::string pending;
    while (true) {
        pollfd fds[2] = {{signalPipe[0], POLLIN, 0}, {control, POLLIN, 0}};
        if (poll(fds, control >= 0 ? 2 : 1, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents != 0)
            break;
        if (control >= 0 && fds[1].revents != 0)
            RunControl(simulator, control, pending);
    }
    if (control >= 0) {
        close(control);
        unlink(controlPath.c_str());
    }

    if (!imagePath.empty() && !simulator.WriteImage(imagePath))
        std::cerr << "ds5000sim: cannot write " << imagePath << "\n";
    if (!logPath.empty()) {
        std::ofstream log(logPath, std::ios::binary | std::ios::trunc);
        log << simulator.Received();
    }
    if (!linkPath.empty())
        unlink(linkPath.c_str());
    std::cerr << "ds5000sim: " << simulator.ReceivedCount() << " bytes received, " << simulator.CompletedLoads()
              << " loads completed\n";
    return 0;
}
