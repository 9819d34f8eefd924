#pragma once
#include "framework/Colors.h"
#include "framework/Events.h"
#include <functional>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

// The standard controls of the program's windows: small classes over Qt widgets that publish
// the property names the settings storage reads and writes by name. Setting a published
// property goes through its setter, so the control reacts (and raises its change or click
// event) exactly as to a change made by the user.

// Sets a widget's background colour (as the framework's Color property).
void SetControlColor(QWidget* w, TColor color);
// Sets a widget's text colour (the framework's Font.Color).
void SetFontColor(QWidget* w, TColor color);

class TLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    // A label sized to its text (AutoSize), placed with its top-left corner at (left, top).
    TLabel(QWidget* parent, int left, int top, const QString& caption);
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& caption);
    // How the caption is shown, when it differs from the caption kept (a stored caption in the
    // program's own language, shown translated). Set before the caption.
    std::function<QString(const QString&)> ShowAs;
    // Transparent labels show their parent's background; opaque ones fill with their colour.
    void SetTransparent(bool transparent);

private:
    QString FCaption;
};

class TEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)
public:
    explicit TEdit(QWidget* parent);
    QString Text() const { return text(); }
    void SetText(const QString& value) { setText(value); }
    TNotifyEvent OnChange;
};

class TCheckBox : public QCheckBox {
    Q_OBJECT
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    TCheckBox(QWidget* parent, const QString& caption);
    bool Checked() const { return isChecked(); }
    // A change of state raises OnClick, whoever made it.
    void SetChecked(bool value) { setChecked(value); }
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    TNotifyEvent OnClick;
};

class TButton : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    TButton(QWidget* parent, const QString& caption);
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    // Press the button as the user would (raises OnClick if it is enabled).
    void Click();
    TNotifyEvent OnClick;
};

// A group box: an etched frame whose top edge runs through the middle of its caption line.
class TGroupBox : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    TGroupBox(QWidget* parent, const QString& caption);
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& caption);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString FCaption;
};

// The multi-line log: lines in order, a vertical scroll bar, no wrapping.
class TMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TMemo(QWidget* parent);
    void Add(const QString& line) { appendPlainText(line); }
    void Clear() { clear(); }
    QStringList Lines() const;
};
