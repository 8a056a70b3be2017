#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace loadersim {

// One Intel HEX record as the loader takes it off the line.
struct THexRecord {
    std::uint8_t type = 0;
    std::size_t address = 0;
    std::vector<std::uint8_t> data;
    std::string text; // as received, from ":" to the last checksum digit
};

// Collects the records of a download (L, V, T) byte by byte. Anything before
// a ":" is ignored, as the line ends between records are.
class THexRecordReader {
  public:
    enum class TResult { Pending, Record, NotHex, Checksum };

    TResult Feed(std::uint8_t byte);
    // The record completed by the last Feed that returned Record.
    const THexRecord &Record() const { return record_; }
    void Clear();

  private:
    bool inRecord_ = false;
    std::string digits_;
    THexRecord record_;
};

// One data record in the loader's dump format, without line end.
std::string HexDataRecord(std::size_t address, const std::uint8_t *data, std::size_t count);

bool IsHexDigit(std::uint8_t c);
int HexValue(char c);

} // namespace loadersim
