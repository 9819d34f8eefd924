#pragma once
// The history's summaries, kept in an SQLite database beside the user's cache
// ($XDG_CACHE_HOME/ZmPing2/history.sqlite): per day file its size and time of change, and what
// SummariseDay made of it. Refresh brings it level with the folder: a day file that is new or
// changed (grown by new samples, edited, replaced) is summarised again, one that is gone
// forgotten; the others are not read at all. Queries read one host's minutes, runs and the
// events of a range. The CSV files stay the record; the store can always be deleted.
//
// One object per thread (SQLite connections are); several programs may share the file.
#include "monitor/DaySummary.h"

#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <atomic>
#include <functional>
#include <vector>

namespace Monitor {

QString SummaryStorePath();

struct TRefreshResult {
    int Days = 0;          // day files in the folder
    int Summarised = 0;    // of them read now
    std::int64_t Rows = 0; // read now
    std::int64_t Damaged = 0;
    QString Error; // empty: fine
};

class TSummaryStore {
public:
    // Opens (creating) the database; Error() says why it could not.
    explicit TSummaryStore(const QString& path = SummaryStorePath());
    ~TSummaryStore();
    TSummaryStore(const TSummaryStore&) = delete;
    TSummaryStore& operator=(const TSummaryStore&) = delete;

    const QString& Error() const { return FError; }

    // Summarises what changed in folder. progress(done, total) after each day read; stop, when
    // set, ends it early (what is done stays).
    TRefreshResult Refresh(const QString& folder,
                           const std::function<void(int, int)>& progress = {},
                           const std::atomic<bool>* stop = nullptr);

    QStringList Hosts();
    // Minutes of host in [fromMinute, toMinute), in order.
    std::vector<TMinuteSummary> Minutes(const QString& host, std::int64_t fromMinute,
                                        std::int64_t toMinute);
    // All runs of host, in time order.
    std::vector<TSampleRun> Runs(const QString& host);
    // Events in [fromMs, toMs), with the last one before fromMs first (the state at the start).
    std::vector<TEventRecord> Events(std::int64_t fromMs, std::int64_t toMs);
    // The host's last address written on or before lastDay; empty: none known.
    QString Address(const QString& host, const QDate& lastDay);
    // The host of the last minute recorded before toMs; empty: none.
    QString LastHost(std::int64_t toMs);
    // Rows skipped as damaged, over all days.
    std::int64_t DamagedRows();

private:
    bool Exec(const QString& sql);
    void Replace(const QString& day, qint64 size, qint64 mtime, const TDaySummary& summary);
    void Forget(const QString& day);
    QString FName;
    QSqlDatabase FDb;
    QString FError;
};

} // namespace Monitor
