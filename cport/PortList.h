#pragma once

#include <string>
#include <vector>

namespace cport {

// One serial port present on this machine: its COM name and the device
// behind it (which the setup dialog can show next to the name).
struct TSerialPortInfo {
    std::string Name;      // "COM1" .. "COM16"
    std::string Device;    // "/dev/ttyUSB0", or the path of an explicit entry
    bool Explicit = false; // set by the port table rather than the default rule
};

// The serial ports present, in COM order: every name the port table maps
// explicitly to a device that exists, and every name whose default device
// exists and is a real serial port. No device is ever opened to find out. Raises EComPort code
// 15 when the system's list of terminal devices cannot be read.
std::vector<TSerialPortInfo> EnumerateSerialPorts();

// Appends the COM names of EnumerateSerialPorts to list; list is neither
// cleared nor sorted, and keeps what it held when the listing fails.
void ListSerialPorts(std::vector<std::string> &list);

// Where the kernel's device attributes are looked up ("/sys"); tests point
// it at a folder of their own.
void SetSysfsRoot(const std::string &root);
const std::string &SysfsRoot();

} // namespace cport
