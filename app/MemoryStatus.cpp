#include "MemoryStatus.h"

#include <fstream>
#include <sstream>

namespace app {

TMemoryStatus ParseMemInfo(const std::string &text) {
    std::uint64_t totalKb = 0, availableKb = 0, freeKb = 0;
    bool haveAvailable = false;
    std::istringstream in(text);
    std::string key;
    std::uint64_t value = 0;
    std::string unit;
    while (in >> key >> value) {
        std::getline(in, unit);
        if (key == "MemTotal:")
            totalKb = value;
        else if (key == "MemAvailable:") {
            availableKb = value;
            haveAvailable = true;
        } else if (key == "MemFree:")
            freeKb = value;
    }
    // Old kernels lack MemAvailable; free memory is the nearest figure then.
    const std::uint64_t unusedKb = haveAvailable ? availableKb : freeKb;
    TMemoryStatus status;
    status.TotalPhys = totalKb * 1024;
    if (totalKb > 0 && unusedKb <= totalKb)
        status.MemoryLoad = static_cast<std::uint32_t>(((totalKb - unusedKb) * 100 + totalKb / 2) / totalKb);
    return status;
}

TMemoryStatus GlobalMemoryStatus() {
    std::ifstream in("/proc/meminfo");
    std::stringstream text;
    text << in.rdbuf();
    return ParseMemInfo(text.str());
}

} // namespace app
