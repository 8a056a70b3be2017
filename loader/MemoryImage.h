#pragma once

#include "HexFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace loader {

// A stretch of the chip's memory as read back, byte by byte, with a mark for
// the bytes that some record set.
struct TMemoryImage {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(0x8000, 0xFF);
    std::vector<bool> known = std::vector<bool>(0x8000, false);

    void Put(const THexRecord &record);
    std::size_t KnownCount() const;
};

// Takes the records of a dump (reply lines of D) into an image. A line that
// is not a good record raises ELoader (port): the reply was garbled.
TMemoryImage ParseDump(const std::vector<std::string> &lines);

// A contiguous run of addresses, both ends included.
struct TSpan {
    std::uint16_t begin = 0, end = 0;
};
// The spans a file's data occupy; runs closer than `joinGap` bytes are read
// back as one.
std::vector<TSpan> SpansOf(const THexFile &file, std::size_t joinGap = 64);

// One byte that differs between a file and the memory read back.
struct TDifference {
    std::uint16_t address = 0;
    std::uint8_t expected = 0;
    int actual = -1; // -1: the dump did not cover the address
    int line = 0;    // the file line of the record that wrote it
};
struct TComparison {
    std::size_t comparedBytes = 0;
    std::size_t differingBytes = 0;
    std::size_t differingRecords = 0;
    std::vector<TDifference> first; // at most `keep` of them, in file order
};
// Compares every data byte of the file with the image (the last record that
// writes an address decides what it should hold).
TComparison Compare(const THexFile &file, const TMemoryImage &image, std::size_t keep = 8);

// The image as Intel HEX, 16 bytes per record over the known bytes, end record last.
std::string FormatHex(const TMemoryImage &image, const std::string &lineEnd = "\n");

// CRC-16/ARC: polynomial 8005h reflected (A001h), start 0, no final xor.
std::uint16_t Crc16(const std::uint8_t *data, std::size_t count);
// The CRC of the file's image over begin..end, bytes no record sets taken as
// `blank` (what an erased chip holds).
std::uint16_t FileCrc(const THexFile &file, std::uint16_t begin, std::uint16_t end, std::uint8_t blank = 0xFF);

} // namespace loader
