// The ds5000 program end to end, against the ds5000sim program on a pseudo-terminal.
#include "CliHarness.h"
#include "loader/HexFile.h"
#include "tests/support/Pty.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>

using clitest::RunDs5000;
using clitest::TRun;
using clitest::TSimProcess;
using nlohmann::json;

namespace {

// Full 16-byte records from `base`, the bytes counting up from `seed`.
std::string CountingHex(std::size_t records, unsigned base = 0, unsigned seed = 0) {
    std::string text;
    unsigned value = seed;
    for (std::size_t r = 0; r < records; ++r) {
        std::uint8_t data[16];
        for (auto &b : data)
            b = static_cast<std::uint8_t>(value++);
        text += loader::FormatRecord(0, static_cast<std::uint16_t>(base + r * 16), data, 16) + "\r\n";
    }
    return text + ":00000001FF\r\n";
}

std::vector<json> JsonLines(const std::string &out) {
    std::vector<json> all;
    std::size_t pos = 0;
    while (pos < out.size()) {
        const std::size_t nl = out.find('\n', pos);
        const std::string line = out.substr(pos, nl - pos);
        if (!line.empty())
            all.push_back(json::parse(line));
        pos = nl == std::string::npos ? out.size() : nl + 1;
    }
    return all;
}

class Cli : public ::testing::Test {
  protected:
    void SetUp() override {
        // The settings file the windows share lives here for the test's sake.
        setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
        file = dir.Write("f.hex", CountingHex(64, 0x100));
    }
    clitest::TTempDir dir;
    std::string file;
};

TEST_F(Cli, ProgramWritesTheFileIntoTheKit) {
    TSimProcess sim(dir.Path(), "kit");
    const TRun run = RunDs5000({"--device", sim.Link(), "program", file});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find(sim.Link() + ": programmed 1024 bytes in 64 records"), std::string::npos) << run.out;
    // Plain progress lines on a standard error that is no terminal.
    EXPECT_NE(run.err.find("download 100% (2893/2893 bytes)"), std::string::npos) << run.err;
    const std::string image = sim.Image();
    ASSERT_EQ(image.size(), 0x8000u);
    for (std::size_t i = 0; i < 1024; ++i)
        ASSERT_EQ(static_cast<std::uint8_t>(image[0x100 + i]), static_cast<std::uint8_t>(i)) << i;
}

TEST_F(Cli, ProgramSendsPartitionAndRecordsOnly) {
    TSimProcess sim(dir.Path(), "kit");
    ASSERT_EQ(RunDs5000({"--quiet", "--device", sim.Link(), "program", "--partition", "4000", file}).code, 0);
    const std::string got = sim.Received();
    EXPECT_EQ(got.substr(0, 5), "\rW88\r");
    const std::size_t l = got.find("L\r");
    ASSERT_NE(l, std::string::npos);
    std::string records;
    for (const auto &r : loader::ParseHex(clitest::ReadFile(file), "f").records)
        records += r.text + "\r\n";
    EXPECT_EQ(got.substr(l + 2), records + ":00000001FF\r\n");
}

