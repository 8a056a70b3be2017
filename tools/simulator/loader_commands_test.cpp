// Every command of the simulated loader and every error, one row per command
// line: what is typed after the wake-up, and the echo and reply it gives.
#include "LoaderProtocol.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

using loadersim::TLoaderProtocol;

namespace {

std::string Feed(TLoaderProtocol &loader, const std::string &text) {
    std::string reply;
    for (char c : text)
        if (loader.Feed(static_cast<std::uint8_t>(c), reply))
            reply += "<BANNER>";
    return reply;
}

struct TRow {
    const char *setup; // typed first; its reply is not looked at
    std::string input;
    std::string reply;
};

const std::string kFF16 = "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF";
// "123456789" at 0, the usual check string of a CRC.
const std::string kCheckRecord = "L\r:09000000313233343536373839"
                                 "1A\r\n:00000001FF\r\n";
const std::string kSixteen = "R               "; // R and 15 blanks

const TRow kRows[] = {
    // The line: echo, editing, length.
    {"", "w4\x01#a:\n", "W4A:"},
    {"", "AB\x7f", "AB\b \b"},
    {"", "AB\x08", "AB\b \b"},
    {"", "\x7f\x08", ""},
    {"", "r\r", "R\r\nMCON=F8\r\n>"},
    {"", "R\t\r", "R \r\nMCON=F8\r\n>"},
    {"", "\r", "\r\n>"},
    {"", "   \r", "   \r\n>"},
    {"", kSixteen + "\r", kSixteen + "\r\nMCON=F8\r\n>"},
    {"", kSixteen + " \r", kSixteen + " \r\nE:LONG\r\n>"},
    {"", kSixteen + " \x7f\r", kSixteen + " \b \b\r\nMCON=F8\r\n>"},
    {"", "W00              \rR\r", "W00              \r\nE:LONG\r\n>R\r\nMCON=F8\r\n>"},
    {"", "Q\r", "Q\r\nE:COMMAND\r\n>"},
    {"", "1\r", "1\r\nE:COMMAND\r\n>"},
    // R and W: MCON, and the range its bit 3 selects.
    {"", "R1\r", "R1\r\nE:PARAM\r\n>"},
    {"W48\r", "R\r", "R\r\nMCON=48\r\n>"},
    {"W 4 8\r", "R\r", "R\r\nMCON=48\r\n>"},
    {"", "W4\r", "W4\r\nE:PARAM\r\n>"},
    {"", "W123\r", "W123\r\nE:PARAM\r\n>"},
    {"", "W4G\r", "W4G\r\nE:NOTHEX\r\n>"},
    {"W40\r", "D 2000\r", "D 2000\r\nE:RANGE\r\n>"},
    {"W40\r", "D 1FFF\r", "D 1FFF\r\n:011FFF00FFE2\r\n:00000001FF\r\n>"},
    {"", "D 7FFF\r", "D 7FFF\r\n:017FFF00FF82\r\n:00000001FF\r\n>"},
    // D: Intel HEX, 16 bytes a record, the last one shorter.
    {"", "D 0 F\r", "D 0 F\r\n:10000000" + kFF16 + "00\r\n:00000001FF\r\n>"},
    {"", "D0 10\r", "D0 10\r\n:10000000" + kFF16 + "00\r\n:01001000FFF0\r\n:00000001FF\r\n>"},
    {"", "D 10 12\r", "D 10 12\r\n:03001000FFFFFFF0\r\n:00000001FF\r\n>"},
    {"L\r:020010001234A8\r\n:00000001FF\r\n", "D 10 11\r", "D 10 11\r\n:020010001234A8\r\n:00000001FF\r\n>"},
    {"", "D 8000\r", "D 8000\r\nE:RANGE\r\n>"},
    {"", "D 0 8000\r", "D 0 8000\r\nE:RANGE\r\n>"},
    {"", "D 10 F\r", "D 10 F\r\nE:RANGE\r\n>"},
    {"", "D 0 FFFFFFFFFFFF\r", "D 0 FFFFFFFFFFFF\r\nE:RANGE\r\n>"},
    {"", "D G\r", "D G\r\nE:NOTHEX\r\n>"},
    {"", "D 1 2 3\r", "D 1 2 3\r\nE:PARAM\r\n>"},
    // C: CRC-16 of the range.
    {kCheckRecord.c_str(), "C 0 8\r", "C 0 8\r\nCRC=BB3D\r\n>"},
    {"", "C 0 0\r", "C 0 0\r\nCRC=4040\r\n>"},
    {"W40\r", "C\r", "C\r\nCRC=5000\r\n>"},
    {"", "C 9 8\r", "C 9 8\r\nE:RANGE\r\n>"},
    {"", "C X\r", "C X\r\nE:NOTHEX\r\n>"},
    {"", "C 1 2 3\r", "C 1 2 3\r\nE:PARAM\r\n>"},
    // F: fill value first, then the optional range.
    {"F AA 10 11\r", "D 10 11\r", "D 10 11\r\n:02001000AAAA9A\r\n:00000001FF\r\n>"},
    {"F 5A 11\r", "D 7FFF\r", "D 7FFF\r\n:017FFF005A27\r\n:00000001FF\r\n>"},
    {"W40\rF 00\rW48\r", "D 1FFF 2000\r", "D 1FFF 2000\r\n:021FFF0000FFE1\r\n:00000001FF\r\n>"},
    {"", "F AA\r", "F AA\r\n>"},
    {"", "F\r", "F\r\nE:PARAM\r\n>"},
    {"", "F A\r", "F A\r\nE:PARAM\r\n>"},
    {"", "F GG\r", "F GG\r\nE:NOTHEX\r\n>"},
    {"", "F AA 10 F\r", "F AA 10 F\r\nE:RANGE\r\n>"},
    {"", "F AA 8000\r", "F AA 8000\r\nE:RANGE\r\n>"},
    {"", "F AA 1 2 3\r", "F AA 1 2 3\r\nE:PARAM\r\n>"},
    // G and P: the four port latches.
    {"", "G\r", "G\r\nP0=FF P1=FF P2=FF P3=FF\r\n>"},
    {"", "G2\r", "G2\r\nP2=FF\r\n>"},
    {"P2 5A\r", "G 2\r", "G 2\r\nP2=5A\r\n>"},
    {"P 3 01\rP015\r", "G\r", "G\r\nP0=15 P1=FF P2=FF P3=01\r\n>"},
    {"", "G4\r", "G4\r\nE:PARAM\r\n>"},
    {"", "G12\r", "G12\r\nE:PARAM\r\n>"},
    {"", "GX\r", "GX\r\nE:NOTHEX\r\n>"},
    {"", "P1 5A\r", "P1 5A\r\n>"},
    {"", "P1 5\r", "P1 5\r\nE:PARAM\r\n>"},
    {"", "P\r", "P\r\nE:PARAM\r\n>"},
    {"", "P4 00\r", "P4 00\r\nE:PARAM\r\n>"},
    {"", "P1 ZZ\r", "P1 ZZ\r\nE:NOTHEX\r\n>"},
    // K: the 40-bit key.
    {"", "K 0123456789\r", "K 0123456789\r\n>"},
    {"", "K 012345678\r", "K 012345678\r\nE:PARAM\r\n>"},
    {"", "K 0123456789A\r", "K 0123456789A\r\nE:PARAM\r\n>"},
    {"", "K 012345678G\r", "K 012345678G\r\nE:NOTHEX\r\n>"},
    // Z and U: the security lock.
    {"", "Z\r", "Z\r\n>"},
    {"", "Z1\r", "Z1\r\nE:PARAM\r\n>"},
    {"Z\r", "D\r", "D\r\nE:LOCKED\r\n>"},
    {"Z\r", "D 8000\r", "D 8000\r\nE:LOCKED\r\n>"},
    {"Z\r", "C\r", "C\r\nE:LOCKED\r\n>"},
    {"Z\r", "V\r", "V\r\nE:LOCKED\r\n>"},
    {"Z\r", "T\r", "T\r\nE:LOCKED\r\n>"},
    {"Z\r", "L\r", "L\r\nE:LOCKED\r\n>"},
    {"Z\r", "R\r", "R\r\nMCON=F8\r\n>"},
    {"Z\r", "G1\r", "G1\r\nP1=FF\r\n>"},
    {"", "U1\r", "U1\r\nE:PARAM\r\n>"},
    {"Z\rU\r", "D 0 0\r", "D 0 0\r\n:01000000FF00\r\n:00000001FF\r\n>"},
    {"L\r:01000000AA55\r\n:00000001FF\r\nU\r", "D 0 0\r", "D 0 0\r\n:01000000FF00\r\n:00000001FF\r\n>"},
    // L: Intel HEX types 00 and 01, anything before ":" ignored.
    {"", "L\r", "L"},
    {"", "L1\r", "L1\r\nE:PARAM\r\n>"},
    {"", "L\rxyz \x01:00000001FF", "L\r\n>"},
    {"", "L\r:01000000AA55:00000001FF\rD 0 0\r", "L\r\n>\r\n>D 0 0\r\n:01000000AA55\r\n:00000001FF\r\n>"},
    {"", "L\r:0300000002003EBE", "L\r\nE:CHKSUM\r\n>"},
    {"", "L\r:03000000020X", "L\r\nE:NOTHEX\r\n>"},
    {"", "L\r:00000002FE", "L\r\nE:RECTYP\r\n>"},
    {"", "L\r:020000040000FA", "L\r\nE:RECTYP\r\n>"},
    {"", "L\r:027FFF00AA5581", "L\r\nE:RANGE\r\n>"},
    {"W40\r", "L\r:01200000AA35", "L\r\nE:RANGE\r\n>"},
    {"W40\r", "L\r:011FFF00AA37:00000001FF", "L\r\n>"},
    // V: verify against incoming records; the stream goes on after a difference.
    {"", "V\r:01000000FF00\r\n:00000001FF", "V\r\nV:OK\r\n>"},
    {"", "V\r:01000000AA55:01000100FFFF:01000200AA53:00000001FF", "V\r\nE:VERIFY\r\nE:VERIFY\r\n>"},
    {"", "V\r:01000000FF01", "V\r\nE:CHKSUM\r\n>"},
    {"", "V\r:027FFF00FFFF82", "V\r\nE:RANGE\r\n>"},
    {"", "V\r:01000000FG", "V\r\nE:NOTHEX\r\n>"},
    {"", "V1\r", "V1\r\nE:PARAM\r\n>"},
    // T: each record echoed as received, up to and with the end record.
    {"", "T\r:01000000aa55\r\n:00000001FF", "T\r\n:01000000aa55\r\n:00000001FF\r\n>"},
    {"", "T\r:01000000AA56", "T\r\n:01000000AA56\r\nE:CHKSUM\r\n>"},
    {"", "T\r:00000002FE", "T\r\n:00000002FE\r\nE:RECTYP\r\n>"},
    {"", "T\r:0X", "T\r\nE:NOTHEX\r\n>"},
    {"", "T1\r", "T1\r\nE:PARAM\r\n>"},
};

} // namespace

