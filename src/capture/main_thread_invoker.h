// Hands one call at a time from the capture thread to the main thread and
// blocks the capture thread until the main thread has run it. No Qt here: the
// window plugs in a "wake" function that schedules RunPending() on its event
// loop; a main thread without an event loop serves calls with ServeUntil().
#pragma once

#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>

namespace kestro {

class MainThreadInvoker {
public:
    using Wake = std::function<void()>;
    using Clock = std::chrono::steady_clock;

    // Main thread. Called on the worker each time a call becomes pending; it
    // must only schedule RunPending() on the main thread, never run it itself.
    void SetWake(Wake wake);

    // Worker thread. Runs `call` on the main thread and returns when it has
    // run; an exception that escaped `call` is rethrown here.
    void Invoke(const std::function<void()>& call);

    // Main thread. Runs the pending call, if there is one; a wake-up whose call
    // was already served elsewhere finds nothing and does nothing.
    bool RunPending();

    // Main thread. Serves pending calls until the worker has reported its end
    // (true) or the deadline has passed (false). time_point::max() waits for the end.
    bool ServeUntil(Clock::time_point deadline);

    // Worker thread, its very last act.
    void MarkFinished();
    // Main thread, before a new worker starts.
    void Reset();
    bool Finished() const;

private:
    enum class SlotState { kEmpty, kPending, kRunning, kDone };

    bool RunPendingLocked(std::unique_lock<std::mutex>& lock);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    SlotState state_ = SlotState::kEmpty;
    const std::function<void()>* call_ = nullptr;
    std::exception_ptr failure_;
    bool finished_ = false;
    Wake wake_;
};

}  // namespace kestro
