// Bytes through a real pseudo-terminal: exact in both directions, writes that
// time out instead of hanging, reads that never block.
#include "cport/ComPort.h"
#include "tests/support/Pty.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

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
