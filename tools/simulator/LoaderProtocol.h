#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace loadersim {

// The DS5000 ROM loader's command interpreter, without any transport: bytes in,
// replies out. After start or reset it waits for a carriage return (the real
// chip measures the baud rate on it) and then answers with its banner and a
// prompt. Only the W (partition register) and L (load Intel HEX) commands are
// carried out; the others are known but answered with an error.
//
// Error replies, each on a line of its own and followed by the prompt:
//   E:NOTHEX   a character that is not a hex digit inside a HEX record or a W argument
//   E:CHKSUM   a HEX record whose checksum does not add up
//   E:RECTYP   a HEX record of a type other than 00 (data) and 01 (end)
//   E:RANGE    HEX data beyond the 32 KB of memory
//   E:LONG     a command line of more than 16 characters
//   E:PARAM    a command with the wrong number of arguments
//   E:COMMAND  an unknown or unsupported command
class TLoaderProtocol {
  public:
    static constexpr std::size_t kMemorySize = 32 * 1024;
    static constexpr std::size_t kMaxLineLength = 16;
    using TImage = std::array<std::uint8_t, kMemorySize>;

    TLoaderProtocol();

    // The banner line without line ends.
    static std::string BannerLine(bool lowerCase);
    static constexpr const char *kPrompt = "\r\n>";

    // Handles one received byte and appends the reply to `reply`. Returns true
    // when the byte was the wake-up carriage return: the caller then sends the
    // banner and prompt itself (so that it can split or disguise them).
    bool Feed(std::uint8_t byte, std::string &reply);

    // Back to the state after power-up: waiting for the wake-up carriage return.
    // Memory and partition register survive, as in the chip's battery-backed RAM.
    void Reset();

    bool AwaitingWakeUp() const { return mode_ == TMode::WaitingForWakeUp; }
    bool Loading() const { return mode_ == TMode::Loading; }
    const TImage &Image() const { return image_; }
    // The partition register last set with W, or -1 when never set.
    int PartitionRegister() const { return partition_; }
    // Data records stored since start.
    std::size_t DataRecords() const { return dataRecords_; }
    // End records seen since start.
    std::size_t CompletedLoads() const { return completedLoads_; }

  private:
    enum class TMode { WaitingForWakeUp, CommandLine, Loading };

    void FeedCommandLine(std::uint8_t byte, std::string &reply);
    void RunLine(std::string &reply);
    void FeedLoad(std::uint8_t byte, std::string &reply);
    void FinishRecord(std::string &reply);
    void Fail(const char *code, std::string &reply);

    TMode mode_ = TMode::WaitingForWakeUp;
    std::string line_;
    bool lineTooLong_ = false;
    bool inRecord_ = false;
    std::string recordDigits_;
    TImage image_{};
    int partition_ = -1;
    std::size_t dataRecords_ = 0;
    std::size_t completedLoads_ = 0;
};

} // namespace loadersim
