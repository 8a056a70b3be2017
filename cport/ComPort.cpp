#include "ComPort.h"

#include "ComThread.h"
#include "framework/ExceptionHandler.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace cport {

namespace {
constexpr TComEvent kDispatchOrder[] = {evRxChar, evTxEmpty, evBreak, evRing,  evCTS,
                                        evDSR,    evRxFlag,  evRLSD,  evError, evRx80Full};

TSettingsDialogRunner &DialogRunner() {
    static TSettingsDialogRunner runner;
    return runner;
}
} // namespace

TCustomComPort::TCustomComPort(fw::TComponent *owner)
    : fw::TComponent(owner), buffer_(std::make_unique<TComBuffer>()), parity_(std::make_unique<TComParity>()),
      timeouts_(std::make_unique<TComTimeouts>()), flowControl_(std::make_unique<TComFlowControl>()) {
    buffer_->SetOwnerPort(this);
    parity_->SetOwnerPort(this);
    timeouts_->SetOwnerPort(this);
    flowControl_->SetOwnerPort(this);
}

TCustomComPort::~TCustomComPort() {
    try {
        Close();
    } catch (...) {
        // A failed purge leaves the port open; the device goes with the object all the same.
        eventThread_.reset();
        device_.reset();
        connected_ = false;
    }
    ReapRetired(true);
    // Listeners unregister their links when told, so the list must still exist.
    NotifyRemoval();
}

// --- open and close ---

void TCustomComPort::SetConnected(bool value) {
    if (IsDesigning() || IsLoading()) {
        connected_ = value;
        return;
    }
    if (value == connected_)
        return;
    if (value)
        Open();
    else
        Close();
}

void TCustomComPort::Open() {
    if (connected_ || IsDesigning())
        return;
    // Outside a delivery a retired thread has nothing left to wait for: join it,
    // so its device lets go of the line before it is opened again.
    ReapRetired(!InsideDelivery());
    DoBeforeOpen();
    OpenDevice();
    connected_ = true;
    try {
        // A failure here closes the device quietly, whatever its kind.
        opening_ = true;
        ApplySettings();
        opening_ = false;
    } catch (...) {
        opening_ = false;
        CloseDevice();
        connected_ = false;
        throw;
    }
    if (events_.Empty()) {
        threadCreated_ = false;
    } else {
        // The hidden event window of smWindowSync is this thread's own queue of pending calls.
        eventThread_ = std::make_unique<TComThread>(this, std::this_thread::get_id());
        threadCreated_ = true;
        eventThread_->Start();
    }
    DoAfterOpen();
    ReportLineState();
}

void TCustomComPort::ReportLineState() {
    HandleSignal(sigCTS);
    HandleSignal(sigDSR);
    HandleSignal(sigRLSD);
}

// Marks the thread that is running a delivery, so that a Close from a
// handler knows it must not wait for the event thread that waits for it.
class TCustomComPort::TDeliveryScope {
  public:
    explicit TDeliveryScope(TCustomComPort &port) : port_(port), outerThread_(port.deliveryThread_.load()) {
        port_.deliveryThread_ = std::this_thread::get_id();
        ++port_.deliveryDepth_;
    }
    ~TDeliveryScope() {
        --port_.deliveryDepth_;
        port_.deliveryThread_ = outerThread_;
    }
    TDeliveryScope(const TDeliveryScope &) = delete;
    TDeliveryScope &operator=(const TDeliveryScope &) = delete;

  private:
    TCustomComPort &port_;
    std::thread::id outerThread_;
};

bool TCustomComPort::InsideDelivery() const {
    return deliveryDepth_.load() > 0 && deliveryThread_.load() == std::this_thread::get_id();
}

void TCustomComPort::ReapRetired(bool wait) {
    for (auto it = retired_.begin(); it != retired_.end();) {
        if (!wait && !it->thread->Finished()) {
            ++it;
            continue;
        }
        it->thread.reset(); // joins; the device it used goes after it
        it = retired_.erase(it);
    }
}

