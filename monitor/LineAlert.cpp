#include "monitor/LineAlert.h"

#include <QCoreApplication>
#include <algorithm>

namespace Monitor {

TLineAlert::TLineAlert(int downAfter, int upAfter)
{
    SetCounts(downAfter, upAfter);
}

void TLineAlert::SetCounts(int downAfter, int upAfter)
{
    FDownAfter = std::max(1, downAfter);
    FUpAfter = std::max(1, upAfter);
}

TLineEvent TLineAlert::Add(const TSample& sample)
{
    TLineEvent event;
    event.Host = sample.Host;
    if (sample.Host != FHost) {
        *this = TLineAlert(FDownAfter, FUpAfter);
        FHost = sample.Host;
    }
    if (sample.IsBad()) {
        FGoodRun = 0;
        if (FBadRun++ == 0)
            FFirstBad = sample.Time;
        if (!FDown && FBadRun >= FDownAfter) {
            FDown = true;
            FOutageStart = FFirstBad;
            event.Change = TLineChange::Down;
            event.Cause = sample;
        }
    } else {
        FBadRun = 0;
        if (FGoodRun++ == 0)
            FFirstGood = sample.Time;
        if (FDown && FGoodRun >= FUpAfter) {
            FDown = false;
            event.Change = TLineChange::Up;
            event.OutageMs = std::max<qint64>(0, FOutageStart.msecsTo(FFirstGood));
        }
    }
    return event;
}

QString DurationText(qint64 ms)
{
    const qint64 s = (ms + 500) / 1000;
    if (s < 60)
        return QCoreApplication::translate("Monitor", "%1 sn").arg(s);
    if (s < 3600)
        return QCoreApplication::translate("Monitor", "%1 dk %2 sn").arg(s / 60).arg(s % 60);
    return QCoreApplication::translate("Monitor", "%1 sa %2 dk").arg(s / 3600).arg(s / 60 % 60);
}

QString CauseText(const TSample& bad, int slowAboveMs)
{
    switch (bad.Outcome) {
    case TOutcome::Bad:
        return QCoreApplication::translate("Monitor", "yanıt %1 ms, sınır %2 ms")
            .arg(qRound64(bad.RoundTripUs / 1000.0))
            .arg(slowAboveMs);
    case TOutcome::UnknownHost:
        return QCoreApplication::translate("Monitor", "ad bulunamadı");
    case TOutcome::Failed:
        return bad.StatusText.isEmpty()
                   ? QCoreApplication::translate("Monitor", "ağ hatası")
                   : QCoreApplication::translate("Monitor", "ağ hatası: %1").arg(bad.StatusText);
    default:
        return QCoreApplication::translate("Monitor", "yanıt yok");
    }
}

QString LineChangeText(const TLineEvent& event, int slowAboveMs)
{
    if (event.Change == TLineChange::Down)
        return QCoreApplication::translate("Monitor", "%1: bağlantı kesildi (%2)")
            .arg(event.Host, CauseText(event.Cause, slowAboveMs));
    if (event.Change == TLineChange::Up)
        return QCoreApplication::translate("Monitor", "%1: bağlantı geri geldi (kesinti %2)")
            .arg(event.Host, DurationText(event.OutageMs));
    return {};
}

} // namespace Monitor

namespace Monitor {

QString NoNetworkText(const QString& host)
{
    return QCoreApplication::translate("Monitor", "%1: bu bilgisayarın ağ bağlantısı yok")
        .arg(host);
}

} // namespace Monitor
