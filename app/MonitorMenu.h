#pragma once
#include <QObject>
#include <memory>

class QAction;
class QMenu;
class TAnaF;
class TIstatistikF;
namespace Monitor {
class TSampleHub;
}

// The monitor's items of the pop-up menu, after the web-site item: a separator, the statistics
// window, silencing the alarm for an hour (checked while silenced), the line alerts (checked
// while on) and pinging a dual-stack name on IPv6 (checked while preferred). They act on the
// settings window's sample hub.
class TMonitorMenu : public QObject {
    Q_OBJECT
public:
    // Appends the items to menu; main gives the hub once the settings window exists.
    TMonitorMenu(TAnaF* main, QMenu* menu);
    ~TMonitorMenu() override;

    QAction* N3;
    QAction* Istatistikler1;
    QAction* AlarmSustur1;
    QAction* Uyarilar1;
    QAction* IPv6Tercih1;

    void IstatistiklerClick();
    void AlarmSusturClick(bool Checked);
    void UyarilarClick(bool Checked);
    void IPv6TercihClick(bool Checked);
    // Sets the check marks from the hub (each time the menu opens).
    void UpdateItems();
    // The statistics window, once opened.
    TIstatistikF* Window() const { return FWindow.get(); }

private:
    Monitor::TSampleHub* Hub() const;
    TAnaF* FMain;
    std::unique_ptr<TIstatistikF> FWindow;
};
