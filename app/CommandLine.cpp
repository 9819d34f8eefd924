#include "app/CommandLine.h"

#include "app/ReportPdf.h"
#include "app/SingleInstance.h"
#include "framework/AtomicFile.h"
#include "framework/RegistryFile.h"
#include "monitor/HistoryExport.h"
#include "monitor/HistoryFile.h"
#include "monitor/LineAlert.h"
#include "monitor/Options.h"
#include "monitor/StatusReport.h"
#include "monitor/SummaryStore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <unistd.h>

#include <cstdio>

namespace {

// Qt's options that take a value, and those that do not, as QApplication reads them.
const QStringList kQtWithValue = {QStringLiteral("platform"),
                                  QStringLiteral("platformpluginpath"),
                                  QStringLiteral("platformtheme"),
                                  QStringLiteral("plugin"),
                                  QStringLiteral("qwindowgeometry"),
                                  QStringLiteral("qwindowtitle"),
                                  QStringLiteral("qwindowicon"),
                                  QStringLiteral("display"),
                                  QStringLiteral("geometry"),
                                  QStringLiteral("style"),
                                  QStringLiteral("stylesheet"),
                                  QStringLiteral("session"),
                                  QStringLiteral("name"),
                                  QStringLiteral("title"),
                                  QStringLiteral("visual")};
const QStringList kQtFlags = {QStringLiteral("reverse"), QStringLiteral("nograb"),
                              QStringLiteral("dograb"), QStringLiteral("sync"),
                              QStringLiteral("widgetcount")};

void Print(std::FILE* to, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), to);
    std::fflush(to);
}

constexpr int kStatusDown = 1;
constexpr int kNoCopy = 3;
constexpr int kNotWatching = 4; // automatic pinging is off

int PrintStatus()
{
    TSingleInstance instance(TSingleInstance::InstanceKey());
    const std::optional<QByteArray> answer = instance.Send("status");
    const QByteArray json = answer ? answer->split('\n').value(1) : QByteArray();
    if (!answer || !answer->startsWith("ok\n") || json.isEmpty()) {
        Print(stderr, QStringLiteral("ZmPing2: no copy is running\n"));
        return kNoCopy;
    }
    Print(stdout, QString::fromUtf8(json) + QLatin1Char('\n'));
    const QString line = QJsonDocument::fromJson(json).object().value("line").toString();
    return line == QLatin1String("down")  ? kStatusDown
           : line == QLatin1String("off") ? kNotWatching
                                          : 0;
}

// A line at every sample; while no copy runs, a line that says so, and a look every two seconds.
// Ends when standard output is closed (the status bar went away).
int FollowStatus()
{
    TSingleInstance instance(TSingleInstance::InstanceKey());
    auto show = [](const QByteArray& line) {
        Print(stdout, QString::fromUtf8(line) + QLatin1Char('\n'));
        return !std::ferror(stdout);
    };
    const QByteArray stopped = Monitor::NotRunningBarLine().trimmed();
    bool said = false; // the stopped line, once per stop
    for (;;) {
        instance.Follow("follow", [&](const QByteArray& line) {
            if (!line.startsWith('{'))
                return line == "ok";
            said = false;
            return show(line);
        });
        if (std::ferror(stdout))
            return 0;
        if (!said && !show(stopped))
            return 0;
        said = true;
        ::sleep(2);
    }
}

// A date ("2026-12-01") or a time ("2026-12-01T08:00", with seconds, an offset or Z), local
// unless it says otherwise. A date as the end of a range means the end of that day.
QDateTime ParseWhen(const QString& text, bool end)
{
    const QDate day = QDate::fromString(text, Qt::ISODate);
    if (day.isValid() && text.size() == 10)
        return end ? day.addDays(1).startOfDay() : day.startOfDay();
    const QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
    return t.isValid() && text.contains(QLatin1Char('T')) ? t : QDateTime();
}

