#include "cport/PortList.h"

#include "ConfigFiles.h"
#include "PortTable.h"
#include "cport/ComError.h"
#include "cport/ValueTexts.h"

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

namespace cport {

namespace {

std::string &SysfsRootStorage() {
    static std::string root = "/sys";
    return root;
}

std::string TtyClassDirectory() { return SysfsRoot() + "/class/tty"; }

// The system's list of terminal devices must be readable, or no answer
// about on-board UARTs can be trusted.
void CheckTtyClassReadable() {
    DIR *dir = opendir(TtyClassDirectory().c_str());
    if (!dir)
        throw EComPort(CError_EnumPortsFailed, errno);
    closedir(dir);
}

// Whether the device node exists; never opens it. A node of the default
// rule that cannot be looked up means /dev itself cannot be trusted; a path
// the user named that cannot be looked up leads nowhere either.
bool DevicePresent(const std::string &path, bool userPath) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0)
        return !S_ISDIR(st.st_mode);
    if (errno == ENOENT || errno == ENOTDIR || userPath)
        return false;
    throw EComPort(CError_EnumPortsFailed, errno);
}

// The kernel creates a ttyS node for every possible on-board UART; only
// those whose probed type is known (not 0, "unknown") have hardware behind them.
bool OnBoardUartPresent(const std::string &ttyName) {
    std::string type;
    if (ReadWholeFile(TtyClassDirectory() + "/" + ttyName + "/type", type) != TFileRead::Ok)
        return false;
    while (!type.empty() && (type.back() == '\n' || type.back() == ' '))
        type.pop_back();
    std::int32_t value = 0;
    return TryTextToInt(type, value) && value != 0;
}

} // namespace

void SetSysfsRoot(const std::string &root) { SysfsRootStorage() = root; }
const std::string &SysfsRoot() { return SysfsRootStorage(); }

std::vector<TSerialPortInfo> EnumerateSerialPorts() {
    CheckTtyClassReadable();
    const TPortTable &table = TPortTable::Instance();
    std::vector<TSerialPortInfo> ports;
    for (int n = 1; n <= 16; ++n) {
        const std::string name = "COM" + std::to_string(n);
        const std::string device = table.Resolve(name);
        // A name is offered only while its device is there: an unplugged
        // adapter or a stale entry would lead nowhere.
        if (table.HasEntry(name)) {
            if (DevicePresent(device, true))
                ports.push_back({name, device, true});
            continue;
        }
        if (!DevicePresent(device, false))
            continue;
        const std::string ttyName = TPortTable::DefaultPath(name);
        if (ttyName.rfind("ttyS", 0) == 0 && !OnBoardUartPresent(ttyName))
            continue;
        ports.push_back({name, device, false});
    }
    return ports;
}

void ListSerialPorts(std::vector<std::string> &list) {
    const std::vector<TSerialPortInfo> ports = EnumerateSerialPorts();
    for (const TSerialPortInfo &p : ports)
        list.push_back(p.Name);
}

} // namespace cport
