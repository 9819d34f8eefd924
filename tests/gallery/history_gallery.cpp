// Pictures of the history window over a month of made-up history (a sample every 10 s of one
// host, an outage every evening, the program stopped every night from 2 to 6, automatic pinging
// off at noon, the computer asleep one weekend afternoon): the day and the 30-day view, and the
// report's page (drawn to PNG with pdftoppm when it is there).
#include "GalleryMain.h"
#include "app/HistoryForm.h"
#include "monitor/HistoryFile.h"

#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

using namespace Monitor;

namespace {

void WriteMonth(const QString& folder, const QDateTime& now)
{
    QDir().mkpath(folder);
    const QString host = QStringLiteral("provider.example");
    unsigned seed = 11;
    for (int d = 30; d >= 0; --d) {
        const QDate day = now.date().addDays(-d);
        QByteArray text = HistoryHeader();
        auto event = [&](const QDateTime& t, THistoryEventKind kind) {
            text += HistoryEventLine({t, kind, host, {}});
        };
        const QDateTime start = day.startOfDay();
        for (int s = 0; s < 86400; s += 10) {
            const QDateTime t = start.addSecs(s);
            if (t > now)
                break;
            const int h = s / 3600;
            if (s == 2 * 3600)
                event(t, THistoryEventKind::End);
            if (s == 6 * 3600)
                event(t, THistoryEventKind::Start);
            if (s == 12 * 3600)
                event(t, THistoryEventKind::AutoPingOff);
            if (s == 12 * 3600 + 2400)
                event(t, THistoryEventKind::AutoPingOn);
            const bool weekend = day.dayOfWeek() == 6 && d < 10;
            if (weekend && s == 15 * 3600)
                event(t, THistoryEventKind::Asleep);
            if (weekend && s == 17 * 3600)
                event(t, THistoryEventKind::Awake);
            if ((h >= 2 && h < 6) || (s >= 12 * 3600 && s < 12 * 3600 + 2400) ||
                (weekend && h >= 15 && h < 17))
                continue;
            seed = seed * 1103515245u + 12345u;
            const int evening = 20 * 3600 + int(d % 5) * 600;
            const bool outage = s >= evening && s < evening + 240 + (d % 3) * 120;
            const bool lost = outage || (seed >> 16) % 70 == 0;
            TSample sample;
            sample.Time = t;
            sample.Host = host;
            sample.Address = QStringLiteral("192.0.2.1");
            sample.Outcome = lost ? TOutcome::Lost : TOutcome::Good;
            // Slower in the evening, a touch of spread all day.
            const double busy = h >= 18 && h < 23 ? 25.0 : 0.0;
            sample.RoundTripUs =
                lost ? -1 : (14.0 + busy + double((seed >> 8) % 900) / 100.0) * 1000.0;
            if (!lost && (seed >> 4) % 300 == 0)
                sample.RoundTripUs *= 12; // now and then one much slower
            if (!lost && sample.RoundTripUs > 200000)
                sample.Outcome = TOutcome::Normal;
            sample.StatusCode = lost ? 11010 : 0;
            sample.StatusText =
                lost ? QStringLiteral("Request timed out") : QStringLiteral("Success");
            text += HistoryLine(sample);
        }
        QFile f(folder + QLatin1Char('/') + HistoryFileName(day));
        if (f.open(QIODevice::WriteOnly))
            f.write(text);
    }
}

bool WaitLoaded(THistoryF& w)
{
    QEventLoop loop;
    bool loaded = false;
    QObject::connect(&w, &THistoryF::Loaded, &loop, [&] {
        loaded = true;
        loop.quit();
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    loop.exec();
    return loaded;
}

} // namespace

int main(int argc, char** argv)
{
    return RunGallery(argc, argv, [](const QString& dir) {
        QTemporaryDir tmp;
        const QDateTime now = QDateTime::currentDateTime();
        WriteMonth(tmp.filePath("history"), now);
        THistoryF w(
            nullptr,
            [] {
                return THistoryF::TSettings{200, 700, "provider.example"};
            },
            Qt::Window, tmp.filePath("history"), tmp.filePath("history.sqlite"));
        w.resize(1100, 560);
        w.show();
        if (!WaitLoaded(w))
            return false;
        bool ok = w.grab().save(dir + "/history_day.png");
        w.RangeBox->setCurrentIndex(3);
        QCoreApplication::processEvents();
        ok = w.grab().save(dir + "/history_30_days.png") && ok;
        const QString pdf = tmp.filePath("report.pdf");
        w.RangeBox->setCurrentIndex(2);
        ok = w.SaveReport(pdf).isEmpty() && ok;
        QProcess render;
        render.start("pdftoppm", {"-png", "-r", "70", "-singlefile", pdf, dir + "/history_report"});
        render.waitForFinished(60000);
        return ok;
    });
}
