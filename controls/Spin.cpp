#include "controls/Spin.h"

#include "controls/ControlsAccessible.h"
#include "controls/FocusRect.h"
#include "controls/SpinValue.h"
#include "framework/Colors.h"
#include "framework/GdiDraw.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <memory>

namespace {

constexpr int kFirstRepeatMs = 400;
constexpr int kNextRepeatMs = 100;
constexpr int kButtonWidth = 15;
constexpr int kButtonHeight = 17;
// The height of a plain window border in pixels.
constexpr int kBorderHeight = 1;

QImage Arrow(bool up)
{
    QImage img(9, 6, QImage::Format_RGB32);
    img.fill(Qt::white);
    for (int row = 0; row < 4; ++row) {
        const int half = up ? row : 3 - row; // the tip row is one pixel wide
        for (int x = 4 - half; x <= 4 + half; ++x)
            img.setPixel(x, 1 + row, qRgb(0, 0, 0));
    }
    return img;
}

} // namespace

// ---- TTimerSpeedButton ---------------------------------------------------------------------

TTimerSpeedButton::TTimerSpeedButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QAbstractButton::clicked, this, [this] { Click(); });
}

void TTimerSpeedButton::SetGlyph(const QImage& glyph)
{
    FGlyph = glyph;
    update();
}

void TTimerSpeedButton::SetNumGlyphs(int n)
{
    FNumGlyphs = std::clamp(n, 1, 4);
    update();
}

void TTimerSpeedButton::SetFocusRectShown(bool shown)
{
    FFocusRect = shown;
    update();
}

void TTimerSpeedButton::Click()
{
    Fire(OnClick, this);
}

void TTimerSpeedButton::mousePressEvent(QMouseEvent* e)
{
    QAbstractButton::mousePressEvent(e);
    if (e->button() != Qt::LeftButton)
        return;
    FCaptured = true;
    if (!FRepeatAllowed)
        return;
    if (!FRepeatTimer) {
        FRepeatTimer = new QTimer(this);
        connect(FRepeatTimer, &QTimer::timeout, this, &TTimerSpeedButton::TimerExpired);
    }
    FRepeatTimer->setInterval(kFirstRepeatMs);
    FRepeatTimer->start();
}

void TTimerSpeedButton::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        FCaptured = false;
    QAbstractButton::mouseReleaseEvent(e);
    if (FRepeatTimer)
        FRepeatTimer->stop();
}

void TTimerSpeedButton::TimerExpired()
{
    if (!FRepeatTimer)
        return;
    FRepeatTimer->setInterval(kNextRepeatMs);
    if (!(isDown() && FCaptured))
        return;
    try {
        Click();
    } catch (...) {
        FRepeatTimer->stop();
        throw;
    }
}

void TTimerSpeedButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int w = width(), h = height();
    const bool down = isDown();
    Gdi::FillRect(p, 0, 0, w, h, ToQColor(clBtnFace));
    if (down) {
        Gdi::FillRect(p, 0, 0, w, 1, ToQColor(clBtnShadow));
        Gdi::FillRect(p, 0, 0, 1, h, ToQColor(clBtnShadow));
        Gdi::FillRect(p, 0, h - 1, w, h, ToQColor(clBtnHighlight));
        Gdi::FillRect(p, w - 1, 0, w, h, ToQColor(clBtnHighlight));
    } else {
        Gdi::FillRect(p, 0, 0, w - 1, 1, ToQColor(clBtnHighlight));
        Gdi::FillRect(p, 0, 0, 1, h - 1, ToQColor(clBtnHighlight));
        Gdi::FillRect(p, 0, h - 1, w, h, ToQColor(cl3DDkShadow));
        Gdi::FillRect(p, w - 1, 0, w, h, ToQColor(cl3DDkShadow));
        Gdi::FillRect(p, 1, h - 2, w - 1, h - 1, ToQColor(clBtnShadow));
        Gdi::FillRect(p, w - 2, 1, w - 1, h - 1, ToQColor(clBtnShadow));
    }
    if (!FGlyph.isNull()) {
        const int gw = FGlyph.width() / FNumGlyphs, gh = FGlyph.height();
        const bool disabled = !isEnabled();
        // The second picture of a multi-picture glyph is the disabled one.
        const int slice = disabled && FNumGlyphs > 1 ? 1 : 0;
        const QImage pic = FGlyph.copy(slice * gw, 0, gw, gh).convertToFormat(QImage::Format_RGB32);
        const QRgb key = pic.pixel(0, gh - 1);
        const int x = (w - gw) / 2 + (down ? 1 : 0), y = (h - gh) / 2 + (down ? 1 : 0);
        for (int row = 0; row < gh; ++row)
            for (int col = 0; col < gw; ++col) {
                const QRgb px = pic.pixel(col, row);
                if (px == key)
                    continue;
                if (disabled && slice == 0) {
                    p.fillRect(x + col + 1, y + row + 1, 1, 1, ToQColor(clBtnHighlight));
                    p.fillRect(x + col, y + row, 1, 1, ToQColor(clBtnShadow));
                } else {
                    p.fillRect(x + col, y + row, 1, 1, QColor::fromRgb(px));
                }
            }
    }
    if (FFocusRect) {
        const int s = down ? 1 : 0;
        Gdi::DrawFocusRect(p, 3 + s, 3 + s, w - 3 + s, h - 3 + s);
    }
}

