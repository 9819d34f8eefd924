#pragma once
#include "app/MonitorLogic.h"
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"
#include "net/Ping.h"

#include <QWidget>
#include <memory>

class TFormStorage;
namespace Monitor {
class TSampleHub;
}

class TAnaF;
class TSpinEdit;

// The settings window, and the controller that runs the monitoring cycle: it owns the ping
// component, the interval timer and the log, and writes its results straight into the main
// window's meter, readout, lamp, host label and tray icon. It is only ever shown and hidden.
class TAyarF : public QWidget {
    Q_OBJECT
public:
    // Main: the main window the results go to. Ping: the ping component to own (tests hand in
    // one over a fake ICMP layer and resolver); none creates the real one, which throws the
    // engine's exception when no ICMP socket can be opened.
    explicit TAyarF(TAnaF* Main, std::unique_ptr<TPing> Ping = {});
    ~TAyarF() override;

    // Header bar.
    TPanel* Panel2;
    TImage* ImageBaslik1;
    TImage* ImageBaslik2;
    TImage* Image1;
    TLabel* Label8;
    // Ping.
    TGroupBox* GroupBox4;
    TLabel* Label1;
    TEdit* HostEdit;
    TButton* PingButton;
    TButton* CancelButton;
    // Thresholds and time-out.
    TGroupBox* GroupBox3;
    TSpinEdit* SpinEditALT;
    TLabel* Label5;
    TSpinEdit* SpinEditUST;
    TLabel* Label6;
    TLabel* Label7;
    TSpinEdit* SpinEdit3;
    TLabel* Label9;
    TCheckBox* CheckBoxAlarm;
    // Automatic pinging.
    TGroupBox* GroupBox1;
    TCheckBox* CheckBoxPing;
    TLabel* Label2;
    TSpinEdit* SpinEdit1;
    TLabel* Label3;
    // Packet size.
    TGroupBox* GroupBox2;
    TSpinEdit* SpinEditPingSize;
    TLabel* Label4;
    TCheckBox* CheckBoxStay;
    TButton* BitBtn1;
    TMemo* DisplayMemo;
    TPanel* Panel1;
    TLabel* Label10;
    TLabel* Label11;

    TPing* Ping1;
    TTimer* Timer1;
    // The storage of the ten settings, in the registry.
    TFormStorage* FormStorage1 = nullptr;
    // Where each finished cycle's sample goes (statistics, line alerts).
    Monitor::TSampleHub* SampleHub1 = nullptr;

    // Handlers.
    void FormCreate();
    void FormShow();
    // Takes the main window's choice of task-bar button (see TAnaF::KeepsOffTaskBar).
    void FollowTaskBar();
    void FormClose();
    void PingButtonClick(QObject* Sender);
    void CancelButtonClick(QObject* Sender);
    void Timer1Timer(QObject* Sender);
    void Ping1Display(QObject* Sender, TICMP* Icmp, const QString& Msg);
    void Ping1EchoRequest(QObject* Sender, TICMP* Icmp);
    void Ping1EchoReply(QObject* Sender, TICMP* Icmp, int Error);
    void Ping1DnsLookupDone(QObject* Sender, quint16 Error);
    void SpinEdit1Change(QObject* Sender);
    void SpinEdit3Change(QObject* Sender);
    void SpinEditPingSizeChange(QObject* Sender);
    void SpinEditUSTChange(QObject* Sender);
    void CheckBoxPingClick(QObject* Sender);
    void CheckBoxStayClick(QObject* Sender);
    // Sets lamp colour, tray icon and tray hint (and, for off, readout and meter) for a status.
    void Durumayar(Monitor::TStatus Status);

    // The status Durumayar last set (for the status channel and tests).
    Monitor::TStatus LastStatus() const { return FLastStatus; }
    // The last lookup failed, and no status has been set since.
    bool HostUnknown() const { return FHostUnknown; }
    // A cycle (lookup, then echo) is under way: timer ticks and Ping presses are skipped.
    bool CycleRunning() const { return FCycleRunning; }
    // The computer goes to sleep (on) or woke (off): the cycle in flight ends without a sample,
    // and timer ticks start none while asleep.
    void SetAsleep(bool on);
    bool Asleep() const { return FAsleep; }

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void BuildControls();
    void WireHandlers();
    void AddLog(const QString& line);
    // The cycle has ended (reply handled, lookup failed or cancelled, nothing sent): buttons idle.
    void EndCycle();
    // After a failed lookup the displays must not keep the last good reading.
    void ShowUnknownHost();
    void SoundAlarm();
    TAnaF* AnaF;
    std::unique_ptr<TPing> FPing;
    Monitor::TStatus FLastStatus = Monitor::stOff;
    bool FCentred = false;
    // A missing-host report is open: further reports wait until it is closed.
    bool FMissingHostOpen = false;
    bool FCycleRunning = false;
    bool FAsleep = false;
    bool FHostUnknown = false;
    // The host text is being typed: changed by the user and not yet confirmed (Enter, Ping,
    // leaving the field, closing or hiding the window). A cycle for such a text ("1", "12",
    // "127" on the way to "127.0.0.9") is shown but is no sample of the line's and sounds no
    // alarm.
    bool FHostEditing = false;
    bool FCycleCounts = true; // the running cycle started with a confirmed host
    bool CycleCounts() const { return FCycleCounts && !FHostEditing; }
};