struct ExitCase {
    const char *name;
    std::vector<std::string> args; // "$FILE", "$BAD" and "$DIR" are replaced
    int code;
    const char *fragment; // in standard error
};
class CliExit : public Cli, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(CliExit, CodeAndMessage) {
    const std::string bad = dir.Write("bad.hex", ":0300000002000AF1\n:02001000AABB88\n:00000001FF\n");
    std::vector<std::string> args;
    for (auto a : GetParam().args) {
        if (a == "$FILE")
            a = file;
        if (a == "$BAD")
            a = bad;
        if (a == "$DIR")
            a = dir.Path();
        args.push_back(a);
    }
    const TRun run = RunDs5000(args);
    EXPECT_EQ(run.code, GetParam().code) << run.err;
    EXPECT_NE(run.err.find(GetParam().fragment), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliExit,
    ::testing::Values(ExitCase{"noCommand", {}, 1, "A subcommand is required"},
                      ExitCase{"unknownOption", {"--frobnicate", "detect"}, 1, "frobnicate"},
                      ExitCase{"missingFile", {"program"}, 1, "FILE is required"},
                      ExitCase{"unreadableFile",
                               {"--device", "/nonexistent/tty", "program", "/nonexistent.hex"},
                               1,
                               "cannot read /nonexistent.hex"},
                      ExitCase{"invalidFile",
                               {"--device", "/nonexistent/tty", "program", "$BAD"},
                               1,
                               "bad.hex line 2: checksum is 88, the record's bytes need 89"},
                      ExitCase{"badPort", {"--port", "LPT1", "get"}, 1, "--port LPT1: give a name from COM1 to COM16"},
                      ExitCase{"badAddress",
                               {"--device", "/nonexistent/tty", "dump", "--from", "8000"},
                               1,
                               "--from \"8000\": give a hexadecimal number from 0 to 7FFF"},
                      ExitCase{"toBelowFrom",
                               {"--device", "/nonexistent/tty", "dump", "--from", "100", "--to", "FF"},
                               1,
                               "--to lies below --from"},
                      ExitCase{"badPartition",
                               {"--device", "/nonexistent/tty", "program", "--partition", "900", "$FILE"},
                               1,
                               "give a multiple of 800h"},
                      ExitCase{"dumpOfSeveralToStdout",
                               {"--device", "/nonexistent/a", "--device", "/nonexistent/b", "dump"},
                               1,
                               "dump of several kits needs -o FILE"},
                      ExitCase{"terminalOfSeveral",
                               {"--device", "/nonexistent/a", "--device", "/nonexistent/b", "terminal"},
                               1,
                               "terminal talks to one kit"},
                      ExitCase{"unlockUnconfirmed", {"--device", "/nonexistent/tty", "unlock"}, 1, "give --yes"},
                      ExitCase{"noDevice",
                               {"--device", "/nonexistent/tty", "program", "$FILE"},
                               2,
                               "cannot open COM16: Unable to open com port"},
                      ExitCase{"notATty", {"--device", "$DIR", "get"}, 2, "cannot open COM16"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Cli, SilentLineIsATimeout) {
    testsupport::PtyPair pty;
    const TRun run = RunDs5000({"--device", pty.SlavePath(), "program", file});
    EXPECT_EQ(run.code, 5) << run.err;
    EXPECT_NE(run.err.find("no loader prompt"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("the line stayed silent"), std::string::npos) << run.err;
}

TEST_F(Cli, PulledCableMidDownloadIsReportedAsPartial) {
    const std::string big = dir.Write("big.hex", CountingHex(2048));
    TSimProcess sim(dir.Path(), "kit", {"--close-after", "3000"});
    const TRun run = RunDs5000({"--json", "--device", sim.Link(), "program", big});
    EXPECT_EQ(run.code, 2) << run.err;
    const auto lines = JsonLines(run.out);
    ASSERT_EQ(lines.size(), 1u) << run.out;
    const json &r = lines[0];
    EXPECT_EQ(r["outcome"], "port");
    EXPECT_EQ(r["exit_code"], 2);
    EXPECT_FALSE(r["download"]["complete"].get<bool>());
    EXPECT_GT(r["download"]["sent_bytes"].get<std::size_t>(), 0u);
    EXPECT_LT(r["download"]["sent_records"].get<std::size_t>(), 2048u);
    EXPECT_NE(r["message"].get<std::string>().find("partial download"), std::string::npos) << r.dump();
}

TEST_F(Cli, InterruptClosesAndReportsThePartialDownload) {
    const std::string big = dir.Write("big.hex", CountingHex(2048));
    TSimProcess sim(dir.Path(), "kit", {"--slow-us", "100"});
    const TRun run = RunDs5000({"--device", sim.Link(), "program", big}, "", std::chrono::milliseconds(1500));
    EXPECT_EQ(run.code, 130) << run.err;
    EXPECT_NE(run.err.find("interrupted"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("partial download"), std::string::npos) << run.err;
}

TEST_F(Cli, TwoKitsAtOnceEachWithItsResult) {
    TSimProcess a(dir.Path(), "kitA"), b(dir.Path(), "kitB");
    const TRun run = RunDs5000({"--json", "--device", a.Link(), "--device", b.Link(), "program", file});
    EXPECT_EQ(run.code, 0) << run.err;
    const auto lines = JsonLines(run.out);
    ASSERT_EQ(lines.size(), 2u) << run.out;
    EXPECT_EQ(lines[0]["port"], a.Link());
    EXPECT_EQ(lines[1]["port"], b.Link());
    for (const auto &l : lines) {
        EXPECT_EQ(l["outcome"], "done");
        EXPECT_EQ(l["records"], 64);
    }
    EXPECT_EQ(static_cast<std::uint8_t>(a.Image()[0x105]), 5);
    EXPECT_EQ(static_cast<std::uint8_t>(b.Image()[0x105]), 5);
}

TEST_F(Cli, OneKitFailingDoesNotStopTheOther) {
    TSimProcess a(dir.Path(), "kitA");
    testsupport::PtyPair silent;
    const TRun run = RunDs5000({"--json", "--device", silent.SlavePath(), "--device", a.Link(), "program", file});
    EXPECT_EQ(run.code, 5) << run.err;
    const auto lines = JsonLines(run.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["outcome"], "timeout");
    EXPECT_EQ(lines[1]["outcome"], "done");
    // Two failures: the code is the first kit's.
    EXPECT_EQ(RunDs5000({"--device", silent.SlavePath(), "--device", "/nonexistent/tty", "get"}).code, 5);
    EXPECT_EQ(RunDs5000({"--device", "/nonexistent/tty", "--device", silent.SlavePath(), "get"}).code, 2);
}

TEST_F(Cli, PortAndRateComeFromTheSettingsFile) {
    TSimProcess sim(dir.Path(), "kit"), other(dir.Path(), "kit2");
    dir.Write("Vorlan.ini",
              "[ComPort]\nPort=COM3\nBaudRate=19200\n[Ports]\nCOM3=" + sim.Link() + "\nCOM4=" + other.Link() + "\n");
    TRun run = RunDs5000({"--json", "program", file});
    EXPECT_EQ(run.code, 0) << run.err;
    auto lines = JsonLines(run.out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["port"], "COM3");
    EXPECT_EQ(lines[0]["baud"], 19200);
    // --port and --baud override the file for one run.
    run = RunDs5000({"--json", "--baud", "2400", "--port", "com4", "mcon"});
    EXPECT_EQ(run.code, 0) << run.err;
    lines = JsonLines(run.out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["baud"], 2400);
    EXPECT_EQ(lines[0]["com"], "COM4");
    EXPECT_EQ(lines[0]["mcon"], "F8");
}

TEST_F(Cli, WrongRateIsATimeoutNamingTheRate) {
    TSimProcess sim(dir.Path(), "kit");
    // Not one of the loader's rates: it stays silent.
    TRun run = RunDs5000({"--baud", "4800", "--device", sim.Link(), "get"});
    EXPECT_EQ(run.code, 5) << run.err;
    EXPECT_NE(run.err.find("at 4800 baud"), std::string::npos) << run.err;
    // Awake at 19200, then spoken to at 9600: what comes back is garbage.
    ASSERT_EQ(RunDs5000({"--baud", "19200", "--device", sim.Link(), "get"}).code, 0);
    run = RunDs5000({"--baud", "9600", "--device", sim.Link(), "get"});
    EXPECT_EQ(run.code, 5) << run.err;
    EXPECT_NE(run.err.find("a loader woken at another rate answers at that rate only"), std::string::npos) << run.err;
}

TEST_F(Cli, ProgramVerifyDumpAndCrcAgree) {
    TSimProcess sim(dir.Path(), "kit");
    const std::string dev = sim.Link();
    TRun run = RunDs5000({"--json", "--device", dev, "program", "--verify", file});
    ASSERT_EQ(run.code, 0) << run.err;
    auto r = JsonLines(run.out).at(0);
    EXPECT_EQ(r["verified"], true);
    EXPECT_EQ(r["compared_bytes"], 1024);
    EXPECT_EQ(r["differing_bytes"], 0);
    EXPECT_NE(run.err.find("read-back 100%"), std::string::npos) << run.err;

    run = RunDs5000({"--device", dev, "verify", file});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, dev + ": verified 1024 bytes: no difference\n");

    // The dump holds the file's bytes where the file put them.
    const std::string dumped = dir.Path() + "/dump.hex";
    run = RunDs5000({"--quiet", "--device", dev, "dump", "--from", "100", "--to", "4FF", "-o", dumped});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(std::system(("srec_cmp " + dumped + " -intel " + file + " -intel >/dev/null 2>&1").c_str()), 0);
    run = RunDs5000({"--quiet", "--device", dev, "dump", "--from", "7FF0"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, ":107FF000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF91\n:00000001FF\n");

    // The loader's CRC and the file's over the file's span.
    run = RunDs5000({"--json", "--device", dev, "crc", "--file", file});
    EXPECT_EQ(run.code, 0) << run.err;
    r = JsonLines(run.out).at(0);
    EXPECT_EQ(r["crc"], r["file_crc"]);
    EXPECT_EQ(r["from"], "0100");
    EXPECT_EQ(r["to"], "04FF");
}

TEST_F(Cli, DifferencesAreExitFourWithTheFirstOnes) {
    TSimProcess sim(dir.Path(), "kit");
    const std::string dev = sim.Link();
    ASSERT_EQ(RunDs5000({"--quiet", "--device", dev, "program", file}).code, 0);
    ASSERT_EQ(RunDs5000({"--quiet", "--device", dev, "fill", "5A", "--from", "108", "--to", "109"}).code, 0);
    TRun run = RunDs5000({"--json", "--device", dev, "verify", file});
    EXPECT_EQ(run.code, 4) << run.err;
    const auto r = JsonLines(run.out).at(0);
    EXPECT_EQ(r["outcome"], "differs");
    EXPECT_EQ(r["differing_bytes"], 2);
    EXPECT_EQ(r["differing_records"], 1);
    ASSERT_EQ(r["first_differences"].size(), 2u);
    EXPECT_EQ(r["first_differences"][0]["address"], "0108");
    EXPECT_EQ(r["first_differences"][0]["expected"], "08");
    EXPECT_EQ(r["first_differences"][0]["actual"], "5A");
    EXPECT_EQ(r["first_differences"][0]["line"], 1);
    run = RunDs5000({"--device", dev, "verify", file});
    EXPECT_EQ(run.code, 4);
    EXPECT_NE(run.err.find("2 of 1024 bytes differ in 1 records"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("0108h: file 08 (line 1), chip 5A"), std::string::npos) << run.err;
    run = RunDs5000({"--device", dev, "crc", "--file", file});
    EXPECT_EQ(run.code, 4) << run.err;
    EXPECT_NE(run.err.find("differs from the file's"), std::string::npos) << run.err;
}

struct StepCase {
    std::vector<std::string> args;
    int code;
    const char *fragment; // in standard output (code 0) or standard error
};

// One kit through a sequence of commands, each with its result.
TEST_F(Cli, PortsMconLockKeyAndUnlock) {
    TSimProcess sim(dir.Path(), "kit");
    const std::vector<StepCase> steps = {
        {{"get"}, 0, "P0=FF P1=FF P2=FF P3=FF"},
        {{"put", "2", "a5"}, 0, "P2 set to A5"},
        {{"get", "2"}, 0, "P2=A5"},
        {{"get"}, 0, "P0=FF P1=FF P2=A5 P3=FF"},
        {{"put", "4", "00"}, 1, "port \"4\": give a hexadecimal number from 0 to 3"},
        {{"mcon"}, 0, "MCON=F8 (partition 7800h, 32 kB range)"},
        {{"mcon", "40"}, 0, "MCON=40 (partition 2000h, 8 kB range)"},
        {{"dump", "--from", "1FFF", "--to", "2000"}, 3, "D: the loader reported E:RANGE"},
        {{"mcon", "F8"}, 0, "MCON=F8"},
        {{"key", "0123456789"}, 0, "key loaded"},
        {{"key", "12345"}, 1, "give exactly 10 hexadecimal digits"},
        {{"fill", "11", "--from", "0", "--to", "F"}, 0, "filled with 11"},
        {{"lock"}, 0, "locked"},
        {{"dump"}, 3, "D: the loader reported E:LOCKED (the chip is locked (unlock erases it))"},
        {{"crc"}, 3, "C: the loader reported E:LOCKED"},
        {{"verify", "$FILE"}, 3, "D: the loader reported E:LOCKED"},
        {{"program", "$FILE"}, 3, "L: the loader reported E:LOCKED"},
        {{"--yes", "unlock"}, 0, "unlocked; the memory is erased"},
        {{"dump", "--from", "0", "--to", "F"}, 0, ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00"},
        {{"crc", "--from", "0", "--to", "7FFF"}, 0, "CRC 4040"},
    };
    for (const auto &step : steps) {
        std::vector<std::string> args = {"--quiet", "--device", sim.Link()};
        for (const auto &a : step.args)
            args.push_back(a == "$FILE" ? file : a);
        const TRun run = RunDs5000(args);
        const std::string where = step.args.front() + (step.args.size() > 1 ? " " + step.args[1] : "");
        EXPECT_EQ(run.code, step.code) << where << ": " << run.err;
        EXPECT_NE((step.code == 0 ? run.out : run.err).find(step.fragment), std::string::npos)
            << where << ": " << run.out << run.err;
    }
}

TEST_F(Cli, DetectListsOnlyPortsWithALoader) {
    TSimProcess sim(dir.Path(), "kit", {"--lower", "--noise", "x#>"});
    testsupport::PtyPair silent;
    TRun run = RunDs5000({"--device", silent.SlavePath(), "--device", sim.Link(), "detect"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, sim.Link() + ": ds5000 loader version 2.1\n");
    run = RunDs5000({"--device", silent.SlavePath(), "detect"});
    EXPECT_EQ(run.code, 5);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("no loader answered"), std::string::npos);
}

TEST_F(Cli, TerminalPassesKeysAndRepliesAndLeavesOnCtrlBracket) {
    TSimProcess sim(dir.Path(), "kit");
    const TRun run = RunDs5000({"--device", sim.Link(), "terminal"}, "\rw48\r\x1dW99\r");
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("DS5000 LOADER VERSION 2.1"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(">W48\r\n>"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("Ctrl-] leaves"), std::string::npos);
    // Nothing after Ctrl-] went to the kit.
    EXPECT_EQ(sim.Received(), "\rw48\r");
}

} // namespace
