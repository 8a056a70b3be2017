#include "HexFile.h"

#include "LoaderError.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace loader {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string Hex2(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", v & 0xFFu);
    return buf;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

class TLineParser {
  public:
    TLineParser(const std::string &origin, std::size_t rangeSize) : origin_(origin), rangeSize_(rangeSize) {}

    [[noreturn]] void Fail(int line, const std::string &what) const {
        throw ELoader(TOutcome::Usage, origin_ + " line " + std::to_string(line) + ": " + what);
    }

    // Parses one line; returns false for a blank line.
    bool Parse(const std::string &raw, int line, THexRecord &record) const {
        std::size_t begin = 0, end = raw.size();
        while (begin < end && IsBlank(raw[begin]))
            ++begin;
        while (end > begin && IsBlank(raw[end - 1]))
            --end;
        if (begin == end)
            return false;
        if (raw[begin] != ':')
            Fail(line, "not an Intel HEX record (it does not start with ':')");
        const std::string body = raw.substr(begin + 1, end - begin - 1);
        for (std::size_t i = 0; i < body.size(); ++i)
            if (HexDigit(body[i]) < 0)
                Fail(line, "'" + std::string(1, body[i]) + "' at column " + std::to_string(begin + 2 + i) +
                               " is not a hexadecimal digit");
        if (body.size() < 10 || body.size() % 2 != 0)
            Fail(line, "record too short or of odd length");
        std::vector<std::uint8_t> bytes(body.size() / 2);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<std::uint8_t>(HexDigit(body[2 * i]) * 16 + HexDigit(body[2 * i + 1]));
        const std::size_t length = bytes[0];
        if (bytes.size() != length + 5)
            Fail(line, "record says " + std::to_string(length) + " data bytes but holds " +
                           std::to_string(bytes.size() >= 5 ? bytes.size() - 5 : 0));
        unsigned sum = 0;
        for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
            sum += bytes[i];
        const unsigned need = (0x100u - (sum & 0xFFu)) & 0xFFu;
        if (bytes.back() != need)
            Fail(line, "checksum is " + Hex2(bytes.back()) + ", the record's bytes need " + Hex2(need));
        record.line = line;
        record.type = bytes[3];
        record.address = static_cast<std::uint16_t>(bytes[1] * 256 + bytes[2]);
        record.data.assign(bytes.begin() + 4, bytes.end() - 1);
        record.text = raw.substr(begin, end - begin);
        if (record.type != 0x00 && record.type != 0x01)
            Fail(line, "record type " + Hex2(record.type) + " is not taken by the loader (only 00 and 01)");
        if (record.type == 0x00 && record.address + length > rangeSize_)
            Fail(line, "data at " + Hex2(record.address >> 8) + Hex2(record.address) + "h.." +
                           Hex2(static_cast<unsigned>(record.address + length - 1) >> 8) +
                           Hex2(static_cast<unsigned>(record.address + length - 1)) + "h lies beyond the range 0.." +
                           Hex2(static_cast<unsigned>(rangeSize_ - 1) >> 8) +
                           Hex2(static_cast<unsigned>(rangeSize_ - 1)) + "h");
        return true;
    }

  private:
    std::string origin_;
    std::size_t rangeSize_;
};

} // namespace

std::size_t THexFile::DataBytes() const {
    std::size_t n = 0;
    for (const auto &r : records)
        n += r.data.size();
    return n;
}

std::size_t THexFile::DownloadBytes() const {
    std::size_t n = 0;
    for (const auto &r : records)
        n += r.text.size() + 2;
    return n + 13; // ":00000001FF" and its line break
}

THexFile ParseHex(const std::string &text, const std::string &origin, std::size_t rangeSize) {
    const TLineParser parser(origin, rangeSize);
    THexFile file;
    std::size_t pos = 0;
    int line = 0;
    const std::size_t stop = std::min(text.find('\x1A'), text.size());
    while (pos < stop) {
        std::size_t nl = text.find('\n', pos);
        if (nl == std::string::npos || nl > stop)
            nl = stop;
        ++line;
        THexRecord record;
        if (parser.Parse(text.substr(pos, nl - pos), line, record)) {
            if (record.type == 0x01) {
                if (!record.data.empty())
                    parser.Fail(line, "the end record carries data");
                file.endLine = line;
                return file;
            }
            file.records.push_back(std::move(record));
        }
        pos = nl + 1;
    }
    throw ELoader(TOutcome::Usage, origin + ": no end record (:00000001FF); the file may be cut short");
}

THexFile ReadHexFile(const std::string &path, std::size_t rangeSize) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw ELoader(TOutcome::Usage, "cannot read " + path);
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad())
        throw ELoader(TOutcome::Usage, "cannot read " + path);
    return ParseHex(content.str(), path, rangeSize);
}

std::string FormatRecord(std::uint8_t type, std::uint16_t address, const std::uint8_t *data, std::size_t count) {
    std::string out = ":" + Hex2(static_cast<unsigned>(count)) + Hex2(address >> 8) + Hex2(address) + Hex2(type);
    unsigned sum = static_cast<unsigned>(count) + (address >> 8) + (address & 0xFFu) + type;
    for (std::size_t i = 0; i < count; ++i) {
        out += Hex2(data[i]);
        sum += data[i];
    }
    return out + Hex2(0x100u - (sum & 0xFFu));
}

} // namespace loader
