#include "PacketRecorder.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace packettest;
using cport::TComDataPacket;
using Reports = std::vector<Report>;

namespace {

class DataPacketTest : public ::testing::Test {
  protected:
    TComDataPacket packet;
    PacketRecorder rec{packet};
};

} // namespace

// --- cutting packets ---

TEST_F(DataPacketTest, LoaderBannerSplitOverTwoChunksIsFoundIgnoringCase) {
    packet.SetCaseInsensitive(true);
    packet.SetStopString("DS5000 LOADER");
    Feed(packet, "boot ds5000 ");
    EXPECT_TRUE(rec.reports.empty());
    Feed(packet, "loader ok");
    EXPECT_EQ(rec.reports, (Reports{P("boot ")}));
    EXPECT_EQ(packet.Collected(), " ok");
    EXPECT_TRUE(packet.InPacket());
}

TEST_F(DataPacketTest, StopStringMatchesExactCaseWhenCaseMatters) {
    packet.SetStopString("END");
    Feed(packet, "a end b END");
    EXPECT_EQ(rec.reports, (Reports{P("a end b ")}));
}

TEST_F(DataPacketTest, TextBeforeTheStartIsDiscardedAndStringsStripped) {
    packet.SetStartString("<");
    packet.SetStopString(">");
    Feed(packet, "junk<abc>more");
    EXPECT_EQ(rec.reports, (Reports{D("junk"), P("abc")}));
    EXPECT_EQ(packet.Collected(), "more");
    EXPECT_FALSE(packet.InPacket());
}

TEST_F(DataPacketTest, IncludeStringsKeepsStartAndStop) {
    packet.SetStartString("<");
    packet.SetStopString(">");
    packet.SetIncludeStrings(true);
    Feed(packet, "junk<abc>more");
    EXPECT_EQ(rec.reports, (Reports{D("junk"), P("<abc>")}));
}

TEST_F(DataPacketTest, EveryPacketIsPrecededByTheDiscardOfWhatCameBefore) {
    packet.SetStartString("<");
    packet.SetStopString(">");
    Feed(packet, "<a><b>");
    EXPECT_EQ(rec.reports, (Reports{D(""), P("a"), D(""), P("b")}));
}

TEST_F(DataPacketTest, FixedSizeCutsConsecutivePackets) {
    packet.SetSize(4);
    Feed(packet, "abcdefghij");
    EXPECT_EQ(rec.reports, (Reports{P("abcd"), P("efgh")}));
    EXPECT_EQ(packet.Collected(), "ij");
}

TEST_F(DataPacketTest, SizeIsCountedFromTheStartStringAndStrippedAfterwards) {
    packet.SetStartString("##");
    packet.SetSize(5);
    Feed(packet, "x##abcdef");
    EXPECT_EQ(rec.reports, (Reports{D("x"), P("abc")}));
    EXPECT_EQ(packet.Collected(), "def");
}

TEST_F(DataPacketTest, SizeWinsOverAnEarlierStopStringOnlyWhenEnoughIsCollected) {
    packet.SetSize(4);
    packet.SetStopString(">");
    Feed(packet, "ab>cdef");
    EXPECT_EQ(rec.reports, (Reports{P("ab>c")})) << "a size-cut packet keeps a stop string not at its end";

    TComDataPacket other;
    PacketRecorder otherRec(other);
    other.SetSize(4);
    other.SetStopString(">");
    Feed(other, "ab>");
    EXPECT_EQ(otherRec.reports, (Reports{P("ab")}));
}

TEST_F(DataPacketTest, WithoutSizeOrStopEveryChunkIsOnePacket) {
    packet.SetStartString("<");
    Feed(packet, "no start here");
    Feed(packet, "<x>");
    EXPECT_EQ(rec.reports, (Reports{P("no start here"), P("<x>")}));
    EXPECT_TRUE(packet.Collected().empty());
}

TEST_F(DataPacketTest, ZeroBytesAreOrdinaryCharacters) {
    const std::string stop("\0\0", 2);
    packet.SetStopString(stop);
    Feed(packet, std::string("a\0b\0\0c", 6));
    EXPECT_EQ(rec.reports, (Reports{P(std::string("a\0b", 3))}));
    EXPECT_EQ(packet.Collected(), "c");
}

