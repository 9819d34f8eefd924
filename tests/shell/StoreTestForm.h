#pragma once
// A stand-in for the settings window in storage tests: the ten stored controls with the names
// and property names of the real window, a spin field that clamps to its range as the real one
// does, and a log of the change and click handlers in the order they run.
#include "framework/StdCtrls.h"

#include <QStringList>
#include <QWidget>

class TTestSpinEdit : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Value READ Value WRITE SetValue)
    Q_PROPERTY(int value READ Value WRITE SetValue) // a base-class spelling, like Qt's own
public:
    TTestSpinEdit(QWidget* parent, const QString& name, int value, int minValue, int maxValue);
    int Value() const { return FValue; }
    // Clamped to MinValue..MaxValue when the range is not empty (MinValue != MaxValue).
    void SetValue(int v);
    TNotifyEvent OnChange;

private:
    int FValue;
    int FMin, FMax;
};

class TSettingsTestForm : public QWidget {
    Q_OBJECT
public:
    TSettingsTestForm();
    // The form's own handlers append to this log.
    QStringList Log;
    TCheckBox* CheckBoxPing;
    TTestSpinEdit* SpinEdit1;
    TTestSpinEdit* SpinEdit3;
    TTestSpinEdit* SpinEditALT;
    TTestSpinEdit* SpinEditUST;
    TCheckBox* CheckBoxAlarm;
    TLabel* Label7;
    TTestSpinEdit* SpinEditPingSize;
    TCheckBox* CheckBoxStay;
    TEdit* HostEdit;
    static QStringList TenLines();
    bool VetoClose = false;
    bool HideOnClose = false;

protected:
    void showEvent(QShowEvent*) override;
    void closeEvent(QCloseEvent* e) override;
};
