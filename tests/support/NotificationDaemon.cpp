#include "support/NotificationDaemon.h"

#include "support/WaitFor.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

NotificationDaemon::NotificationDaemon(const QString& folder, const QString& display)
    : FDisplay(display)
{
    FBus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1",
                               "--address=unix:path=" + folder + "/bus"});
    if (!FBus.waitForStarted(5000) || !WaitFor([&] { return FBus.canReadLine(); }, 20000)) {
        FError = "no private session bus";
        return;
    }
    FAddress = QString::fromUtf8(FBus.readLine()).trimmed();
    FDunst.setProcessEnvironment(Env());
    FDunst.setStandardOutputFile(QProcess::nullDevice());
    FDunst.setStandardErrorFile(QProcess::nullDevice());
    FDunst.start("dunst", {});
    if (!FDunst.waitForStarted(5000) ||
        !WaitFor([&] { return Tool("dunstctl", {"is-paused"}) == "false"; }, 20000))
        FError = "dunst did not come up on the private bus";
}

NotificationDaemon::~NotificationDaemon()
{
    for (QProcess* p : {&FDunst, &FBus}) {
        if (p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(3000)) {
                p->kill();
                p->waitForFinished(3000);
            }
        }
    }
}

QProcessEnvironment NotificationDaemon::Env() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", FDisplay);
    env.insert("DBUS_SESSION_BUS_ADDRESS", FAddress);
    return env;
}

QString NotificationDaemon::Tool(const QString& program, const QStringList& args) const
{
    QProcess p;
    p.setProcessEnvironment(Env());
    p.start(program, args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QList<NotificationDaemon::Notice> NotificationDaemon::Notices() const
{
    Tool("dunstctl", {"close-all"});
    QList<Notice> out;
    const QJsonDocument doc = QJsonDocument::fromJson(Tool("dunstctl", {"history"}).toUtf8());
    for (const QJsonValue& v : doc.object().value("data").toArray().at(0).toArray()) {
        const QJsonObject o = v.toObject();
        out.prepend({o.value("summary").toObject().value("data").toString(),
                     o.value("body").toObject().value("data").toString()});
    }
    return out;
}
