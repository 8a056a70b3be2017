#include "ComSettings.h"

#include "ComPort.h"

#include <cctype>
#include <charconv>

namespace cport {

// --- TComTimeouts ---

void TComTimeouts::Set(std::int32_t &field, std::int32_t v) {
    if (field == v)
        return;
    field = v;
    if (ComPort())
        ComPort()->ApplyTimeouts();
}

void TComTimeouts::AssignTo(fw::TPersistent &dest) const {
    if (auto *d = dynamic_cast<TComTimeouts *>(&dest)) {
        d->readInterval_ = readInterval_;
        d->readTotalMultiplier_ = readTotalMultiplier_;
        d->readTotalConstant_ = readTotalConstant_;
        d->writeTotalMultiplier_ = writeTotalMultiplier_;
        d->writeTotalConstant_ = writeTotalConstant_;
        return;
    }
    TComSettingsGroup::AssignTo(dest);
}

// --- TComFlowControl ---

void TComFlowControl::Apply() {
    if (ComPort())
        ComPort()->ApplyDeviceState();
}

TFlowControl TComFlowControl::FlowControl() const {
    if (controlRTS_ == rtsHandshake && outCTSFlow_ && !xonXoffIn_ && !xonXoffOut_)
        return fcHardware;
    if (controlRTS_ == rtsDisable && !outCTSFlow_ && xonXoffIn_ && xonXoffOut_)
        return fcSoftware;
    if (controlRTS_ == rtsDisable && !outCTSFlow_ && !xonXoffIn_ && !xonXoffOut_)
        return fcNone;
    return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl v) {
    if (v != fcCustom) {
        controlRTS_ = rtsDisable;
        outCTSFlow_ = false;
        xonXoffIn_ = false;
        xonXoffOut_ = false;
        if (v == fcHardware) {
            controlRTS_ = rtsHandshake;
            outCTSFlow_ = true;
        } else if (v == fcSoftware) {
            xonXoffIn_ = true;
            xonXoffOut_ = true;
        }
    }
    Apply();
}

void TComFlowControl::AssignTo(fw::TPersistent &dest) const {
    if (auto *d = dynamic_cast<TComFlowControl *>(&dest)) {
        d->outCTSFlow_ = outCTSFlow_;
        d->outDSRFlow_ = outDSRFlow_;
        d->controlDTR_ = controlDTR_;
        d->controlRTS_ = controlRTS_;
        d->xonXoffOut_ = xonXoffOut_;
        d->xonXoffIn_ = xonXoffIn_;
        d->dsrSensitivity_ = dsrSensitivity_;
        d->txContinueOnXoff_ = txContinueOnXoff_;
        d->xonChar_ = xonChar_;
        d->xoffChar_ = xoffChar_;
        return;
    }
    TComSettingsGroup::AssignTo(dest);
}

// --- TComParity ---

void TComParity::Apply() {
    if (ComPort())
        ComPort()->ApplyDeviceState();
}

void TComParity::AssignTo(fw::TPersistent &dest) const {
    if (auto *d = dynamic_cast<TComParity *>(&dest)) {
        d->bits_ = bits_;
        d->check_ = check_;
        d->replace_ = replace_;
        d->replaceChar_ = replaceChar_;
        return;
    }
    TComSettingsGroup::AssignTo(dest);
}

// --- TComBuffer ---

void TComBuffer::Set(std::int32_t &field, std::int32_t v) {
    if (field == v)
        return;
    field = v;
    // The device wants even queue sizes.
    if (field > 0 && field % 2 == 1)
        --field;
    if (ComPort())
        ComPort()->ApplyBufferSizes();
}

void TComBuffer::AssignTo(fw::TPersistent &dest) const {
    if (auto *d = dynamic_cast<TComBuffer *>(&dest)) {
        d->inputSize_ = inputSize_;
        d->outputSize_ = outputSize_;
        return;
    }
    TComSettingsGroup::AssignTo(dest);
}

// --- blocks handed to the platform ---

TDeviceControlBlock BuildDeviceControlBlock(const TLineSettings &line, const TComParity &parity,
                                            const TComFlowControl &flow, const TComBuffer &buffer) {
    TDeviceControlBlock b;
    b.DCBlength = 28;
    b.BaudRate = line.BaudRate == brCustom ? static_cast<std::uint32_t>(line.CustomBaudRate)
                                           : static_cast<std::uint32_t>(BaudRateValue(line.BaudRate));
    const bool replace = parity.Check() && parity.Replace();
    std::uint32_t f = dcb::fBinary;
    if (parity.Check())
        f |= dcb::fParity;
    if (flow.OutCTSFlow())
        f |= dcb::fOutxCtsFlow;
    if (flow.OutDSRFlow())
        f |= dcb::fOutxDsrFlow;
    f |= static_cast<std::uint32_t>(flow.ControlDTR()) << dcb::fDtrControlShift;
    if (flow.DSRSensitivity())
        f |= dcb::fDsrSensitivity;
    if (flow.TxContinueOnXoff())
        f |= dcb::fTXContinueOnXoff;
    if (flow.XonXoffOut())
        f |= dcb::fOutX;
    if (flow.XonXoffIn())
        f |= dcb::fInX;
    if (replace)
        f |= dcb::fErrorChar;
    if (line.DiscardNull)
        f |= dcb::fNull;
    f |= static_cast<std::uint32_t>(flow.ControlRTS()) << dcb::fRtsControlShift;
    b.Flags = f;
    // The platform field is 16 bits wide; the quarter of a 32-bit size is cut to it.
    b.XonLim = static_cast<std::uint16_t>(buffer.InputSize() / 4);
    b.XoffLim = b.XonLim;
    b.ByteSize = static_cast<std::uint8_t>(5 + line.DataBits);
    b.Parity = parity.Bits();
    b.StopBits = line.StopBits;
    b.XonChar = flow.XonChar();
    b.XoffChar = flow.XoffChar();
    b.ErrorChar = replace ? parity.ReplaceChar() : 0;
    b.EofChar = 0;
    b.EvtChar = line.EventChar;
    return b;
}

TCommTimeoutsBlock BuildTimeoutsBlock(const TComTimeouts &t) {
    TCommTimeoutsBlock b;
    b.ReadIntervalTimeout = static_cast<std::uint32_t>(t.ReadInterval());
    b.ReadTotalTimeoutMultiplier = static_cast<std::uint32_t>(t.ReadTotalMultiplier());
    b.ReadTotalTimeoutConstant = static_cast<std::uint32_t>(t.ReadTotalConstant());
    b.WriteTotalTimeoutMultiplier = static_cast<std::uint32_t>(t.WriteTotalMultiplier());
    b.WriteTotalTimeoutConstant = static_cast<std::uint32_t>(t.WriteTotalConstant());
    return b;
}

std::string NormalizePortName(const std::string &name) {
    std::string s = name;
    if (s.size() >= 3 && std::toupper(static_cast<unsigned char>(s[0])) == 'C' &&
        std::toupper(static_cast<unsigned char>(s[1])) == 'O' && std::toupper(static_cast<unsigned char>(s[2])) == 'M')
        s = s.substr(3);
    // A decimal number with an optional sign and nothing else; anything else counts as 1.
    long long n = 1;
    const char *first = s.data();
    const char *last = s.data() + s.size();
    if (first != last && *first == '+')
        ++first;
    if (first == last) {
        n = 1;
    } else {
        long long v = 0;
        auto [ptr, ec] = std::from_chars(first, last, v);
        n = (ec == std::errc() && ptr == last) ? v : 1;
    }
    if (n < 1 || n > 16)
        n = 1;
    return "COM" + std::to_string(n);
}

} // namespace cport
