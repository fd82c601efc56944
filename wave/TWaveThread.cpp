#include "wave/TWaveThread.h"

namespace wave {

TWaveThread::TWaveThread()
    : wake_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)), started_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  thread_.reset(::CreateThread(nullptr, 0, Run, this, 0, &threadId_));
  if (thread_) ::SetThreadPriority(thread_.get(), THREAD_PRIORITY_ABOVE_NORMAL);
}

TWaveThread::~TWaveThread() { End(); }

void TWaveThread::Start() { ::SetEvent(started_.get()); }

void TWaveThread::Post(UINT code, WAVEHDR* header) {
  {
    win::Lock lock(queueLock_);
    if (code == 0 && !header) {
      terminate_ = true;
    } else {
      if (header) header->dwUser = code;
      // The code travels with the queue entry too: the spare header may be
      // posted again (open, then close) before the first entry is handled.
      queue_.push_back({code, header});
      ++posted_;
    }
  }
  ::SetEvent(wake_.get());
}

bool TWaveThread::Terminate(DWORD ms) {
  if (!thread_) return true;
  Post(0, nullptr);
  Start();  // a loop that never started still has to see the request
  if (OnWorker()) return false;
  if (::WaitForSingleObject(thread_.get(), ms) != WAIT_OBJECT_0) return false;
  thread_.reset();
  return true;
}

bool TWaveThread::End() {
  if (Terminate(5000)) return true;
  if (OnWorker()) return false;
  HANDLE h = thread_.get();
  while (::MsgWaitForMultipleObjects(1, &h, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&m);
      ::DispatchMessageW(&m);
    }
  }
  thread_.reset();
  return true;
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
    if (::GetTickCount64() >= until) return false;
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&m);
      ::DispatchMessageW(&m);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
  }
}

DWORD WINAPI TWaveThread::Run(void* self) {
  static_cast<TWaveThread*>(self)->Loop();
  return 0;
}

void TWaveThread::Loop() {
  ::WaitForSingleObject(started_.get(), INFINITE);
  for (;;) {
    ::WaitForSingleObject(wake_.get(), INFINITE);
    for (;;) {
      Item item;
      {
        win::Lock lock(queueLock_);
        if (terminate_) return;
        if (queue_.empty()) break;
        item = queue_.front();
      }
      // An owner's handler that throws must not end the worker (and the
      // process with it).
      try {
        Handle(item.code, item.header);
      } catch (...) {
      }
      win::Lock lock(queueLock_);
      queue_.pop_front();
      ++handled_;
    }
  }
}

}  // namespace wave
