#pragma once
// Points XDG_CONFIG_HOME at a fresh temporary folder for the life of the object, so that tests
// never touch the real user's settings, and puts the previous value back afterwards.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

class TTempConfig {
public:
    TTempConfig()
    {
        FHad = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        FOld = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", FDir.path().toLocal8Bit());
    }
    ~TTempConfig()
    {
        // A test may have made the folder read-only; the temporary folder must still go.
        if (QDir(Folder()).exists())
            QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (FHad)
            qputenv("XDG_CONFIG_HOME", FOld);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    QString Home() const { return FDir.path(); }
    // The program's own folder inside it (not created).
    QString Folder() const { return FDir.path() + QStringLiteral("/ZmPing2"); }

private:
    QTemporaryDir FDir;
    bool FHad = false;
    QByteArray FOld;
};
