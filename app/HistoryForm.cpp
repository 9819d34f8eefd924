#include "app/HistoryForm.h"

#include "app/ReportPdf.h"
#include "framework/Colors.h"
#include "monitor/HistoryExport.h"
#include "monitor/HistoryFile.h"
#include "monitor/SampleHub.h"
#include "monitor/SummaryStore.h"

#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Monitor;

namespace {

constexpr std::int64_t kHourMs = 3600000, kDayMs = 24 * kHourMs;
constexpr std::int64_t kLoadedMs = 30 * kDayMs;

const char* const kStyle =
    "QWidget#HistoryF { background: black; }"
    "QLabel { color: #00ff00; }"
    "QComboBox, QPushButton { background: #101010; color: #00ff00; border: 1px solid #006000;"
    " padding: 2px 6px; }"
    "QComboBox QAbstractItemView { background: black; color: #00ff00;"
    " selection-background-color: #006000; }"
    "QPushButton:hover { border-color: #00ff00; }"
    "QTreeWidget { background: black; color: #00ff00; border: 1px solid #006000;"
    " alternate-background-color: #081808; }"
    "QTreeWidget::item:selected { background: #006000; color: #ffff00; }"
    "QHeaderView::section { background: #101010; color: #ffff00; border: 0;"
    " border-right: 1px solid #006000; padding: 2px 4px; }"
    "QProgressBar { background: #101010; color: #ffff00; border: 1px solid #006000;"
    " text-align: center; }"
    "QProgressBar::chunk { background: #006000; }";

} // namespace

THistoryF::THistoryF(TSampleHub* hub, std::function<TSettings()> settings, Qt::WindowType kind,
                     QString folder, QString store)
    : QWidget(nullptr), FHub(hub), FSettings(std::move(settings)),
      FFolder(folder.isEmpty() ? HistoryFolder() : std::move(folder)),
      FStore(store.isEmpty() ? SummaryStorePath() : std::move(store))
{
    setObjectName(QStringLiteral("HistoryF"));
    setWindowTitle(tr("ZEMBRA Ping - Geçmiş"));
    setWindowFlags(kind | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint);
    BuildControls();
    FRefresh = new QTimer(this);
    FRefresh->setInterval(30000);
    connect(FRefresh, &QTimer::timeout, this, [this] { Reload(); });
    AskReportPath = [this] {
        const QString name =
            QStringLiteral("ZmPing2-%1.pdf")
                .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd")));
        return QFileDialog::getSaveFileName(this, tr("Rapor olarak kaydet"), name,
                                            tr("PDF belgesi (*.pdf)"));
    };
}

THistoryF::~THistoryF()
{
    StopWorker();
}

