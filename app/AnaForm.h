#pragma once
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"
#include "shell/NotifyIcon.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class TAyarF;
class TFormStorage;
class TLiquidIndicator;
class TMonitorMenu;
class TPeakMeter;
class TTrayIcon;
class TZmWinButton;

// The main window: the history meter, the host label, the readout with the status lamp, a bar
// of three flat buttons, the notification-area icon, the pop-up menu shared by icon and meter,
// the F5 and Esc shortcuts and the quit logic. It holds no monitoring logic: the settings
// window writes into its controls.
class TAnaF : public QWidget {
    Q_OBJECT
public:
    // Shell: the notification area (tests hand in a fake); none uses the desktop's.
    explicit TAnaF(std::unique_ptr<INotifyIcon> Shell = {});
    ~TAnaF() override;

    // The settings window this window starts, stops and shows (created after this one).
    void SetAyarF(TAyarF* Ayar);
    TAyarF* AyarF() const { return FAyarF; }

    // The host the program pings until the user chooses another, also the web site's name.
    static QString MakerHost();

    TPanel* Panel3;
    TZmWinButton* ZmWinButton1;
    TZmWinButton* ZmWinButton2;
    TZmWinButton* ZmWinButton3;
    TPeakMeter* PeakMeter1;
    TPanel* Panel1;
    TLabel* LabelHost;
    TPanel* Panel2;
    TLiquidIndicator* Sure;
    TShape* Shape1;

    QMenu* PopupMenu1;
    QAction* Ayarlar;
    QAction* Gizle1;
    QAction* N2;
    QAction* WebSite1;
    TMonitorMenu* MonitorMenu1; // statistics, silencing the alarm, line alerts
    QAction* N1;
    QAction* Kapat1;
    QAction* Action1; // F5
    QAction* Action2; // Esc
    TTrayIcon* TrayIcon1;
    // The placement storage (the profile file <program>.INI, section TAnaF).
    TFormStorage* FormStorage1 = nullptr;

    void FormCreate();
    void FormShow();
    void PeakMeter1MouseDown(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void AyarlarClick(QObject* Sender);
    void Gizle1Click(QObject* Sender);
    void Kapat1Click(QObject* Sender);
    void WebSite1Click(QObject* Sender);

    // Brings the window forward (a second copy of the program asked for it).
    void BringForward();
    // Starts in the notification area: what a showing starts, without the window. Without a
    // notification area the window shows as usual.
    void StartHidden();

    // Stay above all other windows, or not.
    void SetStayOnTop(bool on);
    bool StaysOnTop() const;

    // Whether the program keeps off the task bar (it does while a notification area holds its
    // icon); without one, hiding minimises instead, so the program can always be found.
    bool KeepsOffTaskBar() const { return FOffTaskBar; }
    // The window kind for that choice: a tool window has no task-bar button.
    static Qt::WindowType TaskBarKind(bool OffTaskBar);
    // A notification area appeared (Available) or went away after start-up.
    void NotifyAreaChanged(bool Available);
    // Shown to the user: visible and not minimised.
    bool IsShownToUser() const;
    bool QuitFlag() const { return FQuit; }

    // Where the menu opens for a right click at (X, Y) of the meter (tests).
    QPoint MenuPointFor(int X, int Y) const;
    // Pops the menu up at a screen point; tests replace it to observe the point.
    std::function<void(QPoint)> PopupAt;
    // Opens the web site; tests replace it.
    std::function<void(const QString&)> OpenSite;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void BuildControls();
    void BuildMenuAndActions();
    void HideMain();
    void ShowMain();
    TAyarF* FAyarF = nullptr;
    bool FQuit = false;
    bool FOffTaskBar = true;
    // Minimised by the hide command (no notification area): restoring it is a new showing.
    bool FMinimisedByHide = false;
    bool FReflagging = false;
};
