#include "framework/StdCtrls.h"

#include <QPainter>
#include <QScrollBar>

void SetControlColor(QWidget* w, TColor color)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, ToQColor(color));
    pal.setColor(QPalette::Button, ToQColor(color));
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

void SetFontColor(QWidget* w, TColor color)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, ToQColor(color));
    pal.setColor(QPalette::ButtonText, ToQColor(color));
    pal.setColor(QPalette::Text, ToQColor(color));
    w->setPalette(pal);
}

TLabel::TLabel(QWidget* parent, int left, int top, const QString& caption) : QLabel(parent)
{
    move(left, top);
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SetCaption(caption);
}

void TLabel::SetCaption(const QString& caption)
{
    FCaption = caption;
    setText(ShowAs ? ShowAs(caption) : caption);
    adjustSize();
}

void TLabel::SetTransparent(bool transparent)
{
    setAutoFillBackground(!transparent);
    setAttribute(Qt::WA_TranslucentBackground, transparent);
}

TEdit::TEdit(QWidget* parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, [this] { Fire(OnChange, this); });
}

TCheckBox::TCheckBox(QWidget* parent, const QString& caption) : QCheckBox(caption, parent)
{
    connect(this, &QCheckBox::toggled, this, [this] { Fire(OnClick, this); });
}

TButton::TButton(QWidget* parent, const QString& caption) : QPushButton(caption, parent)
{
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, [this] { Fire(OnClick, this); });
}

void TButton::Click()
{
    if (isEnabled())
        Fire(OnClick, this);
}

TGroupBox::TGroupBox(QWidget* parent, const QString& caption) : QWidget(parent), FCaption(caption)
{
}

void TGroupBox::SetCaption(const QString& caption)
{
    FCaption = caption;
    update();
}

void TGroupBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QFontMetrics fm(font());
    const int top = fm.height() / 2;
    // The etched frame of the classic desktop: a shadow line inside a highlight line.
    const QColor shadow = ToQColor(clBtnShadow), light = ToQColor(clBtnHighlight);
    p.setPen(light);
    p.drawRect(1, top + 1, width() - 2, height() - top - 2);
    p.setPen(shadow);
    p.drawRect(0, top, width() - 2, height() - top - 2);
    if (!FCaption.isEmpty()) {
        const QRect text(8, 0, fm.horizontalAdvance(FCaption), fm.height());
        p.fillRect(text, palette().color(QPalette::Window));
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(text, Qt::AlignLeft | Qt::AlignTop, FCaption);
    }
}

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

QStringList TMemo::Lines() const
{
    const QString text = toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}
