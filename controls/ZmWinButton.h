#pragma once
// TZmWinButton: a flat push button that paints itself: a face in Color with a two-pixel raised
// edge, a caption that turns OverCol under the mouse, a pressed look shifted two pixels, an
// optional picture (Glpyh, or an image of an image list) beside the caption, an optional
// drop-down menu, and activation by mouse, Enter or Space.
#include "controls/ImageList.h"
#include "controls/ZmButtonLayout.h"
#include "controls/ZmButtonState.h"
#include "framework/Colors.h"
#include "framework/Events.h"

#include <QAction>
#include <QFont>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>

class TZmWinButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(uint Color READ Color WRITE SetColor)
    Q_PROPERTY(uint RaiseCol READ RaiseCol WRITE SetRaiseCol)
    Q_PROPERTY(uint OverCol READ OverCol WRITE SetOverCol)
    Q_PROPERTY(QImage Glpyh READ Glpyh WRITE SetGlpyh)
    Q_PROPERTY(ZmButton::TPicPos GlphyAlign READ GlphyAlign WRITE SetGlphyAlign)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(int ModalResult READ ModalResult WRITE SetModalResult)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QFont Font READ font WRITE SetFont)
    Q_PROPERTY(uint FontColor READ FontColor WRITE SetFontColor)
    Q_PROPERTY(QFont GrayedFont READ GrayedFont WRITE SetGrayedFont)
    Q_PROPERTY(uint GrayedFontColor READ GrayedFontColor WRITE SetGrayedFontColor)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(bool Visible READ isVisible WRITE setVisible)
    Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
    Q_PROPERTY(QString About READ About WRITE SetAbout)
    Q_PROPERTY(bool ShowCaption READ ShowCaption WRITE SetShowCaption)

public:
    explicit TZmWinButton(QWidget* parent = nullptr);
    ~TZmWinButton() override;

    TColor Color() const { return FColor; }
    void SetColor(TColor c);
    TColor RaiseCol() const { return FRaiseCol; }
    void SetRaiseCol(TColor c);
    TColor OverCol() const { return FOverCol; }
    void SetOverCol(TColor c);
    QImage Glpyh() const { return FGlpyh; }
    void SetGlpyh(const QImage& picture);
    TPicPos GlphyAlign() const { return FGlphyAlign; }
    void SetGlphyAlign(TPicPos align);
    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* images);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int index);
    QMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* menu);
    // A linked action runs on a click that has no OnClick of its own.
    QAction* Action() const { return FAction; }
    void SetAction(QAction* action) { FAction = action; }
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int result) { FModalResult = result; }
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& caption);
    // The caption font (typeface and size) and its colour.
    void SetFont(const QFont& font);
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor c);
    // Only the colour of the grayed font is used: the caption colour of a disabled button.
    QFont GrayedFont() const { return FGrayedFont; }
    void SetGrayedFont(const QFont& font);
    TColor GrayedFontColor() const { return FGrayedFontColor; }
    void SetGrayedFontColor(TColor c);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool show) { FShowHint = show; }
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool tabStop);
    QString About() const { return QStringLiteral("s1.04"); }
    void SetAbout(const QString&) {}
    bool ShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool show);

    // A fixed three-line about text: component, author, date.
    QString GetTanim() const;

    // The click operation: clears the pressed state, sets the form's modal result, runs OnClick.
    void Click();

    // The internal state, for the window that owns the button and for tests.
    bool Down() const { return FState.Down(); }
    bool Held() const { return FState.Held(); }
    bool HasFocus() const { return FState.HasFocus(); }
    bool HoverShown() const { return FHover; }

    // Draws the button as it now looks into an image of its size.
    QImage Render() const;

    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnClick;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool event(QEvent* e) override;

private:
    class Host;
    friend class Host;

    void Invalidate();
    void PrepareWorkImage() const;
    bool HasPicture() const;
    QFont CaptionFont() const;
    ZmButton::TContentPlacement Place(int offset) const;
    void DrawContent(QImage& img, int offset, TColor captionColor) const;
    void DrawCaptionAt(QImage& img, QPoint at, TColor color) const;
    void PressFromMouse(QMouseEvent* e, bool dbl);
    void SetMouseInside(bool inside);
    bool ExecMenu(QMenu* menu, QPoint client);

    TColor FColor = 0x00FF8000;
    TColor FRaiseCol = clWhite;
    TColor FOverCol = clYellow;
    QImage FGlpyh;
    TPicPos FGlphyAlign = poLeft;
    QPointer<TImageList> FImages;
    QMetaObject::Connection FImagesChanged;
    int FImageIndex = -1;
    QPointer<QMenu> FPopupMenu;
    QPointer<QAction> FAction;
    int FModalResult = 0;
    QString FCaption;
    TColor FFontColor = clWhite;
    QFont FGrayedFont;
    TColor FGrayedFontColor = clGrayText;
    bool FShowHint = true;
    bool FTabStop = true;
    bool FShowCaption = true;

    mutable QImage FWorkImage;
    bool FHover = false;
    bool FMouseInside = false;
    bool FMenuShowing = false;
    std::unique_ptr<Host> FHost;
    TZmButtonState FState;
};
