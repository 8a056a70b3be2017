// The assembler fed by a real port: bytes written into a pseudo-terminal come
// out as packets through the port's event thread and main-thread delivery.

#include "PacketRecorder.h"

#include "cport/ComPort.h"
#include "cport/posix/PortTable.h"
#include "framework/MainThreadSync.h"
#include "tests/support/Pty.h"

#include <gtest/gtest.h>

using namespace packettest;
using cport::TComDataPacket;
using cport::TComPort;

namespace {

// Runs pending deliveries on this (the main) thread until cond holds.
template <typename Cond> bool PumpUntil(Cond cond) {
    return testsupport::WaitUntil([&] {
        fw::TMainThreadSync::Instance().CheckSynchronize();
        return cond();
    });
}

class DataPacketPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fw::TMainThreadSync::Instance().SetMainThread(std::this_thread::get_id());
        pty.MapAs("COM3");
        port.SetPort("COM3");
        packet.SetComPort(&port);
    }
    void TearDown() override { cport::TPortTable::Instance().RemoveEntry("COM3"); }

    testsupport::PtyPair pty;
    TComPort port;
    TComDataPacket packet;
    PacketRecorder rec{packet};
};

} // namespace

TEST_F(DataPacketPortTest, LoaderBannerSentInPiecesArrivesAsOnePacket) {
    packet.SetCaseInsensitive(true);
    packet.SetStopString("DS5000 LOADER");
    port.Open();
    pty.Send("\r\nds5000 ");
    // Let the first piece be delivered on its own before the rest follows.
    ASSERT_TRUE(PumpUntil([&] { return packet.Collected().size() == 9; }));
    pty.Send("Loader v1.2\r\n");
    ASSERT_TRUE(PumpUntil([&] { return !rec.reports.empty(); }));
    EXPECT_EQ(rec.reports, (std::vector<Report>{P("\r\n")}));
    port.Close();
}

TEST_F(DataPacketPortTest, OpenPortDestroyedFirstDetachesTheAssembler) {
    packet.SetStopString(">");
    {
        TComPort other;
        other.SetPort("COM3");
        packet.SetComPort(&other);
        other.Open();
        pty.Send("one>");
        ASSERT_TRUE(PumpUntil([&] { return rec.reports.size() == 1; }));
    }
    EXPECT_EQ(packet.ComPort(), nullptr);
    EXPECT_EQ(rec.reports, (std::vector<Report>{P("one")}));
}
