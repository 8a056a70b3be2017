// The order in which a batch of line events reaches the handlers, on both
// delivery paths, and what each event, modem bit and line-error bit stands for.
#include "cport/ComPort.h"
#include "framework/MainThreadSync.h"
#include "tests/support/FakeComDevice.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace cport;
using testsupport::FakeComDevice;

namespace {

// A thread-safe log shared by the handlers and the device, which outlives the port's device.
struct SharedLog {
    std::mutex mutex;
    std::vector<std::string> lines;
    void Add(const std::string &line) {
        std::lock_guard lock(mutex);
        lines.push_back(line);
    }
    std::vector<std::string> Take() {
        std::lock_guard lock(mutex);
        return std::exchange(lines, {});
    }
    std::size_t Size() {
        std::lock_guard lock(mutex);
        return lines.size();
    }
};

// Logs the purges and event-mask changes, which happen as the device goes.
class LoggingDevice : public FakeComDevice {
  public:
    explicit LoggingDevice(SharedLog &log) : log_(log) {}
    std::int32_t Purge(std::uint32_t f) override {
        log_.Add("Purge " + std::to_string(f));
        return FakeComDevice::Purge(f);
    }
    std::int32_t EscapeFunction(std::uint32_t f) override {
        log_.Add("Escape " + std::to_string(f));
        return FakeComDevice::EscapeFunction(f);
    }

  private:
    SharedLog &log_;
};

class LoggingPort : public TComPort {
  public:
    explicit LoggingPort(SharedLog &log) : TComPort(nullptr), log_(log) {}
    LoggingDevice *fake = nullptr;

  protected:
    void OpenDevice() override {
        auto device = std::make_unique<LoggingDevice>(log_);
        fake = device.get();
        AttachDevice(std::move(device));
    }
    void CloseDevice() override {
        TComPort::CloseDevice();
        fake = nullptr;
    }

  private:
    SharedLog &log_;
};

class EventOrder : public ::testing::Test {
  protected:
    void SetUp() override {
        fw::TMainThreadSync::Instance().SetMainThread(std::this_thread::get_id());
        auto sig = [this](const char *name) {
            return [this, name](fw::TComponent *, bool on) { log.Add(std::string(name) + (on ? " 1" : " 0")); };
        };
        auto plain = [this](const char *name) { return [this, name](fw::TComponent *) { log.Add(name); }; };
        port.OnRxChar = [this](fw::TComponent *, std::int32_t n) { log.Add("RxChar " + std::to_string(n)); };
        port.OnTxEmpty = plain("TxEmpty");
        port.OnRxFlag = plain("RxFlag");
        port.OnRing = plain("Ring");
        port.OnBreak = plain("Break");
        port.OnCTSChange = sig("CTS");
        port.OnDSRChange = sig("DSR");
        port.OnRLSDChange = sig("RLSD");
        port.OnError = [this](fw::TComponent *, TComErrors) { log.Add("Error"); };
        port.OnRx80Full = plain("Rx80Full");
        link.OnCTSChange = sig("link CTS");
        link.OnDSRChange = sig("link DSR");
        link.OnRLSDChange = sig("link RLSD");
        link.OnRing = plain("link Ring");
        link.OnTxActivity = sig("link Tx");
        port.AddLink(&link);
    }
    void TearDown() override {
        port.Close();
        port.RemoveLink(&link);
    }
    void OpenQuietly() {
        port.Open();
        port.fake->input = "x"; // so that a receive event has a byte to report
        log.Take();
    }

    SharedLog log;
    LoggingPort port{log};
    TComLink link;
};

// Every event of a batch, in the order the handlers must hear them; links
// hear of an event before the port's own handler.
const std::vector<std::string> kWholeBatch = {"RxChar 1", "link Tx 0",   "TxEmpty", "Break",      "link Ring",
                                              "Ring",     "link CTS 0",  "CTS 0",   "link DSR 0", "DSR 0",
                                              "RxFlag",   "link RLSD 0", "RLSD 0",  "Error",      "Rx80Full"};

} // namespace

TEST_F(EventOrder, DirectDispatchFollowsTheFixedOrder) {
    port.SetSyncMethod(smNone);
    OpenQuietly();
    port.DispatchEvents(AllComEvents());
    EXPECT_EQ(log.Take(), kWholeBatch);
}

TEST_F(EventOrder, WindowSyncDeliversEventByEventInTheSameOrder) {
    port.SetSyncMethod(smWindowSync);
    std::vector<std::string> got;
    std::thread owner([&] {
        OpenQuietly();
        port.fake->PushEvents(EventsToMask(AllComEvents()));
        fw::TMainThreadSync::Instance().WaitServing([&] { return log.Size() >= kWholeBatch.size(); });
        got = log.Take();
        port.Close();
        log.Take();
    });
    owner.join();
    EXPECT_EQ(got, kWholeBatch);
}

