#include "TempConfigDir.h"
#include "Unprivileged.h"
#include "cport/ComPort.h"
#include "cport/Registry.h"
#include "cport/posix/PortTable.h"
#include "tests/support/Pty.h"

#include <gtest/gtest.h>
#include <termios.h>

using namespace cport;
using testsupport::TempConfigDir;

namespace {

// Counts the one application of all settings that closes a settings update.
class TCountingPort : public TComPort {
  public:
    using TComPort::TComPort;
    int applies = 0;
    void ApplySettings() override {
        ++applies;
        TComPort::ApplySettings();
    }
};

const TSettingsGroups kAllGroups{sgLine, sgFlowDetails, sgBuffer, sgTimeouts, sgParityDetails, sgMisc};

class PortStorageTest : public ::testing::Test {
  protected:
    TempConfigDir cfg;
    std::string ini = cfg.Path("Vorlan.ini");
    TCountingPort port;

    void SetUp() override { port.SetName("ComPort"); }
    void TearDown() override { TPortTable::Instance().Clear(); }
    void Put(const std::string &body) { TempConfigDir::Write(ini, "[ComPort]\n" + body); }
    void Restore() { port.RestoreSettings(slIniFile, "Vorlan.ini"); }

    // A port with every stored setting away from its default.
    static void Customise(TCustomComPort &p) {
        p.SetPort("COM7");
        p.SetBaudRate(brCustom);
        p.SetCustomBaudRate(31250);
        p.SetStopBits(sbTwoStopBits);
        p.SetDataBits(dbSeven);
        p.Parity().SetBits(prMark);
        p.SetEventChar('\n');
        p.SetDiscardNull(true);
        p.Parity().SetCheck(true);
        p.Parity().SetReplace(true);
        p.Parity().SetReplaceChar('?');
        p.Buffer().SetOutputSize(4096);
        p.Buffer().SetInputSize(2048);
        p.Timeouts().SetReadInterval(5);
        p.Timeouts().SetReadTotalConstant(6);
        p.Timeouts().SetReadTotalMultiplier(7);
        p.Timeouts().SetWriteTotalConstant(-1);
        p.Timeouts().SetWriteTotalMultiplier(9);
        TComFlowControl &f = p.FlowControl();
        f.SetControlRTS(rtsToggle);
        f.SetControlDTR(dtrHandshake);
        f.SetDSRSensitivity(true);
        f.SetOutCTSFlow(true);
        f.SetOutDSRFlow(true);
        f.SetTxContinueOnXoff(true);
        f.SetXonXoffIn(true);
        f.SetXonXoffOut(false);
        f.SetXoffChar(static_cast<char>(200));
        f.SetXonChar(' ');
    }

    static void ExpectSameSettings(const TCustomComPort &a, const TCustomComPort &b) {
        EXPECT_EQ(a.Port(), b.Port());
        EXPECT_EQ(a.BaudRate(), b.BaudRate());
        EXPECT_EQ(a.CustomBaudRate(), b.CustomBaudRate());
        EXPECT_EQ(a.StopBits(), b.StopBits());
        EXPECT_EQ(a.DataBits(), b.DataBits());
        EXPECT_EQ(a.EventChar(), b.EventChar());
        EXPECT_EQ(a.DiscardNull(), b.DiscardNull());
        EXPECT_EQ(a.Parity().Bits(), b.Parity().Bits());
        EXPECT_EQ(a.Parity().Check(), b.Parity().Check());
        EXPECT_EQ(a.Parity().Replace(), b.Parity().Replace());
        EXPECT_EQ(a.Parity().ReplaceChar(), b.Parity().ReplaceChar());
        EXPECT_EQ(a.Buffer().InputSize(), b.Buffer().InputSize());
        EXPECT_EQ(a.Buffer().OutputSize(), b.Buffer().OutputSize());
        EXPECT_EQ(a.TimeoutsBlock(), b.TimeoutsBlock());
        EXPECT_EQ(a.DeviceControlBlock(), b.DeviceControlBlock()); // every flow-control flag and character
    }
};

std::int32_t ErrorCodeOf(const std::function<void()> &fn) {
    try {
        fn();
    } catch (const EComPort &e) {
        EXPECT_EQ(e.PlatformError(), -1);
        return e.ErrorCode();
    }
    return 0;
}

} // namespace

TEST_F(PortStorageTest, FirstStartRestoresNothingAndSavesTheSixLineKeys) {
    Restore();
    EXPECT_EQ(port.Port(), "COM1");
    EXPECT_EQ(port.BaudRate(), br9600);
    EXPECT_EQ(port.FlowControl().FlowControl(), fcNone);
    EXPECT_FALSE(std::filesystem::exists(ini));
    port.SaveSettings(slIniFile, "Vorlan.ini");
    EXPECT_EQ(TempConfigDir::Read(ini),
              "[ComPort]\nPort=COM1\nBaudRate=9600\nStopBits=1\nDataBits=8\nParity=None\nFlowControl=None\n");
}

