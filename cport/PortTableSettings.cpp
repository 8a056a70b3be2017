#include "PortTableSettings.h"

#include "IniFile.h"
#include "posix/PortTable.h"

namespace cport {

void RestorePortTable(const std::string &iniFileName) {
    const TIniFile ini(iniFileName);
    for (const auto &[name, device] : ini.ReadSectionValues(kPortTableSection)) {
        if (ComNumber(name) == 0 || device.empty() || device[0] != '/')
            continue;
        TPortTable::Instance().SetEntry(name, device);
    }
}

} // namespace cport
