#pragma once

#include "IntelHex.h"
#include "LoaderReplies.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace loadersim {

// The DS5000 ROM loader's command interpreter, without any transport: bytes in,
// replies out. After start or reset it waits for a carriage return (the real
// chip measures the baud rate on it; see TLoaderLine) and then answers with its
// banner and a prompt.
//
// A command line runs at CR: one letter and its hexadecimal arguments, at most
// 16 characters. Commands (every text they send is in LoaderReplies.h):
//   C [begin [end]]     CRC-16 of the range           D [begin [end]]  Intel HEX dump
//   F VV [begin [end]]  fill with VV                  G [n]            port latch n (all four without n)
//   K HHHHHHHHHH        the 40-bit key                L                load Intel HEX
//   P n VV              write port latch n            R                read MCON
//   T                   echo incoming Intel HEX       U                unlock: erase memory and key
//   V                   verify against Intel HEX      W VV             write MCON
//   Z                   set the security lock
// Addresses are inside the range MCON bit 3 selects: 0-1FFF, or 0-7FFF when set.
// The arguments of W, K, P and G are counted in digits (blanks ignored); the
// addresses of C, D and F are words separated by blanks.
class TLoaderProtocol {
  public:
    static constexpr std::size_t kMemorySize = 32 * 1024;
    static constexpr std::size_t kMaxLineLength = 16;
    static constexpr std::size_t kPortCount = 4;
    using TImage = std::array<std::uint8_t, kMemorySize>;
    using TPorts = std::array<std::uint8_t, kPortCount>;

    TLoaderProtocol();

    // The banner line without line ends.
    static std::string BannerLine(bool lowerCase);
    static constexpr const char *kPrompt = kSimulatorChoice.prompt;

    // Handles one received byte and appends the reply to `reply`. Returns true
    // when the byte was the wake-up carriage return: the caller then sends the
    // banner and prompt itself (so that it can split or disguise them).
    bool Feed(std::uint8_t byte, std::string &reply);

    // Back to the state after power-up: waiting for the wake-up carriage return.
    // Memory, MCON, key, lock and ports survive, as in the chip's battery-backed RAM.
    void Reset();

    bool AwaitingWakeUp() const { return mode_ == TMode::WaitingForWakeUp; }
    // Taking the records of an L command.
    bool Loading() const { return mode_ == TMode::Loading; }
    // Taking records for L, V or T.
    bool InDownload() const { return mode_ == TMode::Loading || mode_ == TMode::Verifying || mode_ == TMode::Tracing; }
    const TImage &Image() const { return image_; }
    // Puts bytes into the memory directly, as a kit programmed earlier would hold them.
    void Poke(std::size_t address, const std::vector<std::uint8_t> &bytes);
    // The partition register last set with W, or -1 when never set.
    int PartitionRegister() const { return partition_; }
    std::uint8_t Mcon() const { return mcon_; }
    // The last address of the range MCON selects.
    std::size_t RangeEnd() const;
    bool Locked() const { return locked_; }
    std::uint64_t Key() const { return key_; }
    const TPorts &Ports() const { return ports_; }
    // Data records stored since start.
    std::size_t DataRecords() const { return dataRecords_; }
    // End records seen by L since start.
    std::size_t CompletedLoads() const { return completedLoads_; }

    // CRC-16 as C computes it.
    static std::uint16_t Crc16(const std::uint8_t *data, std::size_t count);

  private:
    enum class TMode { WaitingForWakeUp, CommandLine, Loading, Verifying, Tracing };
    struct TRange {
        std::size_t begin = 0;
        std::size_t end = 0;
    };

    void FeedCommandLine(std::uint8_t byte, std::string &reply);
    void RunLine(std::string &reply);
    void RunCommand(char letter, const std::string &arguments, std::string &reply);
    // Each returns the error mnemonic, or nullptr when done (its reply lines appended).
    const char *Crc(const std::vector<std::string> &words, std::string &reply) const;
    const char *Dump(const std::vector<std::string> &words, std::string &reply) const;
    const char *Fill(const std::vector<std::string> &words);
    const char *Get(const std::string &digits, std::string &reply) const;
    const char *Put(const std::string &digits);
    const char *LoadKey(const std::string &digits);
    const char *WriteMcon(const std::string &digits);
    const char *ParseRange(const std::vector<std::string> &words, std::size_t first, TRange &range) const;

    void FeedDownload(std::uint8_t byte, std::string &reply);
    void TakeRecord(const THexRecord &record, std::string &reply);
    static void Line(const std::string &text, std::string &reply);
    void Fail(const char *code, std::string &reply);

    TMode mode_ = TMode::WaitingForWakeUp;
    std::string line_;
    std::size_t typed_ = 0; // characters on the line, kept or not
    THexRecordReader reader_;
    bool verifyDiffered_ = false;
    TImage image_{};
    int partition_ = -1;
    std::uint8_t mcon_ = kSimulatorChoice.mconAtPowerUp;
    bool locked_ = false;
    std::uint64_t key_ = 0;
    TPorts ports_{};
    std::size_t dataRecords_ = 0;
    std::size_t completedLoads_ = 0;
};

} // namespace loadersim
