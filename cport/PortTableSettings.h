#pragma once

#include <string>

namespace cport {

// The settings-file section that maps COM names to devices, one key per
// name, the device path as value:
//   [Ports]
//   COM3=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0
inline constexpr const char *kPortTableSection = "Ports";

// Puts the entries of that section into the port table, so that a user can
// place a USB adapter or a pseudo-terminal on any COM name. Called before
// the port settings are restored. Keys that name no COM1..COM16 and values
// that are no absolute path are skipped. The file's entries replace those it
// made last time, so an entry removed from the file ends here; entries set
// by the program and not named in the file stay. Reading never fails: a
// missing file makes no entries.
void RestorePortTable(const std::string &iniFileName);

} // namespace cport
