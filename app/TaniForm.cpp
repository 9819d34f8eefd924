#include "app/TaniForm.h"

#include "app/FaultDiagnosis.h"
#include "app/HeaderPanel.h"
#include "framework/Align.h"
#include "framework/GdiDraw.h"
#include "monitor/DiagnosisText.h"
#include "net/HostAddress.h"
#include "net/ReverseName.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QShowEvent>
#include <QTableWidget>
#include <thread>

using namespace Monitor;

namespace {

const TColor kFormColor = 0x00EBD5CA;

} // namespace

TTaniF::TTaniF(TFaultDiagnosis* Diagnosis, Qt::WindowType Kind)
    : QWidget(nullptr), FDiagnosis(Diagnosis)
{
    setObjectName(QStringLiteral("TaniF"));
    setWindowTitle(tr("ZEMBRA Ping - Bağlantı tanısı"));
    setWindowFlags(Kind | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    BuildControls();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    if (FDiagnosis)
        connect(FDiagnosis, &TFaultDiagnosis::Updated, this, [this] {
            if (isVisible())
                Refresh();
        });
}

TTaniF::~TTaniF()
{
    if (FDiagnosis)
        FDiagnosis->StopLive();
}

void TTaniF::BuildControls()
{
    setFixedSize(600, 400);
    SetControlColor(this, kFormColor);
    setFont(Gdi::MakeFont(QStringLiteral("MS Sans Serif"), -11, true));
    SetFontColor(this, clBlack);

    // The header bar of the program's other windows, with this window's name.
    Panel2 = MakeHeaderPanel(this, tr("Bağlantı tanısı"), &Label8);

    LabelVerdict = new TLabel(this, 10, 44, tr("Tanı bekleniyor..."));
    LabelVerdict->setObjectName(QStringLiteral("LabelVerdict"));
    LabelVerdict->setFont(Gdi::MakeFont(QStringLiteral("MS Sans Serif"), -13, true));
    LabelEvidence = new TLabel(this, 10, 64, QString());
    LabelEvidence->setObjectName(QStringLiteral("LabelEvidence"));
    LabelEvidence->setFont(Gdi::MakeFont(QStringLiteral("MS Sans Serif"), -11, false));
    LabelEvidence->setWordWrap(true);
    LabelEvidence->setGeometry(10, 64, width() - 20, 30);
    LabelLandmarks = new TLabel(this, 10, 96, QString());
    LabelLandmarks->setObjectName(QStringLiteral("LabelLandmarks"));
    LabelLandmarks->setFont(Gdi::MakeFont(QStringLiteral("MS Sans Serif"), -11, false));
    LabelLandmarks->setWordWrap(true);
    LabelLandmarks->setGeometry(10, 96, width() - 20, 30);

    Table = new QTableWidget(0, DiagnosisHeadings().size(), this);
    Table->setObjectName(QStringLiteral("Table"));
    Table->setAccessibleName(tr("Yoldaki adımlar"));
    Table->setHorizontalHeaderLabels(DiagnosisHeadings());
    Table->verticalHeader()->hide();
    Table->verticalHeader()->setDefaultSectionSize(20);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setFont(Gdi::MakeFont(QStringLiteral("MS Sans Serif"), -11, false));
    Table->setGeometry(8, 130, width() - 16, height() - 130 - 40);
    const int widths[] = {60, 118, 110, 42, 52, 44, 44, 44, 50};
    for (int c = 0; c < Table->columnCount(); ++c)
        Table->setColumnWidth(c, widths[c]);

    CopyButton = new TButton(this, tr("Metin olarak &kopyala"));
    CopyButton->setObjectName(QStringLiteral("CopyButton"));
    CopyButton->setGeometry(8, height() - 32, 160, 24);
    CopyButton->setCursor(Qt::PointingHandCursor);
    CopyButton->OnClick = [this](QObject* s) { CopyButtonClick(s); };
}

void TTaniF::Refresh()
{
    if (!FDiagnosis)
        return;
    const PathRecords& r = FDiagnosis->Records();
    const TFaultVerdict& v = FDiagnosis->Verdict();
    if (v.Time.isValid()) {
        LabelVerdict->SetCaption(FaultText(v.Where));
        LabelEvidence->setText(FaultEvidence(v));
    }
    LabelLandmarks->setText(LandmarksLine(r));
    const QList<QStringList> rows = DiagnosisRows(r, FNames);
    Table->setRowCount(int(rows.size()));
    for (int i = 0; i < rows.size(); ++i)
        for (int c = 0; c < rows[i].size(); ++c) {
            QTableWidgetItem* item = Table->item(i, c);
            if (!item) {
                item = new QTableWidgetItem;
                if (c >= 3)
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                Table->setItem(i, c, item);
            }
            item->setText(rows[i][c]);
        }
    AskNames();
}

void TTaniF::AskNames()
{
    if (!FDiagnosis)
        return;
    const PathRecords& r = FDiagnosis->Records();
    std::vector<HopRecord> all = r.Hops;
    all.push_back(r.Gateway);
    for (const HopRecord& h : all) {
        if (!h.Address.Usable())
            continue;
        const QString text = AddressText(h.Address);
        if (FAsked.contains(text))
            continue;
        FAsked.insert(text, true);
        QPointer<TTaniF> self(this);
        const HostAddress address = h.Address;
        QElapsedTimer asked;
        asked.start();
        std::thread([self, address, text, asked] {
            const QString name = QString::fromStdString(ReverseName(address));
            if (name.isEmpty() || asked.elapsed() > kNameWaitMs)
                return;
            QMetaObject::invokeMethod(
                qApp,
                [self, text, name] {
                    if (!self)
                        return;
                    self->FNames.insert(text, name);
                    self->Refresh();
                },
                Qt::QueuedConnection);
        }).detach();
    }
}

QString TTaniF::Text() const
{
    if (!FDiagnosis)
        return {};
    return DiagnosisText(FDiagnosis->Host(), FDiagnosis->Records(), FDiagnosis->Verdict(), FNames);
}

void TTaniF::CopyButtonClick(QObject*)
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(Text());
}

void TTaniF::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (FDiagnosis)
        FDiagnosis->StartLive();
    Refresh();
}

void TTaniF::hideEvent(QHideEvent* e)
{
    QWidget::hideEvent(e);
    if (FDiagnosis)
        FDiagnosis->StopLive();
}
