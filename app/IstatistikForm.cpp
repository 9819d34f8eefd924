#include "app/IstatistikForm.h"

#include "app/HeaderArt.h"
#include "framework/Align.h"
#include "framework/GdiDraw.h"
#include "monitor/SampleHub.h"
#include "monitor/StatsText.h"
#include "shell/Placement.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

using namespace Monitor;

namespace {

const TColor kFormColor = 0x00EBD5CA;
const TColor kHeaderColor = 0x00D7CC7D;
const int kRowHeight = 17;
const int kRows = 9;

} // namespace

TIstatistikF::TIstatistikF(TSampleHub* Hub, Qt::WindowType Kind) : QWidget(nullptr), FHub(Hub)
{
    setObjectName(QStringLiteral("IstatistikF"));
    setWindowTitle(tr("ZEMBRA Ping - İstatistikler"));
    setWindowFlags(Kind | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    BuildControls();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    if (FHub)
        connect(FHub, &TSampleHub::SampleAdded, this, [this] {
            if (isVisible())
                Refresh();
        });
    // The window's place, in the main window's profile file under a section of its own.
    FormStorage1 = new TFormStorage(this);
    FormStorage1->setObjectName(QStringLiteral("FormStorage1"));
    FormStorage1->Loaded();
}

TIstatistikF::~TIstatistikF()
{
    FormStorage1->FormDestroyHook();
}

void TIstatistikF::BuildControls()
{
    setFixedSize(316, 318);
    SetControlColor(this, kFormColor);
    setFont(Gdi::MakeFont(QStringLiteral("MS Sans Serif"), -11, true));
    SetFontColor(this, clBlack);

    // The header bar of the settings window, with this window's name.
    Panel2 = new TPanel(this);
    Panel2->SetBevels(bvNone, bvNone);
    Panel2->SetColor(kHeaderColor);
    Panel2->resize(width(), 35);
    SetAlign(Panel2, alTop);
    auto* end = new TImage(Panel2);
    end->SetPicture(MakeHeaderEnd());
    end->SetStretch(true);
    end->resize(121, 27);
    SetAlign(end, alRight);
    auto* bar = new TImage(Panel2);
    bar->SetPicture(MakeHeaderBar());
    bar->SetStretch(true);
    SetAlign(bar, alClient);
    auto* ball = new TImage(Panel2);
    ball->SetPicture(MakeGreenBall());
    ball->SetCenter(true);
    ball->SetStretch(true);
    ball->setGeometry(0, 3, 26, 26);
    ball->raise();
    Label8 = new TLabel(Panel2, 40, 6, tr("İstatistikler"));
    Label8->setFont(Gdi::MakeFont(QStringLiteral("MS Sans Serif"), -19, true));
    SetFontColor(Label8, clWhite);
    Label8->SetTransparent(true);
    Label8->SetCaption(Label8->Caption()); // sized again for the larger font
    Label8->raise();

    LabelHost = new TLabel(this, 10, 42, StatsHostLine(TStatistics()));
    LabelHost->setObjectName(QStringLiteral("LabelHost"));

    GroupBox1 = new TGroupBox(this, tr(" Bağlantı "));
    GroupBox1->setGeometry(8, 60, 300, 22 + (kRows + 1) * kRowHeight + 6);
    new TLabel(GroupBox1, 132, 18, StatsSessionHeading());
    new TLabel(GroupBox1, 212, 18, StatsWindowHeading());
    const QFont plain = Gdi::MakeFont(QStringLiteral("MS Sans Serif"), -11, false);
    for (int i = 0; i < kRows; ++i) {
        const int top = 18 + (i + 1) * kRowHeight;
        Names << new TLabel(GroupBox1, 8, top, QString());
        SessionValues << new TLabel(GroupBox1, 132, top, QString());
        WindowValues << new TLabel(GroupBox1, 212, top, QString());
        SessionValues.last()->setFont(plain);
        WindowValues.last()->setFont(plain);
    }

    CopyButton = new TButton(this, tr("Metin olarak &kopyala"));
    CopyButton->setObjectName(QStringLiteral("CopyButton"));
    CopyButton->setGeometry(8, GroupBox1->geometry().bottom() + 8, 160, 24);
    CopyButton->setCursor(Qt::PointingHandCursor);
    CopyButton->OnClick = [this](QObject* s) { CopyButtonClick(s); };
    LabelQuality = new TLabel(this, 10, CopyButton->geometry().bottom() + 7, QString());
    LabelQuality->setObjectName(QStringLiteral("LabelQuality"));
    Refresh();
}

void TIstatistikF::Refresh()
{
    if (!FHub)
        return;
    const TStatistics& stats = FHub->Statistics();
    LabelHost->SetCaption(StatsHostLine(stats));
    const QList<TStatsRow> rows = StatsRows(stats);
    for (int i = 0; i < rows.size() && i < Names.size(); ++i) {
        Names[i]->SetCaption(rows[i].Label);
        SessionValues[i]->SetCaption(rows[i].Session);
        WindowValues[i]->SetCaption(rows[i].Window);
    }
    LabelQuality->SetCaption(
        QualityLine(FHub->Quality().Limits().Window, FHub->Mos(), FHub->QualityState()));
}

QString TIstatistikF::Text() const
{
    return FHub ? StatsText(FHub->Statistics()) +
                      QualityLine(FHub->Quality().Limits().Window, FHub->Mos(),
                                  FHub->QualityState()) +
                      QLatin1Char('\n')
                : QString();
}

void TIstatistikF::CopyButtonClick(QObject*)
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(Text());
}

void TIstatistikF::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    Refresh();
}
