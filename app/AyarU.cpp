#include "app/AyarU.h"

#include "app/AnaForm.h"
#include "app/HeaderArt.h"
#include "controls/LiquidIndicator.h"
#include "controls/Spin.h"
#include "controls/peakmeter.h"
#include "framework/Align.h"
#include "framework/GdiDraw.h"
#include "framework/MessageBox.h"
#include "framework/Sound.h"
#include "monitor/SampleHub.h"
#include "net/Ping.h"
#include "shell/IconList.h"
#include "shell/Placement.h"
#include "shell/TrayShell.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QPixmap>
#include <QScreen>

using namespace Monitor;

namespace {

const TColor kFormColor = 0x00EBD5CA;
const TColor kHeaderColor = 0x00D7CC7D;

QFont FormFont(bool bold = true)
{
    return Gdi::MakeFont(QStringLiteral("MS Sans Serif"), -11, bold);
}

TSpinEdit* MakeSpin(QWidget* parent, int left, int top, int width, int height, int increment,
                    int minValue, int maxValue, int value)
{
    auto* s = new TSpinEdit(parent);
    s->SetMinValue(minValue);
    s->SetMaxValue(maxValue);
    s->SetIncrement(increment);
    s->setGeometry(left, top, width, height);
    s->SetValue(value);
    return s;
}

} // namespace

TAyarF::TAyarF(TAnaF* Main, std::unique_ptr<TPing> Ping)
    : QWidget(nullptr), AnaF(Main), FPing(Ping ? std::move(Ping) : std::make_unique<TPing>())
{
    Ping1 = FPing.get();
    Ping1->setObjectName(QStringLiteral("Ping1"));
    Timer1 = new TTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->SetInterval(1000);
    Timer1->SetEnabled(true);
    SampleHub1 = new TSampleHub(this);
    // Which family a dual-stack host name is pinged on, as remembered and as the menu sets it.
    Ping1->SetPreferIPv6(SampleHub1->PreferIPv6());
    connect(SampleHub1, &TSampleHub::OptionsChanged, this,
            [this] { Ping1->SetPreferIPv6(SampleHub1->PreferIPv6()); });
    BuildControls();
    WireHandlers();
    // The ten settings, in the registry under HKEY_CURRENT_USER\Software\<program>\TAyarF.
    // The storage loads them before every showing and saves them at every close request.
    FormStorage1 = new TFormStorage(this);
    FormStorage1->setObjectName(QStringLiteral("FormStorage1"));
    FormStorage1->SetUseRegistry(true);
    FormStorage1->SetOptions({});
    FormStorage1->SetStoredProps(
        {QStringLiteral("CheckBoxPing.Checked"), QStringLiteral("SpinEdit1.Value"),
         QStringLiteral("SpinEdit3.Value"), QStringLiteral("SpinEditALT.Value"),
         QStringLiteral("SpinEditUST.Value"), QStringLiteral("CheckBoxAlarm.Checked"),
         QStringLiteral("Label7.Caption"), QStringLiteral("SpinEditPingSize.Value"),
         QStringLiteral("CheckBoxStay.Checked"), QStringLiteral("HostEdit.Text")});
    FormStorage1->Loaded();
    FormCreate();
}

TAyarF::~TAyarF()
{
    // Saved once more if nothing was saved since the last load, while the controls exist.
    FormStorage1->FormDestroyHook();
    // The ping component cancels an outstanding lookup as it goes; its report must not reach
    // controls that are already gone.
    if (Ping1) {
        Ping1->OnDnsLookupDone = nullptr;
        Ping1->OnDisplay = nullptr;
        Ping1->OnEchoRequest = nullptr;
        Ping1->OnEchoReply = nullptr;
    }
}