// What the report takes from the settings: the outage rule's counts (so its outages are the ones
// the notifications announced) and the thresholds drawn on the graph. Read without the
// registry code's repairs, which are the running copy's business; defaults where anything is
// missing or amiss.
struct TReportSettings {
    int DownAfter = Monitor::TLineAlert::kDefaultDownAfter;
    int UpAfter = Monitor::TLineAlert::kDefaultUpAfter;
    double LowMs = 200, HighMs = 700;
};

TReportSettings StoredReportSettings()
{
    TReportSettings settings;
    QByteArray text;
    QString why;
    if (ReadSettingsFile(TRegistryFile::DefaultPath(), text, why) != TSettingsRead::Read)
        return settings;
    TRegistryData data;
    try {
        data = TRegistryData::Parse(text);
    } catch (const ERegistryFormatError&) {
        return settings;
    }
    const QString key =
        QStringLiteral("HKEY_CURRENT_USER\\") + Monitor::TMonitorOptions::RegistryKey();
    auto number = [&](const QString& section, const QString& name, double def, double lo,
                      double hi) {
        if (const TRegKey* k = data.FindKey(key + QLatin1Char('\\') + section))
            for (const TRegValue& v : k->Values)
                if (v.Name.compare(name, Qt::CaseInsensitive) == 0) {
                    bool ok = false;
                    const double d = v.Type == REG_DWORD ? double(v.Dword) : v.Text.toDouble(&ok);
                    if ((ok || v.Type == REG_DWORD) && d >= lo && d <= hi)
                        return d;
                }
        return def;
    };
    const QString options = Monitor::TMonitorOptions::SectionName();
    settings.DownAfter =
        int(number(options, QStringLiteral("DownAfter"), settings.DownAfter, 1, 1000));
    settings.UpAfter = int(number(options, QStringLiteral("UpAfter"), settings.UpAfter, 1, 1000));
    settings.LowMs =
        number(QStringLiteral("TAyarF"), QStringLiteral("SpinEditALT_Value"), 200, 1, 1e6);
    settings.HighMs =
        number(QStringLiteral("TAyarF"), QStringLiteral("SpinEditUST_Value"), 700, 1, 1e6);
    return settings;
}

int WriteReport(const TCommandLine& cmd)
{
    const TReportSettings settings = StoredReportSettings();
    const std::int64_t from = cmd.ReportFrom.toMSecsSinceEpoch();
    const std::int64_t to = cmd.ReportTo.toMSecsSinceEpoch();
    Monitor::TSummaryStore store;
    const Monitor::TRefreshResult refreshed = store.Refresh(Monitor::HistoryFolder());
    if (!refreshed.Error.isEmpty()) {
        Print(stderr,
              QStringLiteral("ZmPing2: the history's summaries: %1\n").arg(refreshed.Error));
        return 1;
    }
    const QString host = cmd.ReportHost.isEmpty() ? store.LastHost(to) : cmd.ReportHost;
    const Monitor::THistoryData data =
        Monitor::LoadHistory(store, host, from, to, settings.DownAfter, settings.UpAfter);
    Monitor::TReportFigures figures = Monitor::ReportFigures(data, from, to);
    Print(stdout, QString::fromUtf8(Monitor::ReportJson(figures)) + QLatin1Char('\n'));
    if (figures.Sent == 0 && data.Minutes.empty()) {
        Print(stderr, QStringLiteral("ZmPing2: no samples of %1 in the range\n")
                          .arg(host.isEmpty() ? QStringLiteral("any host") : host));
        return 1;
    }
    QString why = WriteReportPdf(cmd.ReportOutput, figures, data, settings.LowMs, settings.HighMs);
    if (why.isEmpty()) {
        QString csv = cmd.ReportOutput;
        if (csv.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
            csv.chop(4);
        why = Monitor::ExportHistoryCsv(Monitor::HistoryFolder(), host, from, to,
                                        csv + QStringLiteral(".csv"));
    }
    if (!why.isEmpty()) {
        Print(stderr, QStringLiteral("ZmPing2: the report cannot be written: %1\n").arg(why));
        return 1;
    }
    return 0;
}

} // namespace

