#include "app/StoredStateProbe.h"

#include "app/AnaForm.h"
#include "app/AyarU.h"
#include "shell/Placement.h"

#include <QPointer>
#include <QSaveFile>
#include <QTimer>

void InstallStoredStateProbe(TAnaF* main, TAyarF* settings)
{
    const QString path = qEnvironmentVariable("ZMPING2_TEST_STORED_STATE");
    if (path.isEmpty())
        return;
    // Polled rather than hooked into the windows, so the probe changes nothing they do.
    auto* timer = new QTimer(settings);
    QObject::connect(
        timer, &QTimer::timeout, settings,
        [path, m = QPointer<TAnaF>(main), settings, last = QByteArray()]() mutable {
            if (!m)
                return;
            QString text;
            for (const QString& line : settings->FormStorage1->StoredProps()) {
                QObject* c = settings->findChild<QObject*>(line.section('.', 0, 0));
                const QVariant v =
                    c ? c->property(line.section('.', 1).toLatin1().constData()) : QVariant();
                text += line + '=' + v.toString() + '\n';
            }
            const QRect g = m->geometry();
            text += QStringLiteral("main=%1,%2,%3,%4\n")
                        .arg(g.x())
                        .arg(g.y())
                        .arg(g.width())
                        .arg(g.height());
            text += QStringLiteral("mainVisible=%1\nsettingsVisible=%2\n")
                        .arg(int(m->isVisible()))
                        .arg(int(settings->isVisible()));
            text += QStringLiteral("mainMinimized=%1\nmainOffTaskBar=%2\n")
                        .arg(int(m->isMinimized()))
                        .arg(int(m->KeepsOffTaskBar()));
            const QByteArray bytes = text.toUtf8();
            if (bytes == last)
                return;
            QSaveFile f(path);
            if (f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit())
                last = bytes;
        });
    timer->start(100);
}