TEST_F(EventOrder, EachSignalEventReportsItsOwnLine) {
    struct Row {
        TComEvent event;
        std::uint32_t status;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {evCTS, comm::MS_CTS_ON, {"link CTS 1", "CTS 1"}},
        {evDSR, comm::MS_DSR_ON, {"link DSR 1", "DSR 1"}},
        {evRLSD, comm::MS_RLSD_ON, {"link RLSD 1", "RLSD 1"}},
        // Another line's bit leaves the event's own line off.
        {evCTS, comm::MS_DSR_ON | comm::MS_RLSD_ON | comm::MS_RING_ON, {"link CTS 0", "CTS 0"}},
        {evDSR, comm::MS_CTS_ON | comm::MS_RLSD_ON | comm::MS_RING_ON, {"link DSR 0", "DSR 0"}},
        {evRLSD, comm::MS_CTS_ON | comm::MS_DSR_ON | comm::MS_RING_ON, {"link RLSD 0", "RLSD 0"}},
    };
    port.SetSyncMethod(smNone);
    port.SetEvents({});
    OpenQuietly();
    for (const Row &row : rows) {
        port.fake->modemStatus = row.status;
        port.HandleEvent(row.event);
        EXPECT_EQ(log.Take(), row.expected) << "event " << int(row.event) << " status " << row.status;
    }
}

TEST_F(EventOrder, ModemStatusBitsAndLineErrorBitsMapOneToOne) {
    port.SetEvents({});
    OpenQuietly();
    const std::pair<std::uint32_t, TComLineSignal> signals[] = {
        {comm::MS_CTS_ON, sigCTS}, {comm::MS_DSR_ON, sigDSR}, {comm::MS_RING_ON, sigRing}, {comm::MS_RLSD_ON, sigRLSD}};
    for (const auto &[bit, signal] : signals) {
        port.fake->modemStatus = bit;
        EXPECT_EQ(port.ReadSignals(), TComLineSignals({signal})) << "status bit " << bit;
    }
    struct ErrorRow {
        std::uint32_t bits;
        bool check;
        TComErrors expected;
    };
    const ErrorRow errors[] = {
        {comm::CE_FRAME, false, {errFrame}},     {comm::CE_RXPARITY, true, {errRxParity}},
        {comm::CE_RXPARITY, false, {}}, // not checked, not reported
        {comm::CE_OVERRUN, false, {errOverrun}}, {comm::CE_BREAK, false, {errBreak}},
        {comm::CE_IOE, false, {errIO}},          {comm::CE_MODE, false, {errMode}},
        {comm::CE_RXOVER, false, {errRxOver}},   {comm::CE_TXFULL, false, {errTxFull}},
    };
    for (const ErrorRow &row : errors) {
        port.Parity().SetCheck(row.check);
        port.fake->lineErrors = row.bits;
        EXPECT_EQ(port.ReadLineErrors(), row.expected) << "error bits " << row.bits << " check " << row.check;
    }
}

TEST_F(EventOrder, DtrCodesAndPurgesAtCloseAndThreadEnd) {
    port.SetSyncMethod(smNone);
    OpenQuietly();
    port.SetDTR(true);
    port.SetDTR(false);
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Escape " + std::to_string(comm::SETDTR),
                                                    "Escape " + std::to_string(comm::CLRDTR)}));
    port.Close();
    std::vector<std::string> purges;
    for (const std::string &line : log.Take())
        if (line.rfind("Purge", 0) == 0)
            purges.push_back(line);
    // Pending I/O is aborted first; the ending event thread then clears the queues.
    EXPECT_EQ(purges, (std::vector<std::string>{"Purge " + std::to_string(comm::PURGE_TXABORT | comm::PURGE_RXABORT),
                                                "Purge " + std::to_string(comm::PURGE_TXCLEAR | comm::PURGE_RXCLEAR)}));
}

TEST_F(EventOrder, LinksHearOfWritesAndOfTheLinesDroppingAtClose) {
    port.SetSyncMethod(smNone);
    port.SetEvents({});
    OpenQuietly();
    port.WriteString("ab");
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"link Tx 1"}));
    port.fake->modemStatus = comm::MS_CTS_ON | comm::MS_DSR_ON | comm::MS_RLSD_ON;
    port.Close();
    std::vector<std::string> expected = {"link CTS 0", "link DSR 0", "link RLSD 0", "CTS 0", "DSR 0", "RLSD 0"};
    std::vector<std::string> got;
    for (const std::string &line : log.Take())
        if (line.rfind("Purge", 0) != 0)
            got.push_back(line);
    EXPECT_EQ(got, expected);
}
