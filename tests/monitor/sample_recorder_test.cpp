// Samples on disk: the day's history file as Python's csv module reads it, the retention,
// one report per failing kind of file while pinging goes on, and the metrics file.
#include "monitor/SampleHub.h"
#include "monitor/SampleRecorder.h"
#include "support/TempConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace Monitor;

namespace {

TSample Echo(const QString& host, double us, const QDateTime& when)
{
    TSample s;
    s.Time = when;
    s.Host = host;
    s.Address = "127.0.0.1";
    s.Outcome = us < 0 ? TOutcome::Lost : TOutcome::Good;
    s.RoundTripUs = us;
    s.StatusCode = us < 0 ? 11010 : 0;
    s.StatusText = us < 0 ? "Request timed out" : "Success";
    return s;
}

// The rows of a CSV file as Python's csv module reads it with no option, one per line,
// fields joined by '|', line breaks inside a field shown as "\n".
QStringList PythonRows(const QString& path)
{
    QProcess py;
    py.start("python3", {"-c",
                         "import csv,sys\n"
                         "for r in csv.reader(open(sys.argv[1], newline='')):\n"
                         "    print('|'.join(f.replace('\\n', '\\\\n') for f in r))\n",
                         path});
    EXPECT_TRUE(py.waitForFinished(20000));
    EXPECT_EQ(py.exitCode(), 0) << py.readAllStandardError().toStdString();
    return QString::fromUtf8(py.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

} // namespace

TEST(SampleRecorder, HistoryIsADayFileThatCsvReadersTakeAsItIs)
{
    TTempConfig config;
    QTemporaryDir state;
    const QString folder = state.filePath("history");
    QDir().mkpath(folder);
    const QDate today = QDate::currentDate();
    // Older than the 30 days kept, just inside them, and a file that is not ours.
    for (const QString& name : {HistoryFileName(today.addDays(-31)),
                                HistoryFileName(today.addDays(-30)), QString("notes.csv")}) {
        QFile f(QDir(folder).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    TSampleHub hub;
    auto* recorder = new TSampleRecorder(&hub, folder);
    const QDateTime when(today, QTime(9, 15, 2, 417), QTimeZone(3 * 3600));
    hub.Add(Echo("localhost", 84.4, when));
    hub.Add(Echo("say \"hi\", then\nleave", -1, when.addSecs(1)));
    recorder->Flush();

    const QStringList rows = PythonRows(QDir(folder).filePath(HistoryFileName(today)));
    ASSERT_EQ(rows.size(), 3) << rows.join('\n').toStdString();
    EXPECT_EQ(rows[0], "time|host|address|outcome|rtt_ms|status_code|status_text");
    const QString day = today.toString(Qt::ISODate);
    EXPECT_EQ(rows[1], day + "T09:15:02.417+03:00|localhost|127.0.0.1|good|0.084|0|Success");
    EXPECT_EQ(rows[2], QString("%1T09:15:03.417+03:00|say \"hi\", then\\nleave|127.0.0.1|lost||"
                               "11010|Request timed out")
                           .arg(day));
    EXPECT_FALSE(QFile::exists(QDir(folder).filePath(HistoryFileName(today.addDays(-31)))));
    EXPECT_TRUE(QFile::exists(QDir(folder).filePath(HistoryFileName(today.addDays(-30)))));
    EXPECT_TRUE(QFile::exists(QDir(folder).filePath("notes.csv")));
}

TEST(SampleRecorder, AFailingFileIsReportedOnceAndTheSamplesGoOn)
{
    TTempConfig config;
    QTemporaryDir state;
    // A file where the history folder should be: no day file can ever be made there (even
    // for root, unlike a read-only folder).
    const QString folder = state.filePath("history");
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TSampleHub hub;
    hub.SetMetricsFile(state.filePath("missing/zmping2.prom"));
    auto* recorder = new TSampleRecorder(&hub, folder);
    QStringList reports;
    recorder->OnFailure = [&](const QString& why) { reports << why; };
    for (int i = 0; i < 5; ++i) {
        hub.Add(Echo("localhost", 1000, QDateTime::currentDateTime()));
        recorder->Flush();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(hub.Statistics().Session().Sent, 5);
    ASSERT_EQ(reports.size(), 2) << reports.join('\n').toStdString();
    EXPECT_TRUE(reports[0].contains(folder)) << reports[0].toStdString();
    EXPECT_TRUE(reports[1].contains("zmping2.prom")) << reports[1].toStdString();

    // Once the metrics file can be written it is, whole, and nothing is left beside it.
    QDir().mkpath(state.filePath("missing"));
    hub.Add(Echo("localhost", 2000, QDateTime::currentDateTime()));
    recorder->Flush();
    QFile metrics(state.filePath("missing/zmping2.prom"));
    ASSERT_TRUE(metrics.open(QIODevice::ReadOnly));
    EXPECT_TRUE(
        metrics.readAll().contains("zmping2_echo_requests_sent_total{host=\"localhost\"} 6\n"));
    EXPECT_EQ(QDir(state.filePath("missing")).entryList(QDir::Files).size(), 1);
}

TEST(SampleRecorder, EventsAreRowsBetweenTheSamplesInTheOrderTheyHappened)
{
    TTempConfig config;
    QTemporaryDir state;
    const QString folder = state.filePath("history");
    TSampleHub hub;
    const QDateTime t0(QDate::currentDate(), QTime(8, 0), QTimeZone(3600));
    QDateTime now = t0;
    hub.Now = [&] { return now; };
    auto* recorder = new TSampleRecorder(&hub, folder);
    hub.SetHost("localhost");
    hub.AddEvent(THistoryEventKind::Start);
    hub.SetAutoPing(true); // pinging starts on: nothing to record
    hub.Add(Echo("localhost", 500, t0.addSecs(1)));
    now = t0.addSecs(2);
    hub.SetAutoPing(false);
    hub.SetAutoPing(false);
    now = t0.addSecs(3);
    hub.SetAutoPing(true);
    now = t0.addSecs(4);
    hub.SetHost("a,b");
    hub.Add(Echo("a,b", 600, t0.addSecs(4)));
    hub.AddEvent(THistoryEventKind::End);
    recorder->Flush();

    QStringList rows = PythonRows(QDir(folder).filePath(HistoryFileName(t0.date())));
    ASSERT_EQ(rows.size(), 8) << rows.join('\n').toStdString();
    for (QString& r : rows)
        r = r.section('|', 1); // the time is checked through the order
    EXPECT_EQ(rows[1], "localhost||start||0|Program started");
    EXPECT_EQ(rows[2], "localhost|127.0.0.1|good|0.500|0|Success");
    EXPECT_EQ(rows[3], "localhost||auto ping off||0|Automatic pinging off");
    EXPECT_EQ(rows[4], "localhost||auto ping on||0|Automatic pinging on");
    EXPECT_EQ(rows[5], "a,b||host change||0|Host changed from localhost");
    EXPECT_EQ(rows[6], "a,b|127.0.0.1|good|0.600|0|Success");
    EXPECT_EQ(rows[7], "a,b||end||0|Program ended");
}
