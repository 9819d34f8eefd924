#pragma once
// The dated history on disk: one CSV file per day, $XDG_STATE_HOME/ZmPing2/history/YYYY-MM-DD.csv
// (~/.local/state when XDG_STATE_HOME is unset or empty), one line per sample, RFC 4180:
//   time,host,address,outcome,rtt_ms,status_code,status_text
//   2026-12-08T09:15:02.417+03:00,localhost,127.0.0.1,good,0.084,0,Success
// Time is the sample's local time with its offset; the round trip is in milliseconds with three
// decimals and empty without a reply; fields holding a comma, a quote or a line break are quoted
// (quotes doubled). Lines end in CRLF, as RFC 4180 asks. The file of a sample is that of its
// local date.
#include "monitor/HistoryEvent.h"
#include "monitor/Sample.h"

#include <QDate>
#include <QFile>
#include <QString>

namespace Monitor {

QString HistoryFolder();
QString HistoryFileName(const QDate& day);
QByteArray HistoryHeader();
QByteArray HistoryLine(const TSample& sample);
// An event's row: the outcome names the event, address and round trip stay empty.
QByteArray HistoryEventLine(const THistoryEvent& event);
// One field, quoted when it must be.
QString CsvField(const QString& text);

// Appends lines to the file of their day inside one folder; runs on the writer's thread. Keeps
// the day's file open between lines; each line reaches the kernel at once (so a crash of the
// program loses nothing), flushing to the disk is left to the system.
class THistoryFile {
public:
    explicit THistoryFile(QString folder) : FFolder(std::move(folder)) {}
    // Empty on success, else why the line could not be written.
    QString Append(const QDate& day, const QByteArray& line);
    // Removes the day files older than keepDays days before today. Other files stay.
    void RemoveOld(const QDate& today, int keepDays);

private:
    QString FFolder;
    QFile FFile;
    QDate FDay;
};

} // namespace Monitor
