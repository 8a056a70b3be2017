#include "ComError.h"

#include <string>

namespace cport {

namespace {
const char *const kTexts[] = {
    "",
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set SyncMethod while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
};
constexpr std::int32_t kCodeCount = static_cast<std::int32_t>(sizeof(kTexts) / sizeof(kTexts[0]));
} // namespace

const char *ComErrorText(std::int32_t code) { return (code > 0 && code < kCodeCount) ? kTexts[code] : ""; }

EComPort::EComPort(std::int32_t code) : fw::Exception(ComErrorText(code)), platformError_(-1), errorCode_(code) {}

EComPort::EComPort(std::int32_t code, std::int32_t platformError)
    : fw::Exception(std::string(ComErrorText(code)) + " (win error code: " + std::to_string(platformError) + ")"),
      platformError_(platformError), errorCode_(code) {}

} // namespace cport
