// The settings model's fixed tables and rules: error texts, value tables,
// copies between groups, which device request each setter makes, port names.
#include "cport/ComPort.h"
#include "cport/posix/PortTable.h"
#include "tests/support/FakeComDevice.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace cport;
using testsupport::FakeDevicePort;

namespace {

// Records which apply operations the setters ask for while the port is open.
class ApplyLogPort : public FakeDevicePort {
  public:
    using FakeDevicePort::FakeDevicePort;
    std::vector<std::string> applies;
    void ApplyDeviceState() override {
        applies.emplace_back("DeviceState");
        FakeDevicePort::ApplyDeviceState();
    }
    void ApplyTimeouts() override {
        applies.emplace_back("Timeouts");
        FakeDevicePort::ApplyTimeouts();
    }
    void ApplyBufferSizes() override {
        applies.emplace_back("BufferSizes");
        FakeDevicePort::ApplyBufferSizes();
    }
};

} // namespace

TEST(SettingsRules, EveryErrorCodeHasItsText) {
    const char *const texts[] = {"",
                                 "Unable to open com port",
                                 "WriteFile function failed",
                                 "ReadFile function failed",
                                 "Invalid Async parameter",
                                 "PurgeComm function failed",
                                 "Unable to get async status",
                                 "SetCommState function failed",
                                 "SetCommTimeouts failed",
                                 "SetupComm function failed",
                                 "ClearCommError function failed",
                                 "GetCommModemStatus function failed",
                                 "EscapeCommFunction function failed",
                                 "TransmitCommChar function failed",
                                 "Cannot set SyncMethod while connected",
                                 "EnumPorts function failed",
                                 "Failed to store settings",
                                 "Failed to load settings",
                                 "Link (un)registration failed",
                                 "Cannot change led state if ComPort is selected",
                                 "Cannot wait for event if event thread is created",
                                 "WaitForEvent method failed",
                                 ""};
    for (std::int32_t code = 0; code <= 22; ++code) {
        EXPECT_STREQ(ComErrorText(code), texts[code]) << "code " << code;
        if (code >= 1 && code <= 21) {
            EXPECT_EQ(EComPort(code).Message(), texts[code]);
            EXPECT_EQ(EComPort(code, 5).Message(), std::string(texts[code]) + " (win error code: 5)");
        }
    }
    EXPECT_STREQ(ComErrorText(-1), "");
    EXPECT_EQ(EComPort(CError_OpenFailed).PlatformError(), -1);
}

TEST(SettingsRules, ValueTablesMatchThePlatformNumbers) {
    const std::int32_t rates[] = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                                  14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    for (int r = brCustom; r <= br256000; ++r)
        EXPECT_EQ(BaudRateValue(static_cast<TBaudRate>(r)), rates[r]) << "rate " << r;
    const std::uint32_t bits[] = {comm::EV_RXCHAR, comm::EV_TXEMPTY, comm::EV_RXFLAG, comm::EV_RING, comm::EV_BREAK,
                                  comm::EV_CTS,    comm::EV_DSR,     comm::EV_ERR,    comm::EV_RLSD, comm::EV_RX80FULL};
    for (int e = evRxChar; e <= evRx80Full; ++e) {
        const auto event = static_cast<TComEvent>(e);
        EXPECT_EQ(EventToMask(event), bits[e]) << "event " << e;
        EXPECT_EQ(EventsToMask({event}), bits[e]) << "event " << e;
        EXPECT_EQ(MaskToEvents(bits[e]), TComEvents({event})) << "event " << e;
    }
}

