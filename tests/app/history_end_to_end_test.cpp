// ctest-labels: gui net
// ctest-serial
// The real program on an X server of its own, started over prepared history files with two
// known outages, a single lost echo and a time the program did not run: the history window,
// opened from the pop-up menu, draws red loss marks at the outages and an empty gap between
// them where they were put (read from a screenshot); its report (Ctrl+S, a path typed into the
// file dialog) reads back with pdftotext with the right totals, the samples beside it as CSV;
// and --report prints the same outages as JSON without any window.
#include "monitor/HistoryFile.h"
#include "support/NetNamespace.h"
#include "support/ProgramUnderTest.h"
#include "support/StoredSettings.h"
#include "support/WaitFor.h"
#include "support/XServer.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <unistd.h>

using namespace Monitor;

namespace {

const QString kProgram = QStringLiteral(ZM_BINARY_DIR "/bin/ZmPing2");
constexpr int kWait = 20000;
const QString kHost = QStringLiteral("127.0.0.1");

class HistoryEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string why = ProgramUnavailable({"xdotool", "import", "pdftotext"});
            !why.empty())
            GTEST_SKIP() << why;
        ASSERT_TRUE(Dir.isValid());
        RelaxStrictStringChecks();
        X = std::make_unique<XServer>();
        if (X->Display().isEmpty())
            GTEST_SKIP() << "no Xvfb to show the program on";
        Ns = std::make_unique<NetNamespace>();
        ASSERT_TRUE(Ns->Ok()) << Ns->Error();
        Ns->SetSysctl("net.ipv4.ping_group_range", "0 2147483647");
        Now = QDateTime::currentDateTime();
        Now = Now.addMSecs(-Now.time().msec());
        WriteHistory();
    }

    void TearDown() override { App.Stop(); }

    // From six hours ago to one hour ago a sample every 5 s, in the files of their days: lost
    // for 2 minutes from 5 h ago and for 1 minute from 3 h ago, one lost echo 2 h ago, and the
    // program not running from 4 h to 3.5 h ago.
    void WriteHistory()
    {
        std::map<QDate, QByteArray> files;
        auto event = [&](const QDateTime& t, THistoryEventKind kind) {
            files[t.date()] += HistoryEventLine({t, kind, kHost, {}});
        };
        const QDateTime first = Now.addSecs(-6 * 3600);
        Outage1 = Now.addSecs(-5 * 3600);
        Outage2 = Now.addSecs(-3 * 3600);
        event(first, THistoryEventKind::Start);
        for (QDateTime t = first; t < Now.addSecs(-3600); t = t.addSecs(5)) {
            const qint64 s = first.secsTo(t);
            if (s == 2 * 3600)
                event(t, THistoryEventKind::End);
            if (s >= 2 * 3600 && s < 2 * 3600 + 1800)
                continue;
            if (s == 2 * 3600 + 1800)
                event(t, THistoryEventKind::Start);
            const qint64 a = Outage1.secsTo(t), b = Outage2.secsTo(t);
            const bool lost = (a >= 0 && a < 120) || (b >= 0 && b < 60) || s == 4 * 3600;
            TSample sample;
            sample.Time = t;
            sample.Host = kHost;
            sample.Address = kHost;
            sample.Outcome = lost ? TOutcome::Lost : TOutcome::Good;
            sample.RoundTripUs = lost ? -1 : 20000 + (s % 7) * 1000;
            sample.StatusCode = lost ? 11010 : 0;
            sample.StatusText = lost ? "Request timed out" : "Success";
            files[t.date()] += HistoryLine(sample);
        }
        const QString folder = Dir.filePath("state/ZmPing2/history");
        QDir().mkpath(folder);
        for (const auto& [day, rows] : files) {
            QFile f(folder + "/" + HistoryFileName(day));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(HistoryHeader() + rows);
        }
    }

    std::vector<std::string> ProgramEnv() const
    {
        return {"DISPLAY=" + X->Display().toStdString(),
                "QT_QPA_PLATFORM=xcb",
                "XDG_CONFIG_HOME=" + Dir.filePath("config").toStdString(),
                "XDG_STATE_HOME=" + Dir.filePath("state").toStdString(),
                "XDG_CACHE_HOME=" + Dir.filePath("cache").toStdString(),
                "ZMPING2_SOUND_PLAYER=true",
                "ZMPING2_INSTANCE_KEY=zmping2-history-" + std::to_string(getpid())};
    }

    QString Tool(const QString& program, const QStringList& args, int* status = nullptr) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", X->Display());
        for (const std::string& kv : ProgramEnv()) {
            const QString s = QString::fromStdString(kv);
            env.insert(s.section('=', 0, 0), s.section('=', 1));
        }
        env.remove("QT_QPA_PLATFORM");
        p.setProcessEnvironment(env);
        p.start(program, args);
        p.waitForFinished(60000);
        if (status)
            *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    QString Window(const QString& title) const
    {
        QString id;
        WaitFor(
            [&] {
                id = Tool("xdotool", {"search", "--onlyvisible", "--name", title})
                         .section('\n', 0, 0);
                return !id.isEmpty();
            },
            kWait);
        return id;
    }

    QTemporaryDir Dir;
    std::unique_ptr<XServer> X;
    std::unique_ptr<NetNamespace> Ns;
    ChildProcess App;
    QDateTime Now, Outage1, Outage2;
};

