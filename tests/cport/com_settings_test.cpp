#include "cport/ComPort.h"
#include "framework/Exception.h"

#include <gtest/gtest.h>

using namespace cport;

TEST(FlowControlSummary, ReadsAndWritesTheFourSummaries) {
    TComPort port;
    TComFlowControl &f = port.FlowControl();
    EXPECT_EQ(f.FlowControl(), fcNone);

    f.SetFlowControl(fcHardware);
    EXPECT_EQ(f.ControlRTS(), rtsHandshake);
    EXPECT_TRUE(f.OutCTSFlow());
    EXPECT_FALSE(f.XonXoffIn());
    EXPECT_FALSE(f.XonXoffOut());
    EXPECT_EQ(f.FlowControl(), fcHardware);

    // Flags outside the summary do not change it.
    f.SetOutDSRFlow(true);
    f.SetControlDTR(dtrHandshake);
    EXPECT_EQ(f.FlowControl(), fcHardware);

    f.SetFlowControl(fcSoftware);
    EXPECT_FALSE(f.OutCTSFlow());
    EXPECT_EQ(f.ControlRTS(), rtsDisable);
    EXPECT_TRUE(f.XonXoffIn() && f.XonXoffOut());
    EXPECT_TRUE(f.OutDSRFlow()); // untouched by the summary
    EXPECT_EQ(f.FlowControl(), fcSoftware);

    f.SetXonXoffIn(false);
    EXPECT_EQ(f.FlowControl(), fcCustom);
    f.SetFlowControl(fcCustom); // changes no flag
    EXPECT_FALSE(f.XonXoffIn());
    EXPECT_TRUE(f.XonXoffOut());

    f.SetFlowControl(fcHardware);
    f.SetControlRTS(rtsEnable);
    EXPECT_EQ(f.FlowControl(), fcCustom);
}

TEST(DeviceControlBlock, DefaultsGiveTheDocumentedBlock) {
    TComPort port;
    const TDeviceControlBlock b = port.DeviceControlBlock();
    EXPECT_EQ(b.DCBlength, 28u);
    EXPECT_EQ(b.BaudRate, 9600u);
    EXPECT_EQ(b.Flags, 0x0001u);
    EXPECT_EQ(b.ByteSize, 8);
    EXPECT_EQ(b.Parity, 0);
    EXPECT_EQ(b.StopBits, 0);
    EXPECT_EQ(b.XonChar, 17);
    EXPECT_EQ(b.XoffChar, 19);
    EXPECT_EQ(b.XonLim, 256);
    EXPECT_EQ(b.XoffLim, 256);
    EXPECT_EQ(b.ErrorChar, 0);
    EXPECT_EQ(b.EofChar, 0);
    EXPECT_EQ(b.EvtChar, 0);
}

TEST(DeviceControlBlock, EveryFlagLandsOnItsBit) {
    TComPort port;
    port.Parity().SetCheck(true);
    port.Parity().SetReplace(true);
    port.Parity().SetReplaceChar('?');
    port.Parity().SetBits(prMark);
    port.FlowControl().SetOutCTSFlow(true);
    port.FlowControl().SetOutDSRFlow(true);
    port.FlowControl().SetControlDTR(dtrHandshake);
    port.FlowControl().SetDSRSensitivity(true);
    port.FlowControl().SetTxContinueOnXoff(true);
    port.FlowControl().SetXonXoffOut(true);
    port.FlowControl().SetXonXoffIn(true);
    port.FlowControl().SetControlRTS(rtsToggle);
    port.SetDiscardNull(true);
    port.SetEventChar('\n');
    port.SetStopBits(sbTwoStopBits);
    port.SetDataBits(dbSeven);
    const TDeviceControlBlock b = port.DeviceControlBlock();
    EXPECT_EQ(b.Flags, 0x0001u | 0x0002 | 0x0004 | 0x0008 | 0x0020 | 0x0040 | 0x0080 | 0x0100 | 0x0200 | 0x0400 |
                           0x0800 | 0x3000);
    EXPECT_EQ(b.ErrorChar, '?');
    EXPECT_EQ(b.Parity, 3);
    EXPECT_EQ(b.StopBits, 2);
    EXPECT_EQ(b.ByteSize, 7);
    EXPECT_EQ(b.EvtChar, '\n');
}

