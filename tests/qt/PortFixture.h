#pragma once

// Ports for the setup controls' tests: the port listing sees only the COM
// names a test maps, never a device of this machine.

#include "cport/ComPort.h"
#include "cport/PortList.h"
#include "cport/posix/PortTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <string>

namespace qttest {

class ListedPorts {
  public:
    ListedPorts() {
        QDir root(dir_.path());
        root.mkpath(QStringLiteral("sys/class/tty"));
        root.mkpath(QStringLiteral("dev"));
        cport::SetSysfsRoot(Path("sys"));
        cport::TPortTable::Instance().Clear();
        cport::TPortTable::Instance().SetDeviceRoot(Path("dev"));
    }
    ~ListedPorts() {
        cport::TPortTable::Instance().Clear();
        cport::TPortTable::Instance().SetDeviceRoot(Path("dev-gone"));
        cport::SetSysfsRoot(Path("sys-gone"));
    }
    ListedPorts(const ListedPorts &) = delete;
    ListedPorts &operator=(const ListedPorts &) = delete;

    // Lists comName for a device that is present but no terminal, so opening it fails.
    void MapUnopenable(const std::string &comName) {
        const std::string path = Path("dev/plain-" + comName);
        QFile(QString::fromStdString(path)).open(QIODevice::WriteOnly);
        cport::TPortTable::Instance().SetEntry(comName, path);
    }
    // Makes the listing itself fail.
    void BreakListing() { cport::SetSysfsRoot(Path("no-such-sys")); }

    std::string Path(const std::string &relative) const {
        return dir_.filePath(QString::fromStdString(relative)).toStdString();
    }

  private:
    QTemporaryDir dir_;
};

// A port that counts how often its settings reach the device and how often it opens and closes.
class CountingPort : public cport::TComPort {
  public:
    CountingPort() {
        SetEvents(cport::TComEvents{}); // no event thread: these tests only configure
        OnAfterOpen = [this](fw::TComponent *) { ++opens; };
        OnBeforeClose = [this](fw::TComponent *) { ++closes; };
    }
    ~CountingPort() override {
        // The base closes the port after this part is gone; nothing may count then.
        OnAfterOpen = nullptr;
        OnBeforeClose = nullptr;
    }
    void ApplySettings() override {
        ++settingsApplied;
        cport::TComPort::ApplySettings();
    }
    void ApplyDeviceState() override {
        ++deviceStateApplied;
        cport::TComPort::ApplyDeviceState();
    }
    void ResetCounts() { opens = closes = settingsApplied = deviceStateApplied = 0; }

    int opens = 0;
    int closes = 0;
    int settingsApplied = 0;
    int deviceStateApplied = 0;
};

} // namespace qttest
