#pragma once
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// The worker thread of the tray icon's animation: it waits Interval milliseconds at a time and
// then calls Tick, until it is terminated. Tick runs on the worker thread, always under the
// thread's own lock, so once Detach or Terminate has returned no further Tick is running or
// will start; the tray icon's Tick only posts the frame step to the user-interface thread.
// Pausing, resuming, detaching and terminating wake the wait at once.
class TTimerThread {
public:
    using TTick = std::function<void()>;

    TTimerThread(TTick Tick, unsigned Interval, bool Paused);
    // Terminates the loop and joins the thread (quick: the wait is woken).
    ~TTimerThread();
    TTimerThread(const TTimerThread&) = delete;
    TTimerThread& operator=(const TTimerThread&) = delete;

    void SetInterval(unsigned Interval);
    void Pause();
    void Resume();
    // Clears the owner: the thread takes no further step.
    void Detach();
    void Terminate();

    bool Paused() const;
    bool Detached() const;
    // The steps taken so far.
    long Ticks() const;

private:
    void Execute();
    bool MayStep() const; // called with FLock held

    mutable std::mutex FLock;
    std::condition_variable FWake;
    TTick FTick;
    unsigned FInterval;
    bool FPaused;
    bool FDetached = false;
    bool FTerminated = false;
    long FTicks = 0;
    std::thread FThread; // last: starts once the state above is set
};
