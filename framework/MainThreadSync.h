#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace fw {

// Lets another thread run a call on the main thread and wait for it. The main
// thread runs pending calls when it checks for them: from its event loop
// (a GUI toolkit installs a wake-up hook that schedules CheckSynchronize) and
// while it waits for a thread to end, so that closing a port during a
// delivery never deadlocks.
class TMainThreadSync {
  public:
    static TMainThreadSync &Instance();

    // The thread that runs the calls; by default the one that started the program.
    void SetMainThread(std::thread::id id);
    std::thread::id MainThread() const { return mainThread_.load(); }
    bool IsMainThread() const { return std::this_thread::get_id() == mainThread_; }

    // Runs call on the main thread and waits until it has run. An error the call
    // raises is raised again here. Called on the main thread, it runs the call at once.
    void Synchronize(const std::function<void()> &call);
    // The same towards any thread that checks for its calls (CheckSynchronize
    // or WaitServing on that thread).
    void SynchronizeTo(std::thread::id target, const std::function<void()> &call);

    // Runs every call pending for the calling thread; true when at least one ran.
    bool CheckSynchronize();

    // Blocks until a call is pending for this thread or `ready` returns true
    // (re-checked whenever Wake is called), running pending calls meanwhile.
    void WaitServing(const std::function<bool()> &ready);
    // Any thread: re-evaluates the condition of WaitServing.
    void Wake();

    // Called (from the asking thread) whenever a call becomes pending, so an
    // event loop can schedule CheckSynchronize promptly. Empty by default.
    void SetWakeUpHook(std::function<void()> hook);

  private:
    TMainThreadSync();
    struct Request {
        const std::function<void()> *call;
        std::thread::id target;
        std::exception_ptr error;
        bool done = false;
    };

    std::mutex mutex_;
    std::condition_variable mainCv_;   // main thread waits here
    std::condition_variable callerCv_; // asking threads wait here
    std::deque<Request *> pending_;
    std::function<void()> wakeUpHook_;
    std::atomic<std::thread::id> mainThread_;
    unsigned wakeCount_ = 0;
};

// Where an error raised while delivering port events ends up: the event thread
// survives it and hands it here. By default it is written to standard error;
// the application shows it in its general error box.
using TDeliveryErrorHandler = std::function<void(const std::exception_ptr &error)>;
void SetDeliveryErrorHandler(TDeliveryErrorHandler handler);
void ReportDeliveryError(const std::exception_ptr &error);

} // namespace fw
