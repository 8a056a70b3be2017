#pragma once

#include "cport/ComTypes.h"

#include <cstdint>
#include <string>

namespace cport {

class TCustomComPort;

// The port setting a selection box is bound to.
enum TComProperty : std::uint8_t { cpNone, cpPort, cpBaudRate, cpDataBits, cpStopBits, cpParity, cpFlowControl };

// The item list of a selection box, as the selection logic sees it.
class TComItemList {
  public:
    virtual ~TComItemList() = default;
    virtual void Clear() = 0;
    // detail is shown alongside the item (the device behind a port name); may be empty.
    virtual void Add(const std::string &text, const std::string &detail) = 0;
    virtual int Count() const = 0;
    virtual std::string Item(int index) const = 0;

    // Position of the item with the whole text, ASCII letter case ignored; -1 when none.
    int IndexOf(const std::string &text) const;
};

// The binding of one box to one setting of one port, and the value picked for
// it, held apart from what the box displays until it is applied.
class TComSelect {
  public:
    TComItemList *Items() const { return items_; }
    void SetItems(TComItemList *items) { items_ = items; }
    TComProperty ComProperty() const { return comProperty_; }
    TCustomComPort *ComPort() const { return comPort_; }
    void SetComPort(TCustomComPort *port) { comPort_ = port; }
    bool AutoApply() const { return autoApply_; }
    void SetAutoApply(bool value) { autoApply_ = value; }

    const std::string &Port() const { return port_; }
    TBaudRate BaudRate() const { return baudRate_; }
    TDataBits DataBits() const { return dataBits_; }
    TStopBits StopBits() const { return stopBits_; }
    TParityBits Parity() const { return parity_; }
    TFlowControl FlowControl() const { return flowControl_; }

    // Binds the setting and refills the items with its values' texts.
    void BindProperty(TComProperty value);
    // Holds the value the text stands for; applies it at once with AutoApply.
    void AcceptChoice(const std::string &text);
    // Writes the held value into the bound port.
    void ApplyChoice();
    // Sets Index to the item showing the port's current value (-1 when it is
    // not listed) and holds that value; leaves Index alone when unbound.
    void FindCurrentValue(int &Index);

  private:
    std::string CurrentValueText() const;
    void Hold(const std::string &text);

    std::string port_;
    TBaudRate baudRate_ = brCustom;
    TDataBits dataBits_ = dbFive;
    TStopBits stopBits_ = sbOneStopBit;
    TParityBits parity_ = prNone;
    TFlowControl flowControl_ = fcHardware;
    TComItemList *items_ = nullptr;
    TComProperty comProperty_ = cpNone;
    TCustomComPort *comPort_ = nullptr;
    bool autoApply_ = false;
};

} // namespace cport
