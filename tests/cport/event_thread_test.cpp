// The event thread and the dispatch of line events to the port and its links.
#include "cport/ComPort.h"
#include "framework/MainThreadSync.h"
#include "tests/support/FakeComDevice.h"
#include "tests/support/Pty.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace cport;
using namespace std::chrono_literals;
using testsupport::FakeDevicePort;
using testsupport::PtyPair;

namespace {

// Serves main-thread deliveries until pred holds or the time is up.
template <typename Pred> bool Pump(Pred pred, std::chrono::milliseconds limit = 3000ms) {
    auto &sync = fw::TMainThreadSync::Instance();
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        if (!sync.CheckSynchronize())
            std::this_thread::sleep_for(1ms);
    }
    return true;
}

class EventThread : public ::testing::Test {
  protected:
    void SetUp() override {
        fw::TMainThreadSync::Instance().SetMainThread(std::this_thread::get_id());
        pty.MapAs("COM3");
        port.SetPort("COM3");
    }
    // Links live in the tests' frames: close before they go, even after a failed assertion.
    void TearDown() override { port.Close(); }
    PtyPair pty;
    TComPort port;
};

} // namespace

TEST_F(EventThread, WithoutDataLinksOnlyRxCharIsToldAndNothingIsRead) {
    std::vector<int> counts;
    port.OnRxChar = [&](fw::TComponent *, int n) { counts.push_back(n); };
    TComLink ctsOnly;
    ctsOnly.OnCTSChange = [](fw::TComponent *, bool) {};
    port.AddLink(&ctsOnly);
    port.Open();
    pty.Send("hello");
    ASSERT_TRUE(Pump([&] { return !counts.empty(); }));
    EXPECT_EQ(counts.front(), 5);
    EXPECT_EQ(port.InputQueueCount(), 5); // the bytes stay for the owner of OnRxChar
    port.RemoveLink(&ctsOnly);
}

TEST_F(EventThread, TwoDataLinksShareOneReadInRegistrationOrder) {
    std::vector<std::string> log;
    int rxChar = 0;
    port.OnRxChar = [&](fw::TComponent *, int) { ++rxChar; };
    port.OnRxBuf = [&](fw::TComponent *, const char *b, int n) { log.push_back("port " + std::string(b, n)); };
    TComLink first, second;
    first.OnRxBuf = [&](fw::TComponent *, const char *b, int n) { log.push_back("first " + std::string(b, n)); };
    second.OnRxBuf = [&](fw::TComponent *, const char *b, int n) { log.push_back("second " + std::string(b, n)); };
    port.AddLink(&first);
    port.AddLink(&second);
    port.Open();
    pty.Send("abc");
    ASSERT_TRUE(Pump([&] { return log.size() >= 3; }));
    EXPECT_EQ(log, (std::vector<std::string>{"port abc", "first abc", "second abc"}));
    EXPECT_EQ(rxChar, 0);
    EXPECT_EQ(port.InputQueueCount(), 0);
    port.RemoveLink(&first);
    port.RemoveLink(&second);
}

TEST_F(EventThread, EveryChunkArrivesInOrderUnderLoad) {
    std::string got;
    TComLink link;
    link.OnRxBuf = [&](fw::TComponent *, const char *b, int n) { got.append(b, n); };
    port.AddLink(&link);
    port.Open();
    std::string sent;
    for (int i = 0; i < 200000; ++i)
        sent.push_back(static_cast<char>(i * 7));
    std::thread writer([&] { pty.Send(sent); });
    ASSERT_TRUE(Pump([&] { return got.size() >= sent.size(); }, 10000ms)) << got.size();
    writer.join();
    EXPECT_TRUE(got == sent);
    port.RemoveLink(&link);
}

TEST_F(EventThread, EventCharacterRaisesRxFlag) {
    std::atomic<int> flags{0};
    port.SetEventChar('\n');
    port.SetSyncMethod(smNone);
    port.OnRxFlag = [&](fw::TComponent *) { ++flags; };
    port.Open();
    pty.Send("no flag here");
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(flags.load(), 0);
    pty.Send("line\n");
    EXPECT_TRUE(testsupport::WaitUntil([&] { return flags.load() == 1; }));
}

