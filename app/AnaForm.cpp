#include "app/AnaForm.h"

#include "app/AyarU.h"
#include "app/MonitorLogic.h"
#include "app/MonitorMenu.h"
#include "controls/LiquidIndicator.h"
#include "controls/Spin.h"
#include "controls/ZmWinButton.h"
#include "controls/peakmeter.h"
#include "framework/Align.h"
#include "framework/Browser.h"
#include "framework/GdiDraw.h"
#include "framework/MessageBox.h"
#include "net/Ping.h"
#include "shell/Autostart.h"
#include "shell/IconList.h"
#include "shell/Placement.h"
#include "shell/StatusIcons.h"
#include "shell/TrayShell.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>

namespace {

QFont MainFont(int height, bool bold = false)
{
    return Gdi::MakeFont(QStringLiteral("MS Sans Serif"), height, bold);
}

TZmWinButton* MakeFlatButton(QWidget* parent, const char* name, int left, const QString& caption)
{
    auto* b = new TZmWinButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(left, 4, 82, 24);
    b->setCursor(Qt::PointingHandCursor);
    b->SetColor(0x000ABED8);
    b->SetRaiseCol(clWhite);
    b->SetOverCol(clRed);
    b->SetGlphyAlign(poLeft);
    b->SetImageIndex(-1);
    b->SetFont(Gdi::MakeFont(QStringLiteral("Arial"), -11, true));
    b->SetFontColor(clBlack);
    b->SetGrayedFont(Gdi::MakeFont(QStringLiteral("Arial"), -13, true));
    b->SetGrayedFontColor(clGrayText);
    b->SetShowHint(true);
    b->SetTabStop(false);
    b->SetShowCaption(true);
    b->SetCaption(caption);
    return b;
}

} // namespace

Qt::WindowType TAnaF::TaskBarKind(bool OffTaskBar)
{
    return OffTaskBar ? Qt::Tool : Qt::Window;
}

QString TAnaF::MakerHost()
{
    return QStringLiteral("localhost");
}