void TCustomComPort::Close() {
    // A handler that closes while this close serves its delivery finds the
    // close already under way.
    if (!connected_ || IsDesigning() || closing_)
        return;
    closing_ = true;
    struct TClosingReset {
        bool &flag;
        ~TClosingReset() { flag = false; }
    } closingReset{closing_};
    DoBeforeClose();
    CallLinks([this](TComLink &l) { fw::Fire(l.OnCTSChange, this, false); });
    CallLinks([this](TComLink &l) { fw::Fire(l.OnDSRChange, this, false); });
    CallLinks([this](TComLink &l) { fw::Fire(l.OnRLSDChange, this, false); });
    DoCTSChange(false);
    DoDSRChange(false);
    DoRLSDChange(false);
    // A device that is gone cannot abort anything; closing it must not fail on that.
    if (!deviceGone_)
        AbortPendingIO();
    if (threadCreated_) {
        if (InsideDelivery()) {
            // The event thread waits for this very delivery: waiting for it
            // here would never end. The device lets go of the line now, as at
            // any close, so that it can be opened again at once (also from
            // this handler); the thread ends after the delivery returns and
            // finds its device released, with no descriptor left to touch.
            // The device object stays with the thread until it is joined.
            eventThread_->Terminate();
            device_->Release();
            retired_.push_back({std::move(eventThread_), std::move(device_)});
        } else {
            eventThread_.reset();
        }
        threadCreated_ = false;
    }
    CloseDevice();
    connected_ = false;
    deviceGone_ = false;
    DoAfterClose();
}

void TCustomComPort::Fail(std::int32_t code, std::int32_t platformError) {
    // A device that says it is gone will never work again: close the port, so
    // that the next Open opens the device afresh, and report the error once.
    if (winerr::MeansDeviceGone(platformError) && connected_ && !closing_ && !opening_) {
        deviceGone_ = true;
        try {
            Close();
        } catch (...) {
            // The device's own error is the one to report.
        }
        deviceGone_ = false;
    }
    throw EComPort(code, platformError);
}

void TCustomComPort::OpenDevice() {
    std::int32_t error = 0;
    device_ = OpenComDevice(port_, error);
    if (!device_)
        throw EComPort(CError_OpenFailed, error);
}

void TCustomComPort::CloseDevice() { device_.reset(); }

void TCustomComPort::AfterLoad() {
    fw::TComponent::AfterLoad();
    if (connected_ && !IsDesigning()) {
        connected_ = false;
        try {
            Open();
        } catch (...) {
            fw::HandleException(std::current_exception());
        }
    }
}

// --- settings ---

// Line settings: store a changed value and re-apply the device state.
template <typename T> void TCustomComPort::SetLineSetting(T &field, T value) {
    if (value == field)
        return;
    field = value;
    ApplyDeviceState();
}

void TCustomComPort::SetBaudRate(TBaudRate value) { SetLineSetting(line_.BaudRate, value); }
void TCustomComPort::SetCustomBaudRate(std::int32_t value) { SetLineSetting(line_.CustomBaudRate, value); }
void TCustomComPort::SetStopBits(TStopBits value) { SetLineSetting(line_.StopBits, value); }
void TCustomComPort::SetDataBits(TDataBits value) { SetLineSetting(line_.DataBits, value); }
void TCustomComPort::SetDiscardNull(bool value) { SetLineSetting(line_.DiscardNull, value); }
void TCustomComPort::SetEventChar(char value) { SetLineSetting(line_.EventChar, value); }

void TCustomComPort::SetPort(const std::string &value) {
    const std::string name = NormalizePortName(value);
    if (name == port_)
        return;
    port_ = name;
    if (connected_ && !IsDesigning() && !IsLoading()) {
        Close();
        Open();
    }
}

void TCustomComPort::SetSyncMethod(TSyncMethod value) {
    if (value == syncMethod_)
        return;
    if (connected_ && !IsDesigning() && !IsLoading())
        throw EComPort(CError_SyncMeth);
    syncMethod_ = value;
}

void TCustomComPort::SetBuffer(const TComBuffer &value) {
    buffer_->Assign(value);
    ApplyBufferSizes();
}

void TCustomComPort::SetParity(const TComParity &value) {
    parity_->Assign(value);
    ApplyDeviceState();
}

void TCustomComPort::SetTimeouts(const TComTimeouts &value) {
    timeouts_->Assign(value);
    ApplyTimeouts();
}

void TCustomComPort::SetFlowControl(const TComFlowControl &value) {
    flowControl_->Assign(value);
    ApplyDeviceState();
}

TDeviceControlBlock TCustomComPort::DeviceControlBlock() const {
    return BuildDeviceControlBlock(line_, *parity_, *flowControl_, *buffer_);
}

