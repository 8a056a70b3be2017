// program --verify of a 32 KB image through the simulated kit, its line paced
// at 57600 baud: the download and the read-back, each against the line's
// physical minimum (10 bits for every byte sent and received).
#include "LoaderSimulator.h"
#include "cport/posix/PortTable.h"
#include "loader/Commands.h"
#include "loader/HexFile.h"
#include "loader/LoaderSession.h"
#include "loader/PortLine.h"

#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 57600;

loader::THexFile Image32k() {
    std::string text;
    for (unsigned r = 0; r < 0x8000 / 16; ++r) {
        std::uint8_t data[16];
        for (unsigned i = 0; i < 16; ++i)
            data[i] = static_cast<std::uint8_t>((r * 16 + i) * 7 + 3);
        text += loader::FormatRecord(0, static_cast<std::uint16_t>(r * 16), data, 16) + "\r\n";
    }
    return loader::ParseHex(text + ":00000001FF\r\n", "bench.hex");
}

struct Phase {
    double seconds = 0;
    std::size_t sent = 0, received = 0;
    double Minimum() const { return static_cast<double>(sent + received) * 10.0 / kRate; }
    double Ratio() const { return seconds > 0 ? Minimum() / seconds : 0; }
};

void Print(const char *name, const Phase &p) {
    std::printf("%-10s %7zu bytes sent %7zu received  %7.2f s  line minimum %7.2f s  %5.1f %% of line rate\n", name,
                p.sent, p.received, p.seconds, p.Minimum(), 100.0 * p.Ratio());
}

} // namespace

int main() {
    loadersim::TSimulatorOptions options;
    options.paceToBaudRate = true;
    loadersim::TLoaderSimulator sim(options);
    cport::TPortTable::Instance().SetEntry("COM5", sim.SlavePath());
    loader::TPortLine line;
    line.Port().SetPort("COM5");
    line.Port().SetBaudRate(cport::br57600);
    line.Open();
    loader::TLoaderSession session(line);
    const auto file = Image32k();

    const auto mark = [&](Phase &p, Clock::time_point start, std::size_t sent0, std::size_t received0) {
        p.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        p.sent = line.BytesSent() - sent0;
        p.received = line.BytesReceived() - received0;
    };
    Phase wake, download, readBack, total;
    auto t0 = Clock::now();
    session.Wake();
    session.Command(loader::PartitionCommand(0x2000));
    mark(wake, t0, 0, 0);

    auto t1 = Clock::now();
    std::size_t s1 = line.BytesSent(), r1 = line.BytesReceived();
    session.Load(file);
    mark(download, t1, s1, r1);

    auto t2 = Clock::now();
    std::size_t s2 = line.BytesSent(), r2 = line.BytesReceived();
    const auto cmp = loader::VerifyFile(session, file);
    mark(readBack, t2, s2, r2);
    mark(total, t0, 0, 0);
    line.Close();

    std::printf("program --verify, 32 KB image (%zu records), simulated kit paced at %d baud\n", file.records.size(),
                kRate);
    Print("wake-up", wake);
    Print("download", download);
    Print("read-back", readBack);
    Print("total", total);
    const bool ok = cmp.differingBytes == 0 && download.Ratio() >= 0.95 && readBack.Ratio() >= 0.95;
    std::printf("verify: %zu of %zu bytes differ; target 95 %% of line rate for download and read-back: %s\n",
                cmp.differingBytes, cmp.comparedBytes, ok ? "met" : "NOT met");
    return ok ? 0 : 1;
}