TEST_F(EventThread, InputQueueEightyPercentFull) {
    std::atomic<int> full{0};
    port.Buffer().SetInputSize(100);
    port.SetSyncMethod(smNone);
    port.OnRx80Full = [&](fw::TComponent *) { ++full; };
    port.Open();
    pty.Send(std::string(50, 'x'));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(full.load(), 0);
    pty.Send(std::string(40, 'x'));
    EXPECT_TRUE(testsupport::WaitUntil([&] { return full.load() == 1; }));
}

TEST_F(EventThread, WriteCompletionRaisesTxEmptyAfterTheLinks) {
    std::vector<std::string> log;
    TComLink link;
    link.OnTxActivity = [&](fw::TComponent *, bool on) { log.push_back(on ? "tx on" : "tx off"); };
    port.AddLink(&link);
    port.OnTxEmpty = [&](fw::TComponent *) { log.push_back("TxEmpty"); };
    port.Open();
    port.WriteString("ping");
    ASSERT_TRUE(Pump([&] { return log.size() >= 3; }));
    EXPECT_EQ(log, (std::vector<std::string>{"tx on", "tx off", "TxEmpty"}));
    port.RemoveLink(&link);
}

TEST_F(EventThread, CloseDuringAPendingDeliveryServesItAndEnds) {
    int rxChar = 0;
    port.OnRxChar = [&](fw::TComponent *, int) { ++rxChar; };
    port.Open();
    pty.Send("x");
    std::this_thread::sleep_for(100ms); // the thread now waits for the main thread
    const auto start = std::chrono::steady_clock::now();
    port.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_EQ(rxChar, 1);
    // Closing purged the queues: a new open starts empty.
    port.SetEvents({});
    port.Open();
    EXPECT_EQ(port.InputQueueCount(), 0);
}

TEST_F(EventThread, AnErrorInAHandlerIsReportedAndLaterBatchesStillArrive) {
    // The hook runs in the event thread.
    std::mutex reportedMutex;
    std::vector<std::string> reported;
    auto reportedCopy = [&] {
        std::lock_guard lock(reportedMutex);
        return reported;
    };
    fw::SetDeliveryErrorHandler([&](const std::exception_ptr &e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception &x) {
            std::lock_guard lock(reportedMutex);
            reported.push_back(x.what());
        }
    });
    std::string got;
    TComLink link;
    link.OnRxBuf = [&](fw::TComponent *, const char *b, int n) {
        got.append(b, n);
        if (got == "bad")
            throw std::runtime_error("listener failed");
    };
    port.AddLink(&link);
    port.Open();
    pty.Send("bad");
    ASSERT_TRUE(Pump([&] { return !reportedCopy().empty(); }));
    pty.Send("good");
    ASSERT_TRUE(Pump([&] { return got.size() >= 7; }));
    EXPECT_EQ(got, "badgood");
    EXPECT_EQ(reportedCopy(), std::vector<std::string>{"listener failed"});
    fw::SetDeliveryErrorHandler(nullptr);
    port.RemoveLink(&link);
}

TEST_F(EventThread, AHandlerThatClosesThePortDoesNotWaitForItsOwnDelivery) {
    int rxChar = 0;
    port.OnRxChar = [&](fw::TComponent *, int) {
        ++rxChar;
        port.Close();
    };
    port.Open();
    pty.Send("x");
    ASSERT_TRUE(Pump([&] { return !port.Connected(); }));
    EXPECT_EQ(rxChar, 1);
    // The stopped thread lets go of the line, so the port opens again.
    port.OnRxChar = nullptr;
    EXPECT_NO_THROW(port.Open());
    pty.Send("y");
    std::string got;
    TComLink link;
    link.OnRxBuf = [&](fw::TComponent *, const char *b, int n) { got.append(b, n); };
    port.AddLink(&link);
    pty.Send("z");
    EXPECT_TRUE(Pump([&] { return got.find('z') != std::string::npos; }));
    port.Close();
    port.RemoveLink(&link);
}