TCommTimeoutsBlock TCustomComPort::TimeoutsBlock() const { return BuildTimeoutsBlock(*timeouts_); }

void TCustomComPort::BeginSettingsUpdate() { ++updateCount_; }

void TCustomComPort::EndSettingsUpdate() {
    if (updateCount_ <= 0)
        return;
    if (--updateCount_ == 0)
        ApplySettings();
}

bool TCustomComPort::CanApply() const {
    return connected_ && device_ && updateCount_ == 0 && !IsDesigning() && !IsLoading();
}

void TCustomComPort::ApplyDeviceState() {
    if (!CanApply())
        return;
    if (const std::int32_t rc = device_->SetState(DeviceControlBlock()))
        Fail(CError_SetStateFailed, rc);
}

void TCustomComPort::ApplyTimeouts() {
    if (!CanApply())
        return;
    if (const std::int32_t rc = device_->SetTimeouts(TimeoutsBlock()))
        Fail(CError_TimeoutsFailed, rc);
}

void TCustomComPort::ApplyBufferSizes() {
    if (!CanApply())
        return;
    if (const std::int32_t rc = device_->SetupQueues(buffer_->InputSize(), buffer_->OutputSize()))
        Fail(CError_SetupComFailed, rc);
}

void TCustomComPort::ApplySettings() {
    ApplyBufferSizes();
    ApplyDeviceState();
    ApplyTimeouts();
}

// --- I/O ---

std::int32_t TCustomComPort::WriteString(const std::string &text) {
    return Write(text.data(), static_cast<std::int32_t>(text.size()));
}

std::int32_t TCustomComPort::Write(const char *buffer, std::int32_t count) {
    TAsyncOperation op;
    StartWrite(buffer, count, &op);
    return WaitForCompletion(&op);
}

std::int32_t TCustomComPort::StartWrite(const char *buffer, std::int32_t count, TAsyncOperation *op) {
    if (!device_)
        throw EComPort(CError_WriteFailed, winerr::ERROR_INVALID_HANDLE);
    op->kind = TAsyncOperation::okWrite;
    op->data.assign(buffer, static_cast<std::size_t>(std::max(count, 0)));
    const std::int32_t rc = device_->StartWrite(*op);
    if (rc != 0 && rc != winerr::ERROR_IO_PENDING)
        Fail(CError_WriteFailed, rc);
    CallLinks([this](TComLink &l) { fw::Fire(l.OnTxActivity, this, true); });
    return rc == 0 ? static_cast<std::int32_t>(op->done) : 0;
}

std::int32_t TCustomComPort::Read(char *buffer, std::int32_t count) {
    TAsyncOperation op;
    StartRead(buffer, count, &op);
    return WaitForCompletion(&op);
}

std::int32_t TCustomComPort::ReadString(std::string &text, std::int32_t count) {
    text.assign(static_cast<std::size_t>(std::max(count, 0)), '\0');
    const std::int32_t n = Read(text.data(), count);
    text.resize(static_cast<std::size_t>(n));
    return n;
}

std::int32_t TCustomComPort::StartRead(char *buffer, std::int32_t count, TAsyncOperation *op) {
    if (!device_)
        throw EComPort(CError_ReadFailed, winerr::ERROR_INVALID_HANDLE);
    op->kind = TAsyncOperation::okRead;
    op->readBuffer = buffer;
    op->length = static_cast<std::size_t>(std::max(count, 0));
    const std::int32_t rc = device_->StartRead(*op);
    if (rc != 0 && rc != winerr::ERROR_IO_PENDING)
        Fail(CError_ReadFailed, rc);
    return static_cast<std::int32_t>(op->done);
}

std::int32_t TCustomComPort::WaitForCompletion(TAsyncOperation *op) {
    if (op == nullptr)
        throw EComPort(CError_InvalidAsync);
    const std::int32_t failCode = op->kind == TAsyncOperation::okWrite ? CError_WriteFailed : CError_ReadFailed;
    if (!device_)
        throw EComPort(failCode, winerr::ERROR_INVALID_HANDLE);
    const std::int32_t rc = device_->WaitForCompletion(*op);
    if (op->kind == TAsyncOperation::okRead && InputQueueCount() == 0)
        CallLinks([this](TComLink &l) { fw::Fire(l.OnRxActivity, this, false); });
    if (rc != 0)
        Fail(failCode, rc);
    return static_cast<std::int32_t>(op->done);
}

