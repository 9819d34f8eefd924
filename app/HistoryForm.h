#pragma once
// The history window: the recorded samples of a host as a graph over the last hour, day, week
// or 30 days, the outages beside it with their totals, and the report for the provider. The
// summaries are brought up to date and read on a worker thread, with the progress shown, so the
// window stays responsive while a month of history is read for the first time; while it is
// shown it looks again every half minute for new samples.
#include "app/HistoryGraph.h"

#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;
namespace Monitor {
class TSampleHub;
}

class THistoryF : public QWidget {
    Q_OBJECT
public:
    struct TSettings {
        double LowMs = 200, HighMs = 700;
        QString Host; // the host being monitored
    };
    // settings: read at each load (the thresholds and host may change in between).
    THistoryF(Monitor::TSampleHub* hub, std::function<TSettings()> settings, Qt::WindowType kind,
              QString folder = {}, QString store = {});
    ~THistoryF() override;

    QComboBox* HostBox;
    QComboBox* RangeBox; // the last hour, day, week, 30 days
    QPushButton* ReportButton;
    QProgressBar* Progress;
    QLabel* StatusLabel;
    THistoryGraph* Graph;
    QTreeWidget* OutageList;
    QLabel* TotalsLabel;
    QLabel* HoverLabel;

    // Reads the history again (on the worker) and shows it.
    void Reload();
    // Writes the report of the shown range to a PDF and the samples beside it as CSV; empty on
    // success, else why not.
    QString SaveReport(const QString& pdfPath);
    void ReportButtonClick();
    // Asks where the report goes (tests answer instead).
    std::function<QString()> AskReportPath;

signals:
    // A load has been shown.
    void Loaded();

protected:
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    void BuildControls();
    void ShowData(std::shared_ptr<const Monitor::THistoryData> data, const QStringList& hosts,
                  const QString& status);
    void ShowRange();
    void UpdateTotals();
    std::int64_t RangeMs() const;
    void StopWorker();

    QPointer<Monitor::TSampleHub> FHub;
    std::function<TSettings()> FSettings;
    QString FFolder, FStore;
    std::shared_ptr<const Monitor::THistoryData> FData;
    std::int64_t FNowMs = 0;
    std::thread FWorker;
    std::atomic<bool> FStop{false};
    QTimer* FRefresh;
    bool FLoading = false, FAgain = false;
};
