#include "LoaderTestKit.h"
#include "loader/Commands.h"
#include "loader/LoaderError.h"
#include "tests/support/Pty.h"

#include <gtest/gtest.h>

using loader::ELoader;
using loader::TLoaderSession;
using loader::TOutcome;
using loadersim::TLoaderSimulator;
using loadersim::TSimulatorOptions;
using loadertest::CountingFile;
using loadertest::LineTo;

namespace {

TOutcome OutcomeOf(const std::function<void()> &fn, std::string *message = nullptr) {
    try {
        fn();
    } catch (const ELoader &e) {
        if (message)
            *message = e.what();
        return e.Outcome();
    }
    return TOutcome::Done;
}

struct WakeCase {
    const char *name;
    TSimulatorOptions options;
    bool banner;
};
class Wake : public ::testing::TestWithParam<WakeCase> {};

TEST_P(Wake, FindsThePromptWhateverComesFirst) {
    TLoaderSimulator sim(GetParam().options);
    auto line = LineTo(sim.SlavePath());
    TLoaderSession session(*line);
    session.Wake();
    EXPECT_EQ(session.SawBanner(), GetParam().banner);
    if (GetParam().banner) {
        EXPECT_EQ(session.Banner().size(), std::string("DS5000 LOADER VERSION 2.1").size()) << session.Banner();
    }
    // A second wake finds the loader awake: the prompt alone answers.
    TLoaderSession again(*line);
    again.Wake();
    EXPECT_FALSE(again.SawBanner());
}

TSimulatorOptions With(const std::function<void(TSimulatorOptions &)> &set) {
    TSimulatorOptions o;
    set(o);
    return o;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Wake,
    ::testing::Values(WakeCase{"plain", {}, true},
                      WakeCase{"lowerCase", With([](auto &o) { o.lowerCaseBanner = true; }), true},
                      WakeCase{"split", With([](auto &o) { o.bannerPieces = 5; }), true},
                      WakeCase{"noise", With([](auto &o) { o.noiseBeforeBanner = "\x80\xff#>\r\n> junk"; }), true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Session, SilentLineEndsInATimeout) {
    testsupport::PtyPair pty;
    auto line = LineTo(pty.SlavePath());
    TLoaderSession session(*line);
    std::string message;
    EXPECT_EQ(OutcomeOf([&] { session.Wake(); }, &message), TOutcome::Timeout);
    EXPECT_NE(message.find("the line stayed silent"), std::string::npos) << message;
    // It sent carriage returns, then an end record for a loader stuck in a download.
    EXPECT_EQ(pty.Drain(), "\r\r:00000001FF\r\x11"); // and an XON to see whether the line is still there
}

TEST(Session, GarbageIsReportedAsSuch) {
    testsupport::PtyPair pty;
    auto line = LineTo(pty.SlavePath());
    TLoaderSession session(*line);
    pty.Send("\xf0\x0f\xf0");
    std::string message;
    EXPECT_EQ(OutcomeOf([&] { session.Wake(); }, &message), TOutcome::Timeout);
    EXPECT_NE(message.find("made no sense"), std::string::npos) << message;
}

TEST(Session, LoadsAFileRecordByRecord) {
    TLoaderSimulator sim;
    auto line = LineTo(sim.SlavePath());
    TLoaderSession session(*line);
    session.Wake();
    session.Command(loader::PartitionCommand(0x2000));
    EXPECT_EQ(sim.PartitionRegister(), 0x48);
    const auto file = CountingFile(64, 0x100);
    std::size_t calls = 0, last = 0;
    session.Load(file, [&](std::size_t done, std::size_t total) {
        ++calls;
        EXPECT_GE(done, last);
        EXPECT_EQ(total, file.DownloadBytes());
        last = done;
    });
    EXPECT_TRUE(session.LoadProgress().complete);
    EXPECT_EQ(session.LoadProgress().recordsSent, 64u);
    EXPECT_EQ(last, file.DownloadBytes());
    EXPECT_GE(calls, 64u);
    const auto image = sim.Image();
    for (std::size_t i = 0; i < 64 * 16; ++i)
        ASSERT_EQ(image[0x100 + i], static_cast<std::uint8_t>(i));
    EXPECT_EQ(sim.CompletedLoads(), 1u);
}

class LoadFault : public ::testing::TestWithParam<std::size_t> {};

// A record spoilt the way a noisy line would (the file itself was fine): the
// error names the command and that record, first, middle and last alike.
TEST_P(LoadFault, NamesCommandAndRecord) {
    TLoaderSimulator sim;
    auto line = LineTo(sim.SlavePath());
    TLoaderSession session(*line);
    session.Wake();
    auto file = CountingFile(40);
    const std::size_t k = GetParam();
    file.records[k].text[5] = file.records[k].text[5] == '0' ? '1' : '0';
    std::string message;
    EXPECT_EQ(OutcomeOf([&] { session.Load(file); }, &message), TOutcome::LoaderError);
    EXPECT_NE(message.find("L: the loader reported E:CHKSUM (a record whose checksum does not add up)"),
              std::string::npos)
        << message;
    const std::string where =
        "at the record of line " + std::to_string(k + 1) + " (record " + std::to_string(k + 1) + " of 40)";
    EXPECT_NE(message.find(where), std::string::npos) << message;
    EXPECT_FALSE(session.LoadProgress().complete);
    // The loader is back at its prompt and takes commands.
    EXPECT_NO_THROW(session.Command("W48"));
}
INSTANTIATE_TEST_SUITE_P(Records, LoadFault, ::testing::Values(0, 20, 39));

TEST(Session, CommandErrorsAndTooLongLines) {
    TLoaderSimulator sim;
    auto line = LineTo(sim.SlavePath());
    TLoaderSession session(*line);
    session.Wake();
    std::string message;
    EXPECT_EQ(OutcomeOf([&] { session.Command("Q"); }, &message), TOutcome::LoaderError);
    EXPECT_EQ(message, "Q: the loader reported E:COMMAND (an unknown command)");
    EXPECT_EQ(OutcomeOf([&] { session.Command("W 123"); }, &message), TOutcome::LoaderError);
    EXPECT_NE(message.find("E:PARAM"), std::string::npos);
}

TEST(Session, PulledCableMidDownloadIsAPortProblem) {
    TSimulatorOptions options;
    options.closeAfterBytes = 2000;
    TLoaderSimulator sim(options);
    auto line = LineTo(sim.SlavePath());
    TLoaderSession session(*line);
    session.Wake();
    std::string message;
    // More than a pseudo-terminal buffers, so the writes meet the pulled cable.
    const auto file = CountingFile(2048);
    EXPECT_EQ(OutcomeOf([&] { session.Load(file); }, &message), TOutcome::Port);
    EXPECT_NE(message.find("is the cable still in?"), std::string::npos) << message;
    EXPECT_FALSE(session.LoadProgress().complete);
    EXPECT_GT(session.LoadProgress().bytesSent, 0u);
    EXPECT_LT(session.LoadProgress().bytesSent, file.DownloadBytes());
}

TEST(Session, CancelStopsBetweenRecords) {
    TLoaderSimulator sim;
    auto line = LineTo(sim.SlavePath());
    std::atomic<bool> cancel{false};
    TLoaderSession session(*line, &cancel);
    session.Wake();
    std::string message;
    const auto file = CountingFile(100);
    EXPECT_EQ(
        OutcomeOf([&] { session.Load(file, [&](std::size_t done, std::size_t) { cancel = done > 1000; }); }, &message),
        TOutcome::Interrupted);
    EXPECT_GT(session.LoadProgress().recordsSent, 0u);
    EXPECT_LT(session.LoadProgress().recordsSent, 100u);
}

TEST(Session, PartitionCommands) {
    struct Row {
        unsigned partition;
        const char *command;
    };
    for (const Row &r : {Row{0, "W08"}, Row{0x800, "W18"}, Row{0x2000, "W48"}, Row{0x7800, "WF8"}, Row{0x8000, "WF8"}})
        EXPECT_EQ(loader::PartitionCommand(r.partition), r.command) << r.partition;
    for (unsigned bad : {0x100u, 0x8800u, 0x801u})
        EXPECT_EQ(OutcomeOf([&] { loader::PartitionCommand(bad); }), TOutcome::Usage) << bad;
}

} // namespace