std::int32_t TCustomComPort::InputQueueCount() {
    if (!device_)
        throw EComPort(CError_ClearComFailed, winerr::ERROR_INVALID_HANDLE);
    std::uint32_t errors = 0;
    TComStat stat;
    if (const std::int32_t rc = device_->ClearError(errors, stat))
        Fail(CError_ClearComFailed, rc);
    return static_cast<std::int32_t>(stat.cbInQue);
}

TComLineSignals TCustomComPort::ReadSignals() {
    if (!device_)
        throw EComPort(CError_ModemStatFailed, winerr::ERROR_INVALID_HANDLE);
    std::uint32_t status = 0;
    if (const std::int32_t rc = device_->GetModemStatus(status))
        Fail(CError_ModemStatFailed, rc);
    TComLineSignals s;
    if (status & comm::MS_CTS_ON)
        s.Include(sigCTS);
    if (status & comm::MS_DSR_ON)
        s.Include(sigDSR);
    if (status & comm::MS_RING_ON)
        s.Include(sigRing);
    if (status & comm::MS_RLSD_ON)
        s.Include(sigRLSD);
    return s;
}

TComErrors TCustomComPort::ReadLineErrors() {
    if (!device_)
        throw EComPort(CError_ClearComFailed, winerr::ERROR_INVALID_HANDLE);
    std::uint32_t errors = 0;
    TComStat stat;
    if (const std::int32_t rc = device_->ClearError(errors, stat))
        Fail(CError_ClearComFailed, rc);
    TComErrors e;
    if (errors & comm::CE_FRAME)
        e.Include(errFrame);
    if ((errors & comm::CE_RXPARITY) && parity_->Check())
        e.Include(errRxParity);
    if (errors & comm::CE_OVERRUN)
        e.Include(errOverrun);
    if (errors & comm::CE_BREAK)
        e.Include(errBreak);
    if (errors & comm::CE_IOE)
        e.Include(errIO);
    if (errors & comm::CE_MODE)
        e.Include(errMode);
    if (errors & comm::CE_RXOVER)
        e.Include(errRxOver);
    if (errors & comm::CE_TXFULL)
        e.Include(errTxFull);
    return e;
}

void TCustomComPort::SetDTR(bool on) {
    if (!device_)
        throw EComPort(CError_EscapeComFailed, winerr::ERROR_INVALID_HANDLE);
    if (const std::int32_t rc = device_->EscapeFunction(on ? comm::SETDTR : comm::CLRDTR))
        Fail(CError_EscapeComFailed, rc);
}

void TCustomComPort::AbortPendingIO() {
    if (!device_)
        throw EComPort(CError_PurgeFailed, winerr::ERROR_INVALID_HANDLE);
    if (const std::int32_t rc = device_->Purge(comm::PURGE_TXABORT | comm::PURGE_RXABORT))
        Fail(CError_PurgeFailed, rc);
}

// --- listeners ---

void TCustomComPort::AddLink(TComLink *link) {
    if (link == nullptr || std::find(links_.begin(), links_.end(), link) != links_.end())
        throw EComPort(CError_RegFailed);
    links_.push_back(link);
}

void TCustomComPort::RemoveLink(TComLink *link) {
    auto it = std::find(links_.begin(), links_.end(), link);
    if (it == links_.end())
        throw EComPort(CError_RegFailed);
    links_.erase(it);
}

// A listener may unregister (and free) itself or another from inside a
// callback, so walk a copy and skip whatever has left the list meanwhile.
void TCustomComPort::CallLinks(const std::function<void(TComLink &)> &call) {
    const std::vector<TComLink *> snapshot = links_;
    for (TComLink *link : snapshot)
        if (std::find(links_.begin(), links_.end(), link) != links_.end())
            call(*link);
}

// --- event dispatch ---

void TCustomComPort::DispatchEvents(TComEvents events) {
    TDeliveryScope scope(*this);
    // A handler may close the port, and open it again on a new device: the
    // rest of the batch belongs to the device it came from, so it ends there.
    TComDevice *const device = device_.get();
    for (TComEvent e : kDispatchOrder)
        if (events.Contains(e)) {
            if (device_.get() != device)
                return;
            HandleEvent(e);
        }
}

