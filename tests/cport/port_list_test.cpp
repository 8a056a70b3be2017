#include "TempConfigDir.h"
#include "cport/ComError.h"
#include "cport/PortList.h"
#include "cport/PortTableSettings.h"
#include "cport/posix/PortTable.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

using namespace cport;
using testsupport::TempConfigDir;

namespace {

// A fake /dev and /sys: device nodes are plain files, which is all the
// listing may look at.
class PortListTest : public ::testing::Test {
  protected:
    TempConfigDir tree;
    std::string dev = tree.Path("dev");
    std::string sys = tree.Path("sys");
    std::string oldDevRoot = TPortTable::Instance().DeviceRoot();
    std::string oldSysRoot = SysfsRoot();

    void SetUp() override {
        std::filesystem::create_directories(dev);
        std::filesystem::create_directories(sys + "/class/tty");
        TPortTable::Instance().Clear();
        TPortTable::Instance().SetDeviceRoot(dev);
        SetSysfsRoot(sys);
    }
    void TearDown() override {
        TPortTable::Instance().Clear();
        TPortTable::Instance().SetDeviceRoot(oldDevRoot);
        SetSysfsRoot(oldSysRoot);
    }
    void Node(const std::string &name) { TempConfigDir::Write(dev + "/" + name, ""); }
    void UartType(const std::string &name, const std::string &type) {
        TempConfigDir::Write(sys + "/class/tty/" + name + "/type", type);
    }
};

} // namespace

TEST_F(PortListTest, PresentPortsInComOrder) {
    Node("ttyS0");
    UartType("ttyS0", "4\n"); // a 16550A
    Node("ttyS1");
    UartType("ttyS1", "0\n"); // a node without a UART behind it
    Node("ttyS2");            // no attributes at all
    Node("ttyUSB0");
    Node("ttyUSB3");
    Node("ttyACM2");
    Node("pts-77");
    TPortTable::Instance().SetEntry("COM9", dev + "/pts-77");
    std::vector<std::string> list{"kept"};
    ListSerialPorts(list);
    EXPECT_EQ(list, (std::vector<std::string>{"kept", "COM1", "COM5", "COM8", "COM9", "COM15"}));

    const auto ports = EnumerateSerialPorts();
    ASSERT_EQ(ports.size(), 5u);
    EXPECT_EQ(ports[0].Device, dev + "/ttyS0");
    EXPECT_FALSE(ports[0].Explicit);
    EXPECT_EQ(ports[3].Name, "COM9");
    EXPECT_EQ(ports[3].Device, dev + "/pts-77");
    EXPECT_TRUE(ports[3].Explicit);
}

TEST_F(PortListTest, ExplicitEntryWinsOverTheDefaultRule) {
    Node("ttyUSB0");
    TempConfigDir::Write(tree.Path("adapter"), "");
    TempConfigDir::Write(tree.Path("pty"), "");
    TPortTable::Instance().SetEntry("com5", tree.Path("adapter"));
    TPortTable::Instance().SetEntry("COM1", tree.Path("pty"));
    const auto ports = EnumerateSerialPorts();
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].Name, "COM1");
    EXPECT_EQ(ports[0].Device, tree.Path("pty"));
    EXPECT_EQ(ports[1].Name, "COM5");
    EXPECT_EQ(ports[1].Device, tree.Path("adapter"));
}

TEST_F(PortListTest, ExplicitEntriesAreListedOnlyWhileTheirDeviceIsPresent) {
    Node("ttyUSB0");
    Node("adapter");
    struct Row {
        const char *name;
        std::string device;
        bool listed;
    };
    const Row rows[] = {
        {"COM2", dev + "/adapter", true},
        {"COM3", dev + "/unplugged", false},
        {"COM5", dev + "/gone", false}, // hides the default rule's ttyUSB0
        {"COM6", tree.Path("no-folder/tty"), false},
        {"COM7", dev, false}, // a folder is no device
    };
    for (const Row &row : rows)
        TPortTable::Instance().SetEntry(row.name, row.device);
    std::vector<std::string> expected;
    for (const Row &row : rows)
        if (row.listed)
            expected.push_back(row.name);
    std::vector<std::string> list;
    ListSerialPorts(list);
    EXPECT_EQ(list, expected);
    // Unplugged: gone from the next listing; plugged in again: back.
    std::filesystem::remove(dev + "/adapter");
    list.clear();
    ListSerialPorts(list);
    EXPECT_TRUE(list.empty());
    Node("adapter");
    list.clear();
    ListSerialPorts(list);
    EXPECT_EQ(list, expected);
}

TEST_F(PortListTest, NothingPresentListsNothing) {
    std::vector<std::string> list;
    ListSerialPorts(list);
    EXPECT_TRUE(list.empty());
}

