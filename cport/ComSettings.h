#pragma once

#include "ComTypes.h"
#include "framework/Persistent.h"

#include <cstdint>
#include <string>

namespace cport {

class TCustomComPort;

// Base of the four setting groups: remembers the port that owns it, if any.
// A group without an owner (a copy being edited) applies nothing.
class TComSettingsGroup : public fw::TPersistent {
  public:
    TCustomComPort *ComPort() const { return owner_; }
    void SetOwnerPort(TCustomComPort *port) { owner_ = port; }

  protected:
    TComSettingsGroup() = default;
    TComSettingsGroup(const TComSettingsGroup &) = default;
    TComSettingsGroup &operator=(const TComSettingsGroup &) = default;

  private:
    TCustomComPort *owner_ = nullptr;
};

class TComTimeouts : public TComSettingsGroup {
  public:
    std::string ClassName() const override { return "TComTimeouts"; }

    std::int32_t ReadInterval() const { return readInterval_; }
    std::int32_t ReadTotalMultiplier() const { return readTotalMultiplier_; }
    std::int32_t ReadTotalConstant() const { return readTotalConstant_; }
    std::int32_t WriteTotalMultiplier() const { return writeTotalMultiplier_; }
    std::int32_t WriteTotalConstant() const { return writeTotalConstant_; }
    void SetReadInterval(std::int32_t v) { Set(readInterval_, v); }
    void SetReadTotalMultiplier(std::int32_t v) { Set(readTotalMultiplier_, v); }
    void SetReadTotalConstant(std::int32_t v) { Set(readTotalConstant_, v); }
    void SetWriteTotalMultiplier(std::int32_t v) { Set(writeTotalMultiplier_, v); }
    void SetWriteTotalConstant(std::int32_t v) { Set(writeTotalConstant_, v); }

  protected:
    void AssignTo(fw::TPersistent &dest) const override;

  private:
    void Set(std::int32_t &field, std::int32_t v);
    std::int32_t readInterval_ = -1;
    std::int32_t readTotalMultiplier_ = 0;
    std::int32_t readTotalConstant_ = 0;
    std::int32_t writeTotalMultiplier_ = 100;
    std::int32_t writeTotalConstant_ = 1000;
};

class TComFlowControl : public TComSettingsGroup {
  public:
    std::string ClassName() const override { return "TComFlowControl"; }

    bool OutCTSFlow() const { return outCTSFlow_; }
    bool OutDSRFlow() const { return outDSRFlow_; }
    TDTRFlowControl ControlDTR() const { return controlDTR_; }
    TRTSFlowControl ControlRTS() const { return controlRTS_; }
    bool XonXoffOut() const { return xonXoffOut_; }
    bool XonXoffIn() const { return xonXoffIn_; }
    bool DSRSensitivity() const { return dsrSensitivity_; }
    bool TxContinueOnXoff() const { return txContinueOnXoff_; }
    char XonChar() const { return xonChar_; }
    char XoffChar() const { return xoffChar_; }
    void SetOutCTSFlow(bool v) { Set(outCTSFlow_, v); }
    void SetOutDSRFlow(bool v) { Set(outDSRFlow_, v); }
    void SetControlDTR(TDTRFlowControl v) { Set(controlDTR_, v); }
    void SetControlRTS(TRTSFlowControl v) { Set(controlRTS_, v); }
    void SetXonXoffOut(bool v) { Set(xonXoffOut_, v); }
    void SetXonXoffIn(bool v) { Set(xonXoffIn_, v); }
    void SetDSRSensitivity(bool v) { Set(dsrSensitivity_, v); }
    void SetTxContinueOnXoff(bool v) { Set(txContinueOnXoff_, v); }
    void SetXonChar(char v) { Set(xonChar_, v); }
    void SetXoffChar(char v) { Set(xoffChar_, v); }

    // The summary of the flags: derived on reading, spread over the flags on
    // writing (always re-applied, even for fcCustom, which changes no flag).
    TFlowControl FlowControl() const;
    void SetFlowControl(TFlowControl v);

  protected:
    void AssignTo(fw::TPersistent &dest) const override;

  private:
    template <typename T> void Set(T &field, T v) {
        if (field == v)
            return;
        field = v;
        Apply();
    }
    void Apply();
    bool outCTSFlow_ = false;
    bool outDSRFlow_ = false;
    TDTRFlowControl controlDTR_ = dtrDisable;
    TRTSFlowControl controlRTS_ = rtsDisable;
    bool xonXoffOut_ = false;
    bool xonXoffIn_ = false;
    bool dsrSensitivity_ = false;
    bool txContinueOnXoff_ = false;
    char xonChar_ = 17;
    char xoffChar_ = 19;
};

class TComParity : public TComSettingsGroup {
  public:
    std::string ClassName() const override { return "TComParity"; }

