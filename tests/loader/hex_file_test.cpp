#include "loader/HexFile.h"
#include "loader/LoaderError.h"

#include <gtest/gtest.h>

#include <string>

using loader::ELoader;
using loader::ParseHex;

namespace {

const std::string kRec0 = ":0300000002000AF1"; // 3 bytes at 0000
const std::string kRec1 = ":02001000AABB89";   // 2 bytes at 0010
const std::string kEnd = ":00000001FF";

struct BadCase {
    const char *name;
    std::string text;
    int line;             // 0: no line number in the message
    const char *fragment; // part of the message
};

class HexFileBad : public ::testing::TestWithParam<BadCase> {};

TEST_P(HexFileBad, IsRefusedWithItsLine) {
    const BadCase &c = GetParam();
    try {
        ParseHex(c.text, "f.hex");
        FAIL() << "accepted";
    } catch (const ELoader &e) {
        EXPECT_EQ(e.Outcome(), loader::TOutcome::Usage);
        const std::string what = e.what();
        if (c.line > 0) {
            EXPECT_NE(what.find("f.hex line " + std::to_string(c.line) + ":"), std::string::npos) << what;
        }
        EXPECT_NE(what.find(c.fragment), std::string::npos) << what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HexFileBad,
    ::testing::Values(BadCase{"checksum", kRec0 + "\n:02001000AABB88\n" + kEnd + "\n", 2,
                              "checksum is 88, the record's bytes need 89"},
                      BadCase{"notHex", kRec0 + "\n:0200100XAABB89\n" + kEnd, 2, "'X' at column 9"},
                      BadCase{"oddLength", ":0200100AABB89\n" + kEnd, 1, "odd length"},
                      BadCase{"lengthMismatch", ":03001000AABB88\n" + kEnd, 1, "says 3 data bytes but holds 2"},
                      BadCase{"extendedAddress", ":020000040000FA\n" + kRec0 + "\n" + kEnd, 1, "record type 04"},
                      BadCase{"startAddress", kRec0 + "\n:0400000300003800C1\n" + kEnd, 2, "record type 03"},
                      BadCase{"beyondRange", ":0280000011224B\n" + kEnd, 1, "beyond the range 0..7FFFh"},
                      BadCase{"straddlesEnd", ":027FFF0011224D\n" + kEnd, 1, "7FFFh..8000h"},
                      BadCase{"noEndRecord", kRec0 + "\n" + kRec1 + "\n", 0, "no end record"},
                      BadCase{"endAfterCtrlZ", kRec0 + "\n\x1A" + kEnd + "\n", 0, "no end record"},
                      BadCase{"textBeforeColon", "x" + kRec0 + "\n" + kEnd, 1, "does not start with ':'"},
                      BadCase{"endWithData", kRec0 + "\n:01000001AA54\n", 2, "end record carries data"},
                      BadCase{"tooShort", ":00000001\n", 1, "too short"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(HexFile, TakesRecordsWithLinesAndStopsAtTheEnd) {
    const auto file =
        ParseHex("\r\n" + kRec0 + "\r\n  \r\n" + kRec1 + "\r\n" + kEnd + "\r\ngarbage after the end\n", "f");
    ASSERT_EQ(file.records.size(), 2u);
    EXPECT_EQ(file.records[0].line, 2);
    EXPECT_EQ(file.records[1].line, 4);
    EXPECT_EQ(file.endLine, 5);
    EXPECT_EQ(file.records[1].address, 0x10);
    EXPECT_EQ(file.records[1].data, (std::vector<std::uint8_t>{0xAA, 0xBB}));
    EXPECT_EQ(file.records[1].text, kRec1);
    EXPECT_EQ(file.DataBytes(), 5u);
    EXPECT_EQ(file.DownloadBytes(), kRec0.size() + 2 + kRec1.size() + 2 + kEnd.size() + 2);
}

TEST(HexFile, LowerCaseDigitsAndTheSmallRange) {
    EXPECT_EQ(ParseHex(":02001000aabb89\n:00000001ff\n", "f").records.size(), 1u);
    EXPECT_THROW(ParseHex(":02200000AABB79\n" + kEnd, "f", 0x2000), ELoader);
    EXPECT_NO_THROW(ParseHex(":021FFE00AABB7C\n" + kEnd, "f", 0x2000));
}

TEST(HexFile, FormatRecordMatchesTheFileForm) {
    const std::uint8_t data[] = {0xAA, 0xBB};
    EXPECT_EQ(loader::FormatRecord(0, 0x10, data, 2), kRec1);
    EXPECT_EQ(loader::FormatRecord(1, 0, nullptr, 0), kEnd);
}

TEST(HexFile, MissingFileIsAUsageError) {
    try {
        loader::ReadHexFile("/nonexistent/x.hex");
        FAIL();
    } catch (const ELoader &e) {
        EXPECT_EQ(e.Outcome(), loader::TOutcome::Usage);
        EXPECT_NE(std::string(e.what()).find("cannot read /nonexistent/x.hex"), std::string::npos);
    }
}

} // namespace