TCommandLine ParseCommandLine(const QStringList& Args)
{
    TCommandLine cmd;
    auto fail = [&cmd](const QString& message) {
        cmd.Action = TCommandLine::Error;
        cmd.Message = message;
        return cmd;
    };
    bool help = false, version = false;
    // The command for the running copy and the option that asked for it; a second, different
    // one is an error.
    TCommandLine::TAction command = TCommandLine::Run;
    QString commandOption, clash;
    auto want = [&](TCommandLine::TAction action, const QString& option) {
        if (command != TCommandLine::Run && command != action && clash.isEmpty())
            clash = QStringLiteral("%1 and %2 cannot be combined").arg(commandOption, option);
        if (command == TCommandLine::Run) {
            command = action;
            commandOption = option;
        }
    };
    for (qsizetype i = 0; i < Args.size(); ++i) {
        const QString& arg = Args[i];
        const QString bare = arg.startsWith(QLatin1String("--")) ? arg.mid(2) : arg.mid(1);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            help = true;
        else if (arg == QLatin1String("--version"))
            version = true;
        else if (arg == QLatin1String("--show"))
            want(TCommandLine::Show, arg);
        else if (arg == QLatin1String("--quit"))
            want(TCommandLine::Quit, arg);
        else if (arg == QLatin1String("--status"))
            want(TCommandLine::Status, arg);
        else if (arg == QLatin1String("--ping"))
            want(TCommandLine::Ping, arg);
        else if (arg == QLatin1String("--report")) {
            want(TCommandLine::Report, arg);
            if (i + 2 >= Args.size())
                return fail(QStringLiteral("--report needs a start and an end"));
            cmd.ReportFrom = ParseWhen(Args[++i], false);
            cmd.ReportTo = ParseWhen(Args[++i], true);
            if (!cmd.ReportFrom.isValid() || !cmd.ReportTo.isValid())
                return fail(QStringLiteral("--report: %1 and %2 must be ISO 8601 dates or times")
                                .arg(Args[i - 1], Args[i]));
        } else if (arg == QLatin1String("--host") || arg == QLatin1String("--output")) {
            if (++i >= Args.size() || Args[i].isEmpty())
                return fail(QStringLiteral("option %1 needs a value").arg(arg));
            (arg == QLatin1String("--host") ? cmd.ReportHost : cmd.ReportOutput) = Args[i];
        } else if (arg == QLatin1String("--follow"))
            cmd.Follow = true;
        else if (arg == QLatin1String("--hidden"))
            cmd.Hidden = true;
        else if (arg == QLatin1String("--language") ||
                 arg.startsWith(QLatin1String("--language="))) {
            QString value = arg.section(QLatin1Char('='), 1);
            if (!arg.contains(QLatin1Char('='))) {
                if (++i >= Args.size())
                    return fail(QStringLiteral("option --language needs a value (en or tr)"));
                value = Args[i];
            }
            if (value != QLatin1String("en") && value != QLatin1String("tr"))
                return fail(QStringLiteral("--language takes en or tr, not '%1'").arg(value));
            cmd.Language = value;
        } else if (arg.startsWith(QLatin1Char('-')) && kQtFlags.contains(bare))
            continue;
        else if (arg.startsWith(QLatin1Char('-')) &&
                 kQtWithValue.contains(bare.section('=', 0, 0))) {
            if (!bare.contains(QLatin1Char('=')) && ++i >= Args.size())
                return fail(QStringLiteral("option %1 needs a value").arg(arg));
        } else if (arg.startsWith(QLatin1Char('-')))
            return fail(QStringLiteral("unknown option %1").arg(arg));
        else
            return fail(QStringLiteral("unexpected argument %1").arg(arg));
    }
    // Help and version win over the rest; --hidden only goes with starting a copy.
    if (help || version) {
        cmd.Action = help ? TCommandLine::Help : TCommandLine::Version;
        return cmd;
    }
    if (!clash.isEmpty())
        return fail(clash);
    if (cmd.Hidden && command != TCommandLine::Run)
        return fail(QStringLiteral("--hidden starts a copy and cannot be combined with %1")
                        .arg(commandOption));
    if (cmd.Follow && command != TCommandLine::Status)
        return fail(QStringLiteral("--follow goes with --status only"));
    if ((!cmd.ReportHost.isEmpty() || !cmd.ReportOutput.isEmpty()) &&
        command != TCommandLine::Report)
        return fail(QStringLiteral("--host and --output go with --report only"));
    if (command == TCommandLine::Report) {
        if (cmd.ReportOutput.isEmpty())
            return fail(QStringLiteral("--report needs --output FILE.pdf"));
        if (cmd.ReportFrom >= cmd.ReportTo)
            return fail(QStringLiteral("--report: the start must come before the end"));
    }
    cmd.Action = command;
    return cmd;
}

