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
    bool help = false, version = false, show = false, quit = false;
    for (qsizetype i = 0; i < Args.size(); ++i) {
        const QString& arg = Args[i];
        const QString bare = arg.startsWith(QLatin1String("--")) ? arg.mid(2) : arg.mid(1);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            help = true;
        else if (arg == QLatin1String("--version"))
            version = true;
        else if (arg == QLatin1String("--show"))
            show = true;
        else if (arg == QLatin1String("--quit"))
            quit = true;
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
    }
    // Help and version win over the rest; --hidden only goes with starting a copy.
    if (help || version) {
        cmd.Action = help ? TCommandLine::Help : TCommandLine::Version;
        return cmd;
    }
    if (show && quit)
        return fail(QStringLiteral("--show and --quit cannot be combined"));
    if (cmd.Hidden && (show || quit))
        return fail(QStringLiteral("--hidden starts a copy and cannot be combined with %1")
                        .arg(show ? QStringLiteral("--show") : QStringLiteral("--quit")));
    cmd.Action = show ? TCommandLine::Show : quit ? TCommandLine::Quit : TCommandLine::Run;
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
