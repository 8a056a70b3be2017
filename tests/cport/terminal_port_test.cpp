#include "cport/ComPort.h"
#include "cport/ComTerminalModel.h"
#include "framework/MainThreadSync.h"
#include "tests/support/Pty.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using namespace cport;
using namespace std::chrono_literals;

namespace {

const std::string ESC = "\x1b";

// A terminal on a port whose far end is a pseudo-terminal the test plays.
struct TermOnPort : ::testing::Test {
    TermOnPort() {
        fw::TMainThreadSync::Instance().SetMainThread(std::this_thread::get_id());
        pty.MapAs("COM9");
        port.SetPort("COM9");
        term.SetComPort(&port);
        term.OnStrRecieved = [this](fw::TComponent *, std::string &str) { received += str.size(); };
    }

    // Sends bytes from the far end and serves deliveries until the terminal
    // has interpreted all of them (its answers are written by then).
    void Peer(const std::string &bytes) {
        const std::size_t target = received + bytes.size();
        pty.Send(bytes);
        ASSERT_TRUE(testsupport::WaitUntil([&] {
            fw::TMainThreadSync::Instance().CheckSynchronize();
            return received >= target;
        }));
    }

    testsupport::PtyPair pty;
    TComPort port;
    TComTerminalModel term;
    std::size_t received = 0;
};

} // namespace

TEST_F(TermOnPort, AnswersReachThePeerByteExact) {
    term.SetConnected(true);
    ASSERT_TRUE(port.Connected());
    Peer(ESC + "[3;7H" + ESC + "[6n");
    EXPECT_EQ(pty.Receive(6), ESC + "[3;7R");
    Peer(ESC + "[c");
    EXPECT_EQ(pty.Receive(7), ESC + "[?1;2c");
    Peer(ESC + "[0c");
    EXPECT_EQ(pty.Receive(7), ESC + "[?1;2c");
    Peer(ESC + "[5n");
    EXPECT_EQ(pty.Receive(4), ESC + "[0n");
    Peer(ESC + "[99;123H" + ESC + "[6n");
    EXPECT_EQ(pty.Receive(8), ESC + "[24;80R");
    // Nothing more than the answers was written.
    EXPECT_EQ(pty.Drain(50ms), "");
}

TEST_F(TermOnPort, QueriesSplitAcrossDeliveriesAreAnsweredOnce) {
    port.Open();
    const std::string query = ESC + "[12;34H" + ESC + "[6n";
    for (std::size_t cut = 1; cut < query.size(); ++cut) {
        Peer(query.substr(0, cut));
        Peer(query.substr(cut));
        EXPECT_EQ(pty.Receive(8), ESC + "[12;34R") << "cut at " << cut;
    }
    EXPECT_EQ(pty.Drain(50ms), "");
}

TEST_F(TermOnPort, Vt52AnswersIdentifyOnly) {
    term.SetEmulation(teVT52);
    port.Open();
    Peer(ESC + "Z");
    EXPECT_EQ(pty.Receive(3), ESC + "/Z");
    Peer(ESC + "[6n" + ESC + "[5n");
    EXPECT_EQ(pty.Drain(50ms), "");
}

TEST_F(TermOnPort, TypedCharactersAndKeysAreWrittenAndEchoed) {
    port.Open();
    term.SendChar('a');
    term.SendCode(ecMoveDown);
    EXPECT_EQ(pty.Receive(4), "a" + ESC + "[B");
    EXPECT_EQ(term.CursorColumn(), 1); // no local echo
    term.SetLocalEcho(true);
    term.SetSendLF(true);
    term.SendChar('x');
    term.SendChar('\r');
    EXPECT_EQ(pty.Receive(3), "x\r\n");
    EXPECT_EQ(term.ScreenBuffer().GetCell(1, 1).Ch, 'x');
    EXPECT_EQ(term.CursorColumn(), 1);
    EXPECT_EQ(term.CursorRow(), 2);
    term.SendCode(ecAppKeyUp);
    EXPECT_EQ(pty.Receive(3), ESC + "OA");
    EXPECT_EQ(term.CursorRow(), 1);
    // A NUL is a character like any other on the line.
    term.SendChar('\0');
    EXPECT_EQ(pty.Receive(1), std::string(1, '\0'));
}

TEST_F(TermOnPort, NothingIsWrittenOrEchoedOnAClosedPort) {
    term.SetLocalEcho(true);
    term.SendChar('a');
    term.SendCode(ecMoveDown);
    EXPECT_EQ(term.ScreenBuffer().GetCell(1, 1).Ch, 0);
    EXPECT_EQ(term.CursorRow(), 1);
    port.Open();
    port.Close();
    term.SendChar('b');
    EXPECT_FALSE(term.Connected());
    EXPECT_EQ(pty.Drain(50ms), "");
}

TEST_F(TermOnPort, TheLinkFollowsThePortReference) {
    ASSERT_EQ(port.Links().size(), 1u);
    TComPort other;
    term.SetComPort(&other);
    EXPECT_TRUE(port.Links().empty());
    EXPECT_EQ(other.Links().size(), 1u);
    term.SetComPort(&other); // the same port again changes nothing
    EXPECT_EQ(other.Links().size(), 1u);
    term.SetComPort(&port);
    EXPECT_TRUE(other.Links().empty());
    {
        TComTerminalModel second;
        second.SetComPort(&port);
        EXPECT_EQ(port.Links().size(), 2u);
    }
    EXPECT_EQ(port.Links().size(), 1u);
}

TEST(TermPortLifetime, ADestroyedPortIsDropped) {
    TComTerminalModel term;
    {
        TComPort port;
        term.SetComPort(&port);
        EXPECT_EQ(term.ComPort(), &port);
    }
    EXPECT_EQ(term.ComPort(), nullptr);
    term.SendChar('a');
    EXPECT_FALSE(term.Connected());
}