void TAyarF::BuildControls()
{
    setObjectName(QStringLiteral("AyarF"));
    setWindowTitle(QStringLiteral("ayar"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | TAnaF::TaskBarKind(AnaF && AnaF->KeepsOffTaskBar()));
    setFixedSize(425, 429);
    SetControlColor(this, kFormColor);
    setFont(FormFont());
    SetFontColor(this, clBlack);

    auto name = [](QObject* o, const char* n) { o->setObjectName(QLatin1String(n)); };

    Panel2 = new TPanel(this);
    name(Panel2, "Panel2");
    Panel2->SetBevels(bvNone, bvNone);
    Panel2->SetColor(kHeaderColor);
    Panel2->setCursor(Qt::PointingHandCursor);
    Panel2->resize(425, 35);
    SetAlign(Panel2, alTop);
    ImageBaslik2 = new TImage(Panel2);
    name(ImageBaslik2, "ImageBaslik2");
    ImageBaslik2->SetPicture(MakeHeaderEnd());
    ImageBaslik2->SetStretch(true);
    ImageBaslik2->resize(121, 27);
    SetAlign(ImageBaslik2, alRight);
    ImageBaslik1 = new TImage(Panel2);
    name(ImageBaslik1, "ImageBaslik1");
    ImageBaslik1->SetPicture(MakeHeaderBar());
    ImageBaslik1->SetStretch(true);
    SetAlign(ImageBaslik1, alClient);
    Image1 = new TImage(Panel2);
    name(Image1, "Image1");
    Image1->SetPicture(MakeGreenBall());
    Image1->SetCenter(true);
    Image1->SetStretch(true);
    Image1->setGeometry(0, 3, 26, 26);
    Image1->raise();
    Label8 = new TLabel(Panel2, 40, 6, tr("Ayarlar"));
    name(Label8, "Label8");
    Label8->setFont(Gdi::MakeFont(QStringLiteral("MS Sans Serif"), -19, true));
    SetFontColor(Label8, clWhite);
    Label8->SetTransparent(true);
    Label8->SetCaption(Label8->Caption());
    Label8->raise();

    GroupBox4 = new TGroupBox(this, tr("Ping"));
    name(GroupBox4, "GroupBox4");
    GroupBox4->setGeometry(8, 40, 401, 49);
    Label1 = new TLabel(GroupBox4, 6, 21, tr("Host"));
    name(Label1, "Label1");
    HostEdit = new TEdit(GroupBox4);
    name(HostEdit, "HostEdit");
    HostEdit->setGeometry(42, 18, 138, 21);
    HostEdit->SetText(TAnaF::MakerHost());
    PingButton = new TButton(GroupBox4, tr("&Ping"));
    name(PingButton, "PingButton");
    PingButton->setGeometry(192, 18, 121, 21);
    PingButton->setCursor(Qt::PointingHandCursor);
    PingButton->setDefault(true);
    CancelButton = new TButton(GroupBox4, tr("&Vazgeç"));
    name(CancelButton, "CancelButton");
    CancelButton->setGeometry(319, 18, 74, 21);
    CancelButton->setCursor(Qt::PointingHandCursor);
    CancelButton->setEnabled(false);

    GroupBox3 = new TGroupBox(this, tr(" Zaman Ayarları "));
    name(GroupBox3, "GroupBox3");
    GroupBox3->setGeometry(8, 98, 233, 159);
    SpinEditALT = MakeSpin(GroupBox3, 10, 22, 73, 22, 10, 0, 0, 200);
    name(SpinEditALT, "SpinEditALT");
    Label5 = new TLabel(GroupBox3, 90, 26, tr("ms Aşağısı iyi"));
    name(Label5, "Label5");
    SpinEditUST = MakeSpin(GroupBox3, 10, 52, 73, 22, 10, 0, 0, 700);
    name(SpinEditUST, "SpinEditUST");
    Label6 = new TLabel(GroupBox3, 90, 56, tr("ms Yukarısı Kötü"));
    name(Label6, "Label6");
    Label7 = new TLabel(GroupBox3, 8, 85, QStringLiteral("200-700 ms Arası normal"));
    name(Label7, "Label7");
    Label7->ShowAs = NormalRangeShown;
    Label7->SetCaption(Label7->Caption());
    SpinEdit3 = MakeSpin(GroupBox3, 10, 110, 73, 22, 10, 0, 0, 1000);
    name(SpinEdit3, "SpinEdit3");
    Label9 = new TLabel(GroupBox3, 90, 115, tr("ms Time Out"));
    name(Label9, "Label9");
    // Each field is named by the label beside it, for assistive technology.
    Label1->setBuddy(HostEdit);
    Label5->setBuddy(SpinEditALT);
    Label6->setBuddy(SpinEditUST);
    Label9->setBuddy(SpinEdit3);
    CheckBoxAlarm = new TCheckBox(GroupBox3, tr("Bağlantı kötü ise alarm ver"));
    name(CheckBoxAlarm, "CheckBoxAlarm");
    CheckBoxAlarm->setGeometry(12, 139, 189, 17);
    CheckBoxAlarm->SetChecked(true);

    GroupBox1 = new TGroupBox(this, QString());
    name(GroupBox1, "GroupBox1");
    GroupBox1->setGeometry(246, 98, 159, 51);
    CheckBoxPing = new TCheckBox(GroupBox1, tr("Otomatik Ping"));
    name(CheckBoxPing, "CheckBoxPing");
    CheckBoxPing->setGeometry(6, -2, 107, 17);
    // It sits on the frame's top edge as the box's title, so it paints its own ground.
    SetControlColor(CheckBoxPing, kFormColor);
    Label2 = new TLabel(GroupBox1, 6, 24, tr("Ping Aralığı"));
    name(Label2, "Label2");
    SpinEdit1 = MakeSpin(GroupBox1, 80, 17, 41, 26, 1, 1, 999, 5);
    name(SpinEdit1, "SpinEdit1");
    SpinEdit1->SetAutoSize(false);
    SpinEdit1->setFont(Gdi::MakeFont(QStringLiteral("MS Sans Serif"), -13, false));
    SpinEdit1->setGeometry(80, 17, 41, 26);
    Label3 = new TLabel(GroupBox1, 124, 23, tr("Sn"));
    name(Label3, "Label3");
    Label2->setBuddy(SpinEdit1);

    GroupBox2 = new TGroupBox(this, tr(" Ping Paketi "));
    name(GroupBox2, "GroupBox2");
    GroupBox2->setGeometry(246, 151, 159, 50);
    SpinEditPingSize = MakeSpin(GroupBox2, 8, 19, 73, 22, 32, 0, 1024, 32);
    name(SpinEditPingSize, "SpinEditPingSize");
    Label4 = new TLabel(GroupBox2, 88, 27, tr("Byte"));
    name(Label4, "Label4");
    Label4->setBuddy(SpinEditPingSize);

    CheckBoxStay = new TCheckBox(this, tr("Her Zaman Üstte"));
    name(CheckBoxStay, "CheckBoxStay");
    CheckBoxStay->setGeometry(246, 211, 159, 17);
    BitBtn1 = new TButton(this, tr("Kapat"));
    name(BitBtn1, "BitBtn1");
    BitBtn1->setGeometry(246, 233, 159, 26);
    BitBtn1->setCursor(Qt::PointingHandCursor);
    BitBtn1->setIcon(QIcon(QPixmap::fromImage(MakeCloseGlyph())));

    DisplayMemo = new TMemo(this);
    name(DisplayMemo, "DisplayMemo");
    DisplayMemo->setGeometry(8, 264, 401, 137);
    DisplayMemo->setFont(FormFont(false));
    DisplayMemo->setAccessibleName(tr("Günlük"));

    Panel1 = new TPanel(this);
    name(Panel1, "Panel1");
    Panel1->SetBevels(bvLowered, bvNone);
    Panel1->SetColor(kFormColor);
    Panel1->resize(425, 22);
    SetAlign(Panel1, alBottom);
    Label10 = new TLabel(Panel1, 5, 5, QStringLiteral("ZEMBRA"));
    name(Label10, "Label10");
    Label11 = new TLabel(Panel1, 88, 5, QStringLiteral("........"));
    name(Label11, "Label11");
}

void TAyarF::WireHandlers()
{
    PingButton->OnClick = [this](QObject* s) { RunGuarded([&] { PingButtonClick(s); }); };
    CancelButton->OnClick = [this](QObject* s) { RunGuarded([&] { CancelButtonClick(s); }); };
    BitBtn1->OnClick = [this](QObject*) { close(); };
    Timer1->OnTimer = [this](QObject* s) { RunGuarded([&] { Timer1Timer(s); }); };
    SpinEditALT->OnChange = [this](QObject* s) { SpinEditUSTChange(s); };
    SpinEditUST->OnChange = [this](QObject* s) { SpinEditUSTChange(s); };
    SpinEdit3->OnChange = [this](QObject* s) { SpinEdit3Change(s); };
    SpinEdit1->OnChange = [this](QObject* s) { SpinEdit1Change(s); };
    SpinEditPingSize->OnChange = [this](QObject* s) { SpinEditPingSizeChange(s); };
    CheckBoxPing->OnClick = [this](QObject* s) { CheckBoxPingClick(s); };
    CheckBoxStay->OnClick = [this](QObject* s) { CheckBoxStayClick(s); };
    connect(HostEdit, &QLineEdit::textEdited, this, [this] { FHostEditing = true; });
    connect(HostEdit, &QLineEdit::editingFinished, this, [this] { FHostEditing = false; });
    Ping1->SetSize(56);
    Ping1->SetTimeout(4000);
    Ping1->SetTTL(64);
    Ping1->SetFlags(0);
    Ping1->OnDisplay = [this](QObject* s, TICMP* i, const QString& m) { Ping1Display(s, i, m); };
    Ping1->OnEchoRequest = [this](QObject* s, TICMP* i) { Ping1EchoRequest(s, i); };
    Ping1->OnEchoReply = [this](QObject* s, TICMP* i, int e) { Ping1EchoReply(s, i, e); };
    Ping1->OnDnsLookupDone = [this](QObject* s, quint16 e) { Ping1DnsLookupDone(s, e); };
}

void TAyarF::AddLog(const QString& line)
{
    DisplayMemo->Add(line);
}

void TAyarF::FormCreate()
{
    // Every restored value that differs runs its control's change or click handler.
    RunGuarded([this] { FormStorage1->LoadFromStore(); });
}

void TAyarF::FollowTaskBar()
{
    // An open window keeps its kind until it is next hidden: changing the kind would hide and
    // re-show it, and every showing reloads the stored settings over the ones being edited.
    if (isVisible() || !AnaF)
        return;
    const Qt::WindowType kind = TAnaF::TaskBarKind(AnaF->KeepsOffTaskBar());
    if (windowType() != kind)
        setWindowFlags((windowFlags() & ~Qt::WindowType_Mask) | kind);
}

void TAyarF::FormShow()
{
    setWindowTitle(AnaF->windowTitle());
    CheckBoxPingClick(this);
}

void TAyarF::FormClose()
{
    Ping1->SetSize(SpinEditPingSize->Value());
    Ping1->SetTimeout(SpinEdit3->Value());
    Timer1->SetEnabled(CheckBoxPing->Checked());
}

void TAyarF::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (e->spontaneous())
        return;
    if (!FCentred) {
        FCentred = true;
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect r = frameGeometry();
            r.moveCenter(screen->availableGeometry().center());
            move(r.topLeft());
        }
    }
    FormShow();
}

