#pragma once

#include <cstdint>
#include <string>

namespace app {

// A HEX file as the Program command reads it: a plain byte stream, line ends
// as they stand, that ends at its physical end or at its first Ctrl-Z (0x1A),
// whichever comes first. Open and read failures raise the runtime's file
// errors (fw::EInOutError): "File not found" (2), "Invalid filename" (3),
// "Too many open files" (4), "File access denied" (5), else "I/O error N".
class THexFile {
  public:
    static constexpr char kEndOfFile = 0x1A;

    explicit THexFile(const std::string &path);
    ~THexFile();
    THexFile(const THexFile &) = delete;
    THexFile &operator=(const THexFile &) = delete;

    // Reads from the start to the end and returns the number of bytes.
    std::int64_t CountBytes();
    // Back to the first byte.
    void Rewind();
    // The next byte; false at the end.
    bool ReadByte(char &byte) {
        if (pos_ == filled_ && !Fill())
            return false;
        byte = buffer_[pos_++];
        if (byte == kEndOfFile) {
            atEnd_ = true;
            pos_ = filled_;
            return false;
        }
        return true;
    }
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

  private:
    bool Fill();

    int fd_ = -1;
    bool atEnd_ = false;
    std::size_t pos_ = 0;
    std::size_t filled_ = 0;
    char buffer_[8192];
};

// The runtime's error for a failed file operation with the given errno value.
[[noreturn]] void RaiseFileError(int errnoValue);

} // namespace app
