// Reading the history back: day summaries of hand-worked files (a damaged line, a gap, events),
// the outage rule replayed across midnight and over a restart, the store re-reading a day that
// changed, and the figures of a report.
#include "monitor/DaySummary.h"
#include "monitor/HistoryReport.h"
#include "monitor/Outages.h"
#include "monitor/SummaryStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Monitor;

namespace {

const char* const kHeader = "time,host,address,outcome,rtt_ms,status_code,status_text\r\n";

// One sample row at hh:mm:ss (UTC) of 2026-12-01 + day; rtt < 0: lost.
std::string Row(int day, int h, int m, int s, double rtt, const char* host = "h")
{
    char line[200];
    std::snprintf(line, sizeof line,
                  "2026-12-%02dT%02d:%02d:%02d.000+00:00,%s,192.0.2.1,%s,%s,%s\r\n", day, h, m, s,
                  host, rtt < 0 ? "lost" : "good",
                  rtt < 0 ? "" : QByteArray::number(rtt, 'f', 3).constData(),
                  rtt < 0 ? "11010,Request timed out" : "0,Success");
    return line;
}

std::int64_t Ms(int day, int h, int m, int s)
{
    return *ParseIsoTime(QStringLiteral("2026-12-%1T%2:%3:%4Z")
                             .arg(day, 2, 10, QLatin1Char('0'))
                             .arg(h, 2, 10, QLatin1Char('0'))
                             .arg(m, 2, 10, QLatin1Char('0'))
                             .arg(s, 2, 10, QLatin1Char('0'))
                             .toStdString());
}

} // namespace

TEST(HistorySummary, MinutesCountWhatWasSentLostAndRepliedAndSkipDamagedLines)
{
    std::string text = kHeader;
    text += Row(1, 10, 0, 0, 10.0) + Row(1, 10, 0, 20, 30.0) + Row(1, 10, 0, 40, -1) +
            Row(1, 10, 0, 50, 20.0);
    // Damaged: a bad time, a round trip that is no number, an unknown outcome, a lone quote.
    text += "2026-13-01T10:00:55.000+00:00,h,192.0.2.1,good,1.000,0,Success\r\n";
    text += "2026-12-01T10:00:56.000+00:00,h,192.0.2.1,good,fast,0,Success\r\n";
    text += "2026-12-01T10:00:57.000+00:00,h,192.0.2.1,splendid,1.000,0,Success\r\n";
    text += "2026-12-01T10:00:58.000+00:00,\"h,192.0.2.1,good,1.000,0,Success\r\n";
    // Nothing from 10:01 to 10:05 (a gap), then one sample with a later column and an event.
    text += "2026-12-01T10:05:00.000+00:00,h,,auto ping on,,0,Automatic pinging on\r\n";
    text += "2026-12-01T10:05:01.000+00:00,h,192.0.2.1,good,40.000,0,Success,provider\r\n";

    const TDaySummary day = SummariseDay(text);
    EXPECT_EQ(day.Counts.Damaged, 4);
    EXPECT_EQ(day.Counts.Rows, 6);
    ASSERT_EQ(day.Minutes.size(), 2u); // the gap holds no minute, not an empty one
    const TMinuteSummary& m = day.Minutes[0].Summary;
    EXPECT_EQ(m.Minute, Ms(1, 10, 0, 0) / 60000);
    EXPECT_EQ(m.Sent, 4);
    EXPECT_EQ(m.Replies, 3);
    EXPECT_DOUBLE_EQ(m.MinUs, 10000);
    EXPECT_DOUBLE_EQ(m.MaxUs, 30000);
    // Jitter over consecutive replies, the lost echo skipped: |30-10| + |20-30|.
    EXPECT_EQ(m.JitterPairs, 2);
    EXPECT_DOUBLE_EQ(m.JitterSumUs, 30000);
    ASSERT_EQ(day.Events.size(), 1u);
    EXPECT_EQ(day.Events[0].Kind, THistoryEventKind::AutoPingOn);
    ASSERT_EQ(day.Runs.size(), 3u); // good, bad, good
    EXPECT_EQ(day.Runs[2].Fault, "provider");
}

