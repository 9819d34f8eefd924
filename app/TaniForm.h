#pragma once
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

class QTableWidget;
class TFaultDiagnosis;

// The diagnosis window ("Bağlantı tanısı"): the verdict and its evidence above, the landmarks
// of the path in one line, and a table of the gateway and every hop (address, name from a
// reverse lookup that answers in time, sent, loss, last, average, best and worst round trip),
// live while the window is open: it asks the diagnosis for round after round and stops it when
// hidden. A button copies it all as text. It never touches the settings window's log or cycle.
class TTaniF : public QWidget {
    Q_OBJECT
public:
    // How long a reverse lookup may take for its name to be shown.
    static constexpr int kNameWaitMs = 2000;

    TTaniF(TFaultDiagnosis* Diagnosis, Qt::WindowType Kind);
    ~TTaniF() override;

    TPanel* Panel2;
    TLabel* Label8;
    TLabel* LabelVerdict;
    TLabel* LabelEvidence;
    TLabel* LabelLandmarks;
    QTableWidget* Table;
    TButton* CopyButton;

    void Refresh();
    QString Text() const;
    void CopyButtonClick(QObject* Sender);

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void BuildControls();
    void AskNames();
    QPointer<TFaultDiagnosis> FDiagnosis;
    QHash<QString, QString> FNames; // address → name
    QHash<QString, bool> FAsked;
};