    TParityBits Bits() const { return bits_; }
    bool Check() const { return check_; }
    bool Replace() const { return replace_; }
    char ReplaceChar() const { return replaceChar_; }
    void SetBits(TParityBits v) { Set(bits_, v); }
    void SetCheck(bool v) { Set(check_, v); }
    void SetReplace(bool v) { Set(replace_, v); }
    void SetReplaceChar(char v) { Set(replaceChar_, v); }

  protected:
    void AssignTo(fw::TPersistent &dest) const override;

  private:
    template <typename T> void Set(T &field, T v) {
        if (field == v)
            return;
        field = v;
        Apply();
    }
    void Apply();
    TParityBits bits_ = prNone;
    bool check_ = false;
    bool replace_ = false;
    char replaceChar_ = 0;
};

class TComBuffer : public TComSettingsGroup {
  public:
    std::string ClassName() const override { return "TComBuffer"; }

    std::int32_t InputSize() const { return inputSize_; }
    std::int32_t OutputSize() const { return outputSize_; }
    // A positive odd size is lowered to the even size below it.
    void SetInputSize(std::int32_t v) { Set(inputSize_, v); }
    void SetOutputSize(std::int32_t v) { Set(outputSize_, v); }

  protected:
    void AssignTo(fw::TPersistent &dest) const override;

  private:
    void Set(std::int32_t &field, std::int32_t v);
    std::int32_t inputSize_ = 1024;
    std::int32_t outputSize_ = 1024;
};

// Flags word of the device-control block.
namespace dcb {
constexpr std::uint32_t fBinary = 0x0001;
constexpr std::uint32_t fParity = 0x0002;
constexpr std::uint32_t fOutxCtsFlow = 0x0004;
constexpr std::uint32_t fOutxDsrFlow = 0x0008;
constexpr std::uint32_t fDtrControlShift = 4; // 2 bits
constexpr std::uint32_t fDtrControlMask = 0x0030;
constexpr std::uint32_t fDsrSensitivity = 0x0040;
constexpr std::uint32_t fTXContinueOnXoff = 0x0080;
constexpr std::uint32_t fOutX = 0x0100;
constexpr std::uint32_t fInX = 0x0200;
constexpr std::uint32_t fErrorChar = 0x0400;
constexpr std::uint32_t fNull = 0x0800;
constexpr std::uint32_t fRtsControlShift = 12; // 2 bits
constexpr std::uint32_t fRtsControlMask = 0x3000;
constexpr std::uint32_t fAbortOnError = 0x4000;
} // namespace dcb

// The line configuration handed to the platform, field for field as the
// Win32 DCB so the values can be checked without a device.
struct TDeviceControlBlock {
    std::uint32_t DCBlength = 28;
    std::uint32_t BaudRate = 0;
    std::uint32_t Flags = 0;
    std::uint16_t wReserved = 0;
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 0;
    std::uint8_t Parity = 0;
    std::uint8_t StopBits = 0;
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    std::uint16_t wReserved1 = 0;

    std::uint32_t DtrControl() const { return (Flags & dcb::fDtrControlMask) >> dcb::fDtrControlShift; }
    std::uint32_t RtsControl() const { return (Flags & dcb::fRtsControlMask) >> dcb::fRtsControlShift; }
    bool operator==(const TDeviceControlBlock &) const = default;
};

struct TCommTimeoutsBlock {
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
    bool operator==(const TCommTimeoutsBlock &) const = default;
};

struct TLineSettings {
    TBaudRate BaudRate = br9600;
    std::int32_t CustomBaudRate = 9600;
    TDataBits DataBits = dbEight;
    TStopBits StopBits = sbOneStopBit;
    bool DiscardNull = false;
    char EventChar = 0;
};

TDeviceControlBlock BuildDeviceControlBlock(const TLineSettings &line, const TComParity &parity,
                                            const TComFlowControl &flow, const TComBuffer &buffer);
TCommTimeoutsBlock BuildTimeoutsBlock(const TComTimeouts &timeouts);

// "COM%d" with a number from 1 to 16; anything else names COM1.
std::string NormalizePortName(const std::string &name);

} // namespace cport
