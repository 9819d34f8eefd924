#pragma once
// What the diagnosis window shows and copies, made from the prober's records and the verdict:
// one row per landmark (the gateway's own echoes first, then each hop) with its address, name,
// probes sent, loss and round trips, and the landmarks' summary line.
#include "monitor/FaultVerdict.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace Monitor {

// The table's headings: hop, address, name, sent, lost %, last, average, best, worst.
QStringList DiagnosisHeadings();

// The rows. `names` maps an address's text to its name from a reverse lookup. Hops past the
// last that answered are shown up to the first silent one (where the path goes dark).
QList<QStringList> DiagnosisRows(const PathRecords& records, const QHash<QString, QString>& names);

// The route, the gateway and the name servers in one line.
QString LandmarksLine(const PathRecords& records);

// Everything as plain text: verdict, evidence, landmarks and the table, columns aligned.
QString DiagnosisText(const QString& host, const PathRecords& records, const TFaultVerdict& verdict,
                      const QHash<QString, QString>& names);

} // namespace Monitor