void TAyarF::closeEvent(QCloseEvent* e)
{
    FormClose();
    e->accept(); // the window only hides
}

void TAyarF::hideEvent(QHideEvent* e)
{
    QWidget::hideEvent(e);
    FHostEditing = false; // Esc, Kapat and the close box leave the text as it stands
}

void TAyarF::keyPressEvent(QKeyEvent* e)
{
    // Enter presses the default button unless the focused control takes Enter itself.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        QWidget* f = focusWidget();
        if (auto* b = qobject_cast<TButton*>(f)) {
            b->Click();
            return;
        }
        if (!qobject_cast<QPlainTextEdit*>(f)) {
            PingButton->Click();
            return;
        }
    }
    QWidget::keyPressEvent(e);
}

void TAyarF::PingButtonClick(QObject* Sender)
{
    if (Sender == PingButton)
        FHostEditing = false; // pressing Ping confirms the text
    // One cycle at a time: a tick or a press while one is under way is skipped, not queued.
    if (FCycleRunning)
        return;
    const QString host = HostEdit->Text();
    if (host.isEmpty()) {
        // One report at a time: ticks while it is open do not stack further boxes.
        if (!FMissingHostOpen) {
            FMissingHostOpen = true;
            ShowMessage(MissingHostMessage());
            FMissingHostOpen = false;
        }
    } else {
        DisplayMemo->Clear();
        AddLog(ResolvingLine(host));
        PingButton->setEnabled(false);
        CancelButton->setEnabled(true);
        FCycleRunning = true;
        FCycleCounts = !FHostEditing;
        try {
            Ping1->DnsLookup(host);
        } catch (...) {
            FCycleRunning = false; // the next tick tries again
            throw;
        }
    }
    AnaF->LabelHost->SetCaption(host);
    if (CheckBoxPing->Checked())
        Timer1->SetEnabled(true);
}

