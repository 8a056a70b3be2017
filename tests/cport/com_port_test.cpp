// Opening, closing, notifications, settings updates and links, on pseudo-terminals
// and on a recording device.
#include "cport/ComPort.h"
#include "cport/posix/PortTable.h"
#include "framework/ExceptionHandler.h"
#include "tests/support/FakeComDevice.h"
#include "tests/support/Pty.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace cport;
using testsupport::FakeDevicePort;
using testsupport::PtyPair;

namespace {

// Records the order of notifications of a port and its links.
struct Recorder {
    std::vector<std::string> log;
    TComLink link;

    void Watch(TCustomComPort &port) {
        port.OnBeforeOpen = [this](fw::TComponent *) { log.push_back("BeforeOpen"); };
        port.OnAfterOpen = [this](fw::TComponent *) { log.push_back("AfterOpen"); };
        port.OnBeforeClose = [this](fw::TComponent *) { log.push_back("BeforeClose"); };
        port.OnAfterClose = [this](fw::TComponent *) { log.push_back("AfterClose"); };
        port.OnCTSChange = [this](fw::TComponent *, bool on) { log.push_back(std::string("CTS ") + (on ? "1" : "0")); };
        port.OnDSRChange = [this](fw::TComponent *, bool on) { log.push_back(std::string("DSR ") + (on ? "1" : "0")); };
        port.OnRLSDChange = [this](fw::TComponent *, bool on) {
            log.push_back(std::string("RLSD ") + (on ? "1" : "0"));
        };
        link.OnCTSChange = [this](fw::TComponent *, bool on) {
            log.push_back(std::string("link CTS ") + (on ? "1" : "0"));
        };
        link.OnDSRChange = [this](fw::TComponent *, bool on) {
            log.push_back(std::string("link DSR ") + (on ? "1" : "0"));
        };
        link.OnRLSDChange = [this](fw::TComponent *, bool on) {
            log.push_back(std::string("link RLSD ") + (on ? "1" : "0"));
        };
        port.AddLink(&link);
    }
};

// A port that reports which apply operations ran while it was open.
class ApplyCountingPort : public FakeDevicePort {
  public:
    using FakeDevicePort::FakeDevicePort;
    std::vector<std::string> applies;
    void ApplyDeviceState() override {
        Track("DeviceState");
        FakeDevicePort::ApplyDeviceState();
    }
    void ApplyTimeouts() override {
        Track("Timeouts");
        FakeDevicePort::ApplyTimeouts();
    }
    void ApplyBufferSizes() override {
        Track("BufferSizes");
        FakeDevicePort::ApplyBufferSizes();
    }

  private:
    void Track(const char *what) { applies.emplace_back(what); }
};

std::vector<std::string> DeviceCalls(FakeDevicePort &port, const std::string &prefix) {
    std::vector<std::string> out;
    for (const std::string &c : port.fake->calls)
        if (c.rfind(prefix, 0) == 0)
            out.push_back(c);
    return out;
}

} // namespace

TEST(PortOpen, OpenAndCloseFireEveryNotificationInOrder) {
    PtyPair pty;
    pty.MapAs("COM3");
    TComPort port;
    port.SetPort("COM3");
    port.SetEvents({});
    Recorder r;
    r.Watch(port);
    port.Open();
    EXPECT_TRUE(port.Connected());
    port.Open(); // a second open does nothing
    port.Close();
    port.Close();
    EXPECT_FALSE(port.Connected());
    // A pseudo-terminal has no modem lines: every signal reads as off.
    const std::vector<std::string> expected = {
        "BeforeOpen",  "AfterOpen",  "link CTS 0", "CTS 0",       "link DSR 0", "DSR 0", "link RLSD 0", "RLSD 0",
        "BeforeClose", "link CTS 0", "link DSR 0", "link RLSD 0", "CTS 0",      "DSR 0", "RLSD 0",      "AfterClose"};
    EXPECT_EQ(r.log, expected);
    port.RemoveLink(&r.link);
}

