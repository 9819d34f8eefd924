#include "monitor/SummaryStore.h"

#include "monitor/HistoryFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>
#include <future>
#include <map>

namespace Monitor {

namespace {

// Raised whenever what a day's rows mean changes: an older store is rebuilt from the files.
constexpr int kSchemaVersion = 1;

const char* const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS days(day TEXT PRIMARY KEY, size INTEGER, mtime INTEGER,"
    " rows INTEGER, damaged INTEGER)",
    "CREATE TABLE IF NOT EXISTS minutes(host TEXT, minute INTEGER, day TEXT, total INTEGER,"
    " sent INTEGER, replies INTEGER, min_us REAL, max_us REAL, sum_us REAL, jitter_us REAL,"
    " jitter_pairs INTEGER, buckets BLOB)",
    "CREATE INDEX IF NOT EXISTS minutes_by_host ON minutes(host, minute)",
    "CREATE INDEX IF NOT EXISTS minutes_by_day ON minutes(day)",
    "CREATE TABLE IF NOT EXISTS runs(host TEXT, day TEXT, start_ms INTEGER, end_ms INTEGER,"
    " bad INTEGER, count INTEGER, reset INTEGER, fault TEXT)",
    "CREATE INDEX IF NOT EXISTS runs_by_host ON runs(host, start_ms)",
    "CREATE INDEX IF NOT EXISTS runs_by_day ON runs(day)",
    "CREATE TABLE IF NOT EXISTS events(day TEXT, time_ms INTEGER, kind TEXT, host TEXT)",
    "CREATE INDEX IF NOT EXISTS events_by_time ON events(time_ms)",
    "CREATE INDEX IF NOT EXISTS events_by_day ON events(day)",
    "CREATE TABLE IF NOT EXISTS addresses(day TEXT, host TEXT, address TEXT)",
};

struct TDayFile {
    QString Day, Path;
    qint64 Size = 0, MTime = 0;
};

// A file that cannot be read counts as empty: it is tried again when it changes.
TDaySummary SummariseFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    // Mapped rather than read: the day's text is looked at once, and never copied.
    const qint64 size = f.size();
    if (size == 0)
        return {};
    if (uchar* data = f.map(0, size)) {
        TDaySummary s =
            SummariseDay(std::string_view(reinterpret_cast<const char*>(data), std::size_t(size)));
        f.unmap(data);
        return s;
    }
    const QByteArray all = f.readAll();
    return SummariseDay(std::string_view(all.constData(), std::size_t(all.size())));
}

} // namespace

QString SummaryStorePath()
{
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty() || !QDir::isAbsolutePath(cache))
        cache = QDir::homePath() + QStringLiteral("/.cache");
    return cache + QStringLiteral("/ZmPing2/history.sqlite");
}

TSummaryStore::TSummaryStore(const QString& path)
    : FName(QStringLiteral("zmping2-store-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    FDb = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), FName);
    FDb.setDatabaseName(path);
    FDb.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!FDb.isValid() || !FDb.open()) {
        FError = QStringLiteral("%1: %2").arg(path, FDb.lastError().text());
        return;
    }
    QSqlQuery version(FDb);
    version.exec(QStringLiteral("PRAGMA user_version"));
    const int stored = version.next() ? version.value(0).toInt() : 0;
    version.finish();
    if (stored != kSchemaVersion) {
        for (const char* t : {"days", "minutes", "runs", "events", "addresses"})
            Exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(QLatin1String(t)));
        Exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
    }
    Exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    Exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    for (const char* sql : kSchema)
        if (!Exec(QLatin1String(sql)))
            return;
}

TSummaryStore::~TSummaryStore()
{
    FDb.close();
    FDb = QSqlDatabase();
    QSqlDatabase::removeDatabase(FName);
}

bool TSummaryStore::Exec(const QString& sql)
{
    QSqlQuery q(FDb);
    if (q.exec(sql))
        return true;
    if (FError.isEmpty())
        FError = q.lastError().text();
    return false;
}