void TAyarF::EndCycle()
{
    FCycleRunning = false;
    CancelButton->setEnabled(false);
    PingButton->setEnabled(true);
}

void TAyarF::Ping1DnsLookupDone(QObject*, quint16 Error)
{
    const QString host = HostEdit->Text();
    if (Error != 0) {
        EndCycle();
        AddLog(UnknownHostLine(host));
        AnaF->Shape1->SetBrushColor(clMaroon);
        // A cancel is the user's own doing (or the program ending): no reading is claimed.
        if (Error != WinSock::WSAEINTR) {
            ShowUnknownHost();
            FHostUnknown = true;
        }
        if (CycleCounts()) {
            SampleHub1->SetHost(host);
            SampleHub1->Add(UnknownHostSample(host, Error));
        }
        return;
    }
    AddLog(HostIsLine(host, Ping1->DnsResult()));
    Ping1->SetAddress(Ping1->DnsResult());
    // The reply arrives later through the event loop; the cancel button stays live until then.
    if (!Ping1->PingAsync())
        EndCycle();
}

void TAyarF::ShowUnknownHost()
{
    // Lamp, tray icon and tool tip agree (maroon); the readout no longer shows the old time.
    TTrayIcon* tray = AnaF->TrayIcon1;
    if (tray->Icons() && tray->Icons()->Count() > stOff)
        tray->SetIcon(tray->Icons()->Icons(stOff));
    AnaF->Sure->SetIndicatorstring(ReadoutUnknownHost());
    tray->SetHint(TrayHint(AnaF->Sure->Indicatorstring()));
    // A name that no longer resolves is the commonest sign of a lost connection.
    if (CycleCounts() && ShouldSoundAlarm(true, CheckBoxAlarm->Checked()))
        SoundAlarm();
}