TEST_F(DataPacketTest, CaseFoldingTouchesOnlyAsciiLetters) {
    packet.SetCaseInsensitive(true);
    packet.SetStopString("\xC4!"); // Latin-1 capital A umlaut
    Feed(packet, "x\xE4!y[!");     // small a umlaut must not match
    EXPECT_TRUE(rec.reports.empty());
    Feed(packet, "\xC4!");
    EXPECT_EQ(rec.reports, (Reports{P("x\xE4!y[!")}));
}

TEST_F(DataPacketTest, StrippingFollowsTheCaseRule) {
    packet.SetCaseInsensitive(true);
    packet.SetStartString("<Go");
    packet.SetStopString("eND");
    Feed(packet, "<gOdataEnd");
    EXPECT_EQ(rec.reports, (Reports{D(""), P("data")}));
}

TEST_F(DataPacketTest, StopInsideStartStringEndsThePacketEarly) {
    // The stop string is searched from the packet's first character, start
    // string included.
    packet.SetStartString("ab");
    packet.SetStopString("b");
    packet.SetIncludeStrings(true);
    Feed(packet, "xabcb");
    EXPECT_EQ(rec.reports, (Reports{D("x"), P("ab")}));
    EXPECT_EQ(packet.Collected(), "cb");
}

TEST_F(DataPacketTest, EmptyOrMissingChunksAreIgnored) {
    packet.SetStopString(">");
    packet.AcceptData(nullptr, nullptr, 5);
    packet.AcceptData(nullptr, "abc", 0);
    packet.AcceptData(nullptr, "abc", -3);
    EXPECT_TRUE(rec.reports.empty());
    EXPECT_TRUE(packet.Collected().empty());
}

// --- the buffer limit ---

TEST_F(DataPacketTest, CollectedTextIsDiscardedWholeOnReachingTheLimit) {
    packet.SetStopString(">");
    const std::string part(256, 'x');
    for (int i = 0; i < 3; ++i)
        Feed(packet, part);
    EXPECT_TRUE(rec.reports.empty());
    EXPECT_EQ(packet.Collected().size(), 768u);
    Feed(packet, part);
    EXPECT_EQ(rec.reports, (Reports{D(std::string(1024, 'x'))}));
    EXPECT_TRUE(packet.Collected().empty());
    EXPECT_FALSE(packet.InPacket());
}

TEST_F(DataPacketTest, PacketsInALargeChunkAreReportedBeforeTheLimitApplies) {
    packet.SetStopString(">");
    Feed(packet, "abc>" + std::string(2000, 'y'));
    EXPECT_EQ(rec.reports, (Reports{P("abc"), D(std::string(2000, 'y'))}));
}

TEST_F(DataPacketTest, NoLimitWhenMaxBufferSizeIsZero) {
    packet.SetStopString(">");
    packet.SetMaxBufferSize(0);
    Feed(packet, std::string(5000, 'z'));
    EXPECT_TRUE(rec.reports.empty());
    EXPECT_EQ(packet.Collected().size(), 5000u);
}

TEST_F(DataPacketTest, SizeAboveTheLimitNeedsOneLargeChunk) {
    packet.SetSize(2000);
    Feed(packet, std::string(600, 'a'));
    Feed(packet, std::string(600, 'a'));
    EXPECT_EQ(rec.reports, (Reports{D(std::string(1200, 'a'))}));
    rec.reports.clear();
    Feed(packet, std::string(2100, 'b'));
    EXPECT_EQ(rec.reports, (Reports{P(std::string(2000, 'b'))}));
    EXPECT_EQ(packet.Collected().size(), 100u);
}

// --- property changes ---

TEST_F(DataPacketTest, ChangingStopStringDiscardsAndStartsOver) {
    packet.SetStartString("<");
    packet.SetStopString(">");
    Feed(packet, "xx<abc");
    ASSERT_EQ(rec.reports, (Reports{D("xx")}));
    ASSERT_TRUE(packet.InPacket());
    packet.SetStopString(">"); // same value: nothing happens
    EXPECT_EQ(rec.reports.size(), 1u);
    packet.SetStopString("]");
    EXPECT_EQ(rec.reports, (Reports{D("xx"), D("<abc")}));
    EXPECT_FALSE(packet.InPacket());
    EXPECT_TRUE(packet.Collected().empty());
}

