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
        return QStringLiteral("%1 sn").arg(s);
    if (s < 3600)
        return QStringLiteral("%1 dk %2 sn").arg(s / 60).arg(s % 60);
    return QStringLiteral("%1 sa %2 dk").arg(s / 3600).arg(s / 60 % 60);
}

QString LineChangeText(const TLineEvent& event)
{
    if (event.Change == TLineChange::Down)
        return event.Host + QStringLiteral(": bağlantı kesildi");
    if (event.Change == TLineChange::Up)
        return event.Host + QStringLiteral(": bağlantı geri geldi (kesinti ") +
               DurationText(event.OutageMs) + QLatin1Char(')');
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
