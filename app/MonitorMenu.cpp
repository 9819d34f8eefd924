#include "app/MonitorMenu.h"

#include "app/AnaForm.h"
#include "app/AyarU.h"
#include "app/IstatistikForm.h"
#include "framework/MessageBox.h"
#include "monitor/SampleHub.h"

#include <QAction>
#include <QMenu>

using Monitor::TSampleHub;

TMonitorMenu::TMonitorMenu(TAnaF* main, QMenu* menu) : QObject(main), FMain(main)
{
    N3 = menu->addSeparator();
    Istatistikler1 = menu->addAction(QStringLiteral("İstatistikler"));
    Istatistikler1->setObjectName(QStringLiteral("Istatistikler1"));
    AlarmSustur1 = menu->addAction(QStringLiteral("Alarmı bir saat sustur"));
    AlarmSustur1->setObjectName(QStringLiteral("AlarmSustur1"));
    AlarmSustur1->setCheckable(true);
    Uyarilar1 = menu->addAction(QStringLiteral("Bağlantı uyarıları"));
    Uyarilar1->setObjectName(QStringLiteral("Uyarilar1"));
    Uyarilar1->setCheckable(true);
    Uyarilar1->setChecked(true);
    IPv6Tercih1 = menu->addAction(QStringLiteral("IPv6 adresini tercih et"));
    IPv6Tercih1->setObjectName(QStringLiteral("IPv6Tercih1"));
    IPv6Tercih1->setCheckable(true);
    connect(IPv6Tercih1, &QAction::triggered, this, [this](bool on) { IPv6TercihClick(on); });
    connect(Istatistikler1, &QAction::triggered, this, [this] { IstatistiklerClick(); });
    connect(AlarmSustur1, &QAction::triggered, this, [this](bool on) { AlarmSusturClick(on); });
    connect(Uyarilar1, &QAction::triggered, this, [this](bool on) { UyarilarClick(on); });
    connect(menu, &QMenu::aboutToShow, this, [this] { UpdateItems(); });
}

TMonitorMenu::~TMonitorMenu() = default;

TSampleHub* TMonitorMenu::Hub() const
{
    return FMain && FMain->AyarF() ? FMain->AyarF()->SampleHub1 : nullptr;
}

void TMonitorMenu::UpdateItems()
{
    TSampleHub* hub = Hub();
    for (QAction* a : {Istatistikler1, AlarmSustur1, Uyarilar1, IPv6Tercih1})
        a->setEnabled(hub != nullptr);
    if (!hub)
        return;
    // Kept current from now on, also when the silence ends while the menu is open.
    connect(hub, &TSampleHub::OptionsChanged, this, &TMonitorMenu::UpdateItems,
            Qt::UniqueConnection);
    AlarmSustur1->setChecked(hub->AlarmSilenced());
    Uyarilar1->setChecked(hub->AlertsOn());
    IPv6Tercih1->setChecked(hub->PreferIPv6());
}

void TMonitorMenu::IstatistiklerClick()
{
    TSampleHub* hub = Hub();
    if (!hub)
        return;
    if (!FWindow)
        FWindow = std::make_unique<TIstatistikF>(hub, TAnaF::TaskBarKind(FMain->KeepsOffTaskBar()));
    FWindow->show();
    FWindow->raise();
    FWindow->activateWindow();
}

void TMonitorMenu::AlarmSusturClick(bool Checked)
{
    if (TSampleHub* hub = Hub())
        RunGuarded([&] { hub->SilenceAlarm(Checked); });
}

void TMonitorMenu::IPv6TercihClick(bool Checked)
{
    if (TSampleHub* hub = Hub())
        RunGuarded([&] { hub->SetPreferIPv6(Checked); });
}

void TMonitorMenu::UyarilarClick(bool Checked)
{
    if (TSampleHub* hub = Hub())
        RunGuarded([&] { hub->SetAlertsOn(Checked); });
}
