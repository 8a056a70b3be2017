#include "PosixComDevice.h"

#include "ErrnoTable.h"
#include "LineApply.h"
#include "PortTable.h"
#include "TimedOutWrite.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace cport {

namespace posix {

namespace {
constexpr std::uint32_t kMaxDword = 0xFFFFFFFFu;
constexpr std::size_t kMinQueueCapacity = 64 * 1024;
constexpr int kStatusPeriodMs = 10;
constexpr std::uint32_t kStatusEvents =
    comm::EV_CTS | comm::EV_DSR | comm::EV_RLSD | comm::EV_RING | comm::EV_BREAK | comm::EV_ERR;

std::int64_t NowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

timespec ToTimespec(std::int64_t ns) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ns / 1000000000LL);
    ts.tv_nsec = static_cast<long>(ns % 1000000000LL);
    return ts;
}

// Sleeps (or waits for fd to become ready, when fd >= 0) for at most ns
// nanoseconds, with the timer's full precision rather than whole ticks.
void WaitNs(int fd, short events, std::int64_t ns) {
    const timespec ts = ToTimespec(std::max<std::int64_t>(ns, 0));
    pollfd p{fd, events, 0};
    ppoll(fd >= 0 ? &p : nullptr, fd >= 0 ? 1 : 0, &ts, nullptr);
}

TLineTermios KernelTermios(const TTermiosConfig &config) {
    TLineTermios k;
    k.iflag = config.tio.c_iflag;
    k.oflag = config.tio.c_oflag;
    k.cflag = config.tio.c_cflag & ~static_cast<tcflag_t>(CBAUD | CIBAUD);
    k.lflag = config.tio.c_lflag;
    k.line = config.tio.c_line;
    static_assert(NCCS >= TLineTermios::kControlChars, "every control character of the kernel");
    for (int i = 0; i < TLineTermios::kControlChars; ++i)
        k.cc[i] = config.tio.c_cc[i];
    k.rate = config.baudRate;
    k.customRate = config.customRate;
    k.speedCode = config.speedCode;
    return k;
}

int OutputQueue(int fd) {
    int n = 0;
    return ioctl(fd, TIOCOUTQ, &n) == 0 ? n : 0;
}
} // namespace

TPosixComDevice::TPosixComDevice(int fd, std::string path)
    : fd_(fd), wakeFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)), path_(std::move(path)) {
    int bits = 0;
    hasModemLines_ = ioctl(fd_, TIOCMGET, &bits) == 0;
    if (hasModemLines_) {
        lastModem_ = static_cast<std::uint32_t>(bits);
        serial_icounter_struct c{};
        if (ioctl(fd_, TIOCGICOUNT, &c) == 0)
            lastCounts_ = {c.frame, c.overrun, c.parity, c.brk, c.buf_overrun};
    }
}

TPosixComDevice::~TPosixComDevice() {
    CloseDescriptor();
    if (wakeFd_ >= 0)
        close(wakeFd_);
}

void TPosixComDevice::CloseDescriptor() {
    if (fd_ < 0)
        return;
    // The last close of a tty lowers DTR (HUPCL), as closing a port does anywhere.
    ioctl(fd_, TIOCNXCL);
    close(fd_);
    fd_ = -1;
}

void TPosixComDevice::Release() {
    {
        std::lock_guard lock(rxMutex_);
        CloseDescriptor();
        rxQueue_.clear();
        rxHead_ = 0;
    }
    StopWaiting();
}

void TPosixComDevice::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(wakeFd_, &one, sizeof one);
}

std::size_t TPosixComDevice::QueueCapacity() const {
    return std::max<std::size_t>(kMinQueueCapacity, static_cast<std::size_t>(std::max(0, inputSize_.load())));
}

std::int64_t TPosixComDevice::CharTimeNs() const {
    const std::uint32_t rate = config_.baudRate ? config_.baudRate : 9600;
    return static_cast<std::int64_t>(config_.bitsPerChar) * 1000000000LL / rate;
}

