#include "Commands.h"

#include "LoaderError.h"
#include "LoaderReplies.h"

#include <cctype>
#include <cstdio>

namespace loader {

namespace {

std::string Hex(unsigned value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, value);
    return buf;
}

std::string RangeArgs(const TRange &range) {
    std::string out;
    if (range.from)
        out += " " + Hex(*range.from, 4);
    if (range.to) {
        if (!range.from)
            out += " 0000";
        out += " " + Hex(*range.to, 4);
    }
    return out;
}

// Reads "XX" hex (digits given) from text at pos; -1 when it is not there.
long HexAt(const std::string &text, std::size_t pos, std::size_t digits) {
    if (pos + digits > text.size())
        return -1;
    long v = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const char c = text[pos + i];
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return -1;
        v = v * 16 + (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::toupper(c) - 'A' + 10);
    }
    return v;
}

// The value after `prefix` in the first reply line that starts with it.
long ReplyValue(const std::vector<std::string> &lines, const std::string &prefix, std::size_t digits,
                const std::string &command) {
    for (const auto &l : lines)
        if (l.compare(0, prefix.size(), prefix) == 0) {
            const long v = HexAt(l, prefix.size(), digits);
            if (v >= 0)
                return v;
        }
    std::string seen;
    for (const auto &l : lines)
        seen += (seen.empty() ? "" : " | ") + l;
    throw ELoader(TOutcome::LoaderError,
                  command + ": unexpected reply \"" + seen + "\" (expected " + prefix + std::string(digits, 'X') + ")");
}

std::size_t RangeBytes(const TRange &range) {
    const unsigned from = range.from.value_or(0);
    const unsigned to = range.to.value_or(0x7FFF);
    return to >= from ? to - from + 1 : 0;
}

} // namespace

std::size_t DumpCharacters(std::size_t bytes) {
    const std::size_t per = replies::kDumpBytesPerRecord;
    const std::size_t records = (bytes + per - 1) / per;
    // ":LLAAAATT" + data + "CC", each after a line break, then the end record.
    return records * (2 + 11) + bytes * 2 + 13;
}

std::string PartitionCommand(unsigned partition) {
    if (partition % 0x800 != 0 || partition > 0x8000)
        throw ELoader(TOutcome::Usage,
                      "partition " + Hex(partition, 4) + "h: give a multiple of 800h from 0 to 8000h (2 kB steps)");
    const unsigned step = partition == 0x8000 ? 15 : partition / 0x800;
    return "W" + Hex(step, 1) + "8";
}

void WriteMcon(TLoaderSession &session, std::uint8_t value) { session.Command("W" + Hex(value, 2)); }

std::uint8_t ReadMcon(TLoaderSession &session) {
    return static_cast<std::uint8_t>(ReplyValue(session.Command("R"), replies::kMconPrefix, 2, "R"));
}

TMemoryImage Dump(TLoaderSession &session, const TRange &range, const TProgressHandler &progress) {
    const auto lines = session.Command("D" + RangeArgs(range), DumpCharacters(RangeBytes(range)), progress);
    return ParseDump(lines);
}

std::uint16_t Crc(TLoaderSession &session, const TRange &range) {
    return static_cast<std::uint16_t>(ReplyValue(session.Command("C" + RangeArgs(range)), replies::kCrcPrefix, 4, "C"));
}

void Fill(TLoaderSession &session, std::uint8_t value, const TRange &range) {
    static_assert(replies::kFillValueFirst, "the fill command below puts the value first");
    session.Command("F " + Hex(value, 2) + RangeArgs(range), 16 + RangeBytes(range) / 64);
}

std::array<std::uint8_t, 4> GetPorts(TLoaderSession &session) {
    const auto lines = session.Command("G");
    std::array<std::uint8_t, 4> out{};
    for (int p = 0; p < 4; ++p) {
        const std::string key = replies::kPortPrefix + std::to_string(p) + replies::kPortSeparator;
        long v = -1;
        for (const auto &l : lines)
            if (const std::size_t at = l.find(key); at != std::string::npos && v < 0)
                v = HexAt(l, at + key.size(), 2);
        if (v < 0)
            (void)ReplyValue(lines, key, 2, "G");
        out[static_cast<std::size_t>(p)] = static_cast<std::uint8_t>(v);
    }
    return out;
}

std::uint8_t GetPort(TLoaderSession &session, int port) {
    if (port < 0 || port > 3)
        throw ELoader(TOutcome::Usage, "port " + std::to_string(port) + ": give 0 to 3");
    const std::string key = replies::kPortPrefix + std::to_string(port) + replies::kPortSeparator;
    return static_cast<std::uint8_t>(ReplyValue(session.Command("G " + std::to_string(port)), key, 2, "G"));
}

void PutPort(TLoaderSession &session, int port, std::uint8_t value) {
    if (port < 0 || port > 3)
        throw ELoader(TOutcome::Usage, "port " + std::to_string(port) + ": give 0 to 3");
    session.Command("P " + std::to_string(port) + " " + Hex(value, 2));
}

void Lock(TLoaderSession &session) { session.Command("Z"); }

void Unlock(TLoaderSession &session) { session.Command("U", 64); }

void LoadKey(TLoaderSession &session, const std::string &hexKey) {
    bool ok = hexKey.size() == static_cast<std::size_t>(replies::kKeyDigits);
    for (char c : hexKey)
        ok = ok && std::isxdigit(static_cast<unsigned char>(c));
    if (!ok)
        throw ELoader(TOutcome::Usage, "key \"" + hexKey + "\": give exactly " + std::to_string(replies::kKeyDigits) +
                                           " hexadecimal digits");
    session.Command("K " + hexKey);
}

TComparison VerifyFile(TLoaderSession &session, const THexFile &file, const TProgressHandler &progress) {
    const auto spans = SpansOf(file);
    std::size_t total = 0;
    for (const auto &s : spans)
        total += DumpCharacters(static_cast<std::size_t>(s.end - s.begin) + 1);
    TMemoryImage image;
    std::size_t before = 0;
    for (const auto &s : spans) {
        const TRange range{s.begin, s.end};
        const TMemoryImage part = Dump(session, range, [&](std::size_t done, std::size_t) {
            if (progress)
                progress(before + done, total);
        });
        for (std::size_t a = s.begin; a <= s.end; ++a)
            if (part.known[a]) {
                image.bytes[a] = part.bytes[a];
                image.known[a] = true;
            }
        before += DumpCharacters(static_cast<std::size_t>(s.end - s.begin) + 1);
    }
    if (progress)
        progress(total, total);
    return Compare(file, image);
}

} // namespace loader