void TAyarF::Ping1Display(QObject*, TICMP*, const QString& Msg)
{
    AddLog(Msg);
}

void TAyarF::Ping1EchoRequest(QObject*, TICMP*)
{
    AddLog(SendingLine(Ping1->Size(), Ping1->HostName(), Ping1->HostIP()));
}

void TAyarF::Ping1EchoReply(QObject*, TICMP*, int Error)
{
    EndCycle();
    const auto reply = Ping1->Reply();
    EchoReport report;
    report.Error = Error;
    report.Status = reply.Status;
    report.RoundTripMs = reply.RoundTripTime;
    report.DataSize = reply.DataSize;
    report.HostIP = Ping1->HostIP();
    report.ErrorString = Ping1->ErrorString();
    report.StatusText = IcmpErrorText(int(reply.Status));
    const ReplyOutcome out =
        EvaluateReply(report, SpinEdit3->Value(), SpinEditALT->Value(), SpinEditUST->Value());
    AddLog(out.LogLine);
    AnaF->PeakMeter1->SetValue(out.MeterValue);
    AnaF->Sure->SetIndicatorstring(out.Readout);
    Durumayar(out.Status);
    if (!CycleCounts())
        return;
    SampleHub1->SetSlowAbove(SpinEditUST->Value());
    SampleHub1->SetHost(HostEdit->Text());
    SampleHub1->Add(EchoSample(HostEdit->Text(), *Ping1->Icmp(), Error, out.Status));
    if (ShouldSoundAlarm(out.Bad, CheckBoxAlarm->Checked()))
        SoundAlarm();
}

