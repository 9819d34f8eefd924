#include "app/LineEvents.h"

#include "app/AyarU.h"
#include "framework/SleepWatch.h"
#include "monitor/SampleHub.h"
#include "net/ConnectionName.h"
#include "net/HostAddress.h"
#include "net/NetworkWatch.h"
#include "net/RouteQuery.h"

#include <cstdio>

using namespace Monitor;

namespace {

// How the host is reached, in the history's English: "eth0 (Office Wi-Fi), gateway 192.0.2.1",
// "eth1, on link", "no route".
QString RouteText(const RouteResult& r)
{
    if (!r.Ok)
        return QStringLiteral("no route");
    const QString name = QString::fromStdString(r.Route.IfName);
    QString text = name.isEmpty() ? QStringLiteral("interface %1").arg(r.Route.IfIndex) : name;
    const QString connection = ConnectionName(name);
    if (!connection.isEmpty())
        text += QStringLiteral(" (%1)").arg(connection);
    text += r.Route.Gateway ? QStringLiteral(", gateway ") + AddressText(*r.Route.Gateway)
                            : QStringLiteral(", on link");
    return text;
}

} // namespace

TLineEvents::TLineEvents(TAyarF* settings)
    : QObject(settings), FAyar(settings), FSleep(new TSleepWatch(this)),
      FNetwork(new TNetworkWatch(this))
{
    connect(FSleep, &TSleepWatch::Sleeping, this, &TLineEvents::Sleeping);
    connect(FSleep, &TSleepWatch::Woke, this, &TLineEvents::Woke);
    if (!FNetwork->Error().isEmpty())
        std::fprintf(stderr, "ZmPing2: %s\n", FNetwork->Error().toLocal8Bit().constData());
    connect(FNetwork, &TNetworkWatch::Changed, this, [this] { LookAtRoute(true); });
    connect(FAyar->SampleHub1, &TSampleHub::SampleAdded, this, [this] {
        if (FAyar->SampleHub1->Last().Address != FAddress)
            LookAtRoute(false);
    });
}

void TLineEvents::Sleeping()
{
    FAyar->SetAsleep(true);
    FAyar->SampleHub1->AddEvent(THistoryEventKind::Asleep, QStringLiteral("Computer asleep"));
}

void TLineEvents::Woke(qint64 asleepMs)
{
    FAyar->SetAsleep(false);
    FAyar->SampleHub1->AddEvent(THistoryEventKind::Awake,
                                QStringLiteral("Awake after %1 s asleep").arg(asleepMs / 1000));
    FAyar->SampleHub1->BeginGrace();
}

void TLineEvents::LookAtRoute(bool changed)
{
    TSampleHub* hub = FAyar->SampleHub1;
    const QString address = hub->Last().Address;
    HostAddress destination;
    if (address.isEmpty() || ParseAddressLiteral(address, &destination) != LiteralKind::Address) {
        FAddress.clear();
        return;
    }
    const RouteResult r = QueryRoute(destination);
    const QString route = RouteText(r);
    const bool told = changed && address == FAddress && route != FRoute;
    FAddress = address;
    FRoute = route;
    hub->SetNoRoute(!r.Ok);
    if (!told)
        return;
    hub->AddEvent(THistoryEventKind::NetworkChange, QStringLiteral("Network changed: ") + route);
    hub->BeginGrace();
    // A lookup under way asks the old network's name server: the next cycle asks afresh.
    FAyar->Ping1->ForgetLookups();
    if (FAyar->Ping1->LookupHandle() != 0)
        FAyar->CancelButtonClick(FAyar);
}
