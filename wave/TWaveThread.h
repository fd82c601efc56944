// The worker thread of a wave component: the platform's callback thread and
// the owner's thread post headers with a notification code; the worker runs
// the component's events for them, one after another, in posting order.
// The events run on the worker and must never wait for the owner's thread
// (post to it instead): ending the worker waits for the event under way.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "base/WinHandles.h"

namespace wave {

class TWaveThread {
public:
  using THandler = std::function<void(UINT code, WAVEHDR* header)>;
  // The text of what an event threw; the worker goes on with the next one.
  using TFailureHandler = std::function<void(const std::string& what)>;

  // Starts at once, above normal priority; `handler` runs each notification.
  TWaveThread(THandler handler, TFailureHandler onFailure);
  // Ends the worker after the event under way and waits for it.
  ~TWaveThread();
  TWaveThread(const TWaveThread&) = delete;
  TWaveThread& operator=(const TWaveThread&) = delete;

  // Stores `code` in the header's user word and queues it. Safe from any
  // thread, also the platform's callback.
  void Post(UINT code, WAVEHDR* header);
  // A notification that carries its own copy of the header (data and
  // length), so that it needs no slot of the owner's table.
  void Post(UINT code, void* data, DWORD length);
  // Waits until everything posted before the call has been handled, at most
  // `ms`; true when it was. A call from the worker itself returns at once.
  bool WaitIdle(DWORD ms);
  bool OnWorker() const { return ::GetCurrentThreadId() == threadId_; }

  // Ends the worker after the event under way and frees it. From any other
  // thread this waits for the worker to end; from the worker itself (an
  // event that destroys its own component) the thread frees the object as
  // it leaves, so that nothing is left behind.
  static void End(std::unique_ptr<TWaveThread> thread);

private:
  struct Item {
    UINT code;
    WAVEHDR* header;  // null: `own` is the header
    WAVEHDR own;
  };
  static DWORD WINAPI Run(void* self);
  void Loop();
  void Report(const std::string& what);
  void RequestEnd();

  THandler handler_;
  TFailureHandler onFailure_;
  win::CriticalSection queueLock_;
  std::deque<Item> queue_;
  unsigned long long posted_ = 0;
  unsigned long long handled_ = 0;
  bool terminate_ = false;
  bool freesItself_ = false;  // set on the worker only
  win::Handle wake_;      // auto-reset: something was posted
  win::Handle progress_;  // auto-reset: an item was handled
  win::Handle thread_;
  DWORD threadId_ = 0;
};

}  // namespace wave
