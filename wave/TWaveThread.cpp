#include "wave/TWaveThread.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace wave {

TWaveThread::TWaveThread(THandler handler, TFailureHandler onFailure)
    : handler_(std::move(handler)),
      onFailure_(std::move(onFailure)),
      wake_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      progress_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
  thread_.reset(::CreateThread(nullptr, 0, Run, this, 0, &threadId_));
  if (thread_) ::SetThreadPriority(thread_.get(), THREAD_PRIORITY_ABOVE_NORMAL);
}

TWaveThread::~TWaveThread() {
  if (!thread_ || freesItself_) return;
  RequestEnd();
  ::WaitForSingleObject(thread_.get(), INFINITE);
}

void TWaveThread::RequestEnd() {
  {
    win::Lock lock(queueLock_);
    terminate_ = true;
  }
  ::SetEvent(wake_.get());
}

void TWaveThread::Post(UINT code, WAVEHDR* header) {
  {
    win::Lock lock(queueLock_);
    if (header) header->dwUser = code;
    // The code travels with the queue entry too: the spare header may be
    // posted again (open, then close) before the first entry is handled.
    queue_.push_back({code, header, {}});
    ++posted_;
  }
  ::SetEvent(wake_.get());
}

void TWaveThread::Post(UINT code, void* data, DWORD length) {
  Item item{code, nullptr, {}};
  item.own.lpData = static_cast<LPSTR>(data);
  item.own.dwBufferLength = length;
  item.own.dwUser = code;
  {
    win::Lock lock(queueLock_);
    queue_.push_back(item);
    ++posted_;
  }
  ::SetEvent(wake_.get());
}

bool TWaveThread::WaitIdle(DWORD ms) {
  if (!thread_ || OnWorker()) return true;
  unsigned long long target;
  {
    win::Lock lock(queueLock_);
    target = posted_;
  }
  const ULONGLONG until = ::GetTickCount64() + ms;
  for (;;) {
    {
      win::Lock lock(queueLock_);
      if (handled_ >= target) return true;
    }
    const ULONGLONG now = ::GetTickCount64();
    if (now >= until) return false;
    // A short wait each time: a second waiter may have taken the signal.
    ::WaitForSingleObject(progress_.get(), static_cast<DWORD>(std::min<ULONGLONG>(until - now, 20)));
  }
}

void TWaveThread::End(std::unique_ptr<TWaveThread> thread) {
  // From another thread the destructor waits for the worker.
  if (!thread || !thread->thread_ || !thread->OnWorker()) return;
  // The worker cannot wait for itself: it frees the object once the event
  // that is ending it has returned.
  thread->RequestEnd();
  thread->freesItself_ = true;
  thread.release();
}

DWORD WINAPI TWaveThread::Run(void* self) {
  auto* thread = static_cast<TWaveThread*>(self);
  thread->Loop();
  if (thread->freesItself_) delete thread;
  return 0;
}

void TWaveThread::Report(const std::string& what) {
  try {
    if (onFailure_) onFailure_(what);
  } catch (...) {
    // The report itself failed: nothing is left to tell it to.
  }
}

void TWaveThread::Loop() {
  for (;;) {
    ::WaitForSingleObject(wake_.get(), INFINITE);
    for (;;) {
      Item item;
      {
        win::Lock lock(queueLock_);
        if (terminate_) return;
        if (queue_.empty()) break;
        item = queue_.front();
        queue_.pop_front();
      }
      // What an owner's event throws must not end the worker (and the
      // process with it); it is reported and the next event runs.
      try {
        handler_(item.code, item.header ? item.header : &item.own);
      } catch (const std::exception& e) {
        Report(e.what());
      } catch (...) {
        Report("unknown failure");
      }
      {
        win::Lock lock(queueLock_);
        ++handled_;
      }
      ::SetEvent(progress_.get());
    }
  }
}

}  // namespace wave