TAnaF::TAnaF(std::unique_ptr<INotifyIcon> Shell) : QWidget(nullptr)
{
    // The design's typeface is not on Linux desktops; the closest metric match stands in.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));

    TrayIcon1 = new TTrayIcon(this, std::move(Shell));
    TrayIcon1->setObjectName(QStringLiteral("TrayIcon1"));
    FOffTaskBar = TrayIcon1->NotifyAreaAvailable();

    setObjectName(QStringLiteral("AnaF"));
    setWindowTitle(QStringLiteral("ZEMBRA Ping s2.04f"));
    // System menu and close box only; a tool window has no task-bar button.
    setWindowFlags(TaskBarKind(FOffTaskBar) | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(MainFont(-11));
    SetControlColor(this, clBtnFace);
    // Client area of the 406 x 250 outer window at design time.
    resize(398, 216);
    setMinimumSize(392, 216);
    move(312, 214);

    BuildControls();
    BuildMenuAndActions();

    // The four status icons, index = connection status; the icon starts as "off".
    auto* icons = new TIconList(this);
    LoadStatusIcons(*icons);
    TrayIcon1->SetIcons(icons);
    delete icons;
    TrayIcon1->SetIcon(TrayIcon1->Icons()->Icons(0));
    TrayIcon1->SetHint(QStringLiteral("ZEMBRA Ping"));
    TrayIcon1->OnDblClick = [this](QObject* s) { Gizle1Click(s); };
    TrayIcon1->OnNotifyAreaChange = [this](QObject*) {
        NotifyAreaChanged(TrayIcon1->NotifyAreaAvailable());
    };
    // The window's place and state, kept in a profile file. This window hides on its close box
    // and re-shows when its flags change, so it runs the storage's hooks itself (below).
    FormStorage1 = new TFormStorage(this);
    FormStorage1->setObjectName(QStringLiteral("FormStorage1"));
    TFormPlacement::SetMainForm(this);
    FormCreate();
    TrayIcon1->Loaded();

    PopupAt = [this](QPoint at) { PopupMenu1->popup(at); };
    OpenSite = [](const QString& host) { OpenBrowser(host); };
}

TAnaF::~TAnaF()
{
    // Saved once more if nothing was saved since the last load.
    FormStorage1->FormDestroyHook();
}

void TAnaF::SetAyarF(TAyarF* Ayar)
{
    FAyarF = Ayar;
    // The shortcuts answer in the settings window too, ahead of its own keys.
    if (FAyarF) {
        FAyarF->addAction(Action1);
        FAyarF->addAction(Action2);
    }
}

void TAnaF::BuildControls()
{
    Panel3 = new TPanel(this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->SetColor(clBlack);
    Panel3->resize(398, 31);
    SetAlign(Panel3, alTop);
    ZmWinButton1 = MakeFlatButton(Panel3, "ZmWinButton1", 4, tr("Ayarlar (F5)"));
    ZmWinButton2 = MakeFlatButton(Panel3, "ZmWinButton2", 88, tr("Gizle (Esc)"));
    ZmWinButton3 = MakeFlatButton(Panel3, "ZmWinButton3", 172, tr("Kapat"));
    ZmWinButton1->OnClick = [this](QObject* s) { AyarlarClick(s); };
    ZmWinButton2->OnClick = [this](QObject* s) { Gizle1Click(s); };
    ZmWinButton3->OnClick = [this](QObject* s) { Kapat1Click(s); };

    Panel1 = new TPanel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->SetColor(clBlack);
    Panel1->SetBevels(bvLowered, bvRaised);
    Panel1->resize(398, 45);
    SetAlign(Panel1, alBottom);
    LabelHost = new TLabel(Panel1, 11, 7, MakerHost());
    LabelHost->setObjectName(QStringLiteral("LabelHost"));
    LabelHost->setFont(MainFont(-11, true));
    SetControlColor(LabelHost, clBlack);
    SetFontColor(LabelHost, clLime);
    LabelHost->SetCaption(MakerHost());
    Panel2 = new TPanel(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->SetColor(clBlack);
    Panel2->SetBevels(bvNone, bvNone);
    Panel2->resize(217, 41);
    SetAlign(Panel2, alRight);

    Sure = new TLiquidIndicator(Panel2);
    Sure->setObjectName(QStringLiteral("Sure"));
    Sure->setGeometry(6, 3, 165, 33);
    Sure->SetColorScheme(TLiquidIndicator::csWhite);
    Sure->SetSignNumber(8);
    Sure->SetIndicatorWidth(165);
    Sure->SetIndicatorHeight(33);
    Sure->SetIndicatorKind(TLiquidIndicator::ik5x7matrix);
    Sure->SetIndicatorStyle(TLiquidIndicator::isThick);
    Sure->SetTransparentMode(TLiquidIndicator::tmBackOnly);
    Sure->SetBevelColor(clBlack);
    Sure->SetBackColor(clWhite);
    Sure->SetNumberForeColor(clLime);
    Sure->SetNumberForeColor1(clBlack);
    Sure->SetNumberBackColor(clBlack);
    Sure->SetIndicatorstring(QStringLiteral("0000"));
    Sure->setAccessibleDescription(tr("Yanıt süresi"));

    Shape1 = new TShape(Panel2, stCircle);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(176, 5, 29, 30);
    Shape1->SetBrushColor(clWhite);
    // A screen reader hears the lamp's meaning, not its colour.
    Shape1->setAccessibleDescription(tr("Bağlantı durumu"));
    Shape1->SetColorWords(Monitor::LampColor(Monitor::stGood), tr("İyi"));
    Shape1->SetColorWords(Monitor::LampColor(Monitor::stNormal), tr("Normal"));
    Shape1->SetColorWords(Monitor::LampColor(Monitor::stBad), tr("Kötü"));
    Shape1->SetColorWords(Monitor::LampColor(Monitor::stOff), tr("Kapalı"));

    PeakMeter1 = new TPeakMeter(this);
    PeakMeter1->setObjectName(QStringLiteral("PeakMeter1"));
    PeakMeter1->SetBackgroundColor(clBlack);
    PeakMeter1->SetBarColor(clLime);
    PeakMeter1->SetGridColor(clSilver);
    PeakMeter1->SetBorderStyle(TPeakMeter::bsNone);
    PeakMeter1->SetStyle(TPeakMeter::pmHistoryPoint);
    PeakMeter1->setFont(MainFont(-11));
    PeakMeter1->SetFontColor(clWhite);
    PeakMeter1->SetValue(10);
    PeakMeter1->setAccessibleName(tr("Yanıt süreleri"));
    PeakMeter1->setGeometry(0, 31, 398, 140);
    SetAlign(PeakMeter1, alClient);
    PeakMeter1->OnMouseDown = [this](QObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        PeakMeter1MouseDown(s, b, sh, x, y);
    };
}

void TAnaF::BuildMenuAndActions()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    // The menu shows the F5 shortcut as text; the key itself belongs to Action1.
    Ayarlar = PopupMenu1->addAction(tr("Ayarlar\tF5"));
    Ayarlar->setObjectName(QStringLiteral("Ayarlar"));
    Gizle1 = PopupMenu1->addAction(tr("Gizle (Esc)"));
    Gizle1->setObjectName(QStringLiteral("Gizle1"));
    N2 = PopupMenu1->addSeparator();
    WebSite1 = PopupMenu1->addAction(MakerHost());
    WebSite1->setObjectName(QStringLiteral("WebSite1"));
    MonitorMenu1 = new TMonitorMenu(this, PopupMenu1);
    AddAutostartItem(PopupMenu1);
    MonitorMenu1->AddHistoryItem(PopupMenu1);
    MonitorMenu1->AddLanguageItems(PopupMenu1);
    N1 = PopupMenu1->addSeparator();
    Kapat1 = PopupMenu1->addAction(tr("Programı Kapat "));
    Kapat1->setObjectName(QStringLiteral("Kapat1"));
    connect(Ayarlar, &QAction::triggered, this, [this] { AyarlarClick(Ayarlar); });
    connect(Gizle1, &QAction::triggered, this, [this] { Gizle1Click(Gizle1); });
    connect(WebSite1, &QAction::triggered, this, [this] { WebSite1Click(WebSite1); });
    connect(Kapat1, &QAction::triggered, this, [this] { Kapat1Click(Kapat1); });

    Action1 = new QAction(this);
    Action1->setObjectName(QStringLiteral("Action1"));
    Action1->setShortcut(QKeySequence(Qt::Key_F5));
    Action1->setShortcutContext(Qt::WindowShortcut);
    Action2 = new QAction(this);
    Action2->setObjectName(QStringLiteral("Action2"));
    Action2->setShortcut(QKeySequence(Qt::Key_Escape));
    Action2->setShortcutContext(Qt::WindowShortcut);
    addAction(Action1);
    addAction(Action2);
    connect(Action1, &QAction::triggered, this, [this] { AyarlarClick(Action1); });
    connect(Action2, &QAction::triggered, this, [this] { Gizle1Click(Action2); });
}

void TAnaF::FormCreate()
{
    TrayIcon1->SetActive(true);
    TrayIcon1->SetPopupMenu(PopupMenu1);
}

void TAnaF::FormShow()
{
    // Off the task bar: the window is a tool window while the notification area holds the
    // icon (see the constructor).
    PeakMeter1->SetValue(1);
    LabelHost->SetCaption(FAyarF->HostEdit->Text());
    FAyarF->Durumayar(0);
    FAyarF->Ping1->SetSize(FAyarF->SpinEditPingSize->Value());
    FAyarF->Ping1->SetTimeout(FAyarF->SpinEdit3->Value());
    FAyarF->Timer1->SetInterval(FAyarF->SpinEdit1->ScaledValue(1000));
    FAyarF->Timer1->SetEnabled(FAyarF->CheckBoxPing->Checked());
    RunGuarded([this] { FAyarF->PingButtonClick(this); });
    SetStayOnTop(FAyarF->CheckBoxStay->Checked());
    Gizle1->setVisible(true);
}

void TAnaF::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    // A showing by the program (not the desktop restoring a window) is a new showing.
    if (e->spontaneous() || FReflagging)
        return;
    FormStorage1->FormShowHook(); // the stored placement, before the window's own handler
    if (FAyarF)
        FormShow();
}

void TAnaF::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange && FMinimisedByHide && !isMinimized()) {
        FMinimisedByHide = false;
        // Shown again after a hide: the stored placement first, as at every showing.
        FormStorage1->FormShowHook();
        if (FAyarF)
            FormShow();
    }
}