void TCustomComPort::HandleEvent(TComEvent event) {
    // A handler earlier in the batch may have closed the port.
    if (!device_)
        return;
    TDeliveryScope scope(*this);
    switch (event) {
    case evRxChar:
        HandleRxChar();
        break;
    case evTxEmpty:
        CallLinks([this](TComLink &l) { fw::Fire(l.OnTxActivity, this, false); });
        DoTxEmpty();
        break;
    case evBreak:
        DoBreak();
        break;
    case evRing:
        CallLinks([this](TComLink &l) { fw::Fire(l.OnRing, this); });
        DoRing();
        break;
    case evCTS:
        HandleSignal(sigCTS);
        break;
    case evDSR:
        HandleSignal(sigDSR);
        break;
    case evRxFlag:
        DoRxFlag();
        break;
    case evRLSD:
        HandleSignal(sigRLSD);
        break;
    case evError:
        DoError(ReadLineErrors());
        break;
    case evRx80Full:
        DoRx80Full();
        break;
    }
}

void TCustomComPort::HandleRxChar() {
    std::int32_t count = InputQueueCount();
    if (count <= 0)
        return;
    CallLinks([this](TComLink &l) { fw::Fire(l.OnRxActivity, this, true); });
    auto first = std::find_if(links_.begin(), links_.end(), [](TComLink *l) { return bool(l->OnRxBuf); });
    if (first != links_.end()) {
        const std::vector<TComLink *> takers(first, links_.end());
        std::vector<char> buffer(static_cast<std::size_t>(count));
        // Listeners get the bytes actually read: never more than arrived, so
        // no one is handed bytes the device did not fill.
        const std::int32_t got = Read(buffer.data(), count);
        if (got > 0) {
            DoRxBuf(buffer.data(), got);
            for (TComLink *link : takers)
                if (std::find(links_.begin(), links_.end(), link) != links_.end())
                    fw::Fire(link->OnRxBuf, this, static_cast<const char *>(buffer.data()), got);
        }
        count = 0;
    }
    if (count > 0)
        DoRxChar(count);
}

void TCustomComPort::HandleSignal(TComLineSignal signal) {
    const bool before = ReadSignals().Contains(signal);
    CallLinks([this, signal, before](TComLink &l) {
        fw::Fire(signal == sigCTS ? l.OnCTSChange : (signal == sigDSR ? l.OnDSRChange : l.OnRLSDChange), this, before);
    });
    const bool now = ReadSignals().Contains(signal);
    if (signal == sigCTS)
        DoCTSChange(now);
    else if (signal == sigDSR)
        DoDSRChange(now);
    else
        DoRLSDChange(now);
}

// --- event firing ---

void TCustomComPort::DoAfterOpen() { fw::Fire(OnAfterOpen, this); }
void TCustomComPort::DoAfterClose() { fw::Fire(OnAfterClose, this); }
void TCustomComPort::DoBeforeOpen() { fw::Fire(OnBeforeOpen, this); }
void TCustomComPort::DoBeforeClose() { fw::Fire(OnBeforeClose, this); }
void TCustomComPort::DoRxChar(std::int32_t count) { fw::Fire(OnRxChar, this, count); }
void TCustomComPort::DoRxBuf(const char *buffer, std::int32_t count) { fw::Fire(OnRxBuf, this, buffer, count); }
void TCustomComPort::DoTxEmpty() { fw::Fire(OnTxEmpty, this); }
void TCustomComPort::DoBreak() { fw::Fire(OnBreak, this); }
void TCustomComPort::DoRing() { fw::Fire(OnRing, this); }
void TCustomComPort::DoCTSChange(bool onOff) { fw::Fire(OnCTSChange, this, onOff); }
void TCustomComPort::DoDSRChange(bool onOff) { fw::Fire(OnDSRChange, this, onOff); }
void TCustomComPort::DoRLSDChange(bool onOff) { fw::Fire(OnRLSDChange, this, onOff); }
void TCustomComPort::DoRxFlag() { fw::Fire(OnRxFlag, this); }
void TCustomComPort::DoError(TComErrors errors) { fw::Fire(OnError, this, errors); }
void TCustomComPort::DoRx80Full() { fw::Fire(OnRx80Full, this); }

// --- setup dialog ---

void TCustomComPort::ShowSettingsDialog() { fw::Fire(DialogRunner(), *this); }

void TCustomComPort::RegisterSettingsDialog(TSettingsDialogRunner runner) { DialogRunner() = std::move(runner); }

} // namespace cport
