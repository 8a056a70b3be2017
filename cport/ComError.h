#pragma once

#include "framework/Exception.h"

#include <cstdint>

namespace cport {

// Error codes of the serial engine; the value is the code shown to the user.
enum TComErrorCode : std::int32_t {
    CError_OpenFailed = 1,
    CError_WriteFailed = 2,
    CError_ReadFailed = 3,
    CError_InvalidAsync = 4,
    CError_PurgeFailed = 5,
    CError_AsyncCheck = 6,
    CError_SetStateFailed = 7,
    CError_TimeoutsFailed = 8,
    CError_SetupComFailed = 9,
    CError_ClearComFailed = 10,
    CError_ModemStatFailed = 11,
    CError_EscapeComFailed = 12,
    CError_TransmitFailed = 13,
    CError_SyncMeth = 14,
    CError_EnumPortsFailed = 15,
    CError_StoreFailed = 16,
    CError_LoadFailed = 17,
    CError_RegFailed = 18,
    CError_LedStateFailed = 19,
    CError_ThreadCreated = 20,
    CError_WaitFailed = 21,
};

// The fixed text of an error code ("" for a code outside 1..21).
const char *ComErrorText(std::int32_t code);

class EComPort : public fw::Exception {
  public:
    // Without a platform error: the message is the code's text alone.
    explicit EComPort(std::int32_t code);
    // With a platform error: the code's text and " (win error code: N)".
    EComPort(std::int32_t code, std::int32_t platformError);

    std::int32_t ErrorCode() const noexcept { return errorCode_; }
    std::int32_t PlatformError() const noexcept { return platformError_; }

  private:
    std::int32_t platformError_;
    std::int32_t errorCode_;
};

} // namespace cport
