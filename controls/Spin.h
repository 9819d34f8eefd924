#pragma once
// TSpinEdit: a one-line integer edit with a pair of small up and down arrows (TSpinButton, made
// of two auto-repeating TTimerSpeedButtons) at its right edge.
#include "framework/Events.h"

#include <QAbstractButton>
#include <QImage>
#include <QLineEdit>
#include <QPointer>

class QTimer;

// A flat speed button whose click repeats while it is held: after 400 ms, then every 100 ms.
class TTimerSpeedButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TTimerSpeedButton(QWidget* parent = nullptr);

    QImage Glyph() const { return FGlyph; }
    void SetGlyph(const QImage& glyph);
    // How many pictures the glyph holds side by side (normal, disabled, ...).
    int NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(int n);

    bool RepeatAllowed() const { return FRepeatAllowed; }
    void SetRepeatAllowed(bool allowed) { FRepeatAllowed = allowed; }
    bool FocusRectShown() const { return FFocusRect; }
    void SetFocusRectShown(bool shown);

    // The repeat timer (null until the first press); exposed so that tests can drive it.
    QTimer* RepeatTimer() const { return FRepeatTimer; }
    // One tick of the repeat timer.
    void TimerExpired();
    // Raises OnClick (the user's click, a repeat, or a key of the spin button).
    void Click();

    TNotifyEvent OnClick;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    QImage FGlyph;
    int FNumGlyphs = 1;
    bool FRepeatAllowed = false;
    bool FFocusRect = false;
    bool FCaptured = false;
    QTimer* FRepeatTimer = nullptr;
};

// The pair of arrows. Pressing one moves the focus to FocusControl (the spin field).
class TSpinButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QImage UpGlyph READ UpGlyph WRITE SetUpGlyph)
    Q_PROPERTY(QImage DownGlyph READ DownGlyph WRITE SetDownGlyph)
    Q_PROPERTY(int UpNumGlyphs READ UpNumGlyphs WRITE SetUpNumGlyphs)
    Q_PROPERTY(int DownNumGlyphs READ DownNumGlyphs WRITE SetDownNumGlyphs)
    Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
public:
    explicit TSpinButton(QWidget* parent = nullptr);

    QImage UpGlyph() const;
    // A null image loads the default arrow and sets the glyph count to 1.
    void SetUpGlyph(const QImage& glyph);
    QImage DownGlyph() const;
    void SetDownGlyph(const QImage& glyph);
    int UpNumGlyphs() const;
    void SetUpNumGlyphs(int n);
    int DownNumGlyphs() const;
    void SetDownNumGlyphs(int n);
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool tabStop);
    QWidget* FocusControl() const { return FFocusControl; }
    void SetFocusControl(QWidget* w) { FFocusControl = w; }

    TTimerSpeedButton* UpButton() const { return FUpButton; }
    TTimerSpeedButton* DownButton() const { return FDownButton; }
    TTimerSpeedButton* FocusedButton() const { return FFocusedButton; }

    // The default arrows: 9 x 6, a black triangle 7 wide and 4 high on a transparent ground.
    static QImage DefaultUpGlyph();
    static QImage DefaultDownGlyph();

    TNotifyEvent OnUpClick;
    TNotifyEvent OnDownClick;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Layout();
    void SetFocusedButton(TTimerSpeedButton* b);
    void ArrowPressed(TTimerSpeedButton* b);

    TTimerSpeedButton* FUpButton;
    TTimerSpeedButton* FDownButton;
    TTimerSpeedButton* FFocusedButton;
    QPointer<QWidget> FFocusControl;
    bool FTabStop = false;
};

class TSpinEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(int Value READ Value WRITE SetValue)
    Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue)
    Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue)
    Q_PROPERTY(int Increment READ Increment WRITE SetIncrement)
    Q_PROPERTY(bool EditorEnabled READ EditorEnabled WRITE SetEditorEnabled)
    Q_PROPERTY(bool ReadOnly READ isReadOnly WRITE setReadOnly)
    Q_PROPERTY(bool AutoSelect READ AutoSelect WRITE SetAutoSelect)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(int MaxLength READ MaxLength WRITE SetMaxLength)
    Q_PROPERTY(QString Text READ text WRITE setText)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
public:
    explicit TSpinEdit(QWidget* parent = nullptr);

    // The text as an integer (MinValue when it is not one); not clamped.
    int Value() const;
    // Writes the clamped value as text; OnChange follows from the text change.
    void SetValue(int v);
    // Value() times factor as a setting that follows the field uses it (SpinRules::ScaledValue).
    int ScaledValue(int factor) const;
    int MinValue() const { return FMinValue; }
    void SetMinValue(int v) { FMinValue = v; }
    int MaxValue() const { return FMaxValue; }
    void SetMaxValue(int v) { FMaxValue = v; }
    int Increment() const { return FIncrement; }
    void SetIncrement(int v) { FIncrement = v; }
    bool EditorEnabled() const { return FEditorEnabled; }
    void SetEditorEnabled(bool enabled);
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool on) { FAutoSelect = on; }
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool on);
    // 0 means no limit.
    int MaxLength() const;
    void SetMaxLength(int n);

    int ClampValue(int v) const;
    virtual bool AcceptsChar(QChar key) const;
    virtual void StepUp();
    virtual void StepDown();

    // The smallest height that shows the font: the field grows to it on every resize.
    int MinimumHeight() const;

    TSpinButton* Button() const { return FButton; }

    TNotifyEvent OnChange;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

protected:
    // The desktop's beep for refused input; virtual so that tests can count it.
    virtual void MessageBeep();

    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    bool CanEdit() const { return FEditorEnabled && !isReadOnly(); }
    void PlaceButton();

    TSpinButton* FButton;
    int FMinValue = 0;
    int FMaxValue = 0;
    int FIncrement = 1;
    bool FEditorEnabled = true;
    bool FAutoSelect = true;
    bool FAutoSize = true;
};
