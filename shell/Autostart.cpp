#include "shell/Autostart.h"

#include "framework/AtomicFile.h"
#include "framework/MessageBox.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QMenu>
#include <QStandardPaths>

namespace {

// One argument of an Exec line: quoted when it holds a reserved character, then written as a
// desktop-entry string (backslashes doubled) with percent signs doubled (no field codes).
QString ExecArgument(const QString& Arg)
{
    static const QString reserved = QStringLiteral(" \t\"'\\><~|&;$*?#()`");
    bool plain = !Arg.isEmpty();
    for (QChar c : Arg)
        plain = plain && !reserved.contains(c);
    QString out = Arg;
    if (!plain) {
        out.clear();
        for (QChar c : Arg) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                out += QLatin1Char('\\');
            out += c;
        }
        out = QLatin1Char('"') + out + QLatin1Char('"');
    }
    return out.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('%'), QStringLiteral("%%"));
}

} // namespace

QString AutostartFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/ZmPing2.desktop");
}

bool AutostartEnabled()
{
    QByteArray data;
    if (!ReadWholeFile(AutostartFile(), data))
        return false;
    for (const QByteArray& line : data.split('\n'))
        if (line.trimmed() == "Hidden=true")
            return false;
    return true;
}

QByteArray AutostartEntry(const QString& Program)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=ZmPing2\n"
                          "Comment=Network monitor, started in the notification area\n"
                          "Exec=%1 --hidden\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(ExecArgument(Program))
        .toUtf8();
}

void SetAutostart(bool On)
{
    const QString file = AutostartFile();
    if (On) {
        const QString program = QCoreApplication::applicationFilePath();
        if (program.contains(QLatin1Char('\n')) || program.contains(QLatin1Char('\r')))
            throw EFileWriteError(
                file, QStringLiteral("the program's path %1 holds a line break").arg(program));
        AtomicWriteFile(file, AutostartEntry(program));
    } else if (QFile entry(file); entry.exists() && !entry.remove()) {
        throw EFileWriteError(file, entry.errorString());
    }
}

QAction* AddAutostartItem(QMenu* Menu)
{
    auto* item = Menu->addAction(QCoreApplication::translate("Shell", "Oturum açılınca başlat"));
    item->setObjectName(QStringLiteral("Autostart1"));
    item->setCheckable(true);
    item->setChecked(AutostartEnabled());
    QObject::connect(Menu, &QMenu::aboutToShow, item,
                     [item] { item->setChecked(AutostartEnabled()); });
    QObject::connect(item, &QAction::triggered, item, [item](bool on) {
        RunGuarded([on] { SetAutostart(on); });
        item->setChecked(AutostartEnabled());
    });
    return item;
}
