// The stored form of the settings: value texts, entry names and order, the
// settings-file and registry text rules, and the port-name table.
#include "TempConfigDir.h"
#include "cport/ComPort.h"
#include "cport/IniText.h"
#include "cport/PortTableSettings.h"
#include "cport/Registry.h"
#include "cport/RegistryText.h"
#include "cport/SettingsKey.h"
#include "cport/ValueTexts.h"
#include "cport/posix/PortTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace cport;
using testsupport::TempConfigDir;

TEST(StorageTables, EveryValueTextBothWaysAndTheFallbacks) {
    const char *const rates[] = {"Custom", "110",   "300",   "600",   "1200",  "2400",   "4800",   "9600",
                                 "14400",  "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
    for (int v = brCustom; v <= br256000; ++v) {
        EXPECT_EQ(BaudRateToText(static_cast<TBaudRate>(v)), rates[v]);
        EXPECT_EQ(TextToBaudRate(rates[v]), v);
    }
    const char *const stops[] = {"1", "1.5", "2"};
    for (int v = sbOneStopBit; v <= sbTwoStopBits; ++v) {
        EXPECT_EQ(StopBitsToText(static_cast<TStopBits>(v)), stops[v]);
        EXPECT_EQ(TextToStopBits(stops[v]), v);
    }
    const char *const flows[] = {"Hardware", "Software", "None", "Custom"};
    for (int v = fcHardware; v <= fcCustom; ++v) {
        EXPECT_EQ(FlowControlToText(static_cast<TFlowControl>(v)), flows[v]);
        EXPECT_EQ(TextToFlowControl(UpperCaseAscii(flows[v])), v);
    }
    const char *const rts[] = {"Disable", "Enable", "Handshake", "Toggle"};
    for (int v = rtsDisable; v <= rtsToggle; ++v) {
        EXPECT_EQ(RTSControlToText(static_cast<TRTSFlowControl>(v)), rts[v]);
        EXPECT_EQ(TextToRTSControl(rts[v]), v);
    }
    // Texts that match nothing.
    EXPECT_EQ(TextToBaudRate("9601"), br9600);
    EXPECT_EQ(TextToDataBits("9"), dbEight);
    EXPECT_EQ(TextToStopBits("3"), sbOneStopBit);
    EXPECT_EQ(TextToParity("Odd "), prNone);
    EXPECT_EQ(TextToFlowControl("XonXoff"), fcCustom);
    const std::pair<const char *, bool> bools[] = {{"Yes", true}, {"yes", true}, {"YES", true},
                                                   {"No", false}, {"Y", false},  {"1", false}};
    for (const auto &[text, value] : bools)
        EXPECT_EQ(TextToBool(text), value) << text;
}

TEST(StorageTables, CharacterTextsAtTheirBoundaries) {
    const std::pair<int, const char *> written[] = {{0, "#0"},  {31, "#31"},   {32, "#32"},   {33, "!"},
                                                    {126, "~"}, {127, "\x7f"}, {128, "#128"}, {255, "#255"}};
    for (const auto &[code, text] : written)
        EXPECT_EQ(CharToText(static_cast<char>(code)), text) << code;
    const std::pair<const char *, int> read[] = {{"#", '#'}, {"#65", 'A'}, {"#x41", 'A'},
                                                 {"", 0},    {"#z", 0},    {"ab", 'a'}};
    for (const auto &[text, code] : read)
        EXPECT_EQ(static_cast<unsigned char>(TextToChar(text)), code) << text;
}

TEST(StorageTables, IntegerTextsAtTheirLimits) {
    const std::pair<const char *, std::int32_t> good[] = {{"-2147483648", INT32_MIN},
                                                          {"2147483647", INT32_MAX},
                                                          {"X1F", 31},
                                                          {"x1f", 31},
                                                          {"$Ff", 255},
                                                          {"0XfF", 255},
                                                          {"0xAbCdEf", 0xABCDEF},
                                                          {" 12", 12}};
    for (const auto &[text, expected] : good) {
        std::int32_t value = 0;
        EXPECT_TRUE(TryTextToInt(text, value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
    for (const char *text : {"2147483648", "-2147483649", "0xG", "12 ", ""}) {
        std::int32_t value = 77;
        EXPECT_FALSE(TryTextToInt(text, value)) << text;
        EXPECT_EQ(value, 77) << text;
    }
}

TEST(StorageTables, SettingsFileTextRules) {
    const TIniText text("; Port=COM9\n[ComPort]\n;Port=COM8\nPort = COM2\nQuote=\"\nName='x'\nbaud=1\nBAUD=2\n"
                        "[other]\nKey=v\n");
    EXPECT_EQ(text.Find("comport", "port").value_or("?"), "COM2");
    EXPECT_EQ(text.Find("COMPORT", "Quote").value_or("?"), "\"");
    EXPECT_EQ(text.Find("ComPort", "Name").value_or("?"), "x");
    EXPECT_FALSE(text.Find("ComPort", ";Port").has_value());
    const auto values = text.SectionValues("ComPort");
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values[3], (std::pair<std::string, std::string>{"baud", "1"}));

    EXPECT_FALSE(TIniText::CanStore("ComPort", ";Key", "v"));
    EXPECT_FALSE(TIniText::CanStore("ComPort", "[Key", "v"));
    EXPECT_FALSE(TIniText::CanStore("ComPort", "K=ey", "v"));
    EXPECT_TRUE(TIniText::CanStore("ComPort", "Key", "v;[=]"));

    TIniText edit("[a]\nx=1\n\n[b]\ny=2\n");
    EXPECT_TRUE(edit.Set("a", "z", "3"));
    EXPECT_FALSE(edit.Set("A", "X", "1")); // unchanged
    EXPECT_TRUE(edit.Set("b", "y", "4"));
    EXPECT_EQ(edit.Content(), "[a]\nx=1\nz=3\n\n[b]\ny=4\n");
}

TEST(StorageTables, RegistryTextRules) {
    TRegistryText text("HKEY_CURRENT_USER");
    text.CreateKey("Software\\Test");
    TRegistryText::SetValue(*text.FindKey("software\\TEST"), {"Path", REG_SZ, std::string("a\\b\"c") + '\0'});
    const std::string content = text.Content();
    EXPECT_NE(content.find("\"Path\"=\"a\\\\b\\\"c\""), std::string::npos) << content;
    TRegistryText back("HKEY_CURRENT_USER");
    EXPECT_TRUE(back.Parse(content));
    const TRegKey *key = back.FindKey("Software\\Test");
    ASSERT_NE(key, nullptr);
    ASSERT_NE(TRegistryText::FindValue(*key, "path"), nullptr);
    EXPECT_EQ(TRegistryText::FindValue(*key, "path")->Data, std::string("a\\b\"c") + '\0');

    TRegistryText dwords("HKEY_CURRENT_USER");
    EXPECT_TRUE(dwords.Parse("REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"A\"=dword:ffffffff\n"));
    EXPECT_FALSE(dwords.Parse("REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"A\"=dword:0ffffffff\n"));

    std::vector<std::string> parts;
    EXPECT_TRUE(TRegistryText::SplitPath(std::string(255, 'k'), parts));
    EXPECT_FALSE(TRegistryText::SplitPath(std::string(256, 'k'), parts));
}

TEST(StorageTables, SettingsPathsPickTheirRootInAnyCase) {
    TempConfigDir cfg;
    const std::pair<const char *, HKEY> rows[] = {{"HKEY_LOCAL_MACHINE\\Software\\T", HKEY_LOCAL_MACHINE},
                                                  {"hkey_local_machine\\Software\\T", HKEY_LOCAL_MACHINE},
                                                  {"HKEY_CURRENT_USER\\Software\\T", HKEY_CURRENT_USER},
                                                  {"Hkey_Current_User\\Software\\T", HKEY_CURRENT_USER}};
    for (const auto &[path, root] : rows) {
        TRegistry registry;
        registry.SetRootKey(root == HKEY_CURRENT_USER ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER);
        OpenSettingsKey(registry, path, "ComPort");
        EXPECT_EQ(registry.RootKey(), root) << path;
        EXPECT_EQ(registry.CurrentPath(), "Software\\T\\ComPort") << path;
    }
}

TEST(StorageTables, AStoreNotReadInFullGetsNoNewKey) {
    TempConfigDir cfg;
    const std::string file = TRegistry::StoreFileName(HKEY_CURRENT_USER);
    const std::string odd = "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\nnot a value line\n";
    TempConfigDir::Write(file, odd);
    TRegistry registry;
    EXPECT_FALSE(registry.OpenKey("B", true));
    EXPECT_EQ(TempConfigDir::Read(file), odd);
}

TEST(StorageTables, DefaultDevicesOfThePortNames) {
    const std::pair<const char *, const char *> rows[] = {
        {"COM1", "ttyS0"},    {"COM4", "ttyS3"}, {"COM5", "ttyUSB0"}, {"COM12", "ttyUSB7"}, {"COM13", "ttyACM0"},
        {"COM16", "ttyACM3"}, {"COM01", ""},     {"COM17", ""},       {"com2", "ttyS1"},    {"COM", ""},
    };
    for (const auto &[name, device] : rows)
        EXPECT_EQ(TPortTable::DefaultPath(name), device) << name;
}

TEST(StorageTables, ThePortTableTakesOnlyAbsoluteDevicePaths) {
    TempConfigDir cfg;
    TempConfigDir::Write(cfg.Path("ports.ini"),
                         std::string("[") + kPortTableSection + "]\nCOM7=dev/relative\nCOM8=/dev/absolute\n");
    TPortTable::Instance().Clear();
    RestorePortTable("ports.ini");
    EXPECT_FALSE(TPortTable::Instance().HasEntry("COM7"));
    EXPECT_EQ(TPortTable::Instance().Resolve("COM8"), "/dev/absolute");
    TPortTable::Instance().Clear();
}

namespace {

// A port with every stored setting away from its default.
void Customise(TCustomComPort &p) {
    p.SetPort("COM7");
    p.SetBaudRate(brCustom);
    p.SetCustomBaudRate(31250);
    p.SetStopBits(sbOne5StopBits);
    p.SetDataBits(dbSeven);
    p.Parity().SetBits(prMark);
    p.SetEventChar('!');
    p.SetDiscardNull(true);
    p.Parity().SetCheck(true);
    p.Parity().SetReplaceChar('?');
    p.Buffer().SetOutputSize(4096);
    p.Buffer().SetInputSize(2048);
    p.Timeouts().SetReadInterval(5);
    p.Timeouts().SetReadTotalConstant(6);
    p.Timeouts().SetReadTotalMultiplier(7);
    p.Timeouts().SetWriteTotalConstant(8);
    p.Timeouts().SetWriteTotalMultiplier(9);
    TComFlowControl &f = p.FlowControl();
    f.SetControlRTS(rtsToggle);
    f.SetControlDTR(dtrHandshake);
    f.SetOutDSRFlow(true);
    f.SetXonXoffIn(true);
    f.SetXoffChar('b');
    f.SetXonChar('a');
}

const char *const kEverything = "[ComPort]\n"
                                "Port=COM7\n"
                                "BaudRate=Custom\n"
                                "CustomBaudRate=31250\n"
                                "StopBits=1.5\n"
                                "DataBits=7\n"
                                "Parity=Mark\n"
                                "FlowControl=Custom\n"
                                "EventChar=!\n"
                                "DiscardNull=Yes\n"
                                "Parity.Check=Yes\n"
                                "Parity.Replace=No\n"
                                "Parity.ReplaceChar=?\n"
                                "Buffer.OutputSize=4096\n"
                                "Buffer.InputSize=2048\n"
                                "Timeouts.ReadInterval=5\n"
                                "Timeouts.ReadTotalConstant=6\n"
                                "Timeouts.ReadTotalMultiplier=7\n"
                                "Timeouts.WriteTotalConstant=8\n"
                                "Timeouts.WriteTotalMultiplier=9\n"
                                "FlowControl.ControlRTS=Toggle\n"
                                "FlowControl.ControlDTR=Handshake\n"
                                "FlowControl.DSRSensitivity=No\n"
                                "FlowControl.OutCTSFlow=No\n"
                                "FlowControl.OutDSRFlow=Yes\n"
                                "FlowControl.TxContinueOnXoff=No\n"
                                "FlowControl.XonXoffIn=Yes\n"
                                "FlowControl.XonXoffOut=No\n"
                                "FlowControl.XoffChar=b\n"
                                "FlowControl.XonChar=a\n";

} // namespace

TEST(StorageTables, EveryEntryIsSavedByNameInItsPlaceAndReadBack) {
    TempConfigDir cfg;
    TComPort port;
    port.SetName("ComPort");
    port.SetStoredGroups({sgLine, sgFlowDetails, sgBuffer, sgTimeouts, sgParityDetails, sgMisc});
    Customise(port);
    port.SaveSettings(slIniFile, "t.ini");
    EXPECT_EQ(TempConfigDir::Read(cfg.Path("t.ini")), kEverything);

    TComPort back;
    back.SetName("ComPort");
    back.SetStoredGroups(port.StoredGroups());
    back.RestoreSettings(slIniFile, "t.ini");
    EXPECT_EQ(back.FlowControl().XoffChar(), 'b');
    EXPECT_EQ(back.FlowControl().XonChar(), 'a');
    EXPECT_EQ(back.Timeouts().ReadTotalConstant(), 6);
    EXPECT_EQ(back.Timeouts().ReadTotalMultiplier(), 7);
    EXPECT_EQ(back.DeviceControlBlock(), port.DeviceControlBlock());

    // A standard rate stores no custom rate, and the registry form is the one asked for.
    TComPort plain;
    plain.SetName("Plain");
    plain.SaveSettings(slRegistry, "HKEY_CURRENT_USER\\Software\\T");
    EXPECT_FALSE(std::filesystem::exists(cfg.Path("HKEY_CURRENT_USER\\Software\\T")));
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software\\T\\Plain", false));
    EXPECT_EQ(registry.ReadString("BaudRate"), "9600");
    EXPECT_FALSE(registry.ValueExists("CustomBaudRate"));
}

TEST(StorageTables, ARestoreThatFailsReportsTheLoadCode) {
    TempConfigDir cfg;
    TComPort port;
    port.SetName("ComPort");
    port.SetStoredGroups({sgBuffer});
    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey("Software\\Empty\\ComPort", true));
    }
    try {
        port.RestoreSettings(slRegistry, "HKEY_CURRENT_USER\\Software\\Empty");
        ADD_FAILURE() << "an absent integer restored";
    } catch (const EComPort &e) {
        EXPECT_EQ(e.ErrorCode(), CError_LoadFailed);
        EXPECT_EQ(e.Message(), "Failed to load settings");
    }
}
