// ctest-labels: net
// ctest-serial
// The alerting and recording rules shipped for the metrics file, checked by Prometheus's own
// promtool on series the real program wrote: it pings the project's echo responder in a
// private network namespace, which answers fast, then slowly (above the upper threshold), then
// not at all; every metrics file it writes is kept, one per cycle, and becomes one minute of
// the rules' test series. The rules must stay quiet while the line is good, report the slow
// line, the down line and the poor call quality while it is slow, and the loss and the down line
// while nothing comes.
#include "support/NetNamespace.h"
#include "support/ProgramUnderTest.h"
#include "support/StoredSettings.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

const QString kRules = QStringLiteral(ZM_SOURCE_DIR "/docs/prometheus/zmping2.rules.yml");

QString Promtool(const QStringList& args, int* code)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("promtool"), args);
    p.waitForFinished(60000);
    *code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAll());
}

} // namespace

TEST(PrometheusRules, FireOnTheSeriesTheProgramWrote)
{
    if (const std::string why = ProgramUnavailable({"promtool"}); !why.empty())
        GTEST_SKIP() << why;
    int code = -1;
    QString out = Promtool({"check", "rules", kRules}, &code);
    ASSERT_EQ(code, 0) << out.toStdString();

    QTemporaryDir dir;
    const QString metrics = dir.filePath("zmping2.prom");
    const QString config = dir.filePath("config");
    WriteStoredSettings(config, {{"HostEdit_Text", "127.0.0.1"},
                                 {"SpinEdit1_Value", "1"},
                                 {"CheckBoxPing_Checked", "True"}});
    {
        TRegIniFile options(QStringLiteral("Software\\ZmPing2"), false, TRegRoot::CurrentUser,
                            config + QStringLiteral("/ZmPing2/registry.reg"));
        options.WriteString(QStringLiteral("Options"), QStringLiteral("MetricsFile"), metrics);
    }
    NetNamespace ns;
    ASSERT_TRUE(ns.Ok()) << ns.Error();
    ns.SetSysctl("net.ipv4.ping_group_range", "0 2147483647");
    ChildProcess responder = ns.Spawn({ZM_ECHO_RESPONDER});
    ASSERT_TRUE(responder.WaitForLine("ready", std::chrono::seconds(10)));
    ChildProcess app = ns.Spawn({ZM_BINARY_DIR "/bin/ZmPing2"},
                                {"QT_QPA_PLATFORM=offscreen", "ZMPING2_SOUND_PLAYER=true",
                                 "XDG_CONFIG_HOME=" + config.toStdString(),
                                 "XDG_STATE_HOME=" + dir.filePath("state").toStdString(),
                                 "ZMPING2_INSTANCE_KEY=" + dir.filePath("socket").toStdString()},
                                false);
    ASSERT_TRUE(app.Running());

    // Every new metrics file (one per cycle: the sent counter grows by one).
    QStringList files;
    auto collect = [&](int count) {
        static const QRegularExpression sent(R"(zmping2_echo_requests_sent_total\{[^}]*\} (\d+))");
        const int until = int(files.size()) + count;
        return WaitFor(
            [&] {
                QFile f(metrics);
                if (f.open(QIODevice::ReadOnly)) {
                    const QString text = QString::fromUtf8(f.readAll());
                    const auto m = sent.match(text);
                    const auto last =
                        files.isEmpty() ? QRegularExpressionMatch() : sent.match(files.last());
                    if (m.hasMatch() && (!last.hasMatch() || m.captured(1) != last.captured(1)))
                        files << text;
                }
                return files.size() >= until;
            },
            60000);
    };
    const int good = 6, slow = 14, lost = 12;
    ASSERT_TRUE(collect(good));
    responder.Stop();
    responder = ns.Spawn({ZM_ECHO_RESPONDER, "--delay-ms", "800"});
    ASSERT_TRUE(responder.WaitForLine("ready", std::chrono::seconds(10)));
    ASSERT_TRUE(collect(slow));
    responder.Stop();
    ASSERT_TRUE(collect(lost));
    app.Stop();

    // The files as series, one minute per cycle; a series missing from a file (the fault's
    // label changes) has no value that minute.
    QMap<QString, QStringList> series;
    for (qsizetype i = 0; i < files.size(); ++i)
        for (const QString& line : files[i].split('\n', Qt::SkipEmptyParts)) {
            if (line.startsWith('#'))
                continue;
            const qsizetype space = line.lastIndexOf(' ');
            const QString value = line.mid(space + 1);
            QStringList& values = series[line.left(space)];
            while (values.size() < i)
                values << "_";
            values << (value == "NaN" ? "_" : value);
        }
    ASSERT_TRUE(series.contains("zmping2_line_up{host=\"127.0.0.1\"}"));
    QString yaml = "rule_files:\n  - " + kRules +
                   "\nevaluation_interval: 1m\ntests:\n"
                   "  - interval: 1m\n    input_series:\n";
    for (auto it = series.cbegin(); it != series.cend(); ++it) {
        QString name = it.key();
        yaml += "      - series: '" + name.replace('\'', "''") + "'\n        values: '" +
                it.value().join(' ') + "'\n";
    }
    yaml += "    alert_rule_test:\n";
    auto expect = [&](int minute, const QString& alert, const QString& severity,
                      const QString& summary, const QString& where = {}) {
        yaml += QStringLiteral("      - eval_time: %1m\n        alertname: %2\n        exp_alerts:")
                    .arg(minute)
                    .arg(alert);
        if (severity.isEmpty()) {
            yaml += " []\n";
            return;
        }
        yaml +=
            "\n          - exp_labels:\n              host: 127.0.0.1\n              severity: " +
            severity + (where.isEmpty() ? QString() : "\n              where: " + where) +
            "\n            exp_annotations:\n              summary: \"" + summary + "\"\n";
    };
    const int endGood = good - 1, endSlow = good + slow - 1, endLost = good + slow + lost - 1;
    for (const char* alert : {"ZmPing2LineDown", "ZmPing2EchoLoss", "ZmPing2SlowLine",
                              "ZmPing2PoorCallQuality", "ZmPing2FaultFound"})
        expect(endGood, alert, {}, {});
    // Six fast and then slow replies: the MOS of the last 20 cycles falls below 3.6 and stays.
    expect(endSlow, "ZmPing2PoorCallQuality", "warning",
           "127.0.0.1 would carry calls poorly (MOS below 3.6)");
    expect(endSlow, "ZmPing2LineDown", "critical", "127.0.0.1 is down");
    expect(endSlow, "ZmPing2SlowLine", "warning", "127.0.0.1 answers slower than 0.7 s on average");
    expect(endSlow, "ZmPing2EchoLoss", {}, {});
    expect(endLost, "ZmPing2LineDown", "critical", "127.0.0.1 is down");
    expect(endLost, "ZmPing2EchoLoss", "warning", "127.0.0.1 loses more than 5 % of the echoes");
    expect(endLost, "ZmPing2SlowLine", {}, {});
    // With no replies at all the diagnosis names a place, and the fault alert carries it.
    static const QRegularExpression fault(R"re(zmping2_fault_info\{[^}]*where="([^"]+)"\} 1)re");
    const QString where = fault.match(files.last()).captured(1);
    ASSERT_FALSE(where.isEmpty() || where == "none") << files.last().toStdString();
    expect(endLost, "ZmPing2FaultFound", "critical", "127.0.0.1 is down; the fault: " + where,
           where);
    const QString test = dir.filePath("zmping2_test.yml");
    QFile f(test);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(yaml.toUtf8());
    f.close();
    out = Promtool({"test", "rules", test}, &code);
    EXPECT_EQ(code, 0) << out.toStdString() << "\n" << yaml.toStdString();
}
