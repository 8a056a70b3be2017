#pragma once

#include <atomic>
#include <thread>

namespace fw {

// A thread running Execute. Its owner ends it with WaitFor; waiting on the
// main thread keeps serving synchronisation requests, so a thread that is
// delivering to the main thread can still finish.
class TThread {
  public:
    TThread() = default;
    virtual ~TThread();
    TThread(const TThread &) = delete;
    TThread &operator=(const TThread &) = delete;

    void Start();
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_.load(); }
    bool Finished() const { return finished_.load(); }
    // Waits until Execute has returned and the thread has ended.
    void WaitFor();
    std::thread::id ThreadId() const { return thread_.get_id(); }

  protected:
    virtual void Execute() = 0;

  private:
    void Run();
    std::thread thread_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
};

} // namespace fw
