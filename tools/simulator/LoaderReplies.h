#pragma once

#include <cstddef>
#include <cstdint>

namespace loadersim {

// Every text the simulated loader sends and every value the chip's guide leaves
// open, in one place. The command letters, the echo rules, the "E:" prefix of
// errors and the Intel HEX of D are the chip's documented behaviour; the rest is
// this simulator's choice (marked "assumed"), so matching a real chip is a
// change of one line here.
struct TLoaderReplies {
    // Assumed: the banner line (sent as line start, banner, prompt), and its
    // lower-case form for the --lower test option.
    const char *banner;
    const char *bannerLowerCase;
    // Assumed: every reply line starts with this; the prompt follows every reply and error.
    const char *lineStart;
    const char *prompt;
    // Documented: what a deleted character echoes as.
    const char *deleteEcho;

    // Assumed reply formats (printf formats, hexadecimal in upper case).
    const char *crc;           // C: the CRC of the range
    const char *port;          // G n: one port latch
    const char *portSeparator; // G: between the four latches
    const char *mcon;          // R: the memory-control register
    const char *verifyOk;      // V: after the end record when no record differed

    // Assumed: the CRC of C (CRC-16/ARC: reflected polynomial, initial value, final xor).
    std::uint16_t crcPolynomialReflected;
    std::uint16_t crcInitial;
    std::uint16_t crcFinalXor;
    // Assumed: data bytes per record of D, how each byte is written, the record D ends with.
    std::size_t dumpRecordBytes;
    const char *dumpByte;
    const char *dumpEnd;

    // Assumed: state after power-up, and what U erases the memory and key to.
    std::uint8_t mconAtPowerUp;
    std::uint8_t portLatchAtPowerUp;
    std::uint8_t erasedMemory;
    std::uint64_t erasedKey;

    // Error mnemonics (the "E:" prefix is documented, the mnemonics assumed).
    const char *notHex;     // a character that is not a hex digit in a record or an argument
    const char *checksum;   // a HEX record whose checksum does not add up
    const char *recordType; // a HEX record of a type other than 00 and 01
    const char *range;      // an address beyond the range, or an end below its begin
    const char *longLine;   // a command line of more than 16 characters
    const char *param;      // a command with the wrong arguments
    const char *command;    // an unknown command
    const char *locked;     // D, V, C, T or L while the security lock is set
    const char *verify;     // V: a record that differs from the memory
};

inline constexpr TLoaderReplies kSimulatorChoice{
    .banner = "DS5000 LOADER VERSION 2.1",
    .bannerLowerCase = "ds5000 loader version 2.1",
    .lineStart = "\r\n",
    .prompt = "\r\n>",
    .deleteEcho = "\b \b",
    .crc = "CRC=%04X",
    .port = "P%u=%02X",
    .portSeparator = " ",
    .mcon = "MCON=%02X",
    .verifyOk = "V:OK",
    .crcPolynomialReflected = 0xA001,
    .crcInitial = 0x0000,
    .crcFinalXor = 0x0000,
    .dumpRecordBytes = 16,
    .dumpByte = "%02X",
    .dumpEnd = ":00000001FF",
    .mconAtPowerUp = 0xF8,
    .portLatchAtPowerUp = 0xFF,
    .erasedMemory = 0xFF,
    .erasedKey = 0,
    .notHex = "E:NOTHEX",
    .checksum = "E:CHKSUM",
    .recordType = "E:RECTYP",
    .range = "E:RANGE",
    .longLine = "E:LONG",
    .param = "E:PARAM",
    .command = "E:COMMAND",
    .locked = "E:LOCKED",
    .verify = "E:VERIFY",
};

} // namespace loadersim
