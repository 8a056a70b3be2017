#include "LoaderSimulator.h"

#include "PtyLineFormat.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace loadersim {

namespace {

constexpr std::chrono::nanoseconds kNoTime{0};
// Bits on the line per byte: start, eight data bits, stop.
constexpr long long kBitsPerByte = 10;
// A paced line wakes at most this often and then moves every byte that has come
// due, as a UART with a small FIFO would: the rate stays exact, the waking stays cheap.
constexpr std::chrono::microseconds kPaceQuantum{1000};

// How long after a byte's deadline the thread may sleep on: bytes faster than
// the quantum are moved together, slower ones each at their time.
std::chrono::steady_clock::duration Slack(std::chrono::steady_clock::duration byteTime) {
    return byteTime < kPaceQuantum ? std::chrono::steady_clock::duration(kPaceQuantum) - byteTime : kNoTime;
}

// The bytes whose line time has run out by `now`, the one due at `deadline` first.
std::size_t DueBytes(std::chrono::steady_clock::time_point now, std::chrono::steady_clock::time_point deadline,
                     std::chrono::steady_clock::duration byteTime) {
    return now <= deadline ? 1 : static_cast<std::size_t>((now - deadline) / byteTime) + 1;
}

timespec Timeout(std::chrono::steady_clock::duration left) {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(std::max(left, kNoTime)).count();
    return timespec{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

} // namespace

TLoaderSimulator::TLoaderSimulator(TSimulatorOptions options) : options_(std::move(options)) {
    if (pipe(stopPipe_) != 0)
        throw std::runtime_error("pipe failed");
    // Wake-ups must never block the caller, even if the thread is slow to drain them.
    fcntl(stopPipe_[1], F_SETFL, fcntl(stopPipe_[1], F_GETFL) | O_NONBLOCK);
    fcntl(stopPipe_[0], F_SETFL, fcntl(stopPipe_[0], F_GETFL) | O_NONBLOCK);
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
    receiveIdle_ = transmitIdle_ = true;
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
    while (write(stopPipe_[1], &stop, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
    char drain[64];
    while (read(stopPipe_[0], drain, sizeof drain) > 0) {
    }
}

void TLoaderSimulator::Wake() {
    const char wake = 'w';
    (void)!write(stopPipe_[1], &wake, 1);
}

void TLoaderSimulator::Replug() {
    StopThread();
    CloseLine();
    {
        std::lock_guard lock(mutex_);
        chipLine_.Break();
        output_.clear();
        outputOffset_ = 0;
    }
    OpenLine();
    StartThread();
}

TLoaderSimulator::TClock::duration TLoaderSimulator::ByteTime(unsigned rate) const {
    if (rate == 0)
        return kNoTime;
    return std::chrono::nanoseconds(kBitsPerByte * 1000000000LL / rate);
}

std::pair<TLoaderSimulator::TClock::duration, TLoaderSimulator::TClock::duration>
TLoaderSimulator::ByteTimes(const TLineFormat &format) const {
    // Until a wake-up fixes the rate, the programmer's own rate is what the line runs at.
    const unsigned measured = chipLine_.MeasuredRate();
    const auto paced = options_.paceToBaudRate ? ByteTime(measured != 0 ? measured : format.outRate) : kNoTime;
    return {paced, std::max<TClock::duration>(paced, options_.readDelay)};
}

// One loop: decide what may happen now (a byte may be taken, a byte may go out)
// and what deadline comes next, wait for the line or that deadline, act.
void TLoaderSimulator::Serve() {
    while (!lineClosed_) {
        std::unique_lock lock(mutex_);
        auto now = TClock::now();
        const auto [paced, receiveTime] = ByteTimes(ReadLineFormat(slaveKeep_));
        std::optional<TClock::time_point> until;
        const auto sooner = [&until](TClock::time_point t) {
            if (!until || t < *until)
                until = t;
        };
        short events = 0;
        if (receiveTime == kNoTime || receiveIdle_ || now >= receiveDeadline_)
            events |= POLLIN;
        else
            sooner(receiveDeadline_ + (options_.readDelay.count() > 0 ? kNoTime : Slack(receiveTime)));
        if (output_.empty() || chipLine_.OutputStopped()) {
            transmitIdle_ = true;
        } else if (now < gapUntil_) {
            transmitIdle_ = true;
            sooner(gapUntil_);
        } else if (paced == kNoTime) {
            events |= POLLOUT;
        } else {
            if (transmitIdle_) {
                transmitIdle_ = false;
                transmitDeadline_ = now + paced;
            }
            if (now >= transmitDeadline_)
                events |= POLLOUT;
            else
                sooner(transmitDeadline_ + Slack(paced));
        }
        lock.unlock();

        pollfd fds[2] = {{master_, events, 0}, {stopPipe_[0], POLLIN, 0}};
        timespec timeout{};
        if (until)
            timeout = Timeout(*until - TClock::now());
        if (ppoll(fds, 2, until ? &timeout : nullptr, nullptr) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0) {
            char wakes[64];
            ssize_t n = 0;
            while ((n = read(stopPipe_[0], wakes, sizeof wakes)) > 0)
                if (std::find(wakes, wakes + n, 's') != wakes + n)
                    return;
        }
        lock.lock();
        now = TClock::now();
        // The programmer may have changed its settings while we waited: the bytes
        // meet the line as it is now.
        const TLineFormat current = ReadLineFormat(slaveKeep_);
        const auto [pacedNow, receiveTimeNow] = ByteTimes(current);
        if ((fds[0].revents & POLLIN) != 0)
            ReceiveBytes(current, receiveTimeNow, now);
        if (!lineClosed_ && (fds[0].revents & POLLOUT) != 0)
            TransmitBytes(current, pacedNow, now);
    }
    // The cable is pulled: wait for the stop request only.
    while (true) {
        pollfd stop{stopPipe_[0], POLLIN, 0};
        if (poll(&stop, 1, -1) < 0 && errno != EINTR)
            return;
        char wakes[64];
        ssize_t n = 0;
        while ((n = read(stopPipe_[0], wakes, sizeof wakes)) > 0)
            if (std::find(wakes, wakes + n, 's') != wakes + n)
                return;
    }
}

void TLoaderSimulator::ReceiveBytes(const TLineFormat &format, TClock::duration byteTime, TClock::time_point now) {
    if (byteTime != kNoTime && receiveIdle_) {
        // The first byte after a quiet line is complete one line time from now.
        receiveIdle_ = false;
        receiveDeadline_ = now + byteTime;
        return;
    }
    char buffer[4096];
    std::size_t want = sizeof buffer;
    const bool oneByOne = options_.readDelay.count() > 0;
    if (byteTime != kNoTime)
        want = oneByOne ? 1 : std::min<std::size_t>(want, DueBytes(now, receiveDeadline_, byteTime));
    const ssize_t n = read(master_, buffer, want);
    if (n <= 0) {
        receiveIdle_ = true;
        return;
    }
    // On a paced line each byte is logged at the moment its stop bit ended, even
    // when a busy machine let the thread take several at once.
    const bool paced = byteTime != kNoTime && !oneByOne;
    const TClock::time_point firstArrival = paced ? receiveDeadline_ : now;
    if (byteTime != kNoTime) {
        // A slow reader pauses before each byte; a paced line keeps its clock.
        receiveDeadline_ = oneByOne ? now + byteTime : receiveDeadline_ + n * byteTime;
        int waiting = 0;
        if (ioctl(master_, FIONREAD, &waiting) != 0 || waiting == 0)
            receiveIdle_ = true;
    }
    for (ssize_t i = 0; i < n && !lineClosed_; ++i)
        HandleByte(static_cast<std::uint8_t>(buffer[i]), format, paced ? firstArrival + i * byteTime : now);
}

void TLoaderSimulator::HandleByte(std::uint8_t byte, const TLineFormat &format, TClock::time_point arrival) {
    log_.push_back({arrival, byte});
    ++receivedTotal_;
    std::string reply;
    const bool banner = chipLine_.Receive(byte, format, reply);
    if (options_.closeAfterBytes >= 0 && receivedTotal_ >= options_.closeAfterBytes) {
        lineClosed_ = true;
        CloseLine();
        return;
    }
    if (banner)
        QueueBanner();
    Queue(std::move(reply));
}

void TLoaderSimulator::TransmitBytes(const TLineFormat &format, TClock::duration byteTime, TClock::time_point now) {
    if (output_.empty() || chipLine_.OutputStopped())
        return;
    const TSegment &segment = output_.front();
    std::size_t want = segment.bytes.size() - outputOffset_;
    if (byteTime != kNoTime)
        want = std::min(want, DueBytes(now, transmitDeadline_, byteTime));
    const std::string bytes = chipLine_.Transmit(segment.bytes.substr(outputOffset_, want), format);
    const ssize_t n = write(master_, bytes.data(), bytes.size());
    if (n <= 0) {
        transmitIdle_ = true;
        return;
    }
    sent_.append(bytes, 0, static_cast<std::size_t>(n));
    outputOffset_ += static_cast<std::size_t>(n);
    if (byteTime != kNoTime) {
        transmitDeadline_ += n * byteTime;
        // The programmer's buffer is full: the line stood still meanwhile.
        if (static_cast<std::size_t>(n) < want)
            transmitIdle_ = true;
    }
    if (outputOffset_ < segment.bytes.size())
        return;
    output_.pop_front();
    outputOffset_ = 0;
    if (!output_.empty() && output_.front().gap.count() > 0)
        gapUntil_ = now + output_.front().gap;
}

void TLoaderSimulator::Queue(std::string bytes, std::chrono::milliseconds gap) {
    if (bytes.empty())
        return;
    if (gap.count() == 0 && !output_.empty()) {
        output_.back().bytes += bytes;
        return;
    }
    if (output_.empty() && gap.count() > 0)
        gapUntil_ = TClock::now() + gap;
    output_.push_back({std::move(bytes), gap});
}

void TLoaderSimulator::QueueBanner() {
    Queue(options_.noiseBeforeBanner);
    const std::string line =
        kSimulatorChoice.lineStart + TLoaderProtocol::BannerLine(options_.lowerCaseBanner) + TLoaderProtocol::kPrompt;
    const std::size_t pieces = options_.bannerPieces < 1 ? 1 : static_cast<std::size_t>(options_.bannerPieces);
    const std::size_t step = (line.size() + pieces - 1) / pieces;
    for (std::size_t off = 0; off < line.size(); off += step)
        Queue(line.substr(off, step), off == 0 ? std::chrono::milliseconds(0) : options_.pieceGap);
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
    const auto end = TClock::now() + timeout;
    while (ReceivedCount() < count) {
        if (TClock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void TLoaderSimulator::Reset() {
    {
        std::lock_guard lock(mutex_);
        chipLine_.Break();
        output_.clear();
        outputOffset_ = 0;
    }
    Wake();
}

void TLoaderSimulator::Break() { Reset(); }

void TLoaderSimulator::SendRaw(const std::string &bytes) {
    {
        std::lock_guard lock(mutex_);
        Queue(bytes);
    }
    Wake();
}

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

void TLoaderSimulator::Poke(std::size_t address, const std::vector<std::uint8_t> &bytes) {
    std::lock_guard lock(mutex_);
    protocol_.Poke(address, bytes);
}

int TLoaderSimulator::PartitionRegister() const {
    std::lock_guard lock(mutex_);
    return protocol_.PartitionRegister();
}

std::uint8_t TLoaderSimulator::Mcon() const {
    std::lock_guard lock(mutex_);
    return protocol_.Mcon();
}

bool TLoaderSimulator::Locked() const {
    std::lock_guard lock(mutex_);
    return protocol_.Locked();
}

std::uint64_t TLoaderSimulator::Key() const {
    std::lock_guard lock(mutex_);
    return protocol_.Key();
}

TLoaderProtocol::TPorts TLoaderSimulator::Ports() const {
    std::lock_guard lock(mutex_);
    return protocol_.Ports();
}

std::size_t TLoaderSimulator::CompletedLoads() const {
    std::lock_guard lock(mutex_);
    return protocol_.CompletedLoads();
}

bool TLoaderSimulator::AwaitingWakeUp() const {
    std::lock_guard lock(mutex_);
    return protocol_.AwaitingWakeUp();
}

unsigned TLoaderSimulator::MeasuredRate() const {
    std::lock_guard lock(mutex_);
    return chipLine_.MeasuredRate();
}

} // namespace loadersim