std::int32_t TPosixComDevice::SetModemBit(int bit, bool on) {
    if (!hasModemLines_)
        return 0;
    if (ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) != 0)
        return WinErrorFromErrno(errno);
    return 0;
}

std::int32_t TPosixComDevice::SetState(const TDeviceControlBlock &block) {
    if (fd_ < 0)
        return winerr::ERROR_INVALID_HANDLE;
    TTermiosConfig config;
    if (const std::int32_t rc = BuildTermiosConfig(block, config))
        return rc;
    if (const int e = ApplyLineTermios(fd_, KernelTermios(config)))
        return WinErrorFromErrno(e);
    {
        std::lock_guard lock(rxMutex_);
        config_ = config;
    }
    if (const std::int32_t rc = SetModemBit(TIOCM_DTR, config.raiseDTR))
        return rc;
    if (!config.rtsHandshake)
        if (const std::int32_t rc = SetModemBit(TIOCM_RTS, config.raiseRTS))
            return rc;
    return 0;
}

std::int32_t TPosixComDevice::SetTimeouts(const TCommTimeoutsBlock &block) {
    if (fd_ < 0)
        return winerr::ERROR_INVALID_HANDLE;
    timeouts_ = block;
    return 0;
}

std::int32_t TPosixComDevice::SetupQueues(std::int32_t inputSize, std::int32_t outputSize) {
    // The kernel sizes its own queues; the sizes set our receive queue and the 80 % mark.
    if (fd_ < 0)
        return winerr::ERROR_INVALID_HANDLE;
    if (inputSize < 0 || outputSize < 0)
        return winerr::ERROR_INVALID_PARAMETER;
    inputSize_ = inputSize;
    return 0;
}

// --- writing ---

std::int32_t TPosixComDevice::StartWrite(TAsyncOperation &op) {
    op.done = 0;
    op.error = 0;
    if (fd_ < 0)
        return op.error = winerr::ERROR_INVALID_HANDLE;
    op.length = op.data.size();
    const std::uint64_t total = static_cast<std::uint64_t>(timeouts_.WriteTotalTimeoutMultiplier) * op.length +
                                timeouts_.WriteTotalTimeoutConstant;
    // Both totals zero: the write waits for completion however long it takes.
    op.hasDeadline = timeouts_.WriteTotalTimeoutMultiplier != 0 || timeouts_.WriteTotalTimeoutConstant != 0;
    op.deadlineNs = NowNs() + static_cast<std::int64_t>(std::min<std::uint64_t>(total, 1ULL << 40) * 1000000ULL);
    if (op.length == 0) {
        op.completed = true;
        return 0;
    }
    if (config_.rtsToggle)
        SetModemBit(TIOCM_RTS, true);
    const std::int32_t rc = ContinueWrite(op);
    if (rc == 0 && OutputQueue(fd_) == 0) {
        FinishWrite();
        op.completed = true;
        return 0;
    }
    return rc == 0 ? winerr::ERROR_IO_PENDING : rc;
}

std::int32_t TPosixComDevice::ContinueWrite(TAsyncOperation &op) {
    while (op.done < op.length) {
        if (config_.outDsrFlow && hasModemLines_) {
            int bits = 0;
            if (ioctl(fd_, TIOCMGET, &bits) == 0 && !(bits & TIOCM_DSR))
                return winerr::ERROR_IO_PENDING;
        }
        const ssize_t n = write(fd_, op.data.data() + op.done, op.length - op.done);
        if (n > 0) {
            op.done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n == 0 || errno == EAGAIN) {
            return winerr::ERROR_IO_PENDING;
        } else {
            op.error = WinErrorFromErrno(errno);
            return op.error;
        }
    }
    return 0;
}

void TPosixComDevice::FinishWrite() {
    if (config_.rtsToggle)
        SetModemBit(TIOCM_RTS, false);
    txDone_ = true;
    if (mask_.load() & comm::EV_TXEMPTY)
        Wake();
}

// --- reading ---

