#pragma once

#include "cport/ComDataPacket.h"

#include <ostream>
#include <string>
#include <vector>

namespace packettest {

// One report of the assembler, in the order it was made.
struct Report {
    enum Kind { Packet, Discard } kind;
    std::string text;
    bool operator==(const Report &) const = default;
};

inline std::ostream &operator<<(std::ostream &out, const Report &r) {
    return out << (r.kind == Report::Packet ? "packet '" : "discard '") << r.text << "'";
}

inline Report P(std::string text) { return {Report::Packet, std::move(text)}; }
inline Report D(std::string text) { return {Report::Discard, std::move(text)}; }

// Records every packet and discard of one assembler.
class PacketRecorder {
  public:
    explicit PacketRecorder(cport::TComDataPacket &packet) {
        packet.OnPacket = [this](fw::TComponent *, const std::string &s) { reports.push_back(P(s)); };
        packet.OnDiscard = [this](fw::TComponent *, const std::string &s) { reports.push_back(D(s)); };
    }
    std::vector<Report> reports;
};

inline void Feed(cport::TComDataPacket &packet, const std::string &chunk) {
    packet.AcceptData(nullptr, chunk.data(), static_cast<std::int32_t>(chunk.size()));
}

} // namespace packettest