TRefreshResult TSummaryStore::Refresh(const QString& folder,
                                      const std::function<void(int, int)>& progress,
                                      const std::atomic<bool>* stop)
{
    TRefreshResult result;
    if (!FError.isEmpty()) {
        result.Error = FError;
        return result;
    }
    static const QRegularExpression dayFile(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})\\.csv$"));
    std::map<QString, TDayFile> files;
    for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files)) {
        const auto m = dayFile.match(info.fileName());
        if (!m.hasMatch() || !QDate::fromString(m.captured(1), Qt::ISODate).isValid())
            continue;
        files[m.captured(1)] = {m.captured(1), info.absoluteFilePath(), info.size(),
                                info.lastModified().toMSecsSinceEpoch()};
    }
    result.Days = int(files.size());
    std::map<QString, std::pair<qint64, qint64>> known;
    {
        QSqlQuery q(FDb);
        q.exec(QStringLiteral("SELECT day, size, mtime FROM days"));
        while (q.next())
            known[q.value(0).toString()] = {q.value(1).toLongLong(), q.value(2).toLongLong()};
    }
    for (const auto& [day, _] : known)
        if (!files.count(day))
            Forget(day);
    std::vector<TDayFile> todo;
    for (const auto& [day, file] : files) {
        const auto it = known.find(day);
        if (it == known.end() || it->second != std::pair(file.Size, file.MTime))
            todo.push_back(file);
    }
    // Days are read side by side on the machine's cores; written one by one on this thread.
    const std::size_t width = std::max(1, QThread::idealThreadCount());
    std::vector<std::future<TDaySummary>> running;
    std::size_t next = 0, done = 0;
    auto launch = [&] {
        running.push_back(std::async(std::launch::async,
                                     [path = todo[next++].Path] { return SummariseFile(path); }));
    };
    while (next < todo.size() && running.size() < width)
        launch();
    while (done < todo.size()) {
        const TDaySummary summary = running.front().get();
        running.erase(running.begin());
        if (!(stop && stop->load()) && next < todo.size())
            launch();
        const TDayFile& f = todo[done++];
        Replace(f.Day, f.Size, f.MTime, summary);
        ++result.Summarised;
        result.Rows += summary.Counts.Rows;
        result.Damaged += summary.Counts.Damaged;
        if (progress)
            progress(int(done), int(todo.size()));
        if (stop && stop->load() && running.empty())
            break;
    }
    result.Error = FError;
    return result;
}

void TSummaryStore::Forget(const QString& day)
{
    for (const char* t : {"minutes", "runs", "events", "addresses", "days"}) {
        QSqlQuery q(FDb);
        q.prepare(QStringLiteral("DELETE FROM %1 WHERE day = ?").arg(QLatin1String(t)));
        q.addBindValue(day);
        q.exec();
    }
}

void TSummaryStore::Replace(const QString& day, qint64 size, qint64 mtime, const TDaySummary& s)
{
    FDb.transaction();
    Forget(day);
    QSqlQuery q(FDb);
    q.prepare(QStringLiteral("INSERT INTO days VALUES (?, ?, ?, ?, ?)"));
    q.addBindValue(day);
    q.addBindValue(size);
    q.addBindValue(mtime);
    q.addBindValue(qint64(s.Counts.Rows));
    q.addBindValue(qint64(s.Counts.Damaged));
    q.exec();
    QSqlQuery m(FDb);
    m.prepare(QStringLiteral("INSERT INTO minutes VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const THostMinute& hm : s.Minutes) {
        const TMinuteSummary& v = hm.Summary;
        m.bindValue(0, hm.Host);
        m.bindValue(1, qint64(v.Minute));
        m.bindValue(2, day);
        m.bindValue(3, v.Total);
        m.bindValue(4, v.Sent);
        m.bindValue(5, v.Replies);
        m.bindValue(6, v.MinUs);
        m.bindValue(7, v.MaxUs);
        m.bindValue(8, v.SumUs);
        m.bindValue(9, v.JitterSumUs);
        m.bindValue(10, v.JitterPairs);
        m.bindValue(11, v.PackedBuckets());
        m.exec();
    }
    QSqlQuery r(FDb);
    r.prepare(QStringLiteral("INSERT INTO runs VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const TSampleRun& run : s.Runs) {
        r.bindValue(0, run.Host);
        r.bindValue(1, day);
        r.bindValue(2, qint64(run.StartMs));
        r.bindValue(3, qint64(run.EndMs));
        r.bindValue(4, run.Bad ? 1 : 0);
        r.bindValue(5, run.Count);
        r.bindValue(6, run.Reset ? 1 : 0);
        r.bindValue(7, run.Fault);
        r.exec();
    }
    QSqlQuery e(FDb);
    e.prepare(QStringLiteral("INSERT INTO events VALUES (?, ?, ?, ?)"));
    for (const TEventRecord& ev : s.Events) {
        e.bindValue(0, day);
        e.bindValue(1, qint64(ev.TimeMs));
        e.bindValue(2, EventName(ev.Kind));
        e.bindValue(3, ev.Host);
        e.exec();
    }
    QSqlQuery a(FDb);
    a.prepare(QStringLiteral("INSERT INTO addresses VALUES (?, ?, ?)"));
    for (const auto& [host, address] : s.Addresses) {
        a.bindValue(0, day);
        a.bindValue(1, host);
        a.bindValue(2, address);
        a.exec();
    }
    if (!FDb.commit() && FError.isEmpty())
        FError = FDb.lastError().text();
}

QStringList TSummaryStore::Hosts()
{
    QStringList hosts;
    QSqlQuery q(FDb);
    q.exec(QStringLiteral("SELECT DISTINCT host FROM minutes ORDER BY host"));
    while (q.next())
        hosts << q.value(0).toString();
    return hosts;
}

std::vector<TMinuteSummary> TSummaryStore::Minutes(const QString& host, std::int64_t fromMinute,
                                                   std::int64_t toMinute)
{
    std::vector<TMinuteSummary> out;
    QSqlQuery q(FDb);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT minute, total, sent, replies, min_us, max_us, sum_us,"
                             " jitter_us, jitter_pairs, buckets FROM minutes"
                             " WHERE host = ? AND minute >= ? AND minute < ? ORDER BY minute"));
    q.addBindValue(host);
    q.addBindValue(qint64(fromMinute));
    q.addBindValue(qint64(toMinute));
    q.exec();
    while (q.next()) {
        TMinuteSummary m;
        m.Minute = q.value(0).toLongLong();
        m.Total = q.value(1).toInt();
        m.Sent = q.value(2).toInt();
        m.Replies = q.value(3).toInt();
        m.MinUs = q.value(4).toDouble();
        m.MaxUs = q.value(5).toDouble();
        m.SumUs = q.value(6).toDouble();
        m.JitterSumUs = q.value(7).toDouble();
        m.JitterPairs = q.value(8).toInt();
        m.UnpackBuckets(q.value(9).toByteArray());
        // The same minute from two files (a clock or zone change) counts once, merged.
        if (!out.empty() && out.back().Minute == m.Minute)
            out.back().Merge(m);
        else
            out.push_back(std::move(m));
    }
    return out;
}

