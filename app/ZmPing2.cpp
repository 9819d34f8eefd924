// The program entry: the command line, one copy per user, the main window, then the settings
// window, then the message loop, which shows the main window.
#include "app/AnaForm.h"
#include "app/AyarU.h"
#include "app/CommandLine.h"
#include "app/FontConfigWarmUp.h"
#include "app/LineEvents.h"
#include "app/SessionEnd.h"
#include "app/SingleInstance.h"
#include "app/StatusCommands.h"
#include "framework/Language.h"
#include "framework/MessageBox.h"
#include "monitor/Options.h"
#include "monitor/SampleHub.h"
#include "monitor/SampleRecorder.h"
#include "shell/TrayHost.h"

#include <QApplication>
#include <memory>

int main(int argc, char** argv)
{
    // Help, version, errors and commands for a running copy never touch the display.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const TCommandLine command = ParseCommandLine(args);
    // The language: given for this run, else as chosen in the menu (Turkish unless changed).
    auto language = [&command] {
        Language::Install(command.Language.isEmpty() ? Monitor::TMonitorOptions::Load().Language
                                                     : command.Language);
    };
    if (command.Action == TCommandLine::Report) {
        // The report's page is drawn with the toolkit's fonts, but never on a display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication gui(argc, argv);
        if (!command.Language.isEmpty())
            Language::Install(command.Language);
        return RunCommandLine(command);
    }
    if (command.Action != TCommandLine::Run) {
        // No display: the application object only carries the translation of a status bar's
        // "not running" line. Only the option given counts: reading the settings file here
        // could set a damaged one aside under the running copy.
        QCoreApplication core(argc, argv);
        if (!command.Language.isEmpty())
            Language::Install(command.Language);
        return RunCommandLine(command);
    }

    TFontConfigWarmUp fonts;
    QApplication app(argc, argv);
    fonts.Wait();
    QApplication::setApplicationName(QStringLiteral("ZmPing2"));
    language();
    // Ties the windows to the desktop entry and its icon (the application id on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral(ZM_APP_ID));
    // Only the quit command ends the program; hidden windows do not.
    QApplication::setQuitOnLastWindowClosed(false);

    TSingleInstance instance(TSingleInstance::InstanceKey());
    // A copy started hidden (at log-in, say) leaves the running one as it is; any other brings
    // it forward. Two copies started at once may both find nobody listening; the one that
    // cannot listen looks again.
    const QByteArray knock = command.Hidden ? "version" : "show";
    if (instance.Send(knock) || (!instance.Listen() && instance.Send(knock)))
        return 0;

    // Started with the session: the panel that holds the tray may still be on its way.
    if (command.Hidden)
        WaitForTrayHost(8000);
    std::unique_ptr<TAnaF> anaF;
    std::unique_ptr<TAyarF> ayarF;
    try {
        anaF = std::make_unique<TAnaF>();
        ayarF = std::make_unique<TAyarF>(anaF.get());
    } catch (const std::exception& e) {
        // Without an ICMP engine the program cannot do its job.
        ShowException(e);
        return 1;
    }
    anaF->SetAyarF(ayarF.get());
    instance.OnActivate = [w = anaF.get()] { w->BringForward(); };
    instance.Handle("quit", [w = anaF.get()](const QByteArray&) {
        w->Kapat1Click(w->Kapat1);
        return QByteArray();
    });
    // Every sample goes to the history files (and the metrics file, when one is set); the hub
    // owns the recorder.
    new Monitor::TSampleRecorder(ayarF->SampleHub1);
    // The history tells a time the program did not run from a time the line was down.
    ayarF->SampleHub1->SetHost(ayarF->HostEdit->Text());
    ayarF->SampleHub1->AddEvent(Monitor::THistoryEventKind::Start);
    ayarF->SampleHub1->SetAutoPing(ayarF->CheckBoxPing->Checked());
    // Sleep and network changes: no false alarm across them, and a mark in the history.
    new TLineEvents(ayarF.get());
    InstallStatusCommands(instance, anaF.get(), ayarF.get());
    const auto sessionEnd = InstallSessionEnd(anaF.get(), ayarF.get());
    if (command.Hidden)
        anaF->StartHidden();
    else
        anaF->show();
    const int rc = app.exec();
    ayarF->SampleHub1->AddEvent(Monitor::THistoryEventKind::End);
    // The settings window goes first: its storage saves, and its ping component cancels an
    // outstanding lookup, while the main window still exists.
    ayarF.reset();
    anaF.reset();
    return rc;
}
