// Bytes through a real pseudo-terminal: exact in both directions, writes that
// time out instead of hanging, reads that never block.
#include "cport/ComPort.h"
#include "tests/support/Pty.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace cport;
using testsupport::PtyPair;

namespace {
struct OpenPort {
    PtyPair pty;
    TComPort port;
    explicit OpenPort(const char *name, TComEvents events = {}) {
        pty.MapAs(name);
        port.SetPort(name);
        port.SetEvents(events);
    }
};
} // namespace

TEST(PortWrite, EveryByteValueArrivesUnchanged) {
    OpenPort p("COM3");
    p.port.Open();
    std::string all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<char>(i));
    all += "\r\n\r"; // no CR/LF translation
    EXPECT_EQ(p.port.WriteString(all), static_cast<int>(all.size()));
    EXPECT_EQ(p.pty.Receive(all.size()), all);
}

TEST(PortWrite, XonXoffBytesPassWhenSoftwareFlowIsOff) {
    OpenPort p("COM3");
    p.port.Open();
    p.pty.Send(std::string("\x13", 1)); // XOFF from the peer must not stop us
    const std::string text = "\x11\x13 data \x13\x11";
    EXPECT_EQ(p.port.WriteString(text), static_cast<int>(text.size()));
    EXPECT_EQ(p.pty.Receive(text.size()), text);
}

TEST(PortWrite, EmptyTextIsAZeroLengthWrite) {
    OpenPort p("COM3");
    p.port.Open();
    EXPECT_EQ(p.port.WriteString(""), 0);
}

TEST(PortWrite, StoppedLineTimesOutWithTheCountSent) {
    OpenPort p("COM3");
    p.port.FlowControl().SetFlowControl(fcSoftware);
    p.port.Timeouts().SetWriteTotalMultiplier(0);
    p.port.Timeouts().SetWriteTotalConstant(200);
    p.port.Open();
    p.pty.Send("\x13"); // XOFF: the peer stops our output
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto start = std::chrono::steady_clock::now();
    const int sent = p.port.WriteString(std::string(5000, 'a'));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(sent, 5000);
    EXPECT_GE(took, std::chrono::milliseconds(150));
    EXPECT_LT(took, std::chrono::seconds(3));
    // XON lets later writes through again.
    p.pty.Send("\x11");
    p.pty.Drain(std::chrono::milliseconds(50));
    EXPECT_EQ(p.port.WriteString("ok"), 2);
    EXPECT_NE(p.pty.Drain().find("ok"), std::string::npos);
}

TEST(PortWrite, CallerMayChangeItsTextAfterStarting) {
    OpenPort p("COM3");
    p.port.Open();
    std::string text = "original";
    TAsyncOperation op;
    p.port.StartWrite(text.data(), static_cast<int>(text.size()), &op);
    text.assign("XXXXXXXX");
    EXPECT_EQ(p.port.WaitForCompletion(&op), 8);
    EXPECT_EQ(p.pty.Receive(8), "original");
}

TEST(PortRead, ReturnsWhatIsWaitingWithoutBlocking) {
    OpenPort p("COM3");
    p.port.Open();
    char buf[64];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(p.port.Read(buf, sizeof buf), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    p.pty.Send(std::string("\r\n\x00\xff", 4));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return p.port.InputQueueCount() == 4; }));
    std::string got;
    EXPECT_EQ(p.port.ReadString(got, 64), 4);
    EXPECT_EQ(got, std::string("\r\n\x00\xff", 4));
    EXPECT_EQ(p.port.InputQueueCount(), 0);
}

TEST(PortRead, DiscardNullDropsNulBytes) {
    OpenPort p("COM3");
    p.port.SetDiscardNull(true);
    p.port.Open();
    p.pty.Send(std::string("a\0b\0\0c", 6));
    std::string got, part;
    testsupport::WaitUntil([&] {
        p.port.ReadString(part, 16);
        got += part;
        return got.size() >= 3;
    });
    EXPECT_EQ(got, "abc");
}

TEST(PortRead, RxActivityGoesOffWhenAReadEmptiesTheQueue) {
    OpenPort p("COM3");
    TComLink link;
    std::vector<bool> activity;
    link.OnRxActivity = [&](fw::TComponent *, bool on) { activity.push_back(on); };
    p.port.AddLink(&link);
    p.port.Open();
    p.pty.Send("xy");
    ASSERT_TRUE(testsupport::WaitUntil([&] { return p.port.InputQueueCount() == 2; }));
    char buf[4];
    p.port.Read(buf, 1);
    p.port.Read(buf, 1);
    EXPECT_EQ(activity, std::vector<bool>{false});
    p.port.RemoveLink(&link);
}