TEST(PortOpen, MissingDeviceRaisesCodeOneWithFileNotFound) {
    TPortTable::Instance().SetEntry("COM9", "/nonexistent-dir-for-tests/tty-none");
    TComPort port;
    port.SetPort("COM9");
    Recorder r;
    r.Watch(port);
    try {
        port.Open();
        FAIL() << "opened";
    } catch (const EComPort &e) {
        EXPECT_EQ(e.ErrorCode(), 1);
        EXPECT_EQ(e.PlatformError(), 2);
        EXPECT_STREQ(e.what(), "Unable to open com port (win error code: 2)");
    }
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(r.log, std::vector<std::string>{"BeforeOpen"});
    port.RemoveLink(&r.link);
}

TEST(PortOpen, ADeviceHeldByAnotherPortIsRefused) {
    PtyPair pty;
    pty.MapAs("COM4");
    TComPort first, second;
    first.SetPort("COM4");
    second.SetPort("COM4");
    first.Open();
    try {
        second.Open();
        FAIL() << "opened twice";
    } catch (const EComPort &e) {
        EXPECT_EQ(e.ErrorCode(), 1);
        EXPECT_EQ(e.PlatformError(), 5);
    }
    first.Close();
    EXPECT_NO_THROW(second.Open()); // free again once the first let go
}

TEST(PortOpen, DesignModeAndLoadingOnlyStoreConnected) {
    TComPort designed;
    designed.SetDesigning(true);
    designed.SetConnected(true);
    EXPECT_TRUE(designed.Connected());

    PtyPair pty;
    pty.MapAs("COM5");
    TComPort loaded;
    loaded.BeginLoading();
    loaded.SetPort("COM5");
    loaded.SetConnected(true);
    EXPECT_FALSE(loaded.Device()); // nothing opened while loading
    loaded.EndLoading();
    EXPECT_TRUE(loaded.Connected());
    EXPECT_NE(loaded.Device(), nullptr);
}

TEST(PortOpen, FailedOpenAfterLoadGoesToTheApplicationDisplay) {
    std::string shown;
    fw::SetApplicationExceptionHandler([&](const std::exception_ptr &e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception &x) {
            shown = x.what();
        }
    });
    TPortTable::Instance().SetEntry("COM10", "/nonexistent-dir-for-tests/tty-none");
    TComPort port;
    port.BeginLoading();
    port.SetPort("COM10");
    port.SetConnected(true);
    port.EndLoading();
    fw::SetApplicationExceptionHandler(nullptr);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(shown, "Unable to open com port (win error code: 2)");
}

TEST(PortOpen, ChangingThePortReopensOnTheNewDevice) {
    PtyPair a, b;
    a.MapAs("COM6");
    b.MapAs("COM7");
    TComPort port;
    port.SetPort("COM6");
    port.SetEvents({});
    Recorder r;
    r.Watch(port);
    port.Open();
    port.SetPort("com6"); // same name: nothing happens
    const std::size_t before = r.log.size();
    port.SetPort("COM7");
    EXPECT_GT(r.log.size(), before);
    EXPECT_EQ(std::count(r.log.begin(), r.log.end(), "AfterOpen"), 2);
    port.WriteString("x");
    EXPECT_EQ(b.Receive(1), "x");
    EXPECT_EQ(a.Drain(std::chrono::milliseconds(20)), "");
    port.Close(); // before the recorder goes: closing still reports to it
    port.RemoveLink(&r.link);
}

TEST(SettingsUpdate, OpenInsideAnUpdateAppliesOnceAtItsEndInOrder) {
    ApplyCountingPort port;
    port.BeginSettingsUpdate();
    port.Open();
    EXPECT_TRUE(DeviceCalls(port, "Set").size() == 1); // only the event mask
    port.SetBaudRate(br19200);
    port.EndSettingsUpdate();
    const std::vector<std::string> expected = {"SetupQueues", "SetState", "SetTimeouts"};
    std::vector<std::string> applied;
    for (const std::string &c : port.fake->calls)
        if (c == "SetupQueues" || c == "SetState" || c == "SetTimeouts")
            applied.push_back(c);
    EXPECT_EQ(applied, expected);
    EXPECT_EQ(port.fake->lastState.BaudRate, 19200u);
    port.EndSettingsUpdate(); // unmatched: nothing
    EXPECT_EQ(DeviceCalls(port, "SetState").size(), 1u);
}

