#include "LoaderSimulator.h"
#include "ProgrammerEnd.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

using loadersim::TLoaderProtocol;
using loadersim::TLoaderSimulator;
using loadersim::TSimulatorOptions;

namespace {

// Feeds a text and returns the reply; a wake-up adds "<BANNER>" to it.
std::string Feed(TLoaderProtocol &loader, const std::string &text) {
    std::string reply;
    for (char c : text)
        if (loader.Feed(static_cast<std::uint8_t>(c), reply))
            reply += "<BANNER>";
    return reply;
}

TLoaderProtocol AwakeLoader() {
    TLoaderProtocol loader;
    Feed(loader, "\r");
    return loader;
}

} // namespace

TEST(LoaderProtocol, WaitsForCarriageReturnBeforeTheBanner) {
    TLoaderProtocol loader;
    EXPECT_EQ(Feed(loader, "W48abc\n"), "");
    EXPECT_TRUE(loader.AwaitingWakeUp());
    EXPECT_EQ(Feed(loader, "\r"), "<BANNER>");
    EXPECT_FALSE(loader.AwaitingWakeUp());
    EXPECT_NE(TLoaderProtocol::BannerLine(false).find("DS5000 LOADER"), std::string::npos);
    EXPECT_NE(TLoaderProtocol::BannerLine(true).find("ds5000 loader"), std::string::npos);
}

TEST(LoaderProtocol, EchoesOnlyCommandCharactersInUpperCase) {
    auto loader = AwakeLoader();
    EXPECT_EQ(Feed(loader, "w4\x01#a:"), "W4A:");
    EXPECT_EQ(Feed(loader, "\x7f\x7f"), "\b \b\b \b");
    // "W4" is left after the two deletes; "8" completes a valid command.
    EXPECT_EQ(Feed(loader, "8\r"), "8\r\n>");
    EXPECT_EQ(loader.PartitionRegister(), 0x48);
}

TEST(LoaderProtocol, EmptyLineGivesPromptAndResetWaitsAgain) {
    auto loader = AwakeLoader();
    EXPECT_EQ(Feed(loader, "\r"), "\r\n>");
    loader.Reset();
    EXPECT_EQ(Feed(loader, "\r"), "<BANNER>");
}

TEST(LoaderProtocol, CommandLineErrors) {
    auto loader = AwakeLoader();
    EXPECT_EQ(Feed(loader, "W4G\r"), "W4G\r\nE:NOTHEX\r\n>");
    EXPECT_EQ(Feed(loader, "W4\r"), "W4\r\nE:PARAM\r\n>");
    EXPECT_EQ(Feed(loader, "Q\r"), "Q\r\nE:COMMAND\r\n>");
    EXPECT_EQ(Feed(loader, "W 4 8\r"), "W 4 8\r\n>"); // blanks do not count
    const std::string sixteen(16, '1');
    EXPECT_EQ(Feed(loader, sixteen + "\r"), sixteen + "\r\nE:COMMAND\r\n>");
    EXPECT_EQ(Feed(loader, sixteen + "1\r"), sixteen + "1\r\nE:LONG\r\n>");
    EXPECT_EQ(loader.PartitionRegister(), 0x48);
}

TEST(LoaderProtocol, LoadsIntelHexIgnoringLineEndsAndEndsWithPrompt) {
    auto loader = AwakeLoader();
    EXPECT_EQ(Feed(loader, "L\r"), "L");
    EXPECT_TRUE(loader.Loading());
    // Two data records with CR LF line ends, then the end record.
    const std::string hex = ":0300000002003EBD\r\n"
                            ":02100000AA55EF\r\n"
                            ":00000001FF\r\n";
    // The end record brings the prompt; its own line end is an empty command line.
    EXPECT_EQ(Feed(loader, hex), "\r\n>\r\n>");
    EXPECT_FALSE(loader.Loading());
    EXPECT_EQ(loader.Image()[0], 0x02);
    EXPECT_EQ(loader.Image()[2], 0x3E);
    EXPECT_EQ(loader.Image()[0x1000], 0xAA);
    EXPECT_EQ(loader.Image()[0x1001], 0x55);
    EXPECT_EQ(loader.Image()[3], 0xFF);
    EXPECT_EQ(loader.CompletedLoads(), 1u);
}

