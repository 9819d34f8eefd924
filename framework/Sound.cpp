#include "framework/Sound.h"

#include "framework/MessageBox.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

// Program and fixed arguments of the player, or an empty program when there is none.
QStringList PlayerCommand()
{
    const QString custom = qEnvironmentVariable("ZMPING2_SOUND_PLAYER");
    if (!custom.isEmpty())
        return QProcess::splitCommand(custom);
    static const QStringList found = [] {
        const QList<QStringList> candidates = {{"aplay", "-q"}, {"paplay"}, {"pw-play"}};
        for (const QStringList& c : candidates) {
            const QString exe = QStandardPaths::findExecutable(c.first());
            if (!exe.isEmpty()) {
                QStringList cmd = c;
                cmd.first() = exe;
                return cmd;
            }
        }
        return QStringList();
    }();
    return found;
}

std::function<void(const QString&)>& Hook()
{
    static std::function<void(const QString&)> hook;
    return hook;
}

} // namespace

void SetSoundHook(std::function<void(const QString& path)> hook)
{
    Hook() = std::move(hook);
}

namespace {

// The alarm cannot sound: the desktop's beep instead, and, once a run, a notice that says why.
void CannotPlay(const QString& reason)
{
    QApplication::beep();
    static bool told = false;
    if (told)
        return;
    told = true;
    ShowNotice(QCoreApplication::translate("Framework", "Alarm sesi çalınamıyor: %1\n"
                                                        "Yerine masaüstünün uyarı sesi çalıyor.")
                   .arg(reason));
}

} // namespace

void PlaySoundAsync(const QString& path)
{
    if (Hook()) {
        Hook()(path);
        return;
    }
    QStringList cmd = PlayerCommand();
    if (!QFileInfo(path).isFile()) {
        QApplication::beep();
        return;
    }
    if (cmd.isEmpty()) {
        CannotPlay(QCoreApplication::translate(
            "Framework", "ses çalacak program yok (aplay, paplay ya da pw-play)"));
        return;
    }
    const QString program = cmd.takeFirst();
    cmd << path;
    // Never waited for: the player's end (and what it said on failing, such as no sound
    // device) arrives through the event loop.
    auto* player = new QProcess(QCoreApplication::instance());
    player->setProcessChannelMode(QProcess::SeparateChannels);
    player->setStandardOutputFile(QProcess::nullDevice());
    QObject::connect(player, &QProcess::errorOccurred, player, [player](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            CannotPlay(QStringLiteral("%1: %2").arg(player->program(), player->errorString()));
            player->deleteLater();
        }
    });
    QObject::connect(
        player, &QProcess::finished, player, [player](int code, QProcess::ExitStatus status) {
            if (status != QProcess::NormalExit || code != 0) {
                const QString said = QString::fromLocal8Bit(player->readAllStandardError())
                                         .trimmed()
                                         .section('\n', 0, 0);
                CannotPlay(QStringLiteral("%1: %2").arg(
                    QFileInfo(player->program()).fileName(),
                    said.isEmpty() ? QStringLiteral("exit status %1").arg(code) : said));
            }
            player->deleteLater();
        });
    player->start(program, cmd);
}

QString ExecutableDirectory()
{
    QString dir = QApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

QString FindDataFile(const QString& Name)
{
    const QString beside = ExecutableDirectory() + Name;
    if (QFileInfo(beside).isFile())
        return beside;
    const QString installed =
        QFileInfo(ExecutableDirectory() + QStringLiteral("../share/ZmPing2/") + Name)
            .absoluteFilePath();
    if (QFileInfo(installed).isFile())
        return installed;
    const QString found = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                 QStringLiteral("ZmPing2/") + Name);
    return found.isEmpty() ? beside : found;
}
