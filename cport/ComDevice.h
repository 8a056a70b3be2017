#pragma once

#include "ComSettings.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace cport {

// Platform error numbers, in the Win32 numbering the user-visible messages use.
namespace winerr {
constexpr std::int32_t ERROR_SUCCESS = 0;
constexpr std::int32_t ERROR_INVALID_FUNCTION = 1;
constexpr std::int32_t ERROR_FILE_NOT_FOUND = 2;
constexpr std::int32_t ERROR_PATH_NOT_FOUND = 3;
constexpr std::int32_t ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr std::int32_t ERROR_ACCESS_DENIED = 5;
constexpr std::int32_t ERROR_INVALID_HANDLE = 6;
constexpr std::int32_t ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr std::int32_t ERROR_WRITE_PROTECT = 19;
constexpr std::int32_t ERROR_BAD_UNIT = 20;
constexpr std::int32_t ERROR_NOT_READY = 21;
constexpr std::int32_t ERROR_GEN_FAILURE = 31;
constexpr std::int32_t ERROR_SHARING_VIOLATION = 32;
constexpr std::int32_t ERROR_NOT_SUPPORTED = 50;
constexpr std::int32_t ERROR_INVALID_PARAMETER = 87;
constexpr std::int32_t ERROR_DISK_FULL = 112;
constexpr std::int32_t ERROR_SEM_TIMEOUT = 121;
constexpr std::int32_t ERROR_OPERATION_ABORTED = 995;
constexpr std::int32_t ERROR_IO_PENDING = 997;
constexpr std::int32_t ERROR_IO_DEVICE = 1117;
constexpr std::int32_t ERROR_DEVICE_NOT_CONNECTED = 1167;
constexpr std::int32_t ERROR_DEVICE_REMOVED = 1617;

// True for the errors with which a device says that it is gone (an adapter
// pulled, a peer that hung the line up): nothing will work on it again until
// it is opened afresh.
constexpr bool MeansDeviceGone(std::int32_t error) {
    return error == ERROR_IO_DEVICE || error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_DEVICE_REMOVED ||
           error == ERROR_FILE_NOT_FOUND;
}
} // namespace winerr

// Modem status bits, line-error flags, escape functions and purge flags.
namespace comm {
constexpr std::uint32_t MS_CTS_ON = 0x0010;
constexpr std::uint32_t MS_DSR_ON = 0x0020;
constexpr std::uint32_t MS_RING_ON = 0x0040;
constexpr std::uint32_t MS_RLSD_ON = 0x0080;

constexpr std::uint32_t CE_RXOVER = 0x0001;
constexpr std::uint32_t CE_OVERRUN = 0x0002;
constexpr std::uint32_t CE_RXPARITY = 0x0004;
constexpr std::uint32_t CE_FRAME = 0x0008;
constexpr std::uint32_t CE_BREAK = 0x0010;
constexpr std::uint32_t CE_TXFULL = 0x0100;
constexpr std::uint32_t CE_IOE = 0x0400;
constexpr std::uint32_t CE_MODE = 0x8000;

constexpr std::uint32_t SETDTR = 5;
constexpr std::uint32_t CLRDTR = 6;

constexpr std::uint32_t PURGE_TXABORT = 0x0001;
constexpr std::uint32_t PURGE_RXABORT = 0x0002;
constexpr std::uint32_t PURGE_TXCLEAR = 0x0004;
constexpr std::uint32_t PURGE_RXCLEAR = 0x0008;

constexpr std::uint32_t EV_RXCHAR = 0x0001;
constexpr std::uint32_t EV_RXFLAG = 0x0002;
constexpr std::uint32_t EV_TXEMPTY = 0x0004;
constexpr std::uint32_t EV_CTS = 0x0008;
constexpr std::uint32_t EV_DSR = 0x0010;
constexpr std::uint32_t EV_RLSD = 0x0020;
constexpr std::uint32_t EV_BREAK = 0x0040;
constexpr std::uint32_t EV_ERR = 0x0080;
constexpr std::uint32_t EV_RING = 0x0100;
constexpr std::uint32_t EV_RX80FULL = 0x0400;
} // namespace comm

struct TComStat {
    std::uint32_t cbInQue = 0;
    std::uint32_t cbOutQue = 0;
};

class TComDevice;

// The record of one read or write: it holds the engine's own copy of the
// bytes to write, so the caller's text may change while the write runs.
struct TAsyncOperation {
    enum Kind : std::uint8_t { okWrite = 0, okRead = 1 };
    Kind kind = okWrite;
    std::string data;           // bytes to write
    char *readBuffer = nullptr; // where a read puts its bytes
    std::size_t length = 0;     // bytes asked for
    std::size_t done = 0;       // bytes transferred so far
    std::int64_t deadlineNs = 0;
    bool hasDeadline = false;
    bool completed = false; // finished at start: nothing left to wait for
    std::int32_t error = 0; // platform error of a failed operation
};

// One open serial device, as the platform offers it. Every operation returns
// 0 on success or a platform error number; none raises.
class TComDevice {
  public:
    virtual ~TComDevice() = default;

    virtual std::int32_t SetState(const TDeviceControlBlock &block) = 0;
    virtual std::int32_t SetTimeouts(const TCommTimeoutsBlock &block) = 0;
    virtual std::int32_t SetupQueues(std::int32_t inputSize, std::int32_t outputSize) = 0;

    // Starts a write or read; returns ERROR_IO_PENDING when it has not finished
    // at once. op.done counts what was transferred so far.
    virtual std::int32_t StartWrite(TAsyncOperation &op) = 0;
    virtual std::int32_t StartRead(TAsyncOperation &op) = 0;
    // Waits until the operation has completed or timed out (timeouts block).
    virtual std::int32_t WaitForCompletion(TAsyncOperation &op) = 0;

    virtual std::int32_t ClearError(std::uint32_t &errors, TComStat &stat) = 0;
    virtual std::int32_t GetModemStatus(std::uint32_t &status) = 0;
    virtual std::int32_t EscapeFunction(std::uint32_t function) = 0;
    virtual std::int32_t Purge(std::uint32_t flags) = 0;

    // Event waiting, for the port's event thread.
    virtual std::int32_t SetEventMask(std::uint32_t mask) = 0;
    // Blocks until an event of the mask occurs (returns 0 with the events) or
    // StopWaiting was called (returns ERROR_OPERATION_ABORTED).
    virtual std::int32_t WaitEvent(std::uint32_t &events) = 0;
    // Thread-safe: makes the current and every later WaitEvent return at once.
    virtual void StopWaiting() = 0;

    // Closes the platform handle now, as destroying the device would (the
    // line is let go and DTR dropped), while the object itself stays for an
    // event thread that has yet to notice the stop. Call it only while no
    // other thread is inside an operation of the device; afterwards every
    // operation fails with ERROR_INVALID_HANDLE and touches no handle, and
    // WaitEvent returns ERROR_OPERATION_ABORTED.
    virtual void Release() = 0;
};

// Opens the device behind a port name ("COM3") exclusively.
// On failure returns nullptr and sets error to the platform error number.
std::unique_ptr<TComDevice> OpenComDevice(const std::string &portName, std::int32_t &error);

} // namespace cport
