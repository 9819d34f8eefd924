#pragma once
// An X server of the benchmark's own (Xvfb, 1024 x 768, no TCP) on the first free display
// number; Name is empty when none could be started (the programs then draw off-screen).
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QThread>
#include <unistd.h>

struct XvfbDisplay {
    QProcess Xvfb;
    QString Name;
    XvfbDisplay()
    {
        const QString exe = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (exe.isEmpty())
            return;
        for (int n = 120 + getpid() % 40; n < 200; ++n) {
            if (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) ||
                QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                continue;
            Xvfb.start(exe, {QStringLiteral(":%1").arg(n), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp", "-noreset"});
            if (!Xvfb.waitForStarted(5000))
                return;
            for (int i = 0; i < 100 && Xvfb.state() == QProcess::Running; ++i) {
                if (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n))) {
                    Name = QStringLiteral(":%1").arg(n);
                    return;
                }
                QThread::msleep(50);
            }
            Xvfb.kill();
            Xvfb.waitForFinished();
        }
    }
    ~XvfbDisplay()
    {
        Xvfb.terminate();
        Xvfb.waitForFinished(3000);
    }
};
