#include "monitor/HistoryFile.h"

#include <QDir>
#include <QRegularExpression>

namespace Monitor {

QString HistoryFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/ZmPing2/history");
}

QString HistoryFileName(const QDate& day)
{
    return day.toString(Qt::ISODate) + QStringLiteral(".csv");
}

QByteArray HistoryHeader()
{
    return "time,host,address,outcome,rtt_ms,status_code,status_text\r\n";
}

QString CsvField(const QString& text)
{
    static const QRegularExpression special(QStringLiteral("[,\"\r\n]"));
    if (!text.contains(special))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray HistoryLine(const TSample& s)
{
    const QStringList fields{IsoTimeText(s.Time),
                             CsvField(s.Host),
                             CsvField(s.Address),
                             OutcomeName(s.Outcome),
                             s.HasReply() ? QString::number(s.RoundTripUs / 1000.0, 'f', 3)
                                          : QString(),
                             QString::number(s.StatusCode),
                             CsvField(s.StatusText)};
    return fields.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

QByteArray HistoryEventLine(const THistoryEvent& e)
{
    const QString text = e.Text.isEmpty() ? DefaultEventText(e.Kind) : e.Text;
    const QStringList fields{IsoTimeText(e.Time), CsvField(e.Host), QString(),
                             EventName(e.Kind),   QString(),        QStringLiteral("0"),
                             CsvField(text)};
    return fields.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

QString THistoryFile::Append(const QDate& day, const QByteArray& line)
{
    if (!FFile.isOpen() || day != FDay) {
        FFile.close();
        if (!QDir().mkpath(FFolder))
            return QStringLiteral("cannot create the folder %1").arg(FFolder);
        FFile.setFileName(FFolder + QLatin1Char('/') + HistoryFileName(day));
        if (!FFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
            return QStringLiteral("%1: %2").arg(FFile.fileName(), FFile.errorString());
        FDay = day;
        if (FFile.size() == 0 && FFile.write(HistoryHeader()) < 0) {
            FFile.close();
            return QStringLiteral("%1: %2").arg(FFile.fileName(), FFile.errorString());
        }
    }
    if (FFile.write(line) != line.size()) {
        const QString why = QStringLiteral("%1: %2").arg(FFile.fileName(), FFile.errorString());
        // Opened afresh next time: a full disk may have room again.
        FFile.close();
        return why;
    }
    return {};
}

void THistoryFile::RemoveOld(const QDate& today, int keepDays)
{
    static const QRegularExpression dayFile(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})\\.csv$"));
    const QDate oldest = today.addDays(-keepDays);
    const QDir dir(FFolder);
    for (const QString& name : dir.entryList(QDir::Files)) {
        const auto m = dayFile.match(name);
        const QDate day = m.hasMatch() ? QDate::fromString(m.captured(1), Qt::ISODate) : QDate();
        if (day.isValid() && day < oldest)
            QFile::remove(dir.filePath(name));
    }
}

} // namespace Monitor
