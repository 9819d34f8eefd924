#pragma once
// Sleep and wake of the computer. The login manager (org.freedesktop.login1 on the system bus,
// whose address Qt takes from DBUS_SYSTEM_BUS_ADDRESS when set) announces each sleep with
// PrepareForSleep(true) and each wake with PrepareForSleep(false). While awake the watch holds
// a delay inhibitor, so the login manager waits for Sleeping's handlers (which drop the cycle
// in flight) before the computer sleeps; it lets go right after them and takes a new one on
// waking. Without a login manager a sleep is still noticed afterwards, by the jump between the
// boot-time and monotonic clocks (TClockJump), looked at every few seconds.
#include "framework/ClockJump.h"

#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QTimer>

class TSleepWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kClockLookMs = 2000;

    explicit TSleepWatch(QObject* parent = nullptr);

    // Between Sleeping and Woke.
    bool Asleep() const { return FAsleep; }
    // An inhibitor is held now.
    bool Inhibiting() const { return FInhibitor.isValid(); }

signals:
    // The computer is about to sleep.
    void Sleeping();
    // It is awake again after asleepMs milliseconds (as the boot-time clock counts them).
    void Woke(qint64 asleepMs);

private slots:
    void PrepareForSleep(bool start);

private:
    void TakeInhibitor();
    void LookAtClocks();

    QDBusUnixFileDescriptor FInhibitor;
    QTimer FClockTimer;
    TClockJump FJump;
    bool FAsleep = false;
    qint64 FAsleepSinceMs = 0; // boot-time clock
};