std::size_t TPosixComDevice::Filter(char *data, std::size_t n) {
    if (config_.dsrSensitivity && hasModemLines_) {
        int bits = 0;
        if (ioctl(fd_, TIOCMGET, &bits) == 0 && !(bits & TIOCM_DSR))
            return 0;
    }
    if (config_.discardNull)
        n = static_cast<std::size_t>(std::remove(data, data + n, '\0') - data);
    return n;
}

std::size_t TPosixComDevice::PendingInput() {
    int kernel = 0;
    if (ioctl(fd_, FIONREAD, &kernel) != 0)
        kernel = 0;
    return rxQueue_.size() - rxHead_ + static_cast<std::size_t>(std::max(0, kernel));
}

std::int32_t TPosixComDevice::StartRead(TAsyncOperation &op) {
    op.done = 0;
    op.error = 0;
    if (fd_ < 0)
        return op.error = winerr::ERROR_INVALID_HANDLE;
    const std::uint64_t total = static_cast<std::uint64_t>(timeouts_.ReadTotalTimeoutMultiplier) * op.length +
                                timeouts_.ReadTotalTimeoutConstant;
    op.hasDeadline = timeouts_.ReadTotalTimeoutMultiplier != 0 || timeouts_.ReadTotalTimeoutConstant != 0;
    op.deadlineNs = NowNs() + static_cast<std::int64_t>(std::min<std::uint64_t>(total, 1ULL << 40) * 1000000ULL);
    const std::int32_t rc = ContinueRead(op);
    if (rc != 0)
        return rc;
    const bool immediate = timeouts_.ReadIntervalTimeout == kMaxDword && timeouts_.ReadTotalTimeoutMultiplier == 0 &&
                           timeouts_.ReadTotalTimeoutConstant == 0;
    op.completed = op.done == op.length || immediate;
    return op.completed ? 0 : winerr::ERROR_IO_PENDING;
}

