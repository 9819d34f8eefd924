#include "monitor/DiagnosisText.h"

#include "net/HostAddress.h"

#include <QCoreApplication>

namespace Monitor {

namespace {

QString Ms(std::int64_t ns)
{
    return ns < 0 ? QStringLiteral("-") : QString::number(double(ns) / 1e6, 'f', 1);
}

QStringList Row(const QString& hop, const HopRecord& h, const QHash<QString, QString>& names)
{
    const QString address = h.Address.Usable() ? AddressText(h.Address) : QStringLiteral("*");
    const int lost = h.Sent - h.Received;
    return {hop,
            address,
            names.value(address),
            QString::number(h.Sent),
            h.Sent > 0 ? QString::number(100 * lost / h.Sent) : QStringLiteral("-"),
            Ms(h.LastNs),
            h.Received > 0 && h.LastNs >= 0 ? Ms(h.SumNs / h.Received) : QStringLiteral("-"),
            Ms(h.BestNs),
            Ms(h.WorstNs)};
}

} // namespace

QStringList DiagnosisHeadings()
{
    return {QCoreApplication::translate("DiagnosisText", "Adım"),
            QCoreApplication::translate("DiagnosisText", "Adres"),
            QCoreApplication::translate("DiagnosisText", "Ad"),
            QCoreApplication::translate("DiagnosisText", "Giden"),
            QCoreApplication::translate("DiagnosisText", "Kayıp %"),
            QCoreApplication::translate("DiagnosisText", "Son"),
            QCoreApplication::translate("DiagnosisText", "Ort."),
            QCoreApplication::translate("DiagnosisText", "En iyi"),
            QCoreApplication::translate("DiagnosisText", "En kötü")};
}

QList<QStringList> DiagnosisRows(const PathRecords& r, const QHash<QString, QString>& names)
{
    QList<QStringList> rows;
    if (r.Gateway.Sent > 0)
        rows << Row(QCoreApplication::translate("DiagnosisText", "Ağ geçidi"), r.Gateway, names);
    int shown = 0;
    for (const HopRecord& h : r.Hops)
        if (h.Received > 0)
            shown = h.Ttl;
    shown = std::min<int>(shown + 1, int(r.Hops.size()));
    for (int i = 0; i < shown; ++i)
        rows << Row(QString::number(r.Hops[std::size_t(i)].Ttl), r.Hops[std::size_t(i)], names);
    return rows;
}

QString LandmarksLine(const PathRecords& r)
{
    QStringList parts;
    if (r.Route.Ok) {
        const RouteInfo& route = r.Route.Route;
        parts << QCoreApplication::translate("DiagnosisText", "Arayüz %1 (%2)")
                     .arg(QString::fromStdString(route.IfName), AddressText(route.Source));
        parts << (route.Gateway
                      ? QCoreApplication::translate("DiagnosisText", "ağ geçidi %1")
                            .arg(AddressText(*route.Gateway))
                      : QCoreApplication::translate("DiagnosisText", "ağ geçidi yok (aynı ağda)"));
    } else if (!r.Route.Error.empty()) {
        parts << QCoreApplication::translate("DiagnosisText", "Yol yok (%1)")
                     .arg(QString::fromStdString(r.Route.Error));
    }
    QStringList servers;
    for (const HostAddress& a : r.Resolvers.Servers)
        servers << AddressText(a);
    if (servers.isEmpty())
        parts << QCoreApplication::translate("DiagnosisText", "ad sunucusu bilinmiyor");
    else if (r.Resolvers.StubOnly)
        parts << QCoreApplication::translate(
                     "DiagnosisText", "ad sunucusu %1 (yerel aracı; arkasındakiler bilinmiyor)")
                     .arg(servers.join(", "));
    else
        parts << QCoreApplication::translate("DiagnosisText", "ad sunucuları %1")
                     .arg(servers.join(", "));
    return parts.join(QStringLiteral(", "));
}

QString DiagnosisText(const QString& host, const PathRecords& r, const TFaultVerdict& v,
                      const QHash<QString, QString>& names)
{
    QString out = QCoreApplication::translate("DiagnosisText", "Bağlantı tanısı: %1").arg(host) +
                  QLatin1Char('\n');
    if (v.Time.isValid()) {
        out += FaultText(v.Where) + QLatin1Char('\n');
        const QString e = FaultEvidence(v);
        if (!e.isEmpty())
            out += e + QLatin1Char('\n');
    }
    out += LandmarksLine(r) + QLatin1Char('\n');
    QList<QStringList> table = DiagnosisRows(r, names);
    table.prepend(DiagnosisHeadings());
    QList<int> widths(table.first().size(), 0);
    for (const QStringList& row : table)
        for (int c = 0; c < row.size(); ++c)
            widths[c] = std::max<int>(widths[c], int(row[c].size()));
    for (const QStringList& row : table) {
        QString line;
        for (int c = 0; c < row.size(); ++c)
            line += (c ? QStringLiteral("  ") : QString()) + row[c].leftJustified(widths[c]);
        out += line.trimmed() + QLatin1Char('\n');
    }
    return out;
}

} // namespace Monitor
