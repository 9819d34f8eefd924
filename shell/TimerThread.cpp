#include "shell/TimerThread.h"

#include <chrono>

TTimerThread::TTimerThread(TTick Tick, unsigned Interval, bool Paused)
    : FTick(std::move(Tick)), FInterval(Interval), FPaused(Paused), FThread([this] { Execute(); })
{
}

TTimerThread::~TTimerThread()
{
    Terminate();
    if (FThread.joinable())
        FThread.join();
}

void TTimerThread::SetInterval(unsigned Interval)
{
    std::lock_guard lock(FLock);
    FInterval = Interval;
}

void TTimerThread::Pause()
{
    std::lock_guard lock(FLock);
    FPaused = true;
}

void TTimerThread::Resume()
{
    {
        std::lock_guard lock(FLock);
        FPaused = false;
    }
    FWake.notify_all();
}

void TTimerThread::Detach()
{
    {
        std::lock_guard lock(FLock);
        FDetached = true;
    }
    FWake.notify_all();
}

void TTimerThread::Terminate()
{
    {
        std::lock_guard lock(FLock);
        FTerminated = true;
    }
    FWake.notify_all();
}

bool TTimerThread::Paused() const
{
    std::lock_guard lock(FLock);
    return FPaused;
}

bool TTimerThread::Detached() const
{
    std::lock_guard lock(FLock);
    return FDetached;
}

long TTimerThread::Ticks() const
{
    std::lock_guard lock(FLock);
    return FTicks;
}

bool TTimerThread::MayStep() const
{
    return !FDetached && !FTerminated && !FPaused;
}

void TTimerThread::Execute()
{
    std::unique_lock lock(FLock);
    while (!FTerminated) {
        // Paused or detached: sleep until something changes instead of spinning.
        if (!MayStep()) {
            FWake.wait(lock, [this] { return FTerminated || MayStep(); });
            continue;
        }
        // Wait one interval; a pause, detach or termination meanwhile cancels the step.
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(FInterval);
        if (FWake.wait_until(lock, deadline, [this] { return !MayStep(); }))
            continue;
        ++FTicks;
        if (FTick)
            FTick();
    }
}
