#include "app/StatusCommands.h"

#include "app/AnaForm.h"
#include "app/AyarU.h"
#include "app/SingleInstance.h"
#include "controls/LiquidIndicator.h"
#include "framework/MessageBox.h"
#include "monitor/SampleHub.h"
#include "monitor/StatusReport.h"

#include <QTimer>

namespace {

QString StatusName(Monitor::TStatus status)
{
    switch (status) {
    case Monitor::stBad:
        return QStringLiteral("bad");
    case Monitor::stNormal:
        return QStringLiteral("normal");
    case Monitor::stGood:
        return QStringLiteral("good");
    default:
        return QStringLiteral("off");
    }
}

Monitor::TStatusView View(const TAnaF& main, const TAyarF& settings)
{
    // After a failed lookup the lamp is maroon and nothing is known about the line.
    const QString status =
        settings.HostUnknown() ? QStringLiteral("unknown-host") : StatusName(settings.LastStatus());
    return {status, main.Sure->Indicatorstring(),
            ToQColor(main.Shape1->BrushColor()).name().toUpper(), settings.CheckBoxPing->Checked()};
}

} // namespace

void InstallStatusCommands(TSingleInstance& Channel, TAnaF* Main, TAyarF* Settings)
{
    Monitor::TSampleHub* hub = Settings->SampleHub1;
    Channel.Handle("status",
                   [=](const QByteArray&) { return StatusJson(*hub, View(*Main, *Settings)); });
    Channel.HandleFollowing(
        "follow", [=](const QByteArray&) { return StatusBarLine(*hub, View(*Main, *Settings)); });
    QObject::connect(hub, &Monitor::TSampleHub::SampleAdded, &Channel, [=, &Channel] {
        if (Channel.Followers() > 0)
            Channel.Publish(StatusBarLine(*hub, View(*Main, *Settings)));
    });
    // Answered at once; the cycle starts from the event loop, where a message box (no host) may
    // wait for the user without holding the caller.
    Channel.Handle("ping", [=](const QByteArray&) {
        QTimer::singleShot(0, Settings, [Settings] {
            RunGuarded([&] { Settings->PingButtonClick(Settings->PingButton); });
        });
        return QByteArray();
    });
}
