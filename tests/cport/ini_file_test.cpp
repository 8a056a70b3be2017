#include "TempConfigDir.h"
#include "Unprivileged.h"
#include "cport/IniFile.h"
#include "cport/IniText.h"

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

TEST_F(IniFileTest, RefusedWriteRaisesUnableToWriteWithTheNameAsGiven) {
    // A file where a folder should be: not even root can create below it.
    const std::string blocker = cfg.Path("plain-file");
    TempConfigDir::Write(blocker, "x");
    const std::string config = blocker + "/config";
    const struct { std::string given; } rows[] = {{blocker + "/settings.ini"}, {"Vorlan.ini"}};
    for (const auto &row : rows) {
        setenv("XDG_CONFIG_HOME", config.c_str(), 1); // the folder names without one live in
        TIniFile ini(row.given);
        try {
            ini.WriteString("S", "K", "v");
            ADD_FAILURE() << "write succeeded: " << row.given;
        } catch (const EIniFileException &e) {
            EXPECT_EQ(e.Message(), "Unable to write to " + row.given);
        }
        EXPECT_EQ(ini.ReadString("S", "K", "dflt"), "dflt");
        setenv("XDG_CONFIG_HOME", cfg.Dir().c_str(), 1);
    }
}

TEST_F(IniFileTest, ReadOnlyFileIsRefusedAndLeftAsItIs) {
    // Root included: the cleared write bits are what the user asked for.
    for (const mode_t mode : {0444, 0400, 0440, 0555}) {
        Put("[S]\nK=old\n");
        chmod(path.c_str(), mode);
        const ino_t inode = TempConfigDir::Inode(path);
        EXPECT_THROW(TIniFile(path).WriteString("S", "K", "new"), EIniFileException) << std::oct << mode;
        EXPECT_EQ(Get(), "[S]\nK=old\n");
        EXPECT_EQ(TempConfigDir::Inode(path), inode);
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode);
        EXPECT_EQ(cfg.EntryCount(), 1u);
        chmod(path.c_str(), 0644);
    }
}

TEST_F(IniFileTest, WritableFileInAFolderThatTakesNoNewFilesIsRewrittenInPlace) {
    const std::string locked = cfg.Path("locked");
    const std::string file = locked + "/Vorlan.ini";
    TempConfigDir::Write(file, "; mine\n[S]\nK=old\n");
    ASSERT_EQ(chown(file.c_str(), testsupport::UnprivilegedUser(), static_cast<gid_t>(-1)), 0);
    chmod(file.c_str(), 0640);
    chmod(locked.c_str(), 0555);
    chmod(cfg.Dir().c_str(), 0755);
    const ino_t inode = TempConfigDir::Inode(file);
    const struct {
        const char *value;
        const char *content;
    } rows[] = {
        {"much-longer-than-before", "; mine\n[S]\nK=much-longer-than-before\n"},
        {"s", "; mine\n[S]\nK=s\n"}, // a shorter file leaves no tail of the old one
    };
    for (const auto &row : rows) {
        EXPECT_TRUE(testsupport::RunUnprivileged([&] {
            TIniFile(file).WriteString("S", "K", row.value);
            return true;
        })) << row.value;
        EXPECT_EQ(TempConfigDir::Read(file), row.content);
    }
    EXPECT_EQ(TempConfigDir::Inode(file), inode);
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(locked))
        ++entries;
    EXPECT_EQ(entries, 1u);
    chmod(locked.c_str(), 0755);
}

TEST_F(IniFileTest, ByteOrderMarkIsIgnoredOnReadingAndKeptOnSaving) {
    const std::string bom = "\xEF\xBB\xBF";
    const struct {
        std::string before;
        const char *read; // S.K before the write
        std::string after;
    } rows[] = {
        {bom + "[S]\nK=v\n", "v", bom + "[S]\nK=w\n"},
        {bom + "[S]\r\nK=v\r\n[T]\r\n", "v", bom + "[S]\r\nK=w\r\n[T]\r\n"},
        {bom, "dflt", bom + "[S]\nK=w\n"},
        {bom + "K=v\n[S]\n", "dflt", bom + "K=v\n[S]\nK=w\n"},
        {"[T]\n" + bom + "[S]\nK=v\n", "dflt", "[T]\n" + bom + "[S]\nK=v\n\n[S]\nK=w\n"}, // only at the start
    };
    for (const auto &row : rows) {
        Put(row.before);
        TIniFile ini(path);
        EXPECT_EQ(ini.ReadString("S", "K", "dflt"), row.read);
        ini.WriteString("S", "K", "w");
        EXPECT_EQ(Get(), row.after);
        EXPECT_EQ(TIniText(row.after).Content(), row.after);
    }
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
