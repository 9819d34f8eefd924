#include "app/CommandLine.h"

#include "app/SingleInstance.h"

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

} // namespace

TCommandLine ParseCommandLine(const QStringList& Args)
{
    TCommandLine cmd;
    auto fail = [&cmd](const QString& message) {
        cmd.Action = TCommandLine::Error;
        cmd.Message = message;
        return cmd;
    };
    // The one action asked for; a second, different one is an error.
    auto want = [&cmd](TCommandLine::TAction action) {
        if (cmd.Action != TCommandLine::Run && cmd.Action != action)
            return false;
        cmd.Action = action;
        return true;
    };
    for (qsizetype i = 0; i < Args.size(); ++i) {
        const QString& arg = Args[i];
        const QString bare = arg.startsWith(QLatin1String("--")) ? arg.mid(2) : arg.mid(1);
        bool ok = true;
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            ok = want(TCommandLine::Help);
        else if (arg == QLatin1String("--version"))
            ok = want(TCommandLine::Version);
        else if (arg == QLatin1String("--show"))
            ok = want(TCommandLine::Show);
        else if (arg == QLatin1String("--quit"))
            ok = want(TCommandLine::Quit);
        else if (arg == QLatin1String("--hidden"))
            cmd.Hidden = true;
        else if (arg.startsWith(QLatin1Char('-')) && kQtFlags.contains(bare))
            continue;
        else if (arg.startsWith(QLatin1Char('-')) &&
                 kQtWithValue.contains(bare.section('=', 0, 0))) {
            if (!bare.contains(QLatin1Char('=')) && ++i >= Args.size())
                return fail(QStringLiteral("option %1 needs a value").arg(arg));
        } else if (arg.startsWith(QLatin1Char('-')))
            return fail(QStringLiteral("unknown option %1").arg(arg));
        else
            return fail(QStringLiteral("unexpected argument %1").arg(arg));
        if (!ok)
            return fail(QStringLiteral("%1 cannot be combined with another command").arg(arg));
    }
    // Help and version win over everything else; --hidden only goes with starting a copy.
    if (cmd.Hidden && (cmd.Action == TCommandLine::Show || cmd.Action == TCommandLine::Quit))
        return fail(QStringLiteral("--hidden starts a copy and cannot be combined with --show "
                                   "or --quit"));
    return cmd;
}

QString UsageText()
{
    return QStringLiteral(
        "Usage: ZmPing2 [--hidden] [--show | --quit] [--help | --version]\n"
        "A desktop network monitor: pings one host and shows how the connection stands.\n"
        "\n"
        "  --hidden   start in the notification area without showing the main window\n"
        "             (shown as usual when the desktop has no notification area)\n"
        "  --show     show the main window of the copy that is running\n"
        "  --quit     end the copy that is running\n"
        "  --help     print this help and exit\n"
        "  --version  print the version and exit\n"
        "\n"
        "Exit status: 0 done, 1 no copy is running (--show, --quit), 2 a usage error.\n");
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
    case TCommandLine::Show:
    case TCommandLine::Quit: {
        TSingleInstance instance(TSingleInstance::InstanceKey());
        const QByteArray command = Command.Action == TCommandLine::Show ? "show" : "quit";
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
