#pragma once
// What the computer's sleep and the network's changes do to the monitoring. Across a sleep the
// cycle in flight ends without a sample, the history records the computer asleep (a gap, not a
// loss), and after waking the hub's grace holds back a "down" until the network is back. On a
// change of the route to the host (another interface or gateway, or none at all) the history
// records it, the host is looked up afresh, the same grace applies, and a "down" while no route
// is left says that this computer has no network.
#include <QObject>
#include <QString>

class TAyarF;
class TNetworkWatch;
class TSleepWatch;

class TLineEvents : public QObject {
    Q_OBJECT
public:
    explicit TLineEvents(TAyarF* settings);

    // The route to the host as last seen: "eth0, gateway 192.0.2.1", "no route"; empty before
    // the first sample.
    const QString& Route() const { return FRoute; }

private:
    void Sleeping();
    void Woke(qint64 asleepMs);
    // Asks which way the host is reached now; a change is told when `changed` (the network
    // changed), else the answer is only remembered (another host, the first sample).
    void LookAtRoute(bool changed);

    TAyarF* FAyar;
    TSleepWatch* FSleep;
    TNetworkWatch* FNetwork;
    QString FAddress; // of the host the route is of
    QString FRoute;
};
