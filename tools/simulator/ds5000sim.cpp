// The DS5000 loader simulator as a program: opens a pseudo-terminal, prints
// "PTY <path>" on the first line of standard output and serves the line until
// it is interrupted or terminated.
#include "LoaderSimulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void RequestStop(int) { stopRequested = 1; }

void Usage() {
    std::cerr << "usage: ds5000sim [--lower] [--split N] [--noise TEXT] [--close-after N]\n"
                 "                 [--slow-us N] [--image FILE] [--log FILE] [--link PATH]\n"
                 "  --lower          banner in lower case\n"
                 "  --split N        banner sent in N separate writes\n"
                 "  --noise TEXT     TEXT sent before the banner\n"
                 "  --close-after N  close the line after N received bytes (a pulled cable)\n"
                 "  --slow-us N      read one byte at a time, N microseconds apart\n"
                 "  --image FILE     write the 32 KB memory image to FILE on exit\n"
                 "  --log FILE       write every received byte to FILE on exit\n"
                 "  --link PATH      make PATH a symbolic link to the pseudo-terminal\n";
}

} // namespace

int main(int argc, char **argv) {
    loadersim::TSimulatorOptions options;
    std::string imagePath, logPath, linkPath;
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

    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);

    loadersim::TLoaderSimulator simulator(options);
    if (!linkPath.empty()) {
        unlink(linkPath.c_str());
        if (symlink(simulator.SlavePath().c_str(), linkPath.c_str()) != 0)
            std::cerr << "ds5000sim: cannot link " << linkPath << ": " << std::strerror(errno) << "\n";
    }
    std::cout << "PTY " << simulator.SlavePath() << std::endl;

    while (!stopRequested)
        pause();

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