TEST(SettingsRules, AssignCopiesEveryFieldOfEveryGroup) {
    TComFlowControl flow;
    flow.SetOutCTSFlow(true);
    flow.SetOutDSRFlow(true);
    flow.SetControlDTR(dtrHandshake);
    flow.SetControlRTS(rtsToggle);
    flow.SetXonXoffOut(true);
    flow.SetXonXoffIn(true);
    flow.SetDSRSensitivity(true);
    flow.SetTxContinueOnXoff(true);
    flow.SetXonChar('a');
    flow.SetXoffChar('b');
    TComFlowControl flowCopy;
    flowCopy.Assign(flow);
    EXPECT_TRUE(flowCopy.OutCTSFlow());
    EXPECT_TRUE(flowCopy.OutDSRFlow());
    EXPECT_EQ(flowCopy.ControlDTR(), dtrHandshake);
    EXPECT_EQ(flowCopy.ControlRTS(), rtsToggle);
    EXPECT_TRUE(flowCopy.XonXoffOut());
    EXPECT_TRUE(flowCopy.XonXoffIn());
    EXPECT_TRUE(flowCopy.DSRSensitivity());
    EXPECT_TRUE(flowCopy.TxContinueOnXoff());
    EXPECT_EQ(flowCopy.XonChar(), 'a');
    EXPECT_EQ(flowCopy.XoffChar(), 'b');

    TComTimeouts timeouts;
    timeouts.SetReadInterval(1);
    timeouts.SetReadTotalMultiplier(2);
    timeouts.SetReadTotalConstant(3);
    timeouts.SetWriteTotalMultiplier(4);
    timeouts.SetWriteTotalConstant(5);
    TComTimeouts timeoutsCopy;
    timeoutsCopy.Assign(timeouts);
    EXPECT_EQ(timeoutsCopy.ReadInterval(), 1);
    EXPECT_EQ(timeoutsCopy.ReadTotalMultiplier(), 2);
    EXPECT_EQ(timeoutsCopy.ReadTotalConstant(), 3);
    EXPECT_EQ(timeoutsCopy.WriteTotalMultiplier(), 4);
    EXPECT_EQ(timeoutsCopy.WriteTotalConstant(), 5);
    const TCommTimeoutsBlock block = BuildTimeoutsBlock(timeouts);
    EXPECT_EQ(block.ReadIntervalTimeout, 1u);
    EXPECT_EQ(block.ReadTotalTimeoutMultiplier, 2u);
    EXPECT_EQ(block.ReadTotalTimeoutConstant, 3u);
    EXPECT_EQ(block.WriteTotalTimeoutMultiplier, 4u);
    EXPECT_EQ(block.WriteTotalTimeoutConstant, 5u);

    TComParity parity;
    parity.SetBits(prMark);
    parity.SetCheck(true);
    parity.SetReplace(true);
    parity.SetReplaceChar('?');
    TComParity parityCopy;
    parityCopy.Assign(parity);
    EXPECT_EQ(parityCopy.Bits(), prMark);
    EXPECT_TRUE(parityCopy.Check());
    EXPECT_TRUE(parityCopy.Replace());
    EXPECT_EQ(parityCopy.ReplaceChar(), '?');

    TComBuffer buffer;
    buffer.SetInputSize(4000);
    buffer.SetOutputSize(6000);
    TComBuffer bufferCopy;
    bufferCopy.Assign(buffer);
    EXPECT_EQ(bufferCopy.InputSize(), 4000);
    EXPECT_EQ(bufferCopy.OutputSize(), 6000);
}

TEST(SettingsRules, EachSetterRequestsItsOwnGroupOnceAndOnlyForAChange) {
    struct Row {
        const char *name;
        std::function<void(TCustomComPort &)> set;
        const char *apply;
    };
    const Row rows[] = {
        {"ReadInterval", [](TCustomComPort &p) { p.Timeouts().SetReadInterval(7); }, "Timeouts"},
        {"ReadTotalMultiplier", [](TCustomComPort &p) { p.Timeouts().SetReadTotalMultiplier(7); }, "Timeouts"},
        {"ReadTotalConstant", [](TCustomComPort &p) { p.Timeouts().SetReadTotalConstant(7); }, "Timeouts"},
        {"WriteTotalMultiplier", [](TCustomComPort &p) { p.Timeouts().SetWriteTotalMultiplier(7); }, "Timeouts"},
        {"WriteTotalConstant", [](TCustomComPort &p) { p.Timeouts().SetWriteTotalConstant(7); }, "Timeouts"},
        {"InputSize", [](TCustomComPort &p) { p.Buffer().SetInputSize(3000); }, "BufferSizes"},
        {"OutputSize", [](TCustomComPort &p) { p.Buffer().SetOutputSize(3000); }, "BufferSizes"},
        {"OutCTSFlow", [](TCustomComPort &p) { p.FlowControl().SetOutCTSFlow(true); }, "DeviceState"},
        {"ControlDTR", [](TCustomComPort &p) { p.FlowControl().SetControlDTR(dtrEnable); }, "DeviceState"},
        {"XonChar", [](TCustomComPort &p) { p.FlowControl().SetXonChar('x'); }, "DeviceState"},
        {"DSRSensitivity", [](TCustomComPort &p) { p.FlowControl().SetDSRSensitivity(true); }, "DeviceState"},
        {"Parity.Bits", [](TCustomComPort &p) { p.Parity().SetBits(prEven); }, "DeviceState"},
        {"Parity.Check", [](TCustomComPort &p) { p.Parity().SetCheck(true); }, "DeviceState"},
        {"Parity.ReplaceChar", [](TCustomComPort &p) { p.Parity().SetReplaceChar('#'); }, "DeviceState"},
        {"BaudRate", [](TCustomComPort &p) { p.SetBaudRate(br1200); }, "DeviceState"},
        {"EventChar", [](TCustomComPort &p) { p.SetEventChar('!'); }, "DeviceState"},
    };
    for (const Row &row : rows) {
        ApplyLogPort port(nullptr);
        port.SetEvents({});
        port.Open();
        port.applies.clear();
        row.set(port);
        EXPECT_EQ(port.applies, std::vector<std::string>{row.apply}) << row.name;
        port.applies.clear();
        row.set(port); // the same value again
        EXPECT_TRUE(port.applies.empty()) << row.name << " asked the device again for an unchanged value";
    }
}