// ---- TSpinButton ---------------------------------------------------------------------------

TSpinButton::TSpinButton(QWidget* parent)
    : QWidget(parent), FUpButton(new TTimerSpeedButton(this)),
      FDownButton(new TTimerSpeedButton(this)), FFocusedButton(FUpButton)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    for (TTimerSpeedButton* b : {FUpButton, FDownButton}) {
        b->SetRepeatAllowed(true);
        b->installEventFilter(this);
    }
    // Arrows without text: assistive technology hears what they do.
    FUpButton->setAccessibleName(tr("Artır"));
    FDownButton->setAccessibleName(tr("Azalt"));
    FUpButton->SetGlyph(DefaultUpGlyph());
    FDownButton->SetGlyph(DefaultDownGlyph());
    FUpButton->OnClick = [this](QObject*) { Fire(OnUpClick, this); };
    FDownButton->OnClick = [this](QObject*) { Fire(OnDownClick, this); };
    resize(20, 25);
    Layout();
}

QImage TSpinButton::DefaultUpGlyph()
{
    return Arrow(true);
}

QImage TSpinButton::DefaultDownGlyph()
{
    return Arrow(false);
}

QImage TSpinButton::UpGlyph() const
{
    return FUpButton->Glyph();
}

void TSpinButton::SetUpGlyph(const QImage& glyph)
{
    if (glyph.isNull()) {
        FUpButton->SetGlyph(DefaultUpGlyph());
        FUpButton->SetNumGlyphs(1);
    } else {
        FUpButton->SetGlyph(glyph);
    }
}

QImage TSpinButton::DownGlyph() const
{
    return FDownButton->Glyph();
}

void TSpinButton::SetDownGlyph(const QImage& glyph)
{
    if (glyph.isNull()) {
        FDownButton->SetGlyph(DefaultDownGlyph());
        FDownButton->SetNumGlyphs(1);
    } else {
        FDownButton->SetGlyph(glyph);
    }
}

int TSpinButton::UpNumGlyphs() const
{
    return FUpButton->NumGlyphs();
}

void TSpinButton::SetUpNumGlyphs(int n)
{
    FUpButton->SetNumGlyphs(n);
}

int TSpinButton::DownNumGlyphs() const
{
    return FDownButton->NumGlyphs();
}

void TSpinButton::SetDownNumGlyphs(int n)
{
    FDownButton->SetNumGlyphs(n);
}

void TSpinButton::SetTabStop(bool tabStop)
{
    FTabStop = tabStop;
    setFocusPolicy(tabStop ? Qt::TabFocus : Qt::NoFocus);
}

void TSpinButton::Layout()
{
    if (width() < kButtonWidth) {
        resize(kButtonWidth, height()); // comes back here through resizeEvent
        return;
    }
    const int w = width(), h = height(), upH = h / 2;
    FUpButton->setGeometry(0, 0, w, upH);
    // The arrows overlap by one pixel.
    FDownButton->setGeometry(0, upH - 1, w, h - upH + 1);
}

void TSpinButton::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    Layout();
}

