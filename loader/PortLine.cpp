#include "PortLine.h"

#include "LoaderError.h"
#include "cport/ValueTexts.h"

#include <algorithm>

namespace loader {

TPortLine::TPortLine() {
    port_.SetName("ComPort");
    // Delivered in the event thread itself, see the class comment.
    port_.SetSyncMethod(cport::smNone);
    port_.SetEvents({cport::evRxChar});
    link_.OnRxBuf = [this](fw::TComponent *, const char *data, std::int32_t count) { OnData(data, count); };
    port_.AddLink(&link_);
}

TPortLine::~TPortLine() {
    Close();
    try {
        port_.RemoveLink(&link_);
    } catch (...) {
    }
}

int TPortLine::BitsPerSecond() const {
    if (port_.BaudRate() == cport::brCustom)
        return std::max(1, static_cast<int>(port_.CustomBaudRate()));
    return std::max(1, std::stoi(cport::BaudRateToText(port_.BaudRate())));
}

std::chrono::microseconds TPortLine::LineTime(std::size_t characters) const {
    return std::chrono::microseconds(static_cast<long long>(characters) * 10'000'000LL / BitsPerSecond());
}

void TPortLine::Open() {
    try {
        port_.Open();
    } catch (const std::exception &e) {
        throw ELoader(TOutcome::Port, "cannot open " + port_.Port() + ": " + e.what());
    }
}

void TPortLine::Close() noexcept {
    if (!port_.Connected())
        return;
    try {
        port_.SetDTR(false);
    } catch (...) {
    }
    try {
        port_.Close();
    } catch (...) {
    }
}

void TPortLine::SetDTR(bool on) {
    try {
        port_.SetDTR(on);
    } catch (const std::exception &e) {
        throw ELoader(TOutcome::Port, port_.Port() + ": " + e.what());
    }
}

void TPortLine::Write(const std::string &bytes) {
    std::int32_t n = 0;
    try {
        n = port_.WriteString(bytes);
    } catch (const std::exception &e) {
        throw ELoader(TOutcome::Port, port_.Port() + ": " + e.what() + " (is the cable still in?)");
    }
    sent_ += static_cast<std::size_t>(std::max(0, n));
    if (n != static_cast<std::int32_t>(bytes.size()))
        throw ELoader(TOutcome::Port, port_.Port() + ": the line took " + std::to_string(n) + " of " +
                                          std::to_string(bytes.size()) + " bytes before the write timed out");
}

void TPortLine::OnData(const char *data, std::int32_t count) {
    {
        std::lock_guard lock(mutex_);
        arrivals_.emplace_back(taken_ + buffer_.size(), std::chrono::steady_clock::now());
        buffer_.append(data, static_cast<std::size_t>(count));
    }
    receivedTotal_ += static_cast<std::size_t>(count);
    arrived_.notify_all();
}

std::string TPortLine::Peek() const {
    std::lock_guard lock(mutex_);
    return buffer_;
}

std::string TPortLine::Take() {
    std::lock_guard lock(mutex_);
    std::string out;
    out.swap(buffer_);
    taken_ += out.size();
    // Arrival times older than the kept text are of no use any more.
    if (arrivals_.size() > 1)
        arrivals_.erase(arrivals_.begin(), arrivals_.end() - 1);
    return out;
}

std::size_t TPortLine::Taken() const {
    std::lock_guard lock(mutex_);
    return taken_;
}

std::chrono::steady_clock::time_point TPortLine::ArrivalOf(std::size_t offset) const {
    std::lock_guard lock(mutex_);
    auto it = std::upper_bound(arrivals_.begin(), arrivals_.end(), offset,
                               [](std::size_t o, const auto &entry) { return o < entry.first; });
    if (it == arrivals_.begin())
        return arrivals_.empty() ? std::chrono::steady_clock::time_point{} : arrivals_.front().second;
    return std::prev(it)->second;
}

bool TPortLine::WaitFor(const std::function<bool(const std::string &)> &ready,
                        std::chrono::steady_clock::time_point deadline, const std::atomic<bool> *cancel) const {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (ready(buffer_))
            return true;
        if (cancel && cancel->load())
            return false;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        // Ctrl-C cannot signal a condition variable, so look at the flag often.
        arrived_.wait_until(lock, std::min(deadline, now + std::chrono::milliseconds(50)));
    }
}

bool TPortLine::Gone() {
    if (!port_.Connected())
        return true;
    try {
        // XON resumes the loader's output at most: harmless in every state.
        return port_.WriteString("\x11") != 1;
    } catch (...) {
        return true;
    }
}

} // namespace loader
