#pragma once

#include "cport/ComPort.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace testsupport {

// A device that records every platform request and serves scripted events,
// modem states and line errors: for what a pseudo-terminal cannot produce.
class FakeComDevice : public cport::TComDevice {
  public:
    std::vector<std::string> calls; // "SetState", "SetTimeouts", ...
    cport::TDeviceControlBlock lastState{};
    std::uint32_t modemStatus = 0;
    std::uint32_t lineErrors = 0;
    std::string input; // bytes waiting to be read
    std::string written;
    std::int32_t failSetState = 0;

    // Queues one batch of events for WaitEvent.
    void PushEvents(std::uint32_t mask) {
        {
            std::lock_guard lock(mutex_);
            events_.push_back(mask);
        }
        cv_.notify_all();
    }

    std::int32_t SetState(const cport::TDeviceControlBlock &b) override {
        Record("SetState");
        lastState = b;
        return failSetState;
    }
    std::int32_t SetTimeouts(const cport::TCommTimeoutsBlock &) override { return Record("SetTimeouts"), 0; }
    std::int32_t SetupQueues(std::int32_t, std::int32_t) override { return Record("SetupQueues"), 0; }
    std::int32_t StartWrite(cport::TAsyncOperation &op) override {
        Record("Write");
        written += op.data;
        op.done = op.data.size();
        op.completed = true;
        return 0;
    }
    std::int32_t StartRead(cport::TAsyncOperation &op) override {
        std::lock_guard lock(mutex_);
        const std::size_t n = std::min(op.length, input.size());
        input.copy(op.readBuffer, n);
        input.erase(0, n);
        op.done = n;
        op.completed = true;
        return 0;
    }
    std::int32_t WaitForCompletion(cport::TAsyncOperation &) override { return 0; }
    std::int32_t ClearError(std::uint32_t &errors, cport::TComStat &stat) override {
        std::lock_guard lock(mutex_);
        stat.cbInQue = static_cast<std::uint32_t>(input.size());
        errors = lineErrors;
        lineErrors = 0;
        return 0;
    }
    std::int32_t GetModemStatus(std::uint32_t &status) override {
        Record("GetModemStatus");
        status = modemStatus;
        return 0;
    }
    std::int32_t EscapeFunction(std::uint32_t f) override { return Record("Escape" + std::to_string(f)), 0; }
    std::int32_t Purge(std::uint32_t f) override { return Record("Purge" + std::to_string(f)), 0; }
    std::int32_t SetEventMask(std::uint32_t m) override { return Record("SetEventMask" + std::to_string(m)), 0; }
    std::int32_t WaitEvent(std::uint32_t &events) override {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [&] { return stopped_ || !events_.empty(); });
        if (stopped_)
            return cport::winerr::ERROR_OPERATION_ABORTED;
        events = events_.front();
        events_.pop_front();
        return 0;
    }
    void StopWaiting() override {
        {
            std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        cv_.notify_all();
    }
    void Release() override {
        Record("Release");
        StopWaiting();
    }
    bool EventsDrained() {
        std::lock_guard lock(mutex_);
        return events_.empty();
    }

  private:
    void Record(const std::string &call) {
        std::lock_guard lock(mutex_);
        calls.push_back(call);
    }
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::uint32_t> events_;
    bool stopped_ = false;
};

// A port whose OpenDevice attaches a FakeComDevice instead of a tty.
class FakeDevicePort : public cport::TComPort {
  public:
    using cport::TComPort::TComPort;
    FakeComDevice *fake = nullptr;

  protected:
    void OpenDevice() override {
        auto device = std::make_unique<FakeComDevice>();
        fake = device.get();
        AttachDevice(std::move(device));
    }
    void CloseDevice() override {
        cport::TComPort::CloseDevice();
        fake = nullptr;
    }
};

} // namespace testsupport
