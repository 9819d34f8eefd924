#pragma once
#include <QProcess>
#include <QString>

// An X server of a test's own (Xvfb, 1024 x 768, no TCP) on a free display number; Display() is
// empty when none could be started. Stopped when destroyed.
class XServer {
public:
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    QString Display() const { return FDisplay; }

private:
    QProcess FProcess;
    QString FDisplay;
};
