#include "StoreTestForm.h"

#include <QCloseEvent>

TTestSpinEdit::TTestSpinEdit(QWidget* parent, const QString& name, int value, int minValue,
                             int maxValue)
    : QWidget(parent), FValue(value), FMin(minValue), FMax(maxValue)
{
    setObjectName(name);
}

void TTestSpinEdit::SetValue(int v)
{
    if (FMin != FMax)
        v = qBound(FMin, v, FMax);
    if (v == FValue)
        return;
    FValue = v;
    Fire(OnChange, this);
}

TSettingsTestForm::TSettingsTestForm()
{
    auto named = [](auto* w, const char* name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    CheckBoxPing = named(new TCheckBox(this, "Otomatik Ping"), "CheckBoxPing");
    SpinEdit1 = new TTestSpinEdit(this, "SpinEdit1", 5, 1, 999);
    SpinEdit3 = new TTestSpinEdit(this, "SpinEdit3", 1000, 0, 0);
    SpinEditALT = new TTestSpinEdit(this, "SpinEditALT", 200, 0, 0);
    SpinEditUST = new TTestSpinEdit(this, "SpinEditUST", 700, 0, 0);
    CheckBoxAlarm = named(new TCheckBox(this, "alarm"), "CheckBoxAlarm");
    CheckBoxAlarm->SetChecked(true);
    Label7 = named(new TLabel(this, 8, 85, "200-700 ms Arası normal"), "Label7");
    SpinEditPingSize = new TTestSpinEdit(this, "SpinEditPingSize", 32, 0, 1024);
    CheckBoxStay = named(new TCheckBox(this, "stay"), "CheckBoxStay");
    HostEdit = named(new TEdit(this), "HostEdit");
    HostEdit->SetText("www.example.com");

    CheckBoxPing->OnClick = [this](QObject*) { Log << "CheckBoxPingClick"; };
    SpinEdit1->OnChange = [this](QObject*) { Log << "SpinEdit1Change"; };
    SpinEdit3->OnChange = [this](QObject*) { Log << "SpinEdit3Change"; };
    auto ust = [this](QObject*) {
        Log << "SpinEditUSTChange";
        Label7->SetCaption(
            QString("%1-%2 ms Arası normal").arg(SpinEditALT->Value()).arg(SpinEditUST->Value()));
    };
    SpinEditALT->OnChange = ust;
    SpinEditUST->OnChange = ust;
    SpinEditPingSize->OnChange = [this](QObject*) { Log << "SpinEditPingSizeChange"; };
    CheckBoxStay->OnClick = [this](QObject*) { Log << "CheckBoxStayClick"; };
}

QStringList TSettingsTestForm::TenLines()
{
    return {"CheckBoxPing.Checked", "SpinEdit1.Value",        "SpinEdit3.Value",
            "SpinEditALT.Value",    "SpinEditUST.Value",      "CheckBoxAlarm.Checked",
            "Label7.Caption",       "SpinEditPingSize.Value", "CheckBoxStay.Checked",
            "HostEdit.Text"};
}

void TSettingsTestForm::showEvent(QShowEvent*)
{
    Log << "FormShow";
}

void TSettingsTestForm::closeEvent(QCloseEvent* e)
{
    Log << "FormClose";
    if (VetoClose) {
        e->ignore();
    } else if (HideOnClose) {
        e->ignore();
        hide();
    }
}