TEST_F(PortStorageTest, PortNamesFollowThePortNameRule) {
    Put("Port=com2\n");
    Restore();
    EXPECT_EQ(port.Port(), "COM2");
    for (const char *name : {"COM17", "LPT1", ""}) {
        Put(std::string("Port=") + name + "\n");
        Restore();
        EXPECT_EQ(port.Port(), "COM1") << name;
        port.SetPort("COM4");
    }
}

TEST_F(PortStorageTest, CustomBaudRateIsReadOnlyForCustom) {
    port.SetCustomBaudRate(5000);
    Put("BaudRate=Custom\n");
    Restore();
    EXPECT_EQ(port.BaudRate(), brCustom);
    EXPECT_EQ(port.CustomBaudRate(), 9600); // the default of an absent key is 9600, not the current rate

    Put("BaudRate=custom\nCustomBaudRate=0x3E8\n");
    Restore();
    EXPECT_EQ(port.CustomBaudRate(), 1000);

    Put("BaudRate=19200\nCustomBaudRate=300\n");
    Restore();
    EXPECT_EQ(port.BaudRate(), br19200);
    EXPECT_EQ(port.CustomBaudRate(), 1000);

    Put("BaudRate=1234\n");
    Restore();
    EXPECT_EQ(port.BaudRate(), br9600);
}

TEST_F(PortStorageTest, TextsConvertWithTheirFallbacks) {
    port.SetStoredGroups(kAllGroups);
    port.FlowControl().SetControlRTS(rtsEnable);
    port.FlowControl().SetXonXoffIn(true);
    port.SetEventChar('x');
    Put("Parity=even\nStopBits=1.5\nDataBits=6\nFlowControl=Bogus\nDiscardNull=true\nEventChar=\n"
        "Parity.Check=yEs\nParity.ReplaceChar=#300\nFlowControl.XonChar=#$41\nFlowControl.XoffChar=#A\n"
        "FlowControl.ControlDTR=handshake\nBuffer.InputSize=oops\n");
    Restore();
    EXPECT_EQ(port.Parity().Bits(), prEven);
    EXPECT_EQ(port.StopBits(), sbOne5StopBits);
    EXPECT_EQ(port.DataBits(), dbSix);
    // An unknown summary is fcCustom, which leaves the flags alone.
    EXPECT_EQ(port.FlowControl().ControlRTS(), rtsEnable);
    EXPECT_TRUE(port.FlowControl().XonXoffIn());
    EXPECT_FALSE(port.DiscardNull());
    EXPECT_EQ(port.EventChar(), 0); // present but empty is not absent
    EXPECT_TRUE(port.Parity().Check());
    EXPECT_EQ(port.Parity().ReplaceChar(), 44);
    EXPECT_EQ(port.FlowControl().XonChar(), 'A');
    EXPECT_EQ(port.FlowControl().XoffChar(), 0);
    EXPECT_EQ(port.FlowControl().ControlDTR(), dtrHandshake);
    EXPECT_EQ(port.Buffer().InputSize(), 1024); // a bad integer leaves the setting

    Put("Parity=Ev en\n");
    Restore();
    EXPECT_EQ(port.Parity().Bits(), prNone);
}

TEST_F(PortStorageTest, DetailsDecideAfterTheSummary) {
    port.SetStoredGroups({sgLine, sgFlowDetails});
    Put("FlowControl=Hardware\nFlowControl.OutCTSFlow=No\n");
    Restore();
    EXPECT_EQ(port.FlowControl().ControlRTS(), rtsHandshake);
    EXPECT_FALSE(port.FlowControl().OutCTSFlow());
    EXPECT_EQ(port.FlowControl().FlowControl(), fcCustom);
}

TEST_F(PortStorageTest, EveryGroupRoundTripsThroughTheIniFile) {
    port.SetStoredGroups(kAllGroups);
    Customise(port);
    port.SaveSettings(slIniFile, ini);
    TComPort copy;
    copy.SetName("ComPort");
    copy.SetStoredGroups(kAllGroups);
    copy.RestoreSettings(slIniFile, ini);
    ExpectSameSettings(port, copy);
    const std::string text = TempConfigDir::Read(ini);
    EXPECT_NE(text.find("CustomBaudRate=31250\nStopBits=2\n"), std::string::npos);
    EXPECT_NE(text.find("FlowControl=Custom\nEventChar=#10\nDiscardNull=Yes\n"), std::string::npos);
    EXPECT_NE(text.find("FlowControl.XoffChar=#200\nFlowControl.XonChar=#32\n"), std::string::npos);
}

