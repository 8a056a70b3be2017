#include "TempConfigDir.h"
#include "cport/Registry.h"
#include "cport/SettingsKey.h"

#include <gtest/gtest.h>

using namespace cport;
using testsupport::TempConfigDir;

namespace {

class RegistryTest : public ::testing::Test {
  protected:
    TempConfigDir cfg;
    std::string UserFile() const { return cfg.Path("HKEY_CURRENT_USER.reg"); }
};

template <typename Fn> std::string ErrorOf(Fn fn) {
    try {
        fn();
    } catch (const ERegistryException &e) {
        return e.Message();
    }
    return "(no error)";
}

} // namespace

TEST_F(RegistryTest, NoKeyOpenRefusesWritesAndReadsAbsent) {
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.HasCurrentKey());
    EXPECT_EQ(reg.ReadString("Port"), "");
    EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("Buffer.InputSize"); }), "Failed to get data for 'Buffer.InputSize'");
    EXPECT_EQ(ErrorOf([&] { reg.WriteString("Port", "COM1"); }), "Failed to set data for 'Port'");
    EXPECT_EQ(ErrorOf([&] { reg.WriteInteger("N", 1); }), "Failed to set data for 'N'");
    EXPECT_EQ(cfg.EntryCount(), 0u);
}

TEST_F(RegistryTest, ValuesAreKeptInARegedit4File) {
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("Software\\Kit\\ComPort", true));
        reg.WriteString("Port", "COM1");
        reg.WriteInteger("Buffer.InputSize", 1024);
        reg.WriteInteger("Timeouts.ReadInterval", -1);
        reg.WriteString("Quoted", "a \"b\" c:\\d");
    }
    EXPECT_EQ(TempConfigDir::Read(UserFile()), "REGEDIT4\n"
                                               "\n[HKEY_CURRENT_USER]\n"
                                               "\n[HKEY_CURRENT_USER\\Software]\n"
                                               "\n[HKEY_CURRENT_USER\\Software\\Kit]\n"
                                               "\n[HKEY_CURRENT_USER\\Software\\Kit\\ComPort]\n"
                                               "\"Port\"=\"COM1\"\n"
                                               "\"Buffer.InputSize\"=dword:00000400\n"
                                               "\"Timeouts.ReadInterval\"=dword:ffffffff\n"
                                               "\"Quoted\"=\"a \\\"b\\\" c:\\\\d\"\n");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\software\\KIT\\comport", false)); // letter case and a leading backslash don't matter
    EXPECT_EQ(reg.ReadString("port"), "COM1");
    EXPECT_EQ(reg.ReadInteger("Buffer.InputSize"), 1024);
    EXPECT_EQ(reg.ReadInteger("Timeouts.ReadInterval"), -1);
    EXPECT_EQ(reg.ReadString("Quoted"), "a \"b\" c:\\d");
    EXPECT_EQ(reg.ReadString("Absent"), "");
    EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("Absent"); }), "Failed to get data for 'Absent'");
}

TEST_F(RegistryTest, OpeningWithoutCreateNeedsAnExistingKey) {
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey("Software\\Missing", false));
    EXPECT_FALSE(reg.HasCurrentKey());
    EXPECT_FALSE(reg.OpenKey("Software\\\\Twice", true)); // an empty key name
    EXPECT_TRUE(reg.OpenKey("Software\\Made", true));
    EXPECT_TRUE(reg.KeyExists("SOFTWARE\\made"));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Made");
}

TEST_F(RegistryTest, WrongTypesAreReported) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("K", true));
    reg.WriteInteger("Number", 5);
    reg.WriteString("Text", "5");
    EXPECT_EQ(ErrorOf([&] { reg.ReadString("Number"); }), "Invalid data type for 'Number'");
    EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("Text"); }), "Invalid data type for 'Text'");
    // Writing replaces the type along with the value.
    reg.WriteString("Number", "five");
    EXPECT_EQ(reg.ReadString("Number"), "five");
}

