#include "Kit.h"
#include "loader/PortLine.h"

#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace cli {

namespace {

constexpr char kLeave = 0x1D; // Ctrl-]

// Puts a terminal on standard input into raw mode for as long as it lives.
class TRawInput {
  public:
    TRawInput() {
        if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved_) != 0)
            return;
        termios raw = saved_;
        cfmakeraw(&raw);
        raw.c_oflag |= OPOST | ONLCR; // our own messages still start at the left
        active_ = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    }
    ~TRawInput() {
        if (active_)
            tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    }
    TRawInput(const TRawInput &) = delete;
    TRawInput &operator=(const TRawInput &) = delete;

  private:
    termios saved_{};
    bool active_ = false;
};

void WriteOut(const std::string &bytes) {
    std::size_t off = 0;
    while (off < bytes.size()) {
        const ssize_t n = write(STDOUT_FILENO, bytes.data() + off, bytes.size() - off);
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            return;
        }
        off += static_cast<std::size_t>(n);
    }
}

} // namespace

int RunTerminal(const TOptions &options, const TTarget &target, const std::atomic<bool> &cancel) {
    loader::TPortLine line;
    try {
        SetUpPort(line.Port(), target, options);
        line.Open();
        line.SetDTR(true);
    } catch (const loader::ELoader &e) {
        std::fprintf(stderr, "ds5000: %s\n", e.what());
        return static_cast<int>(e.Outcome());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "ds5000: %s\n", e.what());
        return static_cast<int>(loader::TOutcome::Port);
    }
    if (!options.quiet)
        std::fprintf(stderr, "ds5000: terminal on %s at %d baud; Ctrl-] leaves\r\n", target.label.c_str(),
                     line.BitsPerSecond());
    int code = 0;
    {
        TRawInput raw;
        bool input = true;
        auto quietSince = std::chrono::steady_clock::now();
        auto inputEnd = quietSince;
        while (!cancel.load()) {
            pollfd p{STDIN_FILENO, POLLIN, 0};
            const int ready = input ? poll(&p, 1, 20) : (std::this_thread::sleep_for(std::chrono::milliseconds(20)), 0);
            if (const std::string got = line.Take(); !got.empty()) {
                WriteOut(got);
                quietSince = std::chrono::steady_clock::now();
            }
            if (!input) {
                // Input ended: show what the loader still says, then leave.
                const auto now = std::chrono::steady_clock::now();
                if (now - quietSince > std::chrono::milliseconds(300) || now - inputEnd > std::chrono::seconds(2))
                    break;
                continue;
            }
            if (ready <= 0 || !(p.revents & (POLLIN | POLLHUP)))
                continue;
            char buffer[256];
            const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                input = false;
                quietSince = inputEnd = std::chrono::steady_clock::now();
                continue;
            }
            std::string keys(buffer, static_cast<std::size_t>(n));
            const std::size_t leave = keys.find(kLeave);
            if (leave != std::string::npos)
                keys.resize(leave);
            try {
                if (!keys.empty())
                    line.Write(keys);
            } catch (const loader::ELoader &e) {
                std::fprintf(stderr, "\r\nds5000: %s\r\n", e.what());
                code = static_cast<int>(e.Outcome());
                break;
            }
            if (leave != std::string::npos) {
                // What the loader still says to the last keys is shown, then it leaves.
                input = false;
                quietSince = inputEnd = std::chrono::steady_clock::now();
            }
        }
    }
    line.Close();
    if (cancel.load())
        code = static_cast<int>(loader::TOutcome::Interrupted);
    return code;
}

} // namespace cli
