#include "monitor/MetricsFile.h"

#include <QFile>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace Monitor {

namespace {

QByteArray Number(double v)
{
    if (std::isnan(v))
        return "NaN";
    return QByteArray::number(v, 'g', 17);
}

} // namespace

void TMetrics::Add(const TSample& s, bool up, double mos)
{
    if (s.Host != FHost) {
        *this = TMetrics();
        FHost = s.Host;
    }
    FUp = up;
    FMos = mos;
    if (!s.Sent())
        return;
    ++FSent;
    if (!s.HasReply()) {
        ++FLost;
        FLast = -1;
        return;
    }
    FLast = s.RoundTripUs / 1e6;
    FSum += FLast;
    std::size_t i = 0;
    while (i < kBounds.size() && FLast > kBounds[i])
        ++i;
    ++FBuckets[i];
}

QString LabelValue(const QString& text)
{
    QString v = text;
    v.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    v.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    v.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return v;
}

QByteArray TMetrics::Text() const
{
    const QByteArray host = "host=\"" + LabelValue(FHost).toUtf8() + '"';
    QByteArray out;
    auto head = [&out](const char* name, const char* type, const char* help) {
        out += QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
    };
    auto line = [&out, &host](const QByteArray& name, const QByteArray& value,
                              const QByteArray& more = {}) {
        out += name + '{' + host + more + "} " + value + '\n';
    };
    head("zmping2_round_trip_seconds", "gauge",
         "Round-trip time of the last echo; NaN when it had no reply.");
    line("zmping2_round_trip_seconds", Number(FLast < 0 ? NAN : FLast));
    head("zmping2_round_trip_duration_seconds", "histogram", "Round-trip times of the replies.");
    std::uint64_t below = 0;
    for (std::size_t i = 0; i < kBounds.size(); ++i) {
        below += FBuckets[i];
        line("zmping2_round_trip_duration_seconds_bucket", QByteArray::number(below),
             ",le=\"" + Number(kBounds[i]) + '"');
    }
    below += FBuckets.back();
    line("zmping2_round_trip_duration_seconds_bucket", QByteArray::number(below), ",le=\"+Inf\"");
    line("zmping2_round_trip_duration_seconds_sum", Number(FSum));
    line("zmping2_round_trip_duration_seconds_count", QByteArray::number(below));
    head("zmping2_echo_requests_sent_total", "counter", "Echo requests sent.");
    line("zmping2_echo_requests_sent_total", QByteArray::number(FSent));
    head("zmping2_echo_requests_lost_total", "counter",
         "Echo requests without a reply (lost, or answered by an error).");
    line("zmping2_echo_requests_lost_total", QByteArray::number(FLost));
    head("zmping2_line_up", "gauge", "Whether the line is up (1) or down (0).");
    line("zmping2_line_up", FUp ? "1" : "0");
    head("zmping2_mos", "gauge",
         "Estimated call quality (mean opinion score, 1 to 5) over the last cycles; NaN when not "
         "known yet.");
    line("zmping2_mos", Number(std::isnan(FMos) ? NAN : std::round(FMos * 100) / 100));
    return out;
}

QString ReplaceFile(const QString& path, const QByteArray& data)
{
    const QByteArray target = QFile::encodeName(path);
    // A name the collector skips (it reads *.prom only), in the same folder for the rename,
    // made with the user's usual permissions.
    static std::atomic<unsigned> serial{0};
    const QByteArray temp =
        target + ".tmp-" + QByteArray::number(::getpid()) + '-' + QByteArray::number(++serial);
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    const int error = done == data.size() ? 0 : errno ? errno : EIO;
    ::close(fd);
    if (error == 0 && ::rename(temp.constData(), target.constData()) == 0)
        return {};
    const int why = error ? error : errno;
    ::unlink(temp.constData());
    return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(why)));
}

} // namespace Monitor
