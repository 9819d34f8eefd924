#pragma once
// Polls a condition until it holds or the time is up, running the events that arrive meanwhile
// (posted completions, socket notifiers, timers, the X server's replies). Returns the last
// answer, so a test asserts on it: ASSERT_TRUE(WaitFor([&] { return ...; })) << "what failed".
// The pause between looks grows from 5 to 50 ms, so that a condition that asks another program
// (xdotool, the X server) does not keep the machine busy during a long wait.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <algorithm>

template <typename Done> bool WaitFor(Done done, int ms = 5000)
{
    const QDeadlineTimer deadline(ms);
    int pause = 5;
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, pause);
        QThread::msleep(unsigned(pause));
        pause = std::min(50, pause * 2);
    }
    return true;
}
