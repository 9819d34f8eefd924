#include "controls/ControlsAccessible.h"

#include "controls/LiquidIndicator.h"
#include "controls/Spin.h"
#include "controls/ZmWinButton.h"
#include "controls/peakmeter.h"
#include "framework/ExtCtrls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <limits>

namespace {

// What the widget's own accessible name says, else `fallback`: the owner's name wins.
QString NameOr(const QWidget* w, const QString& fallback)
{
    return w->accessibleName().isEmpty() ? fallback : w->accessibleName();
}

// The readout: its text ("15 ms", "Time out", "Kapali") is what it says.
class ReadoutAccessible : public QAccessibleWidget {
public:
    explicit ReadoutAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) {
            const QString shown = static_cast<const TLiquidIndicator*>(widget())->Indicatorstring();
            if (!shown.isEmpty())
                return shown;
        }
        return QAccessibleWidget::text(t);
    }
};

// The lamp: its owner names each colour; the name follows the colour shown.
class LampAccessible : public QAccessibleWidget {
public:
    explicit LampAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Indicator) {}
};

// The meter: the latest value on a scale from 0 to the largest value seen.
class MeterAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit MeterAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Chart) {}
    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QVariant currentValue() const override { return Meter()->Value(); }
    void setCurrentValue(const QVariant&) override {} // it shows, it does not take input
    QVariant maximumValue() const override { return std::max(Meter()->Peak(), 0); }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    const TPeakMeter* Meter() const { return static_cast<const TPeakMeter*>(widget()); }
};

// The flat button: a push button named by its caption, pressed through its click operation.
class FlatButtonAccessible : public QAccessibleWidget {
public:
    explicit FlatButtonAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Button) {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) {
            const auto* b = static_cast<const TZmWinButton*>(widget());
            QString caption = b->Caption();
            caption.remove(QLatin1Char('&'));
            return NameOr(b, caption.isEmpty() ? b->toolTip() : caption);
        }
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override
    {
        if (name == pressAction()) {
            if (widget()->isEnabled())
                static_cast<TZmWinButton*>(widget())->Click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }
};

// The spin field: a spin box named by its label, whose value can be read and set.
class SpinAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SpinAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::SpinBox) {}
    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return Spin()->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = !Spin()->isReadOnly() && Spin()->EditorEnabled();
        return s;
    }
    QVariant currentValue() const override { return Spin()->Value(); }
    void setCurrentValue(const QVariant& v) override
    {
        if (widget()->isEnabled() && !Spin()->isReadOnly())
            Spin()->SetValue(v.toInt());
    }
    // Equal bounds mean no bounds at all.
    QVariant maximumValue() const override
    {
        return Unbounded() ? std::numeric_limits<int>::max() : Spin()->MaxValue();
    }
    QVariant minimumValue() const override
    {
        return Unbounded() ? std::numeric_limits<int>::min() : Spin()->MinValue();
    }
    QVariant minimumStepSize() const override { return Spin()->Increment(); }

private:
    TSpinEdit* Spin() const { return static_cast<TSpinEdit*>(widget()); }
    bool Unbounded() const { return Spin()->MinValue() == Spin()->MaxValue(); }
};

// Qt asks once per class of the object's ancestry, most derived first: answer only for the
// class itself, so a subclass gets the same interface as the control it extends.
QAccessibleInterface* Factory(const QString& className, QObject* object)
{
    auto* w = qobject_cast<QWidget*>(object);
    if (!w)
        return nullptr;
    if (className == QLatin1String("TLiquidIndicator"))
        return new ReadoutAccessible(w);
    if (className == QLatin1String("TShape"))
        return new LampAccessible(w);
    if (className == QLatin1String("TPeakMeter"))
        return new MeterAccessible(w);
    if (className == QLatin1String("TZmWinButton"))
        return new FlatButtonAccessible(w);
    if (className == QLatin1String("TSpinEdit"))
        return new SpinAccessible(w);
    return nullptr;
}

} // namespace

void InstallControlsAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

void AnnounceNameChange(QWidget* control)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent e(control, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&e);
}

void AnnounceValueChange(QWidget* control, int value)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent e(control, value);
    QAccessible::updateAccessibility(&e);
}