void THistoryF::BuildControls()
{
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QLatin1String(kStyle));
    resize(1100, 560);
    auto* top = new QHBoxLayout;
    auto* hostLabel = new QLabel(tr("Sunucu:"), this);
    HostBox = new QComboBox(this);
    HostBox->setObjectName(QStringLiteral("HostBox"));
    HostBox->setMinimumWidth(180);
    HostBox->setAccessibleName(tr("Sunucu"));
    hostLabel->setBuddy(HostBox);
    RangeBox = new QComboBox(this);
    RangeBox->setObjectName(QStringLiteral("RangeBox"));
    RangeBox->addItems(
        {tr("Son bir saat"), tr("Son bir gün"), tr("Son bir hafta"), tr("Son 30 gün")});
    RangeBox->setCurrentIndex(1);
    RangeBox->setAccessibleName(tr("Aralık"));
    ReportButton = new QPushButton(tr("Rapor olarak kaydet…"), this);
    ReportButton->setObjectName(QStringLiteral("ReportButton"));
    ReportButton->setEnabled(false);
    ReportButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    ReportButton->setToolTip(tr("Gösterilen aralığın raporu: PDF ve yanında CSV (Ctrl+S)"));
    Progress = new QProgressBar(this);
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->setMaximumWidth(200);
    Progress->setFormat(tr("%v / %m gün"));
    Progress->hide();
    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    top->addWidget(hostLabel);
    top->addWidget(HostBox);
    top->addWidget(RangeBox);
    top->addWidget(ReportButton);
    top->addWidget(Progress);
    top->addWidget(StatusLabel, 1);

    Graph = new THistoryGraph(this);
    OutageList = new QTreeWidget(this);
    OutageList->setObjectName(QStringLiteral("OutageList"));
    OutageList->setAccessibleName(tr("Kesintiler"));
    OutageList->setRootIsDecorated(false);
    OutageList->setAlternatingRowColors(true);
    OutageList->setHeaderLabels({tr("Başlangıç"), tr("Bitiş"), tr("Süre"), tr("Neden")});
    OutageList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    OutageList->setMinimumWidth(420);
    OutageList->setMaximumWidth(440);
    TotalsLabel = new QLabel(this);
    TotalsLabel->setObjectName(QStringLiteral("TotalsLabel"));
    TotalsLabel->setMinimumHeight(2 * TotalsLabel->fontMetrics().lineSpacing() + 4);
    auto* side = new QVBoxLayout;
    side->addWidget(OutageList, 1);
    side->addWidget(TotalsLabel);
    auto* middle = new QHBoxLayout;
    middle->addWidget(Graph, 1);
    middle->addLayout(side);
    HoverLabel = new QLabel(this);
    HoverLabel->setObjectName(QStringLiteral("HoverLabel"));
    HoverLabel->setMinimumHeight(18);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addLayout(middle, 1);
    all->addWidget(HoverLabel);

    connect(RangeBox, &QComboBox::currentIndexChanged, this, [this] { ShowRange(); });
    connect(HostBox, &QComboBox::activated, this, [this] { Reload(); });
    connect(ReportButton, &QPushButton::clicked, this, [this] { ReportButtonClick(); });
    connect(Graph, &THistoryGraph::Hovered, HoverLabel, &QLabel::setText);
    connect(Graph, &THistoryGraph::RangeChanged, this, [this] { UpdateTotals(); });
    connect(OutageList, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!item || !FData)
            return;
        const int i = item->data(0, Qt::UserRole).toInt();
        if (i < 0 || i >= int(FData->Outages.size()))
            return;
        const TOutage& o = FData->Outages[std::size_t(i)];
        const std::int64_t pad = std::max<std::int64_t>((o.EndMs - o.StartMs) / 2, 5 * 60000);
        Graph->SetRange(o.StartMs - pad, o.EndMs + pad, false);
    });
}

std::int64_t THistoryF::RangeMs() const
{
    switch (RangeBox->currentIndex()) {
    case 0:
        return kHourMs;
    case 2:
        return 7 * kDayMs;
    case 3:
        return 30 * kDayMs;
    default:
        return kDayMs;
    }
}

void THistoryF::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    FRefresh->start();
    Reload();
}

void THistoryF::hideEvent(QHideEvent* e)
{
    QWidget::hideEvent(e);
    FRefresh->stop();
}

void THistoryF::StopWorker()
{
    FStop = true;
    if (FWorker.joinable())
        FWorker.join();
    FStop = false;
}

void THistoryF::Reload()
{
    if (FLoading) {
        FAgain = true;
        return;
    }
    StopWorker();
    FLoading = true;
    const TSettings settings = FSettings ? FSettings() : TSettings();
    Graph->SetThresholds(settings.LowMs, settings.HighMs);
    const QString host = HostBox->currentText().isEmpty() ? settings.Host : HostBox->currentText();
    const int downAfter = FHub ? FHub->Options().DownAfter : TLineAlert::kDefaultDownAfter;
    const int upAfter = FHub ? FHub->Options().UpAfter : TLineAlert::kDefaultUpAfter;
    const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
    FNowMs = now;
    StatusLabel->setText(tr("Geçmiş okunuyor…"));
    FWorker = std::thread([this, host, current = settings.Host, downAfter, upAfter, now] {
        TSummaryStore store(FStore);
        const TRefreshResult r = store.Refresh(
            FFolder,
            [this](int done, int total) {
                QMetaObject::invokeMethod(
                    this,
                    [this, done, total] {
                        Progress->setMaximum(total);
                        Progress->setValue(done);
                        Progress->setVisible(done < total);
                    },
                    Qt::QueuedConnection);
            },
            &FStop);
        QStringList hosts = store.Hosts();
        if (!current.isEmpty() && !hosts.contains(current))
            hosts.prepend(current);
        auto data = std::make_shared<THistoryData>(
            LoadHistory(store, host, now - kLoadedMs, now + kHourMs, downAfter, upAfter));
        QString status;
        if (!r.Error.isEmpty())
            status = tr("Özet deposu kullanılamıyor: %1").arg(r.Error);
        else if (const std::int64_t damaged = store.DamagedRows())
            status = tr("%1 bozuk satır atlandı").arg(damaged);
        QMetaObject::invokeMethod(
            this,
            [this, data = std::shared_ptr<const THistoryData>(std::move(data)), hosts, status] {
                ShowData(data, hosts, status);
            },
            Qt::QueuedConnection);
    });
}

