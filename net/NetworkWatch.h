#pragma once
// Tells when the kernel's links, addresses or routes change, over a route netlink socket
// subscribed to their groups (IPv4 and IPv6). A burst of notices (a cable plugged in brings a
// link, an address and routes within a moment) is told once, when it has settled. A socket
// that overflowed lost notices: that counts as a change too.
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;

class TNetworkWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kSettleMs = 300;

    explicit TNetworkWatch(QObject* parent = nullptr);
    ~TNetworkWatch() override;

    // Empty while watching, else why the socket could not be opened.
    const QString& Error() const { return FError; }

signals:
    void Changed();

private:
    void Read();

    int FFd = -1;
    QSocketNotifier* FNotifier = nullptr;
    QTimer FSettle;
    QString FError;
};