void TSpinButton::SetFocusedButton(TTimerSpeedButton* b)
{
    FFocusedButton = b;
    FUpButton->SetFocusRectShown(hasFocus() && b == FUpButton);
    FDownButton->SetFocusRectShown(hasFocus() && b == FDownButton);
}

void TSpinButton::ArrowPressed(TTimerSpeedButton* b)
{
    const bool canFocus = isEnabled() && isVisible();
    if (FTabStop && canFocus)
        SetFocusedButton(b);
    QWidget* fc = FFocusControl;
    if (fc && (fc->focusPolicy() & Qt::TabFocus) && fc->isEnabled() && fc->isVisible() &&
        !fc->hasFocus())
        fc->setFocus(Qt::MouseFocusReason);
    else if (FTabStop && !hasFocus() && canFocus)
        setFocus(Qt::MouseFocusReason);
}

bool TSpinButton::eventFilter(QObject* watched, QEvent* e)
{
    if ((e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick) &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        if (watched == FUpButton)
            ArrowPressed(FUpButton);
        else if (watched == FDownButton)
            ArrowPressed(FDownButton);
    }
    return QWidget::eventFilter(watched, e);
}

void TSpinButton::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Space:
        FFocusedButton->Click();
        break;
    case Qt::Key_Up:
        SetFocusedButton(FUpButton);
        FUpButton->Click();
        break;
    case Qt::Key_Down:
        SetFocusedButton(FDownButton);
        FDownButton->Click();
        break;
    default:
        QWidget::keyPressEvent(e);
    }
}

void TSpinButton::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    FFocusedButton->SetFocusRectShown(true);
}

void TSpinButton::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    FFocusedButton->SetFocusRectShown(false);
}

// ---- TSpinEdit -----------------------------------------------------------------------------

TSpinEdit::TSpinEdit(QWidget* parent) : QLineEdit(parent), FButton(new TSpinButton(this))
{
    FButton->resize(kButtonWidth, kButtonHeight);
    FButton->setCursor(Qt::ArrowCursor);
    FButton->SetFocusControl(this);
    FButton->OnUpClick = [this](QObject*) { StepUp(); };
    FButton->OnDownClick = [this](QObject*) { StepDown(); };
    setFocusPolicy(Qt::StrongFocus);
    setTextMargins(0, 0, kButtonWidth + 2, 0);
    InstallControlsAccessibility();
    connect(this, &QLineEdit::textChanged, this, [this] {
        AnnounceValueChange(this, Value());
        Fire(OnChange, this);
    });
    setText(QStringLiteral("0"));
    PlaceButton();
}

int TSpinEdit::Value() const
{
    return SpinRules::ReadValue(text(), FMinValue);
}

void TSpinEdit::SetValue(int v)
{
    setText(QString::number(ClampValue(v)));
}

int TSpinEdit::ClampValue(int v) const
{
    return SpinRules::ClampValue(v, FMinValue, FMaxValue);
}

void TSpinEdit::SetEditorEnabled(bool enabled)
{
    FEditorEnabled = enabled;
}

void TSpinEdit::SetAutoSize(bool on)
{
    FAutoSize = on;
}

int TSpinEdit::MaxLength() const
{
    // QLineEdit's own "no limit" is its largest length.
    return maxLength() >= 32767 ? 0 : maxLength();
}

void TSpinEdit::SetMaxLength(int n)
{
    setMaxLength(n <= 0 ? 32767 : n);
}

bool TSpinEdit::AcceptsChar(QChar key) const
{
    const QString sep = QLocale().decimalPoint();
    return SpinRules::AcceptsChar(key, sep.isEmpty() ? QChar('.') : sep.at(0), FEditorEnabled);
}

int TSpinEdit::ScaledValue(int factor) const
{
    return SpinRules::ScaledValue(Value(), factor, FMinValue, FMaxValue);
}

void TSpinEdit::StepUp()
{
    if (isReadOnly())
        MessageBeep();
    else
        setText(QString::number(SpinRules::Step(Value(), FIncrement, FMinValue, FMaxValue)));
}

void TSpinEdit::StepDown()
{
    if (isReadOnly())
        MessageBeep();
    else
        setText(QString::number(
            SpinRules::Step(Value(), -(long long)FIncrement, FMinValue, FMaxValue)));
}

void TSpinEdit::MessageBeep()
{
    QApplication::beep();
}