TEST_F(EventThread, AHandlerInTheEventThreadMayCloseThePort) {
    std::atomic<int> rxChar{0};
    std::atomic<bool> closed{false};
    std::atomic<bool> opened{false};
    port.SetSyncMethod(smNone);
    port.OnRxChar = [&](fw::TComponent *, int) {
        ++rxChar;
        // The test's thread finished opening before it sent the byte; say so
        // in a way the race detector can see (it cannot see through the pty).
        while (!opened.load())
            std::this_thread::yield();
        port.Close();
        closed = true; // hands the port back to the test's thread
    };
    port.Open();
    opened = true;
    pty.Send("x");
    ASSERT_TRUE(testsupport::WaitUntil([&] { return closed.load(); }));
    EXPECT_FALSE(port.Connected());
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(rxChar.load(), 1);
}

TEST_F(EventThread, AHandlerServedDuringCloseMayCloseAgain) {
    int rxChar = 0;
    port.OnRxChar = [&](fw::TComponent *, int) {
        ++rxChar;
        port.Close(); // the outer close is already under way
    };
    port.Open();
    pty.Send("x");
    std::this_thread::sleep_for(100ms); // the delivery now waits for this thread
    port.Close();
    EXPECT_EQ(rxChar, 1);
    EXPECT_FALSE(port.Connected());
    EXPECT_NO_THROW(port.Open());
}

// --- events a pseudo-terminal cannot produce, through a scripted device ---

class ScriptedEvents : public ::testing::Test {
  protected:
    void SetUp() override { fw::TMainThreadSync::Instance().SetMainThread(std::this_thread::get_id()); }
    FakeDevicePort port;
    std::vector<std::string> log;
    TComLink link;

    void WatchEverything() {
        link.OnCTSChange = [this](fw::TComponent *, bool on) { Log("link CTS", on); };
        link.OnRLSDChange = [this](fw::TComponent *, bool on) { Log("link RLSD", on); };
        link.OnRing = [this](fw::TComponent *) { Log("link Ring"); };
        link.OnRxBuf = [this](fw::TComponent *, const char *b, int n) { Log("link data " + std::string(b, n)); };
        port.OnCTSChange = [this](fw::TComponent *, bool on) { Log("CTS", on); };
        port.OnRLSDChange = [this](fw::TComponent *, bool on) { Log("RLSD", on); };
        port.OnRing = [this](fw::TComponent *) { Log("Ring"); };
        port.OnBreak = [this](fw::TComponent *) { Log("Break"); };
        port.OnError = [this](fw::TComponent *, TComErrors e) { Log("Error " + std::to_string(e.ToBits())); };
        port.AddLink(&link);
    }
    void Log(const std::string &s) {
        std::lock_guard lock(mutex);
        log.push_back(s);
    }
    void Log(const std::string &s, bool on) { Log(s + (on ? " 1" : " 0")); }
    std::size_t Size() {
        std::lock_guard lock(mutex);
        return log.size();
    }
    void TearDown() override {
        port.Close();
        port.RemoveLink(&link);
    }
    std::mutex mutex;
};

TEST_F(ScriptedEvents, SignalChangesReachLinksThenThePort) {
    WatchEverything();
    port.Open();
    log.clear();
    port.fake->modemStatus = comm::MS_CTS_ON;
    port.fake->PushEvents(comm::EV_CTS | comm::EV_BREAK);
    ASSERT_TRUE(Pump([&] { return Size() >= 3; }));
    EXPECT_EQ(log, (std::vector<std::string>{"Break", "link CTS 1", "CTS 1"}));
}