TEST(HistorySummary, AnOutageAcrossMidnightIsOneAndARestartEndsAnOpenOne)
{
    // Day one ends with four lost echoes from 23:59:56, day two brings the line back at 00:00:03.
    std::string one = std::string(kHeader) + Row(1, 23, 59, 50, 5) + Row(1, 23, 59, 52, -1) +
                      Row(1, 23, 59, 53, 5) + Row(1, 23, 59, 56, -1) + Row(1, 23, 59, 57, -1) +
                      Row(1, 23, 59, 58, -1) + Row(1, 23, 59, 59, -1);
    std::string two = std::string(kHeader) + Row(2, 0, 0, 1, -1) + Row(2, 0, 0, 3, 5) +
                      Row(2, 0, 0, 4, 5) + Row(2, 0, 0, 5, -1) + Row(2, 0, 0, 6, -1) +
                      Row(2, 0, 0, 7, -1) +
                      "2026-12-02T00:10:00.000+00:00,h,,start,,0,Program started\r\n" +
                      Row(2, 0, 10, 1, 5) + Row(2, 0, 10, 2, 5);
    std::vector<TSampleRun> runs = SummariseDay(one).Runs;
    for (const TSampleRun& r : SummariseDay(two).Runs)
        runs.push_back(r);

    const std::vector<TOutage> outages = FindOutages(runs, 3, 2);
    ASSERT_EQ(outages.size(), 2u);
    // A single lost echo at 23:59:52 is no outage; the run from 23:59:56 is, until 00:00:03.
    EXPECT_EQ(outages[0].StartMs, Ms(1, 23, 59, 56));
    EXPECT_EQ(outages[0].EndMs, Ms(2, 0, 0, 3));
    EXPECT_EQ(outages[0].Seconds(), 7);
    EXPECT_FALSE(outages[0].Open);
    // Down again at 00:00:05; the program restarted before it came back: it ends at the last
    // sample before the restart, still open.
    EXPECT_EQ(outages[1].StartMs, Ms(2, 0, 0, 5));
    EXPECT_EQ(outages[1].EndMs, Ms(2, 0, 0, 7));
    EXPECT_TRUE(outages[1].Open);
    // With other counts the same samples give what those would have said; the bad cycles on
    // both sides of midnight count as one run.
    EXPECT_EQ(FindOutages(runs, 5, 2).size(), 1u);
    EXPECT_EQ(FindOutages(runs, 6, 2).size(), 0u);

    const TOutageTotals day2 = OutageTotals(outages, Ms(2, 0, 0, 0), Ms(3, 0, 0, 0));
    EXPECT_EQ(day2.Count, 2);
    EXPECT_EQ(day2.DownMs, 3000 + 2000);
}

TEST(HistorySummary, TheStoreReadsAChangedDayAgainAndTheReportAddsUp)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("history");
    QDir().mkpath(folder);
    auto write = [&](const QString& name, const std::string& text) {
        QFile f(folder + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.data(), qint64(text.size()));
    };
    // Ten minutes of one sample every 10 s, lost from 10:03:00 to 10:04:50 (12 echoes).
    std::string text = kHeader;
    for (int i = 0; i < 60; ++i)
        text += Row(1, 10, i / 6, i % 6 * 10, i >= 18 && i < 30 ? -1 : 20.0 + i % 2);
    write("2026-12-01.csv", text);
    write("notes.csv", "not ours");
    TSummaryStore store(dir.filePath("store.sqlite"));
    ASSERT_TRUE(store.Error().isEmpty()) << store.Error().toStdString();
    TRefreshResult r = store.Refresh(folder);
    EXPECT_EQ(r.Days, 1);
    EXPECT_EQ(r.Summarised, 1);
    EXPECT_EQ(store.Refresh(folder).Summarised, 0); // unchanged: not read again

    const std::int64_t from = Ms(1, 10, 0, 0), to = Ms(1, 10, 10, 0);
    THistoryData data = LoadHistory(store, "h", from, to, 3, 2);
    TReportFigures f = ReportFigures(data, from, to);
    EXPECT_EQ(f.Address, "192.0.2.1");
    EXPECT_EQ(f.Sent, 60);
    EXPECT_EQ(f.Lost, 12);
    EXPECT_NEAR(*f.LossPercent, 20.0, 1e-9);
    EXPECT_NEAR(*f.MedianUs, 20000, 20000 * 0.01);
    EXPECT_NEAR(*f.JitterUs, 1000, 1e-6); // 21/20 alternate; the pair across the loss counts too
    ASSERT_EQ(f.Outages.size(), 1u);
    EXPECT_EQ(f.Outages[0].StartMs, Ms(1, 10, 3, 0));
    EXPECT_EQ(f.Outages[0].EndMs, Ms(1, 10, 5, 0));
    EXPECT_NEAR(*f.AvailabilityPercent, 100.0 * (600 - 120) / 600, 1e-9);
    const QByteArray json = ReportJson(f);
    EXPECT_TRUE(json.contains("\"sent\":60")) << json.toStdString();
    EXPECT_TRUE(json.contains("\"seconds\":120")) << json.toStdString();

    // The day is edited by hand: one more line, and a damaged one. It is read again.
    text += Row(1, 10, 10, 0, 25.0) + "garbage\r\n";
    write("2026-12-01.csv", text);
    r = store.Refresh(folder);
    EXPECT_EQ(r.Summarised, 1);
    EXPECT_EQ(store.DamagedRows(), 1);
    data = LoadHistory(store, "h", from, to + 60000, 3, 2);
    EXPECT_EQ(ReportFigures(data, from, to + 60000).Sent, 61);

    // The columns of the graph: the gap after the last sample is the program not running.
    const std::vector<TColumn> columns = BuildColumns(data, from, from + 20 * 60000, 20);
    EXPECT_EQ(columns[0].Sent, 6);
    EXPECT_TRUE(columns[3].Down);
    EXPECT_NEAR(columns[3].LostShare, 1.0, 1e-9);
    EXPECT_EQ(columns[15].Gap, TGapKind::NotRunning);
    EXPECT_FALSE(columns[15].HasSamples());

    QFile::remove(folder + "/2026-12-01.csv");
    store.Refresh(folder);
    EXPECT_TRUE(store.Hosts().isEmpty());
}
