#pragma once

#include "LoaderSimulator.h"
#include "cport/posix/PortTable.h"
#include "loader/HexFile.h"
#include "loader/LoaderSession.h"
#include "loader/PortLine.h"

#include <memory>
#include <string>

namespace loadertest {

// A port line on a COM name mapped to a device path, at a rate.
inline std::unique_ptr<loader::TPortLine> LineTo(const std::string &path, cport::TBaudRate rate = cport::br57600,
                                                 const std::string &com = "COM7") {
    cport::TPortTable::Instance().SetEntry(com, path);
    auto line = std::make_unique<loader::TPortLine>();
    line->Port().SetPort(com);
    line->Port().SetBaudRate(rate);
    line->Open();
    return line;
}

// A file of `records` full 16-byte records from address `base`, bytes from a counter.
inline loader::THexFile CountingFile(std::size_t records, std::uint16_t base = 0, std::uint8_t seed = 0) {
    std::string text;
    std::uint8_t value = seed;
    for (std::size_t r = 0; r < records; ++r) {
        std::uint8_t data[16];
        for (auto &b : data)
            b = value++;
        text += loader::FormatRecord(0, static_cast<std::uint16_t>(base + r * 16), data, 16) + "\r\n";
    }
    return loader::ParseHex(text + ":00000001FF\r\n", "counting.hex");
}

} // namespace loadertest
