#pragma once
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class TFormStorage;
namespace Monitor {
class TSampleHub;
}

// The statistics window: loss and round-trip figures of the session and of the last samples,
// refreshed as each sample comes, with a button that copies them as text. It only reads from
// the sample hub; it is only ever shown and hidden, and keeps its place in the profile file
// beside the main window's (section TIstatistikF).
class TIstatistikF : public QWidget {
    Q_OBJECT
public:
    TIstatistikF(Monitor::TSampleHub* Hub, Qt::WindowType Kind);
    ~TIstatistikF() override;

    TPanel* Panel2;
    TLabel* Label8;
    TLabel* LabelHost;
    TGroupBox* GroupBox1;
    TLabel* LabelQuality; // the call quality (MOS) over the last cycles
    TButton* CopyButton;
    // One row per figure: the name, the session's value, the window's value.
    QList<TLabel*> Names, SessionValues, WindowValues;
    TFormStorage* FormStorage1 = nullptr;

    // Re-reads the figures.
    void Refresh();
    // The figures as text (what the copy button puts on the clipboard).
    QString Text() const;
    void CopyButtonClick(QObject* Sender);

protected:
    void showEvent(QShowEvent* e) override;

private:
    void BuildControls();
    QPointer<Monitor::TSampleHub> FHub;
};