std::vector<TSampleRun> TSummaryStore::Runs(const QString& host)
{
    std::vector<TSampleRun> out;
    QSqlQuery q(FDb);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT start_ms, end_ms, bad, count, reset, fault FROM runs"
                             " WHERE host = ? ORDER BY day, rowid"));
    q.addBindValue(host);
    q.exec();
    while (q.next())
        out.push_back({host, q.value(0).toLongLong(), q.value(1).toLongLong(),
                       q.value(2).toInt() != 0, q.value(3).toInt(), q.value(4).toInt() != 0,
                       q.value(5).toString()});
    return out;
}

std::vector<TEventRecord> TSummaryStore::Events(std::int64_t fromMs, std::int64_t toMs)
{
    std::vector<TEventRecord> out;
    auto read = [&](QSqlQuery& q) {
        while (q.next())
            if (const auto kind = EventKindFromName(q.value(1).toString()))
                out.push_back({q.value(0).toLongLong(), *kind, q.value(2).toString()});
    };
    QSqlQuery before(FDb);
    before.prepare(QStringLiteral("SELECT time_ms, kind, host FROM events WHERE time_ms < ?"
                                  " ORDER BY time_ms DESC, rowid DESC LIMIT 1"));
    before.addBindValue(qint64(fromMs));
    before.exec();
    read(before);
    QSqlQuery q(FDb);
    q.prepare(QStringLiteral("SELECT time_ms, kind, host FROM events WHERE time_ms >= ? AND"
                             " time_ms < ? ORDER BY time_ms, rowid"));
    q.addBindValue(qint64(fromMs));
    q.addBindValue(qint64(toMs));
    q.exec();
    read(q);
    return out;
}

QString TSummaryStore::Address(const QString& host, const QDate& lastDay)
{
    QSqlQuery q(FDb);
    q.prepare(QStringLiteral("SELECT address FROM addresses WHERE host = ? AND day <= ?"
                             " ORDER BY day DESC LIMIT 1"));
    q.addBindValue(host);
    q.addBindValue(lastDay.toString(Qt::ISODate));
    q.exec();
    return q.next() ? q.value(0).toString() : QString();
}

QString TSummaryStore::LastHost(std::int64_t toMs)
{
    QSqlQuery q(FDb);
    q.prepare(
        QStringLiteral("SELECT host FROM minutes WHERE minute < ? ORDER BY minute DESC LIMIT 1"));
    q.addBindValue(qint64((toMs + 59999) / 60000));
    q.exec();
    return q.next() ? q.value(0).toString() : QString();
}

std::int64_t TSummaryStore::DamagedRows()
{
    QSqlQuery q(FDb);
    q.exec(QStringLiteral("SELECT COALESCE(SUM(damaged), 0) FROM days"));
    return q.next() ? q.value(0).toLongLong() : 0;
}

} // namespace Monitor
