#include "support/XServer.h"

#include <QStandardPaths>

XServer::XServer()
{
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (xvfb.isEmpty())
        return;
    // The server picks a free display number itself and writes it to standard output once it
    // accepts connections: choosing a number here and watching for its socket raced with other
    // test programs starting a server at the same moment.
    FProcess.setProcessChannelMode(QProcess::SeparateChannels);
    FProcess.setReadChannel(QProcess::StandardOutput);
    // No reset: by default the server starts afresh whenever its last client leaves, and a
    // program connecting in that moment (right after a xdotool call, or after the accessibility
    // bus set its root window property) is dropped with "could not connect to display".
    FProcess.start(
        xvfb, {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"});
    if (!FProcess.waitForStarted(5000))
        return;
    QByteArray number;
    while (!number.contains('\n') && FProcess.state() == QProcess::Running &&
           FProcess.waitForReadyRead(10000))
        number += FProcess.readAllStandardOutput();
    bool ok = false;
    const int n = number.trimmed().toInt(&ok);
    if (ok && FProcess.state() == QProcess::Running) {
        FDisplay = QStringLiteral(":%1").arg(n);
        return;
    }
    FProcess.kill();
    FProcess.waitForFinished();
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
