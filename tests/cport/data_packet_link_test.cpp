// The assembler as a listener of a port: registering its link, moving it
// between ports, and letting go when either side is destroyed first.

#include "PacketRecorder.h"

#include "cport/ComPort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace packettest;
using cport::TComDataPacket;
using cport::TComPort;

namespace {

bool Listens(const cport::TCustomComPort &port, const TComDataPacket &packet) {
    const auto &links = port.Links();
    return std::find(links.begin(), links.end(), &packet.Link()) != links.end();
}

// Hands a chunk to the links exactly as the port's receive handling does.
void Deliver(cport::TCustomComPort &port, const std::string &chunk) {
    for (cport::TComLink *link : port.Links())
        if (link->OnRxBuf)
            link->OnRxBuf(&port, chunk.data(), static_cast<std::int32_t>(chunk.size()));
}

} // namespace

TEST(DataPacketLinkTest, SettingThePortRegistersTheLinkOnce) {
    TComPort port;
    TComDataPacket packet;
    packet.SetComPort(&port);
    packet.SetComPort(&port);
    EXPECT_EQ(packet.ComPort(), &port);
    ASSERT_EQ(port.Links().size(), 1u);
    EXPECT_TRUE(Listens(port, packet));
}

TEST(DataPacketLinkTest, MovingToAnotherPortKeepsTheCollectedText) {
    TComPort first;
    TComPort second;
    TComDataPacket packet;
    PacketRecorder rec(packet);
    packet.SetStopString(">");
    packet.SetComPort(&first);
    Deliver(first, "ab");
    packet.SetComPort(&second);
    EXPECT_FALSE(Listens(first, packet));
    EXPECT_TRUE(Listens(second, packet));
    Deliver(first, "lost>");
    Deliver(second, "c>");
    EXPECT_EQ(rec.reports, (std::vector<Report>{P("abc")}));

    packet.SetComPort(nullptr);
    EXPECT_TRUE(second.Links().empty());
}

TEST(DataPacketLinkTest, PortDestroyedFirstDetachesTheAssembler) {
    auto port = std::make_unique<TComPort>();
    TComDataPacket packet;
    packet.SetStopString(">");
    packet.SetComPort(port.get());
    Deliver(*port, "kept");
    port.reset();
    EXPECT_EQ(packet.ComPort(), nullptr);
    EXPECT_EQ(packet.Collected(), "kept");

    // A new port at possibly the same address must not be mistaken for the old one.
    TComPort other;
    packet.SetComPort(&other);
    EXPECT_TRUE(Listens(other, packet));
}

TEST(DataPacketLinkTest, AssemblerDestroyedFirstUnregistersItsLink) {
    TComPort port;
    auto packet = std::make_unique<TComDataPacket>();
    packet->SetComPort(&port);
    packet.reset();
    EXPECT_TRUE(port.Links().empty());
}

TEST(DataPacketLinkTest, AnOwnerMayFreeItsPortAndAssemblerInEitherOrder) {
    for (bool portFirst : {true, false}) {
        auto owner = std::make_unique<fw::TComponent>();
        TComPort *port = nullptr;
        TComDataPacket *packet = nullptr;
        if (portFirst) {
            port = new TComPort(owner.get());
            packet = new TComDataPacket(owner.get());
        } else {
            packet = new TComDataPacket(owner.get());
            port = new TComPort(owner.get());
        }
        packet->SetComPort(port);
        // The owner frees the later component first; with the port created
        // second, the assembler hears of its removal and lets go.
        EXPECT_NO_THROW(owner.reset()) << (portFirst ? "port created first" : "assembler created first");
    }
}

TEST(DataPacketLinkTest, LinkRemovedBehindItsBackDoesNotBreakDestruction) {
    TComPort port;
    {
        TComDataPacket packet;
        packet.SetComPort(&port);
        port.RemoveLink(const_cast<cport::TComLink *>(&packet.Link()));
        EXPECT_THROW(packet.SetComPort(nullptr), cport::EComPort) << "the setter reports the failed unregistration";
    }
    EXPECT_TRUE(port.Links().empty());
}
