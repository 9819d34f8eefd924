#include "monitor/LineQuality.h"

#include "framework/Language.h"

#include <QCoreApplication>

namespace Monitor {

void TLineQuality::SetLimits(const TQualityLimits& limits)
{
    FLimits = limits;
    FWindow.SetSize(limits.Window);
}

TQualityChange TLineQuality::Add(const TSample& sample)
{
    if (sample.Host != FHost) {
        FHost = sample.Host;
        FWindow.Clear();
        FState = TQuality::Unknown;
        FLastTold = QDateTime();
    }
    FWindow.Add(sample);
    if (!sample.HasReply() || !Enough())
        return TQualityChange::None;
    const TCallFigures f = FWindow.Figures();
    auto above = [&](double share) {
        return *f.MedianMs > FLimits.MedianMs * share || *f.JitterMs > FLimits.JitterMs * share ||
               *f.LossPercent > FLimits.LossPercent * share;
    };
    TQuality next = FState;
    if (FState != TQuality::Degraded && above(1))
        next = TQuality::Degraded;
    else if (FState != TQuality::Good && !above(0.75))
        next = TQuality::Good;
    if (next == FState)
        return TQualityChange::None;
    // A start on a good line is no news; everything else is told, but not too often.
    const TQualityChange change = next == TQuality::Degraded     ? TQualityChange::Degraded
                                  : FState == TQuality::Degraded ? TQualityChange::Recovered
                                                                 : TQualityChange::None;
    if (change != TQualityChange::None) {
        if (FLastTold.isValid() && FLastTold.secsTo(sample.Time) < FLimits.HoldSeconds)
            return TQualityChange::None;
        FLastTold = sample.Time;
    }
    FState = next;
    return change;
}

QString QualityName(TQuality quality)
{
    switch (quality) {
    case TQuality::Good:
        return QStringLiteral("good");
    case TQuality::Degraded:
        return QStringLiteral("degraded");
    default:
        return {};
    }
}

QString MosText(const std::optional<double>& mos)
{
    if (!mos)
        return QStringLiteral("-");
    return Language::WindowLocale().toString(*mos, 'f', 2);
}

QString QualityLine(int window, const std::optional<double>& mos, TQuality quality)
{
    QString state;
    switch (mos ? quality : TQuality::Unknown) {
    case TQuality::Good:
        state = QCoreApplication::translate("Monitor", "iyi");
        break;
    case TQuality::Degraded:
        state = QCoreApplication::translate("Monitor", "düşük");
        break;
    default:
        state = QCoreApplication::translate("Monitor", "henüz bilinmiyor");
    }
    return QCoreApplication::translate("Monitor", "Arama kalitesi (son %1 döngü): MOS %2, %3")
        .arg(QString::number(window), MosText(mos), state);
}

QString QualityChangeText(const QString& host, TQualityChange change, double mos)
{
    if (change == TQualityChange::Degraded)
        return QCoreApplication::translate("Monitor", "%1: bağlantı kalitesi düştü (MOS %2)")
            .arg(host, MosText(mos));
    if (change == TQualityChange::Recovered)
        return QCoreApplication::translate("Monitor", "%1: bağlantı kalitesi düzeldi (MOS %2)")
            .arg(host, MosText(mos));
    return {};
}

} // namespace Monitor
