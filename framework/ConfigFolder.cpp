#include "framework/ConfigFolder.h"

#include <QDir>

QString ConfigFolder()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The XDG rules ignore a relative path as well as an empty one.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/ZmPing2");
}
