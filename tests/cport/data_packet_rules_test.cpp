// The packet assembler's rules, one row per case: how start, stop and size
// end a packet, what is stripped and discarded, and when collected text goes.
#include "PacketRecorder.h"
#include "cport/ComPort.h"
#include "tests/support/FakeComDevice.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace cport;
using namespace packettest;

namespace {

struct Settings {
    std::string start, stop;
    std::int32_t size = 0;
    bool include = false;
    bool caseless = false;
    std::int32_t max = 0;
};

struct Row {
    const char *name;
    Settings settings;
    std::vector<std::string> chunks;
    std::vector<Report> expected;
    std::string left; // what stays collected afterwards
};

void Configure(TComDataPacket &packet, const Settings &s) {
    packet.SetStartString(s.start);
    packet.SetStopString(s.stop);
    packet.SetSize(s.size);
    packet.SetIncludeStrings(s.include);
    packet.SetCaseInsensitive(s.caseless);
    packet.SetMaxBufferSize(s.max);
}

} // namespace

TEST(DataPacketRules, OneRowPerCase) {
    const Row rows[] = {
        {"size exactly reached", {"", "", 3}, {"abc"}, {P("abc")}, ""},
        {"size over two chunks", {"", "", 3}, {"ab", "cd"}, {P("abc")}, "d"},
        {"size short", {"", "", 4}, {"abc"}, {}, "abc"},
        {"stop string ends the packet", {"", "\r\n"}, {"ab\r\ncd"}, {P("ab")}, "cd"},
        {"stop string kept when included", {"", "\r\n", 0, true}, {"ab\r\n"}, {P("ab\r\n")}, ""},
        {"stop string alone", {"", "!"}, {"a!b!"}, {P("a"), P("b")}, ""},
        {"start string alone passes every chunk", {">", ""}, {"x>ab", "cd"}, {P("x>ab"), P("cd")}, ""},
        {"text before the start is discarded", {">", "<"}, {"xy>ab<"}, {D("xy"), P("ab")}, ""},
        {"start and stop included", {">", "<", 0, true}, {"x>ab<"}, {D("x"), P(">ab<")}, ""},
        {"start inside the packet is not stripped", {"", "<"}, {"a>b<"}, {P("a>b")}, ""},
        {"only a start at the front is stripped", {">", "", 4}, {">a>b"}, {D(""), P("a>b")}, ""},
        {"size comes before the stop", {"", "<", 3}, {"a<b"}, {P("a<b")}, ""},
        {"size packet whose end is not the stop", {"", "b", 3}, {"abc"}, {P("abc")}, ""},
        {"letter case counts by default", {"", "END"}, {"xend yEND"}, {P("xend y")}, ""},
        {"letter case ignored", {"", "END", 0, false, true}, {"xend y"}, {P("x")}, " y"},
        {"z folds like other letters", {"", "Z", 0, false, true}, {"az"}, {P("a")}, ""},
        {"the start is found after a packet already taken", {"<", ">"}, {"<a><b>"}, {D(""), P("a"), D(""), P("b")}, ""},
        {"the buffer limit clears at the limit", {"", "!", 0, false, false, 3}, {"abc"}, {D("abc")}, ""},
        {"below the limit nothing goes", {"", "!", 0, false, false, 4}, {"abc"}, {}, "abc"},
        {"no limit when zero", {"", "!", 0, false, false, 0}, {"abcdefgh"}, {}, "abcdefgh"},
        {"an empty chunk is nothing", {"", ""}, {""}, {}, ""},
    };
    for (const Row &row : rows) {
        TComDataPacket packet;
        Configure(packet, row.settings);
        PacketRecorder rec(packet);
        for (const std::string &chunk : row.chunks)
            Feed(packet, chunk);
        EXPECT_EQ(rec.reports, row.expected) << row.name;
        EXPECT_EQ(packet.Collected(), row.left) << row.name;
    }
}

TEST(DataPacketRules, ChangingASettingDiscardsTheCollectedTextOnce) {
    struct Change {
        const char *name;
        std::function<void(TComDataPacket &)> apply;
        bool discards;
    };
    const Change changes[] = {
        {"StartString", [](TComDataPacket &p) { p.SetStartString("["); }, true},
        {"same StartString", [](TComDataPacket &p) { p.SetStartString(""); }, false},
        {"StopString", [](TComDataPacket &p) { p.SetStopString("?"); }, true},
        {"same StopString", [](TComDataPacket &p) { p.SetStopString("!"); }, false},
        {"Size", [](TComDataPacket &p) { p.SetSize(9); }, true},
        {"CaseInsensitive", [](TComDataPacket &p) { p.SetCaseInsensitive(true); }, true},
        {"IncludeStrings", [](TComDataPacket &p) { p.SetIncludeStrings(true); }, false},
        {"MaxBufferSize", [](TComDataPacket &p) { p.SetMaxBufferSize(100); }, false},
    };
    for (const Change &change : changes) {
        TComDataPacket packet;
        packet.SetStopString("!");
        PacketRecorder rec(packet);
        Feed(packet, "abc");
        change.apply(packet);
        const std::vector<Report> expected = change.discards ? std::vector<Report>{D("abc")} : std::vector<Report>{};
        EXPECT_EQ(rec.reports, expected) << change.name;
        EXPECT_EQ(packet.Collected(), change.discards ? "" : "abc") << change.name;
        if (change.discards) {
            EXPECT_FALSE(packet.InPacket()) << change.name;
        }
    }
    // While loading, settings change without discarding.
    TComDataPacket packet;
    packet.SetStopString("!");
    PacketRecorder rec(packet);
    Feed(packet, "abc");
    packet.BeginLoading();
    packet.SetSize(5);
    packet.SetStopString("?");
    EXPECT_TRUE(rec.reports.empty());
    EXPECT_EQ(packet.Collected(), "abc");
    packet.EndLoading();
}

TEST(DataPacketRules, AClearedPacketWaitsForTheNextStart) {
    TComDataPacket packet;
    packet.SetStartString("<");
    packet.SetStopString(">");
    PacketRecorder rec(packet);
    Feed(packet, "<ab");
    EXPECT_TRUE(packet.InPacket());
    packet.ClearCollected();
    EXPECT_FALSE(packet.InPacket());
    Feed(packet, "cd<e>");
    EXPECT_EQ(rec.reports, (std::vector<Report>{D(""), D("<ab"), D("cd"), P("e")}));
}

TEST(DataPacketRules, APacketFollowsItsPortsLinkList) {
    testsupport::FakeDevicePort first(nullptr), second(nullptr);
    TComDataPacket packet;
    packet.SetComPort(&first);
    ASSERT_EQ(first.Links().size(), 1u);
    packet.SetComPort(&second);
    EXPECT_TRUE(first.Links().empty());
    EXPECT_EQ(second.Links().size(), 1u);
    {
        testsupport::FakeDevicePort third(nullptr);
        packet.SetComPort(&third);
    }
    EXPECT_EQ(packet.ComPort(), nullptr); // the destroyed port was noticed
}