TEST_F(DataPacketTest, EachClearingPropertyDiscardsButTheOthersDoNot) {
    packet.SetStopString(">");
    Feed(packet, "a");
    packet.SetIncludeStrings(true);
    packet.SetMaxBufferSize(10);
    EXPECT_TRUE(rec.reports.empty());
    packet.SetCaseInsensitive(true);
    Feed(packet, "b");
    packet.SetStartString("<");
    Feed(packet, "<c");
    packet.SetSize(3);
    EXPECT_EQ(rec.reports, (Reports{D("a"), D("b"), D(""), D("<c")}));
}

TEST_F(DataPacketTest, ClearingNothingKeepsThePacketState) {
    packet.SetStopString(">");
    Feed(packet, "a>");
    ASSERT_TRUE(packet.InPacket());
    ASSERT_TRUE(packet.Collected().empty());
    packet.SetStopString("]");
    EXPECT_TRUE(packet.InPacket());
    EXPECT_EQ(rec.reports, (Reports{P("a")}));
}

TEST_F(DataPacketTest, PropertiesSetWhileLoadingNeitherClearNorReport) {
    packet.SetStopString(">");
    Feed(packet, "kept");
    packet.BeginLoading();
    packet.SetStopString("]");
    packet.SetStartString("<");
    packet.SetSize(9);
    packet.SetCaseInsensitive(true);
    packet.EndLoading();
    EXPECT_TRUE(rec.reports.empty());
    EXPECT_EQ(packet.Collected(), "kept");
}

TEST_F(DataPacketTest, HandlerChangingStopStringDropsTheRestOfTheChunk) {
    packet.SetCaseInsensitive(true);
    packet.SetStopString("DS5000 LOADER");
    packet.OnPacket = [this](fw::TComponent *sender, const std::string &s) {
        EXPECT_EQ(sender, &packet);
        rec.reports.push_back(P(s));
        packet.SetStopString("ABCDEF");
    };
    Feed(packet, "hi DS5000 Loader v1 abcdef tail");
    EXPECT_EQ(rec.reports, (Reports{P("hi "), D(" v1 abcdef tail")}));
    Feed(packet, "again abcDEF");
    EXPECT_EQ(rec.reports.back(), P("again "));
}

TEST_F(DataPacketTest, DiscardHandlerChangingSettingsIsNotToldTwice) {
    packet.SetStopString(">");
    packet.SetMaxBufferSize(4);
    packet.OnDiscard = [this](fw::TComponent *, const std::string &s) {
        rec.reports.push_back(D(s));
        packet.SetStopString("]");
    };
    Feed(packet, "abcdef");
    EXPECT_EQ(rec.reports, (Reports{D("abcdef")}));
    EXPECT_TRUE(packet.Collected().empty());
}

// --- errors raised by handlers ---

TEST_F(DataPacketTest, HandlerErrorReachesTheCallerAndTheRestWaitsForTheNextChunk) {
    packet.SetStopString(">");
    bool fail = true;
    packet.OnPacket = [&](fw::TComponent *, const std::string &s) {
        rec.reports.push_back(P(s));
        if (fail)
            throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(Feed(packet, "a>b>c"), std::runtime_error);
    EXPECT_EQ(rec.reports, (Reports{P("a")}));
    EXPECT_EQ(packet.Collected(), "b>c");
    fail = false;
    Feed(packet, ">");
    EXPECT_EQ(rec.reports, (Reports{P("a"), P("b"), P("c")}));
}

TEST_F(DataPacketTest, LimitStillAppliesAfterAHandlerError) {
    packet.SetStopString(">");
    packet.SetMaxBufferSize(8);
    packet.OnPacket = [](fw::TComponent *, const std::string &) { throw std::runtime_error("handler failed"); };
    EXPECT_THROW(Feed(packet, "a>0123456789"), std::runtime_error);
    EXPECT_EQ(rec.reports, (Reports{D("0123456789")}));
    EXPECT_TRUE(packet.Collected().empty());
}

TEST_F(DataPacketTest, DiscardHandlerErrorStillEmptiesTheBuffer) {
    packet.SetStopString(">");
    Feed(packet, "abc");
    packet.OnDiscard = [](fw::TComponent *, const std::string &) { throw std::runtime_error("handler failed"); };
    EXPECT_THROW(packet.SetStopString("]"), std::runtime_error);
    EXPECT_TRUE(packet.Collected().empty());
    EXPECT_FALSE(packet.InPacket());
    EXPECT_EQ(packet.StopString(), "]");
}