TEST_F(PortStorageTest, EveryGroupRoundTripsThroughTheRegistry) {
    port.SetStoredGroups(kAllGroups);
    Customise(port);
    port.SaveSettings(slRegistry, "HKEY_LOCAL_MACHINE\\Software\\Kit");
    TComPort copy;
    copy.SetName("ComPort");
    copy.SetStoredGroups(kAllGroups);
    copy.RestoreSettings(slRegistry, "hkey_local_machine\\Software\\Kit\\");
    ExpectSameSettings(port, copy);
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey("Software\\Kit\\ComPort", false));
    EXPECT_EQ(reg.ReadInteger("CustomBaudRate"), 31250);
    EXPECT_EQ(reg.ReadString("FlowControl.ControlRTS"), "Toggle");
}

TEST_F(PortStorageTest, NoStoredGroupsWritesNoEntry) {
    port.SetStoredGroups({});
    port.SaveSettings(slIniFile, "Vorlan.ini");
    EXPECT_FALSE(std::filesystem::exists(ini));
    port.SaveSettings(slRegistry, "HKEY_CURRENT_USER\\Software\\Kit");
    TRegistry reg;
    EXPECT_TRUE(reg.KeyExists("Software\\Kit\\ComPort")); // opened with creation all the same
    ASSERT_TRUE(reg.OpenKey("Software\\Kit\\ComPort", false));
    EXPECT_FALSE(reg.ValueExists("Port"));
}

TEST_F(PortStorageTest, EmptyRegistryKeyGivesTheFallbacks) {
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("Software\\Kit\\ComPort", true));
    }
    port.SetPort("COM5");
    port.SetBaudRate(br300);
    port.SetStopBits(sbTwoStopBits);
    port.Parity().SetBits(prOdd);
    port.FlowControl().SetFlowControl(fcHardware);
    port.RestoreSettings(slRegistry, "Software\\Software\\Kit");
    EXPECT_EQ(port.Port(), "COM1");
    EXPECT_EQ(port.BaudRate(), br9600);
    EXPECT_EQ(port.StopBits(), sbOneStopBit);
    EXPECT_EQ(port.DataBits(), dbEight);
    EXPECT_EQ(port.Parity().Bits(), prNone);
    EXPECT_EQ(port.FlowControl().ControlRTS(), rtsHandshake); // fcCustom left the flags
    EXPECT_TRUE(port.FlowControl().OutCTSFlow());
}

TEST_F(PortStorageTest, RegistryFailuresGiveCodes16And17) {
    port.SetStoredGroups({sgLine, sgBuffer});
    port.SetBaudRate(br300);
    // No backslash: no key opens; texts read empty, the first integer fails.
    EXPECT_EQ(ErrorCodeOf([&] { port.RestoreSettings(slRegistry, "Software"); }), 17);
    EXPECT_EQ(port.BaudRate(), br9600);
    EXPECT_EQ(port.applies, 1);
    EXPECT_EQ(ErrorCodeOf([&] { port.SaveSettings(slRegistry, "Software"); }), 16);
    port.SetStoredGroups({});
    EXPECT_EQ(ErrorCodeOf([&] { port.SaveSettings(slRegistry, "Software"); }), 16);

    // A key with the line entries but no buffer sizes: the line settings stay.
    port.SetStoredGroups({sgLine});
    port.SetBaudRate(br57600);
    port.SaveSettings(slRegistry, "HKEY_CURRENT_USER\\Kit");
    port.SetBaudRate(br110);
    port.SetStoredGroups({sgLine, sgBuffer});
    EXPECT_EQ(ErrorCodeOf([&] { port.RestoreSettings(slRegistry, "HKEY_CURRENT_USER\\Kit"); }), 17);
    EXPECT_EQ(port.BaudRate(), br57600);

    // A custom rate must be there as an integer.
    port.SetStoredGroups({sgLine});
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("Kit\\ComPort", false));
        reg.WriteString("BaudRate", "Custom");
        reg.WriteString("CustomBaudRate", "1000");
    }
    EXPECT_EQ(ErrorCodeOf([&] { port.RestoreSettings(slRegistry, "HKEY_CURRENT_USER\\Kit"); }), 17);
    EXPECT_EQ(port.BaudRate(), brCustom);
}

TEST_F(PortStorageTest, UnwritableTargetGivesCode16) {
    const std::string blocker = cfg.Path("plain-file");
    TempConfigDir::Write(blocker, "x");
    EXPECT_EQ(ErrorCodeOf([&] { port.SaveSettings(slIniFile, blocker + "/Vorlan.ini"); }), 16);
    EXPECT_EQ(TempConfigDir::Read(blocker), "x");
    // Any non-zero location is the INI form.
    EXPECT_EQ(ErrorCodeOf([&] { port.SaveSettings(static_cast<TSettingsLocation>(7), blocker + "/x.ini"); }), 16);
}

