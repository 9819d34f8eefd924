#include "app/MonitorMenu.h"

#include "app/AnaForm.h"
#include "app/AyarU.h"
#include "app/HistoryForm.h"
#include "app/IstatistikForm.h"
#include "app/MetricsFileDialog.h"
#include "framework/Browser.h"
#include "controls/Spin.h"
#include "framework/MessageBox.h"
#include "monitor/HistoryFile.h"
#include "monitor/SampleHub.h"

#include <QAction>
#include <QActionGroup>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>
#include <QUrl>
#include <unistd.h>

using Monitor::TSampleHub;

TMonitorMenu::TMonitorMenu(TAnaF* main, QMenu* menu) : QObject(main), FMain(main)
{
    N3 = menu->addSeparator();
    Istatistikler1 = menu->addAction(tr("İstatistikler"));
    Istatistikler1->setObjectName(QStringLiteral("Istatistikler1"));
    AlarmSustur1 = menu->addAction(tr("Alarmı bir saat sustur"));
    AlarmSustur1->setObjectName(QStringLiteral("AlarmSustur1"));
    AlarmSustur1->setCheckable(true);
    Uyarilar1 = menu->addAction(tr("Bağlantı uyarıları"));
    Uyarilar1->setObjectName(QStringLiteral("Uyarilar1"));
    Uyarilar1->setCheckable(true);
    Uyarilar1->setChecked(true);
    IPv6Tercih1 = menu->addAction(tr("IPv6 adresini tercih et"));
    IPv6Tercih1->setObjectName(QStringLiteral("IPv6Tercih1"));
    IPv6Tercih1->setCheckable(true);
    connect(IPv6Tercih1, &QAction::triggered, this, [this](bool on) { IPv6TercihClick(on); });
    Gecmis1 = menu->addAction(tr("Geçmiş klasörünü aç"));
    Gecmis1->setObjectName(QStringLiteral("Gecmis1"));
    Olcum1 = menu->addAction(tr("Prometheus ölçüm dosyası..."));
    Olcum1->setObjectName(QStringLiteral("Olcum1"));
    AskMetricsPath = [this](const QString& current) {
        return TMetricsFileDialog::Ask(FMain, current);
    };
    OpenFolder = [](const QString& folder) { OpenFolderOrSay(folder); };
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

void TMonitorMenu::AddLanguageItems(QMenu* menu)
{
    // Written in both languages on purpose: whoever cannot read the one finds the other.
    Dil1 = menu->addMenu(QStringLiteral("Dil / Language"));
    Dil1->setObjectName(QStringLiteral("Dil1"));
    auto* group = new QActionGroup(Dil1);
    Turkce1 = Dil1->addAction(QStringLiteral("Türkçe"));
    Turkce1->setObjectName(QStringLiteral("Turkce1"));
    English1 = Dil1->addAction(QStringLiteral("English"));
    English1->setObjectName(QStringLiteral("English1"));
    for (QAction* a : {Turkce1, English1}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    connect(Turkce1, &QAction::triggered, this, [this] { LanguageClick(QStringLiteral("tr")); });
    connect(English1, &QAction::triggered, this, [this] { LanguageClick(QStringLiteral("en")); });
    connect(menu, &QMenu::aboutToShow, this, [this] {
        const TSampleHub* hub = Hub();
        const bool english = hub && hub->Options().Language == QLatin1String("en");
        English1->setChecked(english);
        Turkce1->setChecked(!english);
    });
}

void TMonitorMenu::LanguageClick(const QString& Language)
{
    TSampleHub* hub = Hub();
    if (!hub || hub->Options().Language == Language)
        return;
    RunGuarded([&] { hub->SetLanguage(Language); });
    ShowMessage(QStringLiteral("Dil, program yeniden başlatılınca değişir.\n"
                               "The language changes when the program is started again."));
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
        ShowMessage(tr("Dosyanın tam yolunu yazın (/ ile başlayan)."));
        return;
    }
    // Refused now, not at the first sample: the folder must be there and take new files.
    const QFileInfo folder(QFileInfo(chosen).absolutePath());
    if (!chosen.isEmpty() && !folder.isDir()) {
        ShowMessage(tr("Klasör yok: %1").arg(folder.filePath()));
        return;
    }
    if (!chosen.isEmpty() &&
        ::access(QFile::encodeName(folder.filePath()).constData(), W_OK | X_OK) != 0) {
        ShowMessage(tr("Klasöre yazılamıyor: %1").arg(folder.filePath()));
        return;
    }
    RunGuarded([&] { hub->SetMetricsFile(chosen); });
}
