#include "app/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <unistd.h>

namespace {
const QByteArray kKnock = "show\n";
}

TSingleInstance::TSingleInstance(const QString& key, QObject* parent) : QObject(parent), FKey(key)
{
}

TSingleInstance::~TSingleInstance() = default;

QString TSingleInstance::DefaultKey()
{
    return QStringLiteral("ZmPing2-") + QString::number(::getuid());
}

bool TSingleInstance::AnotherIsRunning()
{
    QLocalSocket socket;
    socket.connectToServer(FKey);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(kKnock);
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return true;
}

bool TSingleInstance::Listen()
{
    FServer = new QLocalServer(this);
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    if (!FServer->listen(FKey)) {
        // A socket file left by a copy that crashed: nobody answered on it, so take it over.
        QLocalServer::removeServer(FKey);
        if (!FServer->listen(FKey))
            return false;
    }
    connect(FServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = FServer->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                if (s->readAll().contains(kKnock.trimmed()) && OnActivate)
                    OnActivate();
            });
        }
    });
    return true;
}