TEST(SettingsUpdate, ClosedPortMakesNoRequestsAndSameValuesDoNotReapply) {
    ApplyCountingPort port;
    port.SetBaudRate(br57600); // closed: nothing reaches a device
    port.Open();
    const std::size_t states = DeviceCalls(port, "SetState").size();
    port.SetBaudRate(br57600);
    EXPECT_EQ(DeviceCalls(port, "SetState").size(), states);
    TComParity same;
    same.Assign(port.Parity());
    port.SetParity(same); // the group setter re-applies without comparing
    EXPECT_EQ(DeviceCalls(port, "SetState").size(), states + 1);
    port.FlowControl().SetFlowControl(fcCustom);
    EXPECT_EQ(DeviceCalls(port, "SetState").size(), states + 2);
    port.Timeouts().SetWriteTotalConstant(5);
    EXPECT_EQ(DeviceCalls(port, "SetTimeouts").size(), 2u);
}

TEST(SettingsUpdate, FailedApplyKeepsTheValueAndRaisesCodeSeven) {
    ApplyCountingPort port;
    port.Open();
    port.fake->failSetState = 87;
    try {
        port.SetDataBits(dbFive);
        FAIL();
    } catch (const EComPort &e) {
        EXPECT_EQ(e.ErrorCode(), 7);
        EXPECT_STREQ(e.what(), "SetCommState function failed (win error code: 87)");
    }
    EXPECT_EQ(port.DataBits(), dbFive);
}

TEST(SettingsUpdate, FailedApplyOnOpenClosesTheDeviceAgain) {
    PtyPair pty;
    pty.MapAs("COM8");
    TComPort port;
    port.SetPort("COM8");
    port.SetBaudRate(brCustom);
    port.SetCustomBaudRate(0);
    Recorder r;
    r.Watch(port);
    EXPECT_THROW(port.Open(), EComPort);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Device(), nullptr);
    EXPECT_EQ(r.log, std::vector<std::string>{"BeforeOpen"});
    port.RemoveLink(&r.link);
}

TEST(SyncMethod, CannotChangeWhileConnected) {
    ApplyCountingPort port;
    port.SetSyncMethod(smNone); // closed: accepted
    port.Open();
    try {
        port.SetSyncMethod(smThreadSync);
        FAIL();
    } catch (const EComPort &e) {
        EXPECT_EQ(e.ErrorCode(), 14);
        EXPECT_EQ(e.PlatformError(), -1);
    }
    EXPECT_EQ(port.SyncMethod(), smNone);
}

TEST(Links, RegisteringTwiceOrRemovingAStrangerRaisesCodeEighteen) {
    TComPort port;
    TComLink a, b;
    port.AddLink(&a);
    try {
        port.AddLink(&a);
        FAIL();
    } catch (const EComPort &e) {
        EXPECT_EQ(e.ErrorCode(), 18);
        EXPECT_STREQ(e.what(), "Link (un)registration failed");
    }
    EXPECT_THROW(port.RemoveLink(&b), EComPort);
    port.RemoveLink(&a);
    EXPECT_TRUE(port.Links().empty());
}

TEST(ClosedPort, StatusOperationsRaiseTheirCodes) {
    TComPort port;
    auto code = [](auto &&fn) {
        try {
            fn();
        } catch (const EComPort &e) {
            return e.ErrorCode();
        }
        return 0;
    };
    EXPECT_EQ(code([&] { port.SetDTR(true); }), 12);
    EXPECT_EQ(code([&] { port.ReadSignals(); }), 11);
    EXPECT_EQ(code([&] { port.InputQueueCount(); }), 10);
    EXPECT_EQ(code([&] { port.ReadLineErrors(); }), 10);
    EXPECT_EQ(code([&] { port.AbortPendingIO(); }), 5);
    EXPECT_EQ(code([&] { port.WriteString("x"); }), 2);
    char c;
    EXPECT_EQ(code([&] { port.Read(&c, 1); }), 3);
    EXPECT_EQ(code([&] { port.WaitForCompletion(nullptr); }), 4);
}

TEST(OpenPort, PseudoTerminalWithoutModemLinesAcceptsDtr) {
    PtyPair pty;
    pty.MapAs("COM11");
    TComPort port;
    port.SetPort("COM11");
    port.Open();
    EXPECT_NO_THROW(port.SetDTR(true));
    EXPECT_NO_THROW(port.SetDTR(false));
    EXPECT_TRUE(port.ReadSignals().Empty());
    EXPECT_TRUE(port.ReadLineErrors().Empty());
}
