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
#include <algorithm>
#include <cstring>
#include <future>
#include <map>

namespace Monitor {

namespace {

// Raised whenever what a day's rows mean changes: an older store is rebuilt from the files.
constexpr int kSchemaVersion = 2;

// One row per host and day for the minutes and the runs, packed: a month is read back in a few
// dozen rows instead of tens of thousands.
const char* const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS days(day TEXT PRIMARY KEY, size INTEGER, mtime INTEGER,"
    " rows INTEGER, damaged INTEGER)",
    "CREATE TABLE IF NOT EXISTS minutes(host TEXT, day TEXT, first_minute INTEGER,"
    " last_minute INTEGER, data BLOB)",
    "CREATE INDEX IF NOT EXISTS minutes_by_host ON minutes(host, first_minute)",
    "CREATE INDEX IF NOT EXISTS minutes_by_day ON minutes(day)",
    "CREATE TABLE IF NOT EXISTS runs(host TEXT, day TEXT, data BLOB)",
    "CREATE INDEX IF NOT EXISTS runs_by_host ON runs(host, day)",
    "CREATE INDEX IF NOT EXISTS runs_by_day ON runs(day)",
    "CREATE TABLE IF NOT EXISTS events(day TEXT, time_ms INTEGER, kind TEXT, host TEXT)",
    "CREATE INDEX IF NOT EXISTS events_by_time ON events(time_ms)",
    "CREATE INDEX IF NOT EXISTS events_by_day ON events(day)",
    "CREATE TABLE IF NOT EXISTS addresses(day TEXT, host TEXT, address TEXT)",
};

// Little-endian fields one after another; reading past the end (a damaged or foreign store)
// stops with Ok() false instead of reading beyond the blob.
class TPacker {
public:
    template <class T> void Put(T v) { FData.append(reinterpret_cast<const char*>(&v), sizeof v); }
    void PutText(const QString& text)
    {
        const QByteArray utf8 = text.toUtf8().left(0xffff);
        Put(std::uint16_t(utf8.size()));
        FData.append(utf8);
    }
    const QByteArray& Data() const { return FData; }

private:
    QByteArray FData;
};

class TUnpacker {
public:
    explicit TUnpacker(const QByteArray& data) : FData(data) {}
    template <class T> T Get()
    {
        T v{};
        if (FAt + qsizetype(sizeof v) > FData.size()) {
            FOk = false;
            FAt = FData.size();
            return v;
        }
        std::memcpy(&v, FData.constData() + FAt, sizeof v);
        FAt += sizeof v;
        return v;
    }
    QString GetText()
    {
        const auto n = qsizetype(Get<std::uint16_t>());
        if (!FOk || FAt + n > FData.size()) {
            FOk = false;
            return {};
        }
        const QString text = QString::fromUtf8(FData.constData() + FAt, n);
        FAt += n;
        return text;
    }
    bool More() const { return FOk && FAt < FData.size(); }
    bool Ok() const { return FOk; }

private:
    const QByteArray& FData;
    qsizetype FAt = 0;
    bool FOk = true;
};

QByteArray PackMinutes(const std::vector<const TMinuteSummary*>& minutes)
{
    TPacker p;
    for (const TMinuteSummary* m : minutes) {
        p.Put(std::int64_t(m->Minute));
        p.Put(std::int32_t(m->Total));
        p.Put(std::int32_t(m->Sent));
        p.Put(std::int32_t(m->Replies));
        p.Put(m->MinUs);
        p.Put(m->MaxUs);
        p.Put(m->SumUs);
        p.Put(m->JitterSumUs);
        p.Put(std::int32_t(m->JitterPairs));
        p.Put(std::uint16_t(m->Buckets.size()));
        for (const auto& [b, n] : m->Buckets) {
            p.Put(b);
            p.Put(n);
        }
    }
    return p.Data();
}

void UnpackMinutes(const QByteArray& data, std::int64_t from, std::int64_t to,
                   std::vector<TMinuteSummary>& out)
{
    TUnpacker u(data);
    while (u.More()) {
        TMinuteSummary m;
        m.Minute = u.Get<std::int64_t>();
        m.Total = u.Get<std::int32_t>();
        m.Sent = u.Get<std::int32_t>();
        m.Replies = u.Get<std::int32_t>();
        m.MinUs = u.Get<double>();
        m.MaxUs = u.Get<double>();
        m.SumUs = u.Get<double>();
        m.JitterSumUs = u.Get<double>();
        m.JitterPairs = u.Get<std::int32_t>();
        const int n = u.Get<std::uint16_t>();
        m.Buckets.reserve(std::size_t(n));
        for (int i = 0; i < n && u.Ok(); ++i) {
            const auto b = u.Get<std::uint16_t>();
            const auto c = u.Get<std::uint16_t>();
            if (b < kRttBuckets && (m.Buckets.empty() || m.Buckets.back().first < b))
                m.Buckets.emplace_back(b, c);
        }
        if (!u.Ok())
            break;
        if (m.Minute >= from && m.Minute < to)
            out.push_back(std::move(m));
    }
}

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
    // Minutes and runs, per host.
    std::map<QString, std::vector<const TMinuteSummary*>> minutes;
    for (const THostMinute& hm : s.Minutes)
        minutes[hm.Host].push_back(&hm.Summary);
    QSqlQuery m(FDb);
    m.prepare(QStringLiteral("INSERT INTO minutes VALUES (?, ?, ?, ?, ?)"));
    for (auto& [host, list] : minutes) {
        std::sort(list.begin(), list.end(), [](const TMinuteSummary* a, const TMinuteSummary* b) {
            return a->Minute < b->Minute;
        });
        m.bindValue(0, host);
        m.bindValue(1, day);
        m.bindValue(2, qint64(list.front()->Minute));
        m.bindValue(3, qint64(list.back()->Minute));
        m.bindValue(4, PackMinutes(list));
        m.exec();
    }
    std::map<QString, TPacker> runs;
    for (const TSampleRun& run : s.Runs) {
        TPacker& p = runs[run.Host];
        p.Put(std::int64_t(run.StartMs));
        p.Put(std::int64_t(run.EndMs));
        p.Put(std::uint8_t((run.Bad ? 1 : 0) | (run.Reset ? 2 : 0)));
        p.Put(std::int32_t(run.Count));
        p.PutText(run.Fault);
    }
    QSqlQuery r(FDb);
    r.prepare(QStringLiteral("INSERT INTO runs VALUES (?, ?, ?)"));
    for (const auto& [host, packed] : runs) {
        r.bindValue(0, host);
        r.bindValue(1, day);
        r.bindValue(2, packed.Data());
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
    std::vector<TMinuteSummary> all;
    QSqlQuery q(FDb);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT data FROM minutes WHERE host = ? AND first_minute < ? AND"
                             " last_minute >= ? ORDER BY first_minute"));
    q.addBindValue(host);
    q.addBindValue(qint64(toMinute));
    q.addBindValue(qint64(fromMinute));
    q.exec();
    while (q.next())
        UnpackMinutes(q.value(0).toByteArray(), fromMinute, toMinute, all);
    // The same minute from two files (a clock or zone change) counts once, merged.
    std::stable_sort(all.begin(), all.end(), [](const TMinuteSummary& a, const TMinuteSummary& b) {
        return a.Minute < b.Minute;
    });
    std::vector<TMinuteSummary> out;
    out.reserve(all.size());
    for (TMinuteSummary& m : all) {
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
    q.prepare(QStringLiteral("SELECT data FROM runs WHERE host = ? ORDER BY day"));
    q.addBindValue(host);
    q.exec();
    while (q.next()) {
        const QByteArray data = q.value(0).toByteArray();
        TUnpacker u(data);
        while (u.More()) {
            TSampleRun run;
            run.Host = host;
            run.StartMs = u.Get<std::int64_t>();
            run.EndMs = u.Get<std::int64_t>();
            const auto flags = u.Get<std::uint8_t>();
            run.Bad = flags & 1;
            run.Reset = flags & 2;
            run.Count = u.Get<std::int32_t>();
            run.Fault = u.GetText();
            if (!u.Ok())
                break;
            out.push_back(std::move(run));
        }
    }
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
    q.prepare(QStringLiteral("SELECT host FROM minutes WHERE first_minute < ?"
                             " ORDER BY last_minute DESC LIMIT 1"));
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
