#include "framework/Browser.h"

#include "framework/MessageBox.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

bool OpenBrowser(const QString& host)
{
    const QUrl url = QUrl::fromUserInput(host.trimmed());
    if (!url.isValid())
        return false;
    return QDesktopServices::openUrl(url);
}

namespace {

void SayFolder(const QString& folder, const QString& why)
{
    ShowNotice(QCoreApplication::translate("Framework", "Klasör açılamadı (%1).\n"
                                                        "Klasörün yolu:\n%2")
                   .arg(why, folder));
}

} // namespace

void OpenFolderOrSay(const QString& folder)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        SayFolder(folder, QCoreApplication::translate("Framework", "dosya yöneticisi yok"));
        return;
    }
    // xdg-open says through its exit status whether it found a program for folders; it is
    // never waited for, and one that is still running has started the file manager.
    auto* open = new QProcess(QCoreApplication::instance());
    open->setStandardOutputFile(QProcess::nullDevice());
    QObject::connect(open, &QProcess::errorOccurred, open,
                     [open, folder](QProcess::ProcessError e) {
                         if (e == QProcess::FailedToStart) {
                             SayFolder(folder, open->errorString());
                             open->deleteLater();
                         }
                     });
    QObject::connect(
        open, &QProcess::finished, open, [open, folder](int code, QProcess::ExitStatus status) {
            if (status != QProcess::NormalExit || code != 0) {
                const QString said = QString::fromLocal8Bit(open->readAllStandardError())
                                         .trimmed()
                                         .section(QLatin1Char('\n'), 0, 0);
                SayFolder(folder, said.isEmpty() ? QCoreApplication::translate(
                                                       "Framework", "dosya yöneticisi yok")
                                                 : said);
            }
            open->deleteLater();
        });
    open->start(opener, {folder});
}