QString UsageText()
{
    return QStringLiteral(
        "Usage: ZmPing2 [--hidden] [--language en|tr]\n"
        "               [--show | --quit | --status [--follow] | --ping] [--help | --version]\n"
        "       ZmPing2 --report FROM TO [--host HOST] --output FILE.pdf\n"
        "A desktop network monitor: pings one host and shows how the connection stands.\n"
        "\n"
        "  --hidden   start in the notification area without showing the main window\n"
        "             (shown as usual when the desktop has no notification area)\n"
        "  --show     show the main window of the copy that is running\n"
        "  --quit     end the copy that is running\n"
        "  --status   print the running copy's status as one line of JSON\n"
        "  --follow   with --status: print a status-bar line (waybar, i3blocks) at every\n"
        "             sample until interrupted\n"
        "  --ping     make the running copy ping now\n"
        "  --report   write a one-page PDF report of the history from FROM to TO (ISO 8601\n"
        "             dates or times; a date as TO includes that day) and the samples beside\n"
        "             it as CSV, and print the summary as one line of JSON; --host chooses\n"
        "             the host (default: the one monitored last)\n"
        "  --language en|tr\n"
        "             the language of the windows for this run (Turkish unless chosen\n"
        "             otherwise in the menu's \"Dil / Language\")\n"
        "  --help     print this help and exit\n"
        "  --version  print the version and exit\n"
        "\n"
        "Exit status: 0 done, 1 no copy is running (--show, --quit, --ping), 2 a usage error;\n"
        "for --status: 0 the line is up, 1 it is down, 3 no copy is running, 4 automatic\n"
        "pinging is off (nothing is watched); for --report: 0 written, 1 no samples in the\n"
        "range.\n"
        "\n"
        "Environment:\n"
        "  ZMPING2_INSTANCE_KEY  a name for a copy of its own, to run two monitors side by\n"
        "                        side; the commands above reach the copy of that name\n"
        "  ZMPING2_SOUND_PLAYER  a command that plays the alarm (it gets the sound file as its\n"
        "                        last argument) instead of aplay, paplay or pw-play\n");
}

QString VersionText()
{
    return QStringLiteral("ZmPing2 " ZM_VERSION "\n");
}

int RunCommandLine(const TCommandLine& Command)
{
    switch (Command.Action) {
    case TCommandLine::Help:
        Print(stdout, UsageText());
        return 0;
    case TCommandLine::Version:
        Print(stdout, VersionText());
        return 0;
    case TCommandLine::Error:
        Print(stderr, QStringLiteral("ZmPing2: %1\n").arg(Command.Message) + UsageText());
        return 2;
    case TCommandLine::Status:
        return Command.Follow ? FollowStatus() : PrintStatus();
    case TCommandLine::Report:
        return WriteReport(Command);
    case TCommandLine::Show:
    case TCommandLine::Quit:
    case TCommandLine::Ping: {
        TSingleInstance instance(TSingleInstance::InstanceKey());
        const QByteArray command = Command.Action == TCommandLine::Show   ? "show"
                                   : Command.Action == TCommandLine::Quit ? "quit"
                                                                          : "ping";
        if (instance.Send(command))
            return 0;
        Print(stderr, QStringLiteral("ZmPing2: no copy is running\n"));
        return 1;
    }
    case TCommandLine::Run:
        break;
    }
    return 0;
}