TEST(DeviceControlBlock, ReplaceWithoutCheckSetsNothing) {
    TComPort port;
    port.Parity().SetReplace(true);
    port.Parity().SetReplaceChar('?');
    const TDeviceControlBlock b = port.DeviceControlBlock();
    EXPECT_EQ(b.Flags & (dcb::fParity | dcb::fErrorChar), 0u);
    EXPECT_EQ(b.ErrorChar, 0);
}

TEST(DeviceControlBlock, CustomRateOnlyForBrCustom) {
    TComPort port;
    port.SetCustomBaudRate(115200);
    EXPECT_EQ(port.DeviceControlBlock().BaudRate, 9600u);
    port.SetBaudRate(brCustom);
    EXPECT_EQ(port.DeviceControlBlock().BaudRate, 115200u);
    port.SetBaudRate(br256000);
    EXPECT_EQ(port.DeviceControlBlock().BaudRate, 256000u);
}

TEST(BufferSizes, PositiveOddSizesAreLoweredAndLimitsFollow) {
    TComPort port;
    port.Buffer().SetInputSize(1023);
    EXPECT_EQ(port.Buffer().InputSize(), 1022);
    EXPECT_EQ(port.DeviceControlBlock().XonLim, 255);
    EXPECT_EQ(port.DeviceControlBlock().XoffLim, 255);
    port.Buffer().SetOutputSize(-3);
    EXPECT_EQ(port.Buffer().OutputSize(), -3);
}

TEST(TimeoutsBlock, MinusOneBecomesAllOnes) {
    TComPort port;
    const TCommTimeoutsBlock t = port.TimeoutsBlock();
    EXPECT_EQ(t.ReadIntervalTimeout, 0xFFFFFFFFu);
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 100u);
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 1000u);
}

TEST(PortName, NormalisesToComOneToSixteen) {
    EXPECT_EQ(NormalizePortName("com3"), "COM3");
    EXPECT_EQ(NormalizePortName("COM05"), "COM5");
    EXPECT_EQ(NormalizePortName("5"), "COM5");
    EXPECT_EQ(NormalizePortName("COM16"), "COM16");
    for (const char *bad : {"COM17", "COM0", "COMx", "", "\\\\.\\COM2", "COM-3", "COM3 "})
        EXPECT_EQ(NormalizePortName(bad), "COM1") << bad;
}

TEST(GroupAssign, CopiesFieldsButNotTheOwner) {
    TComPort port;
    TComParity copy;
    copy.SetBits(prEven);
    copy.SetCheck(true);
    port.SetParity(copy);
    EXPECT_EQ(port.Parity().Bits(), prEven);
    EXPECT_TRUE(port.Parity().Check());
    EXPECT_EQ(port.Parity().ComPort(), &port);
    EXPECT_EQ(copy.ComPort(), nullptr);
    // A different port's group stays its own.
    TComPort other;
    other.Parity().Assign(port.Parity());
    EXPECT_EQ(other.Parity().ComPort(), &other);
}

TEST(GroupAssign, DifferentGroupKindsCannotBeAssigned) {
    TComTimeouts t;
    TComBuffer b;
    try {
        t.Assign(b);
        FAIL();
    } catch (const fw::EConvertError &e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TComBuffer to a TComTimeouts");
    }
}

TEST(ComErrors, MessagesCarryThePlatformErrorWhenKnown) {
    EXPECT_STREQ(EComPort(7, 87).what(), "SetCommState function failed (win error code: 87)");
    EXPECT_STREQ(EComPort(1, 2).what(), "Unable to open com port (win error code: 2)");
    const EComPort plain(18);
    EXPECT_STREQ(plain.what(), "Link (un)registration failed");
    EXPECT_EQ(plain.PlatformError(), -1);
    EXPECT_EQ(plain.ErrorCode(), 18);
    EXPECT_STREQ(ComErrorText(21), "WaitForEvent method failed");
}
