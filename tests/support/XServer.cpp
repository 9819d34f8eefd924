#include "support/XServer.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <unistd.h>

XServer::XServer(int firstDisplay)
{
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (xvfb.isEmpty())
        return;
    // Spread by process so that test programs running side by side rarely try the same number.
    for (int n = firstDisplay + getpid() % 50; n < firstDisplay + 80; ++n) {
        if (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) ||
            QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            continue;
        FProcess.start(xvfb, {QStringLiteral(":%1").arg(n), "-screen", "0", "1024x768x24",
                              "-nolisten", "tcp"});
        if (!FProcess.waitForStarted(5000))
            return;
        for (int i = 0; i < 100 && FProcess.state() == QProcess::Running; ++i) {
            if (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n))) {
                FDisplay = QStringLiteral(":%1").arg(n);
                return;
            }
            QThread::msleep(50);
        }
        FProcess.kill();
        FProcess.waitForFinished();
    }
}

XServer::~XServer()
{
    if (FProcess.state() == QProcess::NotRunning)
        return;
    FProcess.terminate();
    if (!FProcess.waitForFinished(3000))
        FProcess.kill();
    FProcess.waitForFinished();
}