TEST_F(ScriptedEvents, ReceiveIsHandledBeforeTheErrorOfTheSameBatch) {
    WatchEverything();
    port.Open();
    log.clear();
    port.fake->input = "zz";
    port.fake->lineErrors = comm::CE_FRAME | comm::CE_RXPARITY; // parity unchecked: not reported
    port.fake->PushEvents(comm::EV_ERR | comm::EV_RXCHAR);
    ASSERT_TRUE(Pump([&] { return Size() >= 2; }));
    // The queue count taken for the receive cleared the device's error flags.
    EXPECT_EQ(log, (std::vector<std::string>{"link data zz", "Error 0"}));
}

TEST_F(ScriptedEvents, ReceiveEventWithAnEmptyQueueDoesNothing) {
    WatchEverything();
    int activity = 0;
    link.OnRxActivity = [&](fw::TComponent *, bool) { ++activity; };
    port.Open();
    log.clear();
    port.fake->PushEvents(comm::EV_RXCHAR);
    ASSERT_TRUE(Pump([&] { return port.fake->EventsDrained(); }));
    Pump([] { return false; }, 50ms);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(activity, 0);
}

TEST_F(ScriptedEvents, WindowSyncDeliversEachEventToTheOpeningThread) {
    WatchEverything();
    port.SetSyncMethod(smWindowSync);
    std::atomic<bool> done{false};
    std::thread::id opener;
    std::vector<std::thread::id> ranOn;
    port.OnRLSDChange = [&](fw::TComponent *, bool on) {
        ranOn.push_back(std::this_thread::get_id());
        Log("RLSD", on);
    };
    std::thread owner([&] {
        opener = std::this_thread::get_id();
        port.Open();
        log.clear();
        ranOn.clear();
        port.fake->modemStatus = comm::MS_RLSD_ON;
        port.fake->PushEvents(comm::EV_RLSD);
        port.fake->PushEvents(comm::EV_RING);
        fw::TMainThreadSync::Instance().WaitServing([&] { return Size() >= 4; });
        port.Close();
        done = true;
    });
    owner.join();
    ASSERT_TRUE(done);
    EXPECT_EQ(log, (std::vector<std::string>{"link RLSD 1", "RLSD 1", "link Ring", "Ring", "link CTS 0", "link RLSD 0",
                                             "CTS 0", "RLSD 0"}));
    ASSERT_FALSE(ranOn.empty());
    EXPECT_EQ(ranOn.front(), opener);
}

// A handler that closes its own port lets go of the device before Close
// returns, whichever thread it runs on: another port object can take the
// line at once, and the same port can open it again from the same handler.
TEST(HandlerClose, ReleasesTheDeviceUnderEverySyncMethod) {
    for (const TSyncMethod method : {smThreadSync, smWindowSync, smNone})
        for (const bool reopen : {false, true}) {
            SCOPED_TRACE(std::to_string(method) + (reopen ? " close and open" : " close"));
            fw::TMainThreadSync::Instance().SetMainThread(std::this_thread::get_id());
            PtyPair pty;
            pty.MapAs("COM3");
            TComPort port;
            port.SetPort("COM3");
            port.SetSyncMethod(method);
            std::atomic<bool> opened{false}; // what the pty cannot show the race detector
            std::atomic<bool> handled{false};
            std::atomic<int> laterBytes{0};
            std::string failure; // written by the handler before `handled`
            port.OnRxChar = [&](fw::TComponent *, int n) {
                if (handled.load()) {
                    laterBytes += n;
                    return;
                }
                while (!opened.load())
                    std::this_thread::yield();
                try {
                    port.Close();
                    TComPort other;
                    other.SetPort("COM3");
                    other.SetEvents({});
                    other.Open(); // refused (code 1, error 5) while the closed port keeps the device
                    other.Close();
                    if (reopen)
                        port.Open();
                } catch (const std::exception &e) {
                    failure = e.what();
                }
                handled = true;
            };
            port.Open();
            opened = true;
            pty.Send("x");
            ASSERT_TRUE(Pump([&] { return handled.load(); }));
            EXPECT_EQ(failure, "");
            EXPECT_EQ(port.Connected(), reopen);
            if (reopen) {
                pty.Send("yz");
                EXPECT_TRUE(Pump([&] { return laterBytes.load() >= 2; }));
            }
            port.Close();
        }
}
