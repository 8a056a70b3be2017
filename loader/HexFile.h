#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace loader {

// One Intel HEX record as it stood in a file or in the loader's dump.
struct THexRecord {
    int line = 0; // 1-based line of the text it came from
    std::uint8_t type = 0;
    std::uint16_t address = 0;
    std::vector<std::uint8_t> data;
    std::string text; // the record from its ":" to its last digit
};

// A whole file: its data records in file order, then the end record.
struct THexFile {
    std::vector<THexRecord> records; // data records only
    int endLine = 0;                 // line of the end record
    std::size_t DataBytes() const;
    // Bytes the download sends: every record's text and its line break.
    std::size_t DownloadBytes() const;
};

// Reads Intel HEX text as the loader takes it: record types 00 and 01 only,
// every data byte inside [0, rangeSize), checksums right, an end record, and
// nothing but blanks outside the records. Text after a Ctrl-Z is ignored, as
// is everything after the end record. A fault raises ELoader (usage) with
// `origin` (the file name) and the line number, e.g.
//   "firmware.hex line 12: checksum is 3F, the record's bytes need 40".
THexFile ParseHex(const std::string &text, const std::string &origin, std::size_t rangeSize = 0x8000);
// The same for a file on disk; an unreadable file raises ELoader (usage).
THexFile ReadHexFile(const std::string &path, std::size_t rangeSize = 0x8000);

// The record's text for a type and payload (upper-case hex, checksum added).
std::string FormatRecord(std::uint8_t type, std::uint16_t address, const std::uint8_t *data, std::size_t count);

} // namespace loader
