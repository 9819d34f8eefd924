#include "app/MonitorMenu.h"

#include "app/AnaForm.h"
#include "app/AyarU.h"
#include "app/HistoryForm.h"
#include "app/IstatistikForm.h"
#include "controls/Spin.h"
#include "framework/MessageBox.h"
#include "monitor/HistoryFile.h"
#include "monitor/SampleHub.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QInputDialog>
#include <QMenu>
#include <QPointer>
#include <QUrl>

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
    Gecmis1 = menu->addAction(QStringLiteral("Geçmiş klasörünü aç"));
    Gecmis1->setObjectName(QStringLiteral("Gecmis1"));
    Olcum1 = menu->addAction(QStringLiteral("Prometheus ölçüm dosyası..."));
    Olcum1->setObjectName(QStringLiteral("Olcum1"));
    AskMetricsPath = [this](const QString& current) -> std::optional<QString> {
        bool ok = false;
        const QString path = QInputDialog::getText(
            FMain, QStringLiteral("Prometheus ölçüm dosyası"),
            QStringLiteral("Her ölçümden sonra yazılacak dosya (örneğin\n"
                           "/var/lib/prometheus/node-exporter/zmping2.prom).\n"
                           "Boş bırakılırsa ölçüm dosyası yazılmaz."),
            QLineEdit::Normal, current, &ok);
        return ok ? std::optional<QString>(path) : std::nullopt;
    };
    OpenFolder = [](const QString& folder) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    };
    connect(Gecmis1, &QAction::triggered, this, [this] { GecmisClick(); });
    connect(Olcum1, &QAction::triggered, this, [this] { OlcumClick(); });
    connect(Istatistikler1, &QAction::triggered, this, [this] { IstatistiklerClick(); });
    connect(AlarmSustur1, &QAction::triggered, this, [this](bool on) { AlarmSusturClick(on); });
    connect(Uyarilar1, &QAction::triggered, this, [this](bool on) { UyarilarClick(on); });
    connect(menu, &QMenu::aboutToShow, this, [this] { UpdateItems(); });
}

TMonitorMenu::~TMonitorMenu() = default;

void TMonitorMenu::AddHistoryItem(QMenu* menu)
{
    GecmisPencere1 = menu->addAction(tr("Geçmiş"));
    GecmisPencere1->setObjectName(QStringLiteral("GecmisPencere1"));
    connect(GecmisPencere1, &QAction::triggered, this, [this] { GecmisPencereClick(); });
}

void TMonitorMenu::GecmisPencereClick()
{
    TSampleHub* hub = Hub();
    if (!hub)
        return;
    if (!FHistory) {
        TAyarF* settings = FMain->AyarF();
        auto now = [settings = QPointer<TAyarF>(settings)] {
            THistoryF::TSettings s;
            if (settings) {
                s.LowMs = settings->SpinEditALT->Value();
                s.HighMs = settings->SpinEditUST->Value();
                s.Host = settings->HostEdit->Text();
            }
            return s;
        };
        FHistory =
            std::make_unique<THistoryF>(hub, now, TAnaF::TaskBarKind(FMain->KeepsOffTaskBar()));
    }
    FHistory->show();
    FHistory->raise();
    FHistory->activateWindow();
}

TSampleHub* TMonitorMenu::Hub() const
{
    return FMain && FMain->AyarF() ? FMain->AyarF()->SampleHub1 : nullptr;
}

void TMonitorMenu::UpdateItems()
{
    TSampleHub* hub = Hub();
    for (QAction* a : {Istatistikler1, AlarmSustur1, Uyarilar1, IPv6Tercih1, Olcum1})
        a->setEnabled(hub != nullptr);
    if (GecmisPencere1)
        GecmisPencere1->setEnabled(hub != nullptr);
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

void TMonitorMenu::GecmisClick()
{
    // The folder is there before the first sample is written, so there is always one to show.
    const QString folder = Monitor::HistoryFolder();
    QDir().mkpath(folder);
    if (OpenFolder)
        OpenFolder(folder);
}

void TMonitorMenu::OlcumClick()
{
    TSampleHub* hub = Hub();
    if (!hub || !AskMetricsPath)
        return;
    const std::optional<QString> path = AskMetricsPath(hub->Options().MetricsFile);
    if (!path)
        return;
    const QString chosen = path->trimmed();
    if (!chosen.isEmpty() && !QDir::isAbsolutePath(chosen)) {
        ShowMessage(QStringLiteral("Dosyanın tam yolunu yazın (/ ile başlayan)."));
        return;
    }
    RunGuarded([&] { hub->SetMetricsFile(chosen); });
}
