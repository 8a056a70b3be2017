#pragma once

#include <exception>
#include <string>

namespace fw {

// Base of every error the program raises; carries the text the user sees.
class Exception : public std::exception {
  public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string &Message() const noexcept { return message_; }
    const char *what() const noexcept override { return message_.c_str(); }

  private:
    std::string message_;
};

// Raised when an object is asked to copy from an object of another kind.
class EConvertError : public Exception {
  public:
    using Exception::Exception;
};

// Raised by file operations; carries the platform's error number.
class EInOutError : public Exception {
  public:
    EInOutError(std::string message, int errorCode) : Exception(std::move(message)), errorCode_(errorCode) {}
    int ErrorCode() const noexcept { return errorCode_; }

  private:
    int errorCode_;
};

} // namespace fw
