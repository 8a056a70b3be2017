#include "ComSelect.h"

#include "cport/ComPort.h"
#include "cport/PortList.h"
#include "cport/ValueTexts.h"

namespace cport {

namespace {

template <typename Enum> void AddAll(TComItemList &items, Enum last, std::string (*toText)(Enum)) {
    for (int v = 0; v <= static_cast<int>(last); ++v)
        items.Add(toText(static_cast<Enum>(v)), "");
}

} // namespace

int TComItemList::IndexOf(const std::string &text) const {
    for (int i = 0; i < Count(); ++i)
        if (SameTextAscii(Item(i), text))
            return i;
    return -1;
}

void TComSelect::BindProperty(TComProperty value) {
    comProperty_ = value;
    if (items_ == nullptr)
        return;
    items_->Clear();
    switch (value) {
    case cpNone:
        break;
    case cpPort:
        // Listed afresh on every binding, so that an adapter plugged in since shows up.
        for (const TSerialPortInfo &port : EnumerateSerialPorts())
            items_->Add(port.Name, port.Device);
        break;
    case cpBaudRate:
        AddAll(*items_, br256000, BaudRateToText);
        break;
    case cpDataBits:
        AddAll(*items_, dbEight, DataBitsToText);
        break;
    case cpStopBits:
        AddAll(*items_, sbTwoStopBits, StopBitsToText);
        break;
    case cpParity:
        AddAll(*items_, prSpace, ParityToText);
        break;
    case cpFlowControl:
        AddAll(*items_, fcCustom, FlowControlToText);
        break;
    }
}

void TComSelect::Hold(const std::string &text) {
    switch (comProperty_) {
    case cpNone:
        break;
    case cpPort:
        port_ = text;
        break;
    case cpBaudRate:
        baudRate_ = TextToBaudRate(text);
        break;
    case cpDataBits:
        dataBits_ = TextToDataBits(text);
        break;
    case cpStopBits:
        stopBits_ = TextToStopBits(text);
        break;
    case cpParity:
        parity_ = TextToParity(text);
        break;
    case cpFlowControl:
        flowControl_ = TextToFlowControl(text);
        break;
    }
}

void TComSelect::AcceptChoice(const std::string &text) {
    Hold(text);
    if (autoApply_)
        ApplyChoice();
}

void TComSelect::ApplyChoice() {
    if (comPort_ == nullptr)
        return;
    switch (comProperty_) {
    case cpNone:
        break;
    case cpPort:
        // An empty name was never picked: it only means the port's name was
        // not listed, and writing it would silently move the port to COM1.
        if (!port_.empty())
            comPort_->SetPort(port_);
        break;
    case cpBaudRate:
        comPort_->SetBaudRate(baudRate_);
        break;
    case cpDataBits:
        comPort_->SetDataBits(dataBits_);
        break;
    case cpStopBits:
        comPort_->SetStopBits(stopBits_);
        break;
    case cpParity:
        comPort_->Parity().SetBits(parity_);
        break;
    case cpFlowControl:
        comPort_->FlowControl().SetFlowControl(flowControl_);
        break;
    }
}

std::string TComSelect::CurrentValueText() const {
    switch (comProperty_) {
    case cpPort:
        return comPort_->Port();
    case cpBaudRate:
        return BaudRateToText(comPort_->BaudRate());
    case cpDataBits:
        return DataBitsToText(comPort_->DataBits());
    case cpStopBits:
        return StopBitsToText(comPort_->StopBits());
    case cpParity:
        return ParityToText(comPort_->Parity().Bits());
    case cpFlowControl:
        return FlowControlToText(comPort_->FlowControl().FlowControl());
    case cpNone:
        break;
    }
    return {};
}

void TComSelect::FindCurrentValue(int &Index) {
    if (comPort_ == nullptr || comProperty_ == cpNone || items_ == nullptr)
        return;
    Index = items_->IndexOf(CurrentValueText());
    if (Index != -1)
        Hold(items_->Item(Index));
}

} // namespace cport
