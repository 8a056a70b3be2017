// The chip's serial side: auto-baud, flow control, garbage at the wrong rate,
// break, pacing; first without a transport, then over the pseudo-terminal.
#include "LoaderLine.h"
#include "LoaderSimulator.h"
#include "ProgrammerEnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using loadersim::TLineFormat;
using loadersim::TLoaderLine;
using loadersim::TLoaderProtocol;
using loadersim::TLoaderSimulator;
using loadersim::TSimulatorOptions;
using loadersim::test::TProgrammerEnd;

namespace {

TLineFormat At(unsigned rate, bool eightNoneOne = true) { return {rate, rate, eightNoneOne}; }

// Feeds bytes at one line format; "<BANNER>" marks a wake-up.
std::string Feed(TLoaderLine &line, const std::string &text, const TLineFormat &format) {
    std::string reply;
    for (char c : text)
        if (line.Receive(static_cast<std::uint8_t>(c), format, reply))
            reply += "<BANNER>";
    return reply;
}

bool AllGarbage(const std::string &bytes) {
    return !bytes.empty() &&
           std::all_of(bytes.begin(), bytes.end(), [](char c) { return (static_cast<unsigned char>(c) & 0x80) != 0; });
}

} // namespace

TEST(LoaderLine, WakesOnlyAtTheSixRatesWithEightNoneOne) {
    struct TCase {
        TLineFormat format;
        bool answers;
    };
    const TCase cases[] = {
        {At(57600), true},
        {At(19200), true},
        {At(9600), true},
        {At(2400), true},
        {At(1200), true},
        {At(300), true},
        {At(115200), false},
        {At(38400), false},
        {At(4800), false},
        {At(0), false},
        {At(9600, false), false},
        {{9600, 19200, true}, true},
        {{19200, 9600, true}, true},
    };
    for (const auto &c : cases) {
        TLoaderProtocol protocol;
        TLoaderLine line(protocol);
        const std::string reply = Feed(line, "R\r", c.format);
        EXPECT_EQ(reply == "<BANNER>", c.answers) << c.format.outRate << "/" << c.format.inRate;
        EXPECT_EQ(line.MeasuredRate(), c.answers ? c.format.outRate : 0u) << c.format.outRate;
        EXPECT_EQ(protocol.AwaitingWakeUp(), !c.answers);
    }
}

TEST(LoaderLine, OtherSettingsAfterTheWakeUpGiveGarbageBothWays) {
    TLoaderProtocol protocol;
    TLoaderLine line(protocol);
    ASSERT_EQ(Feed(line, "\r", At(9600)), "<BANNER>");
    EXPECT_EQ(line.Transmit("DS5000 >", At(9600)), "DS5000 >");
    for (const TLineFormat &other : {At(19200), At(9600, false), TLineFormat{9600, 19200, true}}) {
        EXPECT_EQ(Feed(line, "W00\r", other), "") << other.outRate;
        EXPECT_TRUE(AllGarbage(line.Transmit("DS5000 LOADER\r\n>E:", other))) << other.outRate;
    }
    EXPECT_EQ(protocol.Mcon(), 0xF8);
    EXPECT_EQ(Feed(line, "R\r", At(9600)), "R\r\nMCON=F8\r\n>");
}

TEST(LoaderLine, BreakMeasuresTheRateAgainAtTheNextCarriageReturn) {
    TLoaderProtocol protocol;
    TLoaderLine line(protocol);
    Feed(line, "\rL\r:0100", At(9600));
    line.Break();
    EXPECT_EQ(line.MeasuredRate(), 0u);
    EXPECT_EQ(Feed(line, "\r", At(115200)), "");
    EXPECT_EQ(Feed(line, "\r", At(57600)), "<BANNER>");
    EXPECT_EQ(line.MeasuredRate(), 57600u);
    EXPECT_EQ(Feed(line, "r\r", At(57600)), "R\r\nMCON=F8\r\n>");
}

TEST(LoaderLine, XoffStopsTheOutputUntilXonOrCtrlC) {
    for (const char resume : {'\x11', '\x03'}) {
        TLoaderProtocol protocol;
        TLoaderLine line(protocol);
        Feed(line, "\r", At(9600));
        EXPECT_EQ(Feed(line, "\x13", At(9600)), "");
        EXPECT_TRUE(line.OutputStopped());
        // Commands still run; their replies wait. Flow control bytes are not echoed.
        EXPECT_EQ(Feed(line, "R\x13\r", At(9600)), "R\r\nMCON=F8\r\n>");
        EXPECT_TRUE(line.OutputStopped());
        EXPECT_EQ(Feed(line, std::string(1, resume), At(9600)), "");
        EXPECT_FALSE(line.OutputStopped());
        // Within a download too, without breaking the record.
        EXPECT_EQ(Feed(line,
                       "L\r:0100\x13"
                       "0000\x11"
                       "AA55:00000001FF",
                       At(9600)),
                  "L\r\n>");
        EXPECT_FALSE(line.OutputStopped());
        EXPECT_EQ(protocol.Image()[0], 0xAA);
    }
}