TEST(PortWrite, HungUpLineFailsWithCodeTwoAndClosesCleanly) {
    OpenPort p("COM3", AllComEvents());
    p.port.SetSyncMethod(smNone);
    p.port.Open();
    p.pty.CloseMaster();
    try {
        for (int i = 0; i < 100; ++i)
            p.port.WriteString("x");
        FAIL() << "writes to a hung-up line succeeded";
    } catch (const EComPort &e) {
        EXPECT_EQ(e.ErrorCode(), 2);
        EXPECT_NE(e.PlatformError(), -1);
    }
    const auto start = std::chrono::steady_clock::now();
    p.port.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(p.port.Connected());
}

// A write that times out never takes back what earlier writes handed over:
// the peer receives every byte each write reported, in order, and no others.
TEST(PortWrite, TimedOutWritesReportExactlyWhatThePeerReceives) {
    struct Case {
        const char *name;
        std::vector<std::size_t> lengths; // one write each, until one falls short
    };
    const Case cases[] = {
        {"a large write, then one that times out", {8000, 20000}},
        {"one byte per write, as Program writes", std::vector<std::size_t>(200000, 1)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        OpenPort p("COM3");
        p.port.Timeouts().SetWriteTotalMultiplier(0);
        p.port.Timeouts().SetWriteTotalConstant(100);
        p.port.Open();
        std::string expected;
        bool timedOut = false;
        for (std::size_t i = 0; i < c.lengths.size() && !timedOut; ++i) {
            const std::string text(c.lengths[i], static_cast<char>('a' + i % 26));
            const int sent = p.port.WriteString(text);
            expected += text.substr(0, static_cast<std::size_t>(sent));
            timedOut = sent < static_cast<int>(text.size());
        }
        ASSERT_TRUE(timedOut) << "the peer never stopped taking bytes";
        const std::string got = p.pty.Drain(std::chrono::milliseconds(300));
        EXPECT_EQ(got.size(), expected.size());
        EXPECT_TRUE(got == expected);
    }
}

// An operation that finds the device gone closes the port before it raises,
// so the error is seen once and the next Open opens the device afresh.
TEST(PortGone, AnOperationOnAHungUpLineClosesThePortAndRaisesOnce) {
    struct Case {
        const char *name;
        std::function<void(TComPort &)> operation;
        int code;
    };
    const Case cases[] = {
        {"write", [](TComPort &port) { port.WriteString("x"); }, CError_WriteFailed},
        {"device state", [](TComPort &port) { port.SetBaudRate(br19200); }, CError_SetStateFailed},
        {"settings update",
         [](TComPort &port) {
             port.BeginSettingsUpdate();
             port.EndSettingsUpdate();
         },
         CError_SetStateFailed},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto pty = std::make_unique<PtyPair>();
        OpenPort p("COM3", AllComEvents());
        pty->MapAs("COM3");
        int afterClose = 0;
        p.port.OnAfterClose = [&](fw::TComponent *) { ++afterClose; };
        p.port.Open();
        pty->CloseMaster();
        try {
            c.operation(p.port);
            FAIL() << "no error on a hung-up line";
        } catch (const EComPort &e) {
            EXPECT_EQ(e.ErrorCode(), c.code);
            EXPECT_EQ(e.PlatformError(), winerr::ERROR_IO_DEVICE);
        }
        EXPECT_FALSE(p.port.Connected());
        EXPECT_EQ(afterClose, 1);
        // Plugged in again: a new line under the same name opens.
        pty = std::make_unique<PtyPair>();
        pty->MapAs("COM3");
        EXPECT_NO_THROW(p.port.Open());
        EXPECT_EQ(p.port.WriteString("ok"), 2);
        EXPECT_EQ(pty->Receive(2), "ok");
        p.port.Close();
    }
}

// A read with an interval timeout returns what arrived once the line has
// been quiet for the interval; it never waits for the whole count.
TEST(PortRead, IntervalTimeoutReturnsWhatArrived) {
    struct Case {
        int interval, multiplier, constant;
        std::string waiting;
    };
    const Case cases[] = {
        {50, 0, 0, "abc"}, {50, 0, 0, ""}, {1, 0, 0, "x"}, {30, 1, 10000, "abcd"}, {-1, 0, 0, "ab"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.interval) + "/" + std::to_string(c.multiplier) + "/" +
                     std::to_string(c.constant) + " with '" + c.waiting + "' waiting");
        OpenPort p("COM3");
        p.port.Timeouts().SetReadInterval(c.interval);
        p.port.Timeouts().SetReadTotalMultiplier(c.multiplier);
        p.port.Timeouts().SetReadTotalConstant(c.constant);
        p.port.Open();
        p.pty.Send(c.waiting);
        ASSERT_TRUE(
            testsupport::WaitUntil([&] { return p.port.InputQueueCount() == static_cast<int>(c.waiting.size()); }));
        auto read = std::async(std::launch::async, [&] {
            std::string got;
            p.port.ReadString(got, 100);
            return got;
        });
        const bool returned = read.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
        if (!returned)
            p.pty.Send(std::string(100, '-')); // let a blocked read end before failing
        const std::string got = read.get();
        EXPECT_TRUE(returned);
        if (returned) {
            EXPECT_EQ(got, c.waiting);
        }
    }
}
