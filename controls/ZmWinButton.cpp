#include "controls/ZmWinButton.h"

#include "controls/ControlsAccessible.h"
#include "controls/FocusRect.h"
#include "framework/GdiDraw.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

// What the state machine asks of the widget.
class TZmWinButton::Host final : public TZmButtonHost {
public:
    explicit Host(TZmWinButton& b) : B(b) {}
    bool Usable() const override { return B.isVisible() && B.isEnabled(); }
    bool Enabled() const override { return B.isEnabled(); }
    bool TabStop() const override { return B.FTabStop; }
    bool ShowCaption() const override { return B.FShowCaption; }
    bool HasPopupMenu() const override { return !B.FPopupMenu.isNull(); }
    int Width() const override { return B.width(); }
    int Height() const override { return B.height(); }
    void Repaint() override { B.Invalidate(); }
    void DrawHoverCaption() override
    {
        B.FHover = true;
        B.update();
    }
    void TakeFocus() override { B.setFocus(Qt::MouseFocusReason); }
    void PopupAt(int x, int y) override
    {
        if (QMenu* menu = B.FPopupMenu)
            B.ExecMenu(menu, QPoint(x, y));
    }
    bool DropDownMenu() override
    {
        QMenu* menu = B.FPopupMenu;
        if (!menu)
            return true;
        if (QWidget* grabber = QWidget::mouseGrabber())
            grabber->releaseMouse();
        menu->setProperty("PopupComponent", QVariant::fromValue<QObject*>(&B));
        return B.ExecMenu(menu, QPoint(1, B.height() + 1));
    }
    void MouseDownEvent(TMouseButton button, TShiftState shift, int x, int y) override
    {
        Fire(B.OnMouseDown, &B, button, shift, x, y);
    }
    void MouseUpEvent(TMouseButton button, TShiftState shift, int x, int y) override
    {
        Fire(B.OnMouseUp, &B, button, shift, x, y);
    }
    void ClickEvent() override
    {
        if (QWidget* form = B.window(); form && form != &B) {
            form->setProperty("ModalResult", B.FModalResult);
            if (auto* dialog = qobject_cast<QDialog*>(form)) {
                // A non-zero result ends a modal dialog, as setting a form's modal result does.
                if (B.FModalResult != 0 && dialog->isModal() && dialog->isVisible())
                    dialog->done(B.FModalResult);
                else
                    dialog->setResult(B.FModalResult);
            }
        }
        if (B.OnClick)
            B.OnClick(&B);
        else if (B.FAction)
            B.FAction->trigger();
    }

private:
    TZmWinButton& B;
};

TZmWinButton::TZmWinButton(QWidget* parent)
    : QWidget(parent), FGrayedFont(Gdi::MakeFont("Arial", -13, true)),
      FHost(std::make_unique<Host>(*this)), FState(*FHost)
{
    InstallControlsAccessibility();
    QWidget::setFont(Gdi::MakeFont("Arial", -13, true));
    resize(100, 30);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true);
    // The right button is the button's own (its menu); the parent gets no context menu notice.
    setContextMenuPolicy(Qt::PreventContextMenu);
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        // Every change of focus within the button's window is a notice to it. A pop-up menu
        // borrows the focus only for its own time and is no such change.
        if (FMenuShowing || (old && old->window()->windowType() == Qt::Popup) ||
            (now && now->window()->windowType() == Qt::Popup))
            return;
        const QWidget* w = window();
        if ((old && old->window() == w) || (now && now->window() == w))
            FState.FocusChanged(hasFocus());
    });
}

TZmWinButton::~TZmWinButton()
{
    if (FImagesChanged)
        disconnect(FImagesChanged);
}

bool TZmWinButton::ExecMenu(QMenu* menu, QPoint client)
{
    const QPointer<TZmWinButton> alive(this);
    // The menu takes the focus while it is open and gives it back when it closes; neither is a
    // focus change for the button.
    // The menu also owns the mouse: the pointer crossing the button meanwhile is not a hover,
    // and must not repeat a held press (which would drop the menu down again).
    FMenuShowing = true;
    menu->exec(mapToGlobal(client));
    if (!alive)
        return false; // a menu command destroyed the button
    FMenuShowing = false;
    FMouseInside = rect().contains(mapFromGlobal(QCursor::pos()));
    return true;
}

void TZmWinButton::Invalidate()
{
    FHover = false;
    update();
}

void TZmWinButton::SetColor(TColor c)
{
    FColor = c;
    Invalidate();
}

void TZmWinButton::SetRaiseCol(TColor c)
{
    FRaiseCol = c;
    Invalidate();
}

void TZmWinButton::SetOverCol(TColor c)
{
    FOverCol = c;
}

void TZmWinButton::SetGlpyh(const QImage& picture)
{
    FGlpyh = picture.copy();
    Invalidate();
}