TEST(LoaderCommands, EveryCommandLineGivesItsReply) {
    for (const auto &row : kRows) {
        TLoaderProtocol loader;
        Feed(loader, "\r");
        Feed(loader, row.setup);
        EXPECT_EQ(Feed(loader, row.input), row.reply) << "after \"" << row.setup << "\": \"" << row.input << "\"";
    }
}

TEST(LoaderCommands, StateBehindTheReplies) {
    TLoaderProtocol loader;
    EXPECT_EQ(Feed(loader, "\r"), "<BANNER>");
    EXPECT_EQ(loader.Mcon(), 0xF8);
    EXPECT_EQ(loader.RangeEnd(), 0x7FFFu);
    EXPECT_EQ(loader.PartitionRegister(), -1);
    Feed(loader, "K FEDCBA9876\rP3 C3\rW40\rZ\r");
    EXPECT_EQ(loader.Key(), 0xFEDCBA9876u);
    EXPECT_EQ(loader.Ports()[3], 0xC3);
    EXPECT_EQ(loader.RangeEnd(), 0x1FFFu);
    EXPECT_EQ(loader.PartitionRegister(), 0x40);
    EXPECT_TRUE(loader.Locked());
    // F without a range fills the 8 KB range only.
    Feed(loader, "F 00\r");
    EXPECT_EQ(loader.Image()[0x1FFF], 0x00);
    EXPECT_EQ(loader.Image()[0x2000], 0xFF);
    Feed(loader, "U\r");
    EXPECT_FALSE(loader.Locked());
    EXPECT_EQ(loader.Key(), 0u);
    EXPECT_EQ(loader.Image()[0], 0xFF);
    EXPECT_EQ(loader.Ports()[3], 0xC3);
    EXPECT_EQ(loader.Mcon(), 0x40);
    // A reset keeps all of it and waits for a wake-up.
    Feed(loader, "P0 00\rL\r:0100");
    loader.Reset();
    EXPECT_TRUE(loader.AwaitingWakeUp());
    EXPECT_EQ(Feed(loader, "\r"), "<BANNER>");
    EXPECT_EQ(Feed(loader, "G0\r"), "G0\r\nP0=00\r\n>");
}

