#pragma once

#include "ComDevice.h"
#include "ComError.h"
#include "ComSettings.h"
#include "ComTypes.h"
#include "framework/Component.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace cport {

class TComThread;
class TIniFile;
class TRegistry;
class TCustomComPort;

// Runs the port's setup dialog; the user-interface library registers it so
// that the engine itself needs no windowing toolkit.
using TSettingsDialogRunner = std::function<void(TCustomComPort &port)>;

// The one serial port: its settings, the open device, the listeners and the
// event thread that feeds them.
class TCustomComPort : public fw::TComponent {
  public:
    explicit TCustomComPort(fw::TComponent *owner = nullptr);
    ~TCustomComPort() override;

    std::string ClassName() const override { return "TCustomComPort"; }

    // --- open state ---
    void Open();
    void Close();
    bool Connected() const { return connected_; }
    void SetConnected(bool value);

    // --- settings ---
    TBaudRate BaudRate() const { return line_.BaudRate; }
    void SetBaudRate(TBaudRate value);
    std::int32_t CustomBaudRate() const { return line_.CustomBaudRate; }
    void SetCustomBaudRate(std::int32_t value);
    const std::string &Port() const { return port_; }
    void SetPort(const std::string &value);
    TStopBits StopBits() const { return line_.StopBits; }
    void SetStopBits(TStopBits value);
    TDataBits DataBits() const { return line_.DataBits; }
    void SetDataBits(TDataBits value);
    bool DiscardNull() const { return line_.DiscardNull; }
    void SetDiscardNull(bool value);
    char EventChar() const { return line_.EventChar; }
    void SetEventChar(char value);
    TComEvents Events() const { return events_; }
    void SetEvents(TComEvents value) { events_ = value; }
    TSyncMethod SyncMethod() const { return syncMethod_; }
    void SetSyncMethod(TSyncMethod value);
    TSettingsGroups StoredGroups() const { return storedGroups_; }
    void SetStoredGroups(TSettingsGroups value) { storedGroups_ = value; }

    // The port's own group objects; setters copy the given object's fields
    // into them and re-apply the group.
    TComBuffer &Buffer() { return *buffer_; }
    const TComBuffer &Buffer() const { return *buffer_; }
    void SetBuffer(const TComBuffer &value);
    TComParity &Parity() { return *parity_; }
    const TComParity &Parity() const { return *parity_; }
    void SetParity(const TComParity &value);
    TComTimeouts &Timeouts() { return *timeouts_; }
    const TComTimeouts &Timeouts() const { return *timeouts_; }
    void SetTimeouts(const TComTimeouts &value);
    TComFlowControl &FlowControl() { return *flowControl_; }
    const TComFlowControl &FlowControl() const { return *flowControl_; }
    void SetFlowControl(const TComFlowControl &value);

    // The values the next apply hands to the platform.
    TDeviceControlBlock DeviceControlBlock() const;
    TCommTimeoutsBlock TimeoutsBlock() const;

    void BeginSettingsUpdate();
    void EndSettingsUpdate();

    // Apply operations: do nothing unless open, outside a settings update,
    // and neither designing nor loading.
    virtual void ApplyDeviceState();
    virtual void ApplyTimeouts();
    virtual void ApplyBufferSizes();
    virtual void ApplySettings();

    // --- I/O ---
    // Writes the whole text in one request and waits until it has gone out or
    // the write timeout expired; returns the bytes transferred.
    std::int32_t WriteString(const std::string &text);
    std::int32_t Write(const char *buffer, std::int32_t count);
    // Reads what is waiting, up to count bytes, without blocking (default timeouts).
    std::int32_t Read(char *buffer, std::int32_t count);
    std::int32_t ReadString(std::string &text, std::int32_t count);
    std::int32_t StartWrite(const char *buffer, std::int32_t count, TAsyncOperation *op);
    std::int32_t StartRead(char *buffer, std::int32_t count, TAsyncOperation *op);
    std::int32_t WaitForCompletion(TAsyncOperation *op);

    std::int32_t InputQueueCount();
    TComLineSignals ReadSignals();
    TComErrors ReadLineErrors();
    void SetDTR(bool on);
    void AbortPendingIO();

    // --- listeners ---
    void AddLink(TComLink *link);
    void RemoveLink(TComLink *link);
    const std::vector<TComLink *> &Links() const { return links_; }

