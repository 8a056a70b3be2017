#include "MainThreadSync.h"

#include "ExceptionHandler.h"

#include <iostream>
#include <utility>

namespace fw {

namespace {
// Static initialisation runs on the thread that starts the program.
const std::thread::id g_startThread = std::this_thread::get_id();
} // namespace

TMainThreadSync &TMainThreadSync::Instance() {
    static TMainThreadSync instance;
    return instance;
}

TMainThreadSync::TMainThreadSync() : mainThread_(g_startThread) {}

void TMainThreadSync::SetMainThread(std::thread::id id) { mainThread_ = id; }

void TMainThreadSync::Synchronize(const std::function<void()> &call) { SynchronizeTo(mainThread_.load(), call); }

void TMainThreadSync::SynchronizeTo(std::thread::id target, const std::function<void()> &call) {
    if (std::this_thread::get_id() == target) {
        call();
        return;
    }
    Request request{&call, target, nullptr, false};
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex_);
        pending_.push_back(&request);
        hook = wakeUpHook_;
    }
    mainCv_.notify_all();
    if (hook && target == mainThread_.load())
        hook();
    std::unique_lock lock(mutex_);
    callerCv_.wait(lock, [&] { return request.done; });
    if (request.error)
        std::rethrow_exception(request.error);
}

bool TMainThreadSync::CheckSynchronize() {
    const std::thread::id self = std::this_thread::get_id();
    std::deque<Request *> mine;
    {
        std::lock_guard lock(mutex_);
        for (auto it = pending_.begin(); it != pending_.end();) {
            if ((*it)->target == self) {
                mine.push_back(*it);
                it = pending_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (Request *r : mine) {
        std::exception_ptr error;
        try {
            (*r->call)();
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard lock(mutex_);
            r->error = std::move(error); // the caller holds the only reference from here on
            r->done = true;
        }
        callerCv_.notify_all();
    }
    return !mine.empty();
}

void TMainThreadSync::WaitServing(const std::function<bool()> &ready) {
    const std::thread::id self = std::this_thread::get_id();
    for (;;) {
        unsigned seen;
        {
            std::lock_guard lock(mutex_);
            seen = wakeCount_;
        }
        CheckSynchronize();
        if (ready())
            return;
        std::unique_lock lock(mutex_);
        mainCv_.wait(lock, [&] {
            if (wakeCount_ != seen)
                return true;
            for (Request *r : pending_)
                if (r->target == self)
                    return true;
            return false;
        });
    }
}

void TMainThreadSync::Wake() {
    {
        std::lock_guard lock(mutex_);
        ++wakeCount_;
    }
    mainCv_.notify_all();
}

void TMainThreadSync::SetWakeUpHook(std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    wakeUpHook_ = std::move(hook);
}

namespace {
std::mutex &HandlerMutex() {
    static std::mutex m;
    return m;
}
TDeliveryErrorHandler &DeliveryHandler() {
    static TDeliveryErrorHandler h;
    return h;
}
TExceptionHandler &AppHandler() {
    static TExceptionHandler h;
    return h;
}
void WriteToStderr(const std::exception_ptr &error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception &e) {
        std::cerr << e.what() << std::endl;
    } catch (...) {
        std::cerr << "unknown error" << std::endl;
    }
}
} // namespace

void SetDeliveryErrorHandler(TDeliveryErrorHandler handler) {
    std::lock_guard lock(HandlerMutex());
    DeliveryHandler() = std::move(handler);
}

void ReportDeliveryError(const std::exception_ptr &error) {
    TDeliveryErrorHandler handler;
    {
        std::lock_guard lock(HandlerMutex());
        handler = DeliveryHandler();
    }
    if (handler)
        handler(error);
    else
        WriteToStderr(error);
}

void SetApplicationExceptionHandler(TExceptionHandler handler) {
    std::lock_guard lock(HandlerMutex());
    AppHandler() = std::move(handler);
}

void HandleException(const std::exception_ptr &error) {
    TExceptionHandler handler;
    {
        std::lock_guard lock(HandlerMutex());
        handler = AppHandler();
    }
    if (handler)
        handler(error);
    else
        WriteToStderr(error);
}

} // namespace fw
