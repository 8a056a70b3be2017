#include "loader/HexFile.h"
#include "loader/LoaderError.h"
#include "loader/MemoryImage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>

using namespace loader;

namespace {

THexFile FileOf(const std::string &records) { return ParseHex(records + ":00000001FF\n", "f"); }

TEST(Crc16, ArcCheckValues) {
    const std::string check = "123456789";
    EXPECT_EQ(Crc16(reinterpret_cast<const std::uint8_t *>(check.data()), check.size()), 0xBB3D);
    EXPECT_EQ(Crc16(nullptr, 0), 0x0000);
    const std::vector<std::uint8_t> erased(0x8000, 0xFF);
    EXPECT_EQ(Crc16(erased.data(), erased.size()), 0x4040);
}

TEST(Crc16, FileCrcFillsGapsWithTheBlankValue) {
    const auto file = FileOf(":0300000031323367\n:06000300343536373839B0\n");
    EXPECT_EQ(FileCrc(file, 0, 8), 0xBB3D);
    const std::vector<std::uint8_t> mixed = {'1', '2', '3', 0xFF, 0xFF};
    const auto part = FileOf(":0300000031323367\n");
    EXPECT_EQ(FileCrc(part, 0, 4), Crc16(mixed.data(), mixed.size()));
}

struct SpanCase {
    std::string records;
    std::size_t gap;
    std::vector<std::pair<int, int>> spans;
};
class Spans : public ::testing::TestWithParam<SpanCase> {};
TEST_P(Spans, AreJoinedOnTheGap) {
    const auto &c = GetParam();
    const auto spans = SpansOf(FileOf(c.records), c.gap);
    ASSERT_EQ(spans.size(), c.spans.size());
    for (std::size_t i = 0; i < spans.size(); ++i) {
        EXPECT_EQ(spans[i].begin, c.spans[i].first);
        EXPECT_EQ(spans[i].end, c.spans[i].second);
    }
}
INSTANTIATE_TEST_SUITE_P(Cases, Spans,
                         ::testing::Values(SpanCase{"", 64, {}},
                                           // out of order, touching
                                           SpanCase{":02000200AABB97\n:020000001122CB\n", 0, {{0, 3}}},
                                           // 0..1 and 0x10..0x11: 14 bytes apart
                                           SpanCase{":020000001122CB\n:02001000AABB89\n", 14, {{0, 0x11}}},
                                           SpanCase{":020000001122CB\n:02001000AABB89\n", 13, {{0, 1}, {0x10, 0x11}}}));

TEST(MemoryImage, CompareNamesAddressesValuesAndLines) {
    const auto file = FileOf(":020000001122CB\n:02001000AABB89\n:01001000CC23\n");
    TMemoryImage image;
    image.Put(file.records[0]);
    image.bytes[1] = 0x23;
    image.bytes[0x10] = 0xCC; // the later record decides: no difference
    image.known[0x10] = true;
    // 0x11 not read back at all
    const auto c = Compare(file, image);
    EXPECT_EQ(c.comparedBytes, 4u);
    EXPECT_EQ(c.differingBytes, 2u);
    EXPECT_EQ(c.differingRecords, 2u);
    ASSERT_EQ(c.first.size(), 2u);
    EXPECT_EQ(c.first[0].address, 1);
    EXPECT_EQ(c.first[0].expected, 0x22);
    EXPECT_EQ(c.first[0].actual, 0x23);
    EXPECT_EQ(c.first[0].line, 1);
    EXPECT_EQ(c.first[1].address, 0x11);
    EXPECT_EQ(c.first[1].actual, -1);
    EXPECT_EQ(c.first[1].line, 2);
    EXPECT_EQ(Compare(file, image, 1).first.size(), 1u);
}

TEST(MemoryImage, DumpRoundTripAndGarbledDump) {
    const auto image = ParseDump({"", ":020000001122CB", ":02001000AABB89", ":00000001FF"});
    EXPECT_EQ(image.KnownCount(), 4u);
    EXPECT_EQ(FormatHex(image), ":020000001122CB\n:02001000AABB89\n:00000001FF\n");
    try {
        ParseDump({":02000000112ACB", ":00000001FF"});
        FAIL();
    } catch (const ELoader &e) {
        EXPECT_EQ(e.Outcome(), TOutcome::Port);
        EXPECT_NE(std::string(e.what()).find("garbled reply"), std::string::npos);
    }
    EXPECT_THROW(ParseDump({":02000000112ACB"}), ELoader); // cut short: no end record
}

// SRecord's tools as an independent reader and writer of Intel HEX: a random
// image written by srec_cat (32 bytes a record) comes out of our parser and
// writer equal to it by srec_cmp.
TEST(MemoryImage, AgreesWithSrecord) {
    char dir[] = "/tmp/loader-srec-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string d = dir;
    std::mt19937 random(5000);
    std::string bytes(0x8000, '\0');
    for (char &b : bytes)
        b = static_cast<char>(random() & 0xFF);
    std::ofstream(d + "/image.bin", std::ios::binary) << bytes;
    ASSERT_EQ(std::system(("srec_cat " + d + "/image.bin -binary -o " + d +
                           "/ref.hex -intel -address-length=2 -obs=32 2>/dev/null")
                              .c_str()),
              0);
    const THexFile ref = ReadHexFile(d + "/ref.hex");
    TMemoryImage image;
    for (const auto &r : ref.records)
        image.Put(r);
    EXPECT_EQ(image.KnownCount(), 0x8000u);
    EXPECT_EQ(std::string(image.bytes.begin(), image.bytes.end()), bytes);
    std::ofstream(d + "/ours.hex") << FormatHex(image);
    EXPECT_EQ(std::system(("srec_cmp " + d + "/ours.hex -intel " + d + "/ref.hex -intel >/dev/null 2>&1").c_str()), 0);
    // And it notices a changed byte.
    image.bytes[0x1234] ^= 1;
    std::ofstream(d + "/changed.hex") << FormatHex(image);
    EXPECT_NE(std::system(("srec_cmp " + d + "/changed.hex -intel " + d + "/ref.hex -intel >/dev/null 2>&1").c_str()),
              0);
    std::system(("rm -rf " + d).c_str());
}

} // namespace