    // --- settings storage ---
    void SaveSettings(TSettingsLocation location, const std::string &target);
    void RestoreSettings(TSettingsLocation location, const std::string &source);
    virtual void WriteRegistryValues(TRegistry &registry);
    virtual void WriteIniKeys(TIniFile &ini);
    virtual void ReadRegistryValues(TRegistry &registry);
    virtual void ReadIniKeys(TIniFile &ini);

    // Runs the setup dialog the user-interface library registered, if any.
    void ShowSettingsDialog();
    static void RegisterSettingsDialog(TSettingsDialogRunner runner);

    // --- events ---
    fw::TNotifyEvent OnAfterOpen;
    fw::TNotifyEvent OnAfterClose;
    fw::TNotifyEvent OnBeforeOpen;
    fw::TNotifyEvent OnBeforeClose;
    TRxCharEvent OnRxChar;
    TRxBufEvent OnRxBuf;
    fw::TNotifyEvent OnTxEmpty;
    fw::TNotifyEvent OnBreak;
    fw::TNotifyEvent OnRing;
    TComSignalEvent OnCTSChange;
    TComSignalEvent OnDSRChange;
    TComSignalEvent OnRLSDChange;
    fw::TNotifyEvent OnRxFlag;
    TComErrorEvent OnError;
    fw::TNotifyEvent OnRx80Full;

    // Handles one batch of line events in the delivering thread.
    void DispatchEvents(TComEvents events);
    // Runs the handler of a single event (the per-event delivery path).
    void HandleEvent(TComEvent event);

    // The open device, for the event thread; null while closed.
    TComDevice *Device() const { return device_.get(); }

  protected:
    void AfterLoad() override;

    virtual void OpenDevice();
    virtual void CloseDevice();
    // For a derived port whose OpenDevice opens a device of its own making.
    void AttachDevice(std::unique_ptr<TComDevice> device) { device_ = std::move(device); }

    // Event-firing operations; a derived port may replace them.
    virtual void DoAfterOpen();
    virtual void DoAfterClose();
    virtual void DoBeforeOpen();
    virtual void DoBeforeClose();
    virtual void DoRxChar(std::int32_t count);
    virtual void DoRxBuf(const char *buffer, std::int32_t count);
    virtual void DoTxEmpty();
    virtual void DoBreak();
    virtual void DoRing();
    virtual void DoCTSChange(bool onOff);
    virtual void DoDSRChange(bool onOff);
    virtual void DoRLSDChange(bool onOff);
    virtual void DoRxFlag();
    virtual void DoError(TComErrors errors);
    virtual void DoRx80Full();

  private:
    class TDeliveryScope;
    bool InsideDelivery() const;
    void ReapRetired(bool wait);
    template <typename T> void SetLineSetting(T &field, T value);
    bool CanApply() const;
    // Raises the error of a failed platform call; a device that reports it
    // is gone is closed first.
    [[noreturn]] void Fail(std::int32_t code, std::int32_t platformError);
    void CallLinks(const std::function<void(TComLink &)> &call);
    void HandleRxChar();
    void HandleSignal(TComLineSignal signal);
    void ReportLineState();

    std::unique_ptr<TComThread> eventThread_;
    bool threadCreated_ = false;
    // An event thread (with its device) that was told to stop by a Close
    // from inside one of its own deliveries; it ends once that delivery has
    // returned and is joined later.
    struct TRetiredThread {
        std::unique_ptr<TComThread> thread;
        std::unique_ptr<TComDevice> device;
    };
    std::vector<TRetiredThread> retired_;
    bool closing_ = false;
    bool opening_ = false;
    bool deviceGone_ = false; // closing because the device reported it is gone
    std::atomic<int> deliveryDepth_{0};
    std::atomic<std::thread::id> deliveryThread_{};
    std::unique_ptr<TComDevice> device_;
    std::int32_t updateCount_ = 0;
    std::vector<TComLink *> links_;
    bool connected_ = false;

    TLineSettings line_;
    std::string port_ = "COM1";
    TComEvents events_ = AllComEvents();
    TSyncMethod syncMethod_ = smThreadSync;
    TSettingsGroups storedGroups_{sgLine};
    std::unique_ptr<TComBuffer> buffer_;
    std::unique_ptr<TComParity> parity_;
    std::unique_ptr<TComTimeouts> timeouts_;
    std::unique_ptr<TComFlowControl> flowControl_;
};

// Publishes every setting and event; behaviour is all in the base.
class TComPort : public TCustomComPort {
  public:
    using TCustomComPort::TCustomComPort;
    std::string ClassName() const override { return "TComPort"; }
};

} // namespace cport