std::int32_t TPosixComDevice::ContinueRead(TAsyncOperation &op) {
    std::lock_guard lock(rxMutex_);
    const std::size_t queued = rxQueue_.size() - rxHead_;
    const bool wasFull = queued >= QueueCapacity();
    const std::size_t take = std::min(queued, op.length - op.done);
    std::memcpy(op.readBuffer + op.done, rxQueue_.data() + rxHead_, take);
    rxHead_ += take;
    op.done += take;
    if (rxHead_ == rxQueue_.size()) {
        rxQueue_.clear();
        rxHead_ = 0;
    }
    while (op.done < op.length) {
        const ssize_t n = read(fd_, op.readBuffer + op.done, op.length - op.done);
        if (n > 0) {
            op.done += Filter(op.readBuffer + op.done, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n == 0 || errno == EAGAIN || errno == EIO) {
            // EIO: the far end hung up; what was read stands, the rest never comes.
            break;
        } else {
            op.error = WinErrorFromErrno(errno);
            return op.error;
        }
    }
    if (wasFull && rxQueue_.size() - rxHead_ < QueueCapacity())
        Wake();
    if (above80_ && PendingInput() * 5 < static_cast<std::size_t>(std::max(0, inputSize_.load())) * 4)
        above80_ = false;
    return 0;
}

std::int32_t TPosixComDevice::WaitForCompletion(TAsyncOperation &op) {
    if (op.completed)
        return 0;
    op.completed = true;
    if (fd_ < 0)
        return winerr::ERROR_INVALID_HANDLE;
    if (op.kind == TAsyncOperation::okRead)
        return AwaitRead(op);
    for (;;) {
        const std::int32_t rc = op.done < op.length ? ContinueWrite(op) : 0;
        if (rc != 0 && rc != winerr::ERROR_IO_PENDING) {
            if (config_.rtsToggle)
                SetModemBit(TIOCM_RTS, false);
            return rc;
        }
        const std::int64_t now = NowNs();
        const int queued = op.done == op.length ? OutputQueue(fd_) : -1;
        if (queued == 0) {
            FinishWrite();
            return 0;
        }
        if (op.hasDeadline && now >= op.deadlineNs) {
            // Timed out: the bytes never handed to the kernel are dropped; of
            // those it holds, this write's rest is dropped only where that
            // cannot touch what earlier writes queued (see SettleTimedOutWrite).
            // A byte that leaves between the query and the flush is counted as
            // dropped, so the count errs, if at all, by that instant's worth.
            const auto settled = SettleTimedOutWrite(op.done, static_cast<std::size_t>(std::max(0, OutputQueue(fd_))));
            if (settled.flush)
                tcflush(fd_, TCOFLUSH);
            op.done = settled.sent;
            FinishWrite();
            return 0;
        }
        const std::int64_t left = op.hasDeadline ? op.deadlineNs - now : 1000000000LL;
        if (queued < 0 && rc == winerr::ERROR_IO_PENDING && !(config_.outDsrFlow && hasModemLines_)) {
            WaitNs(fd_, POLLOUT, std::min<std::int64_t>(left, 100000000LL));
        } else {
            // Waiting for the line to drain: sleep about as long as the queued characters take.
            const std::int64_t drain = std::max<std::int64_t>(queued > 0 ? queued : 1, 1) * CharTimeNs();
            WaitNs(-1, 0, std::clamp<std::int64_t>(drain, 20000, std::min<std::int64_t>(left, 100000000LL)));
        }
    }
}

// A read that did not complete at once ends when the whole count has
// arrived, when the total timeout expires, or when the interval timeout
// passes without a new byte. The interval runs from the start of the read as
// well as from each byte, so a read with an interval timeout returns what is
// waiting even on a silent line rather than waiting for a first byte without
// limit. A line that hangs up ends the read too: with what arrived, or, when
// nothing did, with the device's error.
std::int32_t TPosixComDevice::AwaitRead(TAsyncOperation &op) {
    const std::uint32_t interval = timeouts_.ReadIntervalTimeout;
    const bool useInterval = interval != 0 && interval != kMaxDword;
    const std::int64_t intervalNs = static_cast<std::int64_t>(interval) * 1000000LL;
    constexpr std::int64_t kLookAgainNs = 5000000;
    std::int64_t lastArrival = NowNs();
    std::size_t seen = op.done;
    for (;;) {
        if (op.done == op.length)
            return 0;
        const std::int64_t now = NowNs();
        if (op.done != seen) {
            seen = op.done;
            lastArrival = now;
        }
        std::int64_t left = op.hasDeadline ? op.deadlineNs - now : kLookAgainNs;
        if (useInterval)
            left = std::min(left, lastArrival + intervalNs - now);
        if ((op.hasDeadline || useInterval) && left <= 0)
            return 0;
        // The event thread may take the bytes into the queue, so look again on a short period.
        const timespec ts = ToTimespec(std::clamp<std::int64_t>(left, 0, kLookAgainNs));
        pollfd p{fd_, POLLIN, 0};
        ppoll(&p, 1, &ts, nullptr);
        if (const std::int32_t rc = ContinueRead(op))
            return rc;
        if ((p.revents & (POLLHUP | POLLERR)) && op.done == seen && op.done < op.length) {
            std::lock_guard lock(rxMutex_);
            if (rxQueue_.size() == rxHead_)
                return op.done > 0 ? 0 : winerr::ERROR_IO_DEVICE;
        }
    }
}

// --- status ---

void TPosixComDevice::PollLineStatus(std::uint32_t &events) {
    const std::uint32_t mask = mask_.load();
    int bits = 0;
    if (ioctl(fd_, TIOCMGET, &bits) == 0) {
        const std::uint32_t now = static_cast<std::uint32_t>(bits);
        const std::uint32_t changed = now ^ lastModem_;
        if ((changed & TIOCM_CTS) && (mask & comm::EV_CTS))
            events |= comm::EV_CTS;
        if ((changed & TIOCM_DSR) && (mask & comm::EV_DSR))
            events |= comm::EV_DSR;
        if ((changed & TIOCM_CD) && (mask & comm::EV_RLSD))
            events |= comm::EV_RLSD;
        if ((changed & now & TIOCM_RI) && (mask & comm::EV_RING))
            events |= comm::EV_RING;
        lastModem_ = now;
    }
    serial_icounter_struct c{};
    if (ioctl(fd_, TIOCGICOUNT, &c) == 0) {
        std::uint32_t errors = 0;
        if (c.frame != lastCounts_.frame)
            errors |= comm::CE_FRAME;
        if (c.overrun != lastCounts_.overrun)
            errors |= comm::CE_OVERRUN;
        if (c.parity != lastCounts_.parity)
            errors |= comm::CE_RXPARITY;
        if (c.buf_overrun != lastCounts_.bufOverrun)
            errors |= comm::CE_RXOVER;
        if (c.brk != lastCounts_.brk) {
            errors |= comm::CE_BREAK;
            if (mask & comm::EV_BREAK)
                events |= comm::EV_BREAK;
        }
        if ((errors & ~comm::CE_BREAK) && (mask & comm::EV_ERR))
            events |= comm::EV_ERR;
        lineErrors_ |= errors;
        lastCounts_ = {c.frame, c.overrun, c.parity, c.brk, c.buf_overrun};
    }
}

std::int32_t TPosixComDevice::ClearError(std::uint32_t &errors, TComStat &stat) {
    std::lock_guard lock(rxMutex_);
    if (fd_ < 0)
        return winerr::ERROR_INVALID_HANDLE;
    stat.cbInQue = static_cast<std::uint32_t>(PendingInput());
    stat.cbOutQue = static_cast<std::uint32_t>(std::max(0, OutputQueue(fd_)));
    if (hasModemLines_ && !(mask_.load() & kStatusEvents)) {
        std::uint32_t ignored = 0;
        PollLineStatus(ignored);
    }
    errors = lineErrors_.exchange(0);
    return 0;
}

std::int32_t TPosixComDevice::GetModemStatus(std::uint32_t &status) {
    status = 0;
    if (fd_ < 0)
        return winerr::ERROR_INVALID_HANDLE;
    if (!hasModemLines_)
        return 0;
    int bits = 0;
    if (ioctl(fd_, TIOCMGET, &bits) != 0)
        return WinErrorFromErrno(errno);
    if (bits & TIOCM_CTS)
        status |= comm::MS_CTS_ON;
    if (bits & TIOCM_DSR)
        status |= comm::MS_DSR_ON;
    if (bits & TIOCM_RI)
        status |= comm::MS_RING_ON;
    if (bits & TIOCM_CD)
        status |= comm::MS_RLSD_ON;
    return 0;
}

std::int32_t TPosixComDevice::EscapeFunction(std::uint32_t function) {
    if (fd_ < 0)
        return winerr::ERROR_INVALID_HANDLE;
    if (function == comm::SETDTR || function == comm::CLRDTR)
        return SetModemBit(TIOCM_DTR, function == comm::SETDTR);
    return winerr::ERROR_INVALID_PARAMETER;
}

std::int32_t TPosixComDevice::Purge(std::uint32_t flags) {
    // Reads and writes finish before their callers return, so there is never
    // an operation in flight to abort; clearing empties the queues.
    if (fd_ < 0)
        return winerr::ERROR_INVALID_HANDLE;
    if (flags & comm::PURGE_TXCLEAR)
        if (tcflush(fd_, TCOFLUSH) != 0)
            return WinErrorFromErrno(errno);
    if (flags & comm::PURGE_RXCLEAR) {
        std::lock_guard lock(rxMutex_);
        rxQueue_.clear();
        rxHead_ = 0;
        above80_ = false;
        if (tcflush(fd_, TCIFLUSH) != 0)
            return WinErrorFromErrno(errno);
    }
    return 0;
}

// --- event waiting ---

std::int32_t TPosixComDevice::SetEventMask(std::uint32_t mask) {
    if (fd_ < 0)
        return winerr::ERROR_INVALID_HANDLE;
    mask_ = mask;
    Wake();
    return 0;
}

void TPosixComDevice::StopWaiting() {
    stop_ = true;
    Wake();
}

std::int32_t TPosixComDevice::WaitEvent(std::uint32_t &events) {
    bool hangupSignalled = false;
    char chunk[16384];
    for (;;) {
        if (stop_.load())
            return winerr::ERROR_OPERATION_ABORTED;
        events = 0;
        const std::uint32_t mask = mask_.load();
        if (txDone_.exchange(false) && (mask & comm::EV_TXEMPTY))
            events |= comm::EV_TXEMPTY;
        bool queueFull = false;
        {
            std::lock_guard lock(rxMutex_);
            bool gotBytes = false;
            bool gotFlag = false;
            while (!hungUp_ && rxQueue_.size() - rxHead_ < QueueCapacity()) {
                const std::size_t room = std::min(sizeof chunk, QueueCapacity() - (rxQueue_.size() - rxHead_));
                const ssize_t n = read(fd_, chunk, room);
                if (n > 0) {
                    const std::size_t kept = Filter(chunk, static_cast<std::size_t>(n));
                    if (kept == 0)
                        continue;
                    if (rxHead_ > 0 && rxHead_ * 2 >= rxQueue_.size()) {
                        rxQueue_.erase(0, rxHead_);
                        rxHead_ = 0;
                    }
                    rxQueue_.append(chunk, kept);
                    gotBytes = true;
                    if (std::memchr(chunk, static_cast<unsigned char>(config_.eventChar), kept) != nullptr)
                        gotFlag = true;
                } else if (n < 0 && errno == EINTR) {
                    continue;
                } else if ((n == 0 && !hangupSignalled) || (n < 0 && errno == EAGAIN)) {
                    // A raw tty answers an empty queue with 0, not EAGAIN; a
                    // hung-up one does too, and only poll's POLLHUP tells them
                    // apart (else a pulled adapter would spin this loop).
                    break;
                } else {
                    // The far end is gone (a pulled cable, a closed peer): stop
                    // watching the descriptor, which would now be ready forever.
                    hungUp_ = true;
                }
            }
            queueFull = rxQueue_.size() - rxHead_ >= QueueCapacity();
            if (gotBytes && (mask & comm::EV_RXCHAR))
                events |= comm::EV_RXCHAR;
            if (gotFlag && (mask & comm::EV_RXFLAG))
                events |= comm::EV_RXFLAG;
            const std::size_t limit = static_cast<std::size_t>(std::max(0, inputSize_.load()));
            if (limit > 0 && PendingInput() * 5 >= limit * 4) {
                if (!above80_ && (mask & comm::EV_RX80FULL))
                    events |= comm::EV_RX80FULL;
                above80_ = true;
            }
        }
        const bool watchStatus = hasModemLines_ && (mask & kStatusEvents);
        if (watchStatus) {
            std::lock_guard lock(rxMutex_);
            PollLineStatus(events);
        }
        if (events != 0)
            return 0;
        // A negative descriptor is skipped: a hung-up tty would report POLLHUP
        // forever, whatever events were asked for.
        pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {queueFull || hungUp_ ? -1 : fd_, POLLIN, 0}};
        poll(fds, 2, watchStatus ? kStatusPeriodMs : -1);
        hangupSignalled = (fds[1].revents & (POLLHUP | POLLERR)) != 0;
        if (fds[0].revents & POLLIN) {
            std::uint64_t value = 0;
            [[maybe_unused]] const ssize_t n = read(wakeFd_, &value, sizeof value);
        }
    }
}

} // namespace posix

std::unique_ptr<TComDevice> OpenComDevice(const std::string &portName, std::int32_t &error) {
    error = 0;
    const std::string path = TPortTable::Instance().Resolve(portName);
    if (path.empty()) {
        error = winerr::ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = posix::WinErrorFromErrno(errno);
        return nullptr;
    }
    if (!isatty(fd)) {
        close(fd);
        error = winerr::ERROR_INVALID_FUNCTION;
        return nullptr;
    }
    // Held by another port object or program: the flock binds root as well,
    // which TIOCEXCL does not.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) {
        const int e = errno;
        close(fd);
        error = posix::WinErrorFromErrno(e == EWOULDBLOCK ? EBUSY : e);
        return nullptr;
    }
    return std::make_unique<posix::TPosixComDevice>(fd, path);
}

} // namespace cport