void TAyarF::SoundAlarm()
{
    // An hour of silence asked for from the menu holds back every alarm.
    if (!SampleHub1->AlarmSilenced())
        PlaySoundAsync(FindDataFile(QStringLiteral("alarm.wav")));
}

void TAyarF::Durumayar(TStatus Status)
{
    FLastStatus = Status;
    FHostUnknown = false;
    TTrayIcon* tray = AnaF->TrayIcon1;
    if (tray->Icons() && Status >= 0 && Status < tray->Icons()->Count())
        tray->SetIcon(tray->Icons()->Icons(Status));
    AnaF->Shape1->SetBrushColor(LampColor(Status));
    if (Status == stOff) {
        AnaF->Sure->SetIndicatorstring(ReadoutOff());
        AnaF->PeakMeter1->SetValue(0);
    }
    tray->SetHint(TrayHint(AnaF->Sure->Indicatorstring()));
}

void TAyarF::SpinEdit1Change(QObject*)
{
    // A number typed beyond the field's range must not overflow into a stopped or days-long timer.
    Timer1->SetInterval(SpinEdit1->ScaledValue(1000));
}

void TAyarF::SpinEdit3Change(QObject*)
{
    Ping1->SetTimeout(SpinEdit3->Value());
}

void TAyarF::SpinEditPingSizeChange(QObject*)
{
    Ping1->SetSize(SpinEditPingSize->Value());
}

void TAyarF::SpinEditUSTChange(QObject*)
{
    Label7->SetCaption(NormalRangeCaption(SpinEditALT->text(), SpinEditUST->text()));
}

void TAyarF::CheckBoxPingClick(QObject*)
{
    const bool on = CheckBoxPing->Checked();
    Timer1->SetEnabled(on);
    Label11->SetCaption(AutoPingCaption(on));
    SampleHub1->SetAutoPing(on);
    if (!on)
        Durumayar(stOff);
}

void TAyarF::CheckBoxStayClick(QObject*)
{
    AnaF->SetStayOnTop(CheckBoxStay->Checked());
}

void TAyarF::CancelButtonClick(QObject*)
{
    if (Ping1->LookupHandle() != 0) {
        Ping1->CancelDnsLookup(); // reported through Ping1DnsLookupDone
    } else if (Ping1->EchoOutstanding()) {
        Ping1->CancelEcho(); // abandoned: no reply comes, nothing is shown for it
        EndCycle();
    }
}

void TAyarF::Timer1Timer(QObject* Sender)
{
    if (!FAsleep)
        PingButtonClick(Sender);
}

void TAyarF::SetAsleep(bool on)
{
    FAsleep = on;
    if (!on)
        return;
    // The cycle in flight ends without a sample: a cancelled lookup gives none, nor an
    // abandoned echo.
    if (Ping1->LookupHandle() != 0)
        Ping1->CancelDnsLookup();
    if (Ping1->EchoOutstanding()) {
        Ping1->CancelEcho();
        EndCycle();
    }
}