void TZmWinButton::SetGlphyAlign(TPicPos align)
{
    if (align == FGlphyAlign)
        return;
    FGlphyAlign = align;
    Invalidate();
}

void TZmWinButton::SetImages(TImageList* images)
{
    if (FImagesChanged)
        disconnect(FImagesChanged);
    FImagesChanged = {};
    FImages = images;
    if (images)
        FImagesChanged = connect(images, &TImageList::Changed, this, [this] { Invalidate(); });
    Invalidate();
}

void TZmWinButton::SetImageIndex(int index)
{
    if (index == FImageIndex)
        return;
    FImageIndex = index;
    Invalidate();
}

void TZmWinButton::SetPopupMenu(QMenu* menu)
{
    FPopupMenu = menu;
}

void TZmWinButton::SetCaption(const QString& caption)
{
    FCaption = caption;
    Invalidate();
    AnnounceNameChange(this);
}

void TZmWinButton::SetFont(const QFont& font)
{
    QWidget::setFont(font);
    Invalidate();
}

void TZmWinButton::SetFontColor(TColor c)
{
    FFontColor = c;
    Invalidate();
}

void TZmWinButton::SetGrayedFont(const QFont& font)
{
    FGrayedFont = font;
    Invalidate();
}

void TZmWinButton::SetGrayedFontColor(TColor c)
{
    FGrayedFontColor = c;
    Invalidate();
}

void TZmWinButton::SetTabStop(bool tabStop)
{
    FTabStop = tabStop;
    // The button takes the focus by Tab or by its own press, never by Qt's click focus.
    setFocusPolicy(tabStop ? Qt::TabFocus : Qt::NoFocus);
    Invalidate();
}

void TZmWinButton::SetShowCaption(bool show)
{
    if (show == FShowCaption)
        return;
    FShowCaption = show;
    Invalidate();
}

QString TZmWinButton::GetTanim() const
{
    return QStringLiteral("TZmWinButton s1.04\nZEMBRA Yazılım\n2004");
}

void TZmWinButton::Click()
{
    FState.Click();
}

// ---- drawing -------------------------------------------------------------------------------

bool TZmWinButton::HasPicture() const
{
    return !FGlpyh.isNull() || (FImages && FImageIndex != -1);
}

void TZmWinButton::PrepareWorkImage() const
{
    if (!FGlpyh.isNull())
        FWorkImage = FGlpyh.convertToFormat(QImage::Format_RGB32);
    else if (FImages)
        FWorkImage = FImages->Image(FImageIndex);
    else
        FWorkImage = QImage();
    if (FWorkImage.isNull())
        return;
    // The bottom-left pixel names the transparent colour, which takes the face colour.
    const QRgb key = FWorkImage.pixel(0, FWorkImage.height() - 1);
    const QRgb face = ToQColor(FColor).rgb();
    for (int y = 0; y < FWorkImage.height(); ++y)
        for (int x = 0; x < FWorkImage.width(); ++x)
            if (FWorkImage.pixel(x, y) == key)
                FWorkImage.setPixel(x, y, face);
}

QFont TZmWinButton::CaptionFont() const
{
    // Whole-pixel glyph positions, as the bitmap captions were designed for; without full
    // hinting small bold captions get uneven gaps between letters.
    QFont f = font();
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

ZmButton::TContentPlacement TZmWinButton::Place(int offset) const
{
    const QFontMetrics fm(CaptionFont());
    ZmButton::TContentInput in;
    in.W = width();
    in.H = height();
    in.GW = FWorkImage.width();
    in.GH = FWorkImage.height();
    in.tw = fm.horizontalAdvance(FCaption);
    in.th = fm.height();
    in.HasPicture = HasPicture();
    in.ShowCaption = FShowCaption;
    in.CaptionEmpty = FCaption.isEmpty();
    in.Align = FGlphyAlign;
    in.Offset = offset;
    return ZmButton::PlaceContent(in);
}

void TZmWinButton::DrawCaptionAt(QImage& img, QPoint at, TColor color) const
{
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QFont f = CaptionFont();
    p.setFont(f);
    const QFontMetrics fm(f);
    const int tw = fm.horizontalAdvance(FCaption), th = fm.height();
    Gdi::FillRect(p, at.x(), at.y(), at.x() + tw, at.y() + th, ToQColor(FColor));
    Gdi::TextOut(p, at.x(), at.y(), FCaption, ToQColor(color));
}

void TZmWinButton::DrawContent(QImage& img, int offset, TColor captionColor) const
{
    PrepareWorkImage();
    const TColor c = isEnabled() ? captionColor : FGrayedFontColor;
    const ZmButton::TContentPlacement at = Place(offset);
    if (at.DrawCaption)
        DrawCaptionAt(img, at.Caption, c);
    if (!at.DrawPicture)
        return;
    QPainter p(&img);
    if (!FGlpyh.isNull())
        p.drawImage(at.Picture, FWorkImage);
    else if (FImages && isEnabled())
        FImages->Draw(p, at.Picture.x(), at.Picture.y(), FImageIndex);
    else if (FImages)
        FImages->DrawEmbossed(p, at.Picture.x(), at.Picture.y(), FImageIndex);
}

QImage TZmWinButton::Render() const
{
    const int W = width(), H = height();
    QImage img(W, H, QImage::Format_RGB32);
    const QColor face = ToQColor(FColor), black(Qt::black);
    img.fill(face);
    {
        QPainter p(&img);
        Gdi::FillRect(p, 1, 1, W - 1, H - 1, face);
        if (!Down()) {
            Gdi::FrameRect(p, 0, 0, W, H, black);
            Gdi::FrameRect(p, 0, 0, W - 1, H - 1, black);
        }
    }
    if (!Down()) {
        DrawContent(img, 0, FFontColor);
        QPainter p(&img);
        Gdi::FillRect(p, 0, 0, 2, H - 1, ToQColor(FRaiseCol));
        Gdi::FillRect(p, 0, 0, W - 1, 2, ToQColor(FRaiseCol));
    } else {
        DrawContent(img, 2, FOverCol);
        QPainter p(&img);
        Gdi::FrameRect(p, 0, 0, W, H, black);
    }
    if (HasFocus() && FTabStop) {
        {
            QPainter p(&img);
            Gdi::FrameRect(p, 0, 0, W, H, black);
        }
        {
            QPainter p(&img);
            Gdi::DrawFocusRect(p, 3, 3, W - 3, H - 3);
        }
        if (!Down() && FShowCaption)
            DrawCaptionAt(img, Place(0).Caption, FOverCol);
    }
    // The hover caption lasts until the next repaint the button asks for.
    if (FHover && FShowCaption)
        DrawCaptionAt(img, Place(0).Caption, FOverCol);
    return img;
}

void TZmWinButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, Render());
}

