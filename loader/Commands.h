#pragma once

#include "HexFile.h"
#include "LoaderSession.h"
#include "MemoryImage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace loader {

// The loader's commands on top of a woken session. Addresses are optional
// where the loader's own default (the whole range, or from an address to its
// end) should apply.
struct TRange {
    std::optional<std::uint16_t> from, to;
};

// The partition command for a partition address (a multiple of 800h up to
// 8000h), with the 32 kB range bit, as the windows send it: 2000h gives "W48";
// 8000h gives "WF8" like the windows' last choice. Raises ELoader (usage)
// for another address.
std::string PartitionCommand(unsigned partition);

void WriteMcon(TLoaderSession &session, std::uint8_t value);
std::uint8_t ReadMcon(TLoaderSession &session);

// D over the range; progress counts received characters.
TMemoryImage Dump(TLoaderSession &session, const TRange &range, const TProgressHandler &progress = {});
std::uint16_t Crc(TLoaderSession &session, const TRange &range);
void Fill(TLoaderSession &session, std::uint8_t value, const TRange &range);
// The four port latches (G), or one of them.
std::array<std::uint8_t, 4> GetPorts(TLoaderSession &session);
std::uint8_t GetPort(TLoaderSession &session, int port);
void PutPort(TLoaderSession &session, int port, std::uint8_t value);
void Lock(TLoaderSession &session);
void Unlock(TLoaderSession &session);
// Ten hex digits; raises ELoader (usage) for anything else.
void LoadKey(TLoaderSession &session, const std::string &hexKey);

// Reads back every span the file's data occupy and compares.
TComparison VerifyFile(TLoaderSession &session, const THexFile &file, const TProgressHandler &progress = {});

// Characters the dump of `bytes` data bytes takes on the line.
std::size_t DumpCharacters(std::size_t bytes);

} // namespace loader
