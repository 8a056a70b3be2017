// However the port happens to cut the received stream into chunks, the
// assembler must report the same packets and discards and keep the same
// remainder, as long as the buffer limit is not reached and the packet end is
// decided by either a size or a stop string (with both, the size only wins
// when enough text arrived at once, which depends on the chunking by design).

#include "PacketRecorder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstddef>
#include <string>
#include <vector>

using namespace packettest;
using cport::TComDataPacket;

namespace {

struct Config {
    const char *name;
    std::string start;
    std::string stop;
    int size;
    bool caseInsensitive;
    bool includeStrings;
};

struct Outcome {
    std::vector<Report> reports;
    std::string collected;
    bool inPacket;
};

Outcome Assemble(const Config &config, const std::vector<std::string> &chunks) {
    TComDataPacket packet;
    PacketRecorder rec(packet);
    packet.SetMaxBufferSize(0);
    packet.SetStartString(config.start);
    packet.SetStopString(config.stop);
    packet.SetSize(config.size);
    packet.SetCaseInsensitive(config.caseInsensitive);
    packet.SetIncludeStrings(config.includeStrings);
    for (const auto &chunk : chunks)
        Feed(packet, chunk);
    return {rec.reports, packet.Collected(), packet.InPacket()};
}

std::vector<std::string> Chunked(const std::string &stream, std::size_t width) {
    std::vector<std::string> chunks;
    for (std::size_t at = 0; at < stream.size(); at += width)
        chunks.push_back(stream.substr(at, width));
    return chunks;
}

// Streams with near misses, case variants, overlapping strings and zero bytes.
const std::string kStream = std::string("noise <<S> boot Ds5000 LoAdEr  <S>ab") + '\0' +
                            "cd#END#x<S><S>#end#DS5000 LOADERDS5000 LOADER<S#EN<S>tail#EN";

const Config kConfigs[] = {
    {"stop only", "", "DS5000 LOADER", 0, false, false},
    {"stop, case ignored", "", "DS5000 LOADER", 0, true, false},
    {"start and stop", "<S>", "#END#", 0, false, false},
    {"start and stop, case ignored, strings kept", "<S>", "#END#", 0, true, true},
    {"overlapping start and stop", "<S", "S>", 0, false, true},
    {"size only", "", "", 7, false, false},
    {"start and size", "<S>", "", 6, true, false},
    {"one-character start and stop", "<", ">", 0, false, false},
};

class DataPacketChunkingTest : public ::testing::TestWithParam<Config> {};

} // namespace

TEST_P(DataPacketChunkingTest, EqualWidthChunksGiveTheSameResultAsOneChunk) {
    const Config &config = GetParam();
    const Outcome whole = Assemble(config, {kStream});
    ASSERT_FALSE(whole.reports.empty()) << "the stream should exercise " << config.name;
    for (std::size_t width = 1; width < kStream.size(); ++width) {
        const Outcome cut = Assemble(config, Chunked(kStream, width));
        EXPECT_EQ(cut.reports, whole.reports) << "chunk width " << width;
        EXPECT_EQ(cut.collected, whole.collected) << "chunk width " << width;
        EXPECT_EQ(cut.inPacket, whole.inPacket) << "chunk width " << width;
    }
}

TEST_P(DataPacketChunkingTest, ACutAtAnyPositionGivesTheSameResultAsOneChunk) {
    const Config &config = GetParam();
    const Outcome whole = Assemble(config, {kStream});
    for (std::size_t at = 1; at < kStream.size(); ++at) {
        const Outcome cut = Assemble(config, {kStream.substr(0, at), kStream.substr(at)});
        EXPECT_EQ(cut.reports, whole.reports) << "cut at " << at;
        EXPECT_EQ(cut.collected, whole.collected) << "cut at " << at;
        EXPECT_EQ(cut.inPacket, whole.inPacket) << "cut at " << at;
    }
}

INSTANTIATE_TEST_SUITE_P(Configs, DataPacketChunkingTest, ::testing::ValuesIn(kConfigs),
                         [](const ::testing::TestParamInfo<Config> &info) {
                             std::string name;
                             for (const char *c = info.param.name; *c != '\0'; ++c)
                                 if (std::isalnum(static_cast<unsigned char>(*c)))
                                     name += *c;
                             return name;
                         });

TEST(DataPacketChunkingTest, WithIncludedStringsNoByteIsLostOrDuplicated) {
    // Packets (strings kept), discards and the remainder together are the
    // stream, in order, under any chunking and with the limit in force.
    for (std::int32_t limit : {0, 5, 16}) {
        for (std::size_t width = 1; width <= 9; ++width) {
            TComDataPacket packet;
            PacketRecorder rec(packet);
            packet.SetStartString("<S>");
            packet.SetStopString("#end#");
            packet.SetCaseInsensitive(true);
            packet.SetIncludeStrings(true);
            packet.SetMaxBufferSize(limit);
            for (const auto &chunk : Chunked(kStream, width))
                Feed(packet, chunk);
            std::string joined;
            for (const auto &r : rec.reports)
                joined += r.text;
            EXPECT_EQ(joined + packet.Collected(), kStream) << "limit " << limit << ", width " << width;
        }
    }
}