TEST_F(PortStorageTest, ReadOnlyFileGivesCode16AndAFileInALockedFolderIsSaved) {
    Put("BaudRate=300\n");
    chmod(ini.c_str(), 0444);
    EXPECT_EQ(ErrorCodeOf([&] { port.SaveSettings(slIniFile, "Vorlan.ini"); }), 16);
    EXPECT_EQ(TempConfigDir::Read(ini), "[ComPort]\nBaudRate=300\n");

    chmod(ini.c_str(), 0644);
    ASSERT_EQ(chown(ini.c_str(), testsupport::UnprivilegedUser(), static_cast<gid_t>(-1)), 0);
    chmod(cfg.Dir().c_str(), 0555);
    const bool saved = testsupport::RunUnprivileged([&] {
        port.SaveSettings(slIniFile, "Vorlan.ini");
        return true;
    });
    chmod(cfg.Dir().c_str(), 0700);
    EXPECT_TRUE(saved);
    EXPECT_EQ(TempConfigDir::Read(ini), "[ComPort]\nBaudRate=9600\nPort=COM1\nStopBits=1\nDataBits=8\n"
                                        "Parity=None\nFlowControl=None\n");
}

TEST_F(PortStorageTest, ByteOrderMarkHidesNoSection) {
    TempConfigDir::Write(ini, "\xEF\xBB\xBF[ComPort]\r\nBaudRate=19200\r\nPort=COM1\r\n");
    Restore();
    EXPECT_EQ(port.BaudRate(), br19200);
    port.SetBaudRate(br38400);
    port.SaveSettings(slIniFile, "Vorlan.ini");
    EXPECT_EQ(TempConfigDir::Read(ini), "\xEF\xBB\xBF[ComPort]\r\nBaudRate=38400\r\nPort=COM1\r\nStopBits=1\r\n"
                                        "DataBits=8\r\nParity=None\r\nFlowControl=None\r\n");
}

TEST_F(PortStorageTest, SaveKeepsTheRestOfTheFile) {
    const std::string before = "# Vorlan evaluation kit\r\n[Window]\r\nLeft=3\r\n[ComPort]\r\nBaudRate = 300\r\n"
                               "Mine=1\r\n[Ports]\r\nCOM3=/dev/pts/1";
    TempConfigDir::Write(ini, before);
    port.SaveSettings(slIniFile, "Vorlan.ini");
    EXPECT_EQ(TempConfigDir::Read(ini), "# Vorlan evaluation kit\r\n[Window]\r\nLeft=3\r\n[ComPort]\r\n"
                                        "BaudRate = 9600\r\nMine=1\r\nPort=COM1\r\nStopBits=1\r\nDataBits=8\r\n"
                                        "Parity=None\r\nFlowControl=None\r\n[Ports]\r\nCOM3=/dev/pts/1");
}

TEST_F(PortStorageTest, RestoreAppliesOnceAtTheEndAlsoAfterAFailure) {
    Put("BaudRate=19200\nParity=Odd\nDataBits=7\n");
    Restore();
    EXPECT_EQ(port.applies, 1);
    port.SetStoredGroups({sgBuffer});
    EXPECT_EQ(ErrorCodeOf([&] { port.RestoreSettings(slRegistry, "nowhere"); }), 17);
    EXPECT_EQ(port.applies, 2);
    // The nesting was closed: a later update applies again.
    port.BeginSettingsUpdate();
    port.EndSettingsUpdate();
    EXPECT_EQ(port.applies, 3);
}

TEST_F(PortStorageTest, RestoreReachesAnOpenPortInOneStep) {
    testsupport::PtyPair pty;
    pty.MapAs("COM3");
    port.SetEvents({});
    port.SetPort("COM3");
    port.Open();
    port.applies = 0;
    Put("Port=COM3\nBaudRate=19200\n");
    Restore();
    EXPECT_EQ(port.applies, 1);
    termios t{};
    ASSERT_EQ(tcgetattr(pty.MasterFd(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B19200);
    EXPECT_TRUE(port.Connected());
}

TEST_F(PortStorageTest, NewPortNameReopensAndAFailedReopenGivesCode17) {
    testsupport::PtyPair first, second;
    first.MapAs("COM3");
    second.MapAs("COM4");
    port.SetEvents({});
    port.SetPort("COM3");
    port.Open();
    Put("Port=COM4\n");
    Restore();
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(port.Port(), "COM4");

    TPortTable::Instance().SetEntry("COM6", cfg.Path("no-such-device"));
    Put("Port=COM6\n");
    EXPECT_EQ(ErrorCodeOf([&] { Restore(); }), 17);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Port(), "COM6");
}
