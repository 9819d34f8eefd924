#include "framework/BrokenFile.h"

#include "framework/MessageBox.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

TBrokenFileReporter& Reporter()
{
    static TBrokenFileReporter reporter;
    return reporter;
}

void ReportOnce(const QString& path, const QString& message)
{
    static QSet<QString> reported;
    if (reported.contains(path))
        return;
    reported.insert(path);
    if (Reporter())
        Reporter()(message);
    else
        ShowMessage(message);
}

QString BrokenName(const QString& path)
{
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = path + QStringLiteral(".broken-") + stamp;
    for (int n = 1; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = path + QStringLiteral(".broken-") + stamp + QLatin1Char('-') + QString::number(n);
    return name;
}

} // namespace

void SetBrokenFileReporter(TBrokenFileReporter reporter)
{
    Reporter() = std::move(reporter);
}

bool SetBrokenFileAside(const QString& path, const QString& reason)
{
    // The name itself is renamed: a link keeps pointing where it did, and what it points to
    // (a device, another file) is never touched.
    const QString aside = BrokenName(path);
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) == 0) {
        ReportOnce(path, QStringLiteral("The settings file %1 could not be read (%2). It was kept "
                                        "as %3 and the default settings are used.")
                             .arg(path, reason, aside));
        return true;
    }
    ReportOnce(path, QStringLiteral("The settings file %1 could not be read (%2) and could not be "
                                    "kept aside (%3). The default settings are used and nothing "
                                    "is written to it.")
                         .arg(path, reason, QString::fromLocal8Bit(std::strerror(errno))));
    return false;
}