TEST(SettingsRules, OpeningAppliesQueuesStateAndTimeoutsAndNestedUpdatesWaitForTheOutermost) {
    ApplyLogPort port(nullptr);
    port.SetEvents({});
    port.Open();
    std::vector<std::string> applied;
    for (const std::string &c : port.fake->calls)
        if (c == "SetupQueues" || c == "SetState" || c == "SetTimeouts")
            applied.push_back(c);
    EXPECT_EQ(applied, (std::vector<std::string>{"SetupQueues", "SetState", "SetTimeouts"}));

    port.BeginSettingsUpdate();
    port.BeginSettingsUpdate();
    port.fake->calls.clear();
    port.SetBaudRate(br4800);
    port.EndSettingsUpdate();
    EXPECT_TRUE(port.fake->calls.empty()) << "applied before the outer update ended";
    port.EndSettingsUpdate();
    EXPECT_FALSE(port.fake->calls.empty());
    EXPECT_EQ(port.fake->lastState.BaudRate, 4800u);
}

TEST(SettingsRules, QueueSizesRoundDownToEven) {
    TComBuffer buffer;
    const std::pair<std::int32_t, std::int32_t> rows[] = {{1001, 1000}, {1000, 1000}, {3, 2}, {0, 0}};
    for (const auto &[given, kept] : rows) {
        buffer.SetInputSize(given);
        EXPECT_EQ(buffer.InputSize(), kept) << given;
    }
}

TEST(SettingsRules, FlowControlSummaryAndPresets) {
    struct Row {
        TRTSFlowControl rts;
        bool cts, xonIn, xonOut;
        TFlowControl summary;
    };
    const Row rows[] = {
        {rtsHandshake, true, false, false, fcHardware}, {rtsDisable, false, true, true, fcSoftware},
        {rtsDisable, false, false, false, fcNone},      {rtsDisable, false, true, false, fcCustom},
        {rtsDisable, false, false, true, fcCustom},     {rtsEnable, true, false, false, fcCustom},
        {rtsHandshake, false, false, false, fcCustom},
    };
    for (const Row &row : rows) {
        TComFlowControl flow;
        flow.SetControlRTS(row.rts);
        flow.SetOutCTSFlow(row.cts);
        flow.SetXonXoffIn(row.xonIn);
        flow.SetXonXoffOut(row.xonOut);
        EXPECT_EQ(flow.FlowControl(), row.summary) << int(row.rts) << row.cts << row.xonIn << row.xonOut;
        if (row.summary != fcCustom) {
            TComFlowControl preset;
            preset.SetFlowControl(row.summary);
            EXPECT_EQ(preset.ControlRTS(), row.rts);
            EXPECT_EQ(preset.OutCTSFlow(), row.cts);
            EXPECT_EQ(preset.XonXoffIn(), row.xonIn);
            EXPECT_EQ(preset.XonXoffOut(), row.xonOut);
        }
    }
}

TEST(SettingsRules, PortNamesAreNormalised) {
    const std::pair<const char *, const char *> rows[] = {
        {"COM1", "COM1"}, {"COM16", "COM16"}, {"COM17", "COM1"}, {"COM0", "COM1"}, {"com3", "COM3"},
        {"cOm5", "COM5"}, {"coM7", "COM7"},   {"9", "COM9"},     {"COMx", "COM1"}, {"+4", "COM4"},
    };
    for (const auto &[given, expected] : rows)
        EXPECT_EQ(NormalizePortName(given), expected) << given;
}

TEST(SettingsRules, RegistrationAndSyncMethodMistakesAreReported) {
    FakeDevicePort port(nullptr);
    TComLink link, stranger;
    port.AddLink(&link);
    try {
        port.AddLink(&link);
        ADD_FAILURE() << "a link registered twice";
    } catch (const EComPort &e) {
        EXPECT_EQ(e.ErrorCode(), CError_RegFailed);
    }
    try {
        port.RemoveLink(&stranger);
        ADD_FAILURE() << "an unknown link removed";
    } catch (const EComPort &e) {
        EXPECT_EQ(e.ErrorCode(), CError_RegFailed);
    }
    port.RemoveLink(&link);
    port.SetEvents({});
    port.Open();
    try {
        port.SetSyncMethod(smNone);
        ADD_FAILURE() << "SyncMethod changed while connected";
    } catch (const EComPort &e) {
        EXPECT_EQ(e.ErrorCode(), CError_SyncMeth);
        EXPECT_EQ(e.Message(), "Cannot set SyncMethod while connected");
    }
}

TEST(SettingsRules, AFailedOpenCarriesThePlatformError) {
    TPortTable::Instance().SetEntry("COM15", "/nonexistent-dir-for-tests/tty");
    TComPort port(nullptr);
    port.SetPort("COM15");
    try {
        port.Open();
        ADD_FAILURE() << "opened a device that does not exist";
    } catch (const EComPort &e) {
        EXPECT_EQ(e.ErrorCode(), CError_OpenFailed);
        EXPECT_GT(e.PlatformError(), 0);
        EXPECT_EQ(e.Message().rfind("Unable to open com port (win error code: ", 0), 0u) << e.Message();
    }
    TPortTable::Instance().RemoveEntry("COM15");
}
