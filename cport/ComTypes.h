#pragma once

#include "framework/Events.h"
#include "framework/Set.h"

#include <cstdint>
#include <functional>
#include <string>

namespace cport {

enum TBaudRate : std::uint8_t {
    brCustom,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum TDataBits : std::uint8_t { dbFive, dbSix, dbSeven, dbEight };
enum TStopBits : std::uint8_t { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TParityBits : std::uint8_t { prNone, prOdd, prEven, prMark, prSpace };
enum TDTRFlowControl : std::uint8_t { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl : std::uint8_t { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TFlowControl : std::uint8_t { fcHardware, fcSoftware, fcNone, fcCustom };
enum TComEvent : std::uint8_t {
    evRxChar,
    evTxEmpty,
    evRxFlag,
    evRing,
    evBreak,
    evCTS,
    evDSR,
    evError,
    evRLSD,
    evRx80Full
};
using TComEvents = fw::TSet<TComEvent, std::uint16_t>;
enum TSyncMethod : std::uint8_t { smThreadSync, smWindowSync, smNone };

enum TComLineSignal : std::uint8_t { sigCTS, sigDSR, sigRing, sigRLSD };
using TComLineSignals = fw::TSet<TComLineSignal, std::uint8_t>;

enum TComError : std::uint8_t { errFrame, errRxParity, errOverrun, errBreak, errIO, errMode, errRxOver, errTxFull };
using TComErrors = fw::TSet<TComError, std::uint8_t>;

enum TSettingsLocation : std::uint8_t { slRegistry, slIniFile };
enum TSettingsGroup : std::uint8_t { sgLine, sgFlowDetails, sgBuffer, sgTimeouts, sgParityDetails, sgMisc };
using TSettingsGroups = fw::TSet<TSettingsGroup, std::uint8_t>;

constexpr TComEvents AllComEvents() {
    return {evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD, evRx80Full};
}

// The rate in bits per second that a baud-rate value stands for; brCustom has none (0).
std::int32_t BaudRateValue(TBaudRate rate);

// Platform event-mask bits, one per event.
std::uint32_t EventsToMask(TComEvents events);
TComEvents MaskToEvents(std::uint32_t mask);
std::uint32_t EventToMask(TComEvent event);

// Port events and listener callbacks. Sender is always the port.
using TRxCharEvent = std::function<void(fw::TComponent *Sender, std::int32_t Count)>;
using TRxBufEvent = std::function<void(fw::TComponent *Sender, const char *Buffer, std::int32_t Count)>;
using TComSignalEvent = std::function<void(fw::TComponent *Sender, bool OnOff)>;
using TComErrorEvent = std::function<void(fw::TComponent *Sender, TComErrors Errors)>;
using TComActivityEvent = std::function<void(fw::TComponent *Sender, bool Active)>;

// A listener registered with a port. Whoever creates it owns it; the port
// calls only the callbacks that are assigned, in registration order.
class TComLink {
  public:
    TRxBufEvent OnRxBuf;
    TComSignalEvent OnCTSChange;
    TComSignalEvent OnDSRChange;
    TComSignalEvent OnRLSDChange;
    fw::TNotifyEvent OnRing;
    TComActivityEvent OnTxActivity;
    TComActivityEvent OnRxActivity;
};

} // namespace cport