bool TAnaF::IsShownToUser() const
{
    return isVisible() && !isMinimized();
}

void TAnaF::HideMain()
{
    if (FOffTaskBar) {
        hide();
    } else {
        FMinimisedByHide = true;
        showMinimized();
    }
}

void TAnaF::NotifyAreaChanged(bool Available)
{
    if (Available == FOffTaskBar)
        return;
    // The notification area came or went after start-up: the task-bar button goes or comes
    // with it, so that a hidden program can always be found again.
    const bool shown = IsShownToUser();
    const bool visible = isVisible();
    FOffTaskBar = Available;
    FReflagging = true; // changing the kind hides the window; putting it back is no new showing
    setWindowFlags((windowFlags() & ~Qt::WindowType_Mask) | TaskBarKind(Available));
    if (shown) {
        show();
    } else if (!Available) {
        // Hidden into the area that went away, or already minimised: minimised on the task bar,
        // and restoring it is a new showing, as after a hide without an area.
        FMinimisedByHide = FMinimisedByHide || !visible;
        showMinimized();
    } else {
        // Minimised while there was no area: hidden into the new one instead.
        FMinimisedByHide = false;
        hide();
    }
    FReflagging = false;
    if (FAyarF)
        FAyarF->FollowTaskBar();
}

void TAnaF::ShowMain()
{
    if (isMinimized()) {
        // Restoring runs the showing through changeEvent.
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
}

void TAnaF::SetStayOnTop(bool on)
{
    if (StaysOnTop() == on)
        return;
    // Changing a window flag hides the window; putting it back is not a new showing.
    const bool shown = isVisible();
    FReflagging = true;
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (shown)
        show();
    FReflagging = false;
}

bool TAnaF::StaysOnTop() const
{
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

QPoint TAnaF::MenuPointFor(int X, int Y) const
{
    // The meter's own coordinates, taken from the window's client origin (not the meter's).
    return mapToGlobal(QPoint(X, Y));
}

void TAnaF::PeakMeter1MouseDown(QObject*, TMouseButton Button, TShiftState, int X, int Y)
{
    if (Button != mbRight)
        return;
    PopupAt(MenuPointFor(X, Y));
}

void TAnaF::AyarlarClick(QObject*)
{
    FAyarF->FollowTaskBar();
    FAyarF->show();
    FAyarF->raise();
    FAyarF->activateWindow();
}

void TAnaF::Gizle1Click(QObject*)
{
    if (FAyarF->isVisible()) {
        FAyarF->hide();
        return;
    }
    if (IsShownToUser())
        HideMain();
    else
        ShowMain();
    Gizle1->setText(IsShownToUser() ? tr("Gizle (Esc)") : tr("Göster"));
}

void TAnaF::Kapat1Click(QObject*)
{
    FQuit = true;
    close();
}

void TAnaF::closeEvent(QCloseEvent* e)
{
    // Every close request saves the placement, the close box's hiding included.
    FormStorage1->FormCloseQueryHook(true);
    if (FQuit) {
        RunGuarded([this] { FAyarF->Ping1->CancelDnsLookup(); });
        e->accept();
        QApplication::quit();
        return;
    }
    // The close box only hides the window; the program runs on in the notification area.
    e->ignore();
    HideMain();
    Gizle1->setVisible(false);
}

void TAnaF::WebSite1Click(QObject*)
{
    OpenSite(MakerHost());
}

void TAnaF::BringForward()
{
    if (!IsShownToUser()) {
        ShowMain();
        Gizle1->setText(tr("Gizle (Esc)"));
    }
    raise();
    activateWindow();
}

void TAnaF::StartHidden()
{
    if (!FOffTaskBar) {
        show();
        return;
    }
    FormStorage1->FormShowHook();
    if (FAyarF)
        FormShow();
    Gizle1->setText(tr("Göster"));
}
