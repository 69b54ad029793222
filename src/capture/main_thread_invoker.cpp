#include "capture/main_thread_invoker.h"

#include <utility>

namespace kestro {

// The slot holds at most one call, because the worker blocks until its call
// has run. Its states:
//   kEmpty   -> kPending  Invoke() puts a call in and wakes the main thread
//   kPending -> kRunning  RunPending() takes it (the slot then no longer
//                         offers it, so a nested or late wake-up cannot run it
//                         a second time)
//   kRunning -> kDone     the call returned (or threw; the exception travels
//                         back to the worker)
//   kDone    -> kEmpty    Invoke() sees its call done and returns
// Every change is announced on `changed_`, which both sides wait on: the worker
// for kDone, a serving main thread for kPending or the worker's end.

void MainThreadInvoker::SetWake(Wake wake) {
    std::lock_guard lock(mutex_);
    wake_ = std::move(wake);
}

void MainThreadInvoker::Invoke(const std::function<void()>& call) {
    Wake wake;
    {
        std::lock_guard lock(mutex_);
        call_ = &call;
        state_ = SlotState::kPending;
        failure_ = nullptr;
        wake = wake_;
    }
    changed_.notify_all();
    if (wake) {
        wake();
    }
    std::exception_ptr failure;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return state_ == SlotState::kDone; });
        state_ = SlotState::kEmpty;
        call_ = nullptr;
        failure = std::exchange(failure_, nullptr);
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

bool MainThreadInvoker::RunPendingLocked(std::unique_lock<std::mutex>& lock) {
    if (state_ != SlotState::kPending) {
        return false;
    }
    state_ = SlotState::kRunning;
    const std::function<void()>* call = call_;
    lock.unlock();
    std::exception_ptr failure;
    try {
        (*call)();
    } catch (...) {
        failure = std::current_exception();
    }
    lock.lock();
    failure_ = failure;
    state_ = SlotState::kDone;
    changed_.notify_all();
    return true;
}

bool MainThreadInvoker::RunPending() {
    std::unique_lock lock(mutex_);
    return RunPendingLocked(lock);
}

bool MainThreadInvoker::ServeUntil(Clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    for (;;) {
        // A call handed over just before the end is still served.
        if (RunPendingLocked(lock)) {
            continue;
        }
        if (finished_) {
            return true;
        }
        const auto ready = [this] { return state_ == SlotState::kPending || finished_; };
        if (deadline == Clock::time_point::max()) {
            changed_.wait(lock, ready);
        } else if (!changed_.wait_until(lock, deadline, ready)) {
            return false;
        }
    }
}

void MainThreadInvoker::MarkFinished() {
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    changed_.notify_all();
}

void MainThreadInvoker::Reset() {
    std::lock_guard lock(mutex_);
    finished_ = false;
    state_ = SlotState::kEmpty;
    call_ = nullptr;
    failure_ = nullptr;
}

bool MainThreadInvoker::Finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

}  // namespace kestro
