#include "LoaderSimulator.h"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace loadersim {

namespace {

// How long a reply may wait for room in the line before it is dropped: the
// programmer does not read while it downloads, and the kit must not hang.
constexpr int kWriteWaitMs = 1000;

} // namespace

TLoaderSimulator::TLoaderSimulator(TSimulatorOptions options) : options_(std::move(options)) {
    if (pipe(stopPipe_) != 0)
        throw std::runtime_error("pipe failed");
    OpenLine();
    StartThread();
}

TLoaderSimulator::~TLoaderSimulator() {
    StopThread();
    CloseLine();
    close(stopPipe_[0]);
    close(stopPipe_[1]);
}

void TLoaderSimulator::OpenLine() {
    int slave = -1;
    char name[256] = {};
    if (openpty(&master_, &slave, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    // Raw until the programmer sets its own mode: no echo of the loader's
    // replies back to it, no line-end translation.
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    // Holding the slave open keeps the line up between the programmer's opens.
    slaveKeep_ = slave;
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    std::lock_guard lock(mutex_);
    slavePath_ = name;
    lineClosed_ = false;
    receivedTotal_ = 0;
}

void TLoaderSimulator::CloseLine() {
    if (master_ >= 0)
        close(master_);
    if (slaveKeep_ >= 0)
        close(slaveKeep_);
    master_ = slaveKeep_ = -1;
}

void TLoaderSimulator::StartThread() {
    thread_ = std::thread([this] { Serve(); });
}

void TLoaderSimulator::StopThread() {
    if (!thread_.joinable())
        return;
    const char stop = 's';
    (void)!write(stopPipe_[1], &stop, 1);
    thread_.join();
    char drain[16];
    while (true) {
        pollfd p{stopPipe_[0], POLLIN, 0};
        if (poll(&p, 1, 0) <= 0 || read(stopPipe_[0], drain, sizeof drain) <= 0)
            break;
    }
}

void TLoaderSimulator::Replug() {
    StopThread();
    CloseLine();
    {
        std::lock_guard lock(mutex_);
        protocol_.Reset();
    }
    OpenLine();
    StartThread();
}

void TLoaderSimulator::Serve() {
    const bool slow = options_.readDelay.count() > 0;
    char buffer[4096];
    while (!lineClosed_) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        if (slow)
            std::this_thread::sleep_for(options_.readDelay);
        const ssize_t n = read(master_, buffer, slow ? 1 : sizeof buffer);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            // No slave is open (we keep one, so this means trouble): wait for a stop.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        for (ssize_t i = 0; i < n && !lineClosed_; ++i)
            HandleByte(static_cast<std::uint8_t>(buffer[i]));
    }
    // The cable is pulled: wait for the stop request only.
    pollfd stop{stopPipe_[0], POLLIN, 0};
    while (poll(&stop, 1, -1) < 0 && errno == EINTR) {
    }
}

void TLoaderSimulator::HandleByte(std::uint8_t byte) {
    std::string reply;
    bool banner = false;
    bool pull = false;
    {
        std::lock_guard lock(mutex_);
        log_.push_back({std::chrono::steady_clock::now(), byte});
        ++receivedTotal_;
        banner = protocol_.Feed(byte, reply);
        pull = options_.closeAfterBytes >= 0 && receivedTotal_ >= options_.closeAfterBytes;
    }
    if (pull) {
        lineClosed_ = true;
        CloseLine();
        return;
    }
    if (banner)
        SendBanner();
    if (!reply.empty())
        WriteOut(reply);
}

void TLoaderSimulator::SendBanner() {
    if (!options_.noiseBeforeBanner.empty())
        WriteOut(options_.noiseBeforeBanner);
    const std::string line = "\r\n" + TLoaderProtocol::BannerLine(options_.lowerCaseBanner) + TLoaderProtocol::kPrompt;
    const std::size_t pieces = options_.bannerPieces < 1 ? 1 : static_cast<std::size_t>(options_.bannerPieces);
    const std::size_t step = (line.size() + pieces - 1) / pieces;
    for (std::size_t off = 0; off < line.size(); off += step) {
        if (off > 0)
            std::this_thread::sleep_for(options_.pieceGap);
        WriteOut(line.substr(off, step));
    }
}

void TLoaderSimulator::WriteOut(const std::string &bytes) {
    {
        std::lock_guard lock(mutex_);
        sent_ += bytes;
    }
    std::size_t off = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWriteWaitMs);
    while (off < bytes.size() && master_ >= 0) {
        const ssize_t n = write(master_, bytes.data() + off, bytes.size() - off);
        if (n > 0) {
            off += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return;
        if (std::chrono::steady_clock::now() > end)
            return;
        pollfd p{master_, POLLOUT, 0};
        poll(&p, 1, 10);
    }
}

std::string TLoaderSimulator::SlavePath() const {
    std::lock_guard lock(mutex_);
    return slavePath_;
}

std::vector<TReceivedByte> TLoaderSimulator::Log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

std::string TLoaderSimulator::Received() const {
    std::lock_guard lock(mutex_);
    std::string out;
    out.reserve(log_.size());
    for (const auto &entry : log_)
        out.push_back(static_cast<char>(entry.byte));
    return out;
}

std::size_t TLoaderSimulator::ReceivedCount() const {
    std::lock_guard lock(mutex_);
    return log_.size();
}

std::string TLoaderSimulator::Sent() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

void TLoaderSimulator::ClearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
    sent_.clear();
}

bool TLoaderSimulator::WaitForReceived(std::size_t count, std::chrono::milliseconds timeout) const {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (ReceivedCount() < count) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void TLoaderSimulator::Reset() {
    std::lock_guard lock(mutex_);
    protocol_.Reset();
}

void TLoaderSimulator::SendRaw(const std::string &bytes) { WriteOut(bytes); }

TLoaderProtocol::TImage TLoaderSimulator::Image() const {
    std::lock_guard lock(mutex_);
    return protocol_.Image();
}

bool TLoaderSimulator::WriteImage(const std::string &path) const {
    const auto image = Image();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(image.data()), static_cast<std::streamsize>(image.size()));
    return static_cast<bool>(out);
}

int TLoaderSimulator::PartitionRegister() const {
    std::lock_guard lock(mutex_);
    return protocol_.PartitionRegister();
}

std::size_t TLoaderSimulator::CompletedLoads() const {
    std::lock_guard lock(mutex_);
    return protocol_.CompletedLoads();
}

bool TLoaderSimulator::AwaitingWakeUp() const {
    std::lock_guard lock(mutex_);
    return protocol_.AwaitingWakeUp();
}

} // namespace loadersim
