// Throughput of the terminal model against libvterm (screen layer, no
// drawing), fed the same bytes in the same chunks in one run, on three
// streams: plain text, a full-screen application's output, and a dense run
// of short control sequences. Also counts heap allocations per received
// byte on our side, to show that nothing is allocated per character.
#include "cport/ComTerminalModel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#ifdef CPORT_HAVE_VTERM
#include <vterm.h>
#endif

namespace {

std::atomic<std::size_t> g_allocations{0};

} // namespace

void *operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kStreamBytes = 16u << 20;
constexpr std::size_t kChunk = 4096;
constexpr int kRounds = 7;

std::string Csi(const std::string &body) { return "\x1b[" + body; }

std::string PlainText(std::mt19937 &rng) {
    std::string s;
    std::uniform_int_distribution<int> len(0, 79), ch(32, 126);
    while (s.size() < kStreamBytes) {
        for (int i = len(rng); i > 0; --i)
            s += static_cast<char>(ch(rng));
        s += "\r\n";
    }
    return s;
}

// Like a full-screen monitor redrawing: clear, then rows addressed one by one
// with attribute changes, partial updates and line erases.
std::string FullScreen(std::mt19937 &rng) {
    std::string s;
    std::uniform_int_distribution<int> row(1, 24), col(1, 70), len(5, 40), ch(32, 126), pick(0, 5);
    while (s.size() < kStreamBytes) {
        s += Csi("H") + Csi("2J") + Csi("7m") + " PID USER      PR  NI    VIRT    RES  %CPU  %MEM  COMMAND " + Csi("m");
        for (int r = 2; r <= 24; ++r) {
            s += Csi(std::to_string(r) + ";1H");
            if (pick(rng) == 0)
                s += Csi("1m");
            for (int i = len(rng); i > 0; --i)
                s += static_cast<char>(ch(rng));
            s += Csi("0m") + Csi("K");
        }
        for (int i = 0; i < 40; ++i) {
            s += Csi(std::to_string(row(rng)) + ";" + std::to_string(col(rng)) + "H");
            s += pick(rng) < 2 ? Csi("4m") : Csi("m");
            for (int n = len(rng) / 4; n > 0; --n)
                s += static_cast<char>(ch(rng));
        }
        s += Csi("24;1H") + Csi("J");
    }
    return s;
}

// Short control sequences back to back, as a full-screen program emits them
// when it updates many small fields: move, attribute, a character or none,
// erase, in a repeating order with changing numbers.
std::string DenseControls(std::mt19937 &rng) {
    std::string s;
    std::uniform_int_distribution<int> row(1, 24), col(1, 80), ch(33, 126), n(1, 9);
    while (s.size() < kStreamBytes) {
        s += Csi(std::to_string(row(rng)) + ";" + std::to_string(col(rng)) + "H");
        s += Csi("1m");
        s += static_cast<char>(ch(rng));
        s += Csi("0m") + Csi(std::to_string(n(rng)) + "C") + Csi("7m");
        s += static_cast<char>(ch(rng));
        s += Csi("m") + Csi("K") + Csi(std::to_string(n(rng)) + "A") +
             "\x1b"
             "7" +
             Csi("4;24m") +
             "\x1b"
             "8";
    }
    return s;
}

// The same kinds of sequences in random order: every decision is a fresh
// guess for the processor's branch prediction, for both terminals.
std::string RandomControls(std::mt19937 &rng) {
    static const std::vector<std::string> codes = {Csi("A"),
                                                   Csi("B"),
                                                   Csi("C"),
                                                   Csi("D"),
                                                   Csi("m"),
                                                   Csi("1m"),
                                                   Csi("7m"),
                                                   Csi("0m"),
                                                   Csi("H"),
                                                   Csi("K"),
                                                   Csi("2;5H"),
                                                   Csi("3C"),
                                                   Csi("4m"),
                                                   Csi("24m"),
                                                   Csi("12;40f"),
                                                   "\x1b"
                                                   "7",
                                                   "\x1b"
                                                   "8",
                                                   Csi("s"),
                                                   Csi("u"),
                                                   Csi("1;4;7m"),
                                                   Csi("10;20H"),
                                                   Csi("2B")};
    std::string s;
    std::uniform_int_distribution<std::size_t> pick(0, codes.size() - 1);
    std::uniform_int_distribution<int> text(0, 7), ch(33, 126);
    while (s.size() < kStreamBytes) {
        s += codes[pick(rng)];
        if (text(rng) == 0)
            s += static_cast<char>(ch(rng));
    }
    return s;
}

double MBps(std::size_t bytes, double seconds) { return static_cast<double>(bytes) / (1024.0 * 1024.0) / seconds; }

template <typename Feed> double Pass(const std::string &stream, Feed feed) {
    const auto start = Clock::now();
    for (std::size_t at = 0; at < stream.size(); at += kChunk)
        feed(stream.data() + at, std::min(kChunk, stream.size() - at));
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Run(const char *name, const std::string &stream) {
    // Like libvterm here, the model draws nothing: it has no view.
    cport::TComTerminalModel term;
    auto ours = [&](const char *p, std::size_t n) { term.LinkRxBuf(nullptr, p, static_cast<std::int32_t>(n)); };
    // A warm-up pass sizes every reused buffer; then count what a pass allocates.
    Pass(stream, ours);
    const std::size_t before = g_allocations.load();
    Pass(stream, ours);
    const double chunks = static_cast<double>((stream.size() + kChunk - 1) / kChunk);
    const double allocPerChunk = static_cast<double>(g_allocations.load() - before) / chunks;
#ifdef CPORT_HAVE_VTERM
    VTerm *vt = vterm_new(24, 80);
    vterm_set_utf8(vt, 0);
    VTermScreen *screen = vterm_obtain_screen(vt);
    vterm_screen_reset(screen, 1);
    auto theirs = [&](const char *p, std::size_t n) { vterm_input_write(vt, p, n); };
    Pass(stream, theirs);
#endif
    // Rounds alternate between the two, so that a busy machine slows both alike.
    double bestOurs = 1e9, bestTheirs = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        bestOurs = std::min(bestOurs, Pass(stream, ours));
#ifdef CPORT_HAVE_VTERM
        bestTheirs = std::min(bestTheirs, Pass(stream, theirs));
#endif
    }
    std::printf("%-15s ours %7.1f MB/s", name, MBps(stream.size(), bestOurs));
#ifdef CPORT_HAVE_VTERM
    vterm_free(vt);
    std::printf("  libvterm %7.1f MB/s  ratio %5.2f", MBps(stream.size(), bestTheirs), bestTheirs / bestOurs);
#else
    (void)bestTheirs;
    std::printf("  (libvterm not found: no baseline)");
#endif
    std::printf("  allocations per %zu-byte chunk: %.2f\n", kChunk, allocPerChunk);
}

} // namespace

// Optional argument: run only the streams whose name contains it.
int main(int argc, char **argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    std::mt19937 rng(5000);
    const std::string plain = PlainText(rng);
    const std::string screen = FullScreen(rng);
    const std::string dense = DenseControls(rng);
    const std::string random = RandomControls(rng);
    std::printf("terminal throughput, %zu MB per stream, %zu-byte chunks, best of %d\n", kStreamBytes >> 20, kChunk,
                kRounds);
    const std::pair<const char *, const std::string *> streams[] = {
        {"plain text", &plain}, {"full screen", &screen}, {"dense controls", &dense}, {"random controls", &random}};
    for (const auto &[name, stream] : streams)
        if (std::string(name).find(only) != std::string::npos)
            Run(name, *stream);
    return 0;
}
