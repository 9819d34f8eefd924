// The program entry: one copy per user, the main window, then the settings window, then the
// message loop, which shows the main window.
#include "app/AnaForm.h"
#include "app/AyarU.h"
#include "app/FontConfigWarmUp.h"
#include "app/SessionEnd.h"
#include "app/SingleInstance.h"
#include "app/StoredStateProbe.h"
#include "app/TestState.h"
#include "framework/MessageBox.h"

#include <QApplication>
#include <memory>

int main(int argc, char** argv)
{
    TFontConfigWarmUp fonts;
    QApplication app(argc, argv);
    fonts.Wait();
    QApplication::setApplicationName(QStringLiteral("ZmPing2"));
    // Only the quit command ends the program; hidden windows do not.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString key = qEnvironmentVariableIsSet("ZMPING2_INSTANCE_KEY")
                            ? qEnvironmentVariable("ZMPING2_INSTANCE_KEY")
                            : TSingleInstance::DefaultKey();
    TSingleInstance instance(key);
    // Two copies started at once may both find nobody listening; the one that cannot listen
    // looks again.
    if (instance.AnotherIsRunning() || (!instance.Listen() && instance.AnotherIsRunning()))
        return 0;

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
    InstallFirstPaintProbe(anaF.get());
    InstallStoredStateProbe(anaF.get(), ayarF.get());
    const auto sessionEnd = InstallSessionEnd(anaF.get(), ayarF.get());
    anaF->show();
    const int rc = app.exec();
    // The settings window goes first: its storage saves, and its ping component cancels an
    // outstanding lookup, while the main window still exists.
    ayarF.reset();
    anaF.reset();
    return rc;
}