// ---- input ---------------------------------------------------------------------------------

void TZmWinButton::PressFromMouse(QMouseEvent* e, bool dbl)
{
    const std::optional<TMouseButton> button = MouseButtonOf(e->button());
    if (!button)
        return;
    TShiftState shift = ShiftStateOf(*e);
    if (dbl)
        shift |= ssDouble;
    FMouseInside = rect().contains(e->position().toPoint());
    const QPoint pos = e->position().toPoint();
    FState.MouseDown(*button, shift, pos.x(), pos.y());
}

void TZmWinButton::mousePressEvent(QMouseEvent* e)
{
    PressFromMouse(e, false);
}

void TZmWinButton::mouseDoubleClickEvent(QMouseEvent* e)
{
    // A double click is one more press.
    PressFromMouse(e, true);
}

void TZmWinButton::mouseReleaseEvent(QMouseEvent* e)
{
    const std::optional<TMouseButton> button = MouseButtonOf(e->button());
    if (!button)
        return;
    const QPoint pos = e->position().toPoint();
    FState.MouseUp(*button, ShiftStateOf(*e), pos.x(), pos.y());
}

void TZmWinButton::mouseMoveEvent(QMouseEvent* e)
{
    // While a mouse button is held the window system holds back enter and leave notices, so the
    // moves tell when the pointer crosses the edge.
    const QPoint pos = e->position().toPoint();
    if (e->buttons() != Qt::NoButton)
        SetMouseInside(rect().contains(pos));
    Fire(OnMouseMove, this, ShiftStateOf(*e), pos.x(), pos.y());
}

void TZmWinButton::SetMouseInside(bool inside)
{
    if (inside == FMouseInside || FMenuShowing)
        return;
    FMouseInside = inside;
    if (inside)
        FState.MouseEnter();
    else
        FState.MouseLeave();
}

void TZmWinButton::enterEvent(QEnterEvent*)
{
    SetMouseInside(true);
}

void TZmWinButton::leaveEvent(QEvent*)
{
    SetMouseInside(false);
}

void TZmWinButton::keyPressEvent(QKeyEvent* e)
{
    const bool space = e->key() == Qt::Key_Space;
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    FState.KeyDown(space);
    if (enter)
        FState.KeyPress(13);
    if (!space && !enter)
        QWidget::keyPressEvent(e);
}

void TZmWinButton::keyReleaseEvent(QKeyEvent* e)
{
    if (e->isAutoRepeat())
        return;
    FState.KeyUp(e->key() == Qt::Key_Space);
}

void TZmWinButton::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    if (e->reason() != Qt::PopupFocusReason && !FMenuShowing)
        FState.FocusChanged(true);
}

void TZmWinButton::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    if (e->reason() != Qt::PopupFocusReason && !FMenuShowing)
        FState.FocusChanged(false);
}

void TZmWinButton::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::EnabledChange || e->type() == QEvent::FontChange)
        Invalidate();
    QWidget::changeEvent(e);
}

bool TZmWinButton::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip && !FShowHint) {
        e->ignore();
        return true;
    }
    return QWidget::event(e);
}