TEST(LoaderProtocol, LoadErrorsReturnToTheCommandLine) {
    struct Case {
        const char *record;
        const char *reply;
    };
    const Case cases[] = {
        {":0300000002003EBE", "\r\nE:CHKSUM\r\n>"},
        {":03000000020X", "\r\nE:NOTHEX\r\n>"},
        {":00000002FE", "\r\nE:RECTYP\r\n>"},
        {":027FFF00AA5581", "\r\nE:RANGE\r\n>"},
    };
    for (const auto &c : cases) {
        auto loader = AwakeLoader();
        Feed(loader, "L\r");
        EXPECT_EQ(Feed(loader, c.record), c.reply) << c.record;
        EXPECT_FALSE(loader.Loading()) << c.record;
    }
}

namespace {

using Programmer = loadersim::test::TProgrammerEnd;

} // namespace

TEST(LoaderSimulator, AnswersWakeUpAndRecordsEveryByte) {
    TLoaderSimulator sim;
    Programmer line(sim.SlavePath());
    ASSERT_TRUE(line.Opened());
    line.Send("\r");
    const std::string banner = line.ReadUntil(">");
    EXPECT_NE(banner.find("DS5000 LOADER"), std::string::npos);
    line.Send("W48\rL\r:00000001FF");
    EXPECT_NE(line.ReadUntil("L\r\n>").find("W48\r\n>"), std::string::npos);
    ASSERT_TRUE(sim.WaitForReceived(18));
    EXPECT_EQ(sim.Received(), "\rW48\rL\r:00000001FF");
    EXPECT_EQ(sim.PartitionRegister(), 0x48);
    EXPECT_EQ(sim.CompletedLoads(), 1u);
    const auto log = sim.Log();
    for (std::size_t i = 1; i < log.size(); ++i)
        EXPECT_LE(log[i - 1].time, log[i].time);
}

TEST(LoaderSimulator, BannerOptions) {
    TSimulatorOptions options;
    options.lowerCaseBanner = true;
    options.bannerPieces = 3;
    options.pieceGap = std::chrono::milliseconds(60);
    options.noiseBeforeBanner = "\x01\xffnoise";
    TLoaderSimulator sim(options);
    Programmer line(sim.SlavePath());
    line.Send("\r");
    int reads = 0;
    const std::string got = line.ReadUntil(">", &reads);
    EXPECT_EQ(got.rfind("\x01\xffnoise", 0), 0u);
    EXPECT_NE(got.find("ds5000 loader"), std::string::npos);
    EXPECT_GE(reads, 3);
}

TEST(LoaderSimulator, PulledCableFailsTheProgrammersWritesAndReplugGivesANewLine) {
    TSimulatorOptions options;
    options.closeAfterBytes = 5;
    TLoaderSimulator sim(options);
    const std::string firstPath = sim.SlavePath();
    {
        Programmer line(firstPath);
        line.Send("\rW48\r");
        ASSERT_TRUE(sim.WaitForReceived(5));
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (!sim.LineClosed() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_TRUE(sim.LineClosed());
        EXPECT_LT(line.Send("L\r"), 0);
        EXPECT_EQ(errno, EIO);
    }
    EXPECT_EQ(sim.ReceivedCount(), 5u);
    sim.Replug();
    EXPECT_FALSE(sim.LineClosed());
    Programmer again(sim.SlavePath());
    again.Send("\r");
    EXPECT_NE(again.ReadUntil(">").find("DS5000 LOADER"), std::string::npos);
}

TEST(LoaderSimulator, SlowReaderTakesBytesApart) {
    TSimulatorOptions options;
    options.readDelay = std::chrono::microseconds(5000);
    TLoaderSimulator sim(options);
    Programmer line(sim.SlavePath());
    line.Send("12345");
    ASSERT_TRUE(sim.WaitForReceived(5));
    const auto log = sim.Log();
    EXPECT_GE(log.back().time - log.front().time, std::chrono::milliseconds(15));
}

TEST(LoaderSimulator, WritesItsMemoryImage) {
    TLoaderSimulator sim;
    Programmer line(sim.SlavePath());
    line.Send("\rL\r:02000000A55504\r\n:00000001FF\r\n");
    line.ReadUntil("\r\n>\r\n>");
    const std::string path = testing::TempDir() + "/loadersim_image_" + std::to_string(getpid()) + ".bin";
    ASSERT_TRUE(sim.WriteImage(path));
    std::ifstream in(path, std::ios::binary);
    const std::string image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(image.size(), TLoaderProtocol::kMemorySize);
    EXPECT_EQ(static_cast<unsigned char>(image[0]), 0xA5);
    EXPECT_EQ(static_cast<unsigned char>(image[1]), 0x55);
    unlink(path.c_str());
}
