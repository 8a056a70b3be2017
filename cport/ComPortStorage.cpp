// Saving and restoring a port's settings in a settings file or the registry.

#include "ComPort.h"
#include "IniFile.h"
#include "Registry.h"
#include "SettingsKey.h"
#include "ValueTexts.h"

#include <memory>

namespace cport {

namespace {

// Groups in the order their entries are written and read.
constexpr TSettingsGroup kGroupOrder[] = {sgLine, sgMisc, sgParityDetails, sgBuffer, sgTimeouts, sgFlowDetails};

// One store seen through the few operations the entries need, so that the
// entry order is spelled out once for writing and once for reading.
class TStoreWriter {
  public:
    virtual ~TStoreWriter() = default;
    virtual void Text(const char *key, const std::string &value) = 0;
    virtual void Integer(const char *key, std::int32_t value) = 0;
};

class TStoreReader {
  public:
    virtual ~TStoreReader() = default;
    // The stored text, or current when the store has nothing for the key.
    virtual std::string Text(const char *key, const std::string &current) = 0;
    virtual std::int32_t Integer(const char *key, std::int32_t current) = 0;
};

class TIniWriter : public TStoreWriter {
  public:
    TIniWriter(TIniFile &ini, const std::string &section) : ini_(ini), section_(section) {}
    void Text(const char *key, const std::string &value) override { ini_.WriteString(section_, key, value); }
    void Integer(const char *key, std::int32_t value) override { ini_.WriteInteger(section_, key, value); }

  private:
    TIniFile &ini_;
    const std::string &section_;
};

class TIniReader : public TStoreReader {
  public:
    TIniReader(TIniFile &ini, const std::string &section) : ini_(ini), section_(section) {}
    std::string Text(const char *key, const std::string &current) override {
        return ini_.ReadString(section_, key, current);
    }
    std::int32_t Integer(const char *key, std::int32_t current) override {
        return ini_.ReadInteger(section_, key, current);
    }

  private:
    TIniFile &ini_;
    const std::string &section_;
};

class TRegistryWriter : public TStoreWriter {
  public:
    explicit TRegistryWriter(TRegistry &registry) : registry_(registry) {}
    void Text(const char *key, const std::string &value) override { registry_.WriteString(key, value); }
    void Integer(const char *key, std::int32_t value) override { registry_.WriteInteger(key, value); }

  private:
    TRegistry &registry_;
};

// The registry form has no defaults: an absent text reads as empty, an
// absent integer fails.
class TRegistryReader : public TStoreReader {
  public:
    explicit TRegistryReader(TRegistry &registry) : registry_(registry) {}
    std::string Text(const char *key, const std::string &) override { return registry_.ReadString(key); }
    std::int32_t Integer(const char *key, std::int32_t) override { return registry_.ReadInteger(key); }