void THistoryF::ShowData(std::shared_ptr<const THistoryData> data, const QStringList& hosts,
                         const QString& status)
{
    FLoading = false;
    Progress->hide();
    StatusLabel->setText(status);
    const bool keep = FData && FData->Host == data->Host && Graph->Moved();
    const std::int64_t from = Graph->FromMs(), to = Graph->ToMs();
    FData = std::move(data);
    {
        const QSignalBlocker block(HostBox);
        HostBox->clear();
        HostBox->addItems(hosts);
        HostBox->setCurrentIndex(std::max(0, int(hosts.indexOf(FData->Host))));
    }
    Graph->SetData(FData);
    ReportButton->setEnabled(true);
    // A refresh keeps the user's zoom; a new host starts from the chosen range.
    ShowRange();
    if (keep)
        Graph->SetRange(from, to, false);
    emit Loaded();
    if (FAgain) {
        FAgain = false;
        Reload();
    }
}

void THistoryF::ShowRange()
{
    const std::int64_t span = RangeMs();
    Graph->SetRange(FNowMs - span, FNowMs, true);
    const QSignalBlocker block(OutageList);
    OutageList->clear();
    if (!FData)
        return;
    for (std::size_t i = 0; i < FData->Outages.size(); ++i) {
        const TOutage& o = FData->Outages[i];
        if (o.EndMs < FNowMs - span)
            continue;
        // Still down: the last outage, open, with samples up to a moment ago (one that a restart
        // cut short is over).
        const bool ongoing = o.Open && i + 1 == FData->Outages.size() && FNowMs - o.EndMs < 600000;
        auto* item =
            new QTreeWidgetItem(OutageList, {ReportTime(o.StartMs),
                                             ongoing ? tr("%1 (sürüyor)").arg(ReportTime(o.EndMs))
                                                     : ReportTime(o.EndMs),
                                             ReportDuration(o.EndMs - o.StartMs),
                                             o.Fault.isEmpty() ? QStringLiteral("—") : o.Fault});
        item->setData(0, Qt::UserRole, int(i));
    }
    UpdateTotals();
}

void THistoryF::UpdateTotals()
{
    if (!FData)
        return;
    const TReportFigures f = ReportFigures(*FData, Graph->FromMs(), Graph->ToMs());
    TotalsLabel->setText(
        tr("Gösterilen aralıkta %1 kesinti, toplam %2,\nen uzun %3; erişilebilirlik %4")
            .arg(f.Totals.Count)
            .arg(ReportDuration(f.Totals.DownMs), ReportDuration(f.Totals.LongestMs),
                 f.AvailabilityPercent
                     ? QStringLiteral("%1 %").arg(*f.AvailabilityPercent, 0, 'f', 2)
                     : QStringLiteral("—")));
}

QString THistoryF::SaveReport(const QString& pdfPath)
{
    if (!FData)
        return tr("Geçmiş henüz okunmadı");
    const TReportFigures f = ReportFigures(*FData, Graph->FromMs(), Graph->ToMs());
    const QString why =
        WriteReportPdf(pdfPath, f, *FData, Graph->Plot().LowMs, Graph->Plot().HighMs);
    if (!why.isEmpty())
        return why;
    QString csv = pdfPath;
    if (csv.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        csv.chop(4);
    return ExportHistoryCsv(FFolder, FData->Host, f.FromMs, f.ToMs, csv + QStringLiteral(".csv"));
}

void THistoryF::ReportButtonClick()
{
    const QString path = AskReportPath ? AskReportPath() : QString();
    if (path.isEmpty())
        return;
    const QString why = SaveReport(path);
    StatusLabel->setText(why.isEmpty() ? tr("Rapor kaydedildi: %1").arg(path)
                                       : tr("Rapor kaydedilemedi: %1").arg(why));
}
