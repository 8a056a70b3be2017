#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace cli {

// Progress of every kit on standard error. On a terminal each kit has a line
// of its own, redrawn in place (bytes, rate, time left); otherwise a plain
// line is written at every tenth of a phase.
class TProgressBoard {
  public:
    TProgressBoard(std::vector<std::string> names, bool enabled, bool terminal);
    // Leaves the cursor below the kits' lines.
    ~TProgressBoard();

    // A new phase ("download", "read-back") of kit `kit` begins.
    void Begin(std::size_t kit, const std::string &phase);
    void Update(std::size_t kit, std::size_t done, std::size_t total);
    // The kit's last word; its line stays.
    void Finish(std::size_t kit, const std::string &text);

    // "12.3 kB/s", "0:07 left" and the like, for tests.
    static std::string Describe(std::size_t done, std::size_t total, double seconds);

  private:
    struct TKit {
        std::string name, phase, text;
        std::size_t done = 0, total = 0, tenth = 0;
        std::chrono::steady_clock::time_point start;
    };
    void Redraw(bool force);

    std::mutex mutex_;
    std::vector<TKit> kits_;
    bool enabled_, terminal_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point lastDraw_;
};

} // namespace cli