TEST_F(PortListTest, UnreadableDeviceListRaisesCode15AndKeepsTheList) {
    Node("ttyUSB0");
    std::filesystem::remove_all(sys + "/class");
    std::vector<std::string> list{"COM2"};
    try {
        ListSerialPorts(list);
        FAIL() << "listing succeeded";
    } catch (const EComPort &e) {
        EXPECT_EQ(e.ErrorCode(), 15);
        EXPECT_EQ(e.PlatformError(), ENOENT);
        EXPECT_STREQ(e.what(), "EnumPorts function failed (win error code: 2)");
    }
    EXPECT_EQ(list, std::vector<std::string>{"COM2"});
}

TEST_F(PortListTest, ListingOpensNoDevice) {
    for (const char *n : {"ttyS0", "ttyS1", "ttyUSB0", "ttyACM0"})
        Node(n);
    UartType("ttyS0", "4\n");
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_GE(inotify_add_watch(fd, dev.c_str(), IN_OPEN), 0);
    std::vector<std::string> list;
    ListSerialPorts(list);
    EXPECT_EQ(list, (std::vector<std::string>{"COM1", "COM5", "COM13"}));
    char buf[4096];
    EXPECT_LT(read(fd, buf, sizeof buf), 0) << "a device node was opened";
    close(fd);
}

TEST_F(PortListTest, PortsSectionOfTheSettingsFileFillsThePortTable) {
    TempConfigDir::Write(tree.Path("Vorlan.ini"), "[ComPort]\nPort=COM3\n"
                                                  "[Ports]\n"
                                                  "COM3=" +
                                                      dev +
                                                      "/pts-4\n"
                                                      "com5 = " +
                                                      dev +
                                                      "/serial/by-id/usb-adapter\n"
                                                      "LPT1=/dev/lp0\n"
                                                      "COM17=/dev/ttyS9\n"
                                                      "COM7=relative/path\n"
                                                      "COM8=\n");
    for (const char *node : {"pts-9", "pts-4", "serial/by-id/usb-adapter"})
        Node(node);
    TPortTable::Instance().SetEntry("COM2", dev + "/pts-9");
    RestorePortTable("Vorlan.ini");
    const auto entries = TPortTable::Instance().Entries();
    EXPECT_EQ(entries,
              (std::map<std::string, std::string>{
                  {"COM2", dev + "/pts-9"}, {"COM3", dev + "/pts-4"}, {"COM5", dev + "/serial/by-id/usb-adapter"}}));
    std::vector<std::string> list;
    ListSerialPorts(list);
    EXPECT_EQ(list, (std::vector<std::string>{"COM2", "COM3", "COM5"}));
}

TEST_F(PortListTest, EachReadOfThePortsSectionReplacesWhatTheLastOneMade) {
    TPortTable::Instance().SetEntry("COM2", "/dev/program-set");
    struct Row {
        const char *file; // nullptr: no settings file at all
        std::map<std::string, std::string> entries;
    };
    const Row rows[] = {
        {"[Ports]\nCOM3=/dev/a\nCOM5=/dev/b\n", {{"COM2", "/dev/program-set"}, {"COM3", "/dev/a"}, {"COM5", "/dev/b"}}},
        {"[Ports]\nCOM5=/dev/c\n", {{"COM2", "/dev/program-set"}, {"COM5", "/dev/c"}}},
        {"[Ports]\ncom2=/dev/a\n", {{"COM2", "/dev/a"}}},
        {"[ComPort]\nPort=COM2\n", {{"COM2", "/dev/program-set"}}},
        {"[Ports]\nCOM9=/dev/d\n", {{"COM2", "/dev/program-set"}, {"COM9", "/dev/d"}}},
        {nullptr, {{"COM2", "/dev/program-set"}}},
    };
    for (const Row &row : rows) {
        std::filesystem::remove(tree.Path("Vorlan.ini"));
        if (row.file)
            TempConfigDir::Write(tree.Path("Vorlan.ini"), row.file);
        RestorePortTable("Vorlan.ini");
        EXPECT_EQ(TPortTable::Instance().Entries(), row.entries) << (row.file ? row.file : "(no file)");
        for (const auto &[name, device] : row.entries)
            EXPECT_EQ(TPortTable::Instance().Resolve(name), device);
    }
    EXPECT_EQ(TPortTable::Instance().Resolve("COM5"), dev + "/ttyUSB0");
}

TEST_F(PortListTest, MissingSettingsFileAddsNoEntry) {
    RestorePortTable("Vorlan.ini");
    EXPECT_TRUE(TPortTable::Instance().Entries().empty());
}