  private:
    TRegistry &registry_;
};

void WriteEntries(const TCustomComPort &port, TStoreWriter &out) {
    const TSettingsGroups groups = port.StoredGroups();
    for (TSettingsGroup group : kGroupOrder) {
        if (!groups.Contains(group))
            continue;
        switch (group) {
        case sgLine:
            out.Text("Port", port.Port());
            out.Text("BaudRate", BaudRateToText(port.BaudRate()));
            if (port.BaudRate() == brCustom)
                out.Integer("CustomBaudRate", port.CustomBaudRate());
            out.Text("StopBits", StopBitsToText(port.StopBits()));
            out.Text("DataBits", DataBitsToText(port.DataBits()));
            out.Text("Parity", ParityToText(port.Parity().Bits()));
            out.Text("FlowControl", FlowControlToText(port.FlowControl().FlowControl()));
            break;
        case sgMisc:
            out.Text("EventChar", CharToText(port.EventChar()));
            out.Text("DiscardNull", BoolToText(port.DiscardNull()));
            break;
        case sgParityDetails:
            out.Text("Parity.Check", BoolToText(port.Parity().Check()));
            out.Text("Parity.Replace", BoolToText(port.Parity().Replace()));
            out.Text("Parity.ReplaceChar", CharToText(port.Parity().ReplaceChar()));
            break;
        case sgBuffer:
            out.Integer("Buffer.OutputSize", port.Buffer().OutputSize());
            out.Integer("Buffer.InputSize", port.Buffer().InputSize());
            break;
        case sgTimeouts: {
            const TComTimeouts &t = port.Timeouts();
            out.Integer("Timeouts.ReadInterval", t.ReadInterval());
            out.Integer("Timeouts.ReadTotalConstant", t.ReadTotalConstant());
            out.Integer("Timeouts.ReadTotalMultiplier", t.ReadTotalMultiplier());
            out.Integer("Timeouts.WriteTotalConstant", t.WriteTotalConstant());
            out.Integer("Timeouts.WriteTotalMultiplier", t.WriteTotalMultiplier());
            break;
        }
        case sgFlowDetails: {
            const TComFlowControl &f = port.FlowControl();
            out.Text("FlowControl.ControlRTS", RTSControlToText(f.ControlRTS()));
            out.Text("FlowControl.ControlDTR", DTRControlToText(f.ControlDTR()));
            out.Text("FlowControl.DSRSensitivity", BoolToText(f.DSRSensitivity()));
            out.Text("FlowControl.OutCTSFlow", BoolToText(f.OutCTSFlow()));
            out.Text("FlowControl.OutDSRFlow", BoolToText(f.OutDSRFlow()));
            out.Text("FlowControl.TxContinueOnXoff", BoolToText(f.TxContinueOnXoff()));
            out.Text("FlowControl.XonXoffIn", BoolToText(f.XonXoffIn()));
            out.Text("FlowControl.XonXoffOut", BoolToText(f.XonXoffOut()));
            out.Text("FlowControl.XoffChar", CharToText(f.XoffChar()));
            out.Text("FlowControl.XonChar", CharToText(f.XonChar()));
            break;
        }
        }
    }
}

// Each entry is set through the port's ordinary setters, so the port-name
// rule and the flow-control summary act as they do for any caller.
void ReadEntries(TCustomComPort &port, TStoreReader &in) {
    const TSettingsGroups groups = port.StoredGroups();
    for (TSettingsGroup group : kGroupOrder) {
        if (!groups.Contains(group))
            continue;
        switch (group) {
        case sgLine:
            port.SetPort(in.Text("Port", port.Port()));
            port.SetBaudRate(TextToBaudRate(in.Text("BaudRate", BaudRateToText(port.BaudRate()))));
            if (port.BaudRate() == brCustom)
                port.SetCustomBaudRate(in.Integer("CustomBaudRate", 9600));
            port.SetStopBits(TextToStopBits(in.Text("StopBits", StopBitsToText(port.StopBits()))));
            port.SetDataBits(TextToDataBits(in.Text("DataBits", DataBitsToText(port.DataBits()))));
            port.Parity().SetBits(TextToParity(in.Text("Parity", ParityToText(port.Parity().Bits()))));
            port.FlowControl().SetFlowControl(
                TextToFlowControl(in.Text("FlowControl", FlowControlToText(port.FlowControl().FlowControl()))));
            break;
        case sgMisc:
            port.SetEventChar(TextToChar(in.Text("EventChar", CharToText(port.EventChar()))));
            port.SetDiscardNull(TextToBool(in.Text("DiscardNull", BoolToText(port.DiscardNull()))));
            break;
        case sgParityDetails: {
            TComParity &p = port.Parity();
            p.SetCheck(TextToBool(in.Text("Parity.Check", BoolToText(p.Check()))));
            p.SetReplace(TextToBool(in.Text("Parity.Replace", BoolToText(p.Replace()))));
            p.SetReplaceChar(TextToChar(in.Text("Parity.ReplaceChar", CharToText(p.ReplaceChar()))));
            break;
        }
        case sgBuffer: {
            TComBuffer &b = port.Buffer();
            b.SetOutputSize(in.Integer("Buffer.OutputSize", b.OutputSize()));
            b.SetInputSize(in.Integer("Buffer.InputSize", b.InputSize()));
            break;
        }
        case sgTimeouts: {
            TComTimeouts &t = port.Timeouts();
            t.SetReadInterval(in.Integer("Timeouts.ReadInterval", t.ReadInterval()));
            t.SetReadTotalConstant(in.Integer("Timeouts.ReadTotalConstant", t.ReadTotalConstant()));
            t.SetReadTotalMultiplier(in.Integer("Timeouts.ReadTotalMultiplier", t.ReadTotalMultiplier()));
            t.SetWriteTotalConstant(in.Integer("Timeouts.WriteTotalConstant", t.WriteTotalConstant()));
            t.SetWriteTotalMultiplier(in.Integer("Timeouts.WriteTotalMultiplier", t.WriteTotalMultiplier()));
            break;
        }
        case sgFlowDetails: {
            TComFlowControl &f = port.FlowControl();
            f.SetControlRTS(TextToRTSControl(in.Text("FlowControl.ControlRTS", RTSControlToText(f.ControlRTS()))));
            f.SetControlDTR(TextToDTRControl(in.Text("FlowControl.ControlDTR", DTRControlToText(f.ControlDTR()))));
            f.SetDSRSensitivity(TextToBool(in.Text("FlowControl.DSRSensitivity", BoolToText(f.DSRSensitivity()))));
            f.SetOutCTSFlow(TextToBool(in.Text("FlowControl.OutCTSFlow", BoolToText(f.OutCTSFlow()))));
            f.SetOutDSRFlow(TextToBool(in.Text("FlowControl.OutDSRFlow", BoolToText(f.OutDSRFlow()))));
            f.SetTxContinueOnXoff(
                TextToBool(in.Text("FlowControl.TxContinueOnXoff", BoolToText(f.TxContinueOnXoff()))));
            f.SetXonXoffIn(TextToBool(in.Text("FlowControl.XonXoffIn", BoolToText(f.XonXoffIn()))));
            f.SetXonXoffOut(TextToBool(in.Text("FlowControl.XonXoffOut", BoolToText(f.XonXoffOut()))));
            f.SetXoffChar(TextToChar(in.Text("FlowControl.XoffChar", CharToText(f.XoffChar()))));
            f.SetXonChar(TextToChar(in.Text("FlowControl.XonChar", CharToText(f.XonChar()))));
            break;
        }
        }
    }
}

} // namespace

void TCustomComPort::WriteIniKeys(TIniFile &ini) {
    TIniWriter out(ini, Name());
    WriteEntries(*this, out);
}

void TCustomComPort::WriteRegistryValues(TRegistry &registry) {
    TRegistryWriter out(registry);
    WriteEntries(*this, out);
}

void TCustomComPort::ReadIniKeys(TIniFile &ini) {
    TIniReader in(ini, Name());
    ReadEntries(*this, in);
}

void TCustomComPort::ReadRegistryValues(TRegistry &registry) {
    TRegistryReader in(registry);
    ReadEntries(*this, in);
}

void TCustomComPort::SaveSettings(TSettingsLocation location, const std::string &target) {
    try {
        if (location != slRegistry) {
            TIniFile ini(target);
            WriteIniKeys(ini);
        } else {
            TRegistry registry;
            OpenSettingsKey(registry, target, Name());
            // A path that opened no key fails the save even when no entry
            // is to be written.
            if (!registry.HasCurrentKey())
                throw EComPort(CError_StoreFailed);
            WriteRegistryValues(registry);
        }
    } catch (...) {
        throw EComPort(CError_StoreFailed);
    }
}

void TCustomComPort::RestoreSettings(TSettingsLocation location, const std::string &source) {
    BeginSettingsUpdate();
    bool failed = false;
    try {
        if (location != slRegistry) {
            TIniFile ini(source);
            ReadIniKeys(ini);
        } else {
            TRegistry registry;
            OpenSettingsKey(registry, source, Name());
            ReadRegistryValues(registry);
        }
    } catch (...) {
        failed = true;
    }
    if (!failed) {
        EndSettingsUpdate();
        return;
    }
    // The settings read so far stay and reach an open port; the restore
    // failure is what the caller hears of, not a failure to apply them.
    try {
        EndSettingsUpdate();
    } catch (...) {
    }
    throw EComPort(CError_LoadFailed);
}

} // namespace cport
