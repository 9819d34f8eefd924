#include "framework/Sound.h"

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

void PlaySoundAsync(const QString& path)
{
    if (Hook()) {
        Hook()(path);
        return;
    }
    QStringList cmd = PlayerCommand();
    if (!QFileInfo(path).isFile() || cmd.isEmpty()) {
        QApplication::beep();
        return;
    }
    const QString program = cmd.takeFirst();
    cmd << path;
    // Detached: the player outlives nothing of ours and is never waited for.
    if (!QProcess::startDetached(program, cmd))
        QApplication::beep();
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
