#pragma once

#include <cstdint>
#include <string>

namespace app {

// The computer's memory figures the About box shows.
struct TMemoryStatus {
    // Total physical memory in bytes (64 bits: today's machines exceed 4 GB).
    std::uint64_t TotalPhys = 0;
    // Per cent of physical memory in use, 0 to 100.
    std::uint32_t MemoryLoad = 0;
};

// Reads the figures from the kernel (/proc/meminfo); zeros when it cannot.
TMemoryStatus GlobalMemoryStatus();
// The same from a /proc/meminfo text, for tests.
TMemoryStatus ParseMemInfo(const std::string &text);

} // namespace app
