#pragma once

#include <map>
#include <string>

namespace cport {

// Where each COM name lives on this machine. Explicit entries win: those
// the settings file names (replaced as a whole each time it is read) and
// those the program sets (the later of the two for one name). A name
// without an entry follows the default rule:
//   COM1..COM4   -> /dev/ttyS0..3     (on-board UARTs)
//   COM5..COM12  -> /dev/ttyUSB0..7   (USB serial adapters)
//   COM13..COM16 -> /dev/ttyACM0..3   (USB modems, CDC-ACM boards)
class TPortTable {
  public:
    static TPortTable &Instance();

    void SetEntry(const std::string &comName, const std::string &devicePath);
    // Replaces every entry the settings file made before by these (keyed by
    // any spelling of the COM name); an entry the file no longer names ends,
    // and a program entry it had hidden counts again.
    void SetFileEntries(const std::map<std::string, std::string> &entries);
    void RemoveEntry(const std::string &comName);
    void Clear();
    // Explicit entries, keyed by normalised COM name.
    std::map<std::string, std::string> Entries() const;
    bool HasEntry(const std::string &comName) const;

    // The device path for a COM name ("" for a name outside COM1..COM16).
    std::string Resolve(const std::string &comName) const;
    static std::string DefaultPath(const std::string &comName);

    // Directory the default rule's device names live in ("/dev"); tests point
    // it at a folder of their own.
    void SetDeviceRoot(const std::string &root) { deviceRoot_ = root; }
    const std::string &DeviceRoot() const { return deviceRoot_; }

  private:
    std::map<std::string, std::string> entries_;     // set by the program
    std::map<std::string, std::string> fileEntries_; // read from the settings file
    std::string deviceRoot_ = "/dev";
};

// Number of a name "COMn" with n in 1..16, else 0. Letter case is ignored.
int ComNumber(const std::string &comName);

} // namespace cport