TEST_F(RegistryTest, HandWrittenValueKinds) {
    TempConfigDir::Write(UserFile(), "REGEDIT4\r\n\r\n"
                                     "; written by hand\r\n"
                                     "[HKEY_CURRENT_USER\\K]\r\n"
                                     "\"Expand\"=hex(2):25,00\r\n"
                                     "\"Cut\"=hex(1):61,62,00,63,00\r\n"
                                     "\"Wrapped\"=hex(1):41,\\\r\n"
                                     "  42,00\r\n"
                                     "\"Blob\"=hex:01,02\r\n"
                                     "\"Short\"=hex(4):01\r\n"
                                     "@=\"default\"\r\n");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("K", false));
    EXPECT_EQ(reg.ReadString("Expand"), "%");
    EXPECT_EQ(reg.ReadString("Cut"), "ab");
    EXPECT_EQ(reg.ReadString("Wrapped"), "AB");
    EXPECT_EQ(reg.ReadString(""), "default");
    EXPECT_EQ(ErrorOf([&] { reg.ReadString("Blob"); }), "Invalid data type for 'Blob'");
    EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("Short"); }), "Invalid data type for 'Short'");
    // The file is understood as a whole, so it may be rewritten.
    reg.WriteString("New", "line1\nline2");
    EXPECT_EQ(reg.ReadString("New"), "line1\nline2");
    EXPECT_EQ(reg.ReadString("Wrapped"), "AB");
    EXPECT_EQ(reg.ReadString("Expand"), "%");
}

TEST_F(RegistryTest, FileWithUnknownLinesIsNeverRewritten) {
    const std::string odd = "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"A\"=\"1\"\nsomething else\n";
    TempConfigDir::Write(UserFile(), odd);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("K", true));
    EXPECT_EQ(reg.ReadString("A"), "1");
    EXPECT_EQ(ErrorOf([&] { reg.WriteString("B", "2"); }), "Failed to set data for 'B'");
    EXPECT_FALSE(reg.OpenKey("K\\Sub", true));
    EXPECT_EQ(TempConfigDir::Read(UserFile()), odd);
}

TEST_F(RegistryTest, EachRootHasItsOwnFile) {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey("Soft", true));
    reg.WriteString("Where", "machine");
    reg.SetRootKey(HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.HasCurrentKey()); // changing the root closes the key
    EXPECT_FALSE(reg.KeyExists("Soft"));
    EXPECT_TRUE(std::filesystem::exists(cfg.Path("HKEY_LOCAL_MACHINE.reg")));
    EXPECT_FALSE(std::filesystem::exists(UserFile()));
}

TEST_F(RegistryTest, UnwritableStoreFailsToCreateAndToWrite) {
    const std::string blocker = cfg.Path("plain-file");
    TempConfigDir::Write(blocker, "x");
    setenv("XDG_CONFIG_HOME", (blocker + "/cfg").c_str(), 1);
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey("K", true));
    EXPECT_EQ(ErrorOf([&] { reg.WriteString("V", "x"); }), "Failed to set data for 'V'");
}

TEST_F(RegistryTest, SettingsKeyRootWords) {
    struct Case {
        const char *path;
        HKEY root;
        const char *key;
    } cases[] = {
        {"HKEY_LOCAL_MACHINE\\Software\\Kit", HKEY_LOCAL_MACHINE, "Software\\Kit\\ComPort"},
        {"hkey_local_machine\\Soft\\", HKEY_LOCAL_MACHINE, "Soft\\ComPort"},
        {"HKEY_CURRENT_USER\\Software\\Kit", HKEY_CURRENT_USER, "Software\\Kit\\ComPort"},
        {"Software\\Kit", HKEY_CURRENT_USER, "Kit\\ComPort"},  // the first word is dropped
        {"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER, "ComPort"}, // directly below the root
        {"HKEY_CLASSES_ROOT\\A\\B", HKEY_CURRENT_USER, "A\\B\\ComPort"},
    };
    for (const Case &c : cases) {
        TRegistry reg;
        OpenSettingsKey(reg, c.path, "ComPort");
        EXPECT_TRUE(reg.HasCurrentKey()) << c.path;
        EXPECT_EQ(reg.RootKey(), c.root) << c.path;
        EXPECT_EQ(reg.CurrentPath(), c.key) << c.path;
    }
}

TEST_F(RegistryTest, SettingsKeyWithoutBackslashOpensNothing) {
    TRegistry reg;
    OpenSettingsKey(reg, "Software", "ComPort");
    EXPECT_FALSE(reg.HasCurrentKey());
    EXPECT_FALSE(std::filesystem::exists(UserFile()));
}
