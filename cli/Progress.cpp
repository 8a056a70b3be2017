#include "Progress.h"

#include <algorithm>
#include <cstdio>

namespace cli {

TProgressBoard::TProgressBoard(std::vector<std::string> names, bool enabled, bool terminal)
    : enabled_(enabled), terminal_(terminal) {
    for (auto &n : names)
        kits_.push_back({std::move(n), "", "", 0, 0, 0, std::chrono::steady_clock::now()});
}

TProgressBoard::~TProgressBoard() {
    if (enabled_ && terminal_ && drawn_)
        std::fputs("\n", stderr);
}

std::string TProgressBoard::Describe(std::size_t done, std::size_t total, double seconds) {
    char out[160];
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
    if (rate <= 0 || done >= total) {
        std::snprintf(out, sizeof out, "%zu/%zu bytes", done, total);
        return out;
    }
    const long left = static_cast<long>(static_cast<double>(total - done) / rate + 0.5);
    std::snprintf(out, sizeof out, "%zu/%zu bytes  %.1f kB/s  %ld:%02ld left", done, total, rate / 1000.0, left / 60,
                  left % 60);
    return out;
}

void TProgressBoard::Begin(std::size_t kit, const std::string &phase) {
    if (!enabled_)
        return;
    std::lock_guard lock(mutex_);
    TKit &k = kits_.at(kit);
    k.phase = phase;
    k.done = k.total = k.tenth = 0;
    k.start = std::chrono::steady_clock::now();
    k.text = phase;
    if (terminal_)
        Redraw(true);
}

void TProgressBoard::Update(std::size_t kit, std::size_t done, std::size_t total) {
    if (!enabled_)
        return;
    std::lock_guard lock(mutex_);
    TKit &k = kits_.at(kit);
    // Estimates of a reply's length may fall short by an echo or a prompt.
    total = std::max(total, done);
    k.done = done;
    k.total = total;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - k.start).count();
    k.text = k.phase + "  " + Describe(done, total, seconds);
    if (terminal_) {
        Redraw(false);
        return;
    }
    const std::size_t tenth = total > 0 ? done * 10 / total : 10;
    if (tenth > k.tenth) {
        k.tenth = tenth;
        std::fprintf(stderr, "%s: %s %zu%% (%zu/%zu bytes)\n", k.name.c_str(), k.phase.c_str(), tenth * 10, done,
                     total);
    }
}

void TProgressBoard::Finish(std::size_t kit, const std::string &text) {
    if (!enabled_)
        return;
    std::lock_guard lock(mutex_);
    kits_.at(kit).text = text;
    if (terminal_)
        Redraw(true);
}

void TProgressBoard::Redraw(bool force) {
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < std::chrono::milliseconds(100))
        return;
    lastDraw_ = now;
    std::string out;
    if (drawn_ && kits_.size() > 1)
        out += "\x1b[" + std::to_string(kits_.size() - 1) + "A";
    for (std::size_t i = 0; i < kits_.size(); ++i) {
        out += "\r\x1b[K" + kits_[i].name + ": " + kits_[i].text;
        if (i + 1 < kits_.size())
            out += "\n";
    }
    drawn_ = true;
    std::fputs(out.c_str(), stderr);
    std::fflush(stderr);
}

} // namespace cli
