#pragma once
#include <QObject>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class TAnaF;
class TIstatistikF;
class THistoryF;
namespace Monitor {
class TSampleHub;
}

// The monitor's items of the pop-up menu, after the web-site item: a separator, the statistics
// window, silencing the alarm for an hour (checked while silenced), the line alerts (checked
// while on), pinging a dual-stack name on IPv6 (checked while preferred), the history folder
// (opened in the file manager) and the metrics file's path (asked for in a small dialog). They
// act on the settings window's sample hub.
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
    QAction* Gecmis1;
    QAction* Olcum1;
    QAction* GecmisPencere1 = nullptr;

    // The history window's item, appended where the menu has got to (after the others').
    void AddHistoryItem(QMenu* menu);
    void GecmisPencereClick();
    // The history window, once opened.
    THistoryF* HistoryWindow() const { return FHistory.get(); }

    void IstatistiklerClick();
    void AlarmSusturClick(bool Checked);
    void UyarilarClick(bool Checked);
    void IPv6TercihClick(bool Checked);
    void GecmisClick();
    void OlcumClick();
    // Asks for the metrics file's path, starting from Current; nothing when the user cancels
    // (tests answer instead).
    std::function<std::optional<QString>(const QString& Current)> AskMetricsPath;
    // Shows a folder in the file manager (tests record instead).
    std::function<void(const QString& Folder)> OpenFolder;
    // "Dil / Language" with Türkçe and English, for the menu's end (before the quit item). The
    // choice is remembered and takes effect at the next start.
    void AddLanguageItems(QMenu* menu);
    QMenu* Dil1 = nullptr;
    QAction* Turkce1 = nullptr;
    QAction* English1 = nullptr;
    void LanguageClick(const QString& Language);
    // Sets the check marks from the hub (each time the menu opens).
    void UpdateItems();
    // The statistics window, once opened.
    TIstatistikF* Window() const { return FWindow.get(); }

private:
    Monitor::TSampleHub* Hub() const;
    TAnaF* FMain;
    std::unique_ptr<TIstatistikF> FWindow;
    std::unique_ptr<THistoryF> FHistory;
};
