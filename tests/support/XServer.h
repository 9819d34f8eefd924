#pragma once
#include <QProcess>
#include <QString>

// An X server of a test's own (Xvfb, 1024 x 768, no TCP) on the first free display number from
// firstDisplay on; Display() is empty when none could be started. Stopped when destroyed.
class XServer {
public:
    explicit XServer(int firstDisplay = 180);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    QString Display() const { return FDisplay; }

private:
    QProcess FProcess;
    QString FDisplay;
};
