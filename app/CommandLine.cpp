#include "app/CommandLine.h"

#include "app/SingleInstance.h"
#include "monitor/StatusReport.h"

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
        else if (arg == QLatin1String("--follow"))
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
    cmd.Action = command;
    return cmd;
}

QString UsageText()
{
    return QStringLiteral(
        "Usage: ZmPing2 [--hidden] [--language en|tr]\n"
        "               [--show | --quit | --status [--follow] | --ping] [--help | --version]\n"
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
        "  --language en|tr\n"
        "             the language of the windows for this run (Turkish unless chosen\n"
        "             otherwise in the menu's \"Dil / Language\")\n"
        "  --help     print this help and exit\n"
        "  --version  print the version and exit\n"
        "\n"
        "Exit status: 0 done, 1 no copy is running (--show, --quit, --ping), 2 a usage error;\n"
        "for --status: 0 the line is up, 1 it is down, 3 no copy is running, 4 automatic\n"
        "pinging is off (nothing is watched).\n"
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
