#pragma once
// Polls a condition until it holds or the time is up, running the events that arrive meanwhile
// (posted completions, socket notifiers, timers, the X server's replies). Returns the last
// answer, so a test asserts on it: ASSERT_TRUE(WaitFor([&] { return ...; })) << "what failed".
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

template <typename Done> bool WaitFor(Done done, int ms = 5000)
{
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}