// Runs of x (left to right) where the rows y0 … y1 of the image have the colour in two pixels
// one above the other (so that a one-pixel line across the plot does not count).
std::vector<std::pair<int, int>> Runs(const QImage& image, QRgb colour, int y0, int y1)
{
    std::vector<std::pair<int, int>> runs;
    const auto is = [&](int x, int y) {
        return (image.pixel(x, y) & 0xffffff) == (colour & 0xffffff);
    };
    for (int x = 0; x < image.width(); ++x) {
        bool hit = false;
        for (int y = y0; y + 1 < y1 && !hit; ++y)
            hit = is(x, y) && is(x, y + 1);
        if (hit && !runs.empty() && runs.back().second == x - 1)
            runs.back().second = x;
        else if (hit)
            runs.emplace_back(x, x);
    }
    return runs;
}

} // namespace

TEST_F(HistoryEndToEnd, TheWindowShowsTheOutagesAndTheReportAddsThemUp)
{
    const QString config = Dir.filePath("config");
    QDir().mkpath(config);
    WriteStoredSettings(config, {{"HostEdit_Text", kHost}, {"CheckBoxPing_Checked", "False"}});
    App = Ns->Spawn({kProgram.toStdString()}, ProgramEnv(), false);
    ASSERT_TRUE(App.Running());
    const QString main = Window("^ZEMBRA Ping s2.04f$");
    ASSERT_FALSE(main.isEmpty()) << "no main window";

    // The menu's items down to Geçmiş: Ayarlar, Gizle, the web site, İstatistikler, the alarm,
    // alerts, IPv6, the history folder, the metrics file, autostart, Geçmiş.
    QString history;
    ASSERT_TRUE(WaitFor(
        [&] {
            Tool("xdotool", {"mousemove", "--window", main, "120", "90", "click", "3"});
            QThread::msleep(400);
            QStringList keys{"key"};
            for (int i = 0; i < 11; ++i)
                keys << "Down";
            Tool("xdotool", keys << "Return");
            history = Window("^ZEMBRA Ping - Geçmiş$");
            return !history.isEmpty();
        },
        kWait));
    Tool("xdotool", {"windowmove", history, "0", "0"});
    QThread::msleep(3000); // read on the worker, then drawn

    const QString shot = Dir.filePath("history.png");
    Tool("import", {"-window", history, shot});
    QImage image(shot);
    ASSERT_FALSE(image.isNull()) << "no screenshot";
    // The loss marks hang from the top of the plot; the gap is filled dark grey.
    // (The time before the files and the hour since are gaps too, with loss on one side only.)
    const auto gaps = Runs(image, qRgb(18, 18, 18), image.height() / 3, image.height() / 2);
    const auto red = Runs(image, qRgb(255, 0, 0), 30, 100);
    std::vector<std::pair<int, int>> before, after;
    std::pair<int, int> gap{-1, -1};
    for (const auto& g : gaps) {
        before.clear();
        after.clear();
        for (const auto& r : red)
            (r.second < g.first ? before : after).push_back(r);
        if (!before.empty() && !after.empty() && after.front().first > g.second) {
            gap = g;
            break;
        }
    }
    ASSERT_GE(gap.first, 0) << "no gap between loss marks; gaps " << gaps.size() << ", marks "
                            << red.size();
    // Measured against the two outages' marks, 2 h apart (5 h and 3 h ago): the gap runs from
    // 4 h to 3.5 h ago, so it starts half-way and ends a quarter before the second outage
    // (give or take a column of 2.4 minutes at each edge).
    const double ruler = after.front().first - before.back().first;
    ASSERT_GT(ruler, 0);
    EXPECT_NEAR((gap.first - before.back().first) / ruler, 0.5, 0.06);
    EXPECT_NEAR((after.front().first - gap.second) / ruler, 0.25, 0.06);

    // The report of the shown range, saved where the user types it.
    const QString pdf = Dir.filePath("report.pdf");
    Tool("xdotool", {"windowfocus", "--sync", history});
    Tool("xdotool", {"key", "ctrl+s"});
    const QString dialog = Window("^Rapor olarak kaydet$");
    ASSERT_FALSE(dialog.isEmpty()) << "no file dialog";
    QThread::msleep(500);
    Tool("xdotool", {"windowfocus", "--sync", dialog});
    Tool("xdotool", {"key", "ctrl+a"});
    Tool("xdotool", {"type", "--delay", "20", pdf});
    Tool("xdotool", {"key", "Return"});
    // The PDF comes first, then the CSV beside it.
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(Dir.filePath("report.csv")); }, kWait))
        << "no report written";
    const QString text = Tool("pdftotext", {"-layout", pdf, "-"});
    EXPECT_TRUE(text.contains("Kesintiler: 2")) << text.toStdString();
    EXPECT_TRUE(text.contains("toplam 3 dk 0 sn")) << text.toStdString();
    EXPECT_TRUE(text.contains("en uzun 2 dk 0 sn")) << text.toStdString();
    EXPECT_TRUE(text.contains("Sunucu: 127.0.0.1")) << text.toStdString();
    EXPECT_TRUE(text.contains(Outage1.toString("dd.MM.yyyy HH:mm:ss"))) << text.toStdString();
    QFile csv(Dir.filePath("report.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly)) << "no CSV beside the report";
    EXPECT_GE(csv.readAll().count(",lost,"), 24 + 12 + 1);

    // The same without a window (up to half an hour ago, before the program's own samples), of
    // the host monitored last; a range without samples and a wrong call.
    int status = -1;
    const QString json =
        Tool(kProgram,
             {"--report", Now.addDays(-1).toString(Qt::ISODate),
              Now.addSecs(-1800).toString(Qt::ISODate), "--output", Dir.filePath("cli.pdf")},
             &status);
    EXPECT_EQ(status, 0) << json.toStdString();
    const QJsonObject r = QJsonDocument::fromJson(json.toUtf8()).object();
    EXPECT_EQ(r["host"].toString(), kHost);
    const QJsonArray outages = r["outages"].toArray();
    ASSERT_EQ(outages.size(), 2) << json.toStdString();
    EXPECT_EQ(outages[0].toObject()["seconds"].toInt(), 120);
    EXPECT_EQ(outages[1].toObject()["seconds"].toInt(), 60);
    EXPECT_TRUE(outages[0].toObject()["where"].isNull());
    EXPECT_EQ(r["lost"].toInt(), 24 + 12 + 1);
    EXPECT_TRUE(QFile::exists(Dir.filePath("cli.pdf")));
    Tool(kProgram, {"--report", "2001-01-01", "2001-01-02", "--output", Dir.filePath("x.pdf")},
         &status);
    EXPECT_EQ(status, 1);
    EXPECT_FALSE(QFile::exists(Dir.filePath("x.pdf")));
    Tool(kProgram, {"--report", "yesterday", "today", "--output", Dir.filePath("x.pdf")}, &status);
    EXPECT_EQ(status, 2);
}
