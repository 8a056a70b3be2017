#include "Thread.h"

#include "ExceptionHandler.h"
#include "MainThreadSync.h"

namespace fw {

TThread::~TThread() {
    // A derived class ends its thread in its own destructor, while Execute's
    // object is still whole; this is only the last guard.
    if (thread_.joinable())
        WaitFor();
}

void TThread::Start() {
    thread_ = std::thread([this] { Run(); });
}

void TThread::Run() {
    try {
        Execute();
    } catch (...) {
        HandleException(std::current_exception());
    }
    finished_ = true;
    TMainThreadSync::Instance().Wake();
}

void TThread::WaitFor() {
    if (!thread_.joinable())
        return;
    // A thread cannot wait for its own end; let it finish on its own.
    if (std::this_thread::get_id() == thread_.get_id()) {
        thread_.detach();
        return;
    }
    if (std::this_thread::get_id() != thread_.get_id())
        TMainThreadSync::Instance().WaitServing([this] { return finished_.load(); });
    thread_.join();
}

} // namespace fw
