#include "PortTableSettings.h"

#include "IniFile.h"
#include "posix/PortTable.h"

#include <map>

namespace cport {

void RestorePortTable(const std::string &iniFileName) {
    const TIniFile ini(iniFileName);
    std::map<std::string, std::string> entries;
    for (const auto &[name, device] : ini.ReadSectionValues(kPortTableSection)) {
        if (ComNumber(name) == 0 || device.empty() || device[0] != '/')
            continue;
        entries.emplace(name, device);
    }
    TPortTable::Instance().SetFileEntries(entries);
}

} // namespace cport
