#include "framework/SleepWatch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");

} // namespace

TSleepWatch::TSleepWatch(QObject* parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (bus.isConnected()) {
        bus.connect(kService, kPath, kManager, QStringLiteral("PrepareForSleep"), this,
                    SLOT(PrepareForSleep(bool)));
        TakeInhibitor();
    }
    FJump.Check(BootTimeMs(), MonotonicMs());
    FClockTimer.setInterval(kClockLookMs);
    connect(&FClockTimer, &QTimer::timeout, this, &TSleepWatch::LookAtClocks);
    FClockTimer.start();
}

void TSleepWatch::TakeInhibitor()
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kManager, QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("ZmPing2")
         << QStringLiteral("Ending the echo in flight") << QStringLiteral("delay");
    // Asked without waiting: a login manager that is slow to answer never holds up the program.
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
        w->deleteLater();
        // Taken while going to sleep: no use now, and letting go at once keeps sleep prompt.
        if (reply.isValid() && !FAsleep)
            FInhibitor = reply.value();
    });
}

void TSleepWatch::PrepareForSleep(bool start)
{
    if (start && !FAsleep) {
        FAsleep = true;
        FAsleepSinceMs = BootTimeMs();
        emit Sleeping();
        FInhibitor = QDBusUnixFileDescriptor(); // closes it: the login manager may go on
    } else if (!start && FAsleep) {
        FAsleep = false;
        FJump.Rebase(); // this sleep is told here, not again by the clocks
        FJump.Check(BootTimeMs(), MonotonicMs());
        TakeInhibitor();
        emit Woke(BootTimeMs() - FAsleepSinceMs);
    }
}

void TSleepWatch::LookAtClocks()
{
    const qint64 slept = FJump.Check(BootTimeMs(), MonotonicMs());
    // A login manager that told of the sleep has its wake still to come.
    if (slept > 0 && !FAsleep) {
        emit Sleeping();
        emit Woke(slept);
    }
}