int TSpinEdit::MinimumHeight() const
{
    const int h = QFontMetrics(font()).height();
    const int s = QFontMetrics(QApplication::font()).height();
    return h + std::min(s, h) / 4 + 4 * kBorderHeight + 2;
}

void TSpinEdit::PlaceButton()
{
    const int minH = MinimumHeight();
    if (height() < minH) {
        resize(width(), minH); // comes back here through resizeEvent
        return;
    }
    const int bw = FButton->width();
    if (hasFrame()) {
        // Child positions count from the widget's corner, the frame's inside starts f further.
        const int f = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
        FButton->setGeometry(f + width() - bw - 5, f, bw, height() - 5);
    } else {
        FButton->setGeometry(width() - bw, 1, bw, height() - 3);
    }
    setTextMargins(0, 0, bw + 2, 0);
}

void TSpinEdit::resizeEvent(QResizeEvent* e)
{
    QLineEdit::resizeEvent(e);
    PlaceButton();
}

void TSpinEdit::changeEvent(QEvent* e)
{
    QLineEdit::changeEvent(e);
    if (e->type() == QEvent::FontChange)
        PlaceButton();
}

void TSpinEdit::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down) {
        if (e->key() == Qt::Key_Up)
            StepUp();
        else
            StepDown();
        QLineEdit::keyPressEvent(e);
        e->accept(); // the arrows belong to the field, not to the focus chain
        return;
    }
    if (e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut)) {
        if (CanEdit())
            QLineEdit::keyPressEvent(e);
        else
            e->accept();
        return;
    }
    if (e->key() == Qt::Key_Delete) {
        // Delete is editing: a field whose editor is off keeps its text.
        if (FEditorEnabled)
            QLineEdit::keyPressEvent(e);
        else
            e->accept();
        return;
    }
    const QString typed = e->text();
    for (const QChar ch : typed)
        if (!AcceptsChar(ch)) {
            MessageBeep();
            e->accept(); // also keeps Enter from reaching the dialog's default button
            return;
        }
    QLineEdit::keyPressEvent(e);
}

void TSpinEdit::inputMethodEvent(QInputMethodEvent* e)
{
    // Text composed by an input method is typed text too: the same characters are refused.
    for (const QChar ch : e->commitString())
        if (!AcceptsChar(ch)) {
            MessageBeep();
            QInputMethodEvent dropped(e->preeditString(), e->attributes());
            QLineEdit::inputMethodEvent(&dropped);
            return;
        }
    QLineEdit::inputMethodEvent(e);
}

void TSpinEdit::focusInEvent(QFocusEvent* e)
{
    QLineEdit::focusInEvent(e);
    // Coming back from a menu or another application is no entering of the field.
    if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason)
        return;
    Fire(OnEnter, this);
    if (FAutoSelect && !(QApplication::mouseButtons() & Qt::LeftButton))
        selectAll();
    else if (!FAutoSelect)
        deselect(); // Qt selects on Tab by itself
}

void TSpinEdit::focusOutEvent(QFocusEvent* e)
{
    QLineEdit::focusOutEvent(e);
    // A menu or another application taking the keyboard does not leave the field.
    if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason)
        return;
    Fire(OnExit, this);
    const int v = Value();
    if (ClampValue(v) != v)
        SetValue(v);
}

void TSpinEdit::contextMenuEvent(QContextMenuEvent* e)
{
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    if (!CanEdit())
        for (QAction* a : menu->actions())
            if (a->objectName() == QLatin1String("edit-paste") ||
                a->objectName() == QLatin1String("edit-cut") ||
                a->objectName() == QLatin1String("edit-delete"))
                a->setEnabled(false);
    menu->exec(e->globalPos());
}

void TSpinEdit::mousePressEvent(QMouseEvent* e)
{
    // The middle button pastes the selection on X11.
    if (e->button() == Qt::MiddleButton && !CanEdit()) {
        e->accept();
        return;
    }
    QLineEdit::mousePressEvent(e);
}

void TSpinEdit::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::MiddleButton && !CanEdit()) {
        e->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(e);
}

void TSpinEdit::dropEvent(QDropEvent* e)
{
    if (!CanEdit()) {
        e->ignore();
        return;
    }
    QLineEdit::dropEvent(e);
}
