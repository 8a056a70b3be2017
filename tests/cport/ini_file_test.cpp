#include "TempConfigDir.h"
#include "cport/IniFile.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace cport;
using testsupport::TempConfigDir;

namespace {

class IniFileTest : public ::testing::Test {
  protected:
    TempConfigDir cfg;
    std::string path = cfg.Path("test.ini");
    void Put(const std::string &content) { TempConfigDir::Write(path, content); }
    std::string Get() const { return TempConfigDir::Read(path); }
};

} // namespace

TEST_F(IniFileTest, AbsentFileSectionOrKeyGiveTheDefault) {
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "K", "dflt"), "dflt");
    Put("[S]\nK=v\n");
    EXPECT_EQ(ini.ReadString("T", "K", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("S", "L", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadInteger("S", "L", -7), -7);
}

TEST_F(IniFileTest, PresentEmptyValueReadsEmpty) {
    Put("[S]\nK=\nL =   \n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "K", "dflt"), "");
    EXPECT_EQ(ini.ReadString("S", "L", "dflt"), "");
    EXPECT_EQ(ini.ReadInteger("S", "K", 5), 5);
}

TEST_F(IniFileTest, NamesIgnoreLetterCaseAndBlanksAroundTheEqualSign) {
    Put("; comment\nK=outside\n[ComPort]\n  BaudRate = 19200  \nPort=\"COM2\"\n[comport]\nBaudRate=300\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("COMPORT", "baudrate", ""), "19200");
    EXPECT_EQ(ini.ReadString("ComPort", "Port", ""), "COM2");
    // A key before any section belongs to none.
    EXPECT_EQ(ini.ReadString("", "K", "none"), "none");
}

TEST_F(IniFileTest, IntegersReadAsIntegerText) {
    Put("[S]\nA=0x3E8\nB=$10\nC= 12\nD=12abc\nE=99999999999\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("S", "A", 0), 1000);
    EXPECT_EQ(ini.ReadInteger("S", "B", 0), 16);
    EXPECT_EQ(ini.ReadInteger("S", "C", 0), 12); // blanks around the value are the file's, not the number's
    EXPECT_EQ(ini.ReadInteger("S", "D", 3), 3);
    EXPECT_EQ(ini.ReadInteger("S", "E", 3), 3);
}

TEST_F(IniFileTest, AtMost2047CharactersArrive) {
    Put("[S]\nK=" + std::string(5000, 'x') + "\n");
    EXPECT_EQ(TIniFile(path).ReadString("S", "K", "").size(), 2047u);
}

TEST_F(IniFileTest, NameWithoutDirectoryLivesInTheConfigurationFolder) {
    const std::string sub = cfg.Path("not-yet/there");
    setenv("XDG_CONFIG_HOME", sub.c_str(), 1);
    TIniFile ini("Vorlan.ini");
    EXPECT_EQ(ini.FileName(), sub + "/Vorlan.ini");
    ini.WriteString("ComPort", "Port", "COM1");
    EXPECT_EQ(TempConfigDir::Read(sub + "/Vorlan.ini"), "[ComPort]\nPort=COM1\n");
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    const char *home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(TIniFile("Vorlan.ini").FileName(), std::string(home) + "/.config/Vorlan.ini");
}

TEST_F(IniFileTest, WritesUpdateInPlaceAppendToTheSectionOrAddTheSection) {
    Put("[A]\nx=1\n\n[B]\ny=2\n");
    TIniFile ini(path);
    ini.WriteString("a", "X", "10");
    ini.WriteString("A", "z", "3");
    ini.WriteInteger("C", "n", -4);
    EXPECT_EQ(Get(), "[A]\nx=10\nz=3\n\n[B]\ny=2\n\n[C]\nn=-4\n");
    EXPECT_EQ(ini.ReadInteger("c", "N", 0), -4);
}

TEST_F(IniFileTest, SaveKeepsEveryOtherByteOfTheFile) {
    const std::string before = "; settings of the programmer\r\n"
                               "[Window]\r\n"
                               "Left = 10\r\n"
                               "\r\n"
                               "[ComPort]\r\n"
                               "  Port  =  COM1\r\n"
                               "Unknown=keep me\r\n"
                               "; a comment inside\r\n"
                               "BaudRate=9600\r\n"
                               "[Other]\r\n"
                               "Port=COM9";
    Put(before);
    TIniFile ini(path);
    ini.WriteString("ComPort", "Port", "COM3");
    ini.WriteString("ComPort", "BaudRate", "19200");
    ini.WriteString("ComPort", "Parity", "None");
    ini.WriteString("Other", "Flag", "Yes");
    const std::string after = "; settings of the programmer\r\n"
                              "[Window]\r\n"
                              "Left = 10\r\n"
                              "\r\n"
                              "[ComPort]\r\n"
                              "  Port  =  COM3\r\n"
                              "Unknown=keep me\r\n"
                              "; a comment inside\r\n"
                              "BaudRate=19200\r\n"
                              "Parity=None\r\n"
                              "[Other]\r\n"
                              "Port=COM9\r\n"
                              "Flag=Yes\r\n";
    EXPECT_EQ(Get(), after);
    EXPECT_EQ(ini.ReadString("Other", "Port", ""), "COM9");
    EXPECT_EQ(ini.ReadString("Window", "Left", ""), "10");
}

TEST_F(IniFileTest, UnchangedValueLeavesTheFileAloneAndChangesReplaceItWhole) {
    Put("[S]\nK=v\n");
    const ino_t original = TempConfigDir::Inode(path);
    TIniFile ini(path);
    ini.WriteString("S", "K", "v");
    EXPECT_EQ(TempConfigDir::Inode(path), original);
    ini.WriteString("S", "K", "w");
    EXPECT_NE(TempConfigDir::Inode(path), original);
    EXPECT_EQ(cfg.EntryCount(), 1u); // no temporary file left beside it
}

TEST_F(IniFileTest, WriteKeepsPermissionsAndFollowsASymbolicLink) {
    const std::string real = cfg.Path("real.ini");
    TempConfigDir::Write(real, "[S]\n");
    chmod(real.c_str(), 0600);
    ASSERT_EQ(symlink(real.c_str(), path.c_str()), 0);
    TIniFile(path).WriteString("S", "K", "v");
    struct stat st {};
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(TempConfigDir::Read(real), "[S]\nK=v\n");
}

TEST_F(IniFileTest, RefusedWriteRaisesUnableToWrite) {
    // A file where a folder should be: not even root can create below it.
    const std::string blocker = cfg.Path("plain-file");
    TempConfigDir::Write(blocker, "x");
    TIniFile ini(blocker + "/settings.ini");
    try {
        ini.WriteString("S", "K", "v");
        FAIL() << "write succeeded";
    } catch (const EIniFileException &e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + blocker + "/settings.ini");
    }
    EXPECT_EQ(ini.ReadString("S", "K", "dflt"), "dflt");
}

TEST_F(IniFileTest, TextsThatWouldBreakTheFileAreRefused) {
    Put("[S]\nK=v\n");
    TIniFile ini(path);
    EXPECT_THROW(ini.WriteString("S", "K", "a\nInjected=1"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S", "A=B", "v"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S]", "K", "v"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S", "", "v"), EIniFileException);
    EXPECT_EQ(Get(), "[S]\nK=v\n");
}

TEST_F(IniFileTest, UnreadableFileIsNeverOverwritten) {
    std::filesystem::create_directory(path); // a folder where the file should be
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "K", "dflt"), "dflt");
    EXPECT_THROW(ini.WriteString("S", "K", "v"), EIniFileException);
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST_F(IniFileTest, FailedSaveLeavesTheOldFileWhole) {
    const std::string old = "[S]\nK=old\n";
    Put(old);
    // A file-size limit makes the write fail the way a full disk does.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool threw = false;
    try {
        TIniFile(path).WriteString("S", "K", std::string(500, 'n'));
    } catch (const EIniFileException &) {
        threw = true;
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_TRUE(threw);
    EXPECT_EQ(Get(), old);
    EXPECT_EQ(cfg.EntryCount(), 1u);
}

TEST_F(IniFileTest, SectionValuesInFileOrderFirstKeyWins) {
    Put("[Ports]\nCOM3=/dev/pts/4\n; note\ncom5 = /dev/ttyUSB1\nCOM3=/dev/other\n[Next]\nCOM7=/x\n");
    const auto values = TIniFile(path).ReadSectionValues("PORTS");
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0], (std::pair<std::string, std::string>{"COM3", "/dev/pts/4"}));
    EXPECT_EQ(values[1], (std::pair<std::string, std::string>{"com5", "/dev/ttyUSB1"}));
}