TEST(LoaderCommands, DumpOfTheWholeRange) {
    TLoaderProtocol loader;
    Feed(loader, "\r");
    const std::string dump = Feed(loader, "D\r");
    std::size_t records = 0;
    for (auto at = dump.find("\r\n:"); at != std::string::npos; at = dump.find("\r\n:", at + 1))
        ++records;
    EXPECT_EQ(records, 0x8000u / 16 + 1);
    EXPECT_NE(dump.find("\r\n:107FF000" + kFF16 + "91\r\n:00000001FF\r\n>"), std::string::npos);
}

namespace {

std::string Output(const std::string &command) {
    std::string out;
    if (FILE *pipe = popen(command.c_str(), "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, pipe))
            out += buf;
        pclose(pipe);
    }
    return out;
}

} // namespace

// srec_cat (SRecord) reads the dump back and computes the CRC on its own.
TEST(LoaderCommands, DumpAndCrcAgreeWithSrecCat) {
    ASSERT_EQ(std::system("srec_cat -version >/dev/null 2>&1"), 0) << "srec_cat missing: run tools/deps.sh";
    TLoaderProtocol loader;
    Feed(loader, "\r");
    std::vector<std::uint8_t> pattern(0x8000);
    for (std::size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = static_cast<std::uint8_t>((i * 7919) >> 3);
    loader.Poke(0, pattern);
    std::string dump = Feed(loader, "D 123 7ABC\r");
    ASSERT_EQ(dump.rfind("D 123 7ABC\r\n", 0), 0u);
    dump = dump.substr(12, dump.size() - 12 - 3); // the records without echo and prompt

    const std::string stem = testing::TempDir() + "/loadersim_dump_" + std::to_string(getpid());
    const std::string hexPath = stem + ".hex", binPath = stem + ".bin";
    std::ofstream(hexPath, std::ios::binary) << dump;
    ASSERT_EQ(std::system(("srec_cat " + hexPath + " -intel -offset -0x123 -o " + binPath + " -binary").c_str()), 0);
    std::ifstream in(binPath, std::ios::binary);
    const std::string back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(back, std::string(pattern.begin() + 0x123, pattern.begin() + 0x7ABD));

    // CRC-16/ARC over the same bytes, written big-endian after them by srec_cat.
    const std::string end = std::to_string(back.size()), after = std::to_string(back.size() + 2);
    const std::string crcLine =
        Output("srec_cat " + binPath + " -binary -crc16-b-e " + end + " -POLY ibm -Least_To_Most -XMODEM -crop " + end +
               " " + after + " -o - -hex-dump");
    const std::string reply = Feed(loader, "C 123 7ABC\r");
    char expected[32];
    unsigned hi = 0, lo = 0;
    ASSERT_EQ(std::sscanf(crcLine.c_str(), "%*x: %x %x", &hi, &lo), 2) << crcLine;
    std::snprintf(expected, sizeof expected, "\r\nCRC=%02X%02X\r\n>", hi, lo);
    EXPECT_EQ(reply, std::string("C 123 7ABC") + expected);
    unlink(hexPath.c_str());
    unlink(binPath.c_str());
}