TEST(LoaderSimulator, AnswersOnlyAtTheLoadersRates) {
    struct TCase {
        speed_t speed;
        tcflag_t cflags;
        unsigned measured;
    };
    // (A pseudo-terminal keeps 8 bits without parity whatever is asked; two stop bits it keeps.)
    const TCase cases[] = {
        {B57600, CS8, 57600}, {B300, CS8, 300}, {B115200, CS8, 0}, {B38400, CS8, 0}, {B9600, CS8 | CSTOPB, 0}};
    for (const auto &c : cases) {
        TLoaderSimulator sim;
        TProgrammerEnd line(sim.SlavePath(), c.speed);
        line.SetLine(c.speed, c.cflags);
        line.Send("\r");
        ASSERT_TRUE(sim.WaitForReceived(1));
        EXPECT_EQ(sim.MeasuredRate(), c.measured) << c.measured;
        if (c.measured != 0)
            EXPECT_NE(line.ReadUntil(">").find("DS5000 LOADER"), std::string::npos);
        else
            EXPECT_TRUE(sim.AwaitingWakeUp());
    }
}

TEST(LoaderSimulator, WrongRateAfterTheWakeUpUntilBreak) {
    TLoaderSimulator sim;
    TProgrammerEnd line(sim.SlavePath(), B9600);
    line.Send("\r");
    ASSERT_NE(line.ReadUntil(">").find("DS5000 LOADER"), std::string::npos);
    line.SetLine(B19200);
    line.Send("W00\r");
    ASSERT_TRUE(sim.WaitForReceived(5));
    EXPECT_EQ(sim.Mcon(), 0xF8);
    sim.SendRaw("DS5000 LOADER");
    EXPECT_TRUE(AllGarbage(line.ReadUntil("", nullptr, 300)));
    sim.Break();
    line.Send("\r");
    EXPECT_NE(line.ReadUntil(">").find("DS5000 LOADER"), std::string::npos);
    EXPECT_EQ(sim.MeasuredRate(), 19200u);
}

TEST(LoaderSimulator, XoffHoldsTheDumpUntilXon) {
    TLoaderSimulator sim;
    TProgrammerEnd line(sim.SlavePath());
    line.Send("\r");
    line.ReadUntil(">");
    line.Send("\x13");
    ASSERT_TRUE(sim.WaitForReceived(2));
    sim.ClearLog();
    line.Send("D\r");
    ASSERT_TRUE(sim.WaitForReceived(2));
    EXPECT_EQ(line.ReadFor(100), "");
    EXPECT_EQ(sim.Sent(), "");
    line.Send("\x11");
    const std::string dump = line.ReadUntil(":00000001FF\r\n>", nullptr, 5000);
    EXPECT_EQ(dump.rfind("D\r\n:10000000", 0), 0u);
    EXPECT_NE(dump.find(":107FF000"), std::string::npos);
}

TEST(LoaderSimulator, PacedLineTakesTheLineTimeOfEachByte) {
    TSimulatorOptions options;
    options.paceToBaudRate = true;
    TLoaderSimulator sim(options);
    TProgrammerEnd line(sim.SlavePath(), B2400);
    const auto start = std::chrono::steady_clock::now();
    line.Send("\r");
    const std::string banner = line.ReadUntil(">", nullptr, 3000);
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_NE(banner.find("DS5000 LOADER"), std::string::npos);
    // 10 bits a byte at 2400 bit/s: the wake-up and every byte of the banner take their time.
    const auto byteTime = std::chrono::microseconds(10 * 1000000 / 2400);
    EXPECT_GE(took, byteTime * static_cast<long>(1 + banner.size()));

    sim.ClearLog();
    line.Send("1234567890");
    ASSERT_TRUE(sim.WaitForReceived(10));
    const auto log = sim.Log();
    // Each byte is logged when its line time ended.
    EXPECT_GE(log.back().time - log.front().time, byteTime * 9);
}

namespace {

// ds5000sim run as a child with its standard output on a pipe.
class TSimulatorProgram {
  public:
    explicit TSimulatorProgram(const std::vector<std::string> &arguments) {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        std::vector<char *> argv{const_cast<char *>(DS5000SIM_PATH)};
        for (const auto &a : arguments)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        if (posix_spawn(&pid_, DS5000SIM_PATH, &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        out_ = fdopen(fds[0], "r");
    }
    ~TSimulatorProgram() { Stop(); }
    std::string FirstLine() {
        char line[256] = {};
        return out_ != nullptr && std::fgets(line, sizeof line, out_) != nullptr ? line : "";
    }
    // Terminates the program; true when it then ended normally.
    bool Stop() {
        if (pid_ < 0)
            return false;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        if (out_ != nullptr)
            fclose(out_);
        out_ = nullptr;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

  private:
    pid_t pid_ = -1;
    FILE *out_ = nullptr;
};

} // namespace

// The program: its control FIFO stands in for a break, which a pseudo-terminal cannot carry.
TEST(LoaderSimulatorProgram, ControlFifoTakesBreakAndReset) {
    const std::string fifo = testing::TempDir() + "/ds5000sim_control_" + std::to_string(getpid());
    TSimulatorProgram program({"--baud-pace", "--control", fifo});
    std::string path = program.FirstLine();
    ASSERT_EQ(path.rfind("PTY ", 0), 0u) << path;
    path = path.substr(4, path.find('\n') - 4);
    TProgrammerEnd line(path, B9600);
    line.Send("\r");
    EXPECT_NE(line.ReadUntil(">").find("DS5000 LOADER"), std::string::npos);
    for (const char *control : {"break", "reset"}) {
        line.SetLine(control[0] == 'b' ? B19200 : B57600);
        std::ofstream(fifo) << control << "\n";
        // The program reads its control line in its own time: wake until it answers.
        std::string got;
        for (int i = 0; i < 50 && got.find("DS5000 LOADER") == std::string::npos; ++i) {
            line.Send("\r");
            got += line.ReadUntil(">", nullptr, 100);
        }
        EXPECT_NE(got.find("DS5000 LOADER"), std::string::npos) << control;
    }
    EXPECT_TRUE(program.Stop());
}
