// The worker thread of a wave component: the platform's callback thread and
// the owner's thread post headers with a notification code; the worker runs
// the component's events for them, one after another, in posting order.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <deque>

#include "base/WinHandles.h"

namespace wave {

class TWaveThread {
public:
  // Starts at once, above normal priority.
  TWaveThread();
  // Must be ended (Terminate) before the object it calls into is gone.
  virtual ~TWaveThread();
  TWaveThread(const TWaveThread&) = delete;
  TWaveThread& operator=(const TWaveThread&) = delete;

  // Stores `code` in the header's user word and queues it; code 0 with no
  // header asks the thread to end. Safe from any thread, also the
  // platform's callback.
  void Post(UINT code, WAVEHDR* header);
  // Asks the thread to end and waits at most `ms`; true when it ended.
  bool Terminate(DWORD ms);
  // Asks the thread to end and waits as long as it takes, letting the
  // calling thread's window messages run (a handler on the worker may wait
  // for this thread's window). False only when called from the worker
  // itself: the thread then ends once its handler returns, and this object
  // must outlive it.
  bool End();
  bool Running() const { return bool(thread_); }
  // Waits until everything posted before the call has been handled, at most
  // `ms`, letting the calling thread's window messages run meanwhile. A call
  // from the worker itself returns at once.
  bool WaitIdle(DWORD ms);

  bool OnWorker() const { return ::GetCurrentThreadId() == threadId_; }

protected:
  // Runs on the worker for each posted header, with the posted code.
  virtual void Handle(UINT code, WAVEHDR* header) = 0;
  // The derived object is complete: the loop may start calling Handle.
  void Start();

private:
  struct Item {
    UINT code;
    WAVEHDR* header;
  };
  static DWORD WINAPI Run(void* self);
  void Loop();

  win::CriticalSection queueLock_;
  std::deque<Item> queue_;
  unsigned long long posted_ = 0;
  unsigned long long handled_ = 0;
  bool terminate_ = false;
  win::Handle wake_;     // auto-reset
  win::Handle started_;  // manual-reset, set by Start
  win::Handle thread_;
  DWORD threadId_ = 0;
};

}  // namespace wave
