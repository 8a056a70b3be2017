#include "MemoryImage.h"

#include "LoaderError.h"

#include <algorithm>
#include <map>

namespace loader {

void TMemoryImage::Put(const THexRecord &record) {
    for (std::size_t i = 0; i < record.data.size(); ++i) {
        const std::size_t a = record.address + i;
        if (a >= bytes.size())
            break;
        bytes[a] = record.data[i];
        known[a] = true;
    }
}

std::size_t TMemoryImage::KnownCount() const {
    return static_cast<std::size_t>(std::count(known.begin(), known.end(), true));
}

TMemoryImage ParseDump(const std::vector<std::string> &lines) {
    std::string text;
    for (const auto &line : lines)
        text += line + "\n";
    TMemoryImage image;
    try {
        const THexFile dump = ParseHex(text, "dump", image.bytes.size());
        for (const auto &r : dump.records)
            image.Put(r);
    } catch (const ELoader &e) {
        throw ELoader(TOutcome::Port, std::string("garbled reply from the loader: ") + e.what());
    }
    return image;
}

std::vector<TSpan> SpansOf(const THexFile &file, std::size_t joinGap) {
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (const auto &r : file.records)
        if (!r.data.empty())
            runs.emplace_back(r.address, r.address + r.data.size() - 1);
    std::sort(runs.begin(), runs.end());
    std::vector<TSpan> spans;
    for (const auto &[b, e] : runs) {
        if (!spans.empty() && b <= static_cast<std::size_t>(spans.back().end) + joinGap + 1) {
            spans.back().end = static_cast<std::uint16_t>(std::max<std::size_t>(spans.back().end, e));
            continue;
        }
        spans.push_back({static_cast<std::uint16_t>(b), static_cast<std::uint16_t>(e)});
    }
    return spans;
}

TComparison Compare(const THexFile &file, const TMemoryImage &image, std::size_t keep) {
    // What each address should hold, and the line of the record that set it last.
    std::map<std::uint16_t, std::pair<std::uint8_t, int>> wanted;
    for (const auto &r : file.records)
        for (std::size_t i = 0; i < r.data.size(); ++i)
            wanted[static_cast<std::uint16_t>(r.address + i)] = {r.data[i], r.line};
    TComparison result;
    int lastLine = -1;
    for (const auto &[address, want] : wanted) {
        ++result.comparedBytes;
        const bool known = address < image.known.size() && image.known[address];
        const int actual = known ? image.bytes[address] : -1;
        if (actual == want.first)
            continue;
        ++result.differingBytes;
        if (want.second != lastLine) {
            ++result.differingRecords;
            lastLine = want.second;
        }
        if (result.first.size() < keep)
            result.first.push_back({address, want.first, actual, want.second});
    }
    return result;
}

std::string FormatHex(const TMemoryImage &image, const std::string &lineEnd) {
    std::string out;
    const std::size_t size = image.bytes.size();
    std::size_t a = 0;
    while (a < size) {
        if (!image.known[a]) {
            ++a;
            continue;
        }
        std::size_t n = 0;
        while (n < 16 && a + n < size && image.known[a + n])
            ++n;
        out += FormatRecord(0x00, static_cast<std::uint16_t>(a), &image.bytes[a], n) + lineEnd;
        a += n;
    }
    return out + ":00000001FF" + lineEnd;
}

std::uint16_t Crc16(const std::uint8_t *data, std::size_t count) {
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < count; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1u) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001u) : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

std::uint16_t FileCrc(const THexFile &file, std::uint16_t begin, std::uint16_t end, std::uint8_t blank) {
    std::vector<std::uint8_t> memory(0x10000, blank);
    for (const auto &r : file.records)
        for (std::size_t i = 0; i < r.data.size(); ++i)
            memory[(r.address + i) & 0xFFFFu] = r.data[i];
    if (end < begin)
        return 0;
    return Crc16(memory.data() + begin, static_cast<std::size_t>(end - begin) + 1);
}

} // namespace loader
