#pragma once
// A D-Bus session bus of a test's own, on a socket file in `folder` (reachable from a network
// namespace), with a real notification daemon (dunst) on it, shown on `display`. Both are
// stopped when this is destroyed. Error() is empty when both came up.
#include <QProcess>
#include <QString>
#include <QStringList>

class NotificationDaemon {
public:
    NotificationDaemon(const QString& folder, const QString& display);
    ~NotificationDaemon();
    NotificationDaemon(const NotificationDaemon&) = delete;
    NotificationDaemon& operator=(const NotificationDaemon&) = delete;

    const QString& Error() const { return FError; }
    // The bus's address, for DBUS_SESSION_BUS_ADDRESS.
    const QString& Address() const { return FAddress; }
    // This process's environment with the display and the bus.
    QProcessEnvironment Env() const;
    // Runs a tool (dunstctl, xdotool …) in Env() to its end; its output, trimmed.
    QString Tool(const QString& program, const QStringList& args) const;

    struct Notice {
        QString Summary, Body;
    };
    // Every notification dunst has had, oldest first (shown ones are closed first, which moves
    // them to the history).
    QList<Notice> Notices() const;

private:
    QString FDisplay, FAddress, FError;
    QProcess FBus, FDunst;
};
