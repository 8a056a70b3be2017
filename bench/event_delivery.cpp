// Receive path: latency from a byte written at the far side of a
// pseudo-terminal to the link callback on the main thread, sustained receive
// throughput into one link, and the event thread's CPU use while idle.
#include "BenchPty.h"
#include "cport/ComPort.h"
#include "cport/posix/PortTable.h"
#include "framework/MainThreadSync.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono;

namespace {
using bench::Pty;
void SendAll(int fd, const char *data, std::size_t n) {
    while (n > 0) {
        const ssize_t w = write(fd, data, n);
        if (w > 0) {
            data += w;
            n -= static_cast<std::size_t>(w);
        } else {
            pollfd p{fd, POLLOUT, 0};
            poll(&p, 1, 100);
        }
    }
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long MaxRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}
} // namespace

int main() {
    auto &sync = fw::TMainThreadSync::Instance();
    Pty pty;
    cport::TPortTable::Instance().SetEntry("COM2", pty.path);
    cport::TComPort port;
    port.SetPort("COM2");
    cport::TComLink link;
    std::atomic<long> received{0};
    long checksum = 0;
    link.OnRxBuf = [&](fw::TComponent *, const char *b, int n) {
        for (int i = 0; i < n; ++i)
            checksum += static_cast<unsigned char>(b[i]);
        received += n;
        sync.Wake();
    };
    port.AddLink(&link);
    port.Open();

    // Latency: one byte out, wait until its callback ran on this thread.
    constexpr int kTrips = 10000;
    std::vector<double> us;
    us.reserve(kTrips);
    for (int i = 0; i < kTrips; ++i) {
        const long before = received.load();
        const auto start = steady_clock::now();
        SendAll(pty.master, "a", 1);
        sync.WaitServing([&] { return received.load() > before; });
        us.push_back(duration<double, std::micro>(steady_clock::now() - start).count());
    }
    std::sort(us.begin(), us.end());
    const double median = us[us.size() / 2] / 1000.0;
    const double p99 = us[us.size() * 99 / 100] / 1000.0;

    // Baseline for the latency: the same byte read straight from the slave after poll.
    std::vector<double> bare;
    {
        Pty raw;
        fcntl(raw.slave, F_SETFL, O_NONBLOCK);
        char c;
        for (int i = 0; i < kTrips; ++i) {
            const auto start = steady_clock::now();
            SendAll(raw.master, "a", 1);
            pollfd p{raw.slave, POLLIN, 0};
            poll(&p, 1, 1000);
            [[maybe_unused]] ssize_t n = read(raw.slave, &c, 1);
            bare.push_back(duration<double, std::micro>(steady_clock::now() - start).count());
        }
        std::sort(bare.begin(), bare.end());
    }

    // Throughput: a writer thread streams 64 MiB; this thread serves deliveries.
    constexpr long kStream = 64L << 20;
    const long rssBefore = MaxRssKb();
    received = 0;
    checksum = 0;
    std::string block(1 << 16, '\0');
    long expectedSum = 0;
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<char>(i * 31);
        expectedSum += static_cast<unsigned char>(block[i]);
    }
    expectedSum *= kStream / static_cast<long>(block.size());
    const auto t0 = steady_clock::now();
    std::thread writer([&] {
        for (long sent = 0; sent < kStream; sent += static_cast<long>(block.size()))
            SendAll(pty.master, block.data(), block.size());
    });
    sync.WaitServing([&] { return received.load() >= kStream; });
    const double secs = duration<double>(steady_clock::now() - t0).count();
    writer.join();
    const double mbps = static_cast<double>(kStream) / secs / 1e6;
    const long rssGrowth = MaxRssKb() - rssBefore;

    // Idle: the port open and nothing arriving, then bytes waiting that no one
    // reads. Deliveries run in the event thread (smNone), so a thread that kept
    // announcing the same bytes would show up as CPU time rather than as a
    // thread blocked on the main thread. This thread only sleeps meanwhile.
    port.RemoveLink(&link);
    port.Close();
    port.SetSyncMethod(cport::smNone);
    std::atomic<int> announced{0};
    port.OnRxChar = [&](fw::TComponent *, int) { ++announced; };
    port.Open();
    constexpr int kIdleSeconds = 5;
    double c0 = CpuSeconds();
    std::this_thread::sleep_for(seconds(kIdleSeconds));
    const double idleCpu = (CpuSeconds() - c0) / kIdleSeconds * 100.0;
    SendAll(pty.master, "unread bytes", 12);
    std::this_thread::sleep_for(100ms);
    c0 = CpuSeconds();
    std::this_thread::sleep_for(seconds(kIdleSeconds));
    const double unreadCpu = (CpuSeconds() - c0) / kIdleSeconds * 100.0;
    port.Close();

    std::printf("receive path over a pseudo-terminal\n");
    std::printf("  latency to the main-thread callback: median %.3f ms, p99 %.3f ms (targets < 0.5, < 5)\n", median,
                p99);
    std::printf("  bare poll+read of the same byte:     median %.3f ms, p99 %.3f ms; median ratio %.1f\n",
                bare[bare.size() / 2] / 1000.0, bare[bare.size() * 99 / 100] / 1000.0,
                median / (bare[bare.size() / 2] / 1000.0));
    std::printf("  throughput into one link: %.1f MB/s (target >= 20), %s, max RSS growth %ld KiB\n", mbps,
                checksum == expectedSum ? "no byte lost" : "BYTES LOST", rssGrowth);
    std::printf("  CPU over %d s idle: %.2f %%; with %d announcement(s) of unread bytes: %.2f %% (target < 1)\n",
                kIdleSeconds, idleCpu, announced.load(), unreadCpu);
    return checksum == expectedSum ? 0 : 1;
}
